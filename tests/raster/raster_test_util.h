#pragma once
// Helpers of the raster codec tests: files built byte by byte, peer-tool checks, and a way to
// make writes fail.

#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "picture/bitmap.h"

namespace vr::codecs::testing {

// A little-endian byte builder.
struct Bytes {
  std::vector<uint8_t> v;
  Bytes& U8(int b) {
    v.push_back(static_cast<uint8_t>(b));
    return *this;
  }
  Bytes& U16(int w) { return U8(w & 0xFF).U8((w >> 8) & 0xFF); }
  Bytes& Fill(size_t n, int b) {
    v.insert(v.end(), n, static_cast<uint8_t>(b));
    return *this;
  }
  Bytes& Raw(std::initializer_list<int> bytes) {
    for (int b : bytes) U8(b);
    return *this;
  }
  size_t Size() const { return v.size(); }
};

// Runs a peer tool quietly; -1 when the tool is not installed.
inline int RunTool(const std::string& tool, const std::string& args) {
  const std::string probe = "command -v " + tool + " >/dev/null 2>&1";
  if (std::system(probe.c_str()) != 0) return -1;
  const std::string cmd = tool + " " + args + " >/dev/null 2>&1";
  return std::system(cmd.c_str());
}

// While alive, files may not grow past `bytes`: writes beyond fail with EFBIG.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
};

// A picture with a recognisable pattern in every pixel.
inline picture::Bitmap Pattern(int width, int height, picture::PixelFormat format) {
  picture::Bitmap b;
  b.Create(width, height, format);
  const int bits = b.Bits();
  for (int y = 0; y < height; ++y) {
    uint8_t* row = b.Row(y);
    for (int x = 0; x < width; ++x) {
      const int v = (x * 7 + y * 13 + (x * y) % 5) & 0xFF;
      switch (bits) {
        case 1:
          if (v & 1) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
          break;
        case 4:
          row[x >> 1] |= static_cast<uint8_t>((x & 1) ? (v & 15) : ((v & 15) << 4));
          break;
        case 8:
          row[x] = static_cast<uint8_t>(v);
          break;
        case 24:
          row[x * 3] = static_cast<uint8_t>(v);
          row[x * 3 + 1] = static_cast<uint8_t>(255 - v);
          row[x * 3 + 2] = static_cast<uint8_t>(v * 3);
          break;
      }
    }
  }
  if (b.Indexed()) {
    std::vector<picture::Rgb> palette(size_t{1} << bits);
    for (size_t i = 0; i < palette.size(); ++i) {
      palette[i] = picture::Rgb{static_cast<uint8_t>(i * 4), static_cast<uint8_t>(255 - i),
                                static_cast<uint8_t>(i * 9)};
    }
    if (bits == 1) palette = {picture::Rgb{0, 0, 0}, picture::Rgb{255, 255, 255}};
    b.SetPalette(palette);
  }
  return b;
}

// A 6-bit round trip of an 8-bit channel, the precision the codec palettes keep.
inline uint8_t Six(uint8_t c) {
  const int six = (c * 63 + 127) / 255;
  return static_cast<uint8_t>((six * 255 + 31) / 63);
}
inline picture::Rgb Six(picture::Rgb c) { return {Six(c.r), Six(c.g), Six(c.b)}; }

}  // namespace vr::codecs::testing
