#include "picture/ui/qimage_bridge.h"

#include <vector>

#include "picture/convert.h"

namespace vr::picture {
namespace {

QList<QRgb> ColourTable(const Bitmap& bitmap, int entries) {
  QList<QRgb> table(entries, qRgb(0, 0, 0));
  const auto& pal = bitmap.Palette();
  for (int i = 0; i < entries && static_cast<size_t>(i) < pal.size(); ++i) {
    table[i] = qRgb(pal[i].r, pal[i].g, pal[i].b);
  }
  return table;
}

}  // namespace

bool WrapsWithoutCopy(PixelFormat format) {
  return format == PixelFormat::k8 || format == PixelFormat::k24 || format == PixelFormat::k32;
}

QImage BitmapToQImage(const Bitmap& bitmap) {
  if (bitmap.Empty()) return QImage();
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  const auto stride = static_cast<qsizetype>(bitmap.Stride());
  switch (bitmap.Format()) {
    case PixelFormat::k8: {
      QImage image(bitmap.Data(), w, h, stride, QImage::Format_Indexed8);
      image.setColorTable(ColourTable(bitmap, 256));
      return image;
    }
    case PixelFormat::k24:
      return QImage(bitmap.Data(), w, h, stride, QImage::Format_BGR888);
    case PixelFormat::k32:
      return QImage(bitmap.Data(), w, h, stride, QImage::Format_RGB32);
    case PixelFormat::k1:
    case PixelFormat::k4: {
      QImage image(w, h, QImage::Format_Indexed8);
      if (image.isNull()) return image;
      image.setColorTable(ColourTable(bitmap, 1 << bitmap.Bits()));
      for (int y = 0; y < h; ++y) {
        ConvertRow(bitmap.Row(y), image.scanLine(y), bitmap.Bits(), nullptr, w, 8);
      }
      return image;
    }
    case PixelFormat::k15:
    case PixelFormat::k16: {
      QImage image(w, h, QImage::Format_BGR888);
      if (image.isNull()) return image;
      for (int y = 0; y < h; ++y) ExpandRowTo24(bitmap, y, image.scanLine(y));
      return image;
    }
    default:
      return QImage();
  }
}

Bitmap QImageToBitmap(const QImage& image) {
  Bitmap out;
  if (image.isNull()) return out;
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  if (!out.Create(bgr.width(), bgr.height(), PixelFormat::k24)) return out;
  const size_t bytes = 3 * static_cast<size_t>(bgr.width());
  for (int y = 0; y < bgr.height(); ++y) std::copy_n(bgr.constScanLine(y), bytes, out.Row(y));
  return out;
}

}  // namespace vr::picture
