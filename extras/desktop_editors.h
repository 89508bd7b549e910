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

namespace vr::extras {

struct DesktopEditor {
  std::string entry_path;  // the .desktop file
  std::string id;          // its desktop file id ("org.gimp.GIMP.desktop")
  std::string name;        // Name
  std::string exec;        // Exec
};

struct DesktopEnvironment {
  std::string data_home;               // XDG_DATA_HOME (or ~/.local/share)
  std::vector<std::string> data_dirs;  // XDG_DATA_DIRS (or /usr/local/share, /usr/share)
  std::string config_home;             // XDG_CONFIG_HOME (or ~/.config)
  std::vector<std::string> config_dirs;  // XDG_CONFIG_DIRS (or /etc/xdg)
  std::string path;                    // PATH, for programs named without a folder
  std::string own_program = "veldrimon";
};
// The environment of this process, with the defaults of the XDG base directory rules.
DesktopEnvironment DesktopEnvironmentFromProcess();

std::vector<DesktopEditor> FindDesktopEditors(const DesktopEnvironment& env,
                                              const std::vector<std::string>& picture_types);

// The words of an Exec line (quoting and escapes as the desktop entry rules define) with the
// file put in for %f %F %u %U and every other field code dropped. Empty when the line is unusable.
std::vector<std::string> ExecArguments(const std::string& exec, const std::string& file);

// The program of an Exec line resolved through PATH; nothing when it does not exist.
std::optional<std::string> ResolveProgram(const std::string& program, const std::string& path);

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
