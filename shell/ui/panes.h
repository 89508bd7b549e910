#pragma once
// The main window's picture panes and its painted title strip.

#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <functional>
#include <string>

#include "picture/bitmap.h"
#include "picture/ui/device_pixels.h"
#include "shell/layout.h"
#include "shell/screen_palette.h"


namespace vr::shell::ui {

class TVeldrimon69;

using picture::DeviceSize;
using picture::LogicalSize;

// `bitmap` in the screen's 32-bit form, ready to be copied on each paint. With a palette (a screen
// of 256 colours or fewer) the palette realised for `shown` maps every pixel.
QImage ScreenImageOf(const picture::Bitmap& bitmap, const picture::Bitmap& shown,
                     ScreenPalette* palette);

// The paint box PaintBox3: the display bitmap at its place in the fit pane, painted as one straight
// copy, so that repainting it costs no more than copying the bitmap. Mouse input passes through to
// the pane, which owns the edge zones, the menu and the tips.
class TPaintBox : public QWidget {
  Q_OBJECT
 public:
  TPaintBox(TVeldrimon69* owner, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TVeldrimon69* owner_;
  QImage screen_image_;      // the display bitmap in the screen's 32-bit form
  int screen_rebuild_ = -1;  // the display rebuild it was made from
};

// The fit pane: Panel1 (lowered bevel, 4 pixels) holding the black inner panel Panel2, in which
// the paint box PaintBox3 shows the display bitmap. The paint box is laid out by LayOutFitPane.
class TFitPane : public QFrame {
  Q_OBJECT
 public:
  explicit TFitPane(TVeldrimon69* owner);
  static constexpr int kMargin = 4;
  // The inner box the picture is fitted into.
  int BoxWidth() const { return width() - 2 * kMargin; }
  int BoxHeight() const { return height() - 2 * kMargin; }
  void SetPaintBox(const shell::Box& box);
  // Paints the picture again (the bevel and the black around it stay as they are).
  void RepaintPicture();
  const shell::Box& paint_box() const { return paint_box_; }
  TPaintBox* paint_box_widget() const { return PaintBox3; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void DrawBevel(QPainter& painter) const;

  TVeldrimon69* owner_;
  shell::Box paint_box_;
  TPaintBox* PaintBox3;
};

// The actual-size panel PanelImage1 inside ScrollBox1: the picture at its natural size.
class TActualPane : public QWidget {
  Q_OBJECT
 public:
  explicit TActualPane(TVeldrimon69* owner);
  void SetBitmap(const picture::Bitmap* bitmap);
  // How often the screen image was built (once per picture or palette change, not per paint).
  int screen_builds() const { return screen_builds_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TVeldrimon69* owner_;
  const picture::Bitmap* bitmap_ = nullptr;
  QImage screen_image_;       // the bitmap as the screen shows it
  int screen_change_ = -1;    // the owner's picture change it was built for
  int screen_builds_ = 0;
};

// The platform owns the real window frame, so the two-font caption is painted in a strip at the
// top of the client area: the part before "|" in bold "Times New Roman", the rest two pixels
// lower in bold "MS SANS SERIF", shortened character by character until it fits.
class TTitleStrip : public QWidget {
  Q_OBJECT
 public:
  explicit TTitleStrip(QWidget* parent);
  void SetCaption(const std::string& caption);
  const std::string& caption() const { return caption_; }
  // The part of the rest that was drawn at the last paint.
  const std::string& drawn_rest() const { return drawn_rest_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::string caption_;
  std::string drawn_rest_;
};

}  // namespace vr::shell::ui
