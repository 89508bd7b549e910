// Fuzz target: a hostile "RECYCLE.TXT". The lines are parsed and re-written (a line that can be
// written must read back the same), then the bin counts, sizes, takes a new file and drops every
// entry over that index in a private folder. Dropping must never delete anything outside the bin.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "lists/recycle/recycle_bin.h"
#include "lists/recycle/recycle_index.h"
#include "platform/files.h"

namespace {

struct Sandbox {
  std::string root;
  std::string bin;
  std::string victim;  // a file outside the bin that must survive
  Sandbox() {
    char pattern[] = "/tmp/vrfuzzbinXXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    root = made;
    bin = root + "/LS_RecycleBin/";
    victim = root + "/victim.jpg";
  }
};

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Sandbox box;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  for (const std::string& line : vr::recycle::SplitIndexLines(text)) {
    const auto entry = vr::recycle::ParseIndexLine(line);
    if (!entry) continue;
    vr::recycle::CopyNumber(entry->copy);
    const auto again = vr::recycle::FormatIndexLine(entry->former, entry->copy);
    if (!again) continue;
    const auto back = vr::recycle::ParseIndexLine(*again);
    if (!back || back->former != entry->former || back->copy != entry->copy) std::abort();
  }

  vr::platform::PosixFiles files;
  vr::recycle::BinServices services;
  services.files = &files;
  vr::recycle::RecycleBin bin(services, box.bin);
  if (!bin.Start()) return 0;
  bin.Empty();
  WriteFile(box.victim, "keep");
  WriteFile(bin.IndexPath(), text);
  const int count = bin.CountEntries();
  bin.TotalSize();
  bin.ReadEntries();
  WriteFile(box.root + "/new.jpg", "new");
  if (bin.PutIntoBin(box.root + "/new.jpg") && bin.CountEntries() != count + 1) std::abort();
  int dropped = 0;
  while (bin.DropOldest()) {
    if (++dropped > count + 1) std::abort();  // every drop takes one entry away
  }
  if (bin.CountEntries() != 0) std::abort();
  if (::access(box.victim.c_str(), F_OK) != 0) std::abort();
  return 0;
}
