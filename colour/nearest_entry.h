#pragma once
// Nearest palette entry at full precision. The colour cube is cut into cells of a few values;
// the first time a cell is met, the entries that can be nearest to any colour in it are listed
// (those whose least distance to the cell is within the smallest greatest distance of any
// entry, found for four entries at a time), so each colour is then compared with a handful of
// entries only. The distance is the
// plain sum of squared differences; of equal distances the first entry in palette order wins.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "picture/bitmap.h"

namespace vr::colour {

class NearestEntry {
 public:
  // Cells of 2^`shift` values per channel (2: 4 x 4 x 4, 3: 8 x 8 x 8). Wider cells make a
  // smaller table, which stays in the processor's cache, but longer lists: they pay on large
  // pictures, which reach many cells.
  explicit NearestEntry(int shift = 2);

  // The entries searched: `entries[i]` for each i of `searched` (at most 256 entries, indices
  // below 256). Forgets the cells listed for an earlier palette.
  void SetPalette(const std::vector<picture::Rgb>& entries, const std::vector<uint16_t>& searched);

  uint8_t Find(int r, int g, int b) {
    const int cell = ((r >> shift_) << (2 * bits_)) | ((g >> shift_) << bits_) | (b >> shift_);
    if (start_[cell] == 0) List(cell);
    const uint8_t* list = pool_.data() + (start_[cell] - 1);
    const int count = list[0] + 1;
    ++list;
    int best = list[0];
    int best_distance = 0x7FFFFFFF;
    for (int k = 0; k < count; ++k) {
      const int i = list[k];
      const int dr = r - r_[i], dg = g - g_[i], db = b - b_[i];
      const int d = dr * dr + dg * dg + db * db;
      if (d < best_distance) {
        best_distance = d;
        best = i;
      }
    }
    return static_cast<uint8_t>(best);
  }

 private:
  void List(int cell);

  int shift_, bits_, cells_;
  uint8_t r_[256] = {}, g_[256] = {}, b_[256] = {};
  std::vector<uint16_t> searched_;
  size_t count_ = 0;           // entries searched
  // The searched entries' channels, in the order of searched_, padded to whole groups of four.
  alignas(16) float er_[256] = {}, eg_[256] = {}, eb_[256] = {};
  uint8_t list_[256] = {};
  std::unique_ptr<uint32_t[]> start_;  // per cell: 0 not listed yet, else list start + 1
  std::vector<uint8_t> pool_;  // the cells' lists, one after another: count - 1, then entries
};

}  // namespace vr::colour
