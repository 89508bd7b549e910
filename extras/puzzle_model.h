#pragma once
// The puzzle games without a window: "Slide-It" (one empty square, tiles slide into it),
// "Jig-Saw" (swap any two squares) and "Guess-It" (squares face down, uncovered two at a time).
//
// Positions are 1-based and row-major over an n x n grid. Each cell holds a tile, named by its
// home cell (0-based index home = (row - 1) * n + column - 1), or kEmpty. The model keeps the
// score, the history of recorded moves (which the cheat plays backwards) and the busy counter;
// the window animates the moves it reports and plays the sounds it names.

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace vr::extras {

enum class PuzzleGame { kSlideIt = 0, kJigSaw = 1, kGuessIt = 2 };
enum class PuzzleLevel { kEasy = 0, kHard = 1, kExpert = 2 };

inline constexpr int kEmpty = -1;
inline constexpr int kStartScore = 5000;
inline constexpr int kPlaySlideMs = 250;
inline constexpr int kJumbleSlideMs = 50;
inline constexpr int kCheatSlideMs = 100;
inline constexpr const char* kSoundIn = "Swishin.wav";
inline constexpr const char* kSoundOut = "Swishout.wav";
inline constexpr const char* kSoundBad = "GAMEBAD.WAV";
inline constexpr const char* kWinMusic = "NUTCRACK.MID";

// Squares per row for a game and level.
int GridSize(PuzzleGame game, PuzzleLevel level);
const char* GameHint(PuzzleGame game);

struct FittedSize {
  int width = 1;
  int height = 1;
};
// The picture's size fitted into the play panel keeping its aspect ratio.
FittedSize FitPuzzlePicture(int width, int height, int box_width, int box_height);

// Pixels per animation step of a slide: tile width x step time / target, rounded to the nearest
// with halves to even, at least 1 (a step time not above zero counts as 10).
int SlideStep(int tile_width, int step_ms, int target_ms);

class PuzzleModel {
 public:
  struct Hooks {
    // A tile went from one position to another (a slide or one side of an exchange).
    std::function<void(int from, int to, int slide_ms)> moved;
    std::function<void(const char* sound)> sound;
    // Every fifth step of a jumble or cheat, so that the window can show the slides.
    std::function<void()> pump;
  };

  explicit PuzzleModel(Hooks hooks = {}) : hooks_(std::move(hooks)) {}

  // Builds the grid, clears the history, jumbles and sets the score; `seed` drives this game's
  // draws, `now_ms` is the start time.
  void Start(PuzzleGame game, PuzzleLevel level, uint32_t seed, uint32_t now_ms);
  // The grid without the jumble (the state a game starts from, for tests and the window).
  void Build(PuzzleGame game, PuzzleLevel level);
  void End();
  // The game's clock starts once the jumble has been seen.
  void SetStartTime(uint32_t now_ms) { start_ms_ = now_ms; }
  bool playing() const { return cells_ > 0; }

  void Jumble();
  // A click on a square; true when the game has just been won (the score is final).
  bool Click(int position, uint32_t now_ms);
  enum class Arrow { kUp, kDown, kLeft, kRight };
  // An arrow key released: plays the tile that moves that way into the empty square.
  bool Key(Arrow arrow, uint32_t now_ms);
  // "&Swap" asks for a direction: the score drops at once; the next arrow is the direction.
  void BeginSwap();
  bool swap_pending() const { return swap_pending_; }
  bool Swap(Arrow arrow, uint32_t now_ms);
  void Cheat();
  void ShowOrder() { if (busy_ == 0) score_ -= 50; }

  // A move in direction 'U', 'D', 'L' or 'R'; false when no tile can go that way.
  bool Move(char direction, bool record);

  PuzzleGame game() const { return game_; }
  int n() const { return n_; }
  int cells() const { return cells_; }
  int TileAt(int position) const { return tiles_[static_cast<size_t>(position - 1)]; }
  bool FaceDown(int position) const { return face_down_[static_cast<size_t>(position - 1)] != 0; }
  int EmptyPosition() const;
  bool Solved() const;
  int score() const { return score_; }
  const std::string& history() const { return history_; }
  int busy() const { return busy_; }
  int slide_ms() const { return slide_ms_; }
  int selected() const { return selected_; }
  bool ignore_next_key() const { return ignore_next_key_; }

 private:
  void Exchange(int a, int b);
  bool ExchangeForSwap(char direction);
  bool Won(uint32_t now_ms);
  void Sound(const char* name) {
    if (hooks_.sound) hooks_.sound(name);
  }

  Hooks hooks_;
  PuzzleGame game_ = PuzzleGame::kSlideIt;
  int n_ = 0;
  int cells_ = -1;
  std::vector<int> tiles_;
  std::vector<uint8_t> face_down_;
  std::string history_;  // grows as needed; the cheat undoes all of it
  int selected_ = -1;
  int score_ = kStartScore;
  uint32_t start_ms_ = 0;
  int busy_ = 0;
  bool ignore_next_key_ = false;
  bool swap_pending_ = false;
  int slide_ms_ = kPlaySlideMs;
  std::mt19937 random_;
};

}  // namespace vr::extras
