#pragma once
// What a screen of 256 colours or fewer shows. Such a screen holds one palette of at most 256
// colours at a time: the viewer realises the shown picture's palette (its own table when it has
// one; the halftone table for true-colour pictures, as the platform gives bitmaps without a
// table), and every pixel drawn then takes the nearest colour of the realised palette. On a
// true-colour screen the same mapping is applied to the display bitmap when the display depth is
// set to 8 bits or fewer, so the picture looks as it would on such a screen.

#include <array>
#include <cstdint>
#include <vector>

#include "picture/bitmap.h"

namespace vr::shell {

// True when a screen of `depth` bits per pixel works through a palette.
constexpr bool IsPaletteDepth(int depth) { return depth > 0 && depth <= 8; }

// The halftone table: the 6 x 6 x 6 colour cube (levels 0, 51 ... 255, blue fastest), the 16
// standard colours, and a grey ramp filling the rest: 256 entries.
const std::vector<picture::Rgb>& HalftonePalette();

// The palette the screen realises for `picture`: its own entries (at most 256) when it has a
// palette, else the halftone table.
std::vector<picture::Rgb> PaletteToRealise(const picture::Bitmap& picture);

class ScreenPalette {
 public:
  // Makes `palette` the realised one and gives the number of entries that changed (0 when it is
  // the same palette again). The nearest-colour table is rebuilt only on a change.
  int Realise(const std::vector<picture::Rgb>& palette);
  const std::vector<picture::Rgb>& realised() const { return realised_; }

  // Puts every pixel of a 24-bit Bitmap to the nearest realised colour. No allocation.
  void MapToScreen(picture::Bitmap& bitmap) const;
  // `drawn` (24 bits) as the screen shows it while `picture` is shown: the picture's palette is
  // realised (a comparison when it already is), then every pixel is mapped.
  void MapFor(const picture::Bitmap& picture, picture::Bitmap& drawn);
  // The nearest realised colour (by squared distance on 5-bit channels).
  picture::Rgb Nearest(picture::Rgb c) const;

 private:
  std::vector<picture::Rgb> realised_;
  // Index into realised_ for each 5-5-5 colour.
  std::array<uint8_t, 32768> nearest_{};
};

}  // namespace vr::shell
