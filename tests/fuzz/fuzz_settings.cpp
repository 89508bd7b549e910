// Fuzz target: a hostile settings file. Reading gives settings that write out and read back the
// same, both into a fresh file and over the hostile one (whose junk lines, repeated sections and
// odd cases are kept); "MultiLoad" always reads as one of the three modes.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "shell/settings.h"

namespace {

// A private folder for the files of every input, removed at exit.
struct Sandbox {
  std::string folder;
  Sandbox() {
    char pattern[] = "/tmp/vrfuzziniXXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    folder = std::string(made) + "/";
  }
  ~Sandbox() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

const std::string& Folder() {
  static const Sandbox sandbox;
  return sandbox.folder;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The settings as a fresh file writes them: the form two readings are compared in.
std::string Written(const vr::shell::Settings& settings, const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  if (!vr::shell::WriteSettings(path, settings)) std::abort();
  return ReadFile(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& folder = Folder();
  const std::string hostile = folder + "VELDR.INI";
  WriteFile(hostile, std::string_view(reinterpret_cast<const char*>(data), size));

  const int mode = vr::shell::ReadMultiLoad(hostile);
  if (mode < 0 || mode > 2) std::abort();
  const vr::shell::Settings read = vr::shell::ReadSettings(hostile);
  const std::string fresh = Written(read, folder + "A.INI");
  // Read back from a fresh file: the same settings.
  if (Written(vr::shell::ReadSettings(folder + "A.INI"), folder + "B.INI") != fresh) std::abort();
  // Written over the hostile file: what reads back is what was written.
  if (!vr::shell::WriteSettings(hostile, read)) std::abort();
  if (Written(vr::shell::ReadSettings(hostile), folder + "C.INI") != fresh) std::abort();
  return 0;
}
