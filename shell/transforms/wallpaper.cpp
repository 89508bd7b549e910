#include "shell/transforms/wallpaper.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "colour/reduce.h"
#include "picture/fit.h"
#include "platform/path_rules.h"
#include "shell/transforms/transforms.h"

namespace vr::transforms {

const char* const kWallpaper256Question =
    "Do you wish to make the Image have only 256 colors? In 256 Color mode the image CAN appear to "
    "have some grainyness to it. But it will STILL look very good. Click YES if you plan on using "
    "your Windows Screen in 256 color mode.\r\rSave WallPaper as 256 colors?";
const char* const kWallpaperFolderFull =
    "The Windows folder may be full since the file can NOT be copied!";
const char* const kWallpaperCommandFailed =
    "The DeskTop did not accept the new Wall-Paper. The picture was saved as:";

std::string WallpaperUnavailableText(const std::string& reason, const std::string& target) {
  return "This DeskTop offers no way for Veldrimon to set the Wall-Paper (" + reason +
         ").\r\rThe picture was saved as:\r" + target +
         "\r\rYou can pick it as the background in your DeskTop's own settings.";
}

namespace {

bool FileIsThere(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Env(const DesktopFacts& facts, const char* name) {
  const auto it = facts.environment.find(name);
  return it == facts.environment.end() ? std::string() : it->second;
}

// A file URI for the path, with the characters a URI may not carry escaped.
std::string FileUri(const std::string& path) {
  static const char* kHex = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

// A JavaScript string literal for the Plasma script.
std::string JsString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      static const char* kHex = "0123456789abcdef";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

bool DesktopIs(const std::string& desktops, const char* name) {
  // XDG_CURRENT_DESKTOP is a colon-separated list, e.g. "ubuntu:GNOME".
  const std::string upper = platform::UpperAscii(desktops);
  const std::string want = platform::UpperAscii(name);
  size_t start = 0;
  while (start <= upper.size()) {
    const size_t end = upper.find(':', start);
    const std::string item = upper.substr(start, end == std::string::npos ? end : end - start);
    if (item == want) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

const char* GnomeOption(WallpaperStyle style) {
  switch (style) {
    case WallpaperStyle::kTile:
      return "wallpaper";
    case WallpaperStyle::kStretch:
      return "stretched";
    default:
      return "centered";
  }
}

}  // namespace

DesktopFacts DesktopFactsFromProcess() {
  DesktopFacts facts;
  for (const char* name :
       {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "DISPLAY", "WAYLAND_DISPLAY"}) {
    if (const char* value = std::getenv(name)) facts.environment[name] = value;
  }
  const char* path = std::getenv("PATH");
  const std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  for (const char* program :
       {"gsettings", "xfconf-query", "sh", "qdbus6", "qdbus", "qdbus-qt5", "feh"}) {
    size_t start = 0;
    while (start <= dirs.size()) {
      const size_t end = dirs.find(':', start);
      std::string dir = dirs.substr(start, end == std::string::npos ? end : end - start);
      if (dir.empty()) dir = ".";
      if (::access((dir + "/" + program).c_str(), X_OK) == 0) {
        facts.programs.insert(program);
        break;
      }
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  return facts;
}

std::string WallpaperTarget(const std::string& windows_folder) {
  return platform::WithTrailingSeparator(windows_folder) + kWallpaperFileName;
}

bool LiesInWindowsFolder(const std::string& shown_file, const std::string& windows_folder) {
  const std::string folder = platform::FolderOf(shown_file);
  return !folder.empty() &&
         platform::SamePath(folder, platform::WithTrailingSeparator(windows_folder));
}

WallpaperCommands ChooseWallpaperCommands(const DesktopFacts& facts, WallpaperStyle style,
                                          const std::string& image_path) {
  WallpaperCommands out;
  auto has = [&](const char* program) { return facts.programs.count(program) != 0; };
  std::string desktop = Env(facts, "XDG_CURRENT_DESKTOP");
  if (desktop.empty()) desktop = Env(facts, "DESKTOP_SESSION");
  const bool x11 = !Env(facts, "DISPLAY").empty();
  const bool wayland = !Env(facts, "WAYLAND_DISPLAY").empty();
  if (!x11 && !wayland) {
    out.reason = "No desktop session was found";
    return out;
  }
  const std::string uri = FileUri(image_path);
  if (DesktopIs(desktop, "GNOME") || DesktopIs(desktop, "Unity") || DesktopIs(desktop, "Budgie") ||
      DesktopIs(desktop, "Cinnamon") || DesktopIs(desktop, "X-Cinnamon") ||
      DesktopIs(desktop, "MATE")) {
    if (!has("gsettings")) {
      out.reason = "gsettings was not found";
      return out;
    }
    if (DesktopIs(desktop, "MATE")) {
      out.desktop = "MATE";
      out.commands = {
          {"gsettings", "set", "org.mate.background", "picture-filename", image_path},
          {"gsettings", "set", "org.mate.background", "picture-options", GnomeOption(style)}};
    } else if (DesktopIs(desktop, "Cinnamon") || DesktopIs(desktop, "X-Cinnamon")) {
      out.desktop = "Cinnamon";
      out.commands = {{"gsettings", "set", "org.cinnamon.desktop.background", "picture-uri", uri},
                      {"gsettings", "set", "org.cinnamon.desktop.background", "picture-options",
                       GnomeOption(style)}};
    } else {
      out.desktop = "GNOME";
      out.commands = {{"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri},
                      {"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri},
                      {"gsettings", "set", "org.gnome.desktop.background", "picture-options",
                       GnomeOption(style)}};
    }
    out.available = true;
    return out;
  }
  if (DesktopIs(desktop, "XFCE")) {
    if (!has("xfconf-query") || !has("sh")) {
      out.reason = "xfconf-query was not found";
      return out;
    }
    // Every monitor and workspace has its own last-image property; set them all. The path and
    // style travel as arguments, never inside the script text.
    const char* xfce_style = style == WallpaperStyle::kTile      ? "2"
                             : style == WallpaperStyle::kStretch ? "3"
                                                                 : "1";
    out.desktop = "XFCE";
    out.commands = {
        {"sh", "-c",
         "for p in $(xfconf-query -c xfce4-desktop -l | grep '/last-image$'); do "
         "xfconf-query -c xfce4-desktop -p \"$p\" -s \"$1\" && "
         "xfconf-query -c xfce4-desktop -p \"${p%last-image}image-style\" -s \"$2\"; done",
         "sh", image_path, xfce_style}};
    out.available = true;
    return out;
  }
  if (DesktopIs(desktop, "KDE")) {
    const char* qdbus = has("qdbus6")      ? "qdbus6"
                        : has("qdbus")     ? "qdbus"
                        : has("qdbus-qt5") ? "qdbus-qt5"
                                           : nullptr;
    if (qdbus == nullptr) {
      out.reason = "qdbus was not found";
      return out;
    }
    const char* fill = style == WallpaperStyle::kTile      ? "3"
                       : style == WallpaperStyle::kStretch ? "0"
                                                           : "6";
    const std::string script =
        "var all = desktops(); for (var i = 0; i < all.length; i++) { var d = all[i]; "
        "d.wallpaperPlugin = \"org.kde.image\"; "
        "d.currentConfigGroup = Array(\"Wallpaper\", \"org.kde.image\", \"General\"); "
        "d.writeConfig(\"Image\", " +
        JsString(uri) +
        "); "
        "d.writeConfig(\"FillMode\", " +
        fill + "); }";
    out.desktop = "KDE";
    out.commands = {{qdbus, "org.kde.plasmashell", "/PlasmaShell",
                     "org.kde.PlasmaShell.evaluateScript", script}};
    out.available = true;
    return out;
  }
  if (x11 && has("feh")) {
    const char* option = style == WallpaperStyle::kTile      ? "--bg-tile"
                         : style == WallpaperStyle::kStretch ? "--bg-scale"
                                                             : "--bg-center";
    out.desktop = "X11 (feh)";
    out.commands = {{"feh", "--no-fehbg", option, image_path}};
    out.available = true;
    return out;
  }
  out.reason = "Setting the desktop wallpaper is not available on this desktop";
  return out;
}

std::string WallpaperSaveNotice() {
  return std::string(
             "The current image displayed on your screen will be saved to the Windows folder "
             "as:\r\r") +
         kWallpaperFileName + "\r\rand then designated as the Wall-Paper for your DeskTop!";
}

std::string WallpaperTooLargeQuestion(WallpaperStyle style, int width, int height) {
  if (style == WallpaperStyle::kStretch) {
    return "Even though you have selected SHRINK TO FIT for the WallPaper, Veldrimon will do a "
           "much BETTER job of shrinking the image than Windows will!\r\rDo you want Veldrimon to "
           "do the Shrink for you?";
  }
  return "The image's resolution is LARGER than the CURRENT SCREEN resolution. So the picture may "
         "not ALL FIT into the screen. You will have to pick a HIGHER screen resolution in order "
         "to view the ENTIRE picture or have selected SHRINK TO FIT mode. The image's resolution "
         "is " +
         std::to_string(width) + "x" + std::to_string(height) +
         ".\r\rIf you wish you can have the image shrunk to fit properly in the screen before "
         "making the Wallpaper file. Do you wish to SHRINK first?";
}

WallpaperOutcome MakeWallpaper(const picture::Bitmap& shown, const std::string& shown_file,
                               WallpaperStyle style, const std::string& windows_folder,
                               const DesktopFacts& facts, WallpaperHost& host) {
  WallpaperOutcome outcome;
  std::string target = WallpaperTarget(windows_folder);
  if (LiesInWindowsFolder(shown_file, windows_folder) && FileIsThere(shown_file)) {
    // The picture already lies in the Windows folder: the desktop shows that file itself, so
    // it is never pointed at a wallpaper file that was not made.
    target = shown_file;
  } else {
    host.Inform(WallpaperSaveNotice());
    picture::Bitmap copy = shown;
    const int sw = host.ScreenWidth();
    const int sh = host.ScreenHeight();
    if ((copy.Width() > sw || copy.Height() > sh) &&
        host.AskYesNo(WallpaperTooLargeQuestion(style, copy.Width(), copy.Height()))) {
      const picture::Size fit = picture::FitInBox(copy.Width(), copy.Height(), sw, sh);
      ResizePicture(copy, fit.width, fit.height, true);
    }
    if (copy.Format() == picture::PixelFormat::k24 && host.AskYesNo(kWallpaper256Question)) {
      picture::Bitmap reduced;
      colour::Palette6 palette{};
      colour::ReduceRequest request;
      request.colours = 256;
      request.dither = true;
      if (colour::ReduceColours(copy, reduced, palette, request).done) copy = std::move(reduced);
    }
    const WallpaperHost::SaveOutcome saved = host.SaveBmp(target, copy);
    if (!saved.ok) {
      if (!saved.already_exists) host.ShowError(saved.error + "\r" + kWallpaperFolderFull);
      return outcome;
    }
    outcome.file_written = true;
  }
  outcome.commands = ChooseWallpaperCommands(facts, style, target);
  if (!outcome.commands.available) {
    // Nothing here can set the background: say so rather than claim a new wallpaper.
    host.ShowError(WallpaperUnavailableText(outcome.commands.reason, target));
    return outcome;
  }
  bool all_ran = true;
  for (const auto& argv : outcome.commands.commands) all_ran = host.Run(argv) && all_ran;
  outcome.settings_written = all_ran;
  if (!all_ran) {
    host.ShowError(std::string(kWallpaperCommandFailed) + "\r\r" + target);
    return outcome;
  }
  host.ShowWallpaperNotice();
  return outcome;
}

}  // namespace vr::transforms
