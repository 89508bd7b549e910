#pragma once
// Reads one file's facts for its files list entry: size and stamp from the file system, kind,
// dimensions and colours from the picture header probe.

#include <string>

#include "lists/files_list.h"

namespace vr::lists {

ScannedFacts ScanFile(platform::Files& files, const std::string& path);

}  // namespace vr::lists
