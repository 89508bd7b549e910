#include "picture/palette.h"

#include <algorithm>

namespace vr::picture {

Rgb Expand6To8(Rgb c6) { return Rgb{Expand6To8(c6.r), Expand6To8(c6.g), Expand6To8(c6.b)}; }
Rgb Shrink8To6(Rgb c8) { return Rgb{Shrink8To6(c8.r), Shrink8To6(c8.g), Shrink8To6(c8.b)}; }

const std::array<Rgb, 16> kTableA = {{{0, 0, 0},
                                      {63, 63, 63},
                                      {0, 0, 32},
                                      {0, 32, 0},
                                      {0, 32, 32},
                                      {32, 0, 0},
                                      {32, 0, 32},
                                      {32, 32, 0},
                                      {42, 42, 42},
                                      {21, 21, 21},
                                      {0, 0, 63},
                                      {0, 63, 0},
                                      {0, 63, 63},
                                      {63, 0, 0},
                                      {63, 0, 63},
                                      {63, 63, 0}}};

const std::array<Rgb, 16> kTableB = {{{0, 0, 0},
                                      {32, 0, 0},
                                      {0, 32, 0},
                                      {32, 32, 0},
                                      {0, 0, 32},
                                      {32, 0, 32},
                                      {0, 32, 32},
                                      {32, 32, 32},
                                      {47, 47, 47},
                                      {63, 0, 0},
                                      {0, 63, 0},
                                      {63, 63, 0},
                                      {0, 0, 63},
                                      {63, 0, 63},
                                      {0, 63, 63},
                                      {63, 63, 63}}};

Palette6 GreyRamp6() {
  Palette6 out{};
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<uint8_t>((i * 63 + 127) / 255);
    out[i] = Rgb{v, v, v};
  }
  return out;
}

std::vector<Rgb> TwoColourPalette() { return {Rgb{0, 0, 0}, Rgb{255, 255, 255}}; }

Palette6 Cube332() {
  Palette6 out{};
  for (int r = 0; r < 8; ++r) {
    for (int g = 0; g < 8; ++g) {
      for (int b = 0; b < 4; ++b) {
        out[r * 32 + g * 4 + b] =
            Rgb{static_cast<uint8_t>(8 * r + 7), static_cast<uint8_t>(8 * g + 7),
                static_cast<uint8_t>(16 * b + 15)};
      }
    }
  }
  return out;
}

std::vector<Rgb> Cube685() {
  std::vector<Rgb> out(256, Rgb{0, 0, 0});
  int i = 0;
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 8; ++g) {
      for (int b = 0; b < 5; ++b) {
        out[i++] = Rgb{static_cast<uint8_t>(42 * r + 44), static_cast<uint8_t>(32 * g + 31),
                       static_cast<uint8_t>(51 * b + 51)};
      }
    }
  }
  return out;
}

int GreyLevel6(Rgb c6) { return (c6.r * 32 + c6.g * 64 + c6.b * 12) / 108; }

std::vector<Rgb> Standard16() {
  std::vector<Rgb> out;
  out.reserve(16);
  for (const Rgb& c : kTableB) out.push_back(Expand6To8(c));
  return out;
}

std::vector<Rgb> Standard8() {
  std::vector<Rgb> out{Expand6To8(kTableB[0])};
  for (int i = 9; i <= 15; ++i) out.push_back(Expand6To8(kTableB[i]));
  return out;
}

void InsertStandard16(std::vector<Rgb>& table, int k) {
  table.resize(256);
  if (k < 0) return;
  for (int i = 0; i < 16 && k + i < 256; ++i) table[k + i] = Expand6To8(kTableB[i]);
}

Rgb EgaByteTo6(uint8_t ega) {
  auto bit = [ega](int n) { return (ega >> n) & 1; };
  return Rgb{static_cast<uint8_t>(32 * bit(2) + 16 * bit(5)),
             static_cast<uint8_t>(32 * bit(1) + 16 * bit(4)),
             static_cast<uint8_t>(32 * bit(0) + 16 * bit(3))};
}

std::array<Rgb, 17> EgaBytesTo6(const uint8_t* ega17) {
  std::array<Rgb, 17> out{};
  for (int i = 0; i < 17; ++i) out[i] = EgaByteTo6(ega17[i]);
  return out;
}

std::vector<Rgb> PaletteFrom6(const Rgb* c6, int count) {
  count = std::clamp(count, 0, 256);
  std::vector<Rgb> out(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) out[i] = Expand6To8(c6[i]);
  return out;
}

std::vector<Rgb> PaletteFrom8(const Rgb* c8, int count) {
  count = std::clamp(count, 0, 256);
  return std::vector<Rgb>(c8, c8 + count);
}

void ApplyPalette6(Bitmap& bitmap, const Palette6& palette) {
  std::vector<Rgb> full = PaletteFrom6(palette.data(), 256);
  if (bitmap.Indexed()) full.resize(size_t{1} << bitmap.Bits());
  bitmap.SetPalette(std::move(full));
}

Palette6 ReadPalette6(const Bitmap& bitmap) {
  Palette6 out{};
  const auto& pal = bitmap.Palette();
  for (size_t i = 0; i < pal.size() && i < 256; ++i) out[i] = Shrink8To6(pal[i]);
  return out;
}

std::array<Rgb, 256> ReadPalette8(const Bitmap& bitmap) {
  std::array<Rgb, 256> out{};
  const auto& pal = bitmap.Palette();
  for (size_t i = 0; i < pal.size() && i < 256; ++i) out[i] = pal[i];
  return out;
}

void DropPalette(Bitmap& bitmap) {
  if (!bitmap.Indexed()) bitmap.Palette().clear();
}

}  // namespace vr::picture
