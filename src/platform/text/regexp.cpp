#include "platform/text/regexp.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/vb/utf8.h"
#include "platform/vb/vb_error.h"

namespace ostrel::text {

namespace {

constexpr char kSource[] = "VBScript_RegExp_55.RegExp";

// A compiled pattern, shared between every RegExp that uses the same pattern
// and flags. pcre2_code (and its JIT code) may be used by several threads at
// once; only the match data and the JIT stack are per call or per thread.
class Compiled {
 public:
  explicit Compiled(pcre2_code* code) : code_(code) {
    uint32_t n = 0;
    pcre2_pattern_info(code_, PCRE2_INFO_CAPTURECOUNT, &n);
    groups_ = static_cast<int>(n);
  }
  ~Compiled() { pcre2_code_free(code_); }
  Compiled(const Compiled&) = delete;
  Compiled& operator=(const Compiled&) = delete;

  const pcre2_code* code() const { return code_; }
  int groups() const { return groups_; }

 private:
  pcre2_code* code_;
  int groups_ = 0;
};

// The cache is small and hot patterns are few (a handful per gathering item),
// so when it fills up it is simply emptied and refilled on demand.
constexpr size_t kCacheCapacity = 256;

struct Cache {
  std::mutex mu;
  std::unordered_map<std::string, std::shared_ptr<const Compiled>> entries;
};

Cache& GetCache() {
  static Cache* cache = new Cache;  // never destroyed: used until exit
  return *cache;
}

std::atomic<uint32_t> g_match_limit{RegExp::Limits{}.match_limit};
std::atomic<uint32_t> g_depth_limit{RegExp::Limits{}.depth_limit};
std::atomic<uint32_t> g_heap_limit_kib{RegExp::Limits{}.heap_limit_kib};

std::shared_ptr<const Compiled> Compile(const std::string& pattern, bool ignore_case,
                                        bool multiline) {
  std::string key;
  key.reserve(pattern.size() + 2);
  key += ignore_case ? 'i' : '-';
  key += multiline ? 'm' : '-';
  key += pattern;

  Cache& cache = GetCache();
  {
    std::lock_guard<std::mutex> lock(cache.mu);
    auto it = cache.entries.find(key);
    if (it != cache.entries.end()) return it->second;
  }

  uint32_t options =
      PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF;
  if (ignore_case) options |= PCRE2_CASELESS;
  options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;

  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(context, PCRE2_NEWLINE_LF);
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   options, &error, &error_offset, context);
  pcre2_compile_context_free(context);
  if (code == nullptr) {
    PCRE2_UCHAR message[256];
    pcre2_get_error_message(error, message, sizeof message);
    throw vb::VbError(kErrRegExpSyntax, kSource,
                      "Syntax error in regular expression (" +
                          std::string(reinterpret_cast<const char*>(message)) + " at offset " +
                          std::to_string(error_offset) + ")");
  }
  // Without JIT the interpreter runs the same pattern, only slower.
  pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
  auto compiled = std::make_shared<const Compiled>(code);

  std::lock_guard<std::mutex> lock(cache.mu);
  if (cache.entries.size() >= kCacheCapacity) cache.entries.clear();
  cache.entries.emplace(std::move(key), compiled);
  return compiled;
}

// Per-thread match context with its JIT stack. Nested patterns on long text
// need more than the default 32 KiB of JIT stack; running out of it is one
// more limit hit.
class MatchContext {
 public:
  MatchContext() {
    context_ = pcre2_match_context_create(nullptr);
    stack_ = pcre2_jit_stack_create(32 * 1024, 4 * 1024 * 1024, nullptr);
    if (stack_ != nullptr) pcre2_jit_stack_assign(context_, nullptr, stack_);
  }
  ~MatchContext() {
    if (stack_ != nullptr) pcre2_jit_stack_free(stack_);
    pcre2_match_context_free(context_);
  }
  MatchContext(const MatchContext&) = delete;
  MatchContext& operator=(const MatchContext&) = delete;

  pcre2_match_context* get() {
    pcre2_set_match_limit(context_, g_match_limit.load(std::memory_order_relaxed));
    pcre2_set_depth_limit(context_, g_depth_limit.load(std::memory_order_relaxed));
    pcre2_set_heap_limit(context_, g_heap_limit_kib.load(std::memory_order_relaxed));
    return context_;
  }

 private:
  pcre2_match_context* context_ = nullptr;
  pcre2_jit_stack* stack_ = nullptr;
};

// Walks the matches of one pattern over one subject, left to right, as
// RegExp defines the walk: after an empty match the next search starts one
// character further on. Any matcher error (a limit hit above all) ends the
// walk as if there were no further match.
class Walker {
 public:
  Walker(const Compiled& compiled, std::string_view subject)
      : compiled_(compiled), subject_(subject) {
    data_ = pcre2_match_data_create_from_pattern(compiled_.code(), nullptr);
  }
  ~Walker() { pcre2_match_data_free(data_); }
  Walker(const Walker&) = delete;
  Walker& operator=(const Walker&) = delete;

  // Finds the next match; false when there is none (or a limit was hit).
  bool Next() {
    if (done_ || data_ == nullptr) return false;
    thread_local MatchContext context;
    int rc = pcre2_match(compiled_.code(), reinterpret_cast<PCRE2_SPTR>(subject_.data()),
                         subject_.size(), next_, 0, data_, context.get());
    if (rc < 0) {
      done_ = true;
      return false;
    }
    ovector_ = pcre2_get_ovector_pointer(data_);
    start_ = ovector_[0];
    end_ = ovector_[1];
    // "\K" inside a lookaround can report a match that ends before it starts
    // or starts before the search did; such a match cannot be walked.
    if (end_ < start_ || start_ < next_) {
      done_ = true;
      return false;
    }
    if (end_ > start_) {
      next_ = end_;
    } else if (end_ < subject_.size()) {
      next_ = end_ + vb::DecodeUtf8At(subject_, end_).bytes;
    } else {
      done_ = true;  // an empty match at the very end is the last one
    }
    return true;
  }

