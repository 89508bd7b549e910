#pragma once
// Keeps the screen saver and screen blanking away while a slide show runs, through the desktop's
// org.freedesktop.ScreenSaver service on the session bus. Without a bus or the service nothing
// happens.

#include <cstdint>

namespace vr::shell::ui {

class ScreenSaverInhibit {
 public:
  ScreenSaverInhibit() = default;
  ~ScreenSaverInhibit() { Release(); }
  ScreenSaverInhibit(const ScreenSaverInhibit&) = delete;
  ScreenSaverInhibit& operator=(const ScreenSaverInhibit&) = delete;

  // Asks the service to hold the screen saver off; true when it agreed.
  bool Inhibit();
  // Lets the screen saver run again (nothing when not inhibited).
  void Release();
  bool active() const { return active_; }

 private:
  uint32_t cookie_ = 0;
  bool active_ = false;
};

}  // namespace vr::shell::ui
