#pragma once
// The loading commands around the files list: the drive menu ("Load Allowable File Types From
// Drive(s)") built from the drive table, the all-images load of every hard drive, and "Load
// File(s) From Current Folder" with its "+" name.
//
// A "drive" here is a mounted file system; its item is captioned "Drive " + mount point.

#include <string>
#include <vector>

#include "lists/files_list.h"
#include "platform/files.h"

namespace vr::lists {

enum class DriveItemKind { kNotesOnly, kEveryDrive, kAllHardDrives, kDrive };

struct DriveMenuItem {
  DriveItemKind kind = DriveItemKind::kDrive;
  std::string caption;
  std::string hint;
  std::string root;  // kDrive: the mount point with a trailing separator
  platform::DriveType type = platform::DriveType::kUnknown;
  bool hard_drive = false;  // fixed drives
  std::string icon;         // resource name of the drive type's icon
};

inline constexpr const char* kNotesOnlyCaption = "ONLY Load files from NOTES DataBase";
inline constexpr const char* kNotesOnlyHint =
    "When Drive Loading, files MUST have entry in NOTES DataBase to get loaded.";
inline constexpr const char* kEveryDriveCaption = "Every Drive In System";
inline constexpr const char* kAllHardDrivesCaption = "All Local Hard Drives";
inline constexpr const char* kAllImagesCaption =
    "Load ALL Images From All Hard Drives Into Files List";

// The drive menu: the check item for notes-only loading, "Every Drive In System", "All Local
// Hard Drives", then one item per drive of a loadable type, in table order. The notes-only
// check mark lives here and is cleared by every drive load.
class DriveMenu {
 public:
  DriveMenu() = default;
  explicit DriveMenu(const std::vector<platform::Drive>& drives) { Build(drives); }
  void Build(const std::vector<platform::Drive>& drives);

  const std::vector<DriveMenuItem>& items() const { return items_; }
  bool notes_only() const { return notes_only_; }
  void set_notes_only(bool on) { notes_only_ = on; }

  // The drive roots an item stands for (empty for the notes-only item or a bad index).
  std::vector<std::string> RootsOf(size_t index) const;

  // LoadDrives for an item; the notes-only mark is read first and cleared afterwards. Gives
  // false when the item loads nothing (the check item, a bad index).
  bool Load(FilesList& list, size_t index);
  // "Load ALL Images From All Hard Drives Into Files List": every hard drive with the image
  // pattern in place of the allowable types; the previous pattern is put back afterwards.
  void LoadAllImages(FilesList& list);

 private:
  std::vector<DriveMenuItem> items_;
  bool notes_only_ = false;
};

// The result of the picture open dialog.
struct DialogChoice {
  std::vector<std::string> files;  // full paths as picked
  std::string filter_patterns;  // the chosen filter's patterns, e.g. "*.gif;*.jpg" or "*.gif *.jpg"
};

// A chosen name holding "+" stands for every file of its folder whose name matches the filter;
// other names are kept as they are. Files are listed in the folder's listing order.
std::vector<std::string> ExpandDialogChoice(platform::Files& files, const DialogChoice& choice);
// True when a file name matches one of the filter's wildcard patterns ("*" and "?", case
// ignored as the dialog does).
bool MatchesFilter(const std::string& name, const std::string& filter_patterns);

// "Load File(s) From Current Folder": clears the list, loads the picked files (every extension
// allowable while they are added) with threshold 6000 and goes to position 0. With `append`
// (the files list window's "Add") the list is kept and the current position is left alone.
// Gives the number of entries added. Nothing happens when nothing was picked.
int LoadDialogChoice(FilesList& list, const DialogChoice& choice, bool append);

}  // namespace vr::lists
