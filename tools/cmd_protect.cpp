// veldrimon-tool password | protect | unprotect | is-protected: the protected-file commands over
// the password kept in the viewer's settings file.
#include <cstdio>
#include <string>
#include <vector>

#include "extras/protected_file.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

// Takes "--settings FILE" out of the arguments; the default is the viewer's own settings file.
std::string TakeSettings(std::vector<std::string>& args) {
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "--settings") {
      std::string path = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      return path;
    }
  }
  return platform::SystemFolders().ProgramFolder() + "VELDR.INI";
}

int RunPassword(const std::vector<std::string>& given) {
  std::vector<std::string> args = given;
  const std::string settings = TakeSettings(args);
  if (args.size() != 2 || args[0] != "--set") {
    std::fprintf(stderr, "usage: password --set PASSWORD [--settings FILE]\n");
    return 2;
  }
  extras::PasswordStore store(settings);
  const extras::PasswordStore::SetResult result = store.Set(args[1]);
  const bool saved = result == extras::PasswordStore::SetResult::kSaved;
  std::fprintf(saved ? stdout : stderr, "%s\n", extras::PasswordStore::SetResultText(result));
  return saved ? 0 : 1;
}

int RunProcess(const std::vector<std::string>& given, bool protect) {
  std::vector<std::string> args = given;
  const std::string settings = TakeSettings(args);
  if (args.empty()) {
    std::fprintf(stderr, "usage: %s FILE... [--settings FILE]\n",
                 protect ? "protect" : "unprotect");
    return 2;
  }
  extras::PasswordStore store(settings);
  platform::PosixFiles files;
  platform::SystemFolders folders;
  platform::SystemClock clock;
  const extras::ProtectServices services{&files, &folders, &clock};
  int status = 0;
  for (const std::string& path : args) {
    const extras::ProtectResult result =
        extras::ProtectOrUnprotect(store, services, path, protect, false);
    if (result.ok()) {
      std::printf("%s\n", result.path.c_str());
    } else {
      std::fprintf(stderr, "%s\n%s\n", result.message.c_str(), path.c_str());
      status = 1;
    }
  }
  return status;
}

int RunProtect(const std::vector<std::string>& args) { return RunProcess(args, true); }
int RunUnprotect(const std::vector<std::string>& args) { return RunProcess(args, false); }

// One line per file, "protected" or "plain"; the exit code is 0 when every file is protected.
int RunIsProtected(const std::vector<std::string>& given) {
  std::vector<std::string> args = given;
  TakeSettings(args);
  if (args.empty()) {
    std::fprintf(stderr, "usage: is-protected FILE...\n");
    return 2;
  }
  int status = 0;
  for (const std::string& path : args) {
    const bool is = extras::IsProtected(path);
    std::printf("%s\t%s\n", is ? "protected" : "plain", path.c_str());
    if (!is) status = 1;
  }
  return status;
}

const Registration kPassword("password",
                             "password --set PW [--settings FILE]  set the protection password "
                             "(once)",
                             RunPassword);
const Registration kProtect("protect",
                            "protect FILE... [--settings FILE]  protect files (\"!_\" names)",
                            RunProtect);
const Registration kUnprotect("unprotect",
                              "unprotect FILE... [--settings FILE]  take the protection off",
                              RunUnprotect);
const Registration kIsProtected("is-protected",
                                "is-protected FILE...  \"protected\" or \"plain\" per file",
                                RunIsProtected);

}  // namespace
}  // namespace vr::tool
