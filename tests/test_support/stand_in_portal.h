#pragma once
// The desktop portal's Screenshot call played by tests/test_support/stand_in_portal.py on a
// private session bus of its own (dbus-run-session), so that tests never reach the desktop's
// bus. Address() is that bus; the service and its bus go with the object.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace vr::test_support {

class StandInPortal {
 public:
  // Why the stand-in cannot run here ("" when it can): dbus-run-session and python3-dbus with
  // GLib bindings are needed.
  static std::string Missing() {
    if (::access("/usr/bin/dbus-run-session", X_OK) != 0) return "dbus-run-session (package dbus)";
    if (std::system("/usr/bin/python3 -c 'import dbus, dbus.mainloop.glib, gi' 2>/dev/null") != 0) {
      return "python3-dbus and python3-gi";
    }
    return "";
  }

  // `answers`: one per Screenshot call, a picture path or "refuse"; `log` gets each call's
  // interactive option.
  StandInPortal(const std::string& script, const std::string& log,
                const std::vector<std::string>& answers) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      setpgid(0, 0);
      dup2(out[1], 1);
      const int quiet = open("/dev/null", O_WRONLY);
      if (quiet >= 0) dup2(quiet, 2);
      close(out[0]);
      close(out[1]);
      std::vector<std::string> words = {"/usr/bin/dbus-run-session", "--", "/usr/bin/python3",
                                        script, log};
      words.insert(words.end(), answers.begin(), answers.end());
      std::vector<char*> argv;
      for (std::string& w : words) argv.push_back(w.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    FILE* in = fdopen(out[0], "r");
    char line[512] = {0};
    if (in != nullptr && std::fgets(line, sizeof(line), in) != nullptr) {
      address_ = line;
      while (!address_.empty() && (address_.back() == '\n' || address_.back() == '\r')) {
        address_.pop_back();
      }
      if (std::fgets(line, sizeof(line), in) != nullptr) service_ = std::atoi(line);
    }
    if (in != nullptr) std::fclose(in);
  }
  ~StandInPortal() {
    if (pid_ <= 0) return;
    // The service's end lets dbus-run-session stop its bus and collect it; the group's end is
    // for a service that never came up.
    if (service_ > 0) {
      ::kill(service_, SIGTERM);
    } else {
      ::kill(-pid_, SIGKILL);
    }
    waitpid(pid_, nullptr, 0);
    ::kill(-pid_, SIGKILL);
  }
  StandInPortal(const StandInPortal&) = delete;
  StandInPortal& operator=(const StandInPortal&) = delete;

  const std::string& Address() const { return address_; }

 private:
  pid_t pid_ = -1;
  pid_t service_ = -1;  // the python service, a child of dbus-run-session
  std::string address_;
};

}  // namespace vr::test_support
