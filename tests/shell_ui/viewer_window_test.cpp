// The main window's screen-dependent parts with the scripted services: the loading percentage in
// status panel 0, the hint colour and large fonts, the media pane, and palette realisation on a
// 256-colour display depth.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <QtTest/QTest>
#include <algorithm>
#include <filesystem>

#include "fakes/fake_services.h"
#include "lists/files_list.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/preview_form.h"
#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "shell/ui/main_window.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/media_pane.h"
#include "shell/ui/panes.h"
#include "test_support/temp_dir.h"
#include "viewer_fixture.h"

namespace vr::shell::ui {
namespace {

// Records the text a label shows each time it is painted.
class PaintRecorder : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      texts.push_back(static_cast<QLabel*>(watched)->text().toStdString());
    }
    return false;
  }
  std::vector<std::string> texts;
};

// An 8-bit checkerboard of `palette`'s colours.
picture::Bitmap Checkerboard(int w, int h, const std::vector<picture::Rgb>& palette) {
  picture::Bitmap bitmap;
  bitmap.Create(w, h, picture::PixelFormat::k8);
  bitmap.SetPalette(palette);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) bitmap.Row(y)[x] = static_cast<uint8_t>((x + y) % palette.size());
  }
  return bitmap;
}

class ViewerWindowTest : public ViewerFixture {
 protected:
  ViewerWindowTest() { WriteSetUpSettings(); }
  ~ViewerWindowTest() override { QApplication::setFont(saved_font_); }

  QFont saved_font_ = QApplication::font();
};

TEST_F(ViewerWindowTest, LoadingPercentageIsPaintedWhileTheFileDecodes) {
  auto window = Start();
  const std::string path = WriteBmp("big.bmp", 1200, 900);
  auto* panel = window->findChild<QLabel*>("Loading Status:");
  ASSERT_NE(panel, nullptr);
  PaintRecorder recorder;
  panel->installEventFilter(&recorder);
  window->RecordDroppedFiles({path}, true);
  panel->removeEventFilter(&recorder);
  const auto& t = recorder.texts;
  // The start text and the finished percentage were on the screen during the load, in order.
  const auto start = std::find(t.begin(), t.end(), "Loading Status:%00 done...   ");
  const auto done = std::find(t.begin(), t.end(), "Loading Status:%100 done...");
  ASSERT_NE(start, t.end());
  ASSERT_NE(done, t.end());
  EXPECT_LT(start - t.begin(), done - t.begin());
  // Only percentages in between, and the view's text once the load ended.
  for (auto it = start; it != done; ++it) EXPECT_EQ(it->rfind("Loading Status:%", 0), 0u) << *it;
  EXPECT_EQ(window->StatusPanel(0), "View:RE-Size To Fit");
  EXPECT_EQ(window->shown().Width(), 1200);
}

TEST_F(ViewerWindowTest, HintColourAndLargeFontsFollowTheWindowFont) {
  QFont small = saved_font_;
  small.setPixelSize(11);
  QApplication::setFont(small);
  {
    auto window = Start();
    EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), QColor(255, 255, 192));
    EXPECT_EQ(window->findChild<QToolButton*>("TBLoad")->toolTipDuration(), kHintShowMs);
    EXPECT_FALSE(window->large_fonts());
    auto* bar = window->findChild<QToolBar*>("LoadBar");
    ASSERT_NE(bar, nullptr);
    EXPECT_LT(bar->minimumHeight(), kLargeFontRowSize);
  }
  QFont large = saved_font_;
  large.setPixelSize(16);
  QApplication::setFont(large);
  auto window = Start();
  EXPECT_TRUE(window->large_fonts());
  for (const char* name : {"LoadBar", "ViewBar"}) {
    auto* bar = window->findChild<QToolBar*>(name);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimumHeight(), kLargeFontRowSize) << name;
  }
  auto* load = window->findChild<QToolButton*>("TBLoad");
  ASSERT_NE(load, nullptr);
  EXPECT_EQ(load->width(), load->sizeHint().width() + kLargeFontLoadWider);
  // The files list window's view toggle is widened when the window is made.
  window->FileListWindow1Click();
  ASSERT_NE(window->list_window(), nullptr);
  QToolButton* thumbs = window->list_window()->TBThumbs();
  EXPECT_EQ(thumbs->minimumWidth(), thumbs->sizeHint().width() + kLargeFontViewToggleWider);
  window->list_window()->close();
}

