// The slide show in the main window on the scripted services: the controls that start and stop
// it, its options window, full screen, failures, GIFs and what a running show holds back. The
// services' clock is settable, so a show's waits pass at once and input is posted at a tick.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "lists/files_list.h"
#include "picture/load/loader.h"
#include "platform/profile_file.h"
#include "shell/screen_fit.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/main_window.h"
#include "shell/ui/panes.h"
#include "shell/ui/slide_show_options.h"
#include "viewer_fixture.h"

namespace vr::shell::ui {
namespace {

// The first picture of a show comes at once; with a delay of one second and loads that take no
// time on the settable clock, entry n comes n seconds later, and input posted between lands in
// the wait for the next one.
class SlideShowUiTest : public ViewerFixture {
 protected:
  std::unique_ptr<TVeldrimon69> StartWith(int files, const std::string& slide_options) {
    WriteSetUpSettings("[SlideShow]\n" + slide_options);
    std::vector<std::string> paths;
    for (int i = 0; i < files; ++i) {
      paths.push_back(WriteBmp("s" + std::to_string(i) + ".bmp", 16 + i, 12));
    }
    auto window = Start(paths);
    QCoreApplication::processEvents();
    return window;
  }

  // A safety stop far beyond any test's input, so that a show that ignores a stop still ends;
  // `used` tells whether it was needed.
  void Safety(TVeldrimon69* window, bool* used) {
    services_.clock.At(services_.clock.TickCount() + 200000, [window, used] {
      *used = true;
      window->StopAnimation();
    });
  }
};

void Press(QWidget* w, Qt::MouseButton button) {
  const QPoint at(w->width() / 2, w->height() / 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button,
                    Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), button, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

constexpr const char* kOnceFromTop =
    "Delay=0\nFullScreen=0\nContinuous=0\nLoopTimes=1\nStartAtTop=1\nRandom=0\n";
constexpr const char* kForeverInWindow =
    "Delay=1\nFullScreen=0\nContinuous=1\nStartAtTop=1\nRandom=0\nWAV WAIT=0\n";

TEST_F(SlideShowUiTest, EveryStartControlRunsAShow) {
  auto window = StartWith(3, kOnceFromTop);
  ASSERT_TRUE(window->slide_button()->isEnabled());
  ASSERT_TRUE(window->action(Act::kDoSlideShow1)->isEnabled());
  const std::vector<std::pair<const char*, std::function<void()>>> starts = {
      {"TBSlide", [&] { QTest::mouseClick(window->slide_button(), Qt::LeftButton); }},
      {"menu entry", [&] { window->action(Act::kDoSlideShow1)->trigger(); }},
      {"right-click entry", [&] { window->action(Act::kPopSlideShow)->trigger(); }},
      {"F12", [&] { QTest::keyClick(window.get(), Qt::Key_F12); }},
      {"F10 in full screen",
       [&] {
         QTimer::singleShot(20, [&] { QTest::keyClick(window->full_screen(), Qt::Key_F10); });
         window->EnterFullScreen(1, false);
       }},
  };
  for (const auto& [name, start] : starts) {
    SCOPED_TRACE(name);
    window->files_list().SetCurrent(2);
    const size_t sleeps = services_.clock.sleeps().size();
    start();
    // Entries 0, 1, 2 with a 1 ms wait before each but the first; back on the one before last.
    EXPECT_EQ(services_.clock.sleeps().size(), sleeps + 2);
    EXPECT_EQ(window->files_list().Current(), 1);
    EXPECT_FALSE(window->slide_show_running());
    EXPECT_FALSE(window->full_screen()->isVisible());
    EXPECT_TRUE(window->slide_button()->isEnabled());
    EXPECT_FALSE(window->stop_button()->isEnabled());
  }
}

TEST_F(SlideShowUiTest, StopControlsEndTheShowAfterThatStepAndALeftPressElsewhereDoesNot) {
  auto window = StartWith(4, kForeverInWindow);
  const std::vector<std::pair<const char*, std::function<void()>>> stops = {
      {"Escape", [&] { QTest::keyClick(window->fit_pane(), Qt::Key_Escape); }},
      {"Page Down", [&] { QTest::keyClick(window.get(), Qt::Key_PageDown); }},
      {"TBStop", [&] { QTest::mouseClick(window->stop_button(), Qt::LeftButton); }},
      {"PopStop", [&] { window->action(Act::kPopStop)->trigger(); }},
      {"Normal Window", [&] { window->action(Act::kPopNormal)->trigger(); }},
      {"right press on the picture", [&] { Press(window->fit_pane(), Qt::RightButton); }},
      {"right press on the status bar", [&] { Press(window->statusBar(), Qt::RightButton); }},
  };
  for (const auto& [name, stop] : stops) {
    SCOPED_TRACE(name);
    bool safety = false;
    Safety(window.get(), &safety);
    const uint32_t start = services_.clock.TickCount();
    bool stop_enabled = false;
    services_.clock.At(start + 1500, [&] {
      stop_enabled = window->stop_button()->isEnabled();
      stop();
    });
    window->DoSlideShow1Click();
    EXPECT_FALSE(safety);
    EXPECT_TRUE(stop_enabled);
    // Stopped in the wait for entry 2: it shows, then the show goes back to entry 1.
    EXPECT_EQ(window->files_list().Current(), 1);
    EXPECT_LT(services_.clock.TickCount() - start, 2000u);
    EXPECT_FALSE(window->slide_show_running());
    services_.clock.Advance(300000);  // the unused safety goes
  }

  // A left press on the picture is swallowed: the show goes on to Escape in a later wait.
  bool safety = false;
  Safety(window.get(), &safety);
  const uint32_t start = services_.clock.TickCount();
  services_.clock.At(start + 1500, [&] { Press(window->fit_pane(), Qt::LeftButton); });
  services_.clock.At(start + 2500, [&] { QTest::keyClick(window.get(), Qt::Key_Escape); });
  window->DoSlideShow1Click();
  EXPECT_FALSE(safety);
  EXPECT_EQ(window->files_list().Current(), 2);
  EXPECT_GE(services_.clock.TickCount() - start, 2500u);
}

TEST_F(SlideShowUiTest, OptionsRoundTripThroughTheSettingsFile) {
  auto window = StartWith(1, "Delay=3\nFullScreen=1\nFullScreenType=1\n");
  TSlideShowMenu* options = window->slide_options();
  ASSERT_NE(options, nullptr);
  bool group_enabled_before = false;
  bool group_enabled_after = true;
  on_dialog_ = [&](QDialog& dialog) {
    ASSERT_EQ(&dialog, options);
    EXPECT_EQ(options->SpinEdit1->value(), 3);
    EXPECT_TRUE(options->full_screen_choice(1)->isChecked());
    group_enabled_before = options->RadioGroup1->isEnabled();
    options->CheckBox1->setChecked(false);
    group_enabled_after = options->RadioGroup1->isEnabled();
    options->SpinEdit1->setValue(12);
    options->full_screen_choice(0)->setChecked(true);
    options->CheckBox2->setChecked(false);
    options->SETimes->setValue(4);
    options->start_choice(2)->setChecked(true);
    options->CBRandom->setChecked(true);
    options->CBWavWait->setChecked(false);
    options->ok_button->click();
  };
  window->action(Act::kChangeOptions1)->trigger();
  EXPECT_EQ(dialogs_, std::vector<std::string>{kSlideOptionsTitle});
  EXPECT_TRUE(group_enabled_before);
  EXPECT_FALSE(group_enabled_after);
  window->close();
  QCoreApplication::processEvents();
  platform::ProfileFile file(dir_.File("VELDR.INI"));
  EXPECT_EQ(file.ReadInteger("SlideShow", "Delay", -1), 12);
  EXPECT_FALSE(file.ReadBool("SlideShow", "FullScreen", true));
  EXPECT_EQ(file.ReadInteger("SlideShow", "FullScreenType", -1), 0);
  EXPECT_FALSE(file.ReadBool("SlideShow", "Continuous", true));
  EXPECT_EQ(file.ReadInteger("SlideShow", "LoopTimes", -1), 4);
  EXPECT_EQ(file.ReadInteger("SlideShow", "StartAtTop", -1), 2);
  EXPECT_TRUE(file.ReadBool("SlideShow", "Random", false));
  EXPECT_FALSE(file.ReadBool("SlideShow", "WAV WAIT", true));
}

TEST_F(SlideShowUiTest, EachFullScreenKindShowsInItsModeAndEverythingComesBackAfter) {
  struct Case {
    int type;
    int mode;
    bool shrink_only;
  };
  for (const Case c : {Case{0, 2, false}, Case{1, 1, false}, Case{2, 1, true}}) {
    SCOPED_TRACE(c.type);
    auto window = StartWith(3, "Delay=1\nFullScreen=1\nContinuous=0\nLoopTimes=1\nStartAtTop=1\n"
                               "FullScreenType=" + std::to_string(c.type) + "\n");
    window->action(Act::kAutoSize)->setChecked(true);
    window->action(Act::kPlayWav)->setChecked(true);
    const QPoint before = window->pos();
    bool visible = false;
    int mode = -1;
    bool shrink = false;
    bool auto_size_during = true;
    bool idle_busy = false;
    services_.clock.At(services_.clock.TickCount() + 1500, [&] {
      visible = window->full_screen()->isVisible();
      mode = window->full_screen()->mode();
      shrink = window->full_screen()->shrink_only();
      auto_size_during = window->action(Act::kAutoSize)->isChecked();
      idle_busy = window->IdleBusy();
    });
    window->DoSlideShow1Click();
    EXPECT_TRUE(visible);
    EXPECT_EQ(mode, c.mode);
    EXPECT_EQ(shrink, c.shrink_only);
    EXPECT_FALSE(auto_size_during);
    EXPECT_TRUE(idle_busy);
    EXPECT_FALSE(window->full_screen()->isVisible());
    EXPECT_EQ(window->pos(), before);
    EXPECT_TRUE(window->action(Act::kAutoSize)->isChecked());
    EXPECT_TRUE(window->action(Act::kPlayWav)->isChecked());
    EXPECT_FALSE(window->IdleBusy());
  }
}

// The pointer rests from the start: hidden two seconds in, back on a movement, hidden again two
// seconds after it, and back with the show's end. Looked at on the show's clock.
TEST_F(SlideShowUiTest, AFullScreenShowHidesThePointerAtRestAndShowsItOnMovement) {
  auto window = StartWith(3, "Delay=1\nFullScreen=1\nFullScreenType=1\nContinuous=1\n"
                             "StartAtTop=1\nRandom=0\n");
  TFullScreen* full = window->full_screen();
  bool safety = false;
  Safety(window.get(), &safety);
  const uint32_t start = services_.clock.TickCount();
  std::vector<std::pair<uint32_t, bool>> seen;  // (ms into the show, pointer hidden)
  const auto look = [&](uint32_t at) {
    services_.clock.At(start + at, [&, at] {
      seen.emplace_back(at, full->isVisible() && full->cursor().shape() == Qt::BlankCursor);
    });
  };
  look(1900);
  look(2100);
  services_.clock.At(start + 2600, [&] {
    QTest::mouseMove(full, QPoint(full->width() / 2, full->height() / 2));
    seen.emplace_back(2600, full->cursor().shape() == Qt::BlankCursor);
  });
  look(4500);
  look(4700);
  services_.clock.At(start + 5000, [&] { window->StopAnimation(); });
  window->DoSlideShow1Click();
  EXPECT_FALSE(safety);
  const std::vector<std::pair<uint32_t, bool>> expected = {
      {1900, false}, {2100, true}, {2600, false}, {4500, false}, {4700, true}};
  EXPECT_EQ(seen, expected);
  EXPECT_NE(full->cursor().shape(), Qt::BlankCursor);

  // A show in the window leaves the pointer alone.
  window = StartWith(2, kForeverInWindow);
  Safety(window.get(), &safety);
  const uint32_t again = services_.clock.TickCount();
  bool hidden = true;
  services_.clock.At(again + 3000, [&] {
    hidden = window->fit_pane()->cursor().shape() == Qt::BlankCursor ||
             window->full_screen()->cursor().shape() == Qt::BlankCursor;
    window->StopAnimation();
  });
  window->DoSlideShow1Click();
  EXPECT_FALSE(hidden);
}

// Fitted full screen, the thread that decodes the next picture fits it too: the window fits only
// the first picture (on screen before the show) itself, and each picture shows as the window
// would have fitted it.
TEST_F(SlideShowUiTest, TheNextPictureIsFittedWithItsDecodeAndShowsAsTheWindowWouldFitIt) {
  WriteSetUpSettings("[SlideShow]\nDelay=1\nFullScreen=1\nFullScreenType=1\nContinuous=0\n"
                     "LoopTimes=1\nStartAtTop=1\nRandom=0\n");
  const std::vector<std::string> paths = {WriteBmp("a.bmp", 40, 30), WriteBmp("b.bmp", 1200, 500),
                                          WriteBmp("c.bmp", 300, 900), WriteBmp("d.bmp", 900, 900)};
  auto window = Start(paths);
  QCoreApplication::processEvents();
  TFullScreen* full = window->full_screen();
  struct Seen {
    Box box;
    picture::Bitmap fitted;
  };
  std::vector<Seen> seen;
  const uint32_t start = services_.clock.TickCount();
  // Picture n is on the screen from n seconds on (the last ends the show as it appears).
  for (uint32_t at : {500u, 1500u, 2500u}) {
    services_.clock.At(start + at, [&] { seen.push_back({full->paint_box(), full->fitted()}); });
  }
  window->DoSlideShow1Click();
  EXPECT_EQ(full->fits_made(), 1);
  ASSERT_EQ(seen.size(), 3u);
  for (size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(paths[i]);
    picture::PictureHolder decoded;
    picture::LoadPicture(paths[i], decoded, picture::DecodeOptions{});
    const QSize screen = full->ScreenSize();
    const FittedPicture want =
        FitToScreen(decoded, ScreenFit{screen.width(), screen.height(), false, window->smoothing()});
    EXPECT_EQ(seen[i].box, want.box);
    ASSERT_EQ(seen[i].fitted.Width(), want.bitmap.Width());
    ASSERT_EQ(seen[i].fitted.Height(), want.bitmap.Height());
    for (int y = 0; y < want.bitmap.Height(); ++y) {
      ASSERT_EQ(0, std::memcmp(seen[i].fitted.Row(y), want.bitmap.Row(y),
                               3 * static_cast<size_t>(want.bitmap.Width())))
          << y;
    }
  }
}

TEST_F(SlideShowUiTest, AFailingFileIsReportedAndTheShowGoesOn) {
  WriteSetUpSettings(std::string("[SlideShow]\n") + kOnceFromTop);
  const std::string a = WriteBmp("a.bmp", 10, 10);
  const std::string bad = dir_.File("b.bmp");
  std::ofstream(bad) << "not a picture";
  const std::string c = WriteBmp("c.bmp", 12, 10);
  auto window = Start({a, bad, c});
  std::vector<std::string> seen;
  services_.clock.At(services_.clock.TickCount() + 1, [&] {
    seen.push_back(window->files_list().FilePathAt(window->files_list().Current()));
  });
  services_.clock.At(services_.clock.TickCount() + 2, [&] {
    seen.push_back(window->files_list().FilePathAt(window->files_list().Current()));
  });
  window->DoSlideShow1Click();
  EXPECT_EQ(seen, (std::vector<std::string>{bad, c}));
  const std::vector<std::string> texts = services_.ui.MessageTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), std::string("Error loading file:") + bad),
            texts.end());
  EXPECT_EQ(window->files_list().Current(), 1);
}

