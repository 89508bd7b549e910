#include "picture/camera/exif_segment.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace vr::camera {
namespace {

constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kEndOfImage = 0xD9;
// Segments before the first scan are few; a file with more is not walked further.
constexpr int kMostSegments = 512;
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;

bool StandAlone(uint8_t marker) {
  // TEM and the restart markers carry no length.
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// Where the segments are read from: a file or a block of memory.
class SegmentReader {
 public:
  virtual ~SegmentReader() = default;
  virtual bool Read(uint8_t* out, size_t n) = 0;
  virtual bool Skip(size_t n) = 0;
};

class FileReader final : public SegmentReader {
 public:
  explicit FileReader(std::FILE* file) : file_(file) {}
  bool Read(uint8_t* out, size_t n) override { return std::fread(out, 1, n, file_) == n; }
  bool Skip(size_t n) override { return std::fseek(file_, static_cast<long>(n), SEEK_CUR) == 0; }

 private:
  std::FILE* file_;
};

class MemoryReader final : public SegmentReader {
 public:
  MemoryReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Read(uint8_t* out, size_t n) override {
    if (size_ - at_ < n) return false;
    if (n != 0) std::memcpy(out, data_ + at_, n);
    at_ += n;
    return true;
  }
  bool Skip(size_t n) override {
    if (size_ - at_ < n) return false;
    at_ += n;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

std::vector<uint8_t> FindExif(SegmentReader& in) {
  uint8_t two[2];
  if (!in.Read(two, 2) || two[0] != 0xFF || two[1] != 0xD8) return {};
  for (int segment = 0; segment < kMostSegments; ++segment) {
    uint8_t byte = 0;
    if (!in.Read(&byte, 1) || byte != 0xFF) return {};
    uint8_t marker = 0xFF;
    while (marker == 0xFF) {  // fill bytes before a marker
      if (!in.Read(&marker, 1)) return {};
    }
    if (marker == kStartOfScan || marker == kEndOfImage || marker == 0x00) return {};
    if (StandAlone(marker)) continue;
    if (!in.Read(two, 2)) return {};
    const size_t length = (size_t{two[0]} << 8) | two[1];
    if (length < 2) return {};
    const size_t body = length - 2;
    if (marker == kApp1 && body >= kExifHeaderSize) {
      std::vector<uint8_t> data(body);
      if (!in.Read(data.data(), body)) return {};
      if (IsExifSegment(data.data(), data.size())) return data;
      continue;
    }
    if (!in.Skip(body)) return {};
  }
  return {};
}

uint16_t Get16(const uint8_t* p, bool little) {
  return little ? static_cast<uint16_t>(p[0] | (p[1] << 8))
                : static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t Get32(const uint8_t* p, bool little) {
  return little ? (uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                   (uint32_t{p[3]} << 24))
                : ((uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) |
                   uint32_t{p[3]});
}

}  // namespace

bool IsExifSegment(const uint8_t* data, size_t size) {
  return data != nullptr && size >= kExifHeaderSize &&
         std::memcmp(data, "Exif\0\0", kExifHeaderSize) == 0;
}

std::vector<uint8_t> ReadJpegExifSegment(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                        &std::fclose);
  if (!file) return {};
  FileReader reader(file.get());
  return FindExif(reader);
}

std::vector<uint8_t> FindJpegExifSegment(const uint8_t* data, size_t size) {
  if (data == nullptr) return {};
  MemoryReader reader(data, size);
  return FindExif(reader);
}

bool SetExifOrientation(std::vector<uint8_t>& segment, int value) {
  if (value < 1 || value > 8 || !IsExifSegment(segment.data(), segment.size())) return false;
  uint8_t* tiff = segment.data() + kExifHeaderSize;
  const size_t size = segment.size() - kExifHeaderSize;
  if (size < 8) return false;
  bool little = false;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    little = true;
  } else if (!(tiff[0] == 'M' && tiff[1] == 'M')) {
    return false;
  }
  if (Get16(tiff + 2, little) != 42) return false;
  const uint32_t ifd = Get32(tiff + 4, little);
  if (ifd < 8 || ifd > size - 2) return false;
  const uint16_t entries = Get16(tiff + ifd, little);
  if (size_t{entries} * 12 > size - ifd - 2) return false;
  for (uint16_t i = 0; i < entries; ++i) {
    uint8_t* entry = tiff + ifd + 2 + size_t{i} * 12;
    if (Get16(entry, little) != kOrientationTag) continue;
    if (Get16(entry + 2, little) != kShortType || Get32(entry + 4, little) != 1) return false;
    const auto v = static_cast<uint16_t>(value);
    entry[8] = little ? static_cast<uint8_t>(v & 0xFF) : static_cast<uint8_t>(v >> 8);
    entry[9] = little ? static_cast<uint8_t>(v >> 8) : static_cast<uint8_t>(v & 0xFF);
    return true;
  }
  return false;
}

}  // namespace vr::camera
