#pragma once
// TFastFileIO: the buffered sequential reader every own decoder reads through.
//
// An 8192-byte buffer is refilled whole: the buffer is zeroed, up to 8192 bytes are read, and the
// unread count is set to 8192 whatever was read, so bytes past the end of the file read as 0.
// Errors of seek, size, position and close are swallowed. The reader can also sit over a block of
// memory (for fuzzers and in-memory decodes), with the same semantics.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vr::picture {

class TFastFileIO {
 public:
  static constexpr uint16_t kBufferSize = 8192;

  TFastFileIO() = default;
  ~TFastFileIO();
  TFastFileIO(const TFastFileIO&) = delete;
  TFastFileIO& operator=(const TFastFileIO&) = delete;

  // Opens read-only; false when the file cannot be opened. Never throws.
  bool Open(const std::string& path);
  // Reads from `size` bytes at `data`, which must outlive the reader.
  bool OpenMemory(const uint8_t* data, size_t size);
  void Close();
  bool IsOpen() const { return fd_ >= 0 || memory_ != nullptr; }

  void Fill();
  uint8_t ReadByte() {
    if (unread_ == 0) Fill();
    --unread_;
    return buffer_[position_++];
  }
  uint16_t Read16() {
    const uint16_t lo = ReadByte();
    return static_cast<uint16_t>(lo | (ReadByte() << 8));
  }
  uint32_t Read32() {
    const uint32_t lo = Read16();
    return lo | (static_cast<uint32_t>(Read16()) << 16);
  }
  // Copies n bytes (n at most 32767) into dest.
  void ReadBlock(void* dest, size_t n);
  // Skips n bytes through the buffer.
  void Skip(size_t n);
  // Bulk read for decoders' hot loops: the buffered bytes first, then the rest straight from the
  // file into dest in as few reads as possible, leaving the buffer empty. Bytes past the end of
  // the file read as 0, as through the buffer.
  void ReadLarge(void* dest, size_t n);

  // Forgets the buffered bytes; the next read fills from the file position.
  void Empty() {
    unread_ = 0;
    position_ = 0;
  }
  // Positions the file; the caller empties the buffer.
  void Seek(uint64_t offset);
  uint64_t FileSize() const;
  // Position of the file itself, not of the reader.
  uint64_t FilePosition() const;
  // Offset of the next byte the reader will hand out.
  uint64_t ReaderPosition() const {
    return (unread_ == 0 && position_ == 0) ? FilePosition() : buffer_start_ + position_;
  }
  // True once a fill has gone past the end of the file.
  bool PastEnd() const { return past_end_; }
  uint16_t BufferSize() const { return kBufferSize; }
  uint16_t Unread() const { return unread_; }

 private:
  int fd_ = -1;
  const uint8_t* memory_ = nullptr;
  size_t memory_size_ = 0;
  uint64_t memory_pos_ = 0;
  uint64_t buffer_start_ = 0;
  uint16_t unread_ = 0;
  uint16_t position_ = 0;
  bool past_end_ = false;
  uint8_t buffer_[kBufferSize] = {};
};

}  // namespace vr::picture
