#pragma once
// Byte-by-byte builders of the test pictures, so each case states exactly what the file holds.

#include <cstdint>
#include <string>
#include <vector>

#include "picture/bitmap.h"

namespace vr::test_pictures {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
inline void PutBe16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}

// A deterministic pseudo-random byte stream (xorshift), for pixel data and byte flips.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed | 1) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  uint8_t Byte() { return static_cast<uint8_t>(Next() >> 24); }

 private:
  uint32_t state_;
};

struct DibShape {
  int width = 0;
  int height = 0;  // negative: top-down
  int bits = 24;
  uint32_t compression = 0;
  std::vector<uint32_t> masks;  // written after a 40-byte header
  std::vector<picture::Rgb> palette;
  bool core = false;  // 12-byte OS/2 header, 3-byte palette entries
  Bytes pixels;       // exactly as stored (rows padded, in stored order)
};

// Information header + masks + palette + pixels.
inline Bytes DibBytes(const DibShape& s) {
  Bytes b;
  if (s.core) {
    Put32(b, 12);
    Put16(b, static_cast<uint32_t>(s.width));
    Put16(b, static_cast<uint32_t>(s.height));
    Put16(b, 1);
    Put16(b, static_cast<uint32_t>(s.bits));
  } else {
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(s.width));
    Put32(b, static_cast<uint32_t>(s.height));
    Put16(b, 1);
    Put16(b, static_cast<uint32_t>(s.bits));
    Put32(b, s.compression);
    Put32(b, static_cast<uint32_t>(s.pixels.size()));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, static_cast<uint32_t>(s.palette.size()));
    Put32(b, 0);
    for (uint32_t m : s.masks) Put32(b, m);
  }
  for (const picture::Rgb& c : s.palette) {
    b.push_back(c.b);
    b.push_back(c.g);
    b.push_back(c.r);
    if (!s.core) b.push_back(0);
  }
  b.insert(b.end(), s.pixels.begin(), s.pixels.end());
  return b;
}

// "BM" file header in front of the bitmap information.
inline Bytes BmpBytes(const DibShape& s) {
  const Bytes dib = DibBytes(s);
  const uint32_t header = s.core ? 12 : 40;
  const uint32_t palette = static_cast<uint32_t>(s.palette.size()) * (s.core ? 3 : 4);
  const uint32_t offset = 14 + header + static_cast<uint32_t>(s.masks.size()) * 4 + palette;
  Bytes b = {'B', 'M'};
  Put32(b, static_cast<uint32_t>(14 + dib.size()));
  Put32(b, 0);
  Put32(b, offset);
  b.insert(b.end(), dib.begin(), dib.end());
  return b;
}

inline size_t Stride(int width, int bits) {
  return ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
}

// Rows of noise, padded, for uncompressed pictures.
inline Bytes NoiseRows(int width, int height, int bits, uint32_t seed) {
  Noise noise(seed);
  Bytes b(Stride(width, bits) * static_cast<size_t>(height < 0 ? -height : height));
  for (uint8_t& v : b) v = noise.Byte();
  return b;
}

inline std::vector<picture::Rgb> NoisePalette(int entries, uint32_t seed) {
  Noise noise(seed);
  std::vector<picture::Rgb> palette(static_cast<size_t>(entries));
  for (picture::Rgb& c : palette) c = picture::Rgb{noise.Byte(), noise.Byte(), noise.Byte()};
  return palette;
}

// A smooth colourful 24-bit picture (JPEG friendly).
inline picture::Bitmap Gradient(int width, int height) {
  picture::Bitmap bitmap;
  bitmap.Create(width, height, picture::PixelFormat::k24);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
      row[3 * x + 1] = static_cast<uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
      row[3 * x + 2] = static_cast<uint8_t>(((x / 8 + y / 8) % 2) ? 220 : 40);
    }
  }
  return bitmap;
}

// Every prefix of `bytes` and `flips` copies with one random byte changed, handed to `decode`.
template <typename Decode>
void Torture(const Bytes& bytes, int flips, uint32_t seed, Decode decode) {
  for (size_t n = 0; n < bytes.size(); ++n) decode(Bytes(bytes.begin(), bytes.begin() + n));
  Noise noise(seed);
  for (int i = 0; i < flips && !bytes.empty(); ++i) {
    Bytes copy = bytes;
    copy[noise.Next() % copy.size()] = noise.Byte();
    decode(copy);
  }
}

}  // namespace vr::test_pictures
