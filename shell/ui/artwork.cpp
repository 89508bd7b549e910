#include "shell/ui/artwork.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>

#include "shell/screen_palette.h"

namespace vr::shell::ui {
namespace {

QPixmap CursorImage(const std::string& name) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  if (name == "NEXTPREV") {
    // A double arrow: the pointer side tells next (right) or previous (left).
    QPolygon arrow;
    arrow << QPoint(2, 16) << QPoint(10, 8) << QPoint(10, 13) << QPoint(22, 13) << QPoint(22, 8)
          << QPoint(30, 16) << QPoint(22, 24) << QPoint(22, 19) << QPoint(10, 19) << QPoint(10, 24);
    p.drawPolygon(arrow);
  } else if (name == "TACK1") {
    p.drawEllipse(QRect(8, 2, 14, 10));
    p.drawLine(15, 12, 15, 30);
  } else if (name == "CHECK1") {
    p.setPen(QPen(Qt::black, 4));
    p.drawPolyline(QPolygon({QPoint(4, 16), QPoint(12, 26), QPoint(28, 4)}));
  } else if (name == "MAGNIFY1") {
    p.drawEllipse(QRect(2, 2, 18, 18));
    p.setPen(QPen(Qt::black, 4));
    p.drawLine(18, 18, 30, 30);
  } else {
    // The drag cursors: an arrow with a badge (+ copy, > move, ~ link); "sc" marks a shortcut.
    QPolygon arrow;
    arrow << QPoint(1, 1) << QPoint(1, 20) << QPoint(6, 15) << QPoint(10, 24) << QPoint(13, 22)
          << QPoint(9, 14) << QPoint(16, 14);
    p.drawPolygon(arrow);
    p.drawRect(QRect(16, 18, 13, 13));
    p.setPen(QPen(Qt::black, 2));
    const std::string base = name.substr(0, 4);
    if (base == "COPY") {
      p.drawLine(19, 24, 26, 24);
      p.drawLine(22, 21, 22, 28);
    } else if (base == "MOVE") {
      p.drawPolyline(QPolygon({QPoint(19, 21), QPoint(25, 24), QPoint(19, 28)}));
    } else {
      p.drawArc(QRect(18, 20, 9, 8), 0, 180 * 16);
    }
    if (name.size() > 4) p.drawPoint(28, 30);
  }
  return pixmap;
}

void DrawButtonImage(QPainter& p, int index, const QRect& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0, 0, 64), 1));
  const QPoint c = r.center();
  switch (index) {
    case kImageLoad:
      p.setBrush(QColor(240, 200, 80));
      p.drawRect(r.adjusted(2, 6, -2, -3));
      p.drawRect(QRect(r.left() + 2, r.top() + 4, 7, 3));
      break;
    case kImagePrevious:
      p.setBrush(QColor(40, 120, 220));
      p.drawPolygon(QPolygon({QPoint(r.left() + 3, c.y()), QPoint(r.right() - 4, r.top() + 3),
                              QPoint(r.right() - 4, r.bottom() - 3)}));
      break;
    case kImageNext:
      p.setBrush(QColor(40, 120, 220));
      p.drawPolygon(QPolygon({QPoint(r.right() - 3, c.y()), QPoint(r.left() + 4, r.top() + 3),
                              QPoint(r.left() + 4, r.bottom() - 3)}));
      break;
    case kImageKeepAspect:
      p.setBrush(QColor(200, 230, 255));
      p.drawRect(r.adjusted(2, 5, -2, -5));
      p.drawLine(r.left() + 4, c.y(), r.right() - 4, c.y());
      break;
    case kImageSmooth:
      for (int i = 0; i < 4; ++i) {
        p.setBrush(QColor(60 * i, 60 * i, 60 * i));
        p.drawRect(QRect(r.left() + 2 + 4 * i, r.top() + 4, 4, 12));
      }
      break;
    case kImageViewToggle:
      p.setBrush(Qt::white);
      p.drawRect(r.adjusted(2, 2, -2, -10));
      p.setBrush(QColor(120, 200, 120));
      p.drawRect(r.adjusted(2, 10, -2, -2));
      break;
    case kImageSlideShow:
      p.setBrush(QColor(255, 255, 255));
      p.drawRect(r.adjusted(1, 3, -1, -3));
      p.setBrush(QColor(30, 160, 60));
      p.drawPolygon(QPolygon({QPoint(c.x() - 3, r.top() + 6), QPoint(c.x() + 4, c.y()),
                              QPoint(c.x() - 3, r.bottom() - 6)}));
      break;
    case kImageStop:
      p.setBrush(QColor(210, 30, 30));
      p.drawRect(r.adjusted(4, 4, -4, -4));
      break;
    case kImageReload: {
      // Three quarters of a circle with an arrow head where it ends.
      p.setPen(QPen(QColor(30, 130, 60), 2));
      p.setBrush(Qt::NoBrush);
      const QRect ring = r.adjusted(4, 4, -4, -4);
      p.drawArc(ring, 90 * 16, 270 * 16);
      p.setPen(QPen(QColor(0, 0, 64), 1));
      p.setBrush(QColor(30, 130, 60));
      const int x = ring.center().x();
      p.drawPolygon(QPolygon({QPoint(x, ring.top() - 3), QPoint(x + 5, ring.top()),
                              QPoint(x, ring.top() + 3)}));
      break;
    }
    case kImageFullScreen:
      p.setBrush(Qt::black);
      p.drawRect(r.adjusted(1, 3, -1, -3));
      break;
    case kImageFirst:
    case kImageLast: {
      // A triangle against a bar: to the first or the last entry.
      const bool first = index == kImageFirst;
      p.setBrush(QColor(40, 120, 220));
      const int bar = first ? r.left() + 3 : r.right() - 5;
      p.drawRect(QRect(bar, r.top() + 3, 2, r.height() - 6));
      const int tip = first ? r.left() + 6 : r.right() - 6;
      const int base = first ? r.right() - 3 : r.left() + 3;
      p.drawPolygon(
          QPolygon({QPoint(tip, c.y()), QPoint(base, r.top() + 3), QPoint(base, r.bottom() - 3)}));
      break;
    }
    case kImageTagged:
    case kImageUntagged:
      // A tag box, ticked when the entry is tagged.
      p.setBrush(Qt::white);
      p.drawRect(r.adjusted(3, 3, -3, -3));
      if (index == kImageTagged) {
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawPolyline(QPolygon({QPoint(r.left() + 5, c.y()), QPoint(c.x() - 1, r.bottom() - 5),
                                 QPoint(r.right() - 5, r.top() + 5)}));
      }
      break;
    case kImageSoundOn:
    case kImageSoundOff:
      // A speaker; waves while sounds are on, a red cross while they are off.
      p.setBrush(QColor(90, 90, 90));
      p.drawPolygon(
          QPolygon({QPoint(r.left() + 2, c.y() - 3), QPoint(r.left() + 6, c.y() - 3),
                    QPoint(r.left() + 11, r.top() + 3), QPoint(r.left() + 11, r.bottom() - 3),
                    QPoint(r.left() + 6, c.y() + 3), QPoint(r.left() + 2, c.y() + 3)}));
      p.setBrush(Qt::NoBrush);
      if (index == kImageSoundOn) {
        p.drawArc(QRect(r.left() + 9, c.y() - 4, 6, 8), -60 * 16, 120 * 16);
        p.drawArc(QRect(r.left() + 9, c.y() - 7, 9, 14), -60 * 16, 120 * 16);
      } else {
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(r.left() + 13, c.y() - 4, r.right() - 2, c.y() + 4);
        p.drawLine(r.left() + 13, c.y() + 4, r.right() - 2, c.y() - 4);
      }
      break;
    default:
      break;
  }
  p.restore();
}

