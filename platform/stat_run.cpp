#include "platform/stat_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string_view>

namespace vr::platform {
namespace {

// One Files::Stat per file.
class PlainStatRun : public StatRun {
 public:
  explicit PlainStatRun(Files& files) : files_(files) {}
  std::optional<Facts> Look(const std::string& path) override {
    const std::optional<DirEntry> st = files_.Stat(path);
    if (!st) return std::nullopt;
    return Facts{st->size, st->dos_stamp, st->IsDirectory()};
  }

 private:
  Files& files_;
};

// Keeps the folder of the last file open and looks each file up by its name in it; keeps the
// packed stamp of the last time too (files copied or unpacked together share their times).
class PosixStatRun : public StatRun {
 public:
  PosixStatRun() = default;
  PosixStatRun(const PosixStatRun&) = delete;
  PosixStatRun& operator=(const PosixStatRun&) = delete;
  ~PosixStatRun() override { CloseFolder(); }

  std::optional<Facts> Look(const std::string& path) override {
    const size_t slash = path.rfind('/');
    struct stat st;
    int rc = -1;
    if (slash == std::string::npos || slash + 1 == path.size()) {
      rc = ::stat(path.c_str(), &st);
    } else {
      const std::string_view folder(path.data(), slash + 1);
      if (folder != folder_) OpenFolder(folder);
      // The name is the path's own tail, so it ends with the path's terminating zero.
      rc = folder_fd_ >= 0 ? ::fstatat(folder_fd_, path.c_str() + slash + 1, &st, 0)
                           : ::stat(path.c_str(), &st);
    }
    if (rc != 0) return std::nullopt;
    Facts facts;
    facts.directory = S_ISDIR(st.st_mode);
    facts.size = facts.directory ? 0 : static_cast<uint64_t>(st.st_size);
    if (!have_stamp_ || st.st_mtime != last_time_) {
      last_time_ = st.st_mtime;
      last_stamp_ = PackDosStamp(st.st_mtime);
      have_stamp_ = true;
    }
    facts.dos_stamp = last_stamp_;
    return facts;
  }

 private:
  void OpenFolder(std::string_view folder) {
    CloseFolder();
    folder_.assign(folder);
    // A folder that cannot be opened leaves its files to stat(), which then answers as it would
    // for a lone file.
    folder_fd_ = ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  void CloseFolder() {
    if (folder_fd_ >= 0) ::close(folder_fd_);
    folder_fd_ = -1;
  }

  std::string folder_;
  int folder_fd_ = -1;
  bool have_stamp_ = false;
  std::time_t last_time_ = 0;
  uint32_t last_stamp_ = 0;
};

}  // namespace

std::unique_ptr<StatRun> StartStatRun(Files& files) {
  if (dynamic_cast<PosixFiles*>(&files) != nullptr) return std::make_unique<PosixStatRun>();
  return std::make_unique<PlainStatRun>(files);
}

}  // namespace vr::platform
