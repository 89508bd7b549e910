#pragma once
// Aspect-preserving fit of a picture into a box, used by the viewer, web pages and printing.

namespace vr::picture {

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Sizes are unsigned 16-bit quantities (larger values are clamped); a picture side of 0 counts as
// 1. The result fills the box along one side, so a picture smaller than the box is enlarged, and
// neither side is ever below 1.
Size FitInBox(int width, int height, int box_width, int box_height);

// The fitted size centred in a box of the given size.
Rect CentreInBox(Size size, int box_width, int box_height);

}  // namespace vr::picture
