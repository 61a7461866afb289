// Download throughput: Downloader copies a 256 MB file from a local HTTP
// server and a local FTP server with Progress on, every GetData event
// counted, against `curl -o` fetching the same file in the same run.
// Prints, per protocol, throughput and CPU per MB as ratios to curl and the
// growth of the peak resident set while the downloader ran.
//
//   bench_download [megabytes]        (default 256)
//
// Both servers run in processes of their own, so the CPU time measured for
// each side is its own: the HTTP server is a forked child that answers with
// sendfile, the FTP server is python3-pyftpdlib (sendfile as well).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/asp/memory_sink.h"
#include "platform/asp/request_context.h"
#include "platform/fs/path_map.h"
#include "platform/net/fetch_limits.h"
#include "support/ftp_server.h"
#include "transfer/downloader.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
namespace sfs = std::filesystem;

struct Run {
  double seconds = 0;
  double cpu_seconds = 0;
};

double CpuSeconds(const rusage& usage) {
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The peak resident set of this process so far, in kilobytes.
long PeakRssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

// A minimal HTTP server in a child process: every request gets the file,
// sent with sendfile. Returns the child's process id; *port is its port.
pid_t StartHttpServer(const std::string& file, uint16_t* port) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 16) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    perror("bench http server");
    std::exit(1);
  }
  *port = ntohs(address.sin_port);
  pid_t pid = fork();
  if (pid != 0) {
    close(listener);
    return pid;
  }
  struct stat st {};
  stat(file.c_str(), &st);
  for (;;) {
    int client = accept(listener, nullptr, nullptr);
    if (client < 0) continue;
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
      ssize_t n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      head.append(buffer, static_cast<size_t>(n));
    }
    std::string answer =
        "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
        "Content-Length: " +
        std::to_string(st.st_size) + "\r\nConnection: close\r\n\r\n";
    if (send(client, answer.data(), answer.size(), MSG_NOSIGNAL) > 0) {
      int fd = open(file.c_str(), O_RDONLY);
      off_t offset = 0;
      while (offset < st.st_size) {
        if (sendfile(client, fd, &offset, static_cast<size_t>(st.st_size - offset)) <= 0) break;
      }
      close(fd);
    }
    close(client);
  }
}

Run RunCurl(const std::string& url, const std::string& out) {
  std::vector<std::string> args = {"curl", "-s", "-o", out, url};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "cannot run curl\n");
    std::exit(1);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Run run;
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.cpu_seconds = CpuSeconds(usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "curl failed on %s\n", url.c_str());
    std::exit(1);
  }
  return run;
}

// Starts the peak resident set again from the current one (Linux 4.0+).
void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

Run RunDownloader(const std::string& url, const std::string& folder, int64_t expected_bytes,
                  long* rss_growth_kb) {
  ResetPeakRss();
  long rss_before = PeakRssKb();
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  auto start = Clock::now();
  int64_t events = 0;
  int64_t last_progress = 0;
  {
    ostrel::transfer::Downloader down;
    down.GetData.Connect([&](int32_t& progress, int32_t&, std::string&) {
      ++events;
      last_progress = progress;
    });
    down.url(url);
    down.Progress(true);
    down.UnsealDown(true);
    down.InceptExt("");
    down.SaveFilePath(ostrel::fs::ToWindows(folder));
    down.Execute();
    if (down.ErrNumber != 0 || !down.StartDownLoad()) {
      std::fprintf(stderr, "Downloader failed on %s: %s\n", url.c_str(),
                   down.Description().c_str());
      std::exit(1);
    }
  }
  Run run;
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  run.cpu_seconds = CpuSeconds(after) - CpuSeconds(before);
  *rss_growth_kb = std::max(*rss_growth_kb, PeakRssKb() - rss_before);
  int64_t blocks = expected_bytes / 5120 + 1;  // the last one short or empty
  if (events != blocks || last_progress != expected_bytes) {
    std::fprintf(stderr, "events: %lld, expected %lld\n", static_cast<long long>(events),
                 static_cast<long long>(blocks));
    std::exit(1);
  }
  return run;
}

