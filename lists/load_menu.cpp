#include "lists/load_menu.h"

#include <cctype>
#include <string_view>

#include "platform/path_rules.h"

namespace vr::lists {
namespace {

constexpr int kDialogThreshold = 6000;

const char* IconOf(platform::DriveType type) {
  switch (type) {
    case platform::DriveType::kRemovable:
      return "DRIVE_REMOVABLE";
    case platform::DriveType::kFixed:
      return "DRIVE_FIXED";
    case platform::DriveType::kRemote:
      return "DRIVE_REMOTE";
    case platform::DriveType::kCdRom:
      return "DRIVE_CDROM";
    case platform::DriveType::kRamDisk:
      return "DRIVE_RAMDISK";
    case platform::DriveType::kUnknown:
      break;
  }
  return "";
}

// Wildcard match of a whole name, "*" any run and "?" one character, ASCII case ignored.
bool WildMatch(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  };
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || (pattern[p] != '*' && same(pattern[p], name[n])))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

void DriveMenu::Build(const std::vector<platform::Drive>& drives) {
  items_.clear();
  items_.push_back({DriveItemKind::kNotesOnly, kNotesOnlyCaption, kNotesOnlyHint, "",
                    platform::DriveType::kUnknown, false, ""});
  items_.push_back({DriveItemKind::kEveryDrive, kEveryDriveCaption,
                    "Scan ALL Drives in system to build Files List", "",
                    platform::DriveType::kUnknown, false, ""});
  items_.push_back({DriveItemKind::kAllHardDrives, kAllHardDrivesCaption,
                    "Scan every LOCAL HARD Drive in system to build Files List", "",
                    platform::DriveType::kUnknown, false, ""});
  for (const platform::Drive& drive : drives) {
    if (drive.type == platform::DriveType::kUnknown || drive.root.empty()) continue;
    DriveMenuItem item;
    item.kind = DriveItemKind::kDrive;
    item.root = platform::WithTrailingSeparator(drive.root);
    item.caption = "Drive " + item.root;
    item.hint = "Load every file from this DRIVE into the Files List";
    item.type = drive.type;
    item.hard_drive = drive.type == platform::DriveType::kFixed;
    item.icon = IconOf(drive.type);
    items_.push_back(std::move(item));
  }
}

std::vector<std::string> DriveMenu::RootsOf(size_t index) const {
  std::vector<std::string> roots;
  if (index >= items_.size()) return roots;
  const DriveMenuItem& chosen = items_[index];
  for (const DriveMenuItem& item : items_) {
    if (item.kind != DriveItemKind::kDrive) continue;
    const bool take = chosen.kind == DriveItemKind::kEveryDrive ||
                      (chosen.kind == DriveItemKind::kAllHardDrives && item.hard_drive) ||
                      (chosen.kind == DriveItemKind::kDrive && &item == &chosen);
    if (take) roots.push_back(item.root);
  }
  return roots;
}

bool DriveMenu::Load(FilesList& list, size_t index) {
  if (index >= items_.size() || items_[index].kind == DriveItemKind::kNotesOnly) return false;
  const bool notes_only = notes_only_;
  list.LoadDrives(RootsOf(index), notes_only);
  notes_only_ = false;
  return true;
}

void DriveMenu::LoadAllImages(FilesList& list) {
  const std::string saved = list.allowable().pattern();
  list.allowable().SetPattern(std::string(kAllImagesPattern));
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].kind == DriveItemKind::kAllHardDrives) {
      Load(list, i);
      break;
    }
  }
  list.allowable().SetPattern(saved);
}

bool MatchesFilter(const std::string& name, const std::string& filter_patterns) {
  size_t start = 0;
  bool any = false;
  while (start <= filter_patterns.size()) {
    size_t end = filter_patterns.find_first_of("; ", start);
    if (end == std::string::npos) end = filter_patterns.size();
    const std::string_view pattern(filter_patterns.data() + start, end - start);
    if (!pattern.empty()) {
      any = true;
      // "*.*" stands for every file, with or without an extension.
      if (pattern == "*.*" || WildMatch(pattern, name)) return true;
    }
    start = end + 1;
  }
  return !any;  // no filter at all lists every file
}

std::vector<std::string> ExpandDialogChoice(platform::Files& files, const DialogChoice& choice) {
  std::vector<std::string> out;
  for (const std::string& path : choice.files) {
    const std::string name = platform::NameOf(path);
    if (choice.files.size() != 1 || name.find('+') == std::string::npos || files.IsFile(path)) {
      out.push_back(path);
      continue;
    }
    std::string folder = platform::FolderOf(path);
    if (folder.empty()) folder = "./";
    files.ListFolder(folder, [&](const platform::DirEntry& item) {
      if (!item.IsDirectory() && MatchesFilter(item.name, choice.filter_patterns)) {
        out.push_back(folder + item.name);
      }
      return true;
    });
  }
  return out;
}

int LoadDialogChoice(FilesList& list, const DialogChoice& choice, bool append) {
  if (choice.files.empty()) return 0;
  const std::vector<std::string> paths = ExpandDialogChoice(*list.services().files, choice);
  if (!append) list.ClearFilesList();
  const int before = list.Count();
  const int current = list.Current();
  list.allowable().SetAllowEverything(true);
  list.LoadPaths(paths, kDialogThreshold, append ? current : 0, /*trusted=*/false);
  list.allowable().SetAllowEverything(false);
  auto& remember_folder = list.services().remember_folder;
  auto& remember_file = list.services().remember_file;
  const std::string& first = choice.files.front();
  const std::string folder = platform::FolderOf(first);
  if (remember_folder && !folder.empty()) remember_folder(folder);
  if (remember_file) {
    // The names picked, not what a "+" stood for.
    for (const std::string& path : choice.files) {
      if (list.Contains(path)) remember_file(path);
    }
  }
  return list.Count() - before;
}

}  // namespace vr::lists
