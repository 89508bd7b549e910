// The header probe over arbitrary bytes, under every kind's name: the first byte picks the name.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "picture/bitmap.h"
#include "picture/fast_file_io.h"
#include "picture/load/loader.h"

namespace {

const char* const kNames[] = {"x.gif", "x.bmp", "x.pcx", "x.dcx", "x.pic", "x.tga", "x.png",
                              "x.jpg", "x.emf", "x.wmf", "x.ico", "x.avi", "x.wav", "noname"};

// The PNG and GIF-animation probes read the file by name, so the bytes also go to a file.
std::string ScratchPath() {
  static const std::string path = "/tmp/vr_fuzz_info_" + std::to_string(getpid());
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The GIF animation probe decodes; keep its pictures small.
  vr::picture::SetMemoryBudget(size_t{8} << 20);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool kInitialised = LLVMFuzzerInitialize(nullptr, nullptr) == 0;
  (void)kInitialised;
  if (size < 1) return 0;
  const std::string name = kNames[data[0] % (sizeof kNames / sizeof kNames[0])];
  const std::string path = ScratchPath();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  }
  vr::picture::TFastFileIO io;
  io.OpenMemory(data + 1, size - 1);
  const vr::picture::PictureInfo info = vr::picture::ReadPictureInfoFrom(io, name, path);
  // Sizes are never negative, and a picture without a size has no colours.
  if (info.width < 0 || info.height < 0) __builtin_trap();
  if ((info.width == 0 || info.height == 0) && info.colours != 0) __builtin_trap();
  return 0;
}
