#include "lists/window/thumb_cache.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/fast_file_io.h"
#include "platform/folders.h"

namespace vr::list_window {

using picture::Bitmap;
using picture::PixelFormat;

namespace {

constexpr uint8_t kTagBmp[kKindTagBytes] = {3, 'B', 'M', 'P'};
constexpr uint8_t kTagJpg[kKindTagBytes] = {3, 'J', 'P', 'G'};
// A thumbnail cell is at most 150 x 150 here; records far beyond a generous bound are damaged.
constexpr int64_t kLargestRecord = 64 << 20;

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  Put16(out, at, v & 0xFFFF);
  Put16(out, at + 2, v >> 16);
}

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

struct JpegErrors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void OnJpegError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}
void OnJpegMessage(j_common_ptr) {}

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

std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap) {
  const bool indexed = bitmap.Format() == PixelFormat::k8;
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  const size_t stride = picture::RowStride(w, indexed ? PixelFormat::k8 : PixelFormat::k24);
  const size_t palette_bytes = indexed ? 256 * 4 : 0;
  const size_t offset = 14 + 40 + palette_bytes;
  const size_t total = offset + stride * static_cast<size_t>(h);
  std::vector<uint8_t> out(total, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<uint32_t>(total));
  Put32(out, 10, static_cast<uint32_t>(offset));
  Put32(out, 14, 40);
  Put32(out, 18, static_cast<uint32_t>(w));
  Put32(out, 22, static_cast<uint32_t>(h));
  Put16(out, 26, 1);
  Put16(out, 28, indexed ? 8 : 24);
  Put32(out, 34, static_cast<uint32_t>(stride * static_cast<size_t>(h)));
  if (indexed) {
    Put32(out, 46, 256);
    const auto& palette = bitmap.Palette();
    for (size_t i = 0; i < palette.size() && i < 256; ++i) {
      out[54 + i * 4] = palette[i].b;
      out[54 + i * 4 + 1] = palette[i].g;
      out[54 + i * 4 + 2] = palette[i].r;
    }
  }
  // BMP rows run bottom first; our rows run top first with the same padding.
  const size_t copy = indexed ? static_cast<size_t>(w) : static_cast<size_t>(w) * 3;
  for (int y = 0; y < h; ++y) {
    std::memcpy(out.data() + offset + static_cast<size_t>(h - 1 - y) * stride, bitmap.Row(y), copy);
  }
  return out;
}

std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, int quality) {
  const bool grey = bitmap.Format() == PixelFormat::k8;
  if (bitmap.Empty() || (!grey && bitmap.Format() != PixelFormat::k24)) return {};
  jpeg_compress_struct cinfo;
  JpegErrors errors;
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = OnJpegError;
  errors.pub.output_message = OnJpegMessage;
  unsigned char* buffer = nullptr;
  unsigned long buffer_size = 0;
  std::vector<uint8_t> row(static_cast<size_t>(bitmap.Width()) * 3);
  std::vector<uint8_t> result;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return {};
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &buffer_size);
  cinfo.image_width = static_cast<JDIMENSION>(bitmap.Width());
  cinfo.image_height = static_cast<JDIMENSION>(bitmap.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const auto& palette = bitmap.Palette();
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint8_t* src = bitmap.Row(static_cast<int>(cinfo.next_scanline));
    for (int x = 0; x < bitmap.Width(); ++x) {
      uint8_t* d = row.data() + x * 3;
      if (grey) {
        const picture::Rgb c = src[x] < palette.size() ? palette[src[x]] : picture::Rgb{};
        d[0] = c.r;
        d[1] = c.g;
        d[2] = c.b;
      } else {
        d[0] = src[x * 3 + 2];
        d[1] = src[x * 3 + 1];
        d[2] = src[x * 3];
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  result.assign(buffer, buffer + buffer_size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return result;
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
    image = EncodeBmp(reduced);
  } else if (NextFormat() == ThumbFormat::kBmp) {
    image = EncodeBmp(cell);
  } else {
    record.format = ThumbFormat::kJpeg;
    image = EncodeJpeg(cell, JpegQualityFor(list_count));
    if (image.empty()) return {};
  }
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
