// Cutting and cleaning throughput on generated list pages of 1 MB and 10 MB
// holding 1,000 article links, each member beside a floor measured in the
// same run: a memmem/memchr scan that finds the same markers the member
// acts on and does nothing else. After the runs a summary gives, per
// member and size, its MB/s, the floor's MB/s and floor/member (how many
// times slower than the floor the member is). GB2312 decoding of the same
// page is reported as well. Each benchmark runs three times (unless
// --benchmark_repetitions says otherwise) and its best run counts. The exit
// status is 1 when CutFixed or FindMatch is more than three times slower
// than its floor.
//
//   bench_cutting [--benchmark_filter=...] [--benchmark_min_time=...]
#include <benchmark/benchmark.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/charset.h"
#include "processing/tag_filter.h"
#include "processing/text_cutting.h"

namespace {

using ostrel::processing::CheckHTML;
using ostrel::processing::CheckMatch;
using ostrel::processing::CutFixed;
using ostrel::processing::FindMatch;
using ostrel::processing::Html2Ubb;
using ostrel::processing::ReplaceTrim;

constexpr size_t kMB = 1 << 20;
constexpr int kLinks = 1000;

// Markers an administrator would copy from such a page.
constexpr std::string_view kListBegin = "<!-- list begins -->";
constexpr std::string_view kListEnd = "<!-- list ends -->";
constexpr std::string_view kLinkBegin = "<a href=\"";
constexpr std::string_view kLinkEnd = "\">";
constexpr std::string_view kAdBegin = "<div class=\"ad\">";
constexpr std::string_view kAdEnd = "</div>";

// Every family on, then the list's tail of unused entries.
constexpr std::string_view kAllFlags = "1|1|1|1|1|1|1|1|1|1|1|1|1|1|1|0|0|0|0|0";

// One row of a news site's list page: CRLF lines, Chinese text, a table
// row with font and span, an advertising block, comments (an empty one
// too), a paragraph with bold text and a picture; now and then a script,
// an inline frame, an embedded object, an applet and a search form. Tags
// are lower case so that a plain memmem finds what the caseless members
// find.
void AppendRow(std::string* page, int i, bool link) {
  std::string n = std::to_string(i);
  std::string title = "第" + n + "条新闻：城市建设与环境保护的新进展";
  *page += "<table><tbody><tr>\r\n\t<th>" + n + "</th><td class=\"t\"><font color=\"#333\">";
  if (link) {
    *page += "<a href=\"/news/" + n + ".html\" target=\"_blank\">" + title + "</a>";
  } else {
    *page += title;
  }
  *page += "</font></td>\r\n\t<td><span class=\"d\">2005-8-8</span></td></tr>\r\n";
  *page += "<!---->\r\n<div class=\"ad\"><ins>广告" + n + "</ins></div><!-- row " + n + " -->\r\n";
  *page += "</tbody></table>\r\n<p>正文段落，包含一些<b>加粗</b>文字和<img src=\"/p/" + n +
           ".jpg\">图片。</p>\r\n";
  if (i % 10 == 0) {
    *page += "<script type=\"text/javascript\">var row = " + n + ";</script>\r\n";
    *page += "<iframe src=\"/ad/" + n + "\" width=\"468\"></iframe>\r\n";
  }
  if (i % 50 == 0) {
    *page += "<object data=\"/f/" + n + ".swf\"></object><applet code=\"T.class\"></applet>\r\n";
    *page += "<form action=\"/search\"><input name=\"q\"></form>\r\n";
  }
}

// A page of about `bytes` bytes holding exactly kLinks links, spread evenly.
std::string MakePage(size_t bytes) {
  std::string sample;
  for (int i = 1; i <= 100; ++i) AppendRow(&sample, i, i % 2 == 0);
  const int rows = std::max<int>(kLinks, static_cast<int>(bytes / (sample.size() / 100)));
  std::string page;
  page.reserve(bytes + bytes / 8);
  page += "<html>\r\n<head><title>新闻列表</title>\r\n";
  page += "<script>var x = 1;</script></head>\r\n<body>\r\n";
  page += std::string(kListBegin) + "<div class=\"list\">\r\n";
  for (int i = 0; i < rows; ++i) {
    // Row i holds a link when i * kLinks / rows steps to a new whole number.
    bool link =
        (static_cast<int64_t>(i) * kLinks) / rows != (static_cast<int64_t>(i + 1) * kLinks) / rows;
    AppendRow(&page, i, link);
  }
  page += "</div>" + std::string(kListEnd) + "\r\n";
  page += "<iframe src=\"/ad\"></iframe></body></html>\r\n";
  return page;
}

// --- The floors: plain scans for the markers, nothing more. ---

size_t FindFrom(std::string_view hay, std::string_view needle, size_t from) {
  if (from > hay.size()) return std::string_view::npos;
  const void* found = memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
  return found == nullptr ? std::string_view::npos
                          : static_cast<size_t>(static_cast<const char*>(found) - hay.data());
}

// Every begin marker with the nearest end marker at least one character past
// it, left to right, each search going on after the last end found.
size_t ScanPairs(std::string_view hay, std::string_view begin, std::string_view end) {
  size_t pairs = 0;
  size_t at = 0;
  for (;;) {
    size_t b = FindFrom(hay, begin, at);
    if (b == std::string_view::npos) return pairs;
    size_t e = FindFrom(hay, end, b + begin.size() + 1);
    if (e == std::string_view::npos) return pairs;
    ++pairs;
    at = e + end.size();
  }
}

size_t ScanAll(std::string_view hay, std::string_view needle) {
  size_t count = 0;
  for (size_t at = FindFrom(hay, needle, 0); at != std::string_view::npos;
       at = FindFrom(hay, needle, at + needle.size())) {
    ++count;
  }
  return count;
}

size_t ScanBytes(std::string_view hay, char c) {
  size_t count = 0;
  const char* p = hay.data();
  const char* end = hay.data() + hay.size();
  while ((p = static_cast<const char*>(memchr(p, c, static_cast<size_t>(end - p)))) != nullptr) {
    ++count;
    ++p;
  }
  return count;
}

size_t ScanControls(std::string_view page) {
  return ScanBytes(page, '\b') + ScanBytes(page, '\t') + ScanBytes(page, '\n') +
         ScanBytes(page, '\r');
}

// The four control bytes, then the comments.
size_t ReplaceTrimFloor(std::string_view page) {
  return ScanControls(page) + ScanPairs(page, "<!--", "-->");
}

// The markers of every tag family, then those of the fixed clean-up.
size_t Html2UbbFloor(std::string_view page) {
  static const std::pair<std::string_view, std::string_view> kPairs[] = {{"<script", "</script>"},
                                                                         {"<iframe", "</iframe>"},
                                                                         {"<object", "</object>"},
                                                                         {"<applet", "</applet>"},
                                                                         {"<div", ">"},
                                                                         {"<font", ">"},
                                                                         {"<span", ">"},
                                                                         {"<a", ">"},
                                                                         {"<img", ">"},
                                                                         {"<form", ">"},
                                                                         {"<", ">"},
                                                                         {"<table", ">"},
                                                                         {"<tr", ">"},
                                                                         {"<td", ">"},
                                                                         {"<th", ">"},
                                                                         {"<!--", "-->"}};
  static const std::string_view kSingles[] = {"</div>",   "</font>", "</span>", "</a>",  "</form>",
                                              "</table>", "</tr>",   "</td>",   "</th>", "<tbody>",
                                              "</tbody>", "<%",      "%>"};
  size_t found = ScanControls(page);
  for (const auto& [begin, end] : kPairs) found += ScanPairs(page, begin, end);
  for (std::string_view marker : kSingles) found += ScanAll(page, marker);
  return found;
}

// --- The pages, made once per size. ---

struct Pages {
  std::string raw;     // as fetched
  std::string flat;    // one line, as the members cut it
  std::string gb2312;  // raw, encoded as the remote site sends it
};

const Pages& PagesOf(size_t bytes) {
  static std::map<size_t, Pages> made;
  auto it = made.find(bytes);
  if (it == made.end()) {
    Pages pages;
    pages.raw = MakePage(bytes);
    pages.flat = ReplaceTrim(pages.raw);
    pages.gb2312 = ostrel::text::Encode(pages.raw, "GB2312");
    it = made.emplace(bytes, std::move(pages)).first;
  }
  return it->second;
}

// --- Registration and the summary. ---

// The members in the order they were registered, for the summary.
struct Case {
  std::string name;
  std::string member;
  size_t size;
};

std::vector<Case>& Cases() {
  static std::vector<Case> cases;
  return cases;
}

std::string SizeLabel(size_t bytes) { return std::to_string(bytes / kMB) + "MB"; }

// Registers name/size (or name/size/floor) running `work` on the page the
// pages selector gives; `work` returns a value that keeps the work alive.
void Register(const std::string& member, bool floor, size_t size,
              const std::string& (*input)(const Pages&),
              std::function<size_t(const std::string&)> work) {
  std::string name = member + "/" + SizeLabel(size) + (floor ? "/floor" : "");
  if (!floor) Cases().push_back(Case{name, member, size});
  benchmark::RegisterBenchmark(
      name.c_str(),
      [input, work](benchmark::State& state, size_t bytes) {
        const std::string& text = input(PagesOf(bytes));
        for (auto _ : state) {
          size_t kept = work(text);
          benchmark::DoNotOptimize(kept);
        }
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                                static_cast<int64_t>(text.size()));
      },
      size)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
}

