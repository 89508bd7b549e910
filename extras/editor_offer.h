#pragma once
// Filling the editor slots at start-up when none is set: each picture editor found among the
// desktop's entries is offered with a Yes/No question; the accepted ones take slots 1, 2, ... in
// the order found, a sixth or later one is refused with a message. Nothing is said when nothing
// was found.

#include <array>
#include <string>
#include <vector>

#include "extras/desktop_editors.h"
#include "extras/editors.h"

namespace vr::platform {
class MessagePump;
class PleaseWait;
class Ui;
}

namespace vr::extras {

inline constexpr const char* kEditorSearchIntro =
    "Veldrimon does not edit pictures itself: it hands them to up to 5 editor programs you pick. "
    "It is about to offer the picture editing programs installed on this desktop.";
inline constexpr const char* kEditorsLater =
    "You can change the editors to use, by selecting the \"EDIT/EDITORS OPTION WINDOW\" menu item "
    "at a later date if you wish.";

struct OfferedEditors {
  std::array<std::string, kEditorSlots> paths;  // the accepted entries' paths, in slot order
  int accepted = 0;                             // how many were accepted (slots filled: at most 5)
};

// The search under the please-wait window: "Searching..." first, then "Searching:" + each
// applications folder as it is read; the stop button, captioned "Skip Drive", ends the current
// folder's walk and the search goes on with the next. Events run every few entries. Without a
// please-wait window the search runs silently.
inline constexpr const char* kEditorSearchWait = "Searching...";
inline constexpr const char* kEditorSearchStop = "Skip Drive";
std::vector<DesktopEditor> SearchDesktopEditors(const DesktopEnvironment& env,
                                                const std::vector<std::string>& picture_types,
                                                platform::PleaseWait* wait,
                                                platform::MessagePump* pump);

OfferedEditors OfferEditors(const std::vector<DesktopEditor>& found, platform::Ui& ui);

}  // namespace vr::extras
