#pragma once
// The desktop's application entries (".desktop" files in the "applications" folders of
// XDG_DATA_HOME and XDG_DATA_DIRS) and the commands they run, without a shell: the picture
// editors offered at start-up and the program that edits plain text both come from here.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vr::platform {

struct DesktopEnvironment {
  std::string data_home;               // XDG_DATA_HOME (or ~/.local/share)
  std::vector<std::string> data_dirs;  // XDG_DATA_DIRS (or /usr/local/share, /usr/share)
  std::string config_home;             // XDG_CONFIG_HOME (or ~/.config)
  std::vector<std::string> config_dirs;  // XDG_CONFIG_DIRS (or /etc/xdg)
  std::string path;                    // PATH, for programs named without a folder
  std::string own_program = "veldrimon";
  std::string visual;                  // VISUAL and EDITOR: the user's own text editor
  std::string editor;
};
// The environment of this process, with the defaults of the XDG base directory rules.
DesktopEnvironment DesktopEnvironmentFromProcess();

// The non-empty parts of a list value ("Graphics;Viewer;", a PATH).
std::vector<std::string> SplitDesktopList(const std::string& text, char separator);

// The keys of one group of a desktop or list file ("Desktop Entry", "Default Applications");
// the first of a key counts.
std::map<std::string, std::string> ReadDesktopGroup(const std::string& path,
                                                    const std::string& group);

// Every .desktop file below the applications folders, by desktop file id (sub-folders join with
// "-"); the folder of higher precedence wins a name.
std::map<std::string, std::string> DesktopEntriesById(const DesktopEnvironment& env);

// The words of an Exec line (quoting and escapes as the desktop entry rules define) with the
// file put in for %f %F %u %U and every other field code dropped. Empty when the line is unusable.
std::vector<std::string> ExecArguments(const std::string& exec, const std::string& file);

// The program of an Exec line resolved through PATH; nothing when it does not exist.
std::optional<std::string> ResolveProgram(const std::string& program, const std::string& path);

// The command a desktop entry runs for a file: its Exec line, the file appended when the line has
// no file code. Empty when the entry cannot be read.
std::vector<std::string> DesktopEntryCommand(const std::string& entry_path,
                                             const std::string& file);

// The command that edits the plain-text `file`: the desktop entry `default_id` (what
// "xdg-mime query default text/plain" names; "" for none) when it is found, runs without a
// terminal and its program exists; else VISUAL, then EDITOR, split as a shell would with the file
// last. The first word is the program, resolved through PATH. Empty when there is none.
std::vector<std::string> TextEditorCommand(const DesktopEnvironment& env,
                                           const std::string& default_id,
                                           const std::string& file);

}  // namespace vr::platform
