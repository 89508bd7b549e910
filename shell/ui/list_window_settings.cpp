#include "shell/ui/list_window_settings.h"

#include "lists/window/ui/file_list_menu.h"

namespace vr::shell::ui {

namespace {

int Side(uint16_t value, int fallback) {
  return value >= kMinThumbSide && value <= kMaxThumbSide ? value : fallback;
}

}  // namespace

int SettingsThumbWidth(const Settings& settings) {
  return Side(settings.thumb_width, Settings().thumb_width);
}

int SettingsThumbHeight(const Settings& settings) {
  return Side(settings.thumb_height, Settings().thumb_height);
}

list_window::CheckBoxSettings SettingsCheckBox(const Settings& settings) {
  list_window::CheckBoxSettings box;
  const int width = SettingsThumbWidth(settings);
  const int height = SettingsThumbHeight(settings);
  const bool fits = settings.checkbox_width > 0 && settings.checkbox_height > 0 &&
                    settings.checkbox_margin_left + settings.checkbox_width <= width &&
                    settings.checkbox_margin_top + settings.checkbox_height <= height;
  if (!fits) return box;
  box.width = settings.checkbox_width;
  box.height = settings.checkbox_height;
  box.margin_top = settings.checkbox_margin_top;
  box.margin_left = settings.checkbox_margin_left;
  return box;
}

std::vector<std::string> FoldersOfSettings(const TagFolders& folders) {
  std::vector<std::string> history;
  for (const std::string& folder : folders) {
    // The default "C:\" only fills unused keys: it names no folder on this platform.
    if (folder.empty() || folder == kDefaultTagFolder) continue;
    history.push_back(folder);
  }
  return history;
}

TagFolders SettingsOfFolders(const std::vector<std::string>& history) {
  TagFolders folders;
  folders.fill(kDefaultTagFolder);
  for (size_t i = 0; i < history.size() && i < folders.size(); ++i) folders[i] = history[i];
  return folders;
}

void ApplyTagFolders(const Settings& settings, list_window::TFileListMenu& window) {
  window.SetFolderHistories(FoldersOfSettings(settings.tag_copy),
                            FoldersOfSettings(settings.tag_move));
}

void ApplyListWindowSettings(const Settings& settings, list_window::TFileListMenu& window) {
  const int width = SettingsThumbWidth(settings);
  const int height = SettingsThumbHeight(settings);
  const list_window::ThumbSettings& now = window.jobs().settings();
  if (now.width != width || now.height != height) window.SetStartThumbSize(width, height);
  window.check_box() = SettingsCheckBox(settings);
  ApplyTagFolders(settings, window);
}

void ReadListWindowSettings(list_window::TFileListMenu& window, Settings& settings) {
  const list_window::ThumbSettings& thumbs = window.jobs().settings();
  settings.thumb_width = static_cast<uint16_t>(thumbs.width);
  settings.thumb_height = static_cast<uint16_t>(thumbs.height);
  const list_window::CheckBoxSettings& box = window.check_box();
  settings.checkbox_width = static_cast<uint16_t>(box.width);
  settings.checkbox_height = static_cast<uint16_t>(box.height);
  settings.checkbox_margin_top = static_cast<uint16_t>(box.margin_top);
  settings.checkbox_margin_left = static_cast<uint16_t>(box.margin_left);
  settings.tag_copy = SettingsOfFolders(window.tag_ops().copy_history().items());
  settings.tag_move = SettingsOfFolders(window.tag_ops().move_history().items());
}

}  // namespace vr::shell::ui
