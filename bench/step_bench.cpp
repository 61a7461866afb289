// CPU per savenew step of an article run on a long link list against a
// short one: steps at lines 19,000 and up of a 20,000-link list and at
// lines 100 and up of a 2,000-link list, taking turns, every link leading
// to the same article page of about 30 KB on a fixture site on 127.0.0.1.
// Each step runs in-process as the host page runs it and is measured in CPU
// of the requesting thread (user and system). A step that stores an article
// should cost the same wherever its line stands in the list.
//
//   bench_step [--rounds N] [--steps M]   default 5 rounds of 40 steps each
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "article_admin.h"
#include "platform/text/charset.h"
#include "support/http_server.h"

using namespace ostrel;

namespace {

namespace stdfs = std::filesystem;

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The article every link leads to: the same long content under a title of
// its own (the link's query), GB2312.
std::string Article(std::string_view query) {
  std::string page = "<html><head><title>文章</title></head><body>\r\n<h1 class=\"title\">文章 " +
                     std::string(query) + "</h1>\r\n<div class=\"content\">\r\n";
  for (int n = 1; page.size() < 30000; ++n) {
    page += "<p>第 " + std::to_string(n) + " 段：采集步骤的耗费与它在列表中的位置无关。</p>\r\n";
  }
  page += "</div><!--/content-->\r\n</body></html>\r\n";
  return text::Encode(page, "GB2312");
}

// A site folder with its database, a link list of `links` lines, and one
// session, as a run leaves them after its start.
class ListRun {
 public:
  ListRun(const stdfs::path& dir, const std::string& article, int links)
      : admin_(dir,
               {.RemoteListUrl = article,
                .FindListCode = "<ul>$$$</ul>$$$<a href=\"$$$\"",
                .FindInfoCode = "<h1 class=\"title\">$$$</h1>$$$<div class=\"content\">$$$</div>"
                                "<!--/content-->" +
                                // Every code after the content unset.
                                bench::UnsetCodes(22)}) {
    std::string list;
    for (int n = 0; n < links; ++n) {
      if (n > 0) list += "\r\n";
      list += article + "?n=" + std::to_string(n);
    }
    std::ofstream(dir / "admin" / "tmpNewslist1.dat", std::ios::binary) << list;
    admin_.session().SetItem("SucceedCount", vb::Variant(int32_t{0}));
  }

  // The CPU of the step at line `line`; false in stored when it stored
  // nothing.
  double Step(int line, bool& stored) {
    const double start = ThreadCpuSeconds();
    const std::string page =
        admin_.Page("action=savenew&ChannelID=1&ItemID=1&D=1&page=" + std::to_string(line));
    const double cpu = ThreadCpuSeconds() - start;
    stored = page.find("txt1.innerHTML='采集成功'") != std::string::npos;
    return cpu;
  }

 private:
  bench::ArticleAdmin admin_;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 5;
  int steps = 40;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view arg = argv[i];
    if (arg == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
    if (arg == "--steps") steps = std::max(1, std::atoi(argv[i + 1]));
  }
  bench::AllowLoopbackFetches();
  testing::HttpServer site;
  site.Route("/news/a.htm", [](const testing::HttpRequest& request) {
    const std::string_view target = request.target;
    return testing::HttpAnswer::Page(Article(target.substr(target.find('?') + 1)), "text/html");
  });
  const std::string article = site.Url("/news/a.htm");

  const stdfs::path root =
      stdfs::temp_directory_path() / ("ostrel-step-bench-" + std::to_string(::getpid()));
  ListRun long_run(root / "long", article, 20000);
  ListRun short_run(root / "short", article, 2000);
  bool stored = false;
  bool all_stored = true;
  // The first step of each list builds what the later ones reuse.
  long_run.Step(18999, stored);
  short_run.Step(99, stored);

  std::vector<double> ratios, long_steps, short_steps;
  int line = 0;
  for (int r = 0; r < rounds; ++r) {
    double long_cpu = 0;
    double short_cpu = 0;
    for (int s = 0; s < steps; ++s, ++line) {
      const double l = long_run.Step(19000 + line, stored);
      all_stored = all_stored && stored;
      const double h = short_run.Step(100 + line, stored);
      all_stored = all_stored && stored;
      long_cpu += l;
      short_cpu += h;
      long_steps.push_back(l);
      short_steps.push_back(h);
    }
    ratios.push_back(long_cpu / short_cpu);
  }
  std::printf(
      "CPU per step: line ~19,000 of 20,000 links %.3f ms, line ~100 of 2,000 links %.3f ms "
      "(medians of %zu steps)\n",
      Median(long_steps) * 1000, Median(short_steps) * 1000, long_steps.size());
  std::printf("long list / short list: %.3f (median of %d rounds of %d steps each)%s\n",
              Median(ratios), rounds, steps, all_stored ? "" : "  SOME STEPS STORED NOTHING");
  site.Stop();
  std::error_code ec;
  stdfs::remove_all(root, ec);
  return all_stored ? 0 : 1;
}
