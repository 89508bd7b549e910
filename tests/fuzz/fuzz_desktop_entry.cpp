// Fuzz target: a hostile desktop entry (also read as the user's mimeapps.list). Finding editors
// offers it at most once and only with a program that exists; the command an editor slot holding
// it runs never starts with the file, holds the file, and has no empty program; an Exec line read
// directly never fails on any bytes.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "extras/desktop_editors.h"

namespace {

namespace fs = std::filesystem;
using namespace vr::extras;

constexpr const char* kFile = "/pics/My Picture.png";

struct Sandbox {
  std::string root;
  Sandbox() {
    char pattern[] = "/tmp/vrfuzzdeskXXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    root = made;
    fs::create_directories(root + "/data/applications");
    fs::create_directories(root + "/config");
    fs::create_directories(root + "/bin");
    const std::string program = root + "/bin/paint";
    std::ofstream(program) << "#!/bin/sh\nexit 0\n";
    ::chmod(program.c_str(), 0755);
  }
  ~Sandbox() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

const Sandbox& Box() {
  static const Sandbox sandbox;
  return sandbox;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Sandbox& box = Box();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string entry = box.root + "/data/applications/fuzz.desktop";
  WriteFile(entry, bytes);
  WriteFile(box.root + "/config/mimeapps.list", bytes);

  DesktopEnvironment env;
  env.data_home = box.root + "/data";
  env.config_home = box.root + "/config";
  env.path = box.root + "/bin";
  const std::vector<DesktopEditor> found =
      FindDesktopEditors(env, {"image/png", "image/gif", "image/jpeg"});
  if (found.size() > 1) std::abort();
  for (const DesktopEditor& editor : found) {
    if (editor.entry_path != entry || editor.id != "fuzz.desktop") std::abort();
    const std::vector<std::string> words = ExecArguments(editor.exec, "");
    if (words.empty() || !ResolveProgram(words[0], env.path)) std::abort();
  }

  const std::vector<std::string> command = EditorCommand(entry, kFile);
  if (!command.empty()) {
    if (command[0].empty() || command[0] == kFile) std::abort();
    if (std::find(command.begin(), command.end(), kFile) == command.end()) std::abort();
  }
  (void)DesktopEntryIcon(entry);
  (void)ExecArguments(bytes, kFile);
  return 0;
}
