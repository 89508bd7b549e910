#include "extras/puzzle_model.h"

#include <cmath>

namespace vr::extras {
namespace {

char Opposite(char d) {
  switch (d) {
    case 'U': return 'D';
    case 'D': return 'U';
    case 'L': return 'R';
    default: return 'L';
  }
}

char Letter(PuzzleModel::Arrow arrow) {
  switch (arrow) {
    case PuzzleModel::Arrow::kUp: return 'U';
    case PuzzleModel::Arrow::kDown: return 'D';
    case PuzzleModel::Arrow::kLeft: return 'L';
    default: return 'R';
  }
}

}  // namespace

int GridSize(PuzzleGame game, PuzzleLevel level) {
  const int step = static_cast<int>(level);
  return game == PuzzleGame::kSlideIt ? 3 + step : 4 + 2 * step;
}

const char* GameHint(PuzzleGame game) {
  switch (game) {
    case PuzzleGame::kSlideIt: return "Click on square to move or use arrow keys";
    case PuzzleGame::kJigSaw: return "Click on 2 different squares to swap";
    default: return "Click on a square to uncover, then click where YOU THINK it belongs";
  }
}

FittedSize FitPuzzlePicture(int width, int height, int box_width, int box_height) {
  const double w = width <= 0 ? 1 : width;
  const double h = height <= 0 ? 1 : height;
  const double aspect = w / h;
  FittedSize out;
  if (box_height > 0 && static_cast<double>(box_width) / box_height > aspect) {
    out.height = box_height;
    out.width = box_height == static_cast<int>(h) ? static_cast<int>(w)
                                                   : static_cast<int>(box_height * aspect);
  } else {
    out.width = box_width;
    out.height = box_width == static_cast<int>(w) ? static_cast<int>(h)
                                                   : static_cast<int>(box_width / aspect);
  }
  if (out.width <= 0) out.width = 1;
  if (out.height <= 0) out.height = 1;
  return out;
}

int SlideStep(int tile_width, int step_ms, int target_ms) {
  if (step_ms <= 0) step_ms = 10;
  if (target_ms <= 0) target_ms = kPlaySlideMs;
  const double exact = static_cast<double>(tile_width) * step_ms / target_ms;
  const int step = static_cast<int>(std::nearbyint(exact));  // the default mode: halves to even
  return step < 1 ? 1 : step;
}

void PuzzleModel::Build(PuzzleGame game, PuzzleLevel level) {
  game_ = game;
  n_ = GridSize(game, level);
  cells_ = n_ * n_;
  tiles_.assign(static_cast<size_t>(cells_), 0);
  for (int i = 0; i < cells_; ++i) tiles_[static_cast<size_t>(i)] = i;
  if (game == PuzzleGame::kSlideIt) tiles_[0] = kEmpty;  // the top-left square starts empty
  face_down_.assign(static_cast<size_t>(cells_), 0);
  history_.clear();
  selected_ = -1;
  busy_ = 0;
  ignore_next_key_ = false;
  swap_pending_ = false;
  slide_ms_ = kPlaySlideMs;
  score_ = kStartScore;
}

void PuzzleModel::Start(PuzzleGame game, PuzzleLevel level, uint32_t seed, uint32_t now_ms) {
  random_.seed(seed);
  Build(game, level);
  Jumble();
  score_ = kStartScore;
  start_ms_ = now_ms;
}

void PuzzleModel::End() {
  cells_ = -1;
  n_ = 0;
  tiles_.clear();
  face_down_.clear();
  selected_ = -1;
  swap_pending_ = false;
}

int PuzzleModel::EmptyPosition() const {
  for (int i = 0; i < cells_; ++i) {
    if (tiles_[static_cast<size_t>(i)] == kEmpty) return i + 1;
  }
  return -1;
}

bool PuzzleModel::Solved() const {
  for (int i = 0; i < cells_; ++i) {
    const int tile = tiles_[static_cast<size_t>(i)];
    if (tile != kEmpty && tile != i) return false;
  }
  return cells_ > 0;
}

bool PuzzleModel::Move(char direction, bool record) {
  const int e = EmptyPosition();
  if (e < 0) return false;
  const int column = (e - 1) % n_ + 1;
  int from = -1;
  switch (direction) {
    case 'U': from = e + n_ <= cells_ ? e + n_ : -1; break;
    case 'D': from = e > n_ ? e - n_ : -1; break;
    case 'L': from = column < n_ ? e + 1 : -1; break;
    case 'R': from = column > 1 ? e - 1 : -1; break;
    default: break;
  }
  if (from < 0) return false;
  tiles_[static_cast<size_t>(e - 1)] = tiles_[static_cast<size_t>(from - 1)];
  tiles_[static_cast<size_t>(from - 1)] = kEmpty;
  if (hooks_.moved) hooks_.moved(from, e, slide_ms_);
  if (record) history_ += direction;
  return true;
}

void PuzzleModel::Exchange(int a, int b) {
  std::swap(tiles_[static_cast<size_t>(a - 1)], tiles_[static_cast<size_t>(b - 1)]);
  std::swap(face_down_[static_cast<size_t>(a - 1)], face_down_[static_cast<size_t>(b - 1)]);
  if (hooks_.moved) hooks_.moved(a, b, 0);
}

void PuzzleModel::Jumble() {
  if (cells_ <= 0) return;
  ++busy_;
  slide_ms_ = kJumbleSlideMs;
  if (game_ == PuzzleGame::kSlideIt) {
    std::uniform_int_distribution<int> pick(0, 3);
    for (int i = 1; i <= 100; ++i) {
      Move("UDLR"[pick(random_)], true);
      if (i % 5 == 0 && hooks_.pump) hooks_.pump();
    }
  } else {
    std::uniform_int_distribution<int> pick(1, cells_);
    for (int i = 0; i < cells_; ++i) {
      const int a = pick(random_);
      const int b = pick(random_);
      Exchange(a, b);
    }
    if (game_ == PuzzleGame::kGuessIt) face_down_.assign(static_cast<size_t>(cells_), 1);
  }
  slide_ms_ = kPlaySlideMs;
  --busy_;
}

bool PuzzleModel::Won(uint32_t now_ms) {
  if (!Solved()) return false;
  score_ -= static_cast<int>((now_ms - start_ms_) / 1000) * 3;
  return true;
}

bool PuzzleModel::Click(int position, uint32_t now_ms) {
  if (busy_ > 0 || cells_ <= 0 || position < 1 || position > cells_) return false;
  switch (game_) {
    case PuzzleGame::kSlideIt: {
      score_ -= 5;
      const int e = EmptyPosition();
      const int column = (position - 1) % n_ + 1;
      char direction = 0;
      if (position + n_ == e) {
        direction = 'D';
      } else if (position + 1 == e && column < n_) {
        direction = 'R';
      } else if (position - n_ == e) {
        direction = 'U';
      } else if (position - 1 == e && column > 1) {
        direction = 'L';
      }
      if (direction == 0 || !Move(direction, true)) {
        Sound(kSoundBad);
        return false;
      }
      Sound(kSoundIn);
      return Won(now_ms);
    }
    case PuzzleGame::kJigSaw:
      if (selected_ < 0) {
        selected_ = position;
        Sound(kSoundIn);
        return false;
      }
      Exchange(selected_, position);
      Sound(kSoundOut);
      selected_ = -1;
      return Won(now_ms);
    case PuzzleGame::kGuessIt: {
      if (selected_ < 0) {
        face_down_[static_cast<size_t>(position - 1)] = 0;
        selected_ = position;
        Sound(kSoundIn);
        return false;
      }
      face_down_[static_cast<size_t>(position - 1)] = 0;
      Exchange(selected_, position);
      if (TileAt(position) != position - 1) {
        face_down_[static_cast<size_t>(position - 1)] = 1;
        face_down_[static_cast<size_t>(selected_ - 1)] = 1;
        if (hooks_.moved) hooks_.moved(selected_, position, 0);
      }
      Sound(kSoundOut);
      selected_ = -1;
      return Won(now_ms);
    }
  }
  return false;
}

bool PuzzleModel::Key(Arrow arrow, uint32_t now_ms) {
  if (busy_ > 0 || cells_ <= 0) return false;
  if (ignore_next_key_) {
    ignore_next_key_ = false;
    return false;
  }
  if (swap_pending_) return Swap(arrow, now_ms);
  const int e = EmptyPosition();
  if (e < 0) return false;
  const int column = (e - 1) % n_ + 1;
  int target = -1;
  switch (arrow) {
    case Arrow::kUp: target = e <= cells_ - n_ ? e + n_ : -1; break;
    case Arrow::kDown: target = e > n_ ? e - n_ : -1; break;
    case Arrow::kLeft: target = column < n_ ? e + 1 : -1; break;
    case Arrow::kRight: target = column > 1 ? e - 1 : -1; break;
  }
  if (target < 0) return false;
  return Click(target, now_ms);
}

void PuzzleModel::BeginSwap() {
  if (busy_ > 0 || game_ != PuzzleGame::kSlideIt || cells_ <= 0) return;
  score_ -= 150;
  swap_pending_ = true;
}

bool PuzzleModel::ExchangeForSwap(char direction) {
  const int e = EmptyPosition();
  if (e < 0) return false;
  const int column = (e - 1) % n_ + 1;
  int a = -1;
  int b = -1;
  switch (direction) {
    case 'U': if (e > 2 * n_) { a = e - n_; b = e - 2 * n_; } break;
    case 'D': if (e <= cells_ - 2 * n_) { a = e + n_; b = e + 2 * n_; } break;
    case 'L': if (column > 2) { a = e - 1; b = e - 2; } break;
    case 'R': if (column <= n_ - 2) { a = e + 1; b = e + 2; } break;
    default: break;
  }
  if (a < 0) return false;
  Exchange(a, b);
  return true;
}

bool PuzzleModel::Swap(Arrow arrow, uint32_t now_ms) {
  swap_pending_ = false;
  const char direction = Letter(arrow);
  if (!ExchangeForSwap(direction)) {
    ignore_next_key_ = true;
    Sound(kSoundBad);
    return false;
  }
  // Only swaps that happened are recorded: the cheat plays each of them again.
  history_ += 'S';
  history_ += direction;
  Sound(kSoundIn);
  return Won(now_ms);
}

void PuzzleModel::Cheat() {
  if (busy_ > 0 || cells_ <= 0) return;
  ++busy_;
  score_ -= 2000;
  slide_ms_ = kCheatSlideMs;
  int step = 0;
  for (size_t i = history_.size(); i-- > 0;) {
    const bool swap = i > 0 && history_[i - 1] == 'S';
    if (swap) {
      score_ -= 150;
      ExchangeForSwap(history_[i]);
      --i;
    } else {
      Move(Opposite(history_[i]), false);
    }
    if (++step % 5 == 0 && hooks_.pump) hooks_.pump();
  }
  history_.clear();
  slide_ms_ = kPlaySlideMs;
  --busy_;
}

}  // namespace vr::extras
