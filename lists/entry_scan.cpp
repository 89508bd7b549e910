#include "picture/load/load_hooks.h"
#include "lists/entry_scan.h"

#include "picture/load/loader.h"
#include "platform/files.h"

namespace vr::lists {

ScannedFacts ScanFile(platform::Files& files, const std::string& path) {
  ScannedFacts facts;
  const auto stat = files.Stat(path);
  if (!stat || stat->IsDirectory()) return facts;
  facts.exists = true;
  facts.size = static_cast<int64_t>(stat->size);
  facts.stamp = static_cast<int32_t>(stat->dos_stamp);
  const picture::QuietViewing quiet;  // idle work never asks for a password
  const picture::PictureInfo info = picture::ReadPictureInfo(path);
  facts.type = static_cast<uint8_t>(info.kind);
  facts.width = info.width;
  facts.height = info.height;
  facts.colours = info.colours;
  facts.movie = info.animated;
  return facts;
}

}  // namespace vr::lists