void Report(const char* protocol, double megabytes, const std::vector<Run>& curl,
            const std::vector<Run>& ours, long rss_growth_kb) {
  auto best = [](const std::vector<Run>& runs, auto field) {
    double value = runs[0].*field;
    for (const Run& r : runs) value = std::min(value, r.*field);
    return value;
  };
  double curl_s = best(curl, &Run::seconds), ours_s = best(ours, &Run::seconds);
  double curl_cpu = best(curl, &Run::cpu_seconds), ours_cpu = best(ours, &Run::cpu_seconds);
  std::printf(
      "%-4s curl %7.0f MB/s %6.2f ms CPU/MB | Downloader %7.0f MB/s %6.2f ms CPU/MB | "
      "throughput %.2fx curl, CPU/MB %.2fx curl, peak RSS +%.1f MB\n",
      protocol, megabytes / curl_s, curl_cpu * 1000 / megabytes, megabytes / ours_s,
      ours_cpu * 1000 / megabytes, curl_s / ours_s, ours_cpu / curl_cpu,
      static_cast<double>(rss_growth_kb) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 256;
  const int64_t bytes = megabytes * 1024 * 1024;
  const int kRounds = 3;

  sfs::path root =
      sfs::temp_directory_path() / ("ostrel-bench-download-" + std::to_string(getpid()));
  sfs::create_directories(root / "serve");
  sfs::create_directories(root / "out");
  const std::string source = (root / "serve" / "big.bin").string();
  {
    std::ofstream file(source, std::ios::binary);
    std::string chunk(1 << 20, '\0');
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>('a' + i % 26);
    for (int64_t i = 0; i < megabytes; ++i)
      file.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  }

  uint16_t http_port = 0;
  pid_t http_pid = StartHttpServer(source, &http_port);
  int result = 0;
  {
    ostrel::testing::FtpServer ftp(root / "serve");
    ostrel::net::FetchLimits limits = ostrel::net::GetFetchLimits();
    limits.allow_private = true;  // the servers are on loopback
    ostrel::net::SetFetchLimits(limits);

    // The page request whose browser the transfer watches.
    auto sink = std::make_shared<ostrel::asp::MemorySink>();
    ostrel::asp::RequestContext context(
        std::make_shared<ostrel::asp::Request>(ostrel::asp::RequestInput{}),
        std::make_shared<ostrel::asp::Response>(sink),
        std::make_shared<ostrel::asp::Server>("C:" + root.string(), "/admin/a.asp"),
        std::make_shared<ostrel::asp::Session>("bench"),
        std::make_shared<ostrel::asp::Application>());
    ostrel::asp::ContextScope scope(context);

    const std::string http_url = "http://127.0.0.1:" + std::to_string(http_port) + "/big.bin";
    const std::string ftp_url = "ftp://u:p@" + ftp.Host() + "/big.bin";
    const std::string out = (root / "out").string();
    for (const auto& [protocol, url] : {std::pair{"HTTP", http_url}, std::pair{"FTP", ftp_url}}) {
      std::vector<Run> curl, ours;
      long rss_growth_kb = 0;
      // One run of each to warm the page cache and the servers.
      RunCurl(url, out + "/curl.bin");
      sfs::remove(out + "/curl.bin");
      for (int round = 0; round < kRounds; ++round) {
        curl.push_back(RunCurl(url, out + "/curl.bin"));
        sfs::remove(out + "/curl.bin");
        ours.push_back(RunDownloader(url, out, bytes, &rss_growth_kb));
        if (sfs::file_size(out + "/big.bin") != static_cast<uintmax_t>(bytes)) result = 1;
        sfs::remove(out + "/big.bin");
      }
      Report(protocol, static_cast<double>(megabytes), curl, ours, rss_growth_kb);
    }
  }
  kill(http_pid, SIGTERM);
  waitpid(http_pid, nullptr, 0);
  sfs::remove_all(root);
  return result;
}