TEST_F(SlideShowUiTest, AnEmptyListOrNoTaggedFilesEndAtOnce) {
  WriteSetUpSettings(std::string("[SlideShow]\n") + kOnceFromTop);
  auto empty = Start();
  EXPECT_FALSE(empty->slide_button()->isEnabled());
  empty->DoSlideShow1Click();  // the key reaches it even when the button is off
  EXPECT_TRUE(services_.clock.sleeps().empty());
  EXPECT_EQ(empty->files_list().Current(), 0);
  EXPECT_FALSE(empty->slide_show_running());
  empty.reset();

  auto window = StartWith(3, "Delay=0\nFullScreen=0\nStartAtTop=2\nContinuous=0\n");
  window->files_list().SetCurrent(2);
  window->DoSlideShow1Click();
  EXPECT_EQ(services_.ui.last().text, kNoTaggedFilesNotice);
  EXPECT_EQ(window->files_list().Current(), 2);
  EXPECT_TRUE(window->slide_button()->isEnabled());
}

TEST_F(SlideShowUiTest, AnAnimatedGifShowsItsFirstFrameAndAnimatesAfterTheShow) {
  WriteSetUpSettings(std::string("[SlideShow]\n") + kOnceFromTop);
  const std::string a = WriteBmp("a.bmp", 10, 10);
  const std::string gif = dir_.File("b_anim.gif");
  const std::vector<uint8_t> bytes = TwoFrameGif();
  std::ofstream(gif, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const std::string c = WriteBmp("c.bmp", 10, 10);
  auto window = Start({a, gif, c});
  window->action(Act::kGifContinuous)->setChecked(false);  // one pass after the show
  const int frames_before = window->gif_frames_drawn();
  int frames_during = -1;
  services_.clock.At(services_.clock.TickCount() + 1, [&] {
    frames_during = window->gif_frames_drawn();
  });
  window->DoSlideShow1Click();
  EXPECT_EQ(frames_during, frames_before);
  // The show ends on the GIF (the entry one step before the last) and plays it.
  EXPECT_EQ(window->files_list().Current(), 1);
  EXPECT_GT(window->gif_frames_drawn(), frames_during);
}

TEST_F(SlideShowUiTest, CloseIsRefusedDuringAShowAndStopsIt) {
  auto window = StartWith(4, kForeverInWindow);
  bool safety = false;
  Safety(window.get(), &safety);
  bool refused = false;
  services_.clock.At(services_.clock.TickCount() + 1500, [&] {
    refused = !window->close();
  });
  window->DoSlideShow1Click();
  EXPECT_FALSE(safety);
  EXPECT_TRUE(refused);
  EXPECT_EQ(services_.ui.last().text, kBusyCloseWarning);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->slide_show_running());
}


