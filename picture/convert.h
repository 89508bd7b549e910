#pragma once
// Conversion between picture depths: whole pictures, single rows, colour counting and the plain
// (nearest pixel, colour-on-colour) stretch that every scaled draw falls back to.

#include <cstdint>
#include <memory>
#include <vector>

#include "picture/bitmap.h"
#include "picture/fit.h"
#include "picture/palette.h"
#include "picture/picture_holder.h"

namespace vr::picture {

// Background the metafiles are drawn on (red 0xD0, green 0xC0, blue 0xC0).
inline constexpr Rgb kMetafileBackground{0xD0, 0xC0, 0xC0};

// Converts `count` pixels of one row. Supported (source -> destination bits): 1->4, 1->8, 1->24,
// 4->8, 4->24, 8->1, 8->24 and the plain copies 4->4, 8->8, 24->24. 4->24 and 8->24 look the
// index up in the 6-bit `palette` (which may then not be null). Returns false, writing nothing,
// for any other pair.
bool ConvertRow(const uint8_t* src, uint8_t* dst, int src_bits, const Palette6* palette, int count,
                int dst_bits);

// Makes `dst` a Bitmap holder with the source drawn into it. `depth` 0 keeps the source's own
// depth (metafile 8, icon 24, PNG its stored depth, JPEG its output depth, Bitmap its format);
// 1, 4 and 8 give those; 24 and 32 both give 24 bits. `width`/`height` above 0 ask for that size,
// else the source size is kept. `src` and `dst` may be the same holder. Never throws; a source
// that cannot be drawn leaves the 1 x 1 destination.
void ConvertPicture(const PictureHolder& src, PictureHolder& dst, int depth, int width = 0,
                    int height = 0);

// Number of colours: 2^bits below 8 bits, else the number of distinct palette indices (8 bits) or
// distinct colours at 6 bits per channel (deeper pictures).
int CountColours(const PictureHolder& holder);
int CountColours(const Bitmap& bitmap);

// One row of any format expanded to blue, green, red triples (3 * width bytes).
void ExpandRowTo24(const Bitmap& bitmap, int y, uint8_t* bgr);

// Draws `src` stretched over `rect` of `dst` by picking the nearest source pixel, converting to
// the destination's format (indexed destinations take the nearest colour of their palette, or
// the very index when both palettes agree). Parts of `rect` outside `dst` are clipped.
void StretchDraw(const Bitmap& src, Bitmap& dst, Rect rect);

// Nearest palette entry of a colour, remembered per 5-5-5 colour so whole pictures map quickly.
class NearestIndex {
 public:
  explicit NearestIndex(const std::vector<Rgb>& palette);
  uint8_t Find(uint8_t b, uint8_t g, uint8_t r);

 private:
  std::vector<Rgb> palette_;
  std::unique_ptr<int16_t[]> cache_;  // -1: not yet looked up
};

// Fills a whole Bitmap with one colour (indexed Bitmaps take the nearest palette entry).
void FillBitmap(Bitmap& bitmap, Rgb colour);

}  // namespace vr::picture
