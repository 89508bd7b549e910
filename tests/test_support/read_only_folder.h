#pragma once
// A folder made read-only for the length of a test: write permission removed, and for root (to
// whom permissions do not apply) the immutable attribute set as well. Writable() tells whether
// the folder really refuses new files here, so a test can skip where neither works.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace vr::test_support {

class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(std::string folder) : folder_(std::move(folder)) {
    ::chmod(folder_.c_str(), 0555);
    if (::geteuid() == 0) immutable_ = std::system(("chattr +i '" + folder_ + "' 2>/dev/null").c_str()) == 0;
    const std::string probe = folder_ + "/.probe";
    { std::ofstream out(probe); refuses_ = !out.is_open(); }
    if (!refuses_) ::unlink(probe.c_str());
  }
  ~ReadOnlyFolder() {
    if (immutable_) std::system(("chattr -i '" + folder_ + "' 2>/dev/null").c_str());
    ::chmod(folder_.c_str(), 0755);
  }
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
  // False where the folder could not be made to refuse writes (a test then skips).
  bool refuses_writes() const { return refuses_; }

 private:
  std::string folder_;
  bool immutable_ = false;
  bool refuses_ = false;
};

}  // namespace vr::test_support
