#include "shell/transforms/zoom.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vr::transforms {
namespace {

constexpr long kMinSide = 1;
constexpr long kMaxSide = 10000;

// The number an edit holds; false when it holds none.
bool ParseNumber(const std::string& text, long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str()) return false;
  *value = v;
  return true;
}

long Round(double v) { return std::lround(v); }
long Limit(long v) { return std::clamp(v, kMinSide, kMaxSide); }

}  // namespace

ZoomEdits::ZoomEdits(int current_width, int current_height)
    : current_width_(std::max(1, current_width)), current_height_(std::max(1, current_height)) {
  width_ = std::to_string(current_width_);
  height_ = std::to_string(current_height_);
  factor_ = "100";
  BringIntoLine();
  ok_enabled_ = false;
}

void ZoomEdits::SetSize(long width, long height) {
  width_ = std::to_string(Limit(width));
  height_ = std::to_string(Limit(height));
}

void ZoomEdits::BringIntoLine() {
  long w = 0, h = 0;
  if (ParseNumber(width_, &w)) width_ = std::to_string(w = Limit(w));
  if (ParseNumber(height_, &h)) height_ = std::to_string(Limit(h));
  if (ParseNumber(width_, &w)) {
    factor_ = std::to_string(Round(static_cast<double>(w) * 100.0 / current_width_));
  }
}

void ZoomEdits::WidthEdited(const std::string& text) {
  width_ = text;
  ok_enabled_ = !text.empty();
  long w = 0;
  if (!ParseNumber(text, &w)) return;
  if (keep_aspect_) {
    const double ratio = static_cast<double>(current_width_) / current_height_;
    height_ = std::to_string(Limit(Round(static_cast<double>(w) / ratio)));
  }
  BringIntoLine();
}

void ZoomEdits::HeightEdited(const std::string& text) {
  height_ = text;
  ok_enabled_ = !text.empty();
  long h = 0;
  if (!ParseNumber(text, &h)) return;
  if (keep_aspect_) {
    width_ =
        std::to_string(Limit(Round(static_cast<double>(h) * current_width_ / current_height_)));
  }
  BringIntoLine();
}

void ZoomEdits::FactorEdited(const std::string& text) {
  factor_ = text;
  ok_enabled_ = !text.empty();
  long p = 0;
  if (!ParseNumber(text, &p)) return;
  if (p <= 0) {
    p = 100;
    factor_ = "100";
  }
  SetSize(Round(static_cast<double>(p) * current_width_ / 100.0),
          Round(static_cast<double>(p) * current_height_ / 100.0));
}

bool ZoomEdits::UseScreenSize(int screen_width, int screen_height) {
  ok_enabled_ = true;
  if (!keep_aspect_) {
    SetSize(screen_width, screen_height);
    BringIntoLine();
    return true;
  }
  const double r = static_cast<double>(current_width_) / current_height_;
  const double screen_ratio = static_cast<double>(screen_width) / std::max(1, screen_height);
  if (r > screen_ratio) {
    SetSize(screen_width, Round(screen_width / r));
  } else {
    SetSize(Round(screen_height * r), screen_height);
  }
  BringIntoLine();
  return false;
}

bool ZoomEdits::NeedsShrinkQuestion() const {
  if (smoothing_) return false;
  return !(FinalWidth() >= current_width_ && FinalHeight() >= current_height_);
}

int ZoomEdits::FinalWidth() const {
  long w = 0;
  if (!ParseNumber(width_, &w)) w = current_width_;
  return static_cast<int>(std::clamp(w, 2L, kMaxSide));
}

int ZoomEdits::FinalHeight() const {
  long h = 0;
  if (!ParseNumber(height_, &h)) h = current_height_;
  return static_cast<int>(std::clamp(h, 2L, kMaxSide));
}

}  // namespace vr::transforms
