#pragma once
// Little-endian reads over a byte range that never step outside it: a read past the end sets the
// failed flag and yields zero, so record parsers check once after reading their fields.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vr::metafile {

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Size() const { return size_; }
  size_t Pos() const { return pos_; }
  size_t Remaining() const { return pos_ <= size_ ? size_ - pos_ : 0; }
  bool Failed() const { return failed_; }
  const uint8_t* Data() const { return data_; }

  void Seek(size_t pos) {
    if (pos > size_) {
      failed_ = true;
      pos_ = size_;
    } else {
      pos_ = pos;
    }
  }
  void Skip(size_t n) { Seek(n <= Remaining() ? pos_ + n : size_ + 1); }

  uint8_t U8() { return static_cast<uint8_t>(Take(1)); }
  uint16_t U16() { return static_cast<uint16_t>(Take(2)); }
  int16_t I16() { return static_cast<int16_t>(U16()); }
  uint32_t U32() { return static_cast<uint32_t>(Take(4)); }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  float F32() {
    const uint32_t bits = U32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }

  // Whether [offset, offset + n) lies inside the range.
  bool Has(size_t offset, size_t n) const { return offset <= size_ && n <= size_ - offset; }

 private:
  uint64_t Take(int n) {
    if (Remaining() < static_cast<size_t>(n)) {
      failed_ = true;
      pos_ = size_;
      return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<uint64_t>(data_[pos_ + i]) << (8 * i);
    pos_ += static_cast<size_t>(n);
    return v;
  }

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace vr::metafile
