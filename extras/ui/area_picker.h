#pragma once
// "Snap Shot Of An Area": a still of the screen over the whole screen, on which the user drags a
// rectangle with the mouse. Releasing the button over a rectangle of at least one pixel takes it;
// Escape (or closing) takes nothing.

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRect>

namespace vr::extras::ui {

class TAreaPicker : public QDialog {
  Q_OBJECT

 public:
  // `still`: the screen as grabbed, in device pixels.
  explicit TAreaPicker(QImage still, QWidget* parent = nullptr);
  // Shows the window over the whole screen and runs it.
  int exec() override;
  // The dragged rectangle in the still's pixels; empty until one was taken.
  QRect Picked() const { return picked_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 protected:
  // A window position as a pixel of the still (the still is drawn stretched over the window).
  QPoint ToStill(QPointF at) const;
  // A rectangle of the still in window co-ordinates.
  QRectF FromStill(const QRect& area) const;
  const QImage& still() const { return still_; }
  void SetPicked(const QRect& area) { picked_ = area; }

 private:
  QImage still_;
  bool dragging_ = false;
  QPoint from_;
  QPoint to_;
  QRect picked_;
};

}  // namespace vr::extras::ui
