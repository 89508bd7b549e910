#pragma once
// Where a picture goes on the printed page: filling the page, at true size or inside margins,
// keeping its proportions or stretched. All figures are printer pixels of the printable area.

#include <string>

namespace vr::print {

inline constexpr const char* kNoPrinterMessage = "There is NO Default printer selected!";
inline constexpr const char* kNoRoomMessage =
    "The margins leave no room for the picture on this page.";

enum class Placement { kFullPage = 0, kTrueSize = 1, kMargins = 2 };

// The "Print Options" window's choices; they live for the run.
struct PrintOptions {
  bool landscape = false;
  bool keep_aspect = true;
  Placement placement = Placement::kFullPage;
  std::string margin_lr;  // inches as typed in the masked field ("  .  " when blank)
  std::string margin_tb;
  bool tagged_only = false;
};

// The printable page: its size in pixels and the printer's pixels per inch.
struct PageMetrics {
  int width = 0;
  int height = 0;
  int dpi_x = 0;
  int dpi_y = 0;
};

// The page used when the printer cannot be asked: 2400 x 3150 at 300 x 300.
PageMetrics FallbackPage();

// A margin field as a number of inches: blanks around it are skipped, a field that shows only
// its point reads as 0, and so does anything that is not a decimal number.
double ReadMargin(const std::string& field);

struct PlacedPicture {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  // The margins leave no room (the available width or height is 0 or less): nothing is printed.
  bool no_room = false;
};

// The rectangle of a `width` x `height` picture on `page` (a side of 0 counts as 1).
PlacedPicture PlacePicture(int width, int height, const PageMetrics& page,
                           const PrintOptions& options);

}  // namespace vr::print