TEST_F(ViewerWindowTest, MediaFileShowsThePaneAndAnUnplayableOneSaysSo) {
  dir_.WriteText("a_clip.avi", "this is no movie at all");
  dir_.WriteText("b_film.fli", "nor is this");
  const std::string picture = WriteBmp("c_pic.bmp", 40, 30);
  auto window = Start({dir_.Path()});
  ASSERT_EQ(window->files_list().Count(), 3);
  TMediaPane* pane = window->media_pane();
  ASSERT_NE(pane, nullptr);
  // The AVI (first in the list) went to the media pane; the picture panes gave way.
  EXPECT_TRUE(pane->isVisible());
  EXPECT_FALSE(window->fit_pane()->isVisible());
  EXPECT_FALSE(window->findChild<QScrollArea*>("ScrollBox1")->isVisible());
  EXPECT_EQ(pane->display()->objectName(), "PanelMM0");
  EXPECT_GE(pane->display()->width(), 320);
  // The player reports the file as unplayable (asynchronously with Qt Multimedia).
  EXPECT_TRUE(QTest::qWaitFor([&] { return !pane->message().isEmpty(); }, 15000));
  EXPECT_TRUE(pane->message().startsWith("This file cannot be played here:\na_clip.avi"))
      << pane->message().toStdString();
  EXPECT_TRUE(window->caption_text().find("a_clip.avi") != std::string::npos);

  // An FLI movie that cannot be read says so at once.
  window->GoNext();
  EXPECT_TRUE(pane->isVisible());
  EXPECT_TRUE(pane->message().contains("b_film.fli")) << pane->message().toStdString();

  // A picture hides the pane, stops the player and brings the fit view back.
  window->GoNext();
  QCoreApplication::processEvents();
  EXPECT_FALSE(pane->isVisible());
  EXPECT_TRUE(pane->file().empty());
  EXPECT_TRUE(window->fit_pane()->isVisible());
  EXPECT_EQ(window->shown().Width(), 40);
}

// Every pixel of the display bitmap, as red, green, blue.
std::vector<picture::Rgb> DisplayColours(const picture::Bitmap& display) {
  std::vector<picture::Rgb> out;
  for (int y = 0; y < display.Height(); ++y) {
    for (int x = 0; x < display.Width(); ++x) {
      const uint8_t* px = display.Row(y) + 3 * x;
      out.push_back(picture::Rgb{px[2], px[1], px[0]});
    }
  }
  return out;
}

