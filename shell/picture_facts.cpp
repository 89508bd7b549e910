#include "shell/picture_facts.h"

#include <cstdint>
#include <fstream>

#include "picture/camera/camera_facts.h"

namespace vr::shell {

std::vector<std::pair<std::string, std::string>> CameraFactRows(const std::string& path) {
  const camera::CameraFacts f = camera::ReadCameraFacts(path);
  std::vector<std::pair<std::string, std::string>> rows;
  const std::pair<const char*, const std::string*> all[] = {
      {"Date Taken:", &f.taken},    {"Camera Make:", &f.make},
      {"Camera Model:", &f.model},  {"Lens:", &f.lens},
      {"Exposure:", &f.exposure},   {"Aperture:", &f.aperture},
      {"ISO:", &f.iso},             {"Focal Length:", &f.focal_length},
      {"GPS Position:", &f.gps}};
  for (const auto& [caption, value] : all) {
    if (!value->empty()) rows.emplace_back(caption, *value);
  }
  return rows;
}

void ReadGifExtras(const std::string& path, PropertiesFacts* facts) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> data;
  data.resize(1 << 20);
  in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  data.resize(static_cast<size_t>(in.gcount()));
  if (data.size() < 13 || data[0] != 'G' || data[1] != 'I' || data[2] != 'F') return;
  // Header (6), screen descriptor (7), then the global colour table when flagged.
  size_t pos = 13;
  std::vector<picture::Rgb> table;
  if (data[10] & 0x80) {
    const size_t entries = size_t{1} << ((data[10] & 7) + 1);
    for (size_t i = 0; i < entries && pos + 3 <= data.size(); ++i, pos += 3) {
      table.push_back({data[pos], data[pos + 1], data[pos + 2]});
    }
  }
  bool have_gce = false;
  // Extensions up to the first image: the graphic control block and comments.
  while (pos + 2 <= data.size() && data[pos] == 0x21) {
    const uint8_t label = data[pos + 1];
    pos += 2;
    std::string comment;
    while (pos < data.size() && data[pos] != 0) {
      const size_t len = data[pos];
      if (pos + 1 + len > data.size()) return;
      if (label == 0xF9 && !have_gce && len >= 4) {
        have_gce = true;
        facts->transparent = (data[pos + 1] & 1) != 0;
        const uint8_t index = data[pos + 4];
        if (index < table.size()) facts->transparent_colour = table[index];
      } else if (label == 0xFE) {
        comment.append(reinterpret_cast<const char*>(&data[pos + 1]), len);
      }
      pos += 1 + len;
    }
    ++pos;
    if (label == 0xFE) {
      size_t start = 0;
      for (size_t i = 0; i <= comment.size(); ++i) {
        if (i == comment.size() || comment[i] == '\n' || comment[i] == '\r') {
          if (i > start) facts->comments.push_back(comment.substr(start, i - start));
          start = i + 1;
        }
      }
    }
  }
}

}  // namespace vr::shell
