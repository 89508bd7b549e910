#pragma once
// What catalogue and picture output draw on: the printer's page, a 24-bit page Bitmap (page files
// and the preview), or a recording surface in the tests. Rectangles are device pixels with the
// right and bottom edges outside (left..right-1).

#include <string>

#include "picture/bitmap.h"

namespace vr::print {

struct PageRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const PageRect&, const PageRect&) = default;
};

enum class Ellipsis { kEnd, kMiddleOfPath };

class PageSurface {
 public:
  virtual ~PageSurface() = default;
  // The whole page white.
  virtual void Clear() = 0;
  // `bitmap` (with its palette) stretched over `rect`.
  virtual void StretchBitmap(const picture::Bitmap& bitmap, const PageRect& rect) = 0;
  // A one-pixel black frame on the rectangle's edge pixels; `doubled` adds a second one a pixel
  // inside it.
  virtual void Frame(const PageRect& rect, bool doubled) = 0;
  // Text left-aligned in `rect` with word breaks; what does not fit ends in an ellipsis.
  virtual void Caption(const PageRect& rect, const std::string& text, Ellipsis ellipsis) = 0;
  // A caption of two lines in `rect`: `name` on the first (`ellipsis` where it does not fit),
  // `note` on the second (an ellipsis at its end). Each line gets half the rectangle; a font too
  // tall for that is drawn smaller, so that both lines show in the same band.
  virtual void NotedCaption(const PageRect& rect, const std::string& name, const std::string& note,
                            Ellipsis ellipsis) = 0;
  // The height of a line of the caption font in pixels.
  virtual int FontHeight() const = 0;
};

}  // namespace vr::print
