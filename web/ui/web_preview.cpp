#include "web/ui/web_preview.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "picture/fit.h"
#include "web/web_pages.h"

namespace vr::web::ui {
namespace {

QColor ToQColor(uint32_t colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

QFont FontOf(const TextStyle& style) {
  QFont font("Times New Roman");
  font.setPointSize(PreviewPointSize(style.size));
  font.setBold(style.bold);
  font.setItalic(style.italic);
  font.setUnderline(style.underline);
  return font;
}

// Draws `text` centred at y in the style; returns the text height.
int Centred(QPainter& p, const TextStyle& style, const QString& text, int y) {
  p.setFont(FontOf(style));
  p.setPen(ToQColor(style.colour));
  const QFontMetrics metrics(p.font());
  const int w = metrics.horizontalAdvance(text);
  p.drawText((kPreviewWidth - w) / 2, y + metrics.ascent(), text);
  return metrics.height();
}

// `line` (no line breaks in it) broken into pieces narrower than `width`.
void WrapLine(QString rest, const QFontMetrics& metrics, int width, QStringList& out) {
  while (metrics.horizontalAdvance(rest) >= width) {
    // The longest start of the rest that stays narrower than the width.
    int low = 0;
    int high = static_cast<int>(rest.size());
    while (low < high) {
      const int mid = (low + high + 1) / 2;
      if (metrics.horizontalAdvance(rest.left(mid)) < width) {
        low = mid;
      } else {
        high = mid - 1;
      }
    }
    const int fit = std::max(low, 1);  // a character wider than the line still moves on
    const auto blank = rest.lastIndexOf(' ', fit);
    if (blank > 0) {
      out << rest.left(blank);
      rest = rest.mid(blank + 1);
    } else {
      out << rest.left(fit);
      rest = rest.mid(fit);
    }
  }
  out << rest;
}

}  // namespace

QStringList WrapDescription(const std::vector<std::string>& lines, const QFontMetrics& metrics,
                            int width) {
  QStringList out;
  for (const std::string& text : lines) {
    QString line = QString::fromStdString(text);
    line.replace("\r\n", "\n");
    line.replace('\r', '\n');
    for (const QString& piece : line.split('\n')) WrapLine(piece, metrics, width, out);
  }
  return out;
}

PreviewGrid ThumbGrid(int top, int bottom, int thumb_width, int thumb_height) {
  PreviewGrid grid;
  if (thumb_width <= 0 || thumb_height <= 0) return grid;
  grid.columns = std::max(0, 580 / thumb_width);
  grid.rows = std::max(0, (bottom - top) / thumb_height);
  return grid;
}

QImage DrawWebPreview(const WebOptions& o, const QImage& background, const QImage& main_image,
                      PreviewGrid* grid_out) {
  QImage page(kPreviewWidth, kPreviewHeight, QImage::Format_RGB32);
  page.fill(ToQColor(o.background_colour));
  QPainter p(&page);
  if (o.background_image_use && !background.isNull() && background.width() >= 8 &&
      background.height() >= 8) {
    for (int y = 0; y < kPreviewHeight; y += background.height()) {
      for (int x = 0; x < kPreviewWidth; x += background.width()) p.drawImage(x, y, background);
    }
  }
  int y = 50;
  y += Centred(p, o.title, QString::fromStdString(o.title_text), y) + 15;
  y += Centred(p, o.page_numbers, "Page 1 of 3", y) + 10;
  const int link_height = Centred(p, o.page_numbers, "(NEXT PAGE)", y);
  y += link_height + 15;
  Centred(p, o.page_numbers, "Page 1 of 3", kPreviewHeight - 10 - 2 * link_height);
  Centred(p, o.page_numbers, "(NEXT PAGE)", kPreviewHeight - link_height);
  if (o.main_image_use && !main_image.isNull()) {
    const picture::Size fit = picture::FitInBox(main_image.width(), main_image.height(), 200, 175);
    const QRect target((kPreviewWidth - fit.width) / 2, y, fit.width, fit.height);
    p.drawImage(target, main_image);
    y = target.y() + target.height() + 10;
  }
  // The description, broken into lines of less than 600 pixels.
  p.setFont(FontOf(o.description));
  p.setPen(ToQColor(o.description.colour));
  const QFontMetrics metrics(p.font());
  for (const QString& line : WrapDescription(o.description_lines, metrics)) {
    p.drawText(20, y + metrics.ascent(), line);
    y += metrics.height();
  }
  // The thumbnail area with its frames.
  const int bottom = kPreviewHeight - 20 - 2 * link_height;
  if (bottom > y + 20) {
    p.fillRect(QRect(20, y, 600, bottom - y), Qt::black);
    p.fillRect(QRect(30, y + 10, 580, bottom - y - 20), Qt::white);
    const PreviewGrid grid = ThumbGrid(y + 10, bottom - 10, o.thumb_width, o.thumb_height);
    p.setPen(QColor(128, 128, 128));
    for (int r = 0; r < grid.rows; ++r) {
      for (int c = 0; c < grid.columns; ++c) {
        p.drawRect(30 + c * o.thumb_width, y + 10 + r * o.thumb_height, o.thumb_width - 1,
                   o.thumb_height - 1);
      }
    }
    if (grid_out != nullptr) *grid_out = grid;
    QFont big("Times New Roman", 42, QFont::Bold);
    if (QFontMetrics(big).horizontalAdvance("Space where clickable") > 580) big.setPointSize(32);
    p.setFont(big);
    p.setPen(Qt::black);
    const QFontMetrics bm(big);
    const int mid = (y + bottom) / 2;
    for (const char* text : {"Space where clickable", "thumbs would be!"}) {
      const int w = bm.horizontalAdvance(text);
      const int line_y = text[0] == 'S' ? mid - bm.height() : mid;
      p.drawText((kPreviewWidth - w) / 2, line_y + bm.ascent(), text);
    }
  }
  return page;
}

}  // namespace vr::web::ui
