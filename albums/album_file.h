#pragma once
// An album's files: "Album.Txt" (its entries), "AlbumINI.TXT" (its properties) and
// "Album_Comments.Txt" (free text), all in the album's folder.
//
// "Album.Txt" holds one line per entry, each ended by CR LF:
//
//   /home/ann/pics/cat.jpg,123456,1512782925,
//
// path, size in bytes, last-write stamp (packed DOS date-time) and an information text that is
// written empty. Readers take the path up to the first comma, the next two fields as numbers (a
// missing or bad one reads 0) and ignore the rest; a line without commas is all path. A path
// holding a comma (or beginning with a double quote) is written in double quotes with inner
// quotes doubled, as the recycle index does; every other line is exactly the plain form.
//
// Every file is written beside its old self and renamed over it, so a failed write (a full or
// write-protected disk) keeps the old file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace vr::albums {

inline constexpr const char* kAlbumFileName = "Album.Txt";
inline constexpr const char* kAlbumIniName = "AlbumINI.TXT";
inline constexpr const char* kCommentsName = "Album_Comments.Txt";
inline constexpr const char* kRootName = "Albums_Veldrimon";

struct AlbumEntry {
  std::string path;
  uint64_t size = 0;
  uint32_t stamp = 0;
  std::string information;  // at most 30 characters, empty when loaded
  bool tagged = false;
  bool highlighted = false;
  int32_t sort_position = 0;
};

// Parses one line (without its line end); nothing for an empty line.
std::optional<AlbumEntry> ParseAlbumLine(std::string_view line);
// The line of an entry (without its line end); nothing for a path holding a line break.
std::optional<std::string> FormatAlbumLine(const AlbumEntry& entry);

// The entries of an "Album.Txt"; empty when it is missing or unreadable.
std::vector<AlbumEntry> ReadAlbumFile(const std::string& file);
// Writes the entries in their order (atomically). Entries whose path cannot be written are left
// out.
platform::FileResult WriteAlbumFile(const std::string& file, const std::vector<AlbumEntry>& entries);

// "Sync_Folder" of section "Album Properties" of the album's "AlbumINI.TXT": empty for a normal
// album, the locked folder (with a trailing separator) for a folder album.
std::string ReadSyncFolder(const std::string& album_folder);
bool WriteSyncFolder(const std::string& album_folder, const std::string& sync_folder);

// "Album_Comments.Txt" (empty when missing).
std::string ReadComments(const std::string& album_folder);
platform::FileResult WriteComments(const std::string& album_folder, const std::string& text);

// Sorting and de-duplicating entries. By file name (the path's key breaks ties).
void SortByFileName(std::vector<AlbumEntry>* entries);
// By path key, then drops entries whose path equals its predecessor's (the later one goes).
void SortAndDropDuplicatePaths(std::vector<AlbumEntry>* entries);

}  // namespace vr::albums
