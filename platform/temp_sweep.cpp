#include "platform/temp_sweep.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/folders.h"
#include "platform/path_rules.h"

namespace vr::platform {
namespace {

// Records being set up carry another name, so no sweep takes a record for an ended process's
// in the moment between its creation and its lock.
constexpr const char* kRecordPrefix = "run-";
constexpr const char* kRecordExtension = ".rec";
constexpr const char* kNewRecordPrefix = "new-";

bool IsRecordName(const std::string& name) {
  const std::string ext = kRecordExtension;
  return name.rfind(kRecordPrefix, 0) == 0 && name.size() > ext.size() + 4 &&
         name.compare(name.size() - ext.size(), ext.size(), ext) == 0;
}

bool WriteAll(int fd, const std::string& text) {
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace

TempFileSweep::TempFileSweep(std::string records_folder, std::string prefix)
    : folder_(records_folder.empty() ? std::string() : WithTrailingSeparator(records_folder)),
      prefix_(std::move(prefix)) {}

TempFileSweep::~TempFileSweep() {
  if (record_fd_ < 0) return;
  // A record that still lists files stays, so that the next viewer's sweep removes them.
  if (own_.empty()) ::unlink(record_path_.c_str());
  ::close(record_fd_);
}

bool TempFileSweep::Carries(const std::string& path) const {
  return !path.empty() && path[0] == kSeparator && path.find('\n') == std::string::npos &&
         NameOf(path).rfind(prefix_, 0) == 0 && NameOf(path).size() > prefix_.size();
}

bool TempFileSweep::OpenOwnRecord() {
  if (record_fd_ >= 0) return true;
  if (folder_.empty()) return false;
  TempFile made = CreateExclusiveFile(folder_, kNewRecordPrefix, kRecordExtension);
  if (!made.IsOpen()) return false;
  const int fd = ::dup(made.fd());
  if (fd < 0) {
    made.Remove();
    return false;
  }
  // Locked before it gets the name sweeps look at; the lock lasts as long as this process.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    made.Remove();
    return false;
  }
  std::string path = made.path();
  std::string final_path = folder_ + kRecordPrefix + NameOf(path).substr(4);
  if (::rename(path.c_str(), final_path.c_str()) != 0) {
    ::close(fd);
    made.Remove();
    return false;
  }
  made.Release();
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  record_fd_ = fd;
  record_path_ = std::move(final_path);
  return true;
}

bool TempFileSweep::RewriteOwnRecord() {
  if (record_fd_ < 0) return false;
  std::string text;
  for (const std::string& path : own_) text += path + "\n";
  return ::ftruncate(record_fd_, 0) == 0 && ::lseek(record_fd_, 0, SEEK_SET) == 0 &&
         WriteAll(record_fd_, text);
}

bool TempFileSweep::Adopt(const std::string& path) {
  if (!Carries(path)) return false;
  own_.push_back(path);
  // Without a record the file is still deleted by this process's sweeps; only a crash would
  // leave it behind.
  if (OpenOwnRecord()) {
    ::lseek(record_fd_, 0, SEEK_END);
    (void)WriteAll(record_fd_, path + "\n");
  }
  return true;
}

int TempFileSweep::Sweep() {
  int deleted = 0;
  for (const std::string& path : own_) deleted += ::unlink(path.c_str()) == 0 ? 1 : 0;
  own_.clear();
  (void)RewriteOwnRecord();
  if (folder_.empty()) return deleted;

  std::vector<std::string> records;
  if (DIR* dir = ::opendir(folder_.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (IsRecordName(name)) records.push_back(folder_ + name);
    }
    ::closedir(dir);
  }
  for (const std::string& record : records) {
    if (record == record_path_) continue;
    const int fd = ::open(record.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    // Locked by its owner: that viewer still runs and its files stay.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      continue;
    }
    for (const std::string& path : Lines(ReadAll(fd))) {
      if (Carries(path)) deleted += ::unlink(path.c_str()) == 0 ? 1 : 0;
    }
    ::unlink(record.c_str());
    ::close(fd);
  }
  return deleted;
}

TempFileSweep& SpecialTempFiles() {
  static TempFileSweep sweep = [] {
    std::string runtime = RuntimeFolder(ProcessEnvironment());
    std::string records = runtime.empty() ? std::string() : runtime + "temp-files/";
    if (!records.empty() && !EnsurePrivateFolder(records)) records.clear();
    return TempFileSweep(records, kSpecialTempPrefix);
  }();
  return sweep;
}

int SweepSpecialTempFiles() { return SpecialTempFiles().Sweep(); }

}  // namespace vr::platform
