#include "picture/codecs/fli/uni_dib.h"

#include <algorithm>
#include <cstring>

namespace vr::codecs::fli {
namespace {

int RoundBits(int bits) {
  for (int supported : {1, 4, 8, 16, 24, 32}) {
    if (bits <= supported) return supported;
  }
  return 32;
}

}  // namespace

TUniDIB::TUniDIB(int width, int height, int bits)
    : width_(std::max(width, 1)),
      height_(height == 0 ? 1 : (height < 0 ? -height : height)),
      top_down_(height < 0),
      bits_(RoundBits(bits)) {
  stride_ = ((static_cast<size_t>(width_) * bits_ + 31) / 32) * 4;
  pixels_.assign(stride_ * static_cast<size_t>(height_), 0);
  if (bits_ <= 8) colour_table_.assign(static_cast<size_t>(4) << bits_, 0);
}

void TUniDIB::SetPalette(const picture::Rgb* palette256) {
  const size_t entries = colour_table_.size() / 4;
  for (size_t i = 0; i < entries; ++i) {
    colour_table_[i * 4] = palette256[i].b;
    colour_table_[i * 4 + 1] = palette256[i].g;
    colour_table_[i * 4 + 2] = palette256[i].r;
    colour_table_[i * 4 + 3] = 0;
  }
  ++palette_version_;
}

picture::Rgb TUniDIB::PaletteEntry(int index) const {
  const size_t at = static_cast<size_t>(index) * 4;
  if (index < 0 || at + 4 > colour_table_.size()) return picture::Rgb{};
  return picture::Rgb{colour_table_[at + 2], colour_table_[at + 1], colour_table_[at]};
}

uint32_t TUniDIB::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* row = Row(y);
  switch (bits_) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case 8:
      return row[x];
    case 16:
      return static_cast<uint32_t>(row[x * 2] | (row[x * 2 + 1] << 8));
    case 24:
      return static_cast<uint32_t>(row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16));
    default: {
      uint32_t v;
      std::memcpy(&v, row + x * 4, 4);
      return v;
    }
  }
}

void TUniDIB::SetPixel(int x, int y, uint32_t value) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t* row = Row(y);
  switch (bits_) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>((value & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
      break;
    }
    case 4:
      row[x >> 1] = (x & 1) ? static_cast<uint8_t>((row[x >> 1] & 0xF0) | (value & 0x0F))
                            : static_cast<uint8_t>((row[x >> 1] & 0x0F) | ((value & 0x0F) << 4));
      break;
    case 8:
      row[x] = static_cast<uint8_t>(value);
      break;
    case 16:
      row[x * 2] = static_cast<uint8_t>(value);
      row[x * 2 + 1] = static_cast<uint8_t>(value >> 8);
      break;
    case 24:
      row[x * 3] = static_cast<uint8_t>(value);
      row[x * 3 + 1] = static_cast<uint8_t>(value >> 8);
      row[x * 3 + 2] = static_cast<uint8_t>(value >> 16);
      break;
    default:
      std::memcpy(row + x * 4, &value, 4);
      break;
  }
}

void TUniDIB::CopyFrame(const uint8_t* frame, int width, int height) {
  if (bits_ != 8) return;
  const int w = std::min(width, width_);
  const int h = std::min(height, height_);
  for (int y = 0; y < h; ++y) {
    std::memcpy(Row(y), frame + static_cast<size_t>(y) * width, static_cast<size_t>(w));
  }
}

}  // namespace vr::codecs::fli
