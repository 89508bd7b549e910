#pragma once
// What the album manager does to albums, without its window: loading an album (folder albums
// from their folder, normal albums from "Album.Txt" with missing files handed to the resolve
// step), adding files, merging dropped files, and rewriting entries after files moved.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "albums/album_file.h"
#include "notes/resolve_search.h"
#include "platform/files.h"

namespace vr::lists {
class AllowableTypes;
}

namespace vr::albums {

inline constexpr const char* kSaveErrorText =
    "The ALBUM Tree could NOT be saved. The drive might be full or write protected. This file "
    "could NOT be saved.\r\r";
inline constexpr const char* kFixSaveErrorText =
    "Error saving file: Disk is probably FULL or WRITE PROTECTED";
inline std::string MissingFolderWarning(const std::string& album) {
  return "Your \"" + album +
         "\" Album is locked to a folder that does NOT exist. Change the Album properties to "
         "correct this error!";
}
inline std::string RemoveUnresolvedText(size_t count) {
  return "There were " + std::to_string(count) +
         " links that did NOT get resolved. Would you like to keep them un-resolved or maybe these "
         "files are no longer on your system and you don't want them in the Album anymore. If "
         "that is the case, then remove them from the Album. \r\rRemove un-resolved links from "
         "Album?";
}

struct LoadHooks {
  platform::Files* files = nullptr;                 // required
  const lists::AllowableTypes* allowable = nullptr;  // folder albums; null allows every file
  std::string temp_folder;                          // where the shortcut folder is made
  std::function<void(const std::string&)> status;
  // Runs the message loop (every 100 lines) and tells whether the user aborted the load.
  std::function<bool()> pump_and_poll_abort;
  // Shows the resolve window over the pairs; gives the pairs still unresolved. Without it every
  // pair stays unresolved.
  std::function<std::vector<notes::ResolvePair>(std::vector<notes::ResolvePair>)> resolve;
  // "Remove un-resolved links from Album?"; true for Yes.
  std::function<bool(size_t count)> ask_remove_unresolved;
  // A failed write of "Album.Txt" (the text to show is kSaveErrorText + path).
  std::function<void(const std::string& text)> save_error;
};

struct LoadResult {
  std::vector<AlbumEntry> entries;  // sorted by file name
  bool aborted = false;
  bool folder_album = false;
  bool missing_folder = false;  // a folder album whose folder is not there
  bool written = false;         // "Album.Txt" was written
  size_t unresolved = 0;        // pairs left after the resolve step
  // Paths of the entries whose file was missing and still is (sorted by key).
  std::vector<std::string> missing;
};

// Loads the album of `album_folder`.
LoadResult LoadAlbum(const std::string& album_folder, const LoadHooks& hooks);

// "&3)": the allowable files among `paths` with their sizes and stamps, merged into `entries`
// (duplicates of a path dropped, sorted by path) and written to the album's "Album.Txt".
// "Getting FileInfo [" + left + "]:" + path every 100 paths. Gives the last added path.
struct AddResult {
  size_t added = 0;
  std::string last_added;
  platform::FileResult written;
};
AddResult AddFilesToAlbum(const std::string& album_folder, std::vector<AlbumEntry>* entries,
                          const std::vector<std::string>& paths, platform::Files& files,
                          const lists::AllowableTypes* allowable,
                          const std::function<void(const std::string&)>& status);

// FixAlbumEntries: one pass over every "Album.Txt" under the root, replacing each line whose path
// is an old path of `moves` by its new path with the line's size and stamp (a new path holding a
// line break is passed over: the line stays). Files are written only when a line changed.
// "Fixing Shortcuts in Album: [" + folder below the root + " ] " + file name every 25 visited
// entries; a failed write gives kFixSaveErrorText to `error`. Gives the
// number of lines changed.
using PathMoves = std::vector<std::pair<std::string, std::string>>;
size_t FixAlbumEntries(platform::Files& files, const std::string& root, const PathMoves& moves,
                       const std::function<void(const std::string&)>& progress,
                       const std::function<void(const std::string&)>& error);

}  // namespace vr::albums
