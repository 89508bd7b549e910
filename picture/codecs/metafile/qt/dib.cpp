// The QImage form of metafile bitmaps, for the QPainter player: the one DIB decoder (dib.h)
// and a conversion to 32-bit rows.
#include "picture/codecs/metafile/qt/dib.h"

#include <vector>

#include "picture/convert.h"

namespace vr::metafile {

QImage ToImage(const picture::Bitmap& bitmap) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  if (image.isNull()) return QImage();
  std::vector<uint8_t> bgr(static_cast<size_t>(bitmap.Width()) * 3);
  for (int y = 0; y < bitmap.Height(); ++y) {
    picture::ExpandRowTo24(bitmap, y, bgr.data());
    QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    const uint8_t* p = bgr.data();
    for (int x = 0; x < bitmap.Width(); ++x, p += 3) out[x] = qRgb(p[2], p[1], p[0]);
  }
  return image;
}

QImage DecodeDib(const uint8_t* info, size_t info_size, const uint8_t* bits, size_t bits_size,
                 bool palette_indices) {
  const auto bitmap = DecodeDibBitmap(info, info_size, bits, bits_size, palette_indices);
  return bitmap ? ToImage(*bitmap) : QImage();
}

QImage DecodePackedDib(const uint8_t* data, size_t size, bool palette_indices) {
  const auto bitmap = DecodePackedDibBitmap(data, size, palette_indices);
  return bitmap ? ToImage(*bitmap) : QImage();
}

}  // namespace vr::metafile
