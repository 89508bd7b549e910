#pragma once
// Files dragged out of the program: each dragged companion file (".LSAssoc") stays in the drop
// only when the user says so; the answers hold for the whole drop.

#include <string>
#include <vector>

namespace vr::platform {
class Ui;
}

namespace vr::list_window {

bool IsCompanionFile(const std::string& path);
std::vector<std::string> DraggedFiles(const std::vector<std::string>& paths, platform::Ui* ui);
// The action names shown while dragging.
inline constexpr const char* kDragCopy = "COPY";
inline constexpr const char* kDragMove = "MOVE";
inline constexpr const char* kDragNone = "NONE";

}  // namespace vr::list_window
