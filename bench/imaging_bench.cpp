// The cost of marking a gathered picture through ImageMark against
// ImageMagick doing the same composite on the same file.
//
// The picture is a 2000 x 1500 JPEG. Two jobs, each as the watermark hook
// sets ImageMark up (no preview, mark at the bottom right):
//   text     a Chinese text mark, drawn with the font our text layer picks
//            for it (ImageMagick is handed the same font file);
//   picture  the fixture mark picture scaled to a 120 x 40 box at half
//            opacity.
// Both sides decode the JPEG, draw, and encode at quality 85. ImageMagick
// runs as its command-line tools (started without a shell, as a site would
// start them), so its time includes starting the process. Each side runs
// `rounds` times, interleaved; the best run counts. The ratio is ours /
// ImageMagick: below 1 means ImageMark is faster.
//
// ImageMagick is looked up on PATH (magick, else convert and composite);
// wrapper scripts are passed over so the real program is timed. Without it
// the comparison is skipped and only our times are printed.
//
//   bench_imaging [rounds]     default 5
#include <gd.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "imaging/image_mark.h"
#include "platform/fs/path_map.h"
#include "platform/image/picture.h"

extern char** environ;

using namespace ostrel;

namespace {

constexpr int kWidth = 2000;
constexpr int kHeight = 1500;
constexpr int kQuality = 85;
constexpr int kMargin = 2;

constexpr char kText[] = "采集水印 Ostrel";
constexpr int kFontSize = 40;
constexpr int kTextBoxWidth = 400;
constexpr int kTextBoxHeight = 60;

constexpr int kMarkBoxWidth = 120;
constexpr int kMarkBoxHeight = 40;
constexpr int kOpacityPercent = 50;

namespace sfs = std::filesystem;

double Seconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A photograph-like picture: smooth gradients with some grain, so the JPEG
// has a realistic size.
void WriteSourcePicture(const std::string& path) {
  gdImagePtr im = gdImageCreateTrueColor(kWidth, kHeight);
  uint32_t seed = 12345;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1103515245u + 12345u;
      int grain = static_cast<int>((seed >> 16) % 24) - 12;
      int r = std::clamp(x * 255 / kWidth + grain, 0, 255);
      int g = std::clamp(y * 255 / kHeight + grain, 0, 255);
      int b = std::clamp(128 + ((x + y) % 200) / 2 + grain - 50, 0, 255);
      gdImageSetPixel(im, x, y, gdTrueColor(r, g, b));
    }
  }
  int size = 0;
  void* data = gdImageJpegPtr(im, &size, kQuality);
  std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), size);
  gdFree(data);
  gdImageDestroy(im);
}

// The real program of that name on PATH: an ELF file, not a wrapper script.
std::optional<std::string> FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + name;
    start = end + 1;
    if (::access(candidate.c_str(), X_OK) != 0) continue;
    char head[4] = {};
    std::ifstream(candidate, std::ios::binary).read(head, 4);
    if (std::string(head, 4) ==
        "\x7f"
        "ELF")
      return candidate;
  }
  return std::nullopt;
}