TEST_F(SlideShowUiTest, ThePictureOnScreenIsNotReadAgainUnlessItWasChanged) {
  auto window = StartWith(4, "Delay=0\nFullScreen=0\nContinuous=0\nLoopTimes=1\nStartAtTop=0\n"
                             "Random=0\nWAV WAIT=0\n");
  auto load_errors = [&] {
    int n = 0;
    for (const auto& call : services_.ui.calls()) {
      n += call.text.rfind(kLoadErrorText, 0) == 0 ? 1 : 0;
    }
    return n;
  };
  // Entry 1 is on screen when the show starts there: its file is not read again (it is gone).
  window->files_list().SetCurrent(1);
  window->ShowCurrentFile(false, 1);
  const std::string second = window->files_list().FilePathAt(1);
  std::filesystem::remove(second);
  window->DoSlideShow1Click();
  EXPECT_EQ(load_errors(), 0);
  EXPECT_EQ(window->files_list().Current(), 2);  // entries 1, 2, 3 and back one

  // A mirrored picture is no longer the file's: the show reads the file (and reports it gone).
  window->files_list().SetCurrent(3);
  window->ShowCurrentFile(false, 1);
  window->action(Act::kMirror1)->trigger();
  std::filesystem::remove(window->files_list().FilePathAt(3));
  window->DoSlideShow1Click();
  // Read at its step, and again when the show returns to it.
  EXPECT_EQ(load_errors(), 2);
}

