#include "picture/fit.h"

#include <algorithm>

namespace vr::picture {

Size FitInBox(int width, int height, int box_width, int box_height) {
  const int w = std::clamp(width, 1, 65535);
  const int h = std::clamp(height, 1, 65535);
  const int bw = std::clamp(box_width, 0, 65535);
  const int bh = std::clamp(box_height, 0, 65535);
  const double r = static_cast<double>(w) / h;
  Size out;
  // An empty box height makes the box infinitely wide, as the ratio test would see it.
  const bool wider = bh == 0 ? bw > 0 : static_cast<double>(bw) / bh > r;
  if (wider) {
    out.height = bh;
    out.width = bh == h ? w : static_cast<int>(bh * r);
  } else {
    out.width = bw;
    out.height = bw == w ? h : static_cast<int>(bw / r);
  }
  out.width = std::max(out.width, 1);
  out.height = std::max(out.height, 1);
  return out;
}

Rect CentreInBox(Size size, int box_width, int box_height) {
  return Rect{(box_width - size.width) / 2, (box_height - size.height) / 2, size.width,
              size.height};
}

}  // namespace vr::picture
