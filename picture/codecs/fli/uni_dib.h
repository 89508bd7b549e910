#pragma once
// TUniDIB: a device-independent bitmap with its colour table, the picture the movie player
// draws from. Rows are kept top first whatever the sign of the height it was made with; the
// window layer wraps the rows for drawing.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/bitmap.h"

namespace vr::codecs::fli {

class TUniDIB {
 public:
  // Width at least 1; a height of 0 becomes 1, a negative height means top-down; bits are
  // rounded up to 1, 4, 8, 16, 24 or 32.
  TUniDIB(int width, int height, int bits);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool TopDown() const { return top_down_; }
  int Bits() const { return bits_; }
  size_t Stride() const { return stride_; }
  uint8_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * stride_; }
  const uint8_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * stride_; }

  // Colour table entries as blue, green, red, 0 (2^bits entries for 8 bits or fewer).
  const std::vector<uint8_t>& ColourTable() const { return colour_table_; }
  // Changes each time a new palette is made, so the window knows to realise it again.
  int PaletteVersion() const { return palette_version_; }
  // Sets the palette from 256 red, green, blue entries.
  void SetPalette(const picture::Rgb* palette256);
  picture::Rgb PaletteEntry(int index) const;

  uint32_t GetPixel(int x, int y) const;
  void SetPixel(int x, int y, uint32_t value);

  // Copies an unpadded 8-bit frame of the same size into the padded rows.
  void CopyFrame(const uint8_t* frame, int width, int height);

 private:
  int width_;
  int height_;
  bool top_down_;
  int bits_;
  size_t stride_;
  std::vector<uint8_t> pixels_;
  std::vector<uint8_t> colour_table_;
  int palette_version_ = 0;
};

}  // namespace vr::codecs::fli
