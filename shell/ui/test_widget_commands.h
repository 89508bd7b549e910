#pragma once
// Test-hook commands that act on the controls of any visible window, found by its title, the way
// a user would (the command file of test_commands.h hands them over):
//   !click <window title>|<button caption>      presses the button ('&' marks left out)
//   !select <window title>|<line text>          highlights the one list line (or table row by its
//                                               first cell) with that text
//   !type <window title>|<edit name>|<text>     sets the text of the line edit of that object name
//   !lines <window title>                       every list line: "line=<text>"
//   !grab <object name>|<file>                  the visible widget of that name as the screen
//                                               shows it (device pixels), as BMP: "grabbed=WxH"
//   !icon <button name>|<ratio>|<file>          the button's icon for a device pixel ratio, on
//                                               white, as BMP: "icon=WxH"
// Each gives "ok", "missing" or "disabled" (or the listing).

#include <string>

namespace vr::shell::ui {

// Runs `line` when it is one of the commands above and adds its result line to `results`;
// false for any other line.
bool RunWidgetCommand(const std::string& line, std::string* results);

}  // namespace vr::shell::ui
