#pragma once
// Folders a test chooses (usually inside its TempDir). Each is given a trailing separator.

#include <string>

#include "platform/folders.h"
#include "platform/path_rules.h"

namespace vr::fakes {

class FakeFolders : public platform::Folders {
 public:
  FakeFolders() = default;
  FakeFolders(const std::string& program, const std::string& temp) {
    SetProgramFolder(program);
    SetTempFolder(temp);
  }
  void SetProgramFolder(const std::string& folder) {
    program_ = platform::WithTrailingSeparator(folder);
  }
  void SetTempFolder(const std::string& folder) { temp_ = platform::WithTrailingSeparator(folder); }

  std::string ProgramFolder() const override { return program_; }
  std::string TempFolder() const override { return temp_; }
  std::string WindowsFolder() const override { return program_; }

 private:
  std::string program_ = "/tmp/";
  std::string temp_ = "/tmp/";
};

}  // namespace vr::fakes
