#include "shell/screen_palette.h"

#include <algorithm>

#include "picture/palette.h"

namespace vr::shell {

using picture::Rgb;

namespace {

std::vector<Rgb> BuildHalftone() {
  std::vector<Rgb> table;
  table.reserve(256);
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        table.push_back(Rgb{static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                            static_cast<uint8_t>(b * 51)});
      }
    }
  }
  for (const Rgb& c : picture::Standard16()) table.push_back(c);
  // 24 greys between the cube's levels.
  const size_t greys = 256 - table.size();
  for (size_t i = 0; i < greys; ++i) {
    const auto v = static_cast<uint8_t>(8 + i * 240 / greys);
    table.push_back(Rgb{v, v, v});
  }
  return table;
}

}  // namespace

const std::vector<Rgb>& HalftonePalette() {
  static const std::vector<Rgb> table = BuildHalftone();
  return table;
}

std::vector<Rgb> PaletteToRealise(const picture::Bitmap& picture) {
  const std::vector<Rgb>& own = picture.Palette();
  if (own.empty()) return HalftonePalette();
  return std::vector<Rgb>(own.begin(), own.begin() + static_cast<long>(std::min<size_t>(own.size(), 256)));
}

int ScreenPalette::Realise(const std::vector<Rgb>& palette) {
  const size_t n = std::min<size_t>(palette.size(), 256);
  int changed = 0;
  for (size_t i = 0; i < std::max(n, realised_.size()); ++i) {
    if (i >= n || i >= realised_.size() || !(palette[i] == realised_[i])) ++changed;
  }
  if (changed == 0) return 0;
  realised_.assign(palette.begin(), palette.begin() + static_cast<long>(n));
  if (realised_.empty()) realised_.push_back(Rgb{0, 0, 0});
  for (int key = 0; key < 32768; ++key) {
    // The centre of the 5-bit cell.
    const int r = ((key >> 10) & 31) * 8 + 4;
    const int g = ((key >> 5) & 31) * 8 + 4;
    const int b = (key & 31) * 8 + 4;
    int best = 0;
    int best_distance = 1 << 30;
    for (size_t i = 0; i < realised_.size(); ++i) {
      const int dr = r - realised_[i].r;
      const int dg = g - realised_[i].g;
      const int db = b - realised_[i].b;
      const int d = dr * dr + dg * dg + db * db;
      if (d < best_distance) {
        best_distance = d;
        best = static_cast<int>(i);
      }
    }
    nearest_[static_cast<size_t>(key)] = static_cast<uint8_t>(best);
  }
  return changed;
}

void ScreenPalette::MapFor(const picture::Bitmap& picture, picture::Bitmap& drawn) {
  Realise(PaletteToRealise(picture));
  MapToScreen(drawn);
}

Rgb ScreenPalette::Nearest(Rgb c) const {
  if (realised_.empty()) return c;
  const int key = ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3);
  return realised_[nearest_[static_cast<size_t>(key)]];
}

void ScreenPalette::MapToScreen(picture::Bitmap& bitmap) const {
  if (realised_.empty() || bitmap.Format() != picture::PixelFormat::k24) return;
  const int width = bitmap.Width();
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* px = bitmap.Row(y);
    for (int x = 0; x < width; ++x, px += 3) {
      const Rgb c = Nearest(Rgb{px[2], px[1], px[0]});
      px[0] = c.b;
      px[1] = c.g;
      px[2] = c.r;
    }
  }
}

}  // namespace vr::shell
