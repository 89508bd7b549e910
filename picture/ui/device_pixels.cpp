#include "picture/ui/device_pixels.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace vr::picture {

QSize DeviceSize(QSize logical, qreal ratio) {
  return QSize(std::max(1, qRound(logical.width() * ratio)),
               std::max(1, qRound(logical.height() * ratio)));
}

QSize LogicalSize(QSize device, qreal ratio) {
  if (ratio <= 0) ratio = 1;
  return QSize(std::max(1, static_cast<int>(std::ceil(device.width() / ratio))),
               std::max(1, static_cast<int>(std::ceil(device.height() / ratio))));
}

QPointF LogicalPoint(int device_x, int device_y, qreal ratio) {
  if (ratio <= 0) ratio = 1;
  return QPointF(device_x / ratio, device_y / ratio);
}

qreal ScreenPixelRatio() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const qreal ratio = screen != nullptr ? screen->devicePixelRatio() : 1.0;
  return ratio > 0 ? ratio : 1.0;
}

}  // namespace vr::picture
