#pragma once
// Looking at many files one after another, for long lists sorted by path (an album's entries).
// On the real file system each file is looked up by name from its folder, opened once for a run
// of files in it, rather than by walking its whole path again; and each distinct time is packed
// into a DOS stamp once. A run is meant for one pass (a load): a folder renamed away while the run
// looks into it is still seen until the run moves on to another folder.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/files.h"

namespace vr::platform {

class StatRun {
 public:
  struct Facts {
    uint64_t size = 0;  // 0 for a folder
    uint32_t dos_stamp = 0;
    bool directory = false;
  };
  virtual ~StatRun() = default;
  // Size, stamp and kind of `path` (symbolic links followed, as by Files::Stat); nothing when it
  // does not exist.
  virtual std::optional<Facts> Look(const std::string& path) = 0;
};

// The run for `files`: the folder-relative one for the POSIX file system (and the test doubles
// built on it, which look at files the same way), one Files::Stat per file for any other.
std::unique_ptr<StatRun> StartStatRun(Files& files);

}  // namespace vr::platform
