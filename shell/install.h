#pragma once
// Install bookkeeping of the settings file: the file-type registrations (a .desktop file and
// xdg-mime defaults on this platform), the version and install check with its upgrade notice,
// the monthly update reminder and "&UN-Install".

#include <cstdint>
#include <string>
#include <vector>

#include "shell/settings.h"

namespace vr::platform {
class ShellService;
class Sounds;
class Ui;
}  // namespace vr::platform

namespace vr::shell {

inline constexpr const char* kDesktopFileName = "veldrimon.desktop";
inline constexpr const char* kUpdateQuestion =
    "It's been awhile since you last checked for updates. Do you wish to check the Veldrimon "
    "Internet site for updates to Veldrimon?";
inline constexpr const char* kUpdateCheckNow = "+Check NOW";
inline constexpr const char* kUpdateNextMonth = "-Check Next Month";
inline constexpr const char* kDownloadPage = "https://veldrimon.example.org/download.html";

// The MIME types the viewer offers to open.
const std::vector<std::string>& PictureMimeTypes();

// Registers the viewer for its picture types: writes the .desktop file into the applications
// folder and makes it the default through "xdg-mime default", run by the shell service.
class FileTypeRegistrar {
 public:
  // `data_home` is $XDG_DATA_HOME (or ~/.local/share); `program` the viewer's executable.
  FileTypeRegistrar(platform::ShellService& shell, std::string data_home, std::string program);

  // $XDG_DATA_HOME, else $HOME/.local/share.
  static std::string DefaultDataHome();

  std::string DesktopFilePath() const;
  std::string DesktopFileText() const;
  // True when the file was written (the xdg-mime call may fail where no desktop is installed).
  bool Register(const std::vector<std::string>& mime_types);
  bool Unregister();

 private:
  platform::ShellService& shell_;
  std::string data_home_;
  std::string program_;
};

// Start-up step: the version and install check. May show the upgrade notice (turning sounds on
// first) and redo the registrations. Gives true when the first-run setup is due ("Setup" "NO"):
// the caller then opens "README.TXT" and the "Setup File Types" window.
bool RunVersionCheck(platform::Ui& ui, platform::Sounds* sounds, FileTypeRegistrar* registrar,
                     const std::string& settings_path, Settings& settings);

// The update reminder: never on the first run (a stored day of 0 is only recorded); after 30 days
// asks and opens the download page on "+Check NOW". Today's day is written back in both cases.
void RunUpdateReminder(platform::Ui& ui, platform::ShellService& shell,
                       const std::string& settings_path, Settings& settings, int64_t today);

// "&UN-Install": asks, removes the registrations and the shipped files, marks the settings
// not installed. True when done (the caller closes the main window without saving).
bool Uninstall(platform::Ui& ui, FileTypeRegistrar* registrar, const std::string& program_folder,
               const std::string& settings_path, const std::string& settings_name,
               Settings& settings);

// After writing the settings at shutdown: the registrations are recorded as this version's
// unless they were removed.
void RecordRegistrationVersion(const std::string& settings_path);

}  // namespace vr::shell
