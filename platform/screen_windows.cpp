#include <algorithm>

#include "platform/screen_capture.h"

namespace vr::platform {

std::optional<ScreenWindow> TopWindowAt(const std::vector<ScreenWindow>& bottom_to_top, int px,
                                        int py, int screen_width, int screen_height) {
  for (auto it = bottom_to_top.rbegin(); it != bottom_to_top.rend(); ++it) {
    if (it->width <= 0 || it->height <= 0 || !it->Holds(px, py)) continue;
    // A window reaching past the screen's edges keeps the part that is on it.
    const int left = std::max(it->x, 0);
    const int top = std::max(it->y, 0);
    const int right = std::min(it->x + it->width, screen_width);
    const int bottom = std::min(it->y + it->height, screen_height);
    if (right <= left || bottom <= top) return std::nullopt;
    return ScreenWindow{left, top, right - left, bottom - top};
  }
  return std::nullopt;
}

}  // namespace vr::platform
