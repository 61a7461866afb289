// The clean-up's reference search: which of a channel's upload files occur
// in the text of its references. NameMatcher (one pass over the text for
// all names) against the reference run in the same process: a search of
// the whole text per name, as a file-by-file walk does (the text folded
// once, then one InStr per folded name). Both must find the same names. Prints each time and
// per-name/matcher (how many times faster the one pass is).
//
//   bench_cleanup [files] [text MB]      (default 3000 files, 8 MB)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "maintenance/name_matcher.h"
#include "platform/vb/strings.h"
#include "platform/vb/utf8.h"

namespace {

double Seconds(const std::chrono::steady_clock::time_point& since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::atoi(argv[1]) : 3000;
  const size_t text_bytes = (argc > 2 ? std::atoi(argv[2]) : 8) << 20;
  // Names as the gathering draws them (date, time, a number); every other
  // one is referenced from an article text among ordinary markup.
  std::vector<std::string> names;
  for (int i = 0; i < files; ++i) {
    names.push_back("2005" + std::to_string(100000000 + i * 7919) + ".jpg");
  }
  std::string text;
  for (int i = 0; text.size() < text_bytes; ++i) {
    text += "<p>新闻正文 paragraph text with <a href=\"/article/list.asp?id=" + std::to_string(i) +
            "\">a link</a> and more words to read.</p>";
    if (i % 4 == 0 && (i / 4) % 2 == 0 && i / 4 < files) {
      text += "<img src=\"/article/UploadPic/2005-8/" + names[i / 4] + "\">|";
    }
  }

  auto start = std::chrono::steady_clock::now();
  ostrel::maintenance::NameMatcher matcher(names);
  matcher.Feed(text);
  const double one_pass = Seconds(start);

  start = std::chrono::steady_clock::now();
  std::vector<bool> per_name;
  const std::string folded = ostrel::vb::FoldText(text);
  for (const std::string& name : names) {
    per_name.push_back(ostrel::vb::InStr(folded, ostrel::vb::FoldText(name)) > 0);
  }
  const double reference = Seconds(start);

  if (per_name != matcher.found()) {
    std::fprintf(stderr, "bench_cleanup: the two searches disagree\n");
    return 1;
  }
  std::printf("%d files, %.1f MB of references\n", files, text.size() / 1048576.0);
  std::printf("NameMatcher (one pass)  %8.3f s\n", one_pass);
  std::printf("InStr per name          %8.3f s\n", reference);
  std::printf("per-name / matcher      %8.1fx\n", reference / one_pass);
  return 0;
}
