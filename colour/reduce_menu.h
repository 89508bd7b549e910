#pragma once
// The main window's colour menu as data: the "Reduce &Colors to..." items with their requests,
// and the toggle of "Make TRUE-COLOR images load as 256 DITHERED Colors" with its messages.

#include <functional>
#include <string>
#include <vector>

namespace vr::colour {

struct ReduceMenuItem {
  const char* caption;
  int colours;
  bool standard_colours;
  bool windows_236;
};

// The eleven items in menu order ("&1. 2 Colors (Black && White)" ... "&11. Windows 236 Colors").
const std::vector<ReduceMenuItem>& ReduceMenuItems();

// Toggles the true-colour-on-256-colour-screen setting (0 off, 1 on) on a screen of
// `display_depth` bits. Turning it on with 9 bits or more only informs and stays off; on a
// 256-colour screen it asks first (the caller plays the question sound). Returns the new value.
int ToggleTrueColourOn256(int current, int display_depth,
                          const std::function<void(const std::string&)>& inform,
                          const std::function<bool(const std::string&)>& ask_yes_no);

extern const char* const kTrueColourNotNeeded;
std::string TrueColourQuestion();

}  // namespace vr::colour
