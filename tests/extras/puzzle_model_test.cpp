// The puzzle games as data: seeded games, moves at every edge, swaps, the cheat and the score.
#include "extras/puzzle_model.h"

#include <gtest/gtest.h>

namespace vr::extras {
namespace {

using Arrow = PuzzleModel::Arrow;

struct Recorder {
  std::vector<std::string> sounds;
  int moves = 0;
  PuzzleModel::Hooks Hooks() {
    PuzzleModel::Hooks hooks;
    hooks.sound = [this](const char* s) { sounds.emplace_back(s); };
    hooks.moved = [this](int, int, int) { ++moves; };
    return hooks;
  }
};

TEST(PuzzleSizes, GridsHintsFitAndSlideSteps) {
  EXPECT_EQ(GridSize(PuzzleGame::kSlideIt, PuzzleLevel::kEasy), 3);
  EXPECT_EQ(GridSize(PuzzleGame::kSlideIt, PuzzleLevel::kExpert), 5);
  EXPECT_EQ(GridSize(PuzzleGame::kJigSaw, PuzzleLevel::kHard), 6);
  EXPECT_EQ(GridSize(PuzzleGame::kGuessIt, PuzzleLevel::kExpert), 8);
  // Wider box than picture: height fills; equal heights keep the width.
  const FittedSize wide = FitPuzzlePicture(200, 100, 500, 300);
  EXPECT_EQ(wide.width, 500);
  EXPECT_EQ(wide.height, 250);
  const FittedSize tall = FitPuzzlePicture(100, 200, 500, 300);
  EXPECT_EQ(tall.height, 300);
  EXPECT_EQ(tall.width, 150);
  EXPECT_EQ(FitPuzzlePicture(100, 300, 500, 300).width, 100);
  EXPECT_EQ(FitPuzzlePicture(0, 0, 0, 0).width, 1);
  // 100 x 10 / 250 = 4; 50 x 10 / 100 = 5; 25 x 10 / 100 = 2.5 -> 2 (halves to even).
  EXPECT_EQ(SlideStep(100, 10, 250), 4);
  EXPECT_EQ(SlideStep(50, 0, 100), 5);
  EXPECT_EQ(SlideStep(25, 10, 100), 2);
  EXPECT_EQ(SlideStep(35, 10, 100), 4);
  EXPECT_EQ(SlideStep(1, 10, 250), 1);
}

TEST(SlideIt, FreshGridIsSolvedWithTheTopLeftEmptyAndMovesAtEveryEdge) {
  Recorder rec;
  PuzzleModel model(rec.Hooks());
  model.Build(PuzzleGame::kSlideIt, PuzzleLevel::kEasy);
  int tiles = 0;
  for (int p = 1; p <= 9; ++p) tiles += model.TileAt(p) != kEmpty;
  EXPECT_EQ(tiles, 8);
  EXPECT_EQ(model.EmptyPosition(), 1);
  EXPECT_TRUE(model.Solved());
  // The empty square at the top left: nothing comes down or from the left.
  EXPECT_FALSE(model.Key(Arrow::kDown, 0));
  EXPECT_FALSE(model.Key(Arrow::kRight, 0));
  EXPECT_TRUE(rec.sounds.empty());
  EXPECT_FALSE(model.Key(Arrow::kLeft, 0));  // tile 2 moves left: not solved any more
  EXPECT_EQ(model.EmptyPosition(), 2);
  EXPECT_EQ(model.history(), "L");
  EXPECT_TRUE(model.Key(Arrow::kRight, 0));  // back home: won
  EXPECT_EQ(rec.sounds, (std::vector<std::string>{kSoundIn, kSoundIn}));
  EXPECT_EQ(model.score(), kStartScore - 10);
  // A click on a square that cannot move costs its points and plays the bad sound.
  EXPECT_FALSE(model.Click(9, 0));
  EXPECT_EQ(rec.sounds.back(), kSoundBad);
  EXPECT_EQ(model.score(), kStartScore - 15);
  // The empty square at the right edge: a click left of it moves right, never across rows.
  model.Build(PuzzleGame::kSlideIt, PuzzleLevel::kEasy);
  for (char d : std::string("LL")) ASSERT_TRUE(model.Move(d, true));
  EXPECT_EQ(model.EmptyPosition(), 3);
  EXPECT_FALSE(model.Click(4, 0));  // first square of the next row
  EXPECT_FALSE(model.Key(Arrow::kLeft, 0));
  EXPECT_FALSE(model.Move('L', true));
  EXPECT_EQ(model.history(), "LL");
}

TEST(SlideIt, SeededJumbleRecordsOnlyMovesThatHappenedAndCheatSolvesWithExactScore) {
  Recorder rec;
  PuzzleModel model(rec.Hooks());
  model.Start(PuzzleGame::kSlideIt, PuzzleLevel::kHard, 1234, 0);
  EXPECT_EQ(model.score(), kStartScore);
  EXPECT_EQ(static_cast<int>(model.history().size()), rec.moves);
  EXPECT_LT(model.history().size(), 100u);  // impossible draws at the edges record nothing
  PuzzleModel same;
  same.Start(PuzzleGame::kSlideIt, PuzzleLevel::kHard, 1234, 0);
  EXPECT_EQ(same.history(), model.history());
  EXPECT_FALSE(model.Solved());

  // Two swaps from where the jumble left the empty square, one of them possibly impossible.
  int done_swaps = 0;
  for (Arrow arrow : {Arrow::kUp, Arrow::kDown, Arrow::kLeft, Arrow::kRight}) {
    const size_t before = model.history().size();
    model.BeginSwap();
    model.Key(arrow, 0);
    if (model.history().size() > before) {
      ++done_swaps;
    } else {
      EXPECT_TRUE(model.ignore_next_key());
      EXPECT_EQ(rec.sounds.back(), kSoundBad);
      const int empty = model.EmptyPosition();
      EXPECT_FALSE(model.Key(Arrow::kUp, 0));  // the key release that ends the prompt
      EXPECT_EQ(model.EmptyPosition(), empty);
    }
  }
  EXPECT_GT(done_swaps, 0);
  const int before_cheat = model.score();
  EXPECT_EQ(before_cheat, kStartScore - 4 * 150);
  model.Cheat();
  EXPECT_TRUE(model.Solved());
  EXPECT_EQ(model.EmptyPosition(), 1);
  EXPECT_EQ(model.score(), before_cheat - 2000 - done_swaps * 150);
  EXPECT_TRUE(model.history().empty());
  EXPECT_EQ(model.busy(), 0);
}

TEST(SlideIt, LongHistoriesGrowAndTheCheatStillSolves) {
  PuzzleModel model;
  model.Start(PuzzleGame::kSlideIt, PuzzleLevel::kExpert, 7, 0);
  for (int i = 0; i < 2100; ++i) {
    model.Move('L', true);
    model.Move('U', true);
    model.Move('R', true);
    model.Move('D', true);
  }
  EXPECT_GT(model.history().size(), 4000u);
  model.Cheat();
  EXPECT_TRUE(model.Solved());
  // Negative scores stay negative.
  EXPECT_EQ(model.score(), kStartScore - 2000);
  model.Cheat();
  model.Cheat();
  EXPECT_LT(model.score(), 0);
}

TEST(JigSawAndGuessIt, SwapsUncoverAndWinWithTheTimePenalty) {
  Recorder rec;
  PuzzleModel jig(rec.Hooks());
  jig.Start(PuzzleGame::kJigSaw, PuzzleLevel::kEasy, 99, 1000);
  EXPECT_EQ(jig.cells(), 16);
  // Solve by swapping each position's home tile into it.
  bool won = false;
  for (int p = 1; p <= 16 && !won; ++p) {
    if (jig.TileAt(p) == p - 1) continue;
    int q = p + 1;
    while (jig.TileAt(q) != p - 1) ++q;
    EXPECT_FALSE(jig.Click(p, 1000));
    EXPECT_EQ(jig.selected(), p);
    won = jig.Click(q, 11500);
  }
  EXPECT_TRUE(won);
  EXPECT_EQ(jig.score(), kStartScore - 10 * 3);  // 10.5 s: 10 whole seconds

  PuzzleModel guess(rec.Hooks());
  guess.Start(PuzzleGame::kGuessIt, PuzzleLevel::kEasy, 5, 0);
  for (int p = 1; p <= 16; ++p) EXPECT_TRUE(guess.FaceDown(p));
  EXPECT_FALSE(guess.Key(Arrow::kUp, 0));  // no empty square
  // A wrong guess: both turn face down again.
  int p = 1;
  while (guess.TileAt(p) == p - 1) ++p;
  int wrong = 1;
  while (wrong == p || guess.TileAt(p) == wrong - 1) ++wrong;
  guess.Click(p, 0);
  EXPECT_FALSE(guess.FaceDown(p));
  guess.Click(wrong, 0);
  EXPECT_TRUE(guess.FaceDown(p));
  EXPECT_TRUE(guess.FaceDown(wrong));
  // A right one: the tile that reached home stays uncovered.
  const int tile = guess.TileAt(p);
  ASSERT_NE(tile, p - 1);
  guess.Click(p, 0);
  guess.Click(tile + 1, 0);
  EXPECT_EQ(guess.TileAt(tile + 1), tile);
  EXPECT_FALSE(guess.FaceDown(tile + 1));
  EXPECT_EQ(rec.sounds.back(), kSoundOut);
}

TEST(SmallPictures, ATinyPictureOnExpertStillPlays) {
  // A 3 x 2 picture fits as 3 x 2 into a small panel; the grid of 5 has tiles of width 0.
  const FittedSize fitted = FitPuzzlePicture(3, 2, 3, 2);
  EXPECT_EQ(fitted.width, 3);
  EXPECT_EQ(fitted.height, 2);
  EXPECT_EQ(fitted.width / GridSize(PuzzleGame::kSlideIt, PuzzleLevel::kExpert), 0);
  EXPECT_EQ(SlideStep(0, 10, 250), 1);
  PuzzleModel model;
  model.Start(PuzzleGame::kSlideIt, PuzzleLevel::kExpert, 3, 0);
  model.Cheat();
  EXPECT_TRUE(model.Solved());
}

}  // namespace
}  // namespace vr::extras
