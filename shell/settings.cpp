#include "shell/settings.h"

#include <algorithm>
#include <ctime>

#include "platform/path_rules.h"
#include "platform/profile_file.h"
#include "platform/ui.h"

namespace vr::shell {
namespace {

constexpr const char* kGeneral = "General";
constexpr const char* kRecent = "Recent List";
constexpr const char* kTagged = "Tagged Operations";
constexpr const char* kAlbums = "Albums";
constexpr const char* kSlide = "SlideShow";
constexpr const char* kWeb = "WebFolders";
constexpr const char* kCatalog = "Catalog";
constexpr const char* kEditors = "Editors";
constexpr const char* kSpecial = "Special";

std::string Numbered(const char* prefix, int n) { return prefix + std::to_string(n); }

// 16-bit settings are held signed in memory and written unsigned; a stored value out of range
// keeps its low 16 bits, as the original word variables did.
uint16_t ReadWord(const platform::ProfileFile& file, const char* section, const char* key,
                  uint16_t fallback) {
  return static_cast<uint16_t>(file.ReadInteger(section, key, fallback) & 0xFFFF);
}

int ReadInt(const platform::ProfileFile& file, const char* section, const char* key, int fallback) {
  const int64_t value = file.ReadInteger(section, key, fallback);
  if (value < INT32_MIN || value > INT32_MAX) return fallback;
  return static_cast<int>(value);
}

void WriteEditorsTo(platform::ProfileFile& file, const Settings& s) {
  for (int i = 0; i < kEditorCount; ++i) {
    file.WriteString(kEditors, "Editor#" + std::to_string(i + 1), s.editors[i]);
    file.WriteBool(kEditors, "Editor#" + std::to_string(i + 1) + "_Quoted", s.editor_quoted[i]);
  }
  for (size_t i = 0; i < kSettingsFileTypes.size(); ++i) {
    file.WriteString(kEditors, "Type:" + std::string(kSettingsFileTypes[i]),
                     std::to_string(TypeEditorNumber(s.type_editors[i])));
  }
}

}  // namespace

Settings::Settings() {
  recent_folders.fill(kEntryNotUsed);
  recent_files.fill(kEntryNotUsed);
  tag_copy.fill(kDefaultTagFolder);
  tag_move.fill(kDefaultTagFolder);
  editor_quoted.fill(true);
  for (size_t i = 0; i < kSettingsFileTypes.size(); ++i) {
    const std::string_view ext = kSettingsFileTypes[i];
    const bool first_editor =
        ext == ".GIF" || ext == ".BMP" || ext == ".JPG" || ext == ".JPEG" || ext == ".JPE";
    type_editors[i] = TypeEditorEntry(first_editor ? 1 : 0, ext);
  }
}

int TypeEditorNumber(const std::string& entry) {
  if (entry.size() < 3 || entry[0] != '[') return 0;
  const size_t close = entry.find(']');
  if (close == std::string::npos) return 0;
  int64_t value = 0;
  if (!platform::ParseProfileInteger(std::string_view(entry).substr(1, close - 1), &value)) {
    return 0;
  }
  return value < 0 || value > kEditorCount ? 0 : static_cast<int>(value);
}

std::string TypeEditorEntry(int number, std::string_view extension) {
  return "[" + std::to_string(number) + "] " + std::string(extension);
}

bool IsIniSwitch(const std::string& arg) {
  return arg.size() >= 5 && platform::EqualIgnoringAsciiCase(arg.substr(0, 5), "/INI:");
}

std::vector<std::string> CommandLinePaths(const std::vector<std::string>& args) {
  std::vector<std::string> paths;
  for (const std::string& arg : args) {
    if (!arg.empty() && !IsIniSwitch(arg)) paths.push_back(arg);
  }
  return paths;
}

std::string SettingsFileName(const std::vector<std::string>& args) {
  std::string name = kDefaultSettingsName;
  for (const std::string& arg : args) {
    // The name keeps its case: on a file system that keeps case "my.ini" is not "MY.INI".
    if (IsIniSwitch(arg) && arg.size() > 5) name = arg.substr(5);
  }
  return name;
}

std::string SettingsPath(const std::string& program_folder, const std::string& name) {
  size_t start = 0;
  while (start < name.size() && (name[start] == '/' || name[start] == '\\')) ++start;
  return platform::WithTrailingSeparator(program_folder) + name.substr(start);
}

int ReadMultiLoad(const std::string& path) {
  const platform::ProfileFile file(path);
  const int64_t mode = file.ReadInteger(kGeneral, "MultiLoad", 1);
  return mode >= 0 && mode <= 2 ? static_cast<int>(mode) : 1;
}

void WriteMultiLoad(const std::string& path, int mode) {
  platform::ProfileFile file(path);
  file.WriteInteger(kGeneral, "MultiLoad", mode);
  (void)file.Flush();
}

Settings ReadSettings(const std::string& path) {
  Settings s;
  const platform::ProfileFile f(path);
  for (int i = 0; i < kRecentCount; ++i) {
    s.recent_folders[i] = f.ReadString(kRecent, Numbered("Recent_", i), kEntryNotUsed);
    s.recent_files[i] = f.ReadString(kRecent, Numbered("Recent_File_", i), kEntryNotUsed);
  }
  for (int i = 0; i < kTagFolderCount; ++i) {
    s.tag_copy[i] = f.ReadString(kTagged, Numbered("Tag_Copy_", i), kDefaultTagFolder);
    s.tag_move[i] = f.ReadString(kTagged, Numbered("Tag_Move_", i), kDefaultTagFolder);
  }
  const int64_t mode = f.ReadInteger(kGeneral, "MultiLoad", 1);
  s.multi_load = mode >= 0 && mode <= 2 ? static_cast<int>(mode) : 1;
  s.display_path = f.ReadBool(kGeneral, "DisplayPath", true);
  s.albums_folder = f.ReadString(kGeneral, "AlbumsFolder", "");
  s.include_folders = f.ReadBool(kGeneral, "IncludeFolders", false);
  s.sound = f.ReadBool(kGeneral, "Sound", true);
  s.play_wav = f.ReadBool(kGeneral, "Play_WAV", false);
  s.installed = f.ReadBool(kGeneral, "Installed", true);
  s.setup = f.ReadString(kGeneral, "Setup", "NO");
  s.version = f.ReadString(kGeneral, "Version", kProgramVersion);
  s.date_update_shown = f.ReadInteger(kGeneral, "Date_UpdateMessageShown", 0);
  s.dither = f.ReadBool(kGeneral, "Dither", true);
  s.show_dither_progress = f.ReadBool(kGeneral, "ShowDitherProgress", true);
  s.turn_photos_upright = f.ReadBool(kGeneral, "TurnPhotosUpright", true);
  s.true_colour_on_256 = f.ReadBool(kGeneral, "TrueColorAs256Colors", false) ? 1 : 0;
  const std::string style = f.ReadString(kGeneral, "WallPaperStyle", "0");
  s.wallpaper_style = style == "1" || style == "2" ? style[0] : '0';

  s.auto_dock = f.ReadBool(kAlbums, "Auto_Dock", true);
  s.dock_top = f.ReadBool(kAlbums, "Dock_Top", false);
  s.dock_bottom = f.ReadBool(kAlbums, "Dock_Bottom", true);
  s.dock_right = f.ReadBool(kAlbums, "Dock_Right", false);

  // Values out of the options window's ranges (a hand-edited file) are brought into them.
  s.slide_delay = std::clamp(ReadInt(f, kSlide, "Delay", 1), 0, 999);
  s.slide_full_screen = f.ReadBool(kSlide, "FullScreen", true);
  s.slide_full_screen_type = std::clamp(ReadInt(f, kSlide, "FullScreenType", 2), 0, 2);
  s.slide_continuous = f.ReadBool(kSlide, "Continuous", true);
  s.slide_random = f.ReadBool(kSlide, "Random", false);
  s.slide_start_at_top = std::clamp(ReadInt(f, kSlide, "StartAtTop", 0), 0, 2);
  s.slide_loop_times = std::clamp(ReadInt(f, kSlide, "LoopTimes", 1), 1, 100);
  s.slide_wav_wait = f.ReadBool(kSlide, "WAV WAIT", true);

  for (size_t i = 0; i < kWebFolderKeys.size(); ++i) {
    s.web[i] = f.ReadString(kWeb, kWebFolderKeys[i], "");
  }

  // A hand-edited 0 rows would divide the page by zero; rows 1-20, shapes 0-3.
  s.print_rows = std::clamp<uint16_t>(ReadWord(f, kCatalog, "PrintRows", 3), 1, 20);
  s.print_style = std::min<uint16_t>(ReadWord(f, kCatalog, "PrintStyle", 3), 3);

  for (int i = 0; i < kEditorCount; ++i) {
    s.editors[i] = f.ReadString(kEditors, "Editor#" + std::to_string(i + 1), "");
    s.editor_quoted[i] = f.ReadBool(kEditors, "Editor#" + std::to_string(i + 1) + "_Quoted", true);
  }
  for (size_t i = 0; i < kSettingsFileTypes.size(); ++i) {
    const int fallback = TypeEditorNumber(s.type_editors[i]);
    int64_t n = f.ReadInteger(kEditors, "Type:" + std::string(kSettingsFileTypes[i]), fallback);
    if (n < 0 || n > kEditorCount) n = fallback;
    s.type_editors[i] = TypeEditorEntry(static_cast<int>(n), kSettingsFileTypes[i]);
  }

  s.database_name = f.ReadString(kSpecial, "DataBaseName", "LSNOTES");
  s.thumb_width = ReadWord(f, kSpecial, "Thumb_Width", 64);
  s.thumb_height = ReadWord(f, kSpecial, "Thumb_Height", 64);
  s.checkbox_width = ReadWord(f, kSpecial, "CheckBox_Width", 14);
  s.checkbox_height = ReadWord(f, kSpecial, "CheckBox_Height", 14);
  s.checkbox_margin_top = ReadWord(f, kSpecial, "CheckBox_Margin_Top", 2);
  s.checkbox_margin_left = ReadWord(f, kSpecial, "CheckBox_Margin_Left", 3);
  return s;
}

bool WriteSettings(const std::string& path, const Settings& s) {
  platform::ProfileFile f(path);
  for (int i = 0; i < kRecentCount; ++i) {
    f.WriteString(kRecent, Numbered("Recent_", i), s.recent_folders[i]);
  }
  for (int i = 0; i < kRecentCount; ++i) {
    f.WriteString(kRecent, Numbered("Recent_File_", i), s.recent_files[i]);
  }
  for (int i = 0; i < kTagFolderCount; ++i)
    f.WriteString(kTagged, Numbered("Tag_Copy_", i), s.tag_copy[i]);
  for (int i = 0; i < kTagFolderCount; ++i)
    f.WriteString(kTagged, Numbered("Tag_Move_", i), s.tag_move[i]);

  f.WriteBool(kGeneral, "DisplayPath", s.display_path);
  f.WriteString(kGeneral, "AlbumsFolder", s.albums_folder);
  f.WriteBool(kGeneral, "IncludeFolders", s.include_folders);
  f.WriteBool(kGeneral, "Sound", s.sound);
  f.WriteBool(kGeneral, "Play_WAV", s.play_wav);
  f.WriteBool(kGeneral, "Installed", s.installed);
  f.WriteString(kGeneral, "Setup", "YES");
  f.WriteString(kGeneral, "Version", kProgramVersion);
  f.WriteBool(kGeneral, "Dither", s.dither);
  f.WriteBool(kGeneral, "ShowDitherProgress", s.show_dither_progress);
  f.WriteBool(kGeneral, "TurnPhotosUpright", s.turn_photos_upright);
  f.WriteBool(kGeneral, "TrueColorAs256Colors", s.true_colour_on_256 != 0);
  f.WriteString(kGeneral, "WallPaperStyle", std::string(1, s.wallpaper_style));

  f.WriteBool(kAlbums, "Auto_Dock", s.auto_dock);
  f.WriteBool(kAlbums, "Dock_Top", s.dock_top);
  f.WriteBool(kAlbums, "Dock_Bottom", s.dock_bottom);
  f.WriteBool(kAlbums, "Dock_Right", s.dock_right);

  f.WriteInteger(kSlide, "Delay", s.slide_delay);
  f.WriteBool(kSlide, "FullScreen", s.slide_full_screen);
  f.WriteInteger(kSlide, "FullScreenType", s.slide_full_screen_type);
  f.WriteBool(kSlide, "Continuous", s.slide_continuous);
  f.WriteBool(kSlide, "Random", s.slide_random);
  f.WriteInteger(kSlide, "StartAtTop", s.slide_start_at_top);
  f.WriteInteger(kSlide, "LoopTimes", s.slide_loop_times);
  f.WriteBool(kSlide, "WAV WAIT", s.slide_wav_wait);

  for (size_t i = 0; i < kWebFolderKeys.size(); ++i)
    f.WriteString(kWeb, kWebFolderKeys[i], s.web[i]);

  f.WriteInteger(kCatalog, "PrintRows", s.print_rows);
  f.WriteInteger(kCatalog, "PrintStyle", s.print_style);

  f.WriteString(kSpecial, "DataBaseName", s.database_name);
  f.WriteInteger(kSpecial, "Thumb_Width", s.thumb_width);
  f.WriteInteger(kSpecial, "Thumb_Height", s.thumb_height);
  f.WriteInteger(kSpecial, "CheckBox_Width", s.checkbox_width);
  f.WriteInteger(kSpecial, "CheckBox_Height", s.checkbox_height);
  f.WriteInteger(kSpecial, "CheckBox_Margin_Top", s.checkbox_margin_top);
  f.WriteInteger(kSpecial, "CheckBox_Margin_Left", s.checkbox_margin_left);
  // A fresh file gets the editor defaults too, so that it is complete; an existing "Editors"
  // section belongs to the editors window and is left alone.
  if (!f.SectionExists(kEditors)) WriteEditorsTo(f, s);
  return f.Flush() || !f.dirty();
}

void WriteEditors(const std::string& path, const Settings& settings) {
  platform::ProfileFile f(path);
  WriteEditorsTo(f, settings);
  (void)f.Flush();
}

void WriteUpdateDay(const std::string& path, int64_t day) {
  platform::ProfileFile f(path);
  f.WriteInteger(kGeneral, "Date_UpdateMessageShown", day);
  (void)f.Flush();
}

void PushRecent(RecentList& list, const std::string& entry) {
  // Entries keep the case they were given; whether two name the same place is the platform's
  // path rule (entries of older files, stored in upper case, are simply other paths here).
  int found = kRecentCount - 1;  // not found: everything moves down, the last drops out
  for (int i = 0; i < kRecentCount; ++i) {
    if (platform::SamePath(list[i], entry)) {
      found = i;
      break;
    }
  }
  for (int i = found; i > 0; --i) list[i] = list[i - 1];
  list[0] = entry;
}

void RememberLoad(Settings& settings, const std::string& first_file) {
  PushRecent(settings.recent_folders, platform::FolderOf(first_file));
  const std::string name = platform::NameOf(first_file);
  if (name.find('+') == std::string::npos) PushRecent(settings.recent_files, first_file);
}

bool IsUnusedEntry(const std::string& entry) {
  return entry.size() >= 19 &&
         platform::EqualIgnoringAsciiCase(entry.substr(0, 19),
                                          std::string(kEntryNotUsed).substr(0, 19));
}

bool ClearHistory(platform::Ui& ui, Settings& settings, const std::string& path) {
  if (ui.Ask(platform::MessageKind::kInformation, "Information", kClearHistoryText,
             platform::kYesNo) != platform::Answer::kYes) {
    return false;
  }
  settings.recent_folders.fill(kEntryNotUsed);
  settings.recent_files.fill(kEntryNotUsed);
  settings.tag_copy.fill(kDefaultTagFolder);
  settings.tag_move.fill(kDefaultTagFolder);
  platform::ProfileFile f(path);
  for (int i = 0; i < kRecentCount; ++i) {
    f.WriteString(kRecent, Numbered("Recent_", i), kEntryNotUsed);
    f.WriteString(kRecent, Numbered("Recent_File_", i), kEntryNotUsed);
  }
  for (int i = 0; i < kTagFolderCount; ++i) {
    f.WriteString(kRecent, Numbered("MoveList_", i), kDefaultTagFolder);
    f.WriteString(kTagged, Numbered("Tag_Copy_", i), kDefaultTagFolder);
    f.WriteString(kTagged, Numbered("Tag_Move_", i), kDefaultTagFolder);
  }
  (void)f.Flush();
  return true;
}

std::string ReadRegistrationVersion(const std::string& path) {
  const platform::ProfileFile f(path);
  const std::string v = f.ReadString(kRegistrationSection, kRegistrationKey, kUninstalled);
  return v.empty() ? std::string(kUninstalled) : v;
}

void WriteRegistrationVersion(const std::string& path, const std::string& version) {
  platform::ProfileFile f(path);
  f.WriteString(kRegistrationSection, kRegistrationKey, version);
  (void)f.Flush();
}

bool NeedsUpgradeNotice(bool installed, const std::string& v, const std::string& r) {
  if (!installed) return false;
  if (v == kProgramVersion && (r == kProgramVersion || r == kUninstalled)) return false;
  for (std::string_view known : kKnownVersions) {
    if (v == known || r == known) return true;
  }
  return false;
}

int64_t DayNumber(int64_t unix_seconds) {
  const std::time_t t = static_cast<std::time_t>(unix_seconds);
  std::tm local{};
  localtime_r(&t, &local);
  // Days from 1970-01-01 of the local calendar date, then shifted to the 1899-12-30 epoch.
  const int64_t y = local.tm_year + 1900;
  const int64_t m = local.tm_mon + 1;
  const int64_t d = local.tm_mday;
  // Civil date to days since 1970-01-01 (proleptic Gregorian).
  const int64_t yy = m <= 2 ? y - 1 : y;
  const int64_t era = (yy >= 0 ? yy : yy - 399) / 400;
  const int64_t yoe = yy - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days_1970 = era * 146097 + doe - 719468;
  return days_1970 + 25569;
}

}  // namespace vr::shell
