#pragma once
// The viewer's settings file ("VELDR.INI" in the program folder, or the "/INI:" name): every
// section and key the shell keeps, their defaults, the recent-folder and recent-file lists, and
// the install bookkeeping (version check, clear history, un-install).
//
// The file is opened for each read or write batch and closed right after. Writes swallow their
// errors: losing a setting must never stop the viewer.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vr::platform {
class Ui;
class ProfileFile;
}  // namespace vr::platform

namespace vr::shell {

inline constexpr const char* kDefaultSettingsName = "VELDR.INI";
inline constexpr const char* kEntryNotUsed = "(Entry Not Used Yet)";
inline constexpr const char* kProgramVersion = "Veldrimon 2.1.3";
inline constexpr const char* kUninstalled = "UNINSTALLED";
inline constexpr const char* kDefaultTagFolder = "C:\\";
inline constexpr int kRecentCount = 25;
inline constexpr int kTagFolderCount = 15;
inline constexpr int kEditorCount = 5;

// Versions whose settings files this version takes over (with the upgrade notice).
inline constexpr std::array<std::string_view, 12> kKnownVersions = {
    "Veldrimon 2.1.3",  "Veldrimon 2.1.0",  "Veldrimon 1.8.8",  "Veld Rimon 1.8.7",
    "Veld Rimon 1.8.6", "Veld Rimon 1.8.5", "Veld Rimon 1.8.4", "Veld Rimon 1.8.3",
    "Veld Rimon 1.8.2", "Veld Rimon 1.8.1", "Veld Rimon 1.8",   "Veld Rimon 1.7"};

// The known file types in the order of the "Editors" "Type:" keys.
inline constexpr std::array<std::string_view, 23> kSettingsFileTypes = {
    ".AVI", ".BMP",  ".EMF", ".ICO",  ".FLC",   ".FLI", ".GIF", ".JPG",
    ".JPE", ".JPEG", ".MID", ".MIDI", ".MOV",   ".MPG", ".MPE", ".MPEG",
    ".PCX", ".PIC",  ".PNG", ".TGA",  ".TARGA", ".WAV", ".WMF"};

inline constexpr std::array<std::string_view, 9> kWebFolderKeys = {"LastPath",
                                                                   "AltBrowser",
                                                                   "AltBrowserParm",
                                                                   "AltHTMLEditor#1",
                                                                   "AltHTMLEditor#1Parm",
                                                                   "AltHTMLEditor#2",
                                                                   "AltHTMLEditor#2Parm",
                                                                   "AltHTMLEditor#3",
                                                                   "AltHTMLEditor#3Parm"};

// Where the version of the file-type registrations is recorded (this platform has no registry).
inline constexpr const char* kRegistrationSection = "Registrations";
inline constexpr const char* kRegistrationKey = "Version";

using RecentList = std::array<std::string, kRecentCount>;
using TagFolders = std::array<std::string, kTagFolderCount>;

struct Settings {
  Settings();

  RecentList recent_folders;
  RecentList recent_files;
  TagFolders tag_copy;
  TagFolders tag_move;

  // General
  int multi_load = 1;
  bool display_path = true;
  bool include_folders = false;
  bool sound = true;
  bool play_wav = false;
  bool installed = true;
  std::string setup = "NO";
  std::string version = kProgramVersion;
  int64_t date_update_shown = 0;
  // Colour reduction and wallpaper options of the main window's menus.
  bool dither = true;                 // "Dither (Best On Photos)"; false: "REMAP, No Dither ..."
  bool show_dither_progress = true;   // "Show Dither Progress Window"
  int true_colour_on_256 = 0;         // "Make TRUE-COLOR images load as 256 DITHERED Colors"
  char wallpaper_style = '0';         // '0' centre, '1' tile, '2' stretch to fit
  bool turn_photos_upright = true;    // "Turn Photos Upright (Camera Orientation)"

  std::string albums_folder;  // "AlbumsFolder": where "Albums_Veldrimon" lives ("" the program folder)

  // Albums
  bool auto_dock = true;
  bool dock_top = false;
  bool dock_bottom = true;
  bool dock_right = false;

  // SlideShow
  int slide_delay = 1;
  bool slide_full_screen = true;
  int slide_full_screen_type = 2;
  bool slide_continuous = true;
  bool slide_random = false;
  int slide_start_at_top = 0;
  int slide_loop_times = 1;
  bool slide_wav_wait = true;

  // WebFolders, in the order of kWebFolderKeys
  std::array<std::string, kWebFolderKeys.size()> web;

  // Catalog (16-bit values)
  uint16_t print_rows = 3;
  uint16_t print_style = 3;

