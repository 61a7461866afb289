// Cutting and cleaning throughput on large generated pages (1 MB and 10 MB),
// each member against a reference run of the same work in the same process:
// a plain std::string::find cut of the same markers, or the same pattern
// through raw PCRE2 (JIT) without the RegExp layer. Prints MB/s and the
// ratio member time / reference time (lower is better; 1.0 is parity).
//
//   bench_cutting [repeats]
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "processing/tag_filter.h"
#include "processing/text_cutting.h"

namespace {

using Clock = std::chrono::steady_clock;

// A news site's list page repeated to size: CRLF lines, Chinese text, links
// (some repeated in another letter case), comments (empty ones too),
// scripts, tables, fonts and an advertising block per row.
std::string MakePage(size_t bytes) {
  std::string page;
  page.reserve(bytes + 4096);
  page +=
      "<html>\r\n<head><title>新闻列表</title>\r\n<script>var x = 1;</script></head>\r\n<body>\r\n";
  page += "<!-- list begins --><div class=\"list\">\r\n";
  for (int i = 0; page.size() < bytes; ++i) {
    std::string n = std::to_string(i);
    page += "<table><tbody><tr>\r\n\t<td class=\"t\"><font color=\"#333\">";
    page += "<a href=\"/news/" + n + ".html\" target=\"_blank\">第" + n +
            "条新闻：城市建设与环境保护的新进展</a></font></td>\r\n";
    page += "\t<td><span class=\"d\">2005-8-8</span></td></tr>\r\n";
    if (i % 7 == 0) page += "<A HREF=\"/NEWS/" + n + ".HTML\" target=\"_blank\">again</A>\r\n";
    page += "<!---->\r\n<div class=\"ad\"><ins>广告" + n + "</ins></div><!-- row " + n + " -->\r\n";
    page += "</tbody></table>\r\n<p>正文段落，包含一些<b>加粗</b>文字和<img src=\"/p/" + n +
            ".jpg\">图片。</p>\r\n";
  }
  page += "</div><!-- list ends -->\r\n<iframe src=\"/ad\"></iframe></body></html>\r\n";
  return page;
}

// A pattern compiled as RegExp compiles it (UTF with invalid sequences
// allowed, so no UTF check per search; JIT; LF newlines).
class RawPattern {
 public:
  RawPattern(const char* pattern, bool caseless) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_LF);
    uint32_t options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_DOLLAR_ENDONLY |
                       (caseless ? PCRE2_CASELESS : 0);
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED, options,
                          &error, &offset, context);
    pcre2_compile_context_free(context);
    if (code_ == nullptr) std::abort();
    pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);
    data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
  }
  ~RawPattern() {
    pcre2_match_data_free(data_);
    pcre2_code_free(code_);
  }

  // Every match as [begin, end) (non-empty matches only in these patterns).
  std::vector<std::pair<size_t, size_t>> All(const std::string& s, bool global = true) {
    std::vector<std::pair<size_t, size_t>> out;
    size_t at = 0;
    while (pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), at, 0, data_,
                       nullptr) > 0) {
      PCRE2_SIZE* v = pcre2_get_ovector_pointer(data_);
      out.emplace_back(v[0], v[1]);
      at = v[1] > v[0] ? v[1] : v[1] + 1;
      if (!global) break;
    }
    return out;
  }

  std::string ReplaceAll(const std::string& s, const char* with = "") {
    std::string out;
    size_t copied = 0;
    for (auto [b, e] : All(s)) {
      out.append(s, copied, b - copied);
      out += with;
      copied = e;
    }
    out.append(s, copied, std::string::npos);
    return out;
  }

 private:
  pcre2_code* code_ = nullptr;
  pcre2_match_data* data_ = nullptr;
};