// A drive: a box with a light, coloured by type; the sixteen-colour set uses flat colours of the
// standard palette and no antialiasing, so that it shows cleanly on a palette screen.
void DrawDriveImage(QPainter& p, int type, bool low_colour, const QRect& r) {
  static const QColor kFull[kDriveImageCount] = {QColor(168, 168, 176), QColor(110, 170, 110),
                                                 QColor(100, 110, 210), QColor(232, 224, 120),
                                                 QColor(222, 128, 120)};
  static const QColor kSixteen[kDriveImageCount] = {QColor(192, 192, 192), QColor(0, 128, 0),
                                                    QColor(0, 0, 128), QColor(255, 255, 0),
                                                    QColor(128, 0, 0)};
  p.save();
  p.setRenderHint(QPainter::Antialiasing, !low_colour);
  p.setPen(QPen(low_colour ? QColor(0, 0, 0) : QColor(0, 0, 64), 1));
  p.setBrush(low_colour ? kSixteen[type] : kFull[type]);
  const QRect body = r.adjusted(1, 4, -2, -4);
  p.drawRect(body);
  if (type == kIconDriveCdRom) {
    p.setBrush(low_colour ? QColor(255, 255, 255) : QColor(250, 250, 240));
    p.drawEllipse(body.center(), 2, 2);
  } else {
    p.setBrush(low_colour ? QColor(0, 255, 0) : QColor(60, 220, 60));
    p.drawRect(QRect(body.right() - 3, body.bottom() - 2, 2, 1));
  }
  if (type == kIconDriveRemote) {
    p.drawLine(r.center().x(), body.bottom() + 1, r.center().x(), r.bottom());
  }
  p.restore();
}