  size_t start() const { return start_; }
  size_t end() const { return end_; }
  int groups() const { return compiled_.groups(); }

  // Text of group n (1..groups()); "" when it did not take part.
  std::string_view Group(int n) const {
    PCRE2_SIZE s = ovector_[2 * n];
    PCRE2_SIZE e = ovector_[2 * n + 1];
    if (s == PCRE2_UNSET || e < s) return {};
    return subject_.substr(s, e - s);
  }

 private:
  const Compiled& compiled_;
  std::string_view subject_;
  pcre2_match_data* data_ = nullptr;
  PCRE2_SIZE* ovector_ = nullptr;
  size_t next_ = 0;
  size_t start_ = 0;
  size_t end_ = 0;
  bool done_ = false;
};

// Counts UTF-16 units in s[from, to), walking characters as the VB string
// functions do, so FirstIndex agrees with InStr positions.
int32_t Units(std::string_view s, size_t from, size_t to) {
  int32_t units = 0;
  size_t i = from;
  while (i < to) {
    size_t ascii = vb::AsciiSpan(s, i, to - i);
    units += static_cast<int32_t>(ascii);
    i += ascii;
    if (i >= to) break;
    vb::Utf8Char c = vb::DecodeUtf8At(s, i);
    units += c.units;
    i += c.bytes;
  }
  return units;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Appends the replacement text for the current match of walker.
void Expand(std::string_view replacement, const Walker& walker, std::string_view subject,
            std::string* out) {
  size_t i = 0;
  while (i < replacement.size()) {
    size_t dollar = replacement.find('$', i);
    if (dollar == std::string_view::npos || dollar + 1 >= replacement.size()) {
      out->append(replacement.substr(i));
      return;
    }
    out->append(replacement.substr(i, dollar - i));
    char c = replacement[dollar + 1];
    if (c == '$') {
      out->push_back('$');
      i = dollar + 2;
    } else if (c == '&') {
      out->append(subject.substr(walker.start(), walker.end() - walker.start()));
      i = dollar + 2;
    } else if (IsDigit(c)) {
      int one = c - '0';
      bool has_two = dollar + 2 < replacement.size() && IsDigit(replacement[dollar + 2]);
      int two = has_two ? one * 10 + (replacement[dollar + 2] - '0') : 0;
      if (has_two && two >= 1 && two <= walker.groups()) {
        out->append(walker.Group(two));
        i = dollar + 3;
      } else if (one >= 1 && one <= walker.groups()) {
        out->append(walker.Group(one));
        i = dollar + 2;
      } else {
        out->push_back('$');
        i = dollar + 1;
      }
    } else {
      out->push_back('$');
      i = dollar + 1;
    }
  }
}

}  // namespace

const std::string& Match::SubMatches(int32_t i) const {
  if (i < 0 || i >= SubMatchCount()) vb::Raise(vb::kErrInvalidCall, kSource);
  return groups_[static_cast<size_t>(i)];
}

const Match& MatchCollection::Item(int32_t i) const {
  if (i < 0 || i >= Count()) vb::Raise(vb::kErrInvalidCall, kSource);
  return matches_[static_cast<size_t>(i)];
}

void RegExp::SetLimits(const Limits& limits) {
  g_match_limit.store(limits.match_limit);
  g_depth_limit.store(limits.depth_limit);
  g_heap_limit_kib.store(limits.heap_limit_kib);
}

RegExp::Limits RegExp::GetLimits() {
  Limits limits;
  limits.match_limit = g_match_limit.load();
  limits.depth_limit = g_depth_limit.load();
  limits.heap_limit_kib = g_heap_limit_kib.load();
  return limits;
}

bool RegExp::Test(std::string_view s) const {
  auto compiled = Compile(Pattern, IgnoreCase, Multiline);
  Walker walker(*compiled, s);
  return walker.Next();
}

MatchCollection RegExp::Execute(std::string_view s) const {
  auto compiled = Compile(Pattern, IgnoreCase, Multiline);
  Walker walker(*compiled, s);
  std::vector<Match> matches;
  // Positions are counted incrementally, so a walk over a long page with
  // many matches stays linear.
  size_t counted_to = 0;
  int32_t units_so_far = 0;
  while (walker.Next()) {
    units_so_far += Units(s, counted_to, walker.start());
    counted_to = walker.start();
    std::vector<std::string> groups;
    groups.reserve(static_cast<size_t>(walker.groups()));
    for (int n = 1; n <= walker.groups(); ++n) groups.emplace_back(walker.Group(n));
    matches.emplace_back(units_so_far, Units(s, walker.start(), walker.end()), walker.start(),
                         std::string(s.substr(walker.start(), walker.end() - walker.start())),
                         std::move(groups));
    if (!Global) break;
  }
  return MatchCollection(std::move(matches));
}

std::string RegExp::Replace(std::string_view s, std::string_view replacement) const {
  auto compiled = Compile(Pattern, IgnoreCase, Multiline);
  Walker walker(*compiled, s);
  std::string out;
  // Most replacements remove or swap short tags: the result is about the
  // size of the subject, and growing it step by step would copy it again
  // and again.
  out.reserve(s.size());
  size_t copied_to = 0;
  while (walker.Next()) {
    out.append(s.substr(copied_to, walker.start() - copied_to));
    Expand(replacement, walker, s, &out);
    copied_to = walker.end();
    if (!Global) break;
  }
  out.append(s.substr(copied_to));
  return out;
}

}  // namespace ostrel::text
