#pragma once
// The bookkeeping of the floating preview windows, kept apart from the windows so it can be
// tested without a screen: the 32 slots and their window names, the "display next" cycle, the
// tile grid, the first size of a stretchable preview and its lay-out.

#include <string>
#include <vector>

#include "picture/fit.h"

namespace vr::list_window {

inline constexpr int kPreviewSlots = 32;
inline constexpr const char* kPreviewName = "PreViewFile";
inline constexpr const char* kClosedPreviewName = "DELViewFile";

// Previews are not opened for sounds and movies.
bool PreviewSkipsPath(const std::string& path);
std::string PreviewWindowName(int slot);

class PreviewSlots {
 public:
  // The lowest free slot, now taken; -1 when all 32 are taken.
  int Take();
  void Free(int slot);
  bool Taken(int slot) const { return slot >= 0 && slot < kPreviewSlots && taken_[slot]; }
  int Count() const;
  // Display next: the next taken slot after the last one shown (from slot 0 when none was shown
  // or the last was slot 31), wrapping after 31. -1 with no preview open (the cycle starts over).
  int NextToShow();
  int last_shown() const { return last_shown_; }

 private:
  bool taken_[kPreviewSlots] = {};
  int last_shown_ = -1;
};

// The tile grid: grows from 1 x 1, adding a row when rows < columns, else a column, until it
// holds `count` cells.
struct TileGrid {
  int columns = 1;
  int rows = 1;
};
TileGrid TileGridFor(int count);
// Places of `count` previews in a work area, left to right and top to bottom.
std::vector<picture::Rect> TileAll(int count, int work_width, int work_height);

// Window size of a stretchable preview when first shown: the picture plus the frame when that
// fits the work area, else the picture fitted into the work area less the frame, plus the frame.
picture::Size FirstPreviewSize(int picture_width, int picture_height, int frame_x, int frame_y,
                               int work_width, int work_height);
// Where the picture goes in a client area of a stretchable preview; an empty rectangle when
// the picture or the client area is below 2 pixels in either direction (no lay-out).
picture::Rect StretchLayout(int picture_width, int picture_height, int client_width,
                            int client_height);

}  // namespace vr::list_window
