// veldrimon-tool: the engine on the command line, for scripts and side-by-side measurements.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/loader_hooks.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

struct Command {
  const char* usage;
  CommandFn fn;
};

std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> commands;
  return commands;
}

void PrintUsage() {
  std::fprintf(stderr, "usage: veldrimon-tool COMMAND [ARGS]\ncommands:\n");
  for (const auto& [name, command] : Commands()) std::fprintf(stderr, "  %s\n", command.usage);
}

}  // namespace

Registration::Registration(const char* name, const char* usage, CommandFn fn) {
  Commands()[name] = Command{usage, fn};
}

}  // namespace vr::tool

int main(int argc, char** argv) {
  using vr::tool::Commands;
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "help") {
    vr::tool::PrintUsage();
    return argc < 2 ? 2 : 0;
  }
  auto it = Commands().find(argv[1]);
  if (it == Commands().end()) {
    std::fprintf(stderr, "veldrimon-tool: unknown command '%s'\n", argv[1]);
    vr::tool::PrintUsage();
    return 2;
  }
  vr::app::LoaderHookOptions hooks;
  hooks.make_gui_for_metafiles = true;
  vr::app::InstallLoaderHooks(hooks);
  std::vector<std::string> args(argv + 2, argv + argc);
  try {
    return it->second.fn(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "veldrimon-tool %s: %s\n", argv[1], e.what());
    return 1;
  }
}
