#pragma once
// While one of these lives (a slide show), large pixel blocks that are freed are kept (two at
// most) and handed to the next request of about their size instead of going back to the system:
// the kernel zeroes every page of a fresh block, which for a 12-megapixel picture costs about a
// third of decoding it. The kept blocks are freed when the last scope ends. Any thread.
// (Implemented with the pixel allocator, picture/bitmap.cpp.)

#include <cstddef>

namespace vr::picture {

class PixelRecycling {
 public:
  PixelRecycling();
  ~PixelRecycling();
  PixelRecycling(const PixelRecycling&) = delete;
  PixelRecycling& operator=(const PixelRecycling&) = delete;
  // Blocks kept now (for tests).
  static size_t Kept();
};

}  // namespace vr::picture
