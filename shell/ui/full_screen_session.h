#pragma once
// A full-screen session of the main window: entering (the window moves off the screen and the
// full-screen window shows the picture), showing the current picture again, and leaving (the
// window comes back where it was). Run() strings them together with the full-screen loop's
// requests; the slide show uses the same steps.

#include <QPoint>
#include <functional>
#include <string>

#include "picture/picture_holder.h"
#include "shell/screen_fit.h"
#include "shell/screen_palette.h"

class QWidget;

namespace vr::shell::ui {

class TFullScreen;

// What a session needs of the window it covers.
struct FullScreenHost {
  QWidget* window = nullptr;  // moved off the screen while the session lasts
  TFullScreen* full_screen = nullptr;
  std::function<const picture::PictureHolder&()> shown;
  std::function<std::string()> current_path;
  std::function<bool()> smooth;
  std::function<ScreenPalette*()> palette;  // null on screens deeper than 256 colours
  std::function<bool()> closing;
  std::function<void()> next;
  std::function<void()> previous;
  std::function<void()> toggle_tag;
  std::function<void()> restart;  // shows the current file again (restarts an animation)
  // Called with false on entering and true on leaving (the entries that start a session).
  std::function<void(bool)> entries_enabled;
};

class FullScreenSession {
 public:
  explicit FullScreenSession(FullScreenHost host) : host_(std::move(host)) {}

  // Moves the window away and shows the current picture in `mode` (1 fitted, 2 actual size).
  void Enter(int mode, bool shrink_only);
  // Shows the current picture again in `mode`; the same file keeps its scroll position.
  void Show(int mode);
  // Show in two halves: the current picture is prepared aside (the window goes on showing the
  // one before) and presented later. `ready`: a fit of it made elsewhere, taken when it matches.
  void Prepare(int mode, FittedPicture* ready = nullptr);
  void Present();
  // Hides the full-screen window and brings the window back.
  void Leave();
  // Enter, the loop of requests, Leave. Returns at once (with kRequestNone) while a session
  // runs; else the request that ended it (27 leave, 121 start the slide show).
  int Run(int mode, bool shrink_only);
  // The window is moved away and the full-screen window shows (also without the loop).
  bool active() const { return view_ != 0; }

  // The mode a menu entry inside the loop asks for (0 outside a session).
  int view() const { return view_; }
  void set_view(int mode) { view_ = mode; }

 private:
  FullScreenHost host_;
  QPoint remembered_;
  std::string shown_path_;
  bool shrink_only_ = false;
  int view_ = 0;
};

}  // namespace vr::shell::ui