void DrawMenuImage(QPainter& p, int index, const QRect& r) {
  if (index < kIconLowColourDrives) {
    DrawDriveImage(p, index, false, r);
    return;
  }
  if (index < kIconOpen) {
    DrawDriveImage(p, index - kIconLowColourDrives, true, r);
    return;
  }
  if (index >= kIconEditorSlots) return;  // left empty for the editors' own icons
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0, 0, 64), 1));
  const QPoint c = r.center();
  switch (index) {
    case kIconOpen:
    case kIconFolder:
      p.setBrush(QColor(240, 200, 80));
      p.drawRect(r.adjusted(1, 4, -2, -2));
      p.drawRect(QRect(r.left() + 1, r.top() + 2, 6, 2));
      if (index == kIconOpen) {
        p.setBrush(QColor(255, 230, 140));
        p.drawPolygon(QPolygon({QPoint(r.left() + 3, r.top() + 7), QPoint(r.right(), r.top() + 7),
                                QPoint(r.right() - 2, r.bottom() - 2),
                                QPoint(r.left() + 1, r.bottom() - 2)}));
      }
      break;
    case kIconProperties:
      p.setBrush(Qt::white);
      p.drawRect(r.adjusted(2, 1, -3, -1));
      for (int y = r.top() + 4; y < r.bottom() - 2; y += 3) {
        p.drawLine(r.left() + 4, y, r.right() - 5, y);
      }
      break;
    case kIconExit:
      p.setPen(QPen(QColor(200, 0, 0), 2));
      p.drawLine(r.left() + 3, r.top() + 3, r.right() - 3, r.bottom() - 3);
      p.drawLine(r.left() + 3, r.bottom() - 3, r.right() - 3, r.top() + 3);
      break;
    case kIconPrevious:
    case kIconNext:
    case kIconFirst:
    case kIconLast: {
      const bool left = index == kIconPrevious || index == kIconFirst;
      p.setBrush(QColor(40, 120, 220));
      const int tip = left ? r.left() + 2 : r.right() - 2;
      const int base = left ? r.right() - 3 : r.left() + 3;
      p.drawPolygon(
          QPolygon({QPoint(tip, c.y()), QPoint(base, r.top() + 3), QPoint(base, r.bottom() - 3)}));
      if (index == kIconFirst || index == kIconLast) {
        const int bar = left ? r.left() + 1 : r.right() - 2;
        p.drawRect(QRect(bar, r.top() + 3, 1, r.height() - 6));
      }
      break;
    }
    case kIconTag:
      p.setBrush(Qt::white);
      p.drawRect(r.adjusted(2, 2, -3, -3));
      p.setPen(QPen(QColor(200, 0, 0), 2));
      p.drawPolyline(QPolygon({QPoint(r.left() + 4, c.y()), QPoint(c.x() - 1, r.bottom() - 4),
                               QPoint(r.right() - 4, r.top() + 4)}));
      break;
    case kIconDelete:
    case kIconRecycleBin:
      p.setBrush(QColor(192, 192, 192));
      p.drawRect(QRect(r.left() + 3, r.top() + 4, r.width() - 7, r.height() - 5));
      p.drawLine(r.left() + 1, r.top() + 3, r.right() - 2, r.top() + 3);
      if (index == kIconDelete) {
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(r.left() + 5, r.top() + 7, r.right() - 6, r.bottom() - 3);
        p.drawLine(r.left() + 5, r.bottom() - 3, r.right() - 6, r.top() + 7);
      } else {
        p.setPen(QPen(QColor(0, 140, 0), 2));
        p.drawArc(QRect(r.left() + 5, r.top() + 6, 6, 6), 30 * 16, 300 * 16);
      }
      break;
    case kIconFilesList:
      p.setBrush(Qt::white);
      p.drawRect(r.adjusted(1, 1, -2, -2));
      for (int y = r.top() + 4; y < r.bottom() - 1; y += 3) {
        p.setBrush(QColor(40, 120, 220));
        p.drawRect(QRect(r.left() + 3, y, 2, 1));
        p.drawLine(r.left() + 7, y, r.right() - 4, y);
      }
      break;
    case kIconFullScreen:
      p.setBrush(Qt::black);
      p.drawRect(r.adjusted(1, 2, -2, -3));
      p.setPen(QPen(Qt::white, 1));
      p.drawRect(r.adjusted(4, 5, -5, -6));
      break;
    case kIconHelp:
      p.setBrush(QColor(255, 255, 200));
      p.drawEllipse(r.adjusted(1, 1, -2, -2));
      p.drawText(r, Qt::AlignCenter, "?");
      break;
    default:
      break;
  }
  p.restore();
}

