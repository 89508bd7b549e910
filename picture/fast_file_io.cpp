#include "picture/fast_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vr::picture {

TFastFileIO::~TFastFileIO() { Close(); }

bool TFastFileIO::Open(const std::string& path) {
  Close();
  Empty();
  past_end_ = false;
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
    Close();
    return false;
  }
  return true;
}

bool TFastFileIO::OpenMemory(const uint8_t* data, size_t size) {
  Close();
  Empty();
  past_end_ = false;
  static const uint8_t kNothing = 0;
  memory_ = data != nullptr ? data : &kNothing;
  memory_size_ = data != nullptr ? size : 0;
  memory_pos_ = 0;
  return true;
}

void TFastFileIO::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  memory_ = nullptr;
  memory_size_ = 0;
  memory_pos_ = 0;
}

void TFastFileIO::Fill() {
  std::memset(buffer_, 0, kBufferSize);
  buffer_start_ = FilePosition();
  size_t got = 0;
  if (memory_ != nullptr) {
    if (memory_pos_ < memory_size_) {
      got = static_cast<size_t>(std::min<uint64_t>(kBufferSize, memory_size_ - memory_pos_));
      std::memcpy(buffer_, memory_ + memory_pos_, got);
      memory_pos_ += got;
    }
  } else if (fd_ >= 0) {
    while (got < kBufferSize) {
      const ssize_t n = ::read(fd_, buffer_ + got, kBufferSize - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
  }
  if (got < kBufferSize) past_end_ = true;
  unread_ = kBufferSize;
  position_ = 0;
}

void TFastFileIO::ReadBlock(void* dest, size_t n) {
  auto* out = static_cast<uint8_t*>(dest);
  if (n > 32767) n = 32767;
  if (unread_ >= n) {
    std::memcpy(out, buffer_ + position_, n);
    position_ = static_cast<uint16_t>(position_ + n);
    unread_ = static_cast<uint16_t>(unread_ - n);
    return;
  }
  while (n > 0) {
    if (unread_ == 0) Fill();
    const size_t take = std::min<size_t>(n, unread_);
    std::memcpy(out, buffer_ + position_, take);
    out += take;
    n -= take;
    position_ = static_cast<uint16_t>(position_ + take);
    unread_ = static_cast<uint16_t>(unread_ - take);
  }
}

void TFastFileIO::ReadLarge(void* dest, size_t n) {
  auto* out = static_cast<uint8_t*>(dest);
  if (unread_ >= n) {
    std::memcpy(out, buffer_ + position_, n);
    position_ = static_cast<uint16_t>(position_ + n);
    unread_ = static_cast<uint16_t>(unread_ - n);
    return;
  }
  std::memcpy(out, buffer_ + position_, unread_);
  out += unread_;
  n -= unread_;
  Empty();
  size_t got = 0;
  if (memory_ != nullptr) {
    if (memory_pos_ < memory_size_) {
      got = static_cast<size_t>(std::min<uint64_t>(n, memory_size_ - memory_pos_));
      std::memcpy(out, memory_ + memory_pos_, got);
      memory_pos_ += got;
    }
  } else if (fd_ >= 0) {
    while (got < n) {
      const ssize_t r = ::read(fd_, out + got, n - got);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      got += static_cast<size_t>(r);
    }
  }
  if (got < n) {
    std::memset(out + got, 0, n - got);
    past_end_ = true;
  }
}

void TFastFileIO::Skip(size_t n) {
  while (n > 0) {
    if (unread_ == 0) Fill();
    const size_t take = std::min<size_t>(n, unread_);
    n -= take;
    position_ = static_cast<uint16_t>(position_ + take);
    unread_ = static_cast<uint16_t>(unread_ - take);
  }
}

void TFastFileIO::Seek(uint64_t offset) {
  past_end_ = false;
  if (memory_ != nullptr) {
    memory_pos_ = std::min<uint64_t>(offset, memory_size_);
  } else if (fd_ >= 0) {
    (void)::lseek(fd_, static_cast<off_t>(offset), SEEK_SET);
  }
}

uint64_t TFastFileIO::FileSize() const {
  if (memory_ != nullptr) return memory_size_;
  if (fd_ < 0) return 0;
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return 0;
  return static_cast<uint64_t>(st.st_size);
}

uint64_t TFastFileIO::FilePosition() const {
  if (memory_ != nullptr) return memory_pos_;
  if (fd_ < 0) return 0;
  const off_t pos = ::lseek(fd_, 0, SEEK_CUR);
  return pos < 0 ? 0 : static_cast<uint64_t>(pos);
}

}  // namespace vr::picture
