#include "picture/codecs/common/raster_common.h"

#include "picture/palette.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vr::codecs {

// The shared palette routines live in picture/palette.h; these keep the codecs' names.
const std::array<Rgb, 16>& StandardColours6() { return picture::kTableB; }

void FillCube332(Palette6& palette) { palette = picture::Cube332(); }

void FillGreyRamp(Palette6& palette) { palette = picture::GreyRamp6(); }

Rgb EgaToRgb6(uint8_t code) { return picture::EgaByteTo6(code); }

std::vector<Rgb> ExpandPalette(const Palette6& palette, int count) {
  return picture::PaletteFrom6(palette.data(), std::clamp(count, 0, 256));
}

Palette6 ShrinkPalette(const std::vector<Rgb>& palette) {
  Palette6 out{};
  const size_t n = std::min<size_t>(palette.size(), 256);
  for (size_t i = 0; i < n; ++i) {
    out[i] = Rgb{EightToSix(palette[i].r), EightToSix(palette[i].g), EightToSix(palette[i].b)};
  }
  return out;
}

std::vector<Rgb> PaletteEntries(const Palette8& palette, int count) {
  return std::vector<Rgb>(palette.begin(), palette.begin() + std::clamp(count, 0, 256));
}

Palette8 FullPalette(const std::vector<Rgb>& palette) {
  Palette8 out{};
  std::copy_n(palette.begin(), std::min<size_t>(palette.size(), 256), out.begin());
  return out;
}

Palette8 ExpandTable(const Palette6& palette) {
  Palette8 out{};
  for (size_t i = 0; i < out.size(); ++i) out[i] = picture::Expand6To8(palette[i]);
  return out;
}

Palette6 ShrinkTable(const Palette8& palette) {
  Palette6 out{};
  for (size_t i = 0; i < out.size(); ++i) out[i] = picture::Shrink8To6(palette[i]);
  return out;
}

void RowToIndices(const uint8_t* src, int bits, int count, uint8_t* dst) {
  switch (bits) {
    case 1:
      for (int x = 0; x < count; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
      break;
    case 4:
      for (int x = 0; x < count; ++x) {
        dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
      }
      break;
    case 8:
      std::memcpy(dst, src, static_cast<size_t>(count));
      break;
    default:
      std::memset(dst, 0, static_cast<size_t>(count));
      break;
  }
}

void RowToBgr(const uint8_t* src, int bits, const Palette8& palette, int count, uint8_t* dst) {
  if (bits == 24) {
    std::memcpy(dst, src, static_cast<size_t>(count) * 3);
    return;
  }
  if (bits == 32) {
    for (int x = 0; x < count; ++x, src += 4, dst += 3) {
      dst[0] = src[0];
      dst[1] = src[1];
      dst[2] = src[2];
    }
    return;
  }
  if (bits == 1) {
    for (int x = 0; x < count; ++x, dst += 3) {
      const uint8_t v = ((src[x >> 3] >> (7 - (x & 7))) & 1) ? 0xFF : 0x00;
      dst[0] = dst[1] = dst[2] = v;
    }
    return;
  }
  for (int x = 0; x < count; ++x, dst += 3) {
    const uint8_t index =
        bits == 8 ? src[x] : ((x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
    dst[0] = palette[index].b;
    dst[1] = palette[index].g;
    dst[2] = palette[index].r;
  }
}

void MakeFailure8(Bitmap& bitmap) {
  bitmap.Create(1, 1, PixelFormat::k8);
  bitmap.SetPalette({Rgb{0, 0, 0}, Rgb{255, 255, 255}});
}

bool DataCanHold(uint64_t file_size, uint64_t data_start, uint64_t min_bytes) {
  const uint64_t available = file_size > data_start ? file_size - data_start : 0;
  // A quarter of the most compact encoding must be present: generous to cut-off downloads,
  // firm against headers that promise far more than the file could ever decode to.
  return available >= min_bytes / 4;
}

void ChunkSource::Refill() {
  consumed_ += end_;
  io_.ReadLarge(chunk_.data(), kChunk);
  pos_ = 0;
  end_ = kChunk;
}

void ChunkSource::Take(uint8_t* dest, size_t n) {
  while (n > 0) {
    if (pos_ == end_) Refill();
    const size_t take = std::min(n, end_ - pos_);
    std::memcpy(dest, chunk_.data() + pos_, take);
    pos_ += take;
    dest += take;
    n -= take;
  }
}

void ChunkSource::Skip(uint64_t n) {
  while (n > 0) {
    if (pos_ == end_) Refill();
    const size_t take = static_cast<size_t>(std::min<uint64_t>(n, end_ - pos_));
    pos_ += take;
    n -= take;
  }
}

namespace {
constexpr size_t kWriteBuffer = 1 << 16;
}  // namespace

StreamWriter::~StreamWriter() { Discard(); }

bool StreamWriter::Open(const std::string& path) {
  Discard();
  failed_ = false;
  error_.clear();
  if (!file_.Open(path)) {
    error_ = "Cannot create file " + path;
    failed_ = true;
    return false;
  }
  buffer_.resize(kWriteBuffer);
  used_ = 0;
  written_ = 0;
  return true;
}

void StreamWriter::Flush() {
  if (failed_ || !file_.IsOpen() || used_ == 0) return;
  if (!file_.Write(buffer_.data(), used_)) failed_ = true;
  written_ += used_;
  used_ = 0;
}

void StreamWriter::Write(const void* data, size_t n) {
  if (failed_ || !file_.IsOpen()) return;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (used_ + n > buffer_.size()) {
    Flush();
    if (failed_) return;
    if (n >= buffer_.size()) {
      if (!file_.Write(bytes, n)) failed_ = true;
      written_ += n;
      return;
    }
  }
  std::memcpy(buffer_.data() + used_, bytes, n);
  used_ += n;
}

void StreamWriter::Patch(uint64_t offset, const void* data, size_t n) {
  if (failed_ || !file_.IsOpen()) return;
  if (offset >= written_ && offset + n <= written_ + used_) {
    std::memcpy(buffer_.data() + (offset - written_), data, n);
    return;
  }
  Flush();
  if (failed_) return;
  const ssize_t done = ::pwrite(file_.fd(), data, n, static_cast<off_t>(offset));
  if (done != static_cast<ssize_t>(n)) {
    failed_ = true;
    file_.Fail(errno);
  }
}

bool StreamWriter::Finish() {
  Flush();
  if (failed_) file_.Fail(EIO);
  if (!file_.Commit()) failed_ = true;
  if (failed_) {
    if (error_.empty()) error_ = kStreamWriteError;
    return false;
  }
  return true;
}

void StreamWriter::Discard() { file_.Discard(); }

}  // namespace vr::codecs
