#pragma once
// Area-averaging shrink: the smooth reduction used for display, thumbnails and previews.

#include "picture/bitmap.h"
#include "picture/fit.h"
#include "picture/picture_holder.h"

namespace vr::picture {

// Shrinks `src` (1, 4, 8, 15, 16, 24 or 32 bits) into a 24-bit `dst` of width x height by
// averaging every source pixel into the destination pixel it falls in. Steps are fixed point in
// units of 1/10000; one accumulator row of 32-bit sums is kept. A side that would grow is
// stretched instead (the shrink only ever reduces). Returns false when `dst` cannot be made.
bool ShrinkSmooth(const Bitmap& src, Bitmap& dst, int width, int height);
// Any picture: non-Bitmap graphics are first drawn into a 24-bit Bitmap of their own size.
bool ShrinkSmooth(const PictureHolder& src, Bitmap& dst, int width, int height);

// Whether shrunken pictures are smoothed on screen: the screen must be deeper than 14 bits and
// the menu choice "Smooth SHRUNKEN Images On Screen?" checked.
struct SmoothSettings {
  int display_depth = 32;
  bool smooth_shrunken = true;
  bool On() const { return display_depth > 14 && smooth_shrunken; }
};

// Draws `src` into `rect` of `dst`. A picture that shrinks in both directions goes through
// ShrinkSmooth when smoothing is on or `force_smooth` is set; anything else is stretched by
// nearest pixel. An indexed destination takes an indexed source's palette first.
void DrawPictureScaled(const PictureHolder& src, Bitmap& dst, Rect rect, bool force_smooth,
                       const SmoothSettings& settings = {});
// True when DrawPictureScaled would smooth this source into this rectangle.
bool WouldSmooth(int src_width, int src_height, Rect rect, bool force_smooth,
                 const SmoothSettings& settings);

}  // namespace vr::picture
