#pragma once
// The files list window's keys of the settings file: the thumbnail cell and the tag box drawn on
// thumbnails (section "Special"), and the 15 target folders of the "Copy TAGs" and "Move TAGs"
// boxes (section "Tagged Operations"). Read into the window at start-up, read back from it at
// shutdown.

#include <string>
#include <vector>

#include "shell/settings.h"

namespace vr::list_window {
class TFileListMenu;
struct CheckBoxSettings;
}  // namespace vr::list_window

namespace vr::shell::ui {

// Thumbnail sides and tag box sizes outside these bounds (a damaged or hand-edited file) fall
// back to their defaults instead of making cells the window cannot draw.
inline constexpr int kMinThumbSide = 16;
inline constexpr int kMaxThumbSide = 512;

// The thumbnail cell of the settings (defaults for values out of bounds).
int SettingsThumbWidth(const Settings& settings);
int SettingsThumbHeight(const Settings& settings);
// The tag box of the settings; a box that does not fit into the cell takes the defaults.
list_window::CheckBoxSettings SettingsCheckBox(const Settings& settings);

// The folders of a settings list as a history (keys holding the default "C:\" are unused and
// left out) and back: a history fills the 15 keys, the rest "C:\".
std::vector<std::string> FoldersOfSettings(const TagFolders& folders);
TagFolders SettingsOfFolders(const std::vector<std::string>& history);

// Start-up: thumbnail size, tag box and both folder boxes.
void ApplyListWindowSettings(const Settings& settings, list_window::TFileListMenu& window);
// The folder boxes alone (after the history was cleared).
void ApplyTagFolders(const Settings& settings, list_window::TFileListMenu& window);
// Shutdown: what the window holds now goes back into the settings.
void ReadListWindowSettings(list_window::TFileListMenu& window, Settings& settings);

}  // namespace vr::shell::ui
