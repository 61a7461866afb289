// The host's console lines under a run whose fetches keep failing:
// ConsoleBursts against the reference run in the same process, one line
// per failure as written before bursts were bounded. Time is scaled: the
// quiet interval is Q ms (the host's is one second) and a "minute" is 60 Q,
// ticked every Q as the host's main thread does. Each shape writes N lines
// (a slow remote's, 60) in that minute; the bench checks that every failure
// is shown or counted and prints lines, bytes and their ratio to the
// reference.
//
//   bench_console [N] [Q ms]      (default 100000 lines, Q = 20 ms)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "host/console_bursts.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Output {
  unsigned long long lines = 0, whole = 0, counted = 0, bytes = 0;
};

// Reads back what was written: a count line adds its count, any other line
// one.
Output Read(const char* text, size_t size) {
  Output out;
  out.bytes = size;
  const char* p = text;
  const char* end = text + size;
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', end - p));
    if (nl == nullptr) nl = end;
    const std::string line(p, nl);
    ++out.lines;
    unsigned long long n = 0;
    if (line.find(" more failed fetches, the last: ") != std::string::npos &&
        std::sscanf(line.c_str(), "ostrel-host: %llu more", &n) == 1) {
      out.counted += n;
    } else {
      ++out.whole;
    }
    p = nl + 1;
  }
  return out;
}

// Writes n failures over 60 quiet intervals: in bursts of burst lines, each
// followed by a pause. bounded=false writes each line as the host did
// before (the reference).
Output Shape(bool bounded, long n, long burst, Clock::duration pause, Clock::duration quiet) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  {
    ostrel::host::ConsoleBursts lines(out, "ostrel-host: ", "failed fetches", 20, quiet);
    std::atomic<bool> done{false};
    std::thread ticker([&] {
      while (!done) {
        std::this_thread::sleep_for(quiet);
        lines.Tick();
      }
    });
    Clock::time_point next = Clock::now();
    for (long i = 0; i < n; ++i) {
      const std::string failure =
          "fetch answered 404: http://127.0.0.1:8080/list_" + std::to_string(i + 4) + ".html";
      if (bounded) {
        lines.Write(failure);
      } else {
        std::fprintf(out, "ostrel-host: %s\n", failure.c_str());
        std::fflush(out);
      }
      if ((i + 1) % burst == 0) {
        next += pause;
        std::this_thread::sleep_until(next);
      }
    }
    done = true;
    ticker.join();
    lines.Flush();
  }
  std::fclose(out);
  Output read = Read(text, size);
  std::free(text);
  if (read.whole + read.counted != static_cast<unsigned long long>(n)) {
    std::fprintf(stderr, "bench_console: %llu shown + %llu counted, not %ld\n", read.whole,
                 read.counted, n);
    std::exit(1);
  }
  return read;
}

}  // namespace

int main(int argc, char** argv) {
  const long n = argc > 1 ? std::atol(argv[1]) : 100000;
  const auto quiet = std::chrono::milliseconds(argc > 2 ? std::atoi(argv[2]) : 20);
  const Clock::duration minute = quiet * 60;
  struct {
    const char* name;
    long n, burst;
    Clock::duration pause;
  } shapes[] = {
      // The same number of failures every millisecond-ish, over the minute.
      {"spread evenly", n, std::max(1L, n / 6000), minute / 6000},
      // A client's worst spacing: each burst as fast as it can, then just
      // over a quiet interval, so that every burst starts a new one.
      {"bursts with quiet gaps", n, std::max(1L, n / 60), quiet + quiet / 10},
      // A slow remote: each fetch fails by its deadline, after a quiet
      // interval, so every failure is shown whole.
      {"one each quiet interval", 60, 1, quiet + quiet / 10},
  };
  std::printf("%ld failures in a minute of 60 quiet intervals of %lld ms\n", n,
              static_cast<long long>(quiet.count()));
  std::printf("%-24s %10s %10s %12s %12s %9s\n", "shape", "lines", "ref lines", "bytes",
              "ref bytes", "bytes/ref");
  for (const auto& shape : shapes) {
    const Output ref = Shape(false, shape.n, shape.burst, shape.pause, quiet);
    const Output got = Shape(true, shape.n, shape.burst, shape.pause, quiet);
    std::printf("%-24s %10llu %10llu %12llu %12llu %9.5f\n", shape.name, got.lines, ref.lines,
                got.bytes, ref.bytes, static_cast<double>(got.bytes) / ref.bytes);
  }
  return 0;
}