TEST_F(SlideShowUiTest, ReloadReadsAnyFileAgainAndAnAnimationHoldsOffTheEntriesThatStartShows) {
  WriteSetUpSettings(std::string("[SlideShow]\n") + kOnceFromTop);
  const std::string bmp = WriteBmp("a.bmp", 10, 10);
  const std::string gif = dir_.Write("b_anim.gif", TwoFrameGif(5));
  auto window = Start({bmp, gif});
  QCoreApplication::processEvents();
  // A file changed on disk shows anew by the button, the F11 entry and the key.
  QToolButton* reload = window->reload_button();
  ASSERT_NE(reload, nullptr);
  ASSERT_TRUE(reload->isEnabled());
  ASSERT_TRUE(window->action(Act::kPopGifStart)->isEnabled());
  WriteBmp("a.bmp", 12, 10);
  QTest::mouseClick(reload, Qt::LeftButton);
  EXPECT_EQ(window->shown().Width(), 12);
  WriteBmp("a.bmp", 14, 10);
  window->action(Act::kPopGifStart)->trigger();
  EXPECT_EQ(window->shown().Width(), 14);
  WriteBmp("a.bmp", 16, 10);
  QTest::keyClick(window.get(), Qt::Key_F11);
  EXPECT_EQ(window->shown().Width(), 16);

  // While the GIF plays: the busy pointer; no show, reload or full screen can start.
  window->action(Act::kGifContinuous)->setChecked(true);
  window->files_list().SetCurrent(1);
  struct Seen {
    bool busy_cursor = false, slide = true, reload = true, full = true, stop = false;
  } seen;
  // The frames of a 1 x 1 GIF come without waits, so the look is taken on a real timer.
  QTimer::singleShot(50, [&] {
    seen.busy_cursor = QGuiApplication::overrideCursor() != nullptr &&
                       QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
    seen.slide = window->slide_button()->isEnabled() ||
                 window->action(Act::kDoSlideShow1)->isEnabled();
    seen.reload = window->reload_button()->isEnabled() ||
                  window->action(Act::kPopGifStart)->isEnabled();
    seen.full = window->action(Act::kFullFit)->isEnabled();
    seen.stop = window->stop_button()->isEnabled();
    QTest::mouseClick(window->stop_button(), Qt::LeftButton);
  });
  window->ShowCurrentFile(false, 1);
  EXPECT_TRUE(seen.busy_cursor);
  EXPECT_FALSE(seen.slide);
  EXPECT_FALSE(seen.reload);
  EXPECT_FALSE(seen.full);
  EXPECT_TRUE(seen.stop);
  EXPECT_FALSE(window->gif_animating());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(window->slide_button()->isEnabled());
  EXPECT_TRUE(window->reload_button()->isEnabled());
  EXPECT_TRUE(window->action(Act::kFullFit)->isEnabled());
}

