#include "notes/notes_relink.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <unordered_map>
#include <unordered_set>

#include "notes/notes_database.h"
#include "platform/path_rules.h"

namespace vr::notes {
namespace {

using Action = RelinkHooks::Action;

std::string Folded(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

const platform::Drive* DriveOf(const std::string& path, const std::vector<platform::Drive>& drives) {
  const platform::Drive* best = nullptr;
  for (const platform::Drive& d : drives) {
    const std::string root = platform::WithTrailingSeparator(d.root);
    if ((StartsWith(path, root) || path + "/" == root) &&
        (best == nullptr || root.size() > platform::WithTrailingSeparator(best->root).size())) {
      best = &d;
    }
  }
  return best;
}

// Mount areas of removable media and shares: a path below one of them whose own mount is not
// in the table belongs to a medium that is not plugged in.
bool InMountArea(const std::string& path, const std::string& holding_root) {
  for (const char* area : {"/media/", "/run/media/", "/mnt/"}) {
    if (StartsWith(path, area) && !StartsWith(holding_root, area)) return true;
  }
  return false;
}

// Writes the list of the orphans that stay; the name is fixed, so it is made exclusively (an
// old one, or anything planted under that name, is removed first, never written through).
bool WriteMissingList(const std::string& path, const std::vector<std::string>& orphans) {
  std::string text = std::string(kMissingFirstLine) + "\n";
  for (const std::string& o : orphans) text += platform::ShownPath(o) + "\n";
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0 && errno == EEXIST && ::unlink(path.c_str()) == 0) {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  }
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return ::close(fd) == 0 && done == text.size();
}

class Relinker {
 public:
  Relinker(std::vector<std::string>* orphans, NotesDatabase& main, NotesDatabase& temp,
           const RelinkHooks& hooks)
      : orphans_(*orphans), main_(main), temp_(temp), hooks_(hooks) {}

  long Run() {
    drives_ = hooks_.files->Drives();
    for (size_t i = 0; i < orphans_.size(); ++i) {
      by_name_.emplace(Folded(FileNameOfKey(orphans_[i])), i);
    }
    alive_.assign(orphans_.size(), true);
    skipped_.assign(orphans_.size(), false);
    left_ = orphans_.size();
    for (const platform::Drive& drive : drives_) {
      if (stop_all_ || left_ == 0) break;
      drive_root_ = platform::WithTrailingSeparator(drive.root);
      stop_drive_ = false;
      Walk(drive_root_);
    }
    // Fixed-disk orphans go; the others stay in the list for the compaction to carry over.
    std::vector<std::string> kept;
    for (size_t i = 0; i < orphans_.size(); ++i) {
      if (alive_[i] && !OnFixedDisk(orphans_[i], drives_)) kept.push_back(orphans_[i]);
    }
    orphans_ = kept;
    if (!orphans_.empty()) {
      if (hooks_.inform) hooks_.inform(kStillUnlinkedText);
      const std::string list = hooks_.temp_folder + kMissingFileName;
      if (WriteMissingList(list, orphans_) && hooks_.open_text_file) hooks_.open_text_file(list);
    }
    return relinked_;
  }

 private:
  void Tick(const std::string& folder) {
    if (++items_ % 20 != 0) return;
    if (hooks_.status) {
      hooks_.status("Resolving (" + std::to_string(left_) + "):" + folder);
    }
    if (hooks_.pump_and_poll_stop && hooks_.pump_and_poll_stop()) stop_drive_ = true;
  }

  void Walk(const std::string& root) {
    FolderWalk walk;
    walk.files = hooks_.files;
    walk.drives = &drives_;
    walk.own_root = root;
    walk.enter = [this](const std::string& folder) {
      if (StopHere()) return false;
      if (hooks_.status) hooks_.status("Resolving (" + std::to_string(left_) + "):" + folder);
      return true;
    };
    walk.visit = [this](const std::string& folder, const platform::DirEntry& e) {
      Tick(folder);
      if (!e.is_link && !e.IsDirectory()) File(folder, e.name);
      return !StopHere();
    };
    WalkFolders(root, walk);
  }

  bool StopHere() const { return stop_all_ || stop_drive_ || left_ == 0; }

