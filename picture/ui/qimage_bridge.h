#pragma once
// Bitmaps as QImages for display. 8, 24 and 32-bit Bitmaps are wrapped without copying (the
// QImage reads the Bitmap's own rows, so the Bitmap must outlive it and stay unchanged); 1, 4,
// 15 and 16-bit Bitmaps are converted into a new image.

#include <QImage>

#include "picture/bitmap.h"

namespace vr::picture {

QImage BitmapToQImage(const Bitmap& bitmap);
// Whether BitmapToQImage shares the Bitmap's rows for this format.
bool WrapsWithoutCopy(PixelFormat format);
// A 24-bit Bitmap from any QImage (for screen grabs and rendered graphics).
Bitmap QImageToBitmap(const QImage& image);

}  // namespace vr::picture
