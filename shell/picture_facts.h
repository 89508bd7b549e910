#pragma once
// What the "Properties" window tells about the shown picture, and the GIF facts read from the
// file itself (transparency and comment lines), which the show also uses for "GIF Comments".

#include <string>
#include <vector>

#include "picture/bitmap.h"

namespace vr::shell {

struct PropertiesFacts {
  std::string file_name;
  int width = 0;
  int height = 0;
  int file_bits = -1;
  int internal_bits = 0;
  int screen_bits = 24;
  int colours = 0;
  long long file_size = -1;
  std::string modified;  // already formatted
  int position = 0;
  int count = 0;
  bool gif = false;
  bool interlaced = false;
  bool animated = false;
  bool transparent = false;
  picture::Rgb transparent_colour{0, 0, 0};
  std::vector<std::string> comments;
  // The camera's facts of a photo, caption and value, in the order shown (CameraFactRows).
  std::vector<std::pair<std::string, std::string>> camera;
};

inline constexpr const char* kNoGifComments = "NON-GIF files won't have comments!";

// The camera facts of a JPEG's Exif block that it has, as rows of the Properties window.
std::vector<std::pair<std::string, std::string>> CameraFactRows(const std::string& path);

// GIF facts read from the file: transparency (first graphic control block) and comment lines.
void ReadGifExtras(const std::string& path, PropertiesFacts* facts);

}  // namespace vr::shell
