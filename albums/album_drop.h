#pragma once
// Files dropped onto an album: which files a drop brings, and merging them into a normal album.

#include <functional>
#include <string>
#include <vector>

#include "albums/album_file.h"
#include "platform/files.h"

namespace vr::lists {
class AllowableTypes;
}

namespace vr::albums {

// Each dropped file, and each file directly in a dropped folder, in drop order.
std::vector<std::string> DroppedFiles(platform::Files& files,
                                      const std::vector<std::string>& dropped);

// Adds the allowable files among `dropped_files` to `entries` with their sizes and stamps
// ("Dropping file:[" + n + "] " + path every 50 files); the result is sorted by path and holds
// each path once (an entry already there stays). Gives the last dropped path taken ("" none).
std::string MergeDropped(std::vector<AlbumEntry>* entries,
                         const std::vector<std::string>& dropped_files, platform::Files& files,
                         const lists::AllowableTypes* allowable,
                         const std::function<void(const std::string&)>& status);

}  // namespace vr::albums
