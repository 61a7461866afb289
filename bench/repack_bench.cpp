// The re-packer against Debian's command-line tools on the same archive.
//
// The source is a zip (made by `zip -r`) of 2,000 files, 100 MB in all,
// in 20 folders; the files are text-like, so deflate has work to do. Two
// jobs, each timed end to end on the same file:
//   zip   RedoZipFile with ZipMode: unpack, clean, pack as zip (deflate);
//         reference: `unzip -q` into a folder, then `zip -qrm` of it.
//   rar   RedoZipFile packing as RAR through our Rar.exe (stored entries);
//         reference: `unzip -q`, then `zip -0 -qrm` (stored as well).
// The tools are started without a shell, as the re-packer starts Rar.exe.
// Each side runs `rounds` times, interleaved; the best run counts. The
// ratio is ours / reference: at most 1 means we are not slower.
//
//   bench_repack [rounds]     default 3
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/fs/path_map.h"
#include "transfer/redo_zip_file.h"

extern char** environ;

using namespace ostrel;
namespace stdfs = std::filesystem;

namespace {

constexpr int kFolders = 20;
constexpr int kFilesPerFolder = 100;
constexpr size_t kFileBytes = 50 * 1024;

bool Run(std::vector<std::string> argv, const std::string& folder) {
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  pid_t pid;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Words drawn from a small vocabulary with numbers between them: text a
// download holds (readmes, scripts, data) compresses about 3:1 this way.
void MakePayload(const stdfs::path& root) {
  static const char* kWords[] = {"setup",  "软件",  "install", "version", "下载",
                                 "config", "file",  "data",    "ostrel",  "window",
                                 "path",   "value", "说明",    "update"};
  uint32_t x = 12345;
  for (int f = 0; f < kFolders; ++f) {
    stdfs::create_directories(root / ("dir" + std::to_string(f)));
    for (int i = 0; i < kFilesPerFolder; ++i) {
      std::string text;
      while (text.size() < kFileBytes) {
        x = x * 1103515245 + 12345;
        text += kWords[(x >> 16) % 14];
        text += ' ';
        text += std::to_string((x >> 8) % 100000);
        text += (x % 7 == 0) ? "\r\n" : " ";
      }
      text.resize(kFileBytes);
      std::ofstream(root / ("dir" + std::to_string(f)) / ("file" + std::to_string(i) + ".txt"),
                    std::ios::binary)
          << text;
    }
  }
}

double Seconds(const std::function<bool()>& job) {
  auto start = std::chrono::steady_clock::now();
  if (!job()) {
    std::fprintf(stderr, "a job failed\n");
    std::exit(1);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  stdfs::path base =
      stdfs::temp_directory_path() / ("ostrel-repack-bench-" + std::to_string(getpid()));
  stdfs::create_directories(base / "save");
  stdfs::create_directories(base / "unzip");
  MakePayload(base / "payload");
  std::string source = (base / "source.zip").string();
  if (!Run({"zip", "-qr", source, "."}, (base / "payload").string())) {
    std::fprintf(stderr, "needs Debian's zip and unzip\n");
    return 1;
  }
  stdfs::remove_all(base / "payload");
  std::printf("source: %s, %llu bytes, %d files of %zu bytes\n", source.c_str(),
              static_cast<unsigned long long>(stdfs::file_size(source)), kFolders * kFilesPerFolder,
              kFileBytes);

  auto ours = [&](bool zip_mode) {
    transfer::RedoZipFile r;
    r.SetZipMode(zip_mode);
    r.SetZipTimeout(0);
    r.SetExegesisFile("");
    r.SetDelSource(false);
    r.SetUpdateZip(true);
    r.SetRarPath(fs::ToWindows(std::string(OSTREL_BINARY_DIR) + "/tools/rar/"));
    r.SetSavePath(fs::ToWindows((base / "save").string()));
    r.SetUnzipPath(fs::ToWindows((base / "unzip").string()));
    bool ok = r.RehandleFile(fs::ToWindows(source));
    if (!ok) std::fprintf(stderr, "RehandleFile: %d %s\n", r.errcode, r.Description().c_str());
    return ok;
  };
  auto reference = [&](const char* level) {
    stdfs::path work = base / "ref";
    stdfs::path target = base / "save" / "ref.zip";
    stdfs::remove(target);
    bool ok = Run({"unzip", "-q", "-o", source, "-d", work.string()}, base.string()) &&
              Run({"zip", level, "-qrm", target.string(), "."}, work.string());
    stdfs::remove_all(work);
    return ok;
  };

  struct Job {
    const char* name;
    std::function<bool()> ours, reference;
    double best_ours = 1e9, best_reference = 1e9;
  } jobs[] = {
      {"zip", [&] { return ours(true); }, [&] { return reference("-6"); }},
      {"rar", [&] { return ours(false); }, [&] { return reference("-0"); }},
  };
  for (int round = 0; round < rounds; ++round) {
    for (auto& job : jobs) {
      job.best_ours = std::min(job.best_ours, Seconds(job.ours));
      job.best_reference = std::min(job.best_reference, Seconds(job.reference));
    }
  }
  for (const auto& job : jobs) {
    std::printf("%-4s ours %.3f s  unzip+zip %.3f s  ratio %.2f\n", job.name, job.best_ours,
                job.best_reference, job.best_ours / job.best_reference);
  }
  std::printf("results: zip %llu bytes, rar %llu bytes\n",
              static_cast<unsigned long long>(stdfs::file_size(base / "save" / "source.zip")),
              static_cast<unsigned long long>(stdfs::file_size(base / "save" / "source.rar")));
  stdfs::remove_all(base);
  return 0;
}
