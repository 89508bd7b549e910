#include "notes/resolve_search.h"

#include <algorithm>
#include <set>

#include "notes/notes_relink.h"
#include "platform/path_rules.h"

namespace vr::notes {
namespace {

class SizeStampSearch {
 public:
  SizeStampSearch(platform::Files& files, const Shortcut& missing, const ResolveSearchHooks& hooks)
      : files_(files), missing_(missing), hooks_(hooks) {}

  std::vector<std::string> Run() {
    Say("Locating file:" + missing_.path);
    drives_ = files_.Drives();
    const std::string folder = platform::FolderOf(missing_.path);
    std::string root = DriveRootOf(missing_.path, drives_);
    if (root.empty() && !folder.empty()) root.assign(1, '/');
    if (!folder.empty()) {
      const bool went_on = Walk(folder, false, root) && Walk(folder, true, root) &&
                           Parents(folder, root) && Walk(root, true, root);
      if (went_on) OtherDrives(root);
    } else {
      OtherDrives(root);
    }
    // Files of the missing file's own name first; the rest keep the search order.
    const std::string name = platform::NameOf(missing_.path);
    std::stable_partition(found_.begin(), found_.end(), [&](const std::string& p) {
      return platform::SamePath(platform::NameOf(p), name);
    });
    return found_;
  }

 private:
  void Say(const std::string& text) {
    if (hooks_.status) hooks_.status(text);
  }

  bool Parents(std::string folder, const std::string& root) {
    while (folder.size() > root.size() && folder.size() > 1) {
      folder.pop_back();
      folder = platform::FolderOf(folder);
      if (folder.empty()) break;
      if (!Walk(folder, false, root)) return false;
    }
    return true;
  }

  bool OtherDrives(const std::string& own) {
    for (const platform::Drive& d : drives_) {
      const std::string root = platform::WithTrailingSeparator(d.root);
      if (root == own) continue;
      if (d.type == platform::DriveType::kCdRom || d.type == platform::DriveType::kRamDisk) {
        continue;
      }
      if (!Walk(root, true, root)) return false;
    }
    return true;
  }

  // Lists `folder` (and its sub-folders when asked), skipping folders listed before.
  bool Walk(const std::string& folder, bool sub_folders, const std::string& root) {
    FolderWalk walk;
    walk.files = &files_;
    walk.drives = &drives_;
    walk.own_root = root;
    walk.sub_folders = sub_folders;
    std::string current;
    bool listing = false;
    walk.enter = [&](const std::string& f) {
      listing = listed_.insert(f).second;
      current = f;
      if (listing) Say("Searching Folder:" + f);
      return !Stop();
    };
    walk.visit = [&](const std::string& f, const platform::DirEntry& e) {
      if (listing && !e.is_link && !e.IsDirectory() && e.size == missing_.size &&
          e.dos_stamp == missing_.stamp) {
        const std::string path = f + e.name;
        if (seen_.insert(path).second) found_.push_back(path);
      }
      return (++items_ % 20 != 0) || !Stop();
    };
    return WalkFolders(folder, walk);
  }

  bool Stop() {
    if (stopped_) return true;
    if (hooks_.pump_and_poll_stop && hooks_.pump_and_poll_stop()) stopped_ = true;
    return stopped_;
  }

  platform::Files& files_;
  const Shortcut& missing_;
  const ResolveSearchHooks& hooks_;
  std::vector<platform::Drive> drives_;
  std::set<std::string> listed_;
  std::set<std::string> seen_;
  std::vector<std::string> found_;
  long items_ = 0;
  bool stopped_ = false;
};

}  // namespace

std::vector<std::string> FindBySizeAndStamp(platform::Files& files, const Shortcut& missing,
                                            const ResolveSearchHooks& hooks) {
  return SizeStampSearch(files, missing, hooks).Run();
}

size_t ApplyNewLocation(std::vector<ResolvePair>* pairs, size_t index, const std::string& new_path,
                        platform::Files& files, const FixEntriesFn& fix,
                        const std::function<void(const std::string&)>& status) {
  if (pairs == nullptr || index >= pairs->size()) return 0;
  std::vector<std::pair<std::string, std::string>> moves;
  ResolvePair& chosen = (*pairs)[index];
  const std::string old_path = chosen.path;
  if (old_path == new_path) return 0;
  moves.emplace_back(old_path, new_path);
  RewriteShortcutPath(chosen.shortcut, old_path, new_path);
  chosen.path = new_path;
  const std::string old_folder = platform::FolderOf(old_path);
  const std::string new_folder = platform::FolderOf(new_path);
  if (!platform::SamePath(old_folder, new_folder)) {
    long n = 0;
    for (size_t i = 0; i < pairs->size(); ++i) {
      if (i == index) continue;
      ResolvePair& other = (*pairs)[i];
      if (!platform::SamePath(platform::FolderOf(other.path), old_folder)) continue;
      const std::string moved = new_folder + platform::NameOf(other.path);
      // A path that still may be right (on a stick not plugged in) must not be replaced by one
      // naming no file.
      if (!files.IsFile(moved)) continue;
      if (status && ++n % 25 == 0) status("Updating Link:" + other.path);
      RewriteShortcutPath(other.shortcut, other.path, moved);
      moves.emplace_back(other.path, moved);
      other.path = moved;
    }
  }
  if (fix) fix(moves);
  return moves.size();
}

void DropResolved(std::vector<ResolvePair>* pairs, platform::Files& files,
                  const std::function<void(const std::string&)>& status) {
  std::vector<ResolvePair> left;
  long n = 0;
  for (ResolvePair& p : *pairs) {
    if (status && ++n % 25 == 0) status("Verifying Link:" + p.path);
    if (!files.IsFile(p.path)) left.push_back(std::move(p));
  }
  *pairs = std::move(left);
}

}  // namespace vr::notes
