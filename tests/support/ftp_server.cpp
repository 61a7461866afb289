#include "support/ftp_server.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace ostrel::testing {

namespace {

// Prints the port it listens on, then serves until it is stopped. Quiet
// unless something goes wrong.
constexpr char kScript[] = R"(
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
logging.basicConfig(level=logging.ERROR)
root = sys.argv[1]
authorizer = DummyAuthorizer()
authorizer.add_user('u', 'p', root, perm='elr')
authorizer.add_anonymous(root)
FTPHandler.authorizer = authorizer
server = FTPServer(('127.0.0.1', 0), FTPHandler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)";

}  // namespace

FtpServer::FtpServer(const std::filesystem::path& root) {
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("ftp server: pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string root_text = root.string();
  // Debian's interpreter, where the package puts the module.
  std::vector<char*> argv = {const_cast<char*>("/usr/bin/python3"), const_cast<char*>("-c"),
                             const_cast<char*>(kScript), root_text.data(), nullptr};
  int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    pid_ = -1;
    throw std::runtime_error("ftp server: cannot start /usr/bin/python3");
  }
  FILE* stream = fdopen(out[0], "r");
  unsigned port = 0;
  bool read = stream != nullptr && fscanf(stream, "%u", &port) == 1;
  if (stream != nullptr) fclose(stream);
  if (!read || port == 0 || port > 65535) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    throw std::runtime_error("ftp server: did not start (is python3-pyftpdlib installed?)");
  }
  port_ = static_cast<uint16_t>(port);
}

FtpServer::~FtpServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::string FtpServer::Host() const { return "127.0.0.1:" + std::to_string(port_); }

std::string FtpServer::Url(std::string_view path) const {
  return "ftp://" + Host() + "/" + std::string(path);
}

}  // namespace ostrel::testing
