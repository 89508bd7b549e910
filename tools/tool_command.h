#pragma once
// veldrimon-tool sub-commands register themselves here; each lives in its own tools/cmd_*.cpp.
//
//   static vr::tool::Registration reg("info", "info FILE...  one line of facts per file", RunInfo);
//
// A command gets its own arguments (without the program and command names) and returns the
// process exit code.

#include <string>
#include <vector>

namespace vr::tool {

using CommandFn = int (*)(const std::vector<std::string>& args);

struct Registration {
  Registration(const char* name, const char* usage, CommandFn fn);
};

}  // namespace vr::tool
