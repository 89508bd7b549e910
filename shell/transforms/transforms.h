#pragma once
// The "Effec&Ts" menu's changes to the picture in memory: "&Mirror" (left to right), "&Flip"
// (top to bottom), "&Rotate" (90 degrees to the right) and the resize behind "&Zoom". Every depth
// (1, 4, 8, 15, 16, 24, 32 bits) keeps its format and palette, except the resize, which gives
// 24 bits.

#include <cstdint>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/fit.h"
#include "picture/picture_holder.h"

namespace vr::transforms {

using picture::Bitmap;

// Before any transform a JPEG, PNG, icon or metafile becomes a Bitmap of its own depth.
void MakeBitmapForTransform(picture::PictureHolder& holder);

// Reverses every row in place. Indexed pixels keep their palette indices.
void Mirror(Bitmap& bitmap);

// Swaps row i with row height - 1 - i.
void Flip(Bitmap& bitmap);

// How a rotation is cut up: bands of `band_rows` source rows (counted from the bottom) by tiles
// of 288 source columns, gathered in a store of `store_bytes`.
struct RotateLayout {
  int pixel_bytes = 0;  // 1, 2, 3 or 4 (1- and 4-bit pictures rotate as 8 bits)
  int band_rows = 0;    // 162 / pixel_bytes
  int bands = 0;        // (height - 1) / band_rows + 1
  int tiles = 0;        // ceil(width / 288)
  uint64_t store_bytes = 0;
};
inline constexpr int kTileColumns = 288;
inline constexpr int kTileBytes = 162 * 288;
RotateLayout RotateLayoutFor(int width, int height, int bits);

struct RotateResult {
  bool ok = false;
  std::string error;    // the picture is unchanged when set
  std::string warning;  // the picture is rotated, but releasing the store failed
};

// Rotates 90 degrees clockwise: the pixel at column x, row y goes to column height - 1 - y, row x.
// The rotated rows are gathered in a memory-mapped temporary file in `temp_folder` (empty: the
// program's temporary folder), created exclusively and removed at once, so that the process's
// own memory holds little more than one picture.
RotateResult Rotate(Bitmap& bitmap, const std::string& temp_folder = std::string());

// The steps of a resize to W x H: shrinking in both directions or enlarging in both (an equal
// side counts as enlarging) is one scaled draw; otherwise the shrinking side is scaled first
// (the other kept) and the result is stretched to W x H.
struct ResizeStep {
  int width = 0;
  int height = 0;
  bool scaled_draw = true;  // false: plain stretch
  friend bool operator==(const ResizeStep&, const ResizeStep&) = default;
};
std::vector<ResizeStep> PlanResize(int width, int height, int new_width, int new_height);

// Resizes to a 24-bit picture of new_width x new_height; `smoothing` picks the area-averaging
// shrink where the picture shrinks. False (picture unchanged) when memory is short.
bool ResizePicture(Bitmap& bitmap, int new_width, int new_height, bool smoothing,
                   int display_depth = 32);

}  // namespace vr::transforms
