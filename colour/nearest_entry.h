#pragma once
// Nearest palette entry at full precision. The colour cube is cut into cells of a few values;
// the first time a cell is met, the entries that can be nearest to any colour in it are listed
// (those whose least distance to the cell is within the smallest greatest distance of any
// entry, found for four entries at a time), so each colour is then compared with a handful of
// entries only. The distance is the
// plain sum of squared differences; of equal distances the first entry in palette order wins.

#include <cstdint>
#include <algorithm>
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
  // With `remember`, the answers for recent colours are kept in a small table of exact colours,
  // which pays on pictures whose colours repeat (smooth ones, of few cells), not on noisy ones.
  explicit NearestEntry(int shift = 2, bool remember = false);

  // The entries searched: `entries[i]` for each i of `searched` (at most 256 entries, indices
  // below 256). Forgets the cells listed for an earlier palette.
  void SetPalette(const std::vector<picture::Rgb>& entries, const std::vector<uint16_t>& searched);

  uint8_t Find(int r, int g, int b) {
    if (!recent_) return Search(r, g, b);
    const uint32_t key = (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) |
                         static_cast<uint32_t>(b);
    uint32_t& slot = recent_[(key * 0x9E3779B1u) >> (32 - kRecentBits)];
    if ((slot >> 8) == key) return static_cast<uint8_t>(slot);
    const uint8_t i = Search(r, g, b);
    slot = (key << 8) | i;
    return i;
  }

 private:
  // A cell's only possible entry, held in its start_ slot: kAlone | entry.
  static constexpr uint32_t kAlone = 1u << 31;
  static constexpr int kRecentBits = 15;

  [[gnu::always_inline]] uint8_t Search(int r, int g, int b) {
    const int cell = ((r >> shift_) << (2 * bits_)) | ((g >> shift_) << bits_) | (b >> shift_);
    uint32_t at = start_[cell];
    if (at == 0) at = List(cell);
    if (at & kAlone) return static_cast<uint8_t>(at);
    const uint32_t* list = pool_.data() + (at - 1);
    const uint32_t count = list[0];
    ++list;
    // Distance and entry number in one value: the least wins, and of equal distances the first
    // entry in palette order.
    uint32_t best = UINT32_MAX;
    for (uint32_t k = 0; k < count; ++k) {
      const uint32_t e = list[k];
      const int dr = r - static_cast<int>(e & 0xFF);
      const int dg = g - static_cast<int>((e >> 8) & 0xFF);
      const int db = b - static_cast<int>((e >> 16) & 0xFF);
      const uint32_t d = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
      best = std::min(best, (d << 8) | (e >> 24));
    }
    return static_cast<uint8_t>(best);
  }

  // Lists the cell and returns its start_ value.
  uint32_t List(int cell);

  int shift_, bits_, cells_;
  uint8_t r_[256] = {}, g_[256] = {}, b_[256] = {};
  std::vector<uint16_t> searched_;
  size_t count_ = 0;           // entries searched
  // The searched entries' channels, in the order of searched_, padded to whole groups of four.
  alignas(16) float er_[256] = {}, eg_[256] = {}, eb_[256] = {};
  uint8_t list_[256] = {};
  // Per cell: 0 not listed yet, kAlone | entry when only one entry can be nearest, else where
  // its list starts in pool_, + 1.
  std::unique_ptr<uint32_t[]> start_;
  // The cells' lists, one after another: the count, then each entry as
  // red | green << 8 | blue << 16 | entry number << 24, in palette order.
  std::vector<uint32_t> pool_;
  // With `remember`: (r << 16 | g << 8 | b) << 8 | nearest entry per slot, each slot always true.
  std::unique_ptr<uint32_t[]> recent_;
};

}  // namespace vr::colour