const std::string& Raw(const Pages& p) { return p.raw; }
const std::string& Flat(const Pages& p) { return p.flat; }
const std::string& Gb2312(const Pages& p) { return p.gb2312; }

// The member and its floor must find the same markers, or the comparison
// means nothing: checked once per size before anything is timed.
bool CheckSameMarkers(size_t size) {
  const Pages& pages = PagesOf(size);
  std::string links = FindMatch(pages.flat, kLinkBegin, kLinkEnd);
  size_t cuts = links.empty() ? 0 : 1 + ScanAll(links, "|||");
  size_t pairs = ScanPairs(pages.flat, kLinkBegin, kLinkEnd);
  bool list = !CutFixed(pages.flat, kListBegin, kListEnd).empty() &&
              ScanPairs(pages.flat, kListBegin, kListEnd) == 1;
  if (cuts != kLinks || pairs != kLinks || !list) {
    std::fprintf(stderr, "page of %s: FindMatch %zu cuts, floor %zu pairs, list cut %s\n",
                 SizeLabel(size).c_str(), cuts, pairs, list ? "found" : "missing");
    return false;
  }
  std::printf("page of %s: %zu bytes, %zu one-line, %zu in GB2312, %d links\n",
              SizeLabel(size).c_str(), pages.raw.size(), pages.flat.size(), pages.gb2312.size(),
              kLinks);
  return true;
}

