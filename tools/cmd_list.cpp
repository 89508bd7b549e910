// veldrimon-tool list DIR... [--subfolders]: the full paths a folder load would put into the
// files list, one per line, in list order (sorted by file name, then in load order).
#include <cstdio>
#include <string>
#include <vector>

#include "lists/files_list.h"
#include "platform/files.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

int RunList(const std::vector<std::string>& args) {
  std::vector<std::string> folders;
  bool subfolders = false;
  for (const std::string& arg : args) {
    if (arg == "--subfolders") {
      subfolders = true;
    } else {
      folders.push_back(arg);
    }
  }
  if (folders.empty()) {
    std::fprintf(stderr, "usage: veldrimon-tool list DIR... [--subfolders]\n");
    return 2;
  }
  platform::PosixFiles files;
  lists::ListServices services;
  services.files = &files;
  services.ask_subfolders = [subfolders] {
    return subfolders ? lists::SubfolderAnswer::kYes : lists::SubfolderAnswer::kNo;
  };
  lists::FilesList list(std::move(services));
  list.LoadPaths(folders, 1 << 30);
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  for (int i = 0; i < list.Count(); ++i) {
    const lists::FileEntry& entry = *list.Peek(i);
    std::fwrite(entry.folder.data(), 1, entry.folder.size(), stdout);
    std::fwrite(entry.name.data(), 1, entry.name.size(), stdout);
    std::fputc('\n', stdout);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const Registration kList("list", "list DIR... [--subfolders]  the files list a folder load makes",
                         RunList);

}  // namespace
}  // namespace vr::tool
