#include "shell/ui/panes.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include "picture/convert.h"
#include "picture/ui/device_pixels.h"
#include "picture/ui/qimage_bridge.h"
#include "shell/navigation.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

QImage ScreenImageOf(const picture::Bitmap& bitmap, const picture::Bitmap& shown,
                     ScreenPalette* palette) {
  if (bitmap.Empty()) return QImage();
  if (palette == nullptr) {
    // A 32-bit bitmap is wrapped, not copied, by the bridge: the image takes its own copy.
    const QImage wrapped = picture::BitmapToQImage(bitmap);
    return wrapped.format() == QImage::Format_RGB32 ? wrapped.copy()
                                                    : wrapped.convertToFormat(QImage::Format_RGB32);
  }
  // A 24-bit copy of any format, every pixel put to the nearest realised colour.
  picture::Bitmap mapped;
  if (!mapped.Create(bitmap.Width(), bitmap.Height(), picture::PixelFormat::k24)) return QImage();
  for (int y = 0; y < bitmap.Height(); ++y) picture::ExpandRowTo24(bitmap, y, mapped.Row(y));
  palette->MapFor(shown, mapped);
  return picture::BitmapToQImage(mapped).convertToFormat(QImage::Format_RGB32);
}

TPaintBox::TPaintBox(TVeldrimon69* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
  setObjectName("PaintBox3");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TPaintBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // On a high-density screen the picture is made at the box's size in device pixels and drawn
  // one to one, not made at the logical size and scaled up by the painter.
  const qreal ratio = devicePixelRatioF();
  const QSize device = DeviceSize(size(), ratio);
  const picture::Bitmap* bitmap = owner_->DisplayBitmapFor(device.width(), device.height());
  if (bitmap == nullptr || bitmap->Empty()) {
    painter.fillRect(rect(), Qt::black);  // a load is running: Panel2 shows through
    return;
  }
  // The display bitmap is turned into the screen's 32-bit form once per rebuild, so that a
  // repaint is a straight copy of rows without a pixel-format conversion.
  if (owner_->display_rebuilds() != screen_rebuild_ || screen_image_.size() != device) {
    screen_image_ = picture::BitmapToQImage(*bitmap).convertToFormat(QImage::Format_RGB32);
    screen_image_.setDevicePixelRatio(ratio);
    screen_rebuild_ = owner_->display_rebuilds();
  }
  painter.drawImage(QPoint(0, 0), screen_image_);
  painter.end();
  owner_->FirstPaintDone();
}

TFitPane::TFitPane(TVeldrimon69* owner)
    : QFrame(owner), owner_(owner), PaintBox3(new TPaintBox(owner, this)) {
  setObjectName("Panel1");
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(kMargin);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setToolTip(kMiddleZoneTip);
  PaintBox3->hide();
}

void TFitPane::SetPaintBox(const shell::Box& box) {
  if (box == paint_box_ && PaintBox3->isVisible() == (box.width > 0 && box.height > 0)) return;
  paint_box_ = box;
  if (box.width <= 0 || box.height <= 0) {
    PaintBox3->hide();
    return;
  }
  PaintBox3->setGeometry(kMargin + box.left, kMargin + box.top, box.width, box.height);
  PaintBox3->show();
}

void TFitPane::RepaintPicture() {
  if (PaintBox3->isVisible()) PaintBox3->update();
}

void TFitPane::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  owner_->LayOutFitPane(false);
}

// The lowered bevel as four filled bands, dark above and left, light below and right: the
// style's own frame drawing rasterises lines one by one and cost more than copying the picture.
void TFitPane::DrawBevel(QPainter& painter) const {
  const QColor dark = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  const int w = width();
  const int h = height();
  painter.fillRect(0, 0, w, kMargin, dark);
  painter.fillRect(0, kMargin, kMargin, h - kMargin, dark);
  painter.fillRect(kMargin, h - kMargin, w - kMargin, kMargin, light);
  painter.fillRect(w - kMargin, kMargin, kMargin, h - 2 * kMargin, light);
}

// The bevel and the black of Panel2; the paint box paints the picture's own area.
void TFitPane::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  DrawBevel(painter);
  QRegion black = QRegion(kMargin, kMargin, BoxWidth(), BoxHeight()).intersected(event->region());
  if (PaintBox3->isVisible()) black -= QRegion(PaintBox3->geometry());
  for (const QRect& free : black) painter.fillRect(free, Qt::black);
}

TActualPane::TActualPane(TVeldrimon69* owner) : QWidget(owner), owner_(owner) {
  setObjectName("PanelImage1");
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TActualPane::SetBitmap(const picture::Bitmap* bitmap) {
  bitmap_ = bitmap;
  screen_change_ = -1;
  screen_image_ = QImage();
  if (bitmap_ != nullptr && !bitmap_->Empty()) {
    // "Actual Size" is one picture pixel per device pixel.
    resize(LogicalSize(QSize(bitmap_->Width(), bitmap_->Height()), devicePixelRatioF()));
  } else {
    resize(1, 1);
  }
  update();
}

void TActualPane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (bitmap_ == nullptr || bitmap_->Empty()) return;
  // Built once per change of the picture or of the realised palette; a repaint only copies.
  if (screen_change_ != owner_->picture_changes()) {
    screen_image_ = owner_->ActualScreenImage(*bitmap_);
    screen_image_.setDevicePixelRatio(devicePixelRatioF());
    screen_change_ = owner_->picture_changes();
    ++screen_builds_;
  }
  painter.drawImage(QPoint(0, 0), screen_image_);
}

TTitleStrip::TTitleStrip(QWidget* parent) : QWidget(parent) {
  setObjectName("TitleStrip");
  setAutoFillBackground(false);
}

QSize TTitleStrip::sizeHint() const {
  QFont head("Times New Roman");
  head.setBold(true);
  return QSize(200, QFontMetrics(head).height() + 6);
}

void TTitleStrip::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void TTitleStrip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const bool active = window()->isActiveWindow();
  const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
  painter.fillRect(rect(), palette().color(group, QPalette::Highlight));
  painter.setPen(palette().color(group, QPalette::HighlightedText));
  const CaptionParts parts = SplitCaption(caption_);
  QFont head("Times New Roman");
  head.setBold(true);
  QFont rest("MS SANS SERIF");
  rest.setBold(true);
  const QRect text_rect = rect().adjusted(1, 0, -2, 0);
  painter.setClipRect(text_rect);
  const QFontMetrics head_metrics(head);
  const int head_width = head_metrics.horizontalAdvance(QString::fromStdString(parts.head));
  const int text_height = head_metrics.height();
  const int top = text_height < height() ? (height() - text_height) / 2 : 0;
  painter.setFont(head);
  painter.drawText(text_rect.left(), top + head_metrics.ascent(),
                   QString::fromStdString(parts.head));
  // Characters are dropped from the end until the rest fits before the right edge.
  const QFontMetrics rest_metrics(rest);
  const int room = text_rect.width() - head_width;
  std::string shown = parts.rest;
  while (!shown.empty() && rest_metrics.horizontalAdvance(QString::fromStdString(shown)) > room) {
    shown.pop_back();
  }
  drawn_rest_ = shown;
  if (shown.empty() || room <= 0) return;
  painter.setFont(rest);
  painter.drawText(text_rect.left() + head_width, top + 2 + head_metrics.ascent(),
                   QString::fromStdString(shown));
}

}  // namespace vr::shell::ui
