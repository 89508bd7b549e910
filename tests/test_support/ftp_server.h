#pragma once
// A real FTP server for tests: a Python script (usually pyftpdlib) started as a child process on
// 127.0.0.1. The script gets the served root, a data-rate limit (0: none) and a log path as its
// arguments and prints the port it listens on as its first line. Killed with the object.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vr::test_support {

class FtpServer {
 public:
  FtpServer(const std::string& root, const std::string& script, int limit,
            const std::string& log = "/dev/null") {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      const int quiet = open("/dev/null", O_WRONLY);
      if (quiet >= 0) dup2(quiet, 2);
      close(out[0]);
      close(out[1]);
      const std::string limit_text = std::to_string(limit);
      execl("/usr/bin/python3", "python3", script.c_str(), root.c_str(), limit_text.c_str(),
            log.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    FILE* in = fdopen(out[0], "r");
    char line[64] = {0};
    if (in != nullptr && std::fgets(line, sizeof(line), in) != nullptr) port_ = std::atoi(line);
    if (in != nullptr) std::fclose(in);
  }
  ~FtpServer() { Kill(); }
  void Kill() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }
  int Port() const { return port_; }
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace vr::test_support
