#include "lists/window/preview_slots.h"

#include "picture/kinds.h"
#include "platform/path_rules.h"

namespace vr::list_window {

bool PreviewSkipsPath(const std::string& path) {
  static const char* const kSkipped[] = {".WAV", ".MID", ".MIDI", ".AVI",  ".FLI",
                                         ".FLC", ".MPG", ".MPE",  ".MPEG", ".MOV"};
  const std::string name = platform::NameOf(path);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string extension = picture::UpperAscii(name.substr(dot));
  for (const char* skipped : kSkipped) {
    if (extension == skipped) return true;
  }
  return false;
}

std::string PreviewWindowName(int slot) { return kPreviewName + std::to_string(slot); }

int PreviewSlots::Take() {
  for (int i = 0; i < kPreviewSlots; ++i) {
    if (!taken_[i]) {
      taken_[i] = true;
      return i;
    }
  }
  return -1;
}

void PreviewSlots::Free(int slot) {
  if (slot >= 0 && slot < kPreviewSlots) taken_[slot] = false;
}

int PreviewSlots::Count() const {
  int n = 0;
  for (bool taken : taken_) n += taken ? 1 : 0;
  return n;
}

int PreviewSlots::NextToShow() {
  const int start = (last_shown_ < 0 || last_shown_ >= kPreviewSlots - 1) ? 0 : last_shown_ + 1;
  for (int i = 0; i < kPreviewSlots; ++i) {
    const int slot = (start + i) % kPreviewSlots;
    if (taken_[slot]) {
      last_shown_ = slot;
      return slot;
    }
  }
  last_shown_ = -1;
  return -1;
}

TileGrid TileGridFor(int count) {
  TileGrid grid;
  for (int k = 1; k <= count; ++k) {
    while (grid.columns * grid.rows < k) {
      if (grid.rows < grid.columns) {
        ++grid.rows;
      } else {
        ++grid.columns;
      }
    }
  }
  return grid;
}

std::vector<picture::Rect> TileAll(int count, int work_width, int work_height) {
  std::vector<picture::Rect> places;
  if (count <= 0) return places;
  const TileGrid grid = TileGridFor(count);
  const int cell_width = work_width / grid.columns;
  const int cell_height = work_height / grid.rows;
  int x = 0;
  int y = 0;
  for (int i = 0; i < count; ++i) {
    places.push_back({x, y, cell_width, cell_height});
    x += cell_width;
    if (x + cell_width > work_width) {
      x = 0;
      y += cell_height;
    }
  }
  return places;
}

picture::Size FirstPreviewSize(int picture_width, int picture_height, int frame_x, int frame_y,
                               int work_width, int work_height) {
  if (work_width >= picture_width + frame_x && work_height >= picture_height + frame_y) {
    return {picture_width + frame_x, picture_height + frame_y};
  }
  const picture::Size fitted =
      picture::FitInBox(picture_width, picture_height, work_width - frame_x, work_height - frame_y);
  return {fitted.width + frame_x, fitted.height + frame_y};
}

picture::Rect StretchLayout(int picture_width, int picture_height, int client_width,
                            int client_height) {
  if (picture_width < 2 || picture_height < 2 || client_width < 2 || client_height < 2) return {};
  const picture::Size fitted =
      picture::FitInBox(picture_width, picture_height, client_width, client_height);
  return {(client_width - fitted.width) / 2, (client_height - fitted.height) / 2, fitted.width,
          fitted.height};
}

}  // namespace vr::list_window
