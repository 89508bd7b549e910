#pragma once
// Screen snapshots and clipboard pictures: their names in the temporary folder and the texts
// shown around them. The counter starts at 0 each run and goes up before every save, whatever
// format was picked.

#include <string>

namespace vr::extras {

inline constexpr const char* kClipboardNotPicture =
    "The last thing placed into the ClipBoard was NOT a graphic image.\r\rIt was probably text or "
    "something else.";
inline constexpr const char* kSnapshotSaveFailed =
    "Error saving file: Disk is probably FULL or WRITE PROTECTED";

// The format window's result: 1 GIF, 2 JPG (also what closing the window gives), 3 BMP.
const char* SnapshotExtension(int format);

class SnapshotNames {
 public:
  // temp folder (with its trailing separator) + "~SCREEN" + number + extension.
  std::string Next(const std::string& temp_folder, int format);
  int count() const { return counter_; }

 private:
  int counter_ = 0;
};

// "Currently saving to "NAME", please keep that in mind. ..."
std::string SavingToText(const std::string& path);

}  // namespace vr::extras
