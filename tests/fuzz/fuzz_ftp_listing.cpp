// The listing parser on arbitrary text: lines split at line feeds; the lists must stay parallel.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "web/ftp/listing/ftp_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(data[i]);
    }
  }
  lines.push_back(line);
  const size_t count = lines.size();
  std::vector<std::string> sizes, kinds, links, dates, times;
  const int style = vr::ftp::ParseFtpListing(lines, sizes, kinds, links, dates, times, 2024);
  if (style < 0 || style > 4 || lines.size() > count || sizes.size() != lines.size() ||
      kinds.size() != lines.size() || links.size() != lines.size() ||
      dates.size() != lines.size() || times.size() != lines.size()) {
    std::abort();
  }
  for (const auto& name : lines) {
    if (name.empty()) std::abort();
  }
  return 0;
}
