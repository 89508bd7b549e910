#include "picture/codecs/fli/fli_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vr::codecs::fli {
namespace {

// A frame buffer is refused when it is larger than this and larger than the file could
// describe (a byte-run line packs at most 127 pixels into 2 bytes).
constexpr uint64_t kAlwaysAllowedPixels = uint64_t{16} << 20;
constexpr uint64_t kPixelsPerFileByte = 64;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

uint32_t FliHeader::FramePeriod() const {
  if (IsFli())
    return static_cast<uint32_t>(std::lround(static_cast<double>(speed) * 1000.0 / 70.0));
  return speed;
}

FliFile::FliFile() : chunk_(kChunkBufferSize) {}

bool FliFile::Open(const std::string& path) {
  Close();
  if (!io_.Open(path)) {
    error_ = "Fatal Error: File does not exist!";
    return false;
  }
  return Start();
}

bool FliFile::OpenMemory(const uint8_t* data, size_t size) {
  Close();
  io_.OpenMemory(data, size);
  return Start();
}

void FliFile::Close() {
  io_.Close();
  error_.clear();
  header_ = FliHeader{};
  frame_.clear();
  frame_number_ = 0;
  resyncs_ = 0;
  told_last_pixel_ = false;
  std::fill(std::begin(palette_), std::end(palette_), picture::Rgb{});
}

bool FliFile::Start() {
  file_size_ = io_.FileSize();
  uint8_t h[128];
  io_.Seek(0);
  io_.Empty();
  io_.ReadBlock(h, sizeof(h));
  header_.file_size = Get32(h);
  header_.magic = Get16(h + 4);
  header_.frames = Get16(h + 6);
  header_.width = Get16(h + 8);
  header_.height = Get16(h + 10);
  header_.depth = Get16(h + 12);
  header_.flags = Get16(h + 14);
  header_.speed = Get32(h + 16);
  const uint64_t pixels =
      static_cast<uint64_t>(header_.width) * static_cast<uint64_t>(header_.height);
  if (file_size_ < 128 || pixels == 0) {
    error_ = "Fatal Error: Not a FLI/FLC file!";
    io_.Close();
    return false;
  }
  if ((pixels > kAlwaysAllowedPixels && pixels / kPixelsPerFileByte > file_size_) ||
      pixels > picture::MemoryBudget()) {
    error_ = "Fatal Error: Movie is too large!";
    io_.Close();
    return false;
  }
  frame_.assign(pixels, 0);
  // FLC files name the offset of their first frame; FLI frames follow the header.
  first_frame_ = 128;
  if (!header_.IsFli()) {
    const uint32_t first = Get32(h + 80);
    if (first > 128 && first < file_size_) first_frame_ = first;
  }
  next_frame_ = first_frame_;
  frame_number_ = 0;
  return true;
}

void FliFile::Rewind() {
  next_frame_ = first_frame_;
  frame_number_ = 0;
}

bool FliFile::ReadFrameHeader(uint64_t at, uint32_t* size, uint16_t* type, uint16_t* chunks) {
  if (at + 16 > file_size_) return false;
  uint8_t h[16];
  io_.Seek(at);
  io_.Empty();
  io_.ReadBlock(h, sizeof(h));
  *size = Get32(h);
  *type = Get16(h + 4);
  *chunks = Get16(h + 6);
  return true;
}

bool FliFile::Resynchronise(uint64_t bad_start, uint64_t* frame_start) {
  // The frame marker sits 4 bytes into a frame; a frame found this way starts after the bad
  // one, so the search always moves forward.
  uint64_t pos = bad_start + 5;
  if (pos >= file_size_) return false;
  io_.Seek(pos);
  io_.Empty();
  uint8_t previous = io_.ReadByte();
  for (++pos; pos < file_size_; ++pos) {
    const uint8_t b = io_.ReadByte();
    if (previous == 0xFA && b == 0xF1) {
      *frame_start = pos - 1 - 4;
      return true;
    }
    previous = b;
  }
  return false;
}

FliFile::Step FliFile::DecodeNext(bool wrap) {
  if (!io_.IsOpen()) return Step::kLost;
  palette_changed_ = false;
  ++frame_number_;
  if (frame_number_ > header_.frames) {
    if (!wrap) {
      frame_number_ = header_.frames;
      return Step::kEnded;
    }
    Rewind();
    frame_number_ = 1;
  }
  uint64_t at = next_frame_;
  uint32_t size = 0;
  uint16_t type = 0;
  uint16_t chunks = 0;
  for (;;) {
    const bool read = ReadFrameHeader(at, &size, &type, &chunks);
    if (read && size >= 16 && type == kPrefixType) {
      at += size;
      continue;
    }
    if (read && size >= 16 && type == kFrameType) break;
    ++resyncs_;
    uint64_t found = 0;
    if (!Resynchronise(at, &found)) return Step::kLost;
    at = found;
  }

  uint64_t pos = at + 16;
  uint64_t remaining = size - 16;
  for (int i = 0; i < chunks && remaining >= 6; ++i) {
    uint8_t h[6];
    io_.Seek(pos);
    io_.Empty();
    io_.ReadBlock(h, sizeof(h));
    const uint32_t chunk_size = Get32(h);
    const uint16_t chunk_type = Get16(h + 4);
    if (chunk_size < 6 || chunk_size > remaining || pos + chunk_size > file_size_) break;
    const size_t n = chunk_size - 6;
    if (n > chunk_.size()) chunk_.resize(static_cast<size_t>(chunk_size) + 994);
    for (size_t done = 0; done < n;) {
      const size_t piece = std::min<size_t>(n - done, 32767);
      io_.ReadBlock(chunk_.data() + done, piece);
      done += piece;
    }
    DecodeChunk(chunk_type, chunk_.data(), n);
    pos += chunk_size;
    remaining -= chunk_size;
  }
  next_frame_ = at + size;
  return Step::kDecoded;
}

void FliFile::DecodeChunk(uint16_t type, const uint8_t* data, size_t size) {
  const uint8_t* end = data + size;
  const size_t pixels = frame_.size();
  switch (type) {
    case 4:
      DecodePalette(data, end, false);
      break;
    case 11:
      DecodePalette(data, end, true);
      break;
    case 7:
      DecodeWordDelta(data, end);
      break;
    case 12:
      DecodeLineDelta(data, end);
      break;
    case 13:
      std::fill(frame_.begin(), frame_.end(), uint8_t{0});
      break;
    case 15:
      DecodeByteRun(data, end);
      break;
    case 16:
      std::memcpy(frame_.data(), data, std::min(pixels, size));
      break;
    default:
      break;
  }
}

void FliFile::DecodePalette(const uint8_t* p, const uint8_t* end, bool six_bit) {
  if (end - p < 2) return;
  const int packets = Get16(p);
  p += 2;
  int index = 0;
  for (int k = 0; k < packets && end - p >= 2; ++k) {
    index += *p++;
    int count = *p++;
    if (count == 0) count = 256;
    for (int c = 0; c < count && end - p >= 3; ++c, p += 3, ++index) {
      if (index >= 256) continue;
      auto level = [six_bit](uint8_t v) {
        return static_cast<uint8_t>(six_bit ? std::min(v * 4, 255) : v);
      };
      palette_[index] = picture::Rgb{level(p[0]), level(p[1]), level(p[2])};
      palette_changed_ = true;
    }
  }
}

void FliFile::DecodeByteRun(const uint8_t* p, const uint8_t* end) {
  const int width = header_.width;
  for (int y = 0; y < header_.height; ++y) {
    if (p >= end) return;
    ++p;  // packet count, not trusted
    uint8_t* row = frame_.data() + static_cast<size_t>(y) * width;
    int x = 0;
    while (x < width) {
      if (end - p < 2) return;
      const int count = static_cast<int8_t>(*p++);
      if (count < 0) {
        const int n = std::min<int>({-count, width - x, static_cast<int>(end - p)});
        std::memcpy(row + x, p, static_cast<size_t>(n));
        p += -count;
        x += -count;
      } else {
        const int n = std::min(count, width - x);
        std::memset(row + x, *p++, static_cast<size_t>(n));
        x += count;
      }
    }
  }
}

void FliFile::DecodeLineDelta(const uint8_t* p, const uint8_t* end) {
  if (end - p < 4) return;
  const int width = header_.width;
  int y = Get16(p);
  const int lines = Get16(p + 2);
  p += 4;
  for (int l = 0; l < lines && y < header_.height; ++l, ++y) {
    if (p >= end) return;
    const int packets = *p++;
    uint8_t* row = frame_.data() + static_cast<size_t>(y) * width;
    int x = 0;
    for (int k = 0; k < packets; ++k) {
      if (end - p < 2) return;
      x += *p++;
      const int count = static_cast<int8_t>(*p++);
      if (count > 0) {
        const int n = std::clamp(std::min(count, width - x), 0, static_cast<int>(end - p));
        if (n > 0) std::memcpy(row + x, p, static_cast<size_t>(n));
        p += std::min<ptrdiff_t>(count, end - p);
        x += count;
      } else if (count < 0) {
        if (p >= end) return;
        const int n = std::clamp(std::min(-count, width - x), 0, width);
        if (n > 0) std::memset(row + x, *p, static_cast<size_t>(n));
        ++p;
        x += -count;
      }
    }
  }
}

void FliFile::DecodeWordDelta(const uint8_t* p, const uint8_t* end) {
  if (end - p < 2) return;
  const int width = header_.width;
  const int height = header_.height;
  const int lines = Get16(p);
  p += 2;
  int y = 0;
  for (int l = 0; l < lines; ++l) {
    int packets = 0;
    for (;;) {
      if (end - p < 2) return;
      const uint16_t word = Get16(p);
      p += 2;
      if ((word & 0xC000) == 0xC000) {
        y += -static_cast<int16_t>(word);
        if (y >= height) return;
        continue;
      }
      if (word & 0x8000) {
        // The last pixel of the line, followed by the line's packet count.
        if (!told_last_pixel_) {
          told_last_pixel_ = true;
          if (on_message) on_message(kLastPixelText);
        }
        if (y < height)
          frame_[static_cast<size_t>(y) * width + width - 1] = static_cast<uint8_t>(word & 0xFF);
        continue;
      }
      packets = word;
      break;
    }
    if (y >= height) return;
    uint8_t* row = frame_.data() + static_cast<size_t>(y) * width;
    int x = 0;
    for (int k = 0; k < packets; ++k) {
      if (end - p < 2) return;
      x += *p++;
      const int count = static_cast<int8_t>(*p++);
      if (count > 0) {
        const int bytes = 2 * count;
        const int n = std::clamp(std::min(bytes, width - x), 0, static_cast<int>(end - p));
        if (n > 0) std::memcpy(row + x, p, static_cast<size_t>(n));
        p += std::min<ptrdiff_t>(bytes, end - p);
        x += bytes;
      } else if (count < 0) {
        if (end - p < 2) return;
        for (int r = 0; r < -count; ++r, x += 2) {
          if (x >= 0 && x < width) row[x] = p[0];
          if (x + 1 >= 0 && x + 1 < width) row[x + 1] = p[1];
        }
        p += 2;
      }
    }
    ++y;
  }
}

}  // namespace vr::codecs::fli