TEST_F(ViewerWindowTest, At256ColoursTheDisplayIsBuiltThroughThePicturesPalette) {
  const std::vector<picture::Rgb> four = {picture::Rgb{0, 0, 0}, picture::Rgb{255, 0, 0},
                                          picture::Rgb{0, 0, 255}, picture::Rgb{255, 255, 255}};
  const std::string path = WriteBmp("four.bmp", Checkerboard(1200, 900, four));
  // The second picture, for the actual-size pane: true colour, mostly outside any table.
  const std::string gradient = WriteBmp("gradient.bmp", 90, 60);
  auto window = Start({path, gradient});
  ASSERT_EQ(window->shown().Width(), 1200);
  const Box box = window->fit_pane()->paint_box();
  ASSERT_GT(box.width, 0);
  auto in_palette = [&four](const picture::Rgb& c) {
    return std::find(four.begin(), four.end(), c) != four.end();
  };
  // True colour: smoothing the shrunken checkerboard gives colours between the four.
  const picture::Bitmap* display = window->DisplayBitmapFor(box.width, box.height);
  ASSERT_NE(display, nullptr);
  std::vector<picture::Rgb> colours = DisplayColours(*display);
  EXPECT_FALSE(std::all_of(colours.begin(), colours.end(), in_palette));
  EXPECT_TRUE(window->screen_palette().realised().empty());

  // "Windows Screen 256 Colors": the picture's palette is realised and the display uses it.
  window->action(Act::kScreen256)->trigger();
  // The loaded picture carries its table at full length; its first entries are the file's.
  const std::vector<picture::Rgb>& realised = window->screen_palette().realised();
  ASSERT_GE(realised.size(), four.size());
  EXPECT_TRUE(std::equal(four.begin(), four.end(), realised.begin()));
  display = window->DisplayBitmapFor(box.width, box.height);
  ASSERT_NE(display, nullptr);
  colours = DisplayColours(*display);
  EXPECT_TRUE(std::all_of(colours.begin(), colours.end(), in_palette));

  // The full-screen window realises the same palette and draws the fitted picture through it.
  TFullScreen* full = window->full_screen();
  std::vector<picture::Rgb> full_colours;
  QTimer::singleShot(50, [&] {
    full_colours = DisplayColours(full->fitted());
    full->SetRequest(kRequestStop);
  });
  window->EnterFullScreen(1, false);
  ASSERT_FALSE(full_colours.empty());
  EXPECT_TRUE(std::all_of(full_colours.begin(), full_colours.end(), in_palette));

  // Back to true colour: the in-between colours return.
  window->action(Act::kScreenTrue)->trigger();
  display = window->DisplayBitmapFor(box.width, box.height);
  ASSERT_NE(display, nullptr);
  colours = DisplayColours(*display);
  EXPECT_FALSE(std::all_of(colours.begin(), colours.end(), in_palette));
  QTimer::singleShot(50, [&] {
    full_colours = DisplayColours(full->fitted());
    full->SetRequest(kRequestStop);
  });
  window->EnterFullScreen(1, false);
  EXPECT_FALSE(std::all_of(full_colours.begin(), full_colours.end(), in_palette));

  // The actual-size pane at true colour: the picture's own pixels, nothing mapped.
  window->action(Act::kViewActual)->trigger();
  window->GoNext();
  QCoreApplication::processEvents();
  ASSERT_EQ(window->shown().Width(), 90);
  ASSERT_EQ(window->shown().bitmap.Bits(), 24);
  TActualPane* actual = window->actual_pane();
  const picture::Bitmap source = GradientBitmap(90, 60);
  QImage shown = actual->grab().toImage();
  ASSERT_GE(shown.width(), 90);
  ASSERT_GE(shown.height(), 60);
  int differing = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 90; ++x) {
      const uint8_t* px = source.Row(y) + 3 * x;
      if (shown.pixelColor(x, y) != QColor(px[2], px[1], px[0])) ++differing;
    }
  }
  EXPECT_EQ(differing, 0);

  // At 256 colours every pixel of the actual-size pane is a realised colour, and the split
  // view's upper pane is the same panel.
  window->action(Act::kScreen256)->trigger();
  window->action(Act::kViewSplit)->trigger();
  QCoreApplication::processEvents();
  ASSERT_EQ(window->shown().Width(), 90);
  const std::vector<picture::Rgb>& table = window->screen_palette().realised();
  ASSERT_FALSE(table.empty());
  shown = actual->grab().toImage();
  int outside = 0;
  differing = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 90; ++x) {
      const QColor c = shown.pixelColor(x, y);
      const picture::Rgb rgb{static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                             static_cast<uint8_t>(c.blue())};
      if (std::find(table.begin(), table.end(), rgb) == table.end()) ++outside;
      const uint8_t* px = source.Row(y) + 3 * x;
      if (c != QColor(px[2], px[1], px[0])) ++differing;
    }
  }
  EXPECT_EQ(outside, 0);
  EXPECT_GT(differing, 0);
  // The mapped image is built once per change; painting again only copies it.
  const int builds = actual->screen_builds();
  (void)actual->grab();
  (void)actual->grab();
  EXPECT_EQ(actual->screen_builds(), builds);

  // Full screen at actual size shows the picture through the same realised palette.
  QImage full_image;
  Box full_box;
  QTimer::singleShot(50, [&] {
    full_image = full->grab().toImage();
    full_box = full->paint_box();
    QTest::keyClick(full, Qt::Key_Escape);
  });
  window->EnterFullScreen(2, false);
  ASSERT_FALSE(full_image.isNull());
  outside = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 90; ++x) {
      // The window starts 2 pixels off the screen's corner.
      const QColor c = full_image.pixelColor(full_box.left + 2 + x, full_box.top + 2 + y);
      const picture::Rgb rgb{static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                             static_cast<uint8_t>(c.blue())};
      if (std::find(table.begin(), table.end(), rgb) == table.end()) ++outside;
    }
  }
  EXPECT_EQ(outside, 0);
}

