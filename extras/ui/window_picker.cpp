#include "extras/ui/window_picker.h"

#include <QMouseEvent>
#include <QPainter>

namespace vr::extras::ui {

TWindowPicker::TWindowPicker(QImage still, std::vector<platform::ScreenWindow> windows,
                             QWidget* parent)
    : TAreaPicker(std::move(still), parent), windows_(std::move(windows)) {
  setObjectName("WindowPicker");
  setWindowTitle("Click The Window To Snap (Esc Cancels)");
}

QRect TWindowPicker::WindowAt(QPointF at) const {
  const QPoint pixel = ToStill(at);
  const auto window =
      platform::TopWindowAt(windows_, pixel.x(), pixel.y(), still().width(), still().height());
  if (!window) return {};
  return QRect(window->x, window->y, window->width, window->height);
}

void TWindowPicker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(rect(), still());
  if (hovered_.isEmpty()) return;
  painter.setPen(QPen(Qt::red, 2, Qt::DashLine));
  painter.drawRect(FromStill(hovered_));
}

void TWindowPicker::mouseMoveEvent(QMouseEvent* event) {
  const QRect under = WindowAt(event->position());
  if (under == hovered_) return;
  hovered_ = under;
  update();
}

void TWindowPicker::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) mouseMoveEvent(event);
}

void TWindowPicker::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QRect under = WindowAt(event->position());
  if (under.isEmpty()) return;  // the bare desktop: click again
  SetPicked(under);
  accept();
}

}  // namespace vr::extras::ui