// Best of `repeats` runs, in seconds.
double Time(int repeats, const std::function<size_t()>& run, size_t* sink) {
  double best = 1e30;
  for (int i = 0; i < repeats; ++i) {
    auto start = Clock::now();
    *sink += run();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

void Report(const char* name, size_t bytes, double member, double reference) {
  double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
  std::printf("  %-34s %8.1f MB/s   reference %8.1f MB/s   ratio %5.2f\n", name, mb / member,
              mb / reference, member / reference);
}

std::string PlainCut(const std::string& s, const std::string& start, const std::string& last) {
  size_t b = s.find(start);
  if (b == std::string::npos) return "";
  size_t e = s.find(last, b + start.size() + 1);
  return e == std::string::npos ? "" : s.substr(b + start.size(), e - b - start.size());
}

void RunSize(size_t bytes, int repeats) {
  using namespace ostrel::processing;
  const std::string raw = MakePage(bytes);
  const std::string flat = ReplaceTrim(raw);
  size_t sink = 0;
  std::printf("page of %zu bytes (%d runs, best)\n", raw.size(), repeats);

  RawPattern controls("(\\x08|\\t|\\n|\\r)", true);
  RawPattern comments("(<!--(.*?)-->)", true);
  Report("ReplaceTrim(blnRemark)", raw.size(),
         Time(
             repeats, [&] { return ReplaceTrim(raw, true).size(); }, &sink),
         Time(
             repeats, [&] { return comments.ReplaceAll(controls.ReplaceAll(raw)).size(); }, &sink));

  // The list area: from the first row to the end marker at the very end.
  Report("CutFixed (whole list area)", flat.size(),
         Time(
             repeats,
             [&] { return CutFixed(flat, "<!-- list begins -->", "<!-- list ends -->").size(); },
             &sink),
         Time(
             repeats,
             [&] { return PlainCut(flat, "<!-- list begins -->", "<!-- list ends -->").size(); },
             &sink));
  RawPattern marker("(\\<\\!\\-\\- list begins \\-\\-\\>)(.+?)(\\<\\!\\-\\- list ends \\-\\-\\>)",
                    false);
  Report("CutFixed vs raw PCRE2", flat.size(),
         Time(
             repeats,
             [&] { return CutFixed(flat, "<!-- list begins -->", "<!-- list ends -->").size(); },
             &sink),
         Time(
             repeats, [&] { return marker.All(flat, false).size(); }, &sink));

  RawPattern links("(\\<a href\\=\")(.+?)(\"\\>)", true);
  auto find_links = [&] {
    // The reference: a find loop over a lower-cased copy, no de-duplication.
    std::string lower = flat;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
    size_t n = 0, at = 0;
    while ((at = lower.find("<a href=\"", at)) != std::string::npos) {
      size_t end = lower.find("\">", at + 10);
      if (end == std::string::npos) break;
      ++n;
      at = end + 2;
    }
    return n;
  };
  Report("FindMatch (links)", flat.size(),
         Time(
             repeats, [&] { return FindMatch(flat, "<a href=\"", "\">").size(); }, &sink),
         Time(repeats, find_links, &sink));
  Report("FindMatch vs raw PCRE2", flat.size(),
         Time(
             repeats, [&] { return FindMatch(flat, "<a href=\"", "\">").size(); }, &sink),
         Time(
             repeats, [&] { return links.All(flat).size(); }, &sink));

  RawPattern ads("(\\<div class\\=\"ad\"\\>)(.+?)(\\</div\\>)", true);
  Report(
      "CheckMatch (ad blocks)", flat.size(),
      Time(
          repeats, [&] { return CheckMatch(flat, "<div class=\"ad\">", "</div>").size(); }, &sink),
      Time(
          repeats, [&] { return ads.ReplaceAll(flat).size(); }, &sink));

  RawPattern tags("<(.[^>]*)>", true);
  Report("CheckHTML", flat.size(),
         Time(
             repeats, [&] { return CheckHTML(flat).size(); }, &sink),
         Time(
             repeats, [&] { return tags.ReplaceAll(flat).size(); }, &sink));

  // Every family on, as raw PCRE2 replacements of the same patterns.
  const std::string all_flags = "1|1|1|1|1|1|1|1|1|0|0|1|1|1|1|0|0|0|0|0";
  const char* families[] = {"(<s+cript(.+?)<\\/s+cript>)",
                            "(<iframe(.+?)<\\/iframe>)",
                            "(<object(.+?)<\\/object>)",
                            "(<applet(.+?)<\\/applet>)",
                            "(<DIV(.+?)>)",
                            "(<\\/DIV>)",
                            "(<FONT(.+?)>)",
                            "(<\\/FONT>)",
                            "(<SPAN(.+?)>)",
                            "(<\\/SPAN>)",
                            "(<A(.+?)>)",
                            "(<\\/A>)",
                            "(<IMG(.+?)>)",
                            "(<TABLE(.+?)>)",
                            "(<\\/TABLE>)",
                            "(<TR(.+?)>)",
                            "(<\\/TR>)",
                            "(<TD(.+?)>)",
                            "(<\\/TD>)",
                            "(<TH(.+?)>)",
                            "(<\\/TH>)",
                            "(\\x08|\\t|\\n|\\r)",
                            "(<!--(.*?)-->)",
                            "(<TBODY>)",
                            "(<\\/TBODY>)"};
  std::vector<std::unique_ptr<RawPattern>> compiled;
  for (const char* p : families) compiled.push_back(std::make_unique<RawPattern>(p, true));
  RawPattern open_script("(<%)", true), close_script("(%>)", true);
  auto raw_clean = [&] {
    std::string text = flat;
    for (auto& p : compiled) text = p->ReplaceAll(text);
    text = open_script.ReplaceAll(text, "&lt;%");
    return close_script.ReplaceAll(text, "%&gt;").size();
  };
  Report("Html2Ubb (all families)", flat.size(),
         Time(
             repeats, [&] { return Html2Ubb(flat, all_flags + "|0").size(); }, &sink),
         Time(repeats, raw_clean, &sink));
  Report("Html2Ubb (default list)", flat.size(),
         Time(
             repeats, [&] { return Html2Ubb(flat, "").size(); }, &sink),
         Time(
             repeats,
             [&] {
               std::string text = compiled[0]->ReplaceAll(flat);
               text = compiled[1]->ReplaceAll(text);
               for (size_t i = 21; i < compiled.size(); ++i) text = compiled[i]->ReplaceAll(text);
               text = open_script.ReplaceAll(text, "&lt;%");
               return close_script.ReplaceAll(text, "%&gt;").size();
             },
             &sink));
  if (sink == 0) std::printf("(nothing measured)\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  RunSize(1 << 20, repeats * 4);
  RunSize(10 << 20, repeats);
  return 0;
}
