#include "platform/archive/archiver_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace ostrel::archive {

ProcessResult RunArchiver(const std::vector<std::string>& argv, const std::string& working_folder,
                          std::chrono::milliseconds time_limit) {
  ProcessResult result;
  if (argv.empty()) return result;
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  // The child is set up by hand rather than by posix_spawn, which cannot
  // tie its life to ours: it gets the signal to end when the thread that
  // waits for it goes (the host killed or crashing), so no archiver goes on
  // packing an archive nobody will take. Between fork and exec the child
  // makes only system calls. A failed exec is reported through the pipe.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return result;
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    close(report[0]);
    close(report[1]);
    return result;
  }
  if (pid == 0) {
    // Its own process group, so a kill at the time limit reaches its children.
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // we were gone before the line above
    const int in = open("/dev/null", O_RDONLY);
    if (in > 0) {
      dup2(in, 0);
      close(in);
    }
    if (in >= 0 && chdir(working_folder.c_str()) == 0) execv(args[0], args.data());
    const int error = errno;
    (void)!write(report[1], &error, sizeof error);
    _exit(127);
  }
  close(report[1]);
  int exec_error = 0;
  ssize_t got;
  while ((got = read(report[0], &exec_error, sizeof exec_error)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  if (got > 0) {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    return result;
  }
  result.started = true;
  result.pid = pid;

  auto deadline = std::chrono::steady_clock::now() + time_limit;
  auto pause = std::chrono::milliseconds(1);
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return result;
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(-pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      result.timed_out = true;
      return result;
    }
    struct timespec ts {
      0, static_cast<long>(std::chrono::nanoseconds(pause).count())
    };
    nanosleep(&ts, nullptr);
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  return result;
}

}  // namespace ostrel::archive
