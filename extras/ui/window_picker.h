#pragma once
// "Snap Shot Of A Window" where the program reads the desktop's windows itself (X11): a still of
// the screen over the whole screen; the window under the pointer is outlined, and a click takes
// that window's rectangle of the still. Escape (or closing) takes nothing.

#include <vector>

#include "extras/ui/area_picker.h"
#include "platform/screen_capture.h"

namespace vr::extras::ui {

class TWindowPicker : public TAreaPicker {
  Q_OBJECT

 public:
  // `windows`: the desktop's top-level windows when the still was taken, bottom to top, in the
  // still's pixels.
  TWindowPicker(QImage still, std::vector<platform::ScreenWindow> windows,
                QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QRect WindowAt(QPointF at) const;
  std::vector<platform::ScreenWindow> windows_;
  QRect hovered_;
};

}  // namespace vr::extras::ui
