#pragma once
// Editing the current file with one of the five external editors: which slot serves the file's
// type, the texts when none does or the editor does not start, and the command to run (the file
// is always one argument, no shell; the "Quotes Needed" flag is kept as stored only).

#include <array>
#include <string>
#include <vector>

namespace vr::extras {

inline constexpr int kEditorSlots = 5;

struct EditorTable {
  std::array<std::string, kEditorSlots> paths;  // program or desktop entry; empty: free
  std::vector<std::string> type_entries;        // "[n] .EXT" per known type, in order
};

struct EditPlan {
  bool ok = false;
  std::string message;                // why not (the NO EDITOR text)
  std::vector<std::string> command;   // program and arguments
  std::string folder;                 // the file's folder, where the editor starts
  std::string editor;                 // the slot's path
};

// The editor number of a file's type: the type entry whose extension equals the upper-cased
// extension of `path` (the last equal one wins; none: the first entry).
int EditorNumberForFile(const EditorTable& table, const std::string& path);

// `asked` 1..5 for "With Editor #n", 0 for the editor of the file's type.
EditPlan PlanEdit(const EditorTable& table, const std::string& path, int asked);

std::string NoEditorText(const std::string& extension);
std::string EditorFailedText(const std::string& editor, const std::string& file);

// A slot's caption in the Edit menu: the editor's file name (an entry's file name too).
std::string EditorCaption(int slot, const std::string& path);

}  // namespace vr::extras
