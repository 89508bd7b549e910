#pragma once
// Adding the files list's pictures to a Web Folder: GIF and JPEG files are copied by the files
// list window's copy (its overwrite question, the note copied along), every other picture is
// converted to ".GIF" (at most 256 colours) or ".JPG". The walk runs from the last entry to the
// first under the please-wait window.

#include <functional>
#include <string>

#include "lists/files_list.h"
#include "web/web_folder.h"

namespace vr::web {

inline constexpr const char* kConversionNote =
    "Since some of the images are NOT a .GIF or .JPG file, they will be converted into the Web "
    "Folder as a .GIF file or .JPG. The original file will NOT be modified!";
inline constexpr const char* kNoTagsText =
    "This operation is for tagged files. It appears like you have NOT tagged any files. Try "
    "tagging some files first  :)";

struct AddFilesHooks {
  // The files list window's one-file copy; false when it did not copy.
  std::function<bool(const std::string& source, const std::string& target)> copy;
  // Whether an existing file may be replaced by a conversion (the copy's overwrite question).
  std::function<bool(const std::string& target)> may_overwrite;
  std::function<void(const std::string&)> inform;  // after the question sound
  std::function<void(const std::string&)> warn;    // after the error sound
  std::function<void(const std::string&)> status;  // the please-wait text
  std::function<bool()> cancelled;                 // the please-wait window's Cancel
  std::function<void()> pump;
};

// `what`: 1 every entry, 2 the tagged ones (0 does nothing). Gives the number of files added.
int AddFilesToWebFolder(const lists::FilesList& list, int what, const WebFolder& folder,
                        const AddFilesHooks& hooks);

}  // namespace vr::web
