#pragma once
// Screen snapshots and the clipboard's picture. The picture comes back as plain 24-bit rows
// (blue, green, red; top row first; no padding) so that this interface needs no picture library.

#include <cstdint>
#include <string>
#include <vector>

namespace vr::platform {

struct CapturedPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgr;  // width * height * 3 bytes
  bool ok() const { return width > 0 && height > 0; }
};

class ScreenCapture {
 public:
  virtual ~ScreenCapture() = default;
  // The whole screen that holds the program's main window, in device pixels. With `hide_first`
  // the program's windows are hidden for one second before and shown again after. Nothing when
  // the desktop does not allow it.
  virtual CapturedPicture GrabScreen(bool hide_first) = 0;
  // The clipboard's picture; nothing when it holds none.
  virtual CapturedPicture ClipboardPicture() = 0;
  // One window the user picks; nothing when it was refused or cannot be done here.
  virtual CapturedPicture GrabPickedWindow() { return {}; }
  // Whether GrabPickedWindow can work on this desktop.
  virtual bool CanPickWindow() const { return false; }
};

inline constexpr const char* kSnapshotRefused =
    "The desktop did not allow a screen snap shot. Nothing was saved.";

}  // namespace vr::platform
