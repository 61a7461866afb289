// ConsoleBursts: lines of one kind (failed fetches, failed pages) written
// to the console with their bursts bounded. A run whose fetches all fail (a
// paged list typed far past the site's last page), or a client asking a
// failing page again and again, would otherwise write one line per
// failure, megabytes into a service manager's journal.
//
// A burst is a run of lines with no quiet second between them. Its first
// burst_lines lines are written whole; after them, the lines are counted,
// and one line at most a second says how many more there were and gives
// the last of them. No line is dropped without being counted: what is
// still counted when a burst goes quiet is written by Tick, by the next
// line, or by Flush.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace ostrel::host {

class ConsoleBursts {
 public:
  using Clock = std::chrono::steady_clock;

  // Each written line is prefix + its text + "\n". what names the lines in
  // the count ("failed fetches": "... 1234 more failed fetches, the last:
  // ...").
  ConsoleBursts(std::FILE* out, std::string prefix, std::string what, int burst_lines = 20,
                Clock::duration quiet = std::chrono::seconds(1));

  // One line; its control characters become blanks, so it stays one line.
  void Write(std::string_view text);

  // Writes what has been counted for a second or more, or since its burst
  // went quiet. Called about once a second.
  void Tick();

  // Writes whatever is counted.
  void Flush();

 private:
  void WriteCount();  // under mu_

  std::mutex mu_;
  std::FILE* out_;
  const std::string prefix_;
  const std::string what_;
  const int burst_lines_;
  const Clock::duration quiet_;
  bool any_ = false;
  Clock::time_point last_line_;
  int written_ = 0;                 // whole lines of the current burst
  unsigned long long counted_ = 0;  // lines counted and not yet written
  Clock::time_point counting_since_;
  std::string last_counted_;
};

// The host's own console lines on standard error, each kind bounded on
// its own. Each is made on first use and lives as long as the process.
ConsoleBursts& FetchFailureLines();    // "fetch failed: ...", "fetch answered 404: ..."
ConsoleBursts& PageFailureLines();     // "a page failed: ..."
ConsoleBursts& RequestFailureLines();  // "a request failed: ..."

// Tick, and Flush, on every kind above.
void TickConsoleLines();
void FlushConsoleLines();

}  // namespace ostrel::host
