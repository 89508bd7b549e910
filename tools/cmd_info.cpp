// veldrimon-tool info FILE...: the header facts of each file, one tab-separated line per file:
// path, kind code, width, height, colours, interlaced, compressed, animated (flags 0/1).
#include <cstdio>
#include <string>
#include <vector>

#include "picture/load/loader.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

int RunInfo(const std::vector<std::string>& args) {
  if (args.empty()) {
    std::fprintf(stderr, "usage: veldrimon-tool info FILE...\n");
    return 2;
  }
  int status = 0;
  for (const std::string& path : args) {
    const picture::PictureInfo info = picture::ReadPictureInfo(path);
    if (!info.opened) {
      std::fprintf(stderr, "info: cannot read %s\n", path.c_str());
      status = 1;
      continue;
    }
    std::printf("%s\t%u\t%d\t%d\t%d\t%d\t%d\t%d\n", path.c_str(), unsigned{info.kind}, info.width,
                info.height, info.colours, info.interlaced ? 1 : 0, info.compressed ? 1 : 0,
                info.animated ? 1 : 0);
    if (!info.error.empty()) std::fprintf(stderr, "info: %s\n", info.error.c_str());
  }
  return status;
}

const Registration kInfo("info", "info FILE...  kind, size, colours and flags of each file",
                         RunInfo);

}  // namespace
}  // namespace vr::tool
