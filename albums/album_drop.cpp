#include "albums/album_drop.h"

#include "lists/allowable_types.h"
#include "platform/path_rules.h"

namespace vr::albums {

std::vector<std::string> DroppedFiles(platform::Files& files,
                                      const std::vector<std::string>& dropped) {
  std::vector<std::string> out;
  for (const std::string& path : dropped) {
    if (files.IsFolder(path)) {
      const std::string folder = platform::WithTrailingSeparator(path);
      files.ListFolder(folder, [&](const platform::DirEntry& e) {
        if (!e.IsDirectory()) out.push_back(folder + e.name);
        return true;
      });
    } else {
      out.push_back(path);
    }
  }
  return out;
}

std::string MergeDropped(std::vector<AlbumEntry>* entries,
                         const std::vector<std::string>& dropped_files, platform::Files& files,
                         const lists::AllowableTypes* allowable,
                         const std::function<void(const std::string&)>& status) {
  std::string last;
  long n = 0;
  for (const std::string& path : dropped_files) {
    if (allowable != nullptr && !allowable->IsAllowablePath(platform::NameOf(path))) continue;
    if (path.find_first_of("\r\n") != std::string::npos) continue;  // cannot be stored
    const auto st = files.Stat(path);
    if (!st || st->IsDirectory()) continue;
    if (++n % 50 == 0 && status) {
      status("Dropping file:[" + std::to_string(n) + "] " + path);
    }
    AlbumEntry e;
    e.path = path;
    e.size = st->size;
    e.stamp = st->dos_stamp;
    entries->push_back(std::move(e));
    last = path;
  }
  SortAndDropDuplicatePaths(entries);
  return last;
}

}  // namespace vr::albums
