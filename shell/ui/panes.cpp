#include "shell/ui/panes.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>

#include "picture/ui/qimage_bridge.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

TFitPane::TFitPane(TVeldrimon69* owner) : QFrame(owner), owner_(owner) {
  setObjectName("Panel1");
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(kMargin);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setToolTip(kPictureMenuTip);
}

void TFitPane::SetPaintBox(const shell::Box& box) {
  if (box == paint_box_) return;
  paint_box_ = box;
  update();
}

void TFitPane::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  owner_->LayOutFitPane(false);
}

void TFitPane::paintEvent(QPaintEvent* event) {
  ++paints_;
  QFrame::paintEvent(event);
  QPainter painter(this);
  const QRect inner(kMargin, kMargin, BoxWidth(), BoxHeight());
  painter.fillRect(inner, Qt::black);  // Panel2
  const picture::Bitmap* bitmap = owner_->DisplayBitmapFor(paint_box_.width, paint_box_.height);
  if (bitmap == nullptr || bitmap->Empty()) return;
  painter.setClipRect(inner);
  const QImage image = picture::BitmapToQImage(*bitmap);
  painter.drawImage(QPoint(kMargin + paint_box_.left, kMargin + paint_box_.top), image);
  painter.end();
  owner_->FirstPaintDone();
}

void TFitPane::contextMenuEvent(QContextMenuEvent* event) {
  if (menu_ != nullptr) menu_->exec(event->globalPos());
}

TActualPane::TActualPane(TVeldrimon69* owner) : QWidget(owner) {
  setObjectName("PanelImage1");
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TActualPane::SetBitmap(const picture::Bitmap* bitmap) {
  bitmap_ = bitmap;
  if (bitmap_ != nullptr && !bitmap_->Empty()) {
    resize(bitmap_->Width(), bitmap_->Height());
  } else {
    resize(1, 1);
  }
  update();
}

void TActualPane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (bitmap_ != nullptr && !bitmap_->Empty()) {
    painter.drawImage(QPoint(0, 0), picture::BitmapToQImage(*bitmap_));
  }
}

void TActualPane::contextMenuEvent(QContextMenuEvent* event) {
  if (menu_ != nullptr) menu_->exec(event->globalPos());
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
