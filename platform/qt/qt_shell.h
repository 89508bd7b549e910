#pragma once
// The shell service on QDesktopServices and QProcess.

#include "platform/shell_service.h"

namespace vr::platform {

class QtShell : public ShellService {
 public:
  bool OpenDocument(const std::string& path) override;
  bool EditDocument(const std::string& path) override;
  bool CanEditDocuments() override;
  bool OpenFolder(const std::string& path) override;
  bool OpenUrl(const std::string& url) override;
  bool Launch(const std::string& program, const std::vector<std::string>& args,
              const std::string& working_folder) override;
  int RunAndWaitWithEvents(const std::string& program, const std::vector<std::string>& args,
                           const std::string& working_folder) override;
  int RunAndWait(const std::string& program, const std::vector<std::string>& args,
                 const std::string& working_folder) override;
};

}  // namespace vr::platform
