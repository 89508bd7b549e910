#pragma once
// The entries of "Load Allowable File Types From Drive(s)": the fixed head entries, then one
// entry per mounted drive of a loadable type.

#include <string>
#include <vector>

#include "platform/files.h"

namespace vr::shell {

struct DriveMenuItem {
  std::string caption;
  std::string hint;
  std::string root;      // empty for the fixed entries
  int image_index = -1;  // -1: no image
  bool checkable = false;
  bool local_hard_drive = false;
};

inline constexpr const char* kNotesOnlyCaption = "ONLY Load files from NOTES DataBase";
inline constexpr const char* kNotesOnlyHint =
    "When Drive Loading, files MUST have entry in NOTES DataBase to get loaded.";
inline constexpr const char* kEveryDriveCaption = "Every Drive In System";
inline constexpr const char* kEveryDriveHint = "Scan ALL Drives in system to build Files List";
inline constexpr const char* kLocalDrivesCaption = "All Local Hard Drives";
inline constexpr const char* kLocalDrivesHint =
    "Scan every LOCAL HARD Drive in system to build Files List";
inline constexpr const char* kDriveHint = "Load every file from this DRIVE into the Files List";

std::vector<DriveMenuItem> BuildDriveMenu(const std::vector<platform::Drive>& drives);

}  // namespace vr::shell
