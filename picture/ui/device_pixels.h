#pragma once
// Sizes between logical and device pixels for a device pixel ratio (high-density screens), and
// images made at device pixels: a picture drawn through them covers one screen pixel per image
// pixel instead of being made at the logical size and scaled up by the painter.

#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QSize>

namespace vr::picture {

// A logical size covers DeviceSize device pixels; LogicalSize is the smallest logical size that
// covers a device size.
QSize DeviceSize(QSize logical, qreal ratio);
QSize LogicalSize(QSize device, qreal ratio);
// A position in device pixels as a logical point (exact, so the image lands on whole pixels).
QPointF LogicalPoint(int device_x, int device_y, qreal ratio);
// The device pixel ratio of the primary screen (1 without one).
qreal ScreenPixelRatio();

}  // namespace vr::picture
