#include "colour/ui/dither_progress_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

namespace vr::colour {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "vr_colour_ui_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing Qt down during static destruction crashes the offscreen plugin.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

Bitmap Picture(int w, int h) {
  Bitmap b;
  b.Create(w, h, picture::PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x * 3);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(x ^ y);
    }
  }
  return b;
}

TEST(DitherProgressWindow, ShowsStatusEveryFifthChangeAndDone) {
  App();
  TDitherProgressWindow window;
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Dither Progress Window (Press ESCape To Exit)"));
  QStringList status;
  window.SetStatusSink([&](const QString& text) { status << text; });
  const Bitmap source = Picture(80, 2000);  // 99 percent changes, one every 20 rows
  Bitmap out;
  Palette6 pal6{};
  ReduceRequest request;
  request.colours = 256;
  const ReduceResult r = window.Reduce(source, out, pal6, request, true);
  ASSERT_TRUE(r.done);
  EXPECT_TRUE(window.isVisible());
  ASSERT_GE(status.size(), 3);
  EXPECT_EQ(status.front(), QStringLiteral("Dithering:5% Done..."));
  EXPECT_EQ(status[1], QStringLiteral("Dithering:10% Done..."));
  EXPECT_EQ(status.back(),
            QStringLiteral("Dithering: DONE!  You can TURN OFF this progress window from the "
                           "OPTIONS MENU"));
  EXPECT_EQ(window.StatusText(), status.back());
  EXPECT_EQ(window.Repaints(), status.size() - 1);
}

TEST(DitherProgressWindow, EscapeEndsARunningReduction) {
  App();
  TDitherProgressWindow window;
  const Bitmap source = Picture(80, 2000);
  Bitmap out;
  Palette6 pal6{};
  ReduceRequest request;
  request.colours = 64;
  int last_percent = -1;
  request.progress = [&](int percent, ProgressPhase) {
    last_percent = percent;
    return true;
  };
  // Delivered at the first moment the window lets events through, i.e. mid-run.
  QCoreApplication::postEvent(&window,
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  const ReduceResult r = window.Reduce(source, out, pal6, request, true);
  EXPECT_FALSE(r.done);
  EXPECT_TRUE(r.stopped);
  EXPECT_LT(last_percent, 20);
  EXPECT_FALSE(window.Running());

  // Escape outside a run does nothing, and the next run goes through.
  QCoreApplication::postEvent(&window,
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  QCoreApplication::processEvents();
  EXPECT_TRUE(window.Reduce(source, out, pal6, request, false).done);
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace vr::colour
