#pragma once
// Picture editors offered at start-up when no editor slot is set, found from the desktop's own
// application entries (not by walking drives): the "applications" folders of XDG_DATA_HOME and
// XDG_DATA_DIRS, first one of a name wins. An entry is offered when it is shown (not NoDisplay,
// not Hidden, Type Application), its program exists, one of its MimeType values is a picture type
// of this program, its Categories hold RasterGraphics or 2DGraphics but not Viewer, and it is
// not this program's own entry. The picks of mimeapps.list for picture types come first, then
// the rest by Name.
//
// An editor slot holds a program path or a desktop entry's path; an entry runs its Exec line with
// %f %F %u %U replaced by the file and every other field code dropped, without a shell.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop_entry.h"

namespace vr::extras {

struct DesktopEditor {
  std::string entry_path;  // the .desktop file
  std::string id;          // its desktop file id ("org.gimp.GIMP.desktop")
  std::string name;        // Name
  std::string exec;        // Exec
};

using platform::DesktopEnvironment;
using platform::DesktopEnvironmentFromProcess;
using platform::ExecArguments;
using platform::ResolveProgram;

// Told the applications folder of each entry before the entry is read; false skips the rest of
// that folder (the folders are read in order of precedence).
using EditorSearchWatch = std::function<bool(const std::string& folder)>;

std::vector<DesktopEditor> FindDesktopEditors(const DesktopEnvironment& env,
                                              const std::vector<std::string>& picture_types,
                                              const EditorSearchWatch& watch = {});

// A desktop entry's Icon value ("" when it has none or cannot be read).
std::string DesktopEntryIcon(const std::string& entry_path);

// Whether an editor slot names a desktop entry rather than a program.
bool IsDesktopEntry(const std::string& slot);

// The command an editor slot runs for a file: the program and its arguments. A program slot
// gets the file as its one argument; a desktop entry slot runs its Exec line. Empty when the
// entry cannot be read.
std::vector<std::string> EditorCommand(const std::string& slot, const std::string& file);

// The texts of the start-up search.
inline constexpr const char* kMoreThanFive =
    "It appears that you have selected more than 5 editors. The following editor will NOT be "
    "added.\r\r";
std::string FoundEditorQuestion(const DesktopEditor& editor);

}  // namespace vr::extras
