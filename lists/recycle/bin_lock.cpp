#include "lists/recycle/bin_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace vr::recycle {

BinLock::BinLock(const std::string& lock_path) {
  const int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return;
  // Short sleeps between tries: a waiting copy neither spins a core nor waits long.
  const timespec pause{0, 2'000'000};
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      ::close(fd);
      return;
    }
    ::nanosleep(&pause, nullptr);
  }
  fd_ = fd;
}

BinLock::~BinLock() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
}

}  // namespace vr::recycle
