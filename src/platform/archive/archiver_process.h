// Starting the command-line archiver: an argument vector handed to exec
// (never a shell, so no name is ever read as a command), a fixed working
// folder, standard input from /dev/null, and a time limit after which the
// program is killed. The program is also killed when the thread that waits
// for it ends with its process (the host killed or crashing).
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace ostrel::archive {

struct ProcessResult {
  bool started = false;
  bool timed_out = false;
  int exit_status = -1;  // the exit status when it ended normally, else -1
  int pid = 0;
};

ProcessResult RunArchiver(const std::vector<std::string>& argv, const std::string& working_folder,
                          std::chrono::milliseconds time_limit);

}  // namespace ostrel::archive
