#include "host/console_bursts.h"

#include <utility>

namespace ostrel::host {

ConsoleBursts::ConsoleBursts(std::FILE* out, std::string prefix, std::string what, int burst_lines,
                             Clock::duration quiet)
    : out_(out),
      prefix_(std::move(prefix)),
      what_(std::move(what)),
      burst_lines_(burst_lines),
      quiet_(quiet) {}

void ConsoleBursts::Write(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  const Clock::time_point now = Clock::now();
  std::lock_guard lock(mu_);
  if (!any_ || now - last_line_ >= quiet_) {
    // A new burst: what the last one still counts goes first.
    WriteCount();
    written_ = 0;
  }
  any_ = true;
  last_line_ = now;
  if (written_ < burst_lines_) {
    ++written_;
    std::fprintf(out_, "%s%s\n", prefix_.c_str(), line.c_str());
    std::fflush(out_);
    return;
  }
  if (counted_ == 0) counting_since_ = now;
  ++counted_;
  last_counted_ = std::move(line);
  if (now - counting_since_ >= quiet_) WriteCount();
}

void ConsoleBursts::Tick() {
  const Clock::time_point now = Clock::now();
  std::lock_guard lock(mu_);
  if (counted_ > 0 && (now - counting_since_ >= quiet_ || now - last_line_ >= quiet_)) {
    WriteCount();
  }
}

void ConsoleBursts::Flush() {
  std::lock_guard lock(mu_);
  WriteCount();
}

void ConsoleBursts::WriteCount() {
  if (counted_ == 0) return;
  std::fprintf(out_, "%s%llu more %s, the last: %s\n", prefix_.c_str(), counted_, what_.c_str(),
               last_counted_.c_str());
  std::fflush(out_);
  counted_ = 0;
  last_counted_.clear();
}

ConsoleBursts& FetchFailureLines() {
  static auto* lines = new ConsoleBursts(stderr, "ostrel-host: ", "failed fetches");
  return *lines;
}

ConsoleBursts& PageFailureLines() {
  static auto* lines = new ConsoleBursts(stderr, "ostrel-host: ", "failed pages");
  return *lines;
}

ConsoleBursts& RequestFailureLines() {
  static auto* lines = new ConsoleBursts(stderr, "ostrel-host: ", "failed requests");
  return *lines;
}

void TickConsoleLines() {
  for (ConsoleBursts* lines : {&FetchFailureLines(), &PageFailureLines(), &RequestFailureLines()}) {
    lines->Tick();
  }
}

void FlushConsoleLines() {
  for (ConsoleBursts* lines : {&FetchFailureLines(), &PageFailureLines(), &RequestFailureLines()}) {
    lines->Flush();
  }
}

}  // namespace ostrel::host
