#pragma once
// Reading a file for conversion: the picture as the viewer would show it, or the reason it cannot
// be converted (a media file, a file that does not read as a picture).

#include <string>

#include "picture/picture_holder.h"

namespace vr::colour {

struct ExportSourceFacts {
  bool ok = false;
  bool animated = false;  // a GIF animation (only its first image is converted)
  int depth = 0;          // bits per pixel of the picture in memory
  std::string why;        // why it cannot be converted
};

ExportSourceFacts LoadExportSource(const std::string& path, picture::PictureHolder& holder);

// The target of converting `source` with the tab's extension: `into` (a folder, empty for the
// source's own folder) + the source's name without its extension + `extension`.
std::string ConvertTarget(const std::string& source, const std::string& into,
                          const std::string& extension);

}  // namespace vr::colour
