#include "extras/editors.h"

#include "extras/desktop_editors.h"

namespace vr::extras {
namespace {

std::string UpperAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

// The extension of a path's name with its dot, upper-cased ("" without one).
std::string UpperExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return UpperAscii(path.substr(dot));
}

int EntryNumber(const std::string& entry) {
  return entry.size() >= 3 && entry[0] == '[' && entry[1] >= '0' && entry[1] <= '5' ? entry[1] - '0'
                                                                                     : 0;
}

std::string EntryExtension(const std::string& entry) {
  const size_t blank = entry.find("] ");
  return blank == std::string::npos ? "" : UpperAscii(entry.substr(blank + 2));
}

}  // namespace

int EditorNumberForFile(const EditorTable& table, const std::string& path) {
  if (table.type_entries.empty()) return 0;
  const std::string ext = UpperExtension(path);
  int found = -1;
  for (size_t i = 0; i < table.type_entries.size(); ++i) {
    if (EntryExtension(table.type_entries[i]) == ext) found = static_cast<int>(i);
  }
  return EntryNumber(table.type_entries[static_cast<size_t>(found < 0 ? 0 : found)]);
}

std::string NoEditorText(const std::string& extension) {
  return "Veldrimon: NO EDITOR assigned to file type of \"" + extension +
         "\". Go into Editor Options menu item. Then assign an Editor # for the file type in "
         "order to be able to edit files of type \"" +
         extension + "\".";
}

std::string EditorFailedText(const std::string& editor, const std::string& file) {
  return "The EDITOR to use is:" + editor + "\r\r" + "The file to EDIT is:" + file;
}

EditPlan PlanEdit(const EditorTable& table, const std::string& path, int asked) {
  EditPlan plan;
  const int number = asked > 0 ? asked : EditorNumberForFile(table, path);
  const std::string slot =
      number >= 1 && number <= kEditorSlots ? table.paths[static_cast<size_t>(number - 1)] : "";
  if (slot.empty()) {
    plan.message = NoEditorText(UpperExtension(path));
    return plan;
  }
  plan.editor = slot;
  plan.command = EditorCommand(slot, path);
  if (plan.command.empty()) {
    plan.message = EditorFailedText(slot, path);
    return plan;
  }
  const size_t slash = path.find_last_of('/');
  plan.folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  plan.ok = true;
  return plan;
}

std::string EditorCaption(int slot, const std::string& path) {
  const std::string base = "Edit Current File With Editor #" + std::to_string(slot);
  if (path.empty()) return base;
  const size_t slash = path.find_last_of('/');
  return base + "  (" + (slash == std::string::npos ? path : path.substr(slash + 1)) + ")";
}

}  // namespace vr::extras
