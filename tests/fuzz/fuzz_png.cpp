// Fuzz target of the PNG bridge: any bytes through libpng with the program's transforms, then
// drawn with blending on and off.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "picture/codecs/png/png_graphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> copy(data, data + size);
  std::FILE* f = fmemopen(copy.data(), copy.size(), "rb");
  if (f == nullptr) return 0;
  vr::codecs::TPngGraphic graphic;
  const bool loaded = graphic.LoadFromOpenFile(f, "fuzz").empty();
  std::fclose(f);
  if (loaded && !graphic.Empty()) {
    vr::picture::Bitmap bitmap;
    for (const bool blend : {true, false}) {
      graphic.SetBlend(blend);
      graphic.Draw(bitmap, vr::picture::Rgb{1, 2, 3});
    }
  }
  return 0;
}