// The strip at `ratio` device pixels per image pixel: the same drawing, made at the higher
// density so that it is sharp on a high-density screen rather than scaled up.
QImage StripOf(int count, int size, int ratio, void (*draw)(QPainter&, int, const QRect&)) {
  QImage strip(size * ratio, size * count * ratio, QImage::Format_ARGB32_Premultiplied);
  strip.fill(Qt::transparent);
  strip.setDevicePixelRatio(ratio);
  QPainter p(&strip);
  for (int i = 0; i < count; ++i) draw(p, i, QRect(0, i * size, size, size));
  return strip;
}

// One piece of a strip with the strip's mask put on it, at the strip's density.
QPixmap PieceOf(const QImage& strip, const QImage& mask, int index, int size, int ratio) {
  const QRect cut(0, index * size * ratio, size * ratio, size * ratio);
  QPixmap image = QPixmap::fromImage(strip.copy(cut));
  image.setMask(QBitmap::fromImage(mask.copy(cut)));
  image.setDevicePixelRatio(ratio);
  return image;
}

// The icons of a strip, each holding its image drawn at both densities.
std::vector<QIcon> CutStrips(int count, int size, void (*draw)(QPainter&, int, const QRect&)) {
  const QImage strip = StripOf(count, size, 1, draw);
  const QImage strip2 = StripOf(count, size, 2, draw);
  const QImage mask = strip.createAlphaMask();
  const QImage mask2 = strip2.createAlphaMask();
  std::vector<QIcon> icons;
  for (int i = 0; i < count; ++i) {
    QIcon icon(PieceOf(strip, mask, i, size, 1));
    icon.addPixmap(PieceOf(strip2, mask2, i, size, 2));
    icons.push_back(icon);
  }
  return icons;
}

}  // namespace

std::map<int, QCursor> LoadCursors() {
  std::map<int, QCursor> cursors;
  for (const CursorSlot& slot : kCursorSlots) {
    cursors.emplace(slot.slot, QCursor(CursorImage(slot.name), 1, 1));
  }
  return cursors;
}

std::vector<QIcon> LoadButtonImages() {
  return CutStrips(kButtonImageCount, kButtonSize, DrawButtonImage);
}

std::vector<QIcon> LoadMenuImages(int screen_depth) {
  std::vector<QIcon> icons = CutStrips(kMenuImageCount, kMenuImageSize, DrawMenuImage);
  if (IsPaletteDepth(screen_depth)) {
    for (int i = 0; i < kDriveImageCount; ++i) icons[i] = icons[kIconLowColourDrives + i];
  }
  return icons;
}

}  // namespace vr::shell::ui
