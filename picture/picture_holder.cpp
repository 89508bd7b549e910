#include "picture/picture_holder.h"

#include <algorithm>

namespace vr::picture {

Bitmap& PictureHolder::AsBitmap() {
  if (vector && bitmap.Empty()) {
    // Metafiles are drawn on the program's metafile background.
    if (bitmap.Create(std::max(1, vector->Width()), std::max(1, vector->Height()), PixelFormat::k24)) {
      vector->Render(bitmap, bitmap.Width(), bitmap.Height(), Rgb{0xD0, 0xC0, 0xC0});
    }
  }
  kind = GraphicKind::kBitmap;
  vector.reset();
  return bitmap;
}

}  // namespace vr::picture
