#include "colour/nearest_entry.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace vr::colour {

NearestEntry::NearestEntry(int shift, bool remember)
    : shift_(std::clamp(shift, 2, 3)),
      bits_(8 - shift_),
      cells_(1 << (3 * bits_)),
      start_(new uint32_t[static_cast<size_t>(cells_)]()),
      recent_(remember ? new uint32_t[size_t{1} << kRecentBits] : nullptr) {
  pool_.reserve(1 << 18);
  SetPalette({}, {});
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
  // Palette order, so that the lists come out in it and of equal distances the first wins.
  std::sort(searched_.begin(), searched_.end());
  searched_.erase(std::unique(searched_.begin(), searched_.end()), searched_.end());
  count_ = searched_.size();
  const size_t padded = (count_ + 3) / 4 * 4;
  for (size_t k = 0; k < padded; ++k) {
    const bool real = k < count_;
    // Padding lies so far off that it is never within reach of a cell.
    er_[k] = real ? r_[searched_[k]] : 1e6f;
    eg_[k] = real ? g_[searched_[k]] : 1e6f;
    eb_[k] = real ? b_[searched_[k]] : 1e6f;
  }
  std::memset(start_.get(), 0, sizeof(uint32_t) * static_cast<size_t>(cells_));
  pool_.clear();
  // Every remembered slot starts as black, with black's true nearest entry.
  if (recent_) std::fill_n(recent_.get(), size_t{1} << kRecentBits, uint32_t{Search(0, 0, 0)});
}

uint32_t NearestEntry::List(int cell) {
  const int mask = (1 << bits_) - 1;
  const float top = static_cast<float>((1 << shift_) - 1);
  const float lo[3] = {static_cast<float>((cell >> (2 * bits_)) << shift_),
                       static_cast<float>(((cell >> bits_) & mask) << shift_),
                       static_cast<float>((cell & mask) << shift_)};
  const float hi[3] = {lo[0] + top, lo[1] + top, lo[2] + top};
  const size_t padded = (count_ + 3) / 4 * 4;
  // An entry can be nearest to a colour of the cell only when its least distance to the cell is
  // within the least of the entries' greatest distances to it. Each channel's greatest distance
  // is to the farther end, its least one the gap to the nearer end (0 inside).
  float bound;
  size_t count = 0;
#if defined(__SSE2__)
  const __m128 lr = _mm_set1_ps(lo[0]), lg = _mm_set1_ps(lo[1]), lb = _mm_set1_ps(lo[2]);
  const __m128 hr = _mm_set1_ps(hi[0]), hg = _mm_set1_ps(hi[1]), hb = _mm_set1_ps(hi[2]);
  const __m128 zero = _mm_setzero_ps();
  __m128 least = _mm_set1_ps(1e30f);
  for (size_t k = 0; k < padded; k += 4) {
    const __m128 r = _mm_load_ps(er_ + k), g = _mm_load_ps(eg_ + k), b = _mm_load_ps(eb_ + k);
    const __m128 fr = _mm_max_ps(_mm_sub_ps(r, lr), _mm_sub_ps(hr, r));
    const __m128 fg = _mm_max_ps(_mm_sub_ps(g, lg), _mm_sub_ps(hg, g));
    const __m128 fb = _mm_max_ps(_mm_sub_ps(b, lb), _mm_sub_ps(hb, b));
    const __m128 far = _mm_add_ps(_mm_add_ps(_mm_mul_ps(fr, fr), _mm_mul_ps(fg, fg)),
                                  _mm_mul_ps(fb, fb));
    least = _mm_min_ps(least, far);
  }
  least = _mm_min_ps(least, _mm_shuffle_ps(least, least, _MM_SHUFFLE(1, 0, 3, 2)));
  least = _mm_min_ps(least, _mm_shuffle_ps(least, least, _MM_SHUFFLE(2, 3, 0, 1)));
  bound = _mm_cvtss_f32(least);
  const __m128 limit = _mm_set1_ps(bound);
  for (size_t k = 0; k < padded; k += 4) {
    const __m128 r = _mm_load_ps(er_ + k), g = _mm_load_ps(eg_ + k), b = _mm_load_ps(eb_ + k);
    const __m128 gr = _mm_max_ps(_mm_max_ps(_mm_sub_ps(lr, r), _mm_sub_ps(r, hr)), zero);
    const __m128 gg = _mm_max_ps(_mm_max_ps(_mm_sub_ps(lg, g), _mm_sub_ps(g, hg)), zero);
    const __m128 gb = _mm_max_ps(_mm_max_ps(_mm_sub_ps(lb, b), _mm_sub_ps(b, hb)), zero);
    const __m128 near = _mm_add_ps(_mm_add_ps(_mm_mul_ps(gr, gr), _mm_mul_ps(gg, gg)),
                                   _mm_mul_ps(gb, gb));
    int within = _mm_movemask_ps(_mm_cmple_ps(near, limit));
    while (within != 0) {
      const int lane = __builtin_ctz(static_cast<unsigned>(within));
      within &= within - 1;
      list_[count++] = static_cast<uint8_t>(searched_[k + static_cast<size_t>(lane)]);
    }
  }
#else
  auto far = [&](size_t k) {
    const float v[3] = {er_[k], eg_[k], eb_[k]};
    float sum = 0;
    for (int a = 0; a < 3; ++a) {
      const float d = std::max(v[a] - lo[a], hi[a] - v[a]);
      sum += d * d;
    }
    return sum;
  };
  auto near = [&](size_t k) {
    const float v[3] = {er_[k], eg_[k], eb_[k]};
    float sum = 0;
    for (int a = 0; a < 3; ++a) {
      const float d = std::max(std::max(lo[a] - v[a], v[a] - hi[a]), 0.0f);
      sum += d * d;
    }
    return sum;
  };
  bound = 1e30f;
  for (size_t k = 0; k < count_; ++k) bound = std::min(bound, far(k));
  for (size_t k = 0; k < count_; ++k) {
    if (near(k) <= bound) list_[count++] = static_cast<uint8_t>(searched_[k]);
  }
#endif
  // Never empty: the nearest is in it.
  if (count == 1) {
    start_[cell] = kAlone | list_[0];
    return start_[cell];
  }
  const uint32_t start = static_cast<uint32_t>(pool_.size());
  pool_.push_back(static_cast<uint32_t>(count));
  for (size_t k = 0; k < count; ++k) {
    const uint32_t i = list_[k];
    pool_.push_back(r_[i] | uint32_t{g_[i]} << 8 | uint32_t{b_[i]} << 16 | i << 24);
  }
  start_[cell] = start + 1;
  return start_[cell];
}

}  // namespace vr::colour
