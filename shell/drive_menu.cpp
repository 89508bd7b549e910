#include "shell/drive_menu.h"

namespace vr::shell {

std::vector<DriveMenuItem> BuildDriveMenu(const std::vector<platform::Drive>& drives) {
  std::vector<DriveMenuItem> items;
  items.push_back({kNotesOnlyCaption, kNotesOnlyHint, {}, -1, true, false});
  items.push_back({kEveryDriveCaption, kEveryDriveHint, {}, -1, false, false});
  items.push_back({kLocalDrivesCaption, kLocalDrivesHint, {}, -1, false, false});
  for (const platform::Drive& drive : drives) {
    int image = -1;
    switch (drive.type) {
      case platform::DriveType::kRemovable:
        image = 1;
        break;
      case platform::DriveType::kFixed:
        image = 0;
        break;
      case platform::DriveType::kRemote:
        image = 2;
        break;
      case platform::DriveType::kCdRom:
        image = 3;
        break;
      case platform::DriveType::kRamDisk:
        image = 4;
        break;
      case platform::DriveType::kUnknown:
        break;
    }
    if (image < 0) continue;  // other drive types get no entry
    // Mount points take the place of drive letters here.
    items.push_back({"Drive " + drive.root, kDriveHint, drive.root, image, false,
                     drive.type == platform::DriveType::kFixed});
  }
  return items;
}

}  // namespace vr::shell
