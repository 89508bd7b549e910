// "Puzzle-Fun" played through its window: a game of each kind by clicks and arrow keys, with the
// sounds and the win message recorded.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QtTest/QTest>
#include <algorithm>

#include "extras/ui/puzzles_menu.h"
#include "fakes/fake_services.h"
#include "picture/bitmap.h"

namespace vr::extras::ui {
namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "puzzle_window_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

picture::Bitmap Picture(int w, int h) {
  picture::Bitmap bitmap;
  bitmap.Create(w, h, picture::PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w * 3; ++x) bitmap.Row(y)[x] = static_cast<uint8_t>(x * 7 + y);
  }
  return bitmap;
}

class PuzzleWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApp();
    window_ = std::make_unique<TPuzzlesMenu>(services_.services());
    window_->Open(Picture(320, 240));
    QApplication::processEvents();
  }
  void Choose(int game, int level) {
    window_->RGGame->button(game)->click();
    window_->RGLevel->button(level)->click();
  }
  void ClickTileAt(int position) {
    QLabel* tile = window_->TileWidget(window_->model().TileAt(position));
    ASSERT_NE(tile, nullptr);
    QTest::mouseClick(tile, Qt::LeftButton);
  }
  bool Count(const std::string& sound) {
    const auto& played = services_.sounds.played();
    return std::count(played.begin(), played.end(), sound) > 0;
  }
  // Puts every position's own tile there, two clicks a time.
  void SolveBySwaps() {
    for (int p = 1; window_->model().playing() && p <= window_->model().cells(); ++p) {
      if (window_->model().TileAt(p) == p - 1) continue;
      int q = 1;
      while (window_->model().TileAt(q) != p - 1) ++q;
      ClickTileAt(q);
      ClickTileAt(p);
    }
  }

  fakes::FakeServices services_;
  std::unique_ptr<TPuzzlesMenu> window_;
};

TEST_F(PuzzleWindowTest, SlideItByKeysAndCheat) {
  Choose(0, 0);
  window_->BStart->click();
  EXPECT_EQ(window_->BStart->text(), "&Quit Game");
  EXPECT_TRUE(window_->BCheat->isEnabled());
  EXPECT_FALSE(window_->RGGame->button(1)->isEnabled());
  EXPECT_EQ(window_->model().cells(), 9);
  window_->BCheatClick();
  ASSERT_TRUE(window_->model().Solved());
  EXPECT_EQ(window_->model().score(), kStartScore - 2000);
  // The tiles stand where their names say.
  QLabel* tile = window_->TileWidget(4);  // row 2, column 2
  EXPECT_EQ(tile->objectName(), "P_2_2");
  EXPECT_EQ(tile->geometry().topLeft(), window_->TileWidget(3)->geometry().topLeft() +
                                            QPoint(tile->width(), 0));
  services_.clock.Advance(4000);
  QTest::keyRelease(window_.get(), Qt::Key_Left);  // tile 2 into the empty top left
  EXPECT_FALSE(window_->model().Solved());
  QTest::keyRelease(window_.get(), Qt::Key_Right);  // and back: won
  EXPECT_FALSE(window_->model().playing());
  EXPECT_EQ(window_->BStart->text(), "&Start Game");
  // Two clicks, the cheat and at least four seconds (the slides take time on the clock too).
  const int score = window_->model().score();
  EXPECT_LE(score, kStartScore - 2000 - 10 - 4 * 3);
  EXPECT_EQ(services_.ui.MessageTexts().back(), std::string(kWonText) + std::to_string(score));
  EXPECT_TRUE(Count(kSoundIn));
  EXPECT_TRUE(Count(kWinMusic));
}

TEST_F(PuzzleWindowTest, JigSawAndGuessItByClicks) {
  Choose(1, 0);
  window_->BStart->click();
  EXPECT_FALSE(window_->BSwap->isEnabled());
  SolveBySwaps();
  EXPECT_FALSE(window_->model().playing());
  ASSERT_FALSE(services_.ui.MessageTexts().empty());
  EXPECT_EQ(services_.ui.MessageTexts().back().rfind(kWonText, 0), 0u);
  EXPECT_TRUE(Count(kSoundOut));

  services_.ui.Clear();
  Choose(2, 0);
  window_->BStart->click();
  EXPECT_TRUE(window_->model().FaceDown(1));
  window_->BNumbersClick();  // Show Order: the message, the tiles back as they were
  EXPECT_EQ(services_.ui.MessageTexts().front(), kShowOrderText);
  EXPECT_EQ(window_->model().score(), kStartScore - 50);
  SolveBySwaps();
  EXPECT_FALSE(window_->model().playing());
  EXPECT_EQ(services_.ui.MessageTexts().back().rfind(kWonText, 0), 0u);
}

}  // namespace
}  // namespace vr::extras::ui