TEST_F(ViewerWindowTest, ListWindowTakesTheThumbnailSizeAndPreviewsCloseAtShutdown) {
  dir_.WriteText("VELDR.INI",
                 "[General]\nSetup=YES\nVersion=Veldrimon 2.1.3\nDate_UpdateMessageShown=45000\n"
                 "[Special]\nThumb_Width=100\nThumb_Height=125\n");
  const std::string picture = WriteBmp("one.bmp", 30, 20);
  auto window = Start({picture});
  window->FileListWindow1Click();
  list_window::TFileListMenu* list = window->list_window();
  ASSERT_NE(list, nullptr);
  const QSize grid = list->ThumbView()->gridSize();
  EXPECT_EQ(grid.width(), 100 + 12);
  EXPECT_GT(grid.height(), 125);
  // The right-click menu's "&Previews" entries are the preview windows' commands.
  QMenu* previews = nullptr;
  for (QMenu* m : window->picture_menu()->findChildren<QMenu*>()) {
    if (m->title() == "&Previews") previews = m;
  }
  ASSERT_NE(previews, nullptr);
  EXPECT_TRUE(previews->isEnabled());
  QAction* next = nullptr;
  for (QAction* a : previews->actions()) {
    if (a->text() == list_window::kDisplayNextCaption) next = a;
  }
  ASSERT_NE(next, nullptr);
  ASSERT_NE(list->previews().OpenPreview(picture), nullptr);
  EXPECT_EQ(list->previews().OpenCount(), 1);
  // The open preview is listed in the copy too.
  bool listed = false;
  for (QAction* a : previews->actions()) listed = listed || a->text() == "one.bmp";
  EXPECT_TRUE(listed);
  window->close();
  EXPECT_EQ(list->previews().OpenCount(), 0);
}

TEST_F(ViewerWindowTest, AutoSizeFitsTheWindowToEveryPictureShown) {
  const std::string a = WriteBmp("a.bmp", 300, 200);
  const std::string b = WriteBmp("b.bmp", 500, 150);
  auto window = Start();
  window->action(Act::kAutoSize)->setChecked(true);
  window->RecordDroppedFiles({a, b}, true);
  QCoreApplication::processEvents();
  ASSERT_EQ(window->shown().Width(), 300);
  // The fit pane's paint box is the picture's own size: the window was sized around it.
  EXPECT_EQ(window->fit_pane()->paint_box(), (Box{0, 0, 300, 200}));
  window->GoNext();
  QCoreApplication::processEvents();
  ASSERT_EQ(window->shown().Width(), 500);
  EXPECT_EQ(window->fit_pane()->paint_box(), (Box{0, 0, 500, 150}));
  // A picture taller than the work area: the window stops at the work area's height.
  const std::string tall = WriteBmp("c.bmp", 200, 3000);
  window->RecordDroppedFiles({tall}, true);
  QCoreApplication::processEvents();
  ASSERT_EQ(window->shown().Height(), 3000);
  const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(window->frameGeometry().height(), work.height());
  EXPECT_GE(window->frameGeometry().height(), work.height() - 1);
  // Status panels are as wide as their text plus 15 pixels.
  auto* panel = window->findChild<QLabel*>("Width:");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(window->StatusPanel(2), "Width:200");
  EXPECT_EQ(panel->width(), panel->fontMetrics().horizontalAdvance("Width:200") + 15);
}

