#pragma once
// Builds FLI and FLC files byte by byte for the tests and the fuzz seeds.

#include <cstdint>
#include <string>
#include <vector>

namespace vr::codecs::fli::testing {

class Bytes {
 public:
  Bytes& U8(int v) {
    data.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Bytes& U16(int v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
  Bytes& U32(uint32_t v) {
    return U16(static_cast<int>(v & 0xFFFF)).U16(static_cast<int>(v >> 16));
  }
  Bytes& Add(const std::vector<uint8_t>& more) {
    for (uint8_t b : more) data.push_back(b);
    return *this;
  }
  std::vector<uint8_t> data;
};

// One chunk: size (header included), type, data.
inline std::vector<uint8_t> Chunk(int type, const std::vector<uint8_t>& body) {
  Bytes b;
  b.U32(static_cast<uint32_t>(body.size() + 6)).U16(type).Add(body);
  return b.data;
}

// A 256-level palette chunk setting `count` entries from `first` to grey levels value, +1, ...
inline std::vector<uint8_t> PaletteChunk(int type, int first, int count, int value) {
  Bytes b;
  b.U16(1).U8(first).U8(count == 256 ? 0 : count);
  for (int i = 0; i < count; ++i) b.U8(value + i).U8(value + i).U8(value + i);
  return Chunk(type, b.data);
}

// Byte-run frame of literal packets only (at most 127 bytes each).
inline std::vector<uint8_t> ByteRunChunk(const std::vector<uint8_t>& frame, int width, int height) {
  Bytes b;
  for (int y = 0; y < height; ++y) {
    b.U8(0);
    for (int x = 0; x < width;) {
      const int n = std::min(127, width - x);
      b.U8(-n);
      for (int i = 0; i < n; ++i) b.U8(frame[static_cast<size_t>(y) * width + x + i]);
      x += n;
    }
  }
  return Chunk(15, b.data);
}

inline std::vector<uint8_t> Frame(const std::vector<std::vector<uint8_t>>& chunks,
                                  int type = 0xF1FA) {
  Bytes body;
  for (const auto& c : chunks) body.Add(c);
  Bytes b;
  b.U32(static_cast<uint32_t>(body.data.size() + 16))
      .U16(type)
      .U16(static_cast<int>(chunks.size()));
  for (int i = 0; i < 8; ++i) b.U8(0);
  b.Add(body.data);
  return b.data;
}

inline std::vector<uint8_t> Header(bool fli, int frames, int width, int height, uint32_t speed) {
  Bytes b;
  b.U32(0).U16(fli ? 0xAF11 : 0xAF12).U16(frames).U16(width).U16(height).U16(8).U16(0).U32(speed);
  while (b.data.size() < 128) b.U8(0);
  return b.data;
}

// A movie whose frame n (1-based) is filled with the value n through a black frame plus a
// byte-run frame, with a palette in the first frame.
inline std::vector<uint8_t> CountingMovie(bool fli, int frames, int width, int height,
                                          uint32_t speed) {
  Bytes b;
  b.Add(Header(fli, frames, width, height, speed));
  for (int n = 1; n <= frames; ++n) {
    std::vector<std::vector<uint8_t>> chunks;
    if (n == 1) chunks.push_back(PaletteChunk(4, 0, 256, 0));
    chunks.push_back(ByteRunChunk(
        std::vector<uint8_t>(static_cast<size_t>(width) * height, static_cast<uint8_t>(n)), width,
        height));
    b.Add(Frame(chunks));
  }
  return b.data;
}

}  // namespace vr::codecs::fli::testing