  // Editors
  std::array<std::string, kEditorCount> editors;
  std::array<bool, kEditorCount> editor_quoted;
  // Per known type, "[" number "] " extension.
  std::array<std::string, kSettingsFileTypes.size()> type_editors;

  // Special
  std::string database_name = "LSNOTES";
  uint16_t thumb_width = 64;
  uint16_t thumb_height = 64;
  uint16_t checkbox_width = 14;
  uint16_t checkbox_height = 14;
  uint16_t checkbox_margin_top = 2;
  uint16_t checkbox_margin_left = 3;
};

// The editor number of an in-memory type entry "[n] .EXT" (0 when unreadable).
int TypeEditorNumber(const std::string& entry);
std::string TypeEditorEntry(int number, std::string_view extension);

// The settings file name from the command line: the "/INI:" switch (letters of the switch in any
// case, the name kept as typed), else "VELDR.INI". The last switch wins.
std::string SettingsFileName(const std::vector<std::string>& args);
bool IsIniSwitch(const std::string& arg);
// The files and folders of a command line: every argument but empty ones and the "/INI:" switch.
std::vector<std::string> CommandLinePaths(const std::vector<std::string>& args);
// Program folder (with its trailing separator) + name. A name is always taken relative to the
// program folder, so separators in it are kept but a leading one is dropped.
std::string SettingsPath(const std::string& program_folder, const std::string& name);

// "MultiLoad" of section "General" (default 1); values outside 0..2 count as 1 (NO).
int ReadMultiLoad(const std::string& path);
// Writes "MultiLoad" at once (radio entries of the "Options" menu).
void WriteMultiLoad(const std::string& path, int mode);

Settings ReadSettings(const std::string& path);
// Writes every key of the table except "Date_UpdateMessageShown", "MultiLoad" and section
// "Editors", with "Version" current and "Setup" "YES". Gives false when the file could not be
// written (callers ignore it; the tests look).
bool WriteSettings(const std::string& path, const Settings& settings);
// The "Editors" section alone (the external-editors window writes it when its settings change).
void WriteEditors(const std::string& path, const Settings& settings);
void WriteUpdateDay(const std::string& path, int64_t day);

// Recent lists: moves an entry to the top (kept as given; an equal entry is found by the
// platform's path rule), or pushes it in and drops the last.
void PushRecent(RecentList& list, const std::string& entry);
// After a pick in the open dialog: the folder of the first file, and the file unless its name
// holds "+" (the all-files pick).
void RememberLoad(Settings& settings, const std::string& first_file);
// An entry not used yet: its first 19 characters read "(Entry Not Used Yet" in any case.
bool IsUnusedEntry(const std::string& entry);

// "&Clear RECENT Folders/Files entries": asks, then resets the lists, the move list and the tag
// folders in memory and in the file. True when cleared.
bool ClearHistory(platform::Ui& ui, Settings& settings, const std::string& path);

// The recorded version of the file-type registrations ("UNINSTALLED" when none).
std::string ReadRegistrationVersion(const std::string& path);
void WriteRegistrationVersion(const std::string& path, const std::string& version);

// Whether the version check shows the upgrade notice: the file is live, it was not written by
// this version with matching (or no) registrations, and one of the two versions is known.
bool NeedsUpgradeNotice(bool installed, const std::string& file_version,
                        const std::string& registration_version);

// Days since 1899-12-30 of a moment (seconds since 1970, local calendar day).
int64_t DayNumber(int64_t unix_seconds);

// Texts of this part.
inline constexpr const char* kClearHistoryText =
    "You are about to CLEAR the RECENT Folders/Files && other history stuff that would indicate "
    "where you have been.\r\rDo you wish to CLEAR these fields?";
inline constexpr const char* kUpgradeText =
    "You are installing a NEWER version of Veld Rimon. Appropriate changes will be made AFTER "
    "clicking \"OK\".\r\rPlease make sure the file types you want Veld Rimon setup for are still "
    "in effect after this process.";
inline constexpr const char* kUninstallQuestion =
    "You are about to Un-Install and Delete Veld Rimon files from your system. Do you wish to do "
    "this?";
inline constexpr const char* kUninstallDone1 =
    "UN-Install is complete. You MUST use a NEWER version of Veld Rimon or remove the ";
inline constexpr const char* kUninstallDone2 = " file in order to run Veld Rimon again!";
inline constexpr std::array<std::string_view, 7> kUninstallFiles = {
    "VELDRIMON.HLP", "README.TXT",   "SPECIAL.WAV", "NODELETE.WAV",
    "EOFLIST.WAV",   "NUTCRACK.MID", "GAMEBAD.WAV"};

}  // namespace vr::shell