void RegisterAll(size_t size) {
  Register("ReplaceTrim", false, size, Raw,
           [](const std::string& t) { return ReplaceTrim(t, true).size(); });
  Register("ReplaceTrim", true, size, Raw, ReplaceTrimFloor);

  Register("CutFixed", false, size, Flat,
           [](const std::string& t) { return CutFixed(t, kListBegin, kListEnd).size(); });
  Register("CutFixed", true, size, Flat,
           [](const std::string& t) { return ScanPairs(t, kListBegin, kListEnd); });

  Register("FindMatch", false, size, Flat,
           [](const std::string& t) { return FindMatch(t, kLinkBegin, kLinkEnd).size(); });
  Register("FindMatch", true, size, Flat,
           [](const std::string& t) { return ScanPairs(t, kLinkBegin, kLinkEnd); });

  Register("CheckMatch", false, size, Flat,
           [](const std::string& t) { return CheckMatch(t, kAdBegin, kAdEnd).size(); });
  Register("CheckMatch", true, size, Flat, [](const std::string& t) {
    return ScanAll(t, "\r\n") + ScanPairs(t, kAdBegin, kAdEnd);
  });

  Register("CheckHTML", false, size, Flat,
           [](const std::string& t) { return CheckHTML(t).size(); });
  Register("CheckHTML", true, size, Flat,
           [](const std::string& t) { return ScanPairs(t, "<", ">"); });

  Register("Html2Ubb", false, size, Flat,
           [](const std::string& t) { return Html2Ubb(t, kAllFlags).size(); });
  Register("Html2Ubb", true, size, Flat, Html2UbbFloor);

  Register("Decode GB2312", false, size, Gb2312,
           [](const std::string& t) { return ostrel::text::Decode(t, "GB2312").size(); });
}

