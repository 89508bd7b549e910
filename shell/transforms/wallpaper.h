#pragma once
// "Use file as &Windows WALL-PAPER": the picture saved as "Veldrimon_WallPaper.BMP" in the
// program's Windows folder, then handed to the desktop through the desktop's own mechanism.
// The choice of mechanism is a pure function of the environment; the host runs what it says.

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "picture/bitmap.h"

namespace vr::transforms {

inline constexpr const char* kWallpaperFileName = "Veldrimon_WallPaper.BMP";

// Wallpaper styles as the menu codes them.
enum class WallpaperStyle : char { kCentre = '0', kTile = '1', kStretch = '2' };

// What the desktop-choice looks at: environment variables and the programs found on the path.
struct DesktopFacts {
  std::map<std::string, std::string> environment;
  std::set<std::string> programs;
};

// The commands (argument vectors, run in order) that set the wallpaper, or none with
// `available` false and `reason` saying why.
struct WallpaperCommands {
  bool available = false;
  std::string desktop;  // "GNOME", "Cinnamon", "MATE", "XFCE", "KDE", "X11 (feh)"
  std::vector<std::vector<std::string>> commands;
  std::string reason;
};
// The facts of this process: its desktop variables and which of the wallpaper programs lie on
// its PATH.
DesktopFacts DesktopFactsFromProcess();

WallpaperCommands ChooseWallpaperCommands(const DesktopFacts& facts, WallpaperStyle style,
                                          const std::string& image_path);

// The target file: the Windows folder + "Veldrimon_WallPaper.BMP".
std::string WallpaperTarget(const std::string& windows_folder);

// True when the shown file lies in the Windows folder itself (folders compared by the platform's
// path rule).
bool LiesInWindowsFolder(const std::string& shown_file, const std::string& windows_folder);

// What the wallpaper command needs from the windows and the desktop.
class WallpaperHost {
 public:
  virtual ~WallpaperHost() = default;
  virtual void Inform(const std::string& text) = 0;
  virtual bool AskYesNo(const std::string& text) = 0;
  virtual void ShowError(const std::string& text) = 0;
  virtual int ScreenWidth() const = 0;
  virtual int ScreenHeight() const = 0;
  struct SaveOutcome {
    bool ok = false;
    bool already_exists = false;  // the system's "file exists" failure: nothing is shown
    std::string error;            // the system's error text
  };
  virtual SaveOutcome SaveBmp(const std::string& path, const picture::Bitmap& bitmap) = 0;
  // Runs one command; false when it could not be run or failed.
  virtual bool Run(const std::vector<std::string>& argv) = 0;
  // The notice that the desktop may need a refresh (F5) to show the new wallpaper.
  virtual void ShowWallpaperNotice() = 0;
};

struct WallpaperOutcome {
  bool file_written = false;
  bool settings_written = false;  // the desktop commands ran and all succeeded
  WallpaperCommands commands;
};

// The whole command for the shown picture at `shown_file`. A picture that already lies in the
// Windows folder is not saved again: the desktop is pointed at that file itself.
WallpaperOutcome MakeWallpaper(const picture::Bitmap& picture, const std::string& shown_file,
                               WallpaperStyle style, const std::string& windows_folder,
                               const DesktopFacts& facts, WallpaperHost& host);

// Message texts.
std::string WallpaperSaveNotice();
std::string WallpaperTooLargeQuestion(WallpaperStyle style, int width, int height);
extern const char* const kWallpaper256Question;
extern const char* const kWallpaperFolderFull;
// Shown when the desktop commands ran but one of them failed.
extern const char* const kWallpaperCommandFailed;
// Shown when no mechanism to set the background was found (the file is made all the same).
std::string WallpaperUnavailableText(const std::string& reason, const std::string& target);

}  // namespace vr::transforms
