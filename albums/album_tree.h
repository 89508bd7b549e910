#pragma once
// The album tree on disk: the root folder "Albums_Veldrimon" under the base folder (setting
// "AlbumsFolder", the program folder by default), one sub-folder per album, sub-albums as
// sub-folders. Album names compare by the platform's case rule.

#include <string>
#include <vector>

#include "platform/files.h"

namespace vr::albums {

// The album root folder (with a trailing separator) for a base folder.
std::string AlbumRootFor(const std::string& base_folder);
// Makes the root folder when missing; false when it cannot be made.
bool EnsureAlbumRoot(platform::Files& files, const std::string& root);
// The base folder for a folder the user picked: its parent when the picked folder is itself named
// "Albums_Veldrimon" (any case), else the picked folder.
std::string BaseFromPickedFolder(const std::string& picked);

// The folder of an album given by its path below the root ("Holiday/Beach"; "" or "." the root).
std::string AlbumFolderOf(const std::string& root, const std::string& relative);

// The sub-albums of a folder, sorted, each name once (by the case rule), "." and ".." skipped.
std::vector<std::string> SubAlbums(platform::Files& files, const std::string& folder);

// The smallest "New Album " + n (n >= 1) that no child of `folder` is named.
std::string NewAlbumName(platform::Files& files, const std::string& folder);
// Makes that album under `parent_folder`; gives its name ("" on failure).
std::string MakeNewAlbum(platform::Files& files, const std::string& parent_folder);

// A label can name an album when it is not empty, holds no separator and is not "." or "..".
bool ValidAlbumLabel(const std::string& label);
inline std::string RenameErrorText(const std::string& old_name) {
  return "Error in renaming \"" + old_name +
         "\" Album Folder. Either invalid characters were used or the folder already exists. "
         "ALBUM NOT RENAMED!";
}
// Renames the album folder to its parent + `label`; refuses a bad label or an existing target.
platform::FileResult RenameAlbum(platform::Files& files, const std::string& album_folder,
                                 const std::string& label);

enum class DeleteOutcome { kDeleted, kHasSubAlbums, kIsRoot, kOtherFilesKept, kFailed };
// Deletes an album without sub-albums: its three own files (names compared ignoring case), then
// the folder. Any other file keeps the folder (kOtherFilesKept).
DeleteOutcome DeleteAlbum(platform::Files& files, const std::string& root,
                          const std::string& album_folder);
inline std::string OtherFilesWarning(const std::string& name) {
  return "You have accidentally moved other files into the \"" + name +
         "\" Album Folder on your drive. Album Folder NOT removed. Please manually move or delete "
         "the remaining files from the \"" +
         name + "\" Album using the Windows Explorer or some other File Manager program.";
}

// Every "Album.Txt" under the root, depth first.
std::vector<std::string> AllAlbumFiles(platform::Files& files, const std::string& root);

}  // namespace vr::albums
