#include "colour/nearest_entry.h"

#include <algorithm>
#include <cstring>

namespace vr::colour {

NearestEntry::NearestEntry(int shift)
    : shift_(std::clamp(shift, 2, 3)),
      bits_(8 - shift_),
      cells_(1 << (3 * bits_)),
      start_(new uint32_t[static_cast<size_t>(cells_)]()) {
  pool_.reserve(1 << 20);
}

void NearestEntry::SetPalette(const std::vector<picture::Rgb>& entries,
                              const std::vector<uint16_t>& searched) {
  searched_.clear();
  for (uint16_t i : searched) {
    if (i >= 256 || i >= entries.size()) continue;
    searched_.push_back(i);
    r_[i] = entries[i].r;
    g_[i] = entries[i].g;
    b_[i] = entries[i].b;
  }
  if (searched_.empty()) {
    searched_.push_back(0);
    r_[0] = g_[0] = b_[0] = 0;
  }
  by_green_.clear();
  for (uint16_t i : searched_) by_green_.push_back((g_[i] << 8) | i);
  std::sort(by_green_.begin(), by_green_.end());
  std::memset(start_.get(), 0, sizeof(uint32_t) * static_cast<size_t>(cells_));
  pool_.clear();
}

void NearestEntry::List(int cell) {
  const int mask = (1 << bits_) - 1;
  const int width = 1 << shift_;
  const int top = width - 1;
  const int lo[3] = {(cell >> (2 * bits_)) << shift_, ((cell >> bits_) & mask) << shift_,
                     (cell & mask) << shift_};
  auto far = [&](int i) {  // greatest squared distance from entry i to the cell
    const int v[3] = {r_[i], g_[i], b_[i]};
    int sum = 0;
    for (int a = 0; a < 3; ++a) {
      const int d = std::max(std::abs(v[a] - lo[a]), std::abs(v[a] - lo[a] - top));
      sum += d * d;
    }
    return sum;
  };
  auto gap = [top](int v, int low) {
    return v < low ? low - v : v > low + top ? v - low - top : 0;
  };
  // The entries in green order, from the cell's middle outwards. The smallest greatest distance
  // bounds the search; an entry's green alone gives a floor to both of its distances, and the
  // floors only grow away from the middle, so each scan stops at the first floor past the bound.
  const int mid_g = lo[1] + width / 2;
  const size_t n = by_green_.size();
  const size_t at = static_cast<size_t>(
      std::lower_bound(by_green_.begin(), by_green_.end(), mid_g << 8) - by_green_.begin());
  int bound = 0x7FFFFFFF;
  auto consider = [&](size_t k) {
    const int i = by_green_[k] & 255;
    const int g = std::max(std::abs(g_[i] - lo[1]), std::abs(g_[i] - lo[1] - top));
    if (g * g >= bound) return false;
    bound = std::min(bound, far(i));
    return true;
  };
  for (size_t k = at; k < n && consider(k); ++k) {
  }
  for (size_t k = at; k-- > 0 && consider(k);) {
  }
  size_t count = 0;
  auto take = [&](size_t k) {
    const int i = by_green_[k] & 255;
    const int dg = gap(g_[i], lo[1]);
    if (dg * dg > bound) return false;
    const int dr = gap(r_[i], lo[0]), db = gap(b_[i], lo[2]);
    if (dr * dr + dg * dg + db * db <= bound) {
      list_[count++] = static_cast<uint8_t>(i);
    }
    return true;
  };
  for (size_t k = at; k < n && take(k); ++k) {
  }
  for (size_t k = at; k-- > 0 && take(k);) {
  }
  // Palette order, so that of equal distances the first entry wins.
  std::sort(list_, list_ + count);
  const uint32_t start = static_cast<uint32_t>(pool_.size());
  pool_.push_back(static_cast<uint8_t>(count - 1));  // never empty: the nearest is in it
  pool_.insert(pool_.end(), list_, list_ + count);
  start_[cell] = start + 1;
}

}  // namespace vr::colour
