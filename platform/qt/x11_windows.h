#pragma once
// The top-level windows of an X11 desktop, read through the program's own xcb connection: the
// children of the root window in stacking order, as the window manager framed them.

#include <QPoint>
#include <vector>

#include "platform/screen_capture.h"

namespace vr::platform {

// Whether the program runs on X11 (the "xcb" platform with its connection at hand).
bool OnX11();

// The viewable top-level windows, bottom to top, frame and border included, with `origin` (the
// root position of the grabbed screen's top left corner) taken off. Nothing off X11.
std::vector<ScreenWindow> X11TopLevelWindows(QPoint origin);

}  // namespace vr::platform
