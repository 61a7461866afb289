// A real FTP server for one test: Debian's python3-pyftpdlib serving a
// folder on 127.0.0.1 and a port the system picks, with the user "u"
// (password "p") and anonymous logins, both reading the folder.
//
//   FtpServer ftp(folder.path());
//   ... fetch ftp.Url("pub/a.rar") or "ftp://u:p@" + ftp.Host() + "/pub/a.rar" ...
//
// The server runs as a child process and is stopped (by its own process
// id) when the object goes away. Starting raises std::runtime_error when
// python3-pyftpdlib is missing.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace ostrel::testing {

class FtpServer {
 public:
  explicit FtpServer(const std::filesystem::path& root);
  ~FtpServer();
  FtpServer(const FtpServer&) = delete;
  FtpServer& operator=(const FtpServer&) = delete;

  uint16_t port() const { return port_; }
  // "127.0.0.1:<port>".
  std::string Host() const;
  // "ftp://127.0.0.1:<port>/" followed by the path ("pub/a.rar").
  std::string Url(std::string_view path) const;

 private:
  pid_t pid_ = -1;
  uint16_t port_ = 0;
};

}  // namespace ostrel::testing
