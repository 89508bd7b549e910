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
bool InMountArea(const std::string& path, const std::string& holding_root,
                 const std::vector<std::string>& areas) {
  for (const std::string& area : areas) {
    if (StartsWith(path, area) && !StartsWith(holding_root, area)) return true;
  }
  return false;
}

const std::vector<std::string>& DefaultMountAreas() {
  static const std::vector<std::string> areas = {"/media/", "/run/media/", "/mnt/"};
  return areas;
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
  // A note's stamp and picture size.
  struct Facts {
    uint32_t stamp = 0;
    int32_t width = 0;
    int32_t height = 0;
  };

  Relinker(std::vector<std::string>* orphans, NotesDatabase& main, NotesDatabase& temp,
           const RelinkHooks& hooks)
      : orphans_(*orphans), main_(main), temp_(temp), hooks_(hooks) {}

  long Run() {
    drives_ = hooks_.files->Drives();
    areas_ = hooks_.files->MountAreas();
    for (size_t i = 0; i < orphans_.size(); ++i) {
      by_name_.emplace(Folded(FileNameOfKey(orphans_[i])), i);
    }
    ReadOrphanFacts();
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
      if (alive_[i] && !OnFixedDisk(orphans_[i], drives_, areas_)) kept.push_back(orphans_[i]);
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
      if (!e.is_link && !e.IsDirectory()) File(folder, e);
      return !StopHere();
    };
    WalkFolders(root, walk);
  }

  bool StopHere() const { return stop_all_ || stop_drive_ || left_ == 0; }

  // Stamp and picture size of each orphan's note, and the table of stamps that finds files of
  // another name. Only read when the picture size can be compared.
  void ReadOrphanFacts() {
    facts_.assign(orphans_.size(), Facts{});
    if (!hooks_.picture_size) return;
    for (size_t i = 0; i < orphans_.size(); ++i) {
      NotesRecord record;
      if (main_.ReadNote(orphans_[i], &record).status != 0) continue;
      Facts& f = facts_[i];
      f.stamp = static_cast<uint32_t>(record.file_modified_date);
      f.width = record.res_x;
      f.height = record.res_y;
      if (f.stamp != 0 && f.width > 0 && f.height > 0) by_stamp_.emplace(f.stamp, i);
    }
  }

  // What is known of the file being looked at; its picture and print are read at most once.
  struct FoundFile {
    std::string path;
    uint32_t stamp = 0;
    int size_state = 0;  // 0 not read, 1 read, -1 unreadable
    int width = 0;
    int height = 0;
    int print_state = 0;
    std::array<uint8_t, kFingerPrintBytes> print{};
  };

  bool SizeEquals(FoundFile& file, const Facts& f) const {
    if (file.size_state == 0) {
      file.size_state =
          hooks_.picture_size && hooks_.picture_size(file.path, &file.width, &file.height) ? 1 : -1;
    }
    return file.size_state == 1 && f.width > 0 && file.width == f.width &&
           file.height == f.height;
  }

  // The file's print against the note's; true when no print can be made (nothing to confirm).
  bool PrintAgrees(FoundFile& file, size_t i) {
    if (!hooks_.make_print) return true;
    if (file.print_state == 0) {
      file.print_state = hooks_.make_print(file.path, &file.print) ? 1 : -1;
    }
    if (file.print_state != 1) return false;
    NotesRecord record;
    if (main_.ReadNote(orphans_[i], &record).status != 0) return false;
    return PrintsAgree(file.print, record.finger_print_data);
  }

  bool Usable(size_t i) const { return alive_[i] && !skipped_[i]; }

  void File(const std::string& folder, const platform::DirEntry& entry) {
    const std::string folded = Folded(entry.name);
    // Candidates from the last orphan to the first: first those of the same name, then those
    // whose stamp equals the file's.
    std::vector<size_t> named;
    const auto [first, last] = by_name_.equal_range(folded);
    for (auto it = first; it != last; ++it) {
      if (Usable(it->second)) named.push_back(it->second);
    }
    std::vector<size_t> renamed;
    if (!by_stamp_.empty() && entry.dos_stamp != 0) {
      const auto [from, to] = by_stamp_.equal_range(entry.dos_stamp);
      for (auto it = from; it != to; ++it) {
        if (Usable(it->second) && Folded(FileNameOfKey(orphans_[it->second])) != folded) {
          renamed.push_back(it->second);
        }
      }
    }
    if (named.empty() && renamed.empty()) return;
    std::sort(named.rbegin(), named.rend());
    std::sort(renamed.rbegin(), renamed.rend());
    FoundFile file;
    file.path = folder + entry.name;
    file.stamp = entry.dos_stamp;
    NotesRecord existing;
    if (temp_.ReadNote(file.path, &existing).status == 0 && existing.live_flag == kLive) return;
    if (hooks_.link_sure_matches) {
      for (size_t i : named) {
        if (facts_[i].stamp == file.stamp && SizeEquals(file, facts_[i])) {
          Link(i, file.path);
          return;
        }
      }
    }
    // A renamed file is offered only when its picture says it is the same one.
    std::vector<size_t> offered = named;
    const size_t named_count = named.size();
    for (size_t i : renamed) {
      if (SizeEquals(file, facts_[i]) && PrintAgrees(file, i)) offered.push_back(i);
    }
    std::string skip_folder;
    std::string skip_drive;
    for (size_t n = 0; n < offered.size(); ++n) {
      const size_t i = offered[n];
      const std::string& orphan = orphans_[i];
      bool yes = false;
      if (n < named_count) {
        yes = hooks_.ask_link && hooks_.ask_link(file.path, orphan);
      } else {
        const std::string why =
            RenamedReason(file.width, file.height, hooks_.make_print != nullptr);
        yes = hooks_.ask_renamed ? hooks_.ask_renamed(file.path, orphan, why)
                                 : hooks_.ask_link && hooks_.ask_link(file.path, orphan);
      }
      if (yes) {
        Link(i, file.path);
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
      if (OnFixedDisk(o, drives_, areas_)) {
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
  std::vector<std::string> areas_;
  std::unordered_multimap<std::string, size_t> by_name_;
  std::unordered_multimap<uint32_t, size_t> by_stamp_;
  std::vector<Facts> facts_;
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

std::string RenamedReason(int width, int height, bool print_checked) {
  return "Its name differs, but its date and time and its picture size (" +
         std::to_string(width) + " x " + std::to_string(height) + ") are those of the record" +
         (print_checked ? ", and its fingerprint agrees." : ".");
}

bool PrintsAgree(const std::array<uint8_t, kFingerPrintBytes>& a,
                 const std::array<uint8_t, kFingerPrintBytes>& b) {
  // At most one step per byte on average: the same picture decoded again, not a look-alike.
  int difference = 0;
  for (size_t i = 0; i < a.size(); ++i) difference += a[i] > b[i] ? a[i] - b[i] : b[i] - a[i];
  return difference <= static_cast<int>(kFingerPrintBytes);
}

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

bool OnFixedDisk(const std::string& path, const std::vector<platform::Drive>& drives,
                 const std::vector<std::string>& areas) {
  const platform::Drive* d = DriveOf(path, drives);
  if (d == nullptr) return false;
  if (d->type != platform::DriveType::kFixed) return false;
  return !InMountArea(path, platform::WithTrailingSeparator(d->root), areas);
}

bool OnFixedDisk(const std::string& path, const std::vector<platform::Drive>& drives) {
  return OnFixedDisk(path, drives, DefaultMountAreas());
}

long RelinkOrphans(std::vector<std::string>* orphans, NotesDatabase& main, NotesDatabase& temp,
                   const RelinkHooks& hooks) {
  if (orphans == nullptr || orphans->empty() || hooks.files == nullptr) return 0;
  return Relinker(orphans, main, temp, hooks).Run();
}

}  // namespace vr::notes
