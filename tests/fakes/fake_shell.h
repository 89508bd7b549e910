#pragma once
// Records shell requests; RunAndWait answers from a queue of exit codes (0 when empty).

#include <deque>
#include <string>
#include <vector>

#include "platform/shell_service.h"

namespace vr::fakes {

class FakeShell : public platform::ShellService {
 public:
  struct Request {
    enum class Type { kOpenDocument, kEditDocument, kOpenFolder, kOpenUrl, kLaunch, kRunAndWait } type;
    std::string target;
    std::vector<std::string> args;
    std::string working_folder;
  };

  bool OpenDocument(const std::string& path) override {
    requests_.push_back({Request::Type::kOpenDocument, path, {}, {}});
    return succeed_;
  }
  bool EditDocument(const std::string& path) override {
    requests_.push_back({Request::Type::kEditDocument, path, {}, {}});
    return succeed_ && can_edit_;
  }
  bool CanEditDocuments() override { return can_edit_; }
  bool OpenFolder(const std::string& path) override {
    requests_.push_back({Request::Type::kOpenFolder, path, {}, {}});
    return succeed_;
  }
  bool OpenUrl(const std::string& url) override {
    requests_.push_back({Request::Type::kOpenUrl, url, {}, {}});
    return succeed_;
  }
  bool Launch(const std::string& program, const std::vector<std::string>& args,
              const std::string& working_folder) override {
    requests_.push_back({Request::Type::kLaunch, program, args, working_folder});
    return succeed_;
  }
  int RunAndWait(const std::string& program, const std::vector<std::string>& args,
                 const std::string& working_folder) override {
    requests_.push_back({Request::Type::kRunAndWait, program, args, working_folder});
    if (!succeed_) return -1;
    if (exit_codes_.empty()) return 0;
    const int code = exit_codes_.front();
    exit_codes_.pop_front();
    return code;
  }

  void QueueExitCode(int code) { exit_codes_.push_back(code); }
  // Every request fails (nothing opens, programs do not start).
  void SetSucceed(bool succeed) { succeed_ = succeed; }
  // Whether the desktop has a program for editing text.
  void SetCanEdit(bool can_edit) { can_edit_ = can_edit; }
  const std::vector<Request>& requests() const { return requests_; }

 private:
  std::vector<Request> requests_;
  std::deque<int> exit_codes_;
  bool succeed_ = true;
  bool can_edit_ = true;
};

}  // namespace vr::fakes