  void File(const std::string& folder, const std::string& name) {
    const auto [first, last] = by_name_.equal_range(Folded(name));
    if (first == last) return;
    // Candidates from the last orphan to the first.
    std::vector<size_t> candidates;
    for (auto it = first; it != last; ++it) {
      if (alive_[it->second] && !skipped_[it->second]) candidates.push_back(it->second);
    }
    if (candidates.empty()) return;
    std::sort(candidates.rbegin(), candidates.rend());
    const std::string found = folder + name;
    NotesRecord existing;
    if (temp_.ReadNote(found, &existing).status == 0 && existing.live_flag == kLive) return;
    std::string skip_folder;
    std::string skip_drive;
    for (size_t i : candidates) {
      const std::string& orphan = orphans_[i];
      if (hooks_.ask_link && hooks_.ask_link(found, orphan)) {
        Link(i, found);
        break;  // a file takes one orphan
      }
      if (!hooks_.choose_action) continue;
      bool confirmed = false;
      const Action action = hooks_.choose_action(orphan, &confirmed);
      if (action == Action::kSkipFolder) skip_folder = std::string(FolderOfKey(orphan));
      if (action == Action::kSkipDrive) skip_drive = DriveRootOf(orphan, drives_);
      if (action == Action::kSkipAll && confirmed) stop_all_ = true;
      if (confirmed && action != Action::kContinue) break;
    }
    if (!skip_folder.empty() || !skip_drive.empty()) ApplySkip(skip_folder, skip_drive);
  }

  void ApplySkip(const std::string& folder, const std::string& drive) {
    for (size_t i = 0; i < orphans_.size(); ++i) {
      if (!alive_[i]) continue;
      const std::string& o = orphans_[i];
      const bool hit = (!folder.empty() && FolderOfKey(o) == folder) ||
                       (!drive.empty() && DriveRootOf(o, drives_) == drive);
      if (!hit) continue;
      if (OnFixedDisk(o, drives_)) {
        alive_[i] = false;
        --left_;
      } else {
        skipped_[i] = true;
      }
    }
  }

  void Link(size_t i, const std::string& found) {
    NotesRecord record;
    main_.ReadNote(orphans_[i], &record);
    // The fingerprint's stamp and size belong to the old file: the similarity search makes them
    // anew.
    record.file_modified_date = 0;
    record.res_x = 0;
    record.res_y = 0;
    if (temp_.WriteNote(found, record).status != 0) return;
    alive_[i] = false;
    --left_;
    ++relinked_;
    if (hooks_.report_line) hooks_.report_line("<Re-Linked: " + found);
  }

  std::vector<std::string>& orphans_;
  NotesDatabase& main_;
  NotesDatabase& temp_;
  const RelinkHooks& hooks_;
  std::vector<platform::Drive> drives_;
  std::unordered_multimap<std::string, size_t> by_name_;
  std::vector<bool> alive_;
  std::vector<bool> skipped_;
  size_t left_ = 0;
  long relinked_ = 0;
  long items_ = 0;
  std::string drive_root_;
  bool stop_all_ = false;
  bool stop_drive_ = false;
};

}  // namespace

bool WalkFolders(const std::string& folder, const FolderWalk& walk) {
  if (walk.enter && !walk.enter(folder)) return false;
  std::vector<std::string> subfolders;
  bool stopped = false;
  walk.files->ListFolder(folder, [&](const platform::DirEntry& e) {
    if (walk.visit && !walk.visit(folder, e)) {
      stopped = true;
      return false;
    }
    if (e.IsDirectory() && !e.is_link && walk.sub_folders) subfolders.push_back(folder + e.name + "/");
    return true;
  });
  if (stopped) return false;
  const std::string own = platform::WithTrailingSeparator(walk.own_root);
  for (const std::string& sub : subfolders) {
    bool other_mount = false;
    if (walk.drives != nullptr) {
      for (const platform::Drive& d : *walk.drives) {
        if (platform::WithTrailingSeparator(d.root) == sub && sub != own) other_mount = true;
      }
    }
    if (other_mount) continue;
    if (!WalkFolders(sub, walk)) return false;
  }
  return true;
}

std::string DriveRootOf(const std::string& path, const std::vector<platform::Drive>& drives) {
  const platform::Drive* d = DriveOf(path, drives);
  return d != nullptr ? platform::WithTrailingSeparator(d->root) : std::string();
}

bool OnFixedDisk(const std::string& path, const std::vector<platform::Drive>& drives) {
  const platform::Drive* d = DriveOf(path, drives);
  if (d == nullptr) return false;
  if (d->type != platform::DriveType::kFixed) return false;
  return !InMountArea(path, platform::WithTrailingSeparator(d->root));
}

long RelinkOrphans(std::vector<std::string>* orphans, NotesDatabase& main, NotesDatabase& temp,
                   const RelinkHooks& hooks) {
  if (orphans == nullptr || orphans->empty() || hooks.files == nullptr) return 0;
  return Relinker(orphans, main, temp, hooks).Run();
}

}  // namespace vr::notes
