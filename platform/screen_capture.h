#pragma once
// Screen snapshots and the clipboard's picture. The picture comes back as plain 24-bit rows
// (blue, green, red; top row first; no padding) so that this interface needs no picture library.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vr::platform {

struct CapturedPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgr;  // width * height * 3 bytes
  bool ok() const { return width > 0 && height > 0; }
};

// One top-level window as it stands on the screen, frame included, in the pixels of the picture
// GrabScreen gives.
struct ScreenWindow {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool Holds(int px, int py) const {
    return px >= x && py >= y && px - x < width && py - y < height;
  }
};

// The topmost of `bottom_to_top` that holds the pixel (px, py), cut to a `screen_width` x
// `screen_height` picture; nothing when no window is there or none of it is on that picture.
std::optional<ScreenWindow> TopWindowAt(const std::vector<ScreenWindow>& bottom_to_top, int px,
                                        int py, int screen_width, int screen_height);

class ScreenCapture {
 public:
  virtual ~ScreenCapture() = default;
  // The whole screen that holds the program's main window, in device pixels. With `hide_first`
  // the program's windows are hidden for one second before and shown again after. Nothing when
  // the desktop does not allow it.
  virtual CapturedPicture GrabScreen(bool hide_first) = 0;
  // The clipboard's picture; nothing when it holds none.
  virtual CapturedPicture ClipboardPicture() = 0;
  // One window the desktop lets the user pick itself (the portal's interactive mode); nothing when
  // it was refused or cannot be done here.
  virtual CapturedPicture GrabPickedWindow() { return {}; }
  // The top-level windows on the screen GrabScreen takes, bottom to top, so that the program can
  // let the user click one on a still; nothing where the desktop does not tell.
  virtual std::vector<ScreenWindow> ScreenWindows() { return {}; }
  // Whether a window can be picked on this desktop (GrabPickedWindow or ScreenWindows).
  virtual bool CanPickWindow() const { return false; }
};

inline constexpr const char* kSnapshotRefused =
    "The desktop did not allow a screen snap shot. Nothing was saved.";

}  // namespace vr::platform
