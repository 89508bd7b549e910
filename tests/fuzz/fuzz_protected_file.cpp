// Fuzz target: a hostile file given to the protected-file code. The is-protected test agrees with
// the marker; unprotecting into a view copy either gives exactly the bytes after the header XORed
// with the key, or fails leaving the file as it was and no stray file behind; a file that is not
// protected goes through protect and unprotect unchanged. The stored password text decodes only
// when it encodes back to itself.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "extras/protected_file.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_folders.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;
using namespace vr::extras;

constexpr const char* kPassword = "Sesame";

// Private folders for every input (the pictures, the temporary folder), removed at exit.
struct Sandbox {
  std::string folder;
  std::string temp;
  Sandbox() {
    char pattern[] = "/tmp/vrfuzzprotXXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    folder = std::string(made) + "/pics/";
    temp = std::string(made) + "/temp/";
    fs::create_directories(folder);
    fs::create_directories(temp);
  }
  ~Sandbox() {
    std::error_code ec;
    fs::remove_all(fs::path(folder).parent_path().parent_path(), ec);
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

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

size_t Count(const std::string& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

void Empty(const std::string& folder) {
  for (const auto& e : fs::directory_iterator(folder)) fs::remove(e.path());
}

void CheckPasswordText(const std::string& text) {
  const std::optional<std::string> decoded = DecodePassword(text);
  if (!decoded) return;
  std::string upper = text;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (EncodePassword(*decoded) != upper) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Sandbox& box = Box();
  static vr::platform::PosixFiles files;
  static vr::fakes::FakeFolders folders(box.folder, box.temp);
  static vr::fakes::FakeClock clock;
  static PasswordStore store = [&] {
    PasswordStore made(fs::path(box.folder).parent_path().parent_path().string() + "/VELDR.INI");
    if (made.Set(kPassword) != PasswordStore::SetResult::kSaved) std::abort();
    return made;
  }();
  const ProtectServices services{&files, &folders, &clock};
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckPasswordText(bytes.substr(0, 2 * kMaxPasswordLength + 2));
  Empty(box.folder);
  Empty(box.temp);

  const std::string protected_path = box.folder + "!_fuzz.bmp";
  WriteFile(protected_path, bytes);
  const bool marked = bytes.compare(0, kMarkerSize, kProtectedMarker) == 0 && size >= kMarkerSize;
  if (IsProtected(protected_path) != marked) std::abort();

  // Unprotected into a view copy: the source stays whatever happens.
  const ProtectResult view = ProtectOrUnprotect(store, services, protected_path, false, true);
  if (ReadFile(protected_path) != bytes) std::abort();
  if (Count(box.folder) != 1) std::abort();
  const std::string header = ProtectedHeader(store.stored_text());
  if (view.ok()) {
    if (!marked || bytes.compare(0, header.size(), header) != 0) std::abort();
    std::string plain = bytes.substr(header.size());
    const uint8_t key = ContentKey(kPassword);
    for (char& c : plain) c = static_cast<char>(static_cast<uint8_t>(c) ^ key);
    if (ReadFile(view.path) != plain || Count(box.temp) != 1) std::abort();
  } else if (Count(box.temp) != 0) {
    std::abort();
  }

  // A file that is not protected makes the round trip unchanged.
  if (!marked) {
    Empty(box.folder);
    const std::string plain_path = box.folder + "fuzz.bmp";
    WriteFile(plain_path, bytes);
    const ProtectResult locked = ProtectOrUnprotect(store, services, plain_path, true, false);
    if (!locked.ok() || locked.path != protected_path || fs::exists(plain_path)) std::abort();
    const ProtectResult opened = ProtectOrUnprotect(store, services, locked.path, false, false);
    if (!opened.ok() || opened.path != plain_path || ReadFile(plain_path) != bytes) std::abort();
    if (Count(box.folder) != 1) std::abort();
  }
  return 0;
}
