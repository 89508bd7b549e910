#pragma once
// The full-screen window: a black frameless window placed at -2, -2 and 4 pixels larger than the
// screen, so its frame lies off the screen. It shows the picture fitted (mode 1, optionally
// shrink-only) or at its natural size with scrolling (mode 2), and runs a modal loop until a key
// or mouse action sets a request code.

#include <QEventLoop>
#include <QImage>
#include <QWidget>
#include <functional>

#include "picture/bitmap.h"
#include "picture/picture_holder.h"
#include "shell/layout.h"
#include "shell/screen_fit.h"
#include "shell/screen_palette.h"

namespace vr::shell::ui {

// Request codes of the full-screen loop and the slide show.
inline constexpr int kRequestNone = 0;
inline constexpr int kRequestStop = 27;
inline constexpr int kRequestTag = 32;
inline constexpr int kRequestPrevious = 33;
inline constexpr int kRequestNext = 34;
inline constexpr int kRequestRedisplay = 86;
inline constexpr int kRequestRestartGif = 120;
inline constexpr int kRequestSlideShow = 121;
// The slide show exists: its entries follow the list and F12 is taken.
inline constexpr bool kSlideShowBuilt = true;

class TFullScreen : public QWidget {
  Q_OBJECT
 public:
  explicit TFullScreen(QWidget* parent = nullptr);

  // Prepares the picture for the mode and shows it. `same_file` keeps the scroll position in
  // mode 2.
  void ShowPicture(const picture::PictureHolder& picture, int mode, bool shrink_only,
                   bool same_file, bool smooth);
  // The two halves: Prepare fits (or converts) the picture aside while the window goes on
  // showing the one before; Present makes it the shown one and paints. `picture` must live
  // until it is replaced.
  // A fit made elsewhere of this very picture for this screen (`ready`, may be null) is taken
  // instead of fitting again.
  void Prepare(const picture::PictureHolder& picture, int mode, bool shrink_only, bool same_file,
               bool smooth, FittedPicture* ready = nullptr);
  void Present();
  // Runs the modal loop until a request arrives; gives the request code.
  int RunLoop();
  // Sets a request (ends the loop).
  void SetRequest(int code);
  // On a palette screen the shown picture's palette is realised here and the fitted picture is
  // drawn through it; nullptr on deeper screens.
  void SetScreenPalette(ScreenPalette* palette) { screen_palette_ = palette; }
  const picture::Bitmap& fitted() const { return fitted_; }
  int mode() const { return mode_; }
  bool shrink_only() const { return shrink_only_; }
  // Keys the window passes to the main window's key handling, and its Delete key.
  void SetKeyPassOn(std::function<void(int code)> pass_on) { pass_on_ = std::move(pass_on); }
  void SetDeleteKey(std::function<void()> on_delete) { on_delete_ = std::move(on_delete); }
  const Box& paint_box() const { return paint_box_; }
  int scroll_x() const { return scroll_x_; }
  int scroll_y() const { return scroll_y_; }
  bool looping() const { return loop_.isRunning(); }
  // The screen the window covers, in device pixels: pictures are fitted to it and an actual-size
  // picture shows one picture pixel per device pixel (on a high-density screen too).
  QSize ScreenSize() const;
  // Fits made here (not taken ready-made), for tests.
  int fits_made() const { return fits_made_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Scrolls by a step in logical pixels (the scroll position is kept in device pixels).
  void ScrollBy(int dx, int dy);
  QSize LogicalScreenSize() const;

  // A picture prepared and not yet presented.
  struct Prepared {
    const picture::PictureHolder* picture = nullptr;
    picture::Bitmap fitted;
    QImage actual;
    Box box;
    int mode = 0;
    bool shrink_only = false;
    bool same_file = false;
  };
  Prepared prepared_;
  const picture::PictureHolder* picture_ = nullptr;
  picture::Bitmap fitted_;
  QImage actual_image_;  // the picture at natural size as the screen shows it (actual mode)
  ScreenPalette* screen_palette_ = nullptr;
  Box paint_box_;  // device pixels, as are the scroll position and the pictures
  qreal ratio_ = 1;  // device pixels per logical pixel of the screen
  int mode_ = 0;
  bool shrink_only_ = false;
  std::function<void(int)> pass_on_;
  std::function<void()> on_delete_;
  int scroll_x_ = 0;
  int scroll_y_ = 0;
  int request_ = 0;
  int fits_made_ = 0;
  QEventLoop loop_;
};

}  // namespace vr::shell::ui
