#include "picture/ui/scaled_draw.h"

#include <QFontMetrics>

#include "picture/convert.h"
#include "picture/fit.h"
#include "picture/ui/qimage_bridge.h"

namespace vr::picture {

void DrawPictureScaled(const PictureHolder& src, QPainter& canvas, const QRect& rect,
                       bool force_smooth, const SmoothSettings& settings) {
  if (rect.width() <= 0 || rect.height() <= 0) return;
  const bool is_vector = src.vector && src.bitmap.Empty();
  if (!is_vector && src.bitmap.Empty()) return;
  canvas.save();
  canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);  // colour-on-colour stretching
  if (WouldSmooth(src.Width(), src.Height(), Rect{rect.x(), rect.y(), rect.width(), rect.height()},
                  force_smooth, settings)) {
    Bitmap shrunk;
    if (ShrinkSmooth(src, shrunk, rect.width(), rect.height())) {
      canvas.drawImage(rect.topLeft(), BitmapToQImage(shrunk));
      canvas.restore();
      return;
    }
  }
  if (is_vector) {
    Bitmap drawn;
    if (drawn.Create(rect.width(), rect.height(), PixelFormat::k24) &&
        src.vector->Render(drawn, rect.width(), rect.height(), kMetafileBackground)) {
      canvas.drawImage(rect.topLeft(), BitmapToQImage(drawn));
    }
  } else {
    canvas.drawImage(rect, BitmapToQImage(src.bitmap));
  }
  canvas.restore();
}

void DrawPreview(QPainter& canvas, const QRect& box, const QColor& box_colour,
                 const PictureHolder& picture, const SmoothSettings& settings) {
  canvas.fillRect(box, box_colour);
  if (picture.Height() < 1 || picture.Width() < 1) {
    const QFontMetrics metrics(canvas.font());
    const int line = metrics.height();
    const QRect first(box.left(), box.top() + box.height() / 2 - line, box.width(), line);
    const QRect second(box.left(), box.top() + box.height() / 2, box.width(), line);
    canvas.save();
    canvas.setPen(Qt::black);
    canvas.drawText(first, Qt::AlignHCenter | Qt::AlignVCenter,
                    QString::fromLatin1(kCantPreviewLine1));
    canvas.drawText(second, Qt::AlignHCenter | Qt::AlignVCenter,
                    QString::fromLatin1(kCantPreviewLine2));
    canvas.restore();
    return;
  }
  const int w = picture.Width();
  const int h = picture.Height();
  if (w <= box.width() && h <= box.height()) {
    const QRect at(box.left() + (box.width() - w) / 2, box.top() + (box.height() - h) / 2, w, h);
    DrawPictureScaled(picture, canvas, at, false, settings);
    return;
  }
  const Size fitted = FitInBox(w, h, box.width(), box.height());
  const QRect at(box.left() + (box.width() - fitted.width) / 2,
                 box.top() + (box.height() - fitted.height) / 2, fitted.width, fitted.height);
  // Bitmaps go through the scaled drawing (smooth when it is on); other graphics are stretched.
  const bool bitmap =
      picture.kind == GraphicKind::kBitmap && !(picture.vector && picture.bitmap.Empty());
  DrawPictureScaled(picture, canvas, at, false,
                    bitmap ? settings : SmoothSettings{settings.display_depth, false});
}

}  // namespace vr::picture