// Runs a program with its arguments, no shell; true when it exits with 0.
bool Run(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One ImageMark set up as the watermark hook sets it.
void MarkWithImageMark(int component, bool text, const std::string& picture,
                       const std::string& mark_picture) {
  imaging::ImageMark mark;
  std::string windows = fs::ToWindows(picture);
  vb::Variant name(windows);
  vb::Variant ext(mark.GetFileExt(windows));
  vb::Variant preview(mark.GetFilePath(windows) + mark.JPGFileName(windows));
  mark.MakePreview(false);
  mark.PreviewType(component);
  mark.DrawImageWidth(text ? kTextBoxWidth : kMarkBoxWidth);
  mark.DrawImageHeight(text ? kTextBoxHeight : kMarkBoxHeight);
  mark.DrawGraph(vb::Currency{kOpacityPercent * 100});
  mark.DrawFontColor("#FF0000");
  mark.DrawFontFamily("Arial");
  mark.DrawFontSize(kFontSize);
  mark.DrawFontBold(false);
  mark.DrawInfo(text ? kText : fs::ToWindows(mark_picture));
  mark.DrawType(text ? 1 : 2);
  mark.DrawXYType(4);
  mark.DrawSizeType(0);
  mark.CreateView(name, preview, ext);
  if (mark.ErrCodes != 0) {
    std::fprintf(stderr, "ImageMark: %s\n", mark.Description().c_str());
    std::exit(1);
  }
}

struct Tools {
  std::vector<std::string> convert;    // the program (and sub-command) for convert
  std::vector<std::string> composite;  // for composite
};

std::optional<Tools> FindImageMagick() {
  if (auto magick = FindProgram("magick")) return Tools{{*magick}, {*magick, "composite"}};
  auto convert = FindProgram("convert");
  auto composite = FindProgram("composite");
  if (convert && composite) return Tools{{*convert}, {*composite}};
  return std::nullopt;
}

std::vector<std::string> TextCommand(const Tools& tools, const std::string& in,
                                     const std::string& out, const std::string& font) {
  std::vector<std::string> argv = tools.convert;
  const int x = kWidth - kTextBoxWidth - kMargin;
  const int y = kHeight - kTextBoxHeight - kMargin;
  for (std::string arg :
       {in, std::string("-font"), font, std::string("-pointsize"), std::to_string(kFontSize),
        std::string("-fill"), std::string("#FF0000"), std::string("-gravity"),
        std::string("NorthWest"), std::string("-annotate"),
        "+" + std::to_string(x) + "+" + std::to_string(y), std::string(kText),
        std::string("-quality"), std::to_string(kQuality), out}) {
    argv.push_back(arg);
  }
  return argv;
}

std::vector<std::string> PictureCommand(const Tools& tools, const std::string& in,
                                        const std::string& out, const std::string& mark) {
  std::vector<std::string> argv = tools.composite;
  const int x = kWidth - kMarkBoxWidth - kMargin;
  const int y = kHeight - kMarkBoxHeight - kMargin;
  std::string geometry = std::to_string(kMarkBoxWidth) + "x" + std::to_string(kMarkBoxHeight) +
                         "!+" + std::to_string(x) + "+" + std::to_string(y);
  for (std::string arg :
       {std::string("-dissolve"), std::to_string(kOpacityPercent), std::string("-geometry"),
        geometry, mark, in, std::string("-quality"), std::to_string(kQuality), out}) {
    argv.push_back(arg);
  }
  return argv;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  char templ[] = "/tmp/ostrel-bench-imaging-XXXXXX";
  if (::mkdtemp(templ) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const sfs::path dir = templ;
  const std::string source = (dir / "source.jpg").string();
  const std::string work = (dir / "work.jpg").string();
  const std::string theirs = (dir / "theirs.jpg").string();
  const std::string mark = (dir / "mark.png").string();
  WriteSourcePicture(source);
  sfs::copy_file(sfs::path(OSTREL_SOURCE_DIR) / "tests/fixtures/images/mark.png", mark);

  image::TextStyle style;
  style.size = kFontSize;
  const std::string font = image::Picture::FontFileFor(kText, style);
  std::optional<Tools> tools = FindImageMagick();

  std::printf("Marking a %d x %d JPEG (%ju bytes), best of %d rounds\n", kWidth, kHeight,
              static_cast<uintmax_t>(sfs::file_size(source)), rounds);
  if (!tools) std::printf("ImageMagick not found on PATH: the comparison is skipped\n");

  struct Job {
    const char* name;
    bool text;
    int component;
  };
  const Job jobs[] = {{"text, Persits.Jpeg", true, 1},
                      {"text, SoftArtisans.ImageGen", true, 2},
                      {"picture, Persits.Jpeg", false, 1},
                      {"picture, SoftArtisans.ImageGen", false, 2}};
  std::printf("%-32s %10s %12s %8s\n", "job", "ours (ms)", "ImageMagick", "ratio");
  for (const Job& job : jobs) {
    double ours = 1e9, reference = 1e9;
    for (int round = 0; round < rounds; ++round) {
      sfs::copy_file(source, work, sfs::copy_options::overwrite_existing);
      ours =
          std::min(ours, Seconds([&] { MarkWithImageMark(job.component, job.text, work, mark); }));
      if (!tools) continue;
      std::vector<std::string> command = job.text ? TextCommand(*tools, source, theirs, font)
                                                  : PictureCommand(*tools, source, theirs, mark);
      bool ok = true;
      reference = std::min(reference, Seconds([&] { ok = Run(command); }));
      if (!ok) {
        std::printf("ImageMagick failed (%s): the comparison is skipped\n", command[0].c_str());
        tools.reset();
      }
    }
    if (tools) {
      std::printf("%-32s %10.1f %12.1f %8.2f\n", job.name, ours * 1e3, reference * 1e3,
                  ours / reference);
    } else {
      std::printf("%-32s %10.1f %12s %8s\n", job.name, ours * 1e3, "-", "-");
    }
  }
  if (tools)
    std::printf("ImageMagick: %s (text font %s)\n", tools->convert[0].c_str(), font.c_str());

  std::error_code ec;
  sfs::remove_all(dir, ec);
  return 0;
}
