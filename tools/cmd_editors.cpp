// veldrimon-tool editors --find: the picture editors the viewer would offer at start-up, one line
// each (desktop file id, Name, entry path), in the order they are offered.
#include <cstdio>
#include <string>
#include <vector>

#include "extras/desktop_editors.h"
#include "shell/install.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

int RunEditors(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0] != "--find") {
    std::fprintf(stderr, "usage: editors --find\n");
    return 2;
  }
  const std::vector<extras::DesktopEditor> found =
      extras::FindDesktopEditors(extras::DesktopEnvironmentFromProcess(), shell::PictureMimeTypes());
  for (const extras::DesktopEditor& e : found) {
    std::printf("%s\t%s\t%s\n", e.id.c_str(), e.name.c_str(), e.entry_path.c_str());
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const Registration kEditors("editors",
                            "editors --find  the picture editors found from the desktop's entries",
                            RunEditors);

}  // namespace
}  // namespace vr::tool
