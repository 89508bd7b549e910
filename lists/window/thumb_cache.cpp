#include "lists/window/thumb_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/fast_file_io.h"
#include "platform/folders.h"

namespace vr::list_window {

using picture::Bitmap;

namespace {

constexpr uint8_t kTagBmp[kKindTagBytes] = {3, 'B', 'M', 'P'};
constexpr uint8_t kTagJpg[kKindTagBytes] = {3, 'J', 'P', 'G'};
// A thumbnail cell is at most 150 x 150 here; records far beyond a generous bound are damaged.
constexpr int64_t kLargestRecord = 64 << 20;

bool WriteAll(int fd, const uint8_t* data, size_t size, int64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
    offset += n;
  }
  return true;
}

}  // namespace

int JpegQualityFor(int list_count) {
  if (list_count < 1000) return 97;
  if (list_count < 5000) return 92;
  if (list_count < 10000) return 87;
  return 85;
}

void EncodeStampField(int32_t stamp, uint8_t* out) {
  std::memset(out, 0, kStampFieldBytes);
  char digits[16];
  const int n = std::snprintf(digits, sizeof digits, "%d", stamp);
  out[0] = static_cast<uint8_t>(n);
  std::memcpy(out + 1, digits, static_cast<size_t>(n));
}

bool DecodeStampField(const uint8_t* in, int32_t* stamp) {
  const int n = in[0];
  if (n < 1 || n > 11) return false;
  int64_t value = 0;
  bool negative = false;
  for (int i = 0; i < n; ++i) {
    const uint8_t c = in[1 + i];
    if (i == 0 && c == '-' && n > 1) {
      negative = true;
      continue;
    }
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) return false;
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return false;
  *stamp = static_cast<int32_t>(value);
  return true;
}

RecordStatus ParseRecord(const uint8_t* data, size_t size, int32_t expected_stamp, bool check_stamp,
                         Bitmap* out, ThumbFormat* format) {
  if (data == nullptr || size <= static_cast<size_t>(kRecordHeaderBytes)) {
    return RecordStatus::kDamaged;
  }
  int32_t stamp = 0;
  if (!DecodeStampField(data, &stamp)) return RecordStatus::kDamaged;
  const uint8_t* tag = data + kStampFieldBytes;
  ThumbFormat found;
  if (std::memcmp(tag, kTagBmp, kKindTagBytes) == 0) {
    found = ThumbFormat::kBmp;
  } else if (std::memcmp(tag, kTagJpg, kKindTagBytes) == 0) {
    found = ThumbFormat::kJpeg;
  } else {
    return RecordStatus::kDamaged;
  }
  if (format != nullptr) *format = found;
  if (check_stamp && stamp != expected_stamp) return RecordStatus::kStale;
  if (out == nullptr) return RecordStatus::kOk;
  const uint8_t* image = data + kRecordHeaderBytes;
  const size_t image_size = size - kRecordHeaderBytes;
  bool ok = false;
  if (found == ThumbFormat::kBmp) {
    // The record holds exactly one BMP file; a size field that disagrees means a cut or
    // overwritten record (the reader would fill missing rows with black).
    const uint32_t declared =
        image_size >= 6
            ? (image[2] | image[3] << 8 | image[4] << 16 | static_cast<uint32_t>(image[5]) << 24)
            : 0;
    if (declared != image_size) {
      out->MakeFailure();
      return RecordStatus::kDamaged;
    }
    picture::TFastFileIO io;
    ok = io.OpenMemory(image, image_size) && codecs::LoadBmp(io, *out).ok();
  } else {
    codecs::JpegDecodeSettings settings;
    ok = codecs::LoadJpegMemory(image, image_size, *out, settings).ok();
  }
  // A thumbnail is never bigger than its cell; a huge one is a damaged or hostile record.
  if (ok && (out->Width() > 4096 || out->Height() > 4096)) ok = false;
  if (!ok) {
    out->MakeFailure();
    return RecordStatus::kDamaged;
  }
  return RecordStatus::kOk;
}

ThumbCache::~ThumbCache() { Close(); }

void ThumbCache::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool ThumbCache::Create(const platform::Folders& folders) {
  Remove();
  platform::TempFile file = folders.CreateTempFile(kCachePrefix, kCacheExtension);
  if (!file.IsOpen()) return false;
  path_ = file.path();
  fd_ = ::dup(file.fd());
  file.Release();
  size_ = 0;
  return fd_ >= 0;
}

bool ThumbCache::OpenForAppend(const std::string& path) {
  Close();
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return false;
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    Close();
    return false;
  }
  path_ = path;
  size_ = st.st_size;
  return true;
}

void ThumbCache::Remove() {
  Close();
  if (!path_.empty()) ::unlink(path_.c_str());
  path_.clear();
  size_ = 0;
}

CacheRecord ThumbCache::Append(int32_t stamp, const Bitmap& cell, int list_count,
                               bool palette_display, const std::function<bool(Bitmap&)>& reduce) {
  CacheRecord record;
  if (fd_ < 0 || cell.Empty()) return {};
  std::vector<uint8_t> image;
  if (palette_display) {
    Bitmap reduced = cell;
    if (reduce) reduce(reduced);
    image = codecs::EncodeBmpMemory(reduced);
  } else if (NextFormat() == ThumbFormat::kBmp) {
    image = codecs::EncodeBmpMemory(cell);
  } else {
    record.format = ThumbFormat::kJpeg;
    image = codecs::EncodeJpegMemory(cell, {JpegQualityFor(list_count), false});
  }
  if (image.empty()) return {};
  std::vector<uint8_t> bytes(kRecordHeaderBytes + image.size());
  EncodeStampField(stamp, bytes.data());
  std::memcpy(bytes.data() + kStampFieldBytes,
              record.format == ThumbFormat::kJpeg ? kTagJpg : kTagBmp, kKindTagBytes);
  std::memcpy(bytes.data() + kRecordHeaderBytes, image.data(), image.size());
  if (!WriteAll(fd_, bytes.data(), bytes.size(), size_)) {
    // Cut back a partly written record so the file's end stays where the next record begins.
    if (::ftruncate(fd_, size_) != 0) {
      Close();
    }
    return {};
  }
  record.offset = size_;
  record.length = static_cast<int64_t>(bytes.size());
  size_ += record.length;
  return record;
}

RecordStatus ThumbCache::Read(int64_t offset, int64_t length, int32_t expected_stamp,
                              Bitmap* out) const {
  if (fd_ < 0 || offset < 0 || length <= kRecordHeaderBytes || length > kLargestRecord ||
      offset > size_ || length > size_ - offset) {
    return RecordStatus::kDamaged;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n =
        ::pread(fd_, bytes.data() + got, bytes.size() - got, offset + static_cast<int64_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return RecordStatus::kDamaged;
    got += static_cast<size_t>(n);
  }
  return ParseRecord(bytes.data(), bytes.size(), expected_stamp, true, out);
}

bool ThumbCache::ReadKindTag(int64_t offset, ThumbFormat* format) const {
  uint8_t tag[kKindTagBytes];
  if (fd_ < 0 || offset < 0 || offset > size_ - kRecordHeaderBytes ||
      ::pread(fd_, tag, sizeof tag, offset + kStampFieldBytes) != kKindTagBytes) {
    return false;
  }
  if (std::memcmp(tag, kTagBmp, kKindTagBytes) == 0) {
    *format = ThumbFormat::kBmp;
    return true;
  }
  if (std::memcmp(tag, kTagJpg, kKindTagBytes) == 0) {
    *format = ThumbFormat::kJpeg;
    return true;
  }
  return false;
}

}  // namespace vr::list_window
