#include "print/placement.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace vr::print {
namespace {

int Trunc(double x) {
  if (!std::isfinite(x)) return 0;
  x = std::clamp(x, -1e9, 1e9);
  return static_cast<int>(std::trunc(x));
}

}  // namespace

PageMetrics FallbackPage() { return PageMetrics{2400, 3150, 300, 300}; }

double ReadMargin(const std::string& field) {
  // The mask fills the places not typed with blanks; they carry no digits.
  std::string digits;
  for (char c : field) {
    if (c != ' ') digits.push_back(c);
  }
  if (digits.empty() || digits == ".") return 0.0;
  int points = 0;
  bool any_digit = false;
  for (char c : digits) {
    if (c == '.') {
      ++points;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      any_digit = true;
    } else {
      return 0.0;
    }
  }
  if (!any_digit || points > 1) return 0.0;
  return std::strtod(digits.c_str(), nullptr);
}

PlacedPicture PlacePicture(int width, int height, const PageMetrics& page,
                           const PrintOptions& options) {
  const double w = width <= 0 ? 1.0 : width;
  const double h = height <= 0 ? 1.0 : height;
  const double pw = page.width;
  const double ph = page.height;
  double margin_lr = 0.0;
  double margin_tb = 0.0;
  if (options.placement == Placement::kMargins) {
    margin_lr = ReadMargin(options.margin_lr);
    margin_tb = ReadMargin(options.margin_tb);
  }
  double aw = Trunc(pw - page.dpi_x * margin_lr * 2);
  double ah = Trunc(ph - page.dpi_y * margin_tb * 2);
  if (options.placement == Placement::kTrueSize) {
    aw = w;
    ah = h;
  }
  PlacedPicture placed;
  if (aw <= 0 || ah <= 0) {
    placed.no_room = true;
    return placed;
  }
  const double s = options.placement == Placement::kTrueSize ? 1.0 : std::min(aw / w, ah / h);
  if (options.keep_aspect) {
    placed.left = Trunc((pw - w * s) / 2);
    placed.top = Trunc((ph - h * s) / 2);
    placed.right = Trunc((pw - Trunc(w * s)) / 2 + w * s);
    placed.bottom = Trunc((ph - Trunc(h * s)) / 2 + h * s);
  } else {
    placed.left = Trunc(page.dpi_x * margin_lr);
    placed.top = Trunc(page.dpi_y * margin_tb);
    placed.right = Trunc(placed.left + aw);
    placed.bottom = Trunc(placed.top + ah);
  }
  return placed;
}

}  // namespace vr::print