// Prints one console line per benchmark, its best repetition (the machine
// may be busy with other work), and keeps that run's throughput for the
// summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  SummaryReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    const Run* best = nullptr;
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      if (best == nullptr || Rate(run) > Rate(*best)) best = &run;
    }
    if (best == nullptr) return;  // the statistics over the repetitions
    ConsoleReporter::ReportRuns({*best});
    mb_per_s_[best->run_name.function_name] = Rate(*best) / kMB;
  }

  // One line per member and size; true when CutFixed and FindMatch stay
  // within three times their floor.
  bool PrintSummary() const {
    bool within = true;
    std::printf("\n%-14s %5s %12s %12s %14s\n", "member", "page", "MB/s", "floor MB/s",
                "floor/member");
    for (const Case& c : Cases()) {
      auto member = mb_per_s_.find(c.name);
      if (member == mb_per_s_.end()) continue;
      auto floor = mb_per_s_.find(c.name + "/floor");
      if (floor == mb_per_s_.end()) {
        std::printf("%-14s %5s %12.1f %12s %14s\n", c.member.c_str(), SizeLabel(c.size).c_str(),
                    member->second, "-", "-");
        continue;
      }
      double ratio = floor->second / member->second;
      bool bounded = c.member == "CutFixed" || c.member == "FindMatch";
      const char* verdict = !bounded       ? ""
                            : ratio <= 3.0 ? "  (limit 3x: ok)"
                                           : "  (limit 3x: OVER)";
      if (bounded && ratio > 3.0) within = false;
      std::printf("%-14s %5s %12.1f %12.1f %13.2fx%s\n", c.member.c_str(),
                  SizeLabel(c.size).c_str(), member->second, floor->second, ratio, verdict);
    }
    return within;
  }

 private:
  static double Rate(const Run& run) {
    auto counter = run.counters.find("bytes_per_second");
    return counter == run.counters.end() ? 0 : counter->second.value;
  }

  std::map<std::string, double> mb_per_s_;
};

}  // namespace

int main(int argc, char** argv) {
  // Three repetitions unless told otherwise; the best one counts.
  std::vector<char*> args(argv, argv + argc);
  static char kRepetitions[] = "--benchmark_repetitions=3";
  bool told = std::any_of(args.begin(), args.end(), [](const char* arg) {
    return std::string_view(arg).starts_with("--benchmark_repetitions");
  });
  if (!told) args.push_back(kRepetitions);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  for (size_t size : {1 * kMB, 10 * kMB}) {
    if (!CheckSameMarkers(size)) return 1;
    RegisterAll(size);
  }
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  bool within = reporter.PrintSummary();
  benchmark::Shutdown();
  return within ? 0 : 1;
}