TEST_F(ViewerWindowTest, FitPanePaintsTheCurrentPictureAndBlackAroundIt) {
  // Two pictures of one size and shape: red, then blue, so the display bitmap's size stays.
  const std::vector<picture::Rgb> red = {picture::Rgb{255, 0, 0}};
  const std::vector<picture::Rgb> blue = {picture::Rgb{0, 0, 255}};
  const std::string a = WriteBmp("a.bmp", Checkerboard(400, 100, red));
  const std::string b = WriteBmp("b.bmp", Checkerboard(400, 100, blue));
  auto window = Start({a, b});
  TFitPane* pane = window->fit_pane();
  auto colour_at = [&](int x, int y) { return pane->grab().toImage().pixelColor(x, y); };
  const Box box = pane->paint_box();
  ASSERT_GT(box.top, 10);  // a wide picture: free space above and below
  const int cx = TFitPane::kMargin + box.left + box.width / 2;
  const int cy = TFitPane::kMargin + box.top + box.height / 2;
  EXPECT_EQ(colour_at(cx, cy), QColor(255, 0, 0));
  EXPECT_EQ(colour_at(cx, TFitPane::kMargin + box.top / 2), QColor(0, 0, 0));
  const int rebuilds = window->display_rebuilds();
  window->GoNext();
  QCoreApplication::processEvents();
  EXPECT_EQ(pane->paint_box(), box);
  EXPECT_EQ(colour_at(cx, cy), QColor(0, 0, 255));  // not the red of the last paint
  EXPECT_GT(window->display_rebuilds(), rebuilds);
  // Painting again without a change keeps the display bitmap.
  const int now = window->display_rebuilds();
  EXPECT_EQ(colour_at(cx, cy), QColor(0, 0, 255));
  EXPECT_EQ(window->display_rebuilds(), now);
}

TEST_F(ViewerWindowTest, FullScreenActualSizeScrollsAndVSwitchesToFit) {
  const std::string big = WriteBmp("big.bmp", 3000, 2500);
  auto window = Start({big});
  TFullScreen* full = window->full_screen();
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  std::vector<std::pair<int, int>> scrolls;
  int mode_after_v = -1;
  Box fit_box;
  auto record = [&] { scrolls.emplace_back(full->scroll_x(), full->scroll_y()); };
  QTimer::singleShot(50, [&] {
    record();                                     // 0, 0
    QTest::keyClick(full, Qt::Key_Right);
    QTest::keyClick(full, Qt::Key_Right);
    record();                                     // 30, 0
    QTest::keyClick(full, Qt::Key_Left);
    QTest::keyClick(full, Qt::Key_Down);
    record();                                     // 15, 15
    QTest::keyClick(full, Qt::Key_F1);            // a wheel turn down: 20
    record();                                     // 15, 35
    QWheelEvent up(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 240), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(full, &up);           // two turns up: not above 0
    record();                                     // 15, 0
    QTest::keyClick(full, Qt::Key_V);             // redisplay in the other mode
    QTimer::singleShot(50, [&] {
      mode_after_v = full->mode();
      fit_box = full->paint_box();
      QTest::keyClick(full, Qt::Key_Escape);
    });
  });
  window->EnterFullScreen(2, false);
  ASSERT_EQ(scrolls.size(), 5u);
  EXPECT_EQ(scrolls[0], std::make_pair(0, 0));
  EXPECT_EQ(scrolls[1], std::make_pair(30, 0));
  EXPECT_EQ(scrolls[2], std::make_pair(15, 15));
  EXPECT_EQ(scrolls[3], std::make_pair(15, 35));
  EXPECT_EQ(scrolls[4], std::make_pair(15, 0));
  EXPECT_EQ(mode_after_v, 1);
  // Fitted to the screen, keeping the picture's shape.
  EXPECT_TRUE(fit_box.width == screen.width() || fit_box.height == screen.height());
  EXPECT_LE(fit_box.width, screen.width());
  EXPECT_LE(fit_box.height, screen.height());
  EXPECT_FALSE(full->isVisible());
}

}  // namespace
}  // namespace vr::shell::ui
