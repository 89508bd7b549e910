#pragma once
// Finding where a missing album file went, and mending the list of missing files once the user
// has given a new location. No windows here: the resolve window drives these steps.
//
// The search looks for files whose size and stamp both equal the recorded ones (the name does not
// matter) in this order: the file's folder alone; that folder with all its sub-folders; each
// parent folder alone, up to the drive's root; the whole drive; then every other drive except
// CD-ROM and RAM disks, each whole. A folder is listed once however many steps cover it. Files of
// the missing file's own name come first among the candidates, the rest keep the search order.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "notes/shortcut_file.h"
#include "platform/files.h"

namespace vr::notes {

struct ResolveSearchHooks {
  // "Locating file:" + path and "Searching Folder:" + folder.
  std::function<void(const std::string& text)> status;
  // Runs the message loop; true when the user pressed a button and the search should end.
  std::function<bool()> pump_and_poll_stop;
};

// The candidates for a missing file, in the order above.
std::vector<std::string> FindBySizeAndStamp(platform::Files& files, const Shortcut& missing,
                                            const ResolveSearchHooks& hooks);

// One missing album entry: the shortcut file that stands for it and the path shown in the list.
struct ResolvePair {
  std::string shortcut;
  std::string path;
};

// Rewrites album entries from old to new paths in one pass (FixAlbumEntries for albums).
using FixEntriesFn = std::function<void(const std::vector<std::pair<std::string, std::string>>&)>;

// Takes `new_path` as the location of pair `index`: the album entries are rewritten, the pair's
// shortcut file and list text follow the new path, and when the folder changed every other listed
// path of the old folder moves to the new folder too, on the assumption that the whole folder
// moved, but only where a file of its name is in the new folder (a path naming nothing stays).
// "Updating Link:" + path every 25 entries. Gives the number of paths moved.
size_t ApplyNewLocation(std::vector<ResolvePair>* pairs, size_t index, const std::string& new_path,
                        platform::Files& files, const FixEntriesFn& fix,
                        const std::function<void(const std::string&)>& status);

// Drops every pair whose file exists now ("Verifying Link:" + path every 25 entries).
void DropResolved(std::vector<ResolvePair>* pairs, platform::Files& files,
                  const std::function<void(const std::string&)>& status);

}  // namespace vr::notes
