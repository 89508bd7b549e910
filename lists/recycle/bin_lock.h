#pragma once
// The bin's lock file "RECYCLE.TXT.BUSY", held for the whole of every read or change of the
// index so that every copy of the program sharing the bin takes turns. It is an flock() on the
// file: the system drops it when the holder's process dies, so a crash never leaves the bin
// locked. A waiting copy sleeps briefly between tries.

#include <string>

namespace vr::recycle {

class BinLock {
 public:
  // Waits until the lock is held or it cannot be had at all (the lock file cannot be opened,
  // e.g. the bin folder is gone); held() tells which.
  explicit BinLock(const std::string& lock_path);
  ~BinLock();
  BinLock(const BinLock&) = delete;
  BinLock& operator=(const BinLock&) = delete;

  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace vr::recycle
