#include "extras/snapshots.h"

namespace vr::extras {

const char* SnapshotExtension(int format) {
  switch (format) {
    case 1: return ".GIF";
    case 3: return ".BMP";
    default: return ".JPG";
  }
}

std::string SnapshotNames::Next(const std::string& temp_folder, int format) {
  ++counter_;
  return temp_folder + "~SCREEN" + std::to_string(counter_) + SnapshotExtension(format);
}

std::string SavingToText(const std::string& path) {
  return "Currently saving to \"" + path +
         "\", please keep that in mind. If you wish to MOVE it somewhere else, use Veldrimon's "
         "Files List Window.";
}

}  // namespace vr::extras