TEST_F(SlideShowUiTest, AnAnimationPlaysFullScreenFittedAndCentred) {
  WriteSetUpSettings(std::string("[SlideShow]\n") + kOnceFromTop);
  const std::string bmp = WriteBmp("a.bmp", 10, 10);
  const std::string gif = dir_.Write("b_anim.gif", TwoFrameGif(5));
  auto window = Start({bmp, gif});
  QCoreApplication::processEvents();
  window->action(Act::kGifContinuous)->setChecked(false);
  window->files_list().SetCurrent(1);
  window->ShowCurrentFile(false, 1);  // one pass
  window->action(Act::kGifContinuous)->setChecked(true);
  // In full screen F11 plays the GIF; each frame reaches the full-screen window.
  std::vector<uint32_t> pixels;
  std::vector<int> widths;
  // Once the animation has stopped and the full-screen loop runs again, Escape leaves it; ten
  // seconds end everything on a machine where sampling never completes.
  QElapsedTimer waited;
  waited.start();
  std::function<void()> leave = [&] {
    if (window->full_screen()->looping() && !window->gif_animating()) {
      QTest::keyClick(window->full_screen(), Qt::Key_Escape);
    } else if (window->full_screen()->isVisible()) {
      if (waited.elapsed() > 10000) window->action(Act::kPopNormal)->trigger();
      QTimer::singleShot(5, leave);
    }
  };
  std::function<void()> sample = [&] {
    const picture::Bitmap& fitted = window->full_screen()->fitted();
    if (!fitted.Empty()) {
      const int bytes = std::max(1, fitted.Bits() / 8);
      const uint8_t* at = fitted.Row(fitted.Height() / 2) + (fitted.Width() / 2) * bytes;
      uint32_t value = 0;
      for (int i = 0; i < bytes; ++i) value = (value << 8) | at[i];
      pixels.push_back(value);
      widths.push_back(fitted.Width());
    }
    const bool both = !pixels.empty() && std::count(pixels.begin(), pixels.end(),
                                                    pixels.front()) != std::ssize(pixels);
    if (!both && waited.elapsed() < 10000) {
      QTimer::singleShot(5, sample);
    } else {
      QTest::keyClick(window->full_screen(), Qt::Key_Escape);  // stops the animation
      QTimer::singleShot(5, leave);
    }
  };
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(5, sample);
    QTest::keyClick(window->full_screen(), Qt::Key_F11);
  });
  window->EnterFullScreen(1, false);
  EXPECT_FALSE(window->full_screen()->isVisible());
  // Both frames were seen, fitted to the screen's height (a 1 x 1 picture grows to fit).
  ASSERT_FALSE(pixels.empty());
  EXPECT_NE(std::count(pixels.begin(), pixels.end(), pixels.front()), std::ssize(pixels));
  const Box& box = window->full_screen()->paint_box();
  EXPECT_GT(widths.front(), 1);
  EXPECT_EQ(box.left, (window->full_screen()->width() - 4 - box.width) / 2);
}

}  // namespace
}  // namespace vr::shell::ui
