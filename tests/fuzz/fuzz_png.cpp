// Fuzz target of the PNG bridge: any bytes through libpng with the program's transforms, then
// drawn with blending on and off; the same bytes through the reader that decodes opaque
// pictures straight into the bitmap, which must agree with the stored read pixel for pixel.
#include <png.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "picture/codecs/png/png_graphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> copy(data, data + size);
  std::FILE* f = fmemopen(copy.data(), copy.size(), "rb");
  if (f == nullptr) return 0;
  vr::codecs::TPngGraphic graphic;
  const bool loaded = graphic.LoadFromOpenFile(f, "fuzz").empty();
  std::rewind(f);
  vr::picture::Bitmap direct;
  const vr::codecs::ReadResult read =
      vr::codecs::LoadPngOpenFile(f, "fuzz", direct, true, vr::picture::Rgb{1, 2, 3});
  std::fclose(f);
  if (loaded && !graphic.Empty()) {
    // Both reads saw the same bytes, so both succeed or both fail.
    vr::picture::Bitmap bitmap;
    bool drawn = false;
    for (const bool blend : {false, true}) {
      graphic.SetBlend(blend);
      drawn = graphic.Draw(bitmap, vr::picture::Rgb{1, 2, 3});
    }
    // A picture past the memory budget fails to draw; the other reader refuses it too.
    if (!drawn) return 0;
    if (!read.error.empty()) std::abort();
    if (bitmap.Width() != direct.Width() || bitmap.Height() != direct.Height()) std::abort();
    for (int y = 0; y < bitmap.Height(); ++y) {
      for (int x = 0; x < bitmap.Width(); ++x) {
        if (!(bitmap.ColourAt(x, y) == direct.ColourAt(x, y))) std::abort();
      }
    }
  }
  return 0;
}
