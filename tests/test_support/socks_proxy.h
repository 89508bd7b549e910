#pragma once
// A real SOCKS 5 proxy for tests: Debian's microsocks started as a child process on a free
// loopback port, optionally demanding a user code and password. Its log (one line per
// connection it made for a client) goes to a file the test can read. Killed with the object.
// Port() is 0 when microsocks is missing or did not come up.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace vr::test_support {

class SocksProxy {
 public:
  static constexpr const char* kBinary = "/usr/bin/microsocks";
  static bool Available() { return ::access(kBinary, X_OK) == 0; }

  SocksProxy(const std::string& log, const std::string& user = "",
             const std::string& password = "") {
    if (!Available()) return;
    const int port = FreePort();
    if (port <= 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
      }
      const std::string port_text = std::to_string(port);
      std::vector<const char*> args = {"microsocks", "-i", "127.0.0.1", "-p", port_text.c_str()};
      if (!user.empty()) {
        args.insert(args.end(), {"-u", user.c_str(), "-P", password.c_str()});
      }
      args.push_back(nullptr);
      execv(kBinary, const_cast<char* const*>(args.data()));
      _exit(127);
    }
    if (pid_ < 0) return;
    // Up once it accepts a connection; a proxy that died or never listens is a failed start.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      if (Accepts(port)) {
        port_ = port;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~SocksProxy() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  SocksProxy(const SocksProxy&) = delete;
  SocksProxy& operator=(const SocksProxy&) = delete;

  int Port() const { return port_; }

 private:
  static sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
  }
  // A port the kernel just handed out and took back: free unless someone grabs it meanwhile.
  static int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof(address);
    int port = -1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
  }
  static bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in address = Loopback(port);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return ok;
  }

  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace vr::test_support
