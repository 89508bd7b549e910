#include "extras/ui/area_picker.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace vr::extras::ui {

TAreaPicker::TAreaPicker(QImage still, QWidget* parent) : QDialog(parent), still_(std::move(still)) {
  setObjectName("AreaPicker");
  setWindowTitle("Drag Around The Area To Snap (Esc Cancels)");
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setCursor(Qt::CrossCursor);
  setMouseTracking(true);
  // The still's device pixels over the screen's logical area.
  QScreen* screen = parent != nullptr && parent->screen() != nullptr ? parent->screen()
                                                                     : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    setGeometry(screen->geometry());
  } else {
    resize(still_.size());
  }
}

int TAreaPicker::exec() {
  setWindowState(windowState() | Qt::WindowFullScreen);
  return QDialog::exec();
}

QPoint TAreaPicker::ToStill(QPointF at) const {
  if (width() <= 0 || height() <= 0) return {};
  const int x = static_cast<int>(at.x() * still_.width() / width());
  const int y = static_cast<int>(at.y() * still_.height() / height());
  return {std::clamp(x, 0, still_.width()), std::clamp(y, 0, still_.height())};
}

void TAreaPicker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(rect(), still_);
  if (!dragging_) return;
  // The rectangle so far, in window co-ordinates.
  painter.setPen(QPen(Qt::red, 1, Qt::DashLine));
  painter.drawRect(FromStill(QRect(from_, to_).normalized()));
}

QRectF TAreaPicker::FromStill(const QRect& area) const {
  const double sx = still_.width() > 0 ? static_cast<double>(width()) / still_.width() : 1.0;
  const double sy = still_.height() > 0 ? static_cast<double>(height()) / still_.height() : 1.0;
  return QRectF(area.x() * sx, area.y() * sy, area.width() * sx, area.height() * sy);
}

void TAreaPicker::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = true;
  from_ = ToStill(event->position());
  to_ = from_;
  update();
}

void TAreaPicker::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  to_ = ToStill(event->position());
  update();
}

void TAreaPicker::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return;
  dragging_ = false;
  to_ = ToStill(event->position());
  // Corners at from_ and to_, both taken: a drag from (10, 10) to (20, 15) holds 10 x 5 pixels.
  const QRect area(QPoint(std::min(from_.x(), to_.x()), std::min(from_.y(), to_.y())),
                   QPoint(std::max(from_.x(), to_.x()) - 1, std::max(from_.y(), to_.y()) - 1));
  update();
  if (area.width() < 1 || area.height() < 1) return;  // a click: drag again
  picked_ = area;
  accept();
}

void TAreaPicker::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    picked_ = QRect();
    reject();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace vr::extras::ui
