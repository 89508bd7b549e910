#pragma once
// Files over the real file system (tests work in a temporary folder) with a drive table and
// free-space figure the test sets, and a way to make chosen operations fail.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace vr::fakes {

class FakeFiles : public platform::PosixFiles {
 public:
  void SetDrives(std::vector<platform::Drive> drives) { drives_ = std::move(drives); }
  // Free space reported for every path; nothing gives the real figure.
  void SetFreeSpace(std::optional<uint64_t> bytes) { free_space_ = bytes; }
  void SetClusterSize(uint64_t bytes) { cluster_size_ = bytes; }
  // The next deletes of `path` fail with `error` (an errno value).
  void FailDelete(const std::string& path, int error) { delete_failures_[path] = error; }

  std::vector<platform::Drive> Drives() override { return drives_; }
  // Mount areas reported instead of the system's (nothing: the system's).
  void SetMountAreas(std::optional<std::vector<std::string>> areas) { areas_ = std::move(areas); }
  std::vector<std::string> MountAreas() override {
    return areas_ ? *areas_ : PosixFiles::MountAreas();
  }
  std::optional<uint64_t> FreeSpace(const std::string& path) override {
    return free_space_ ? free_space_ : PosixFiles::FreeSpace(path);
  }
  uint64_t ClusterSize(const std::string& path) override {
    return cluster_size_ != 0 ? cluster_size_ : PosixFiles::ClusterSize(path);
  }
  platform::FileResult DeleteFile(const std::string& path) override {
    deleted_.push_back(path);
    if (auto it = delete_failures_.find(path); it != delete_failures_.end()) {
      return platform::FileResult::Fail(it->second);
    }
    return PosixFiles::DeleteFile(path);
  }
  const std::vector<std::string>& deleted() const { return deleted_; }

 private:
  std::vector<platform::Drive> drives_;
  std::optional<std::vector<std::string>> areas_;
  std::optional<uint64_t> free_space_;
  uint64_t cluster_size_ = 0;
  std::map<std::string, int> delete_failures_;
  std::vector<std::string> deleted_;
};

}  // namespace vr::fakes
