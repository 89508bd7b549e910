#include "picture/shrink.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <numeric>
#include <system_error>
#include <thread>
#include <vector>

#include "picture/convert.h"

#if defined(__linux__)
#include <sched.h>
#endif

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vr::picture {
namespace {

constexpr int kOne = 10000;  // fixed-point unit of the steps
// Sources of at least this many pixels are shrunk by two threads.
constexpr int64_t kSplitFromPixels = int64_t{2} << 20;

// Exact division by a divisor that stays fixed for a whole row: q = (x * m) >> 40 with
// m = ceil(2^40 / d). The error term x * (m * d - 2^40) stays below 2^40 as long as
// x <= 255 * d and d < 65536, which every sum here satisfies; larger divisors divide plainly.
struct Divider {
  explicit Divider(uint32_t d) : d(d), m(d < 65536 ? ((uint64_t{1} << 40) + d - 1) / d : 0) {}
  uint32_t operator()(uint64_t x) const {
    return m ? static_cast<uint32_t>((x * m) >> 40) : static_cast<uint32_t>(x / d);
  }
  uint32_t d;
  uint64_t m;
};

// Rounded step: target * 10000 / source.
int64_t Step(int target, int source) {
  return (static_cast<int64_t>(target) * kOne * 2 + source) / (2 * static_cast<int64_t>(source));
}

// acc[i] = src[i] (first row of a band) or acc[i] += src[i], for n bytes. `Acc` is uint16_t when
// no band can hold more than 257 rows (255 * 257 fits 16 bits), else uint32_t; the sums are the
// same, the narrow ones just move half the memory.
template <bool kAssign, typename Acc>
void AddBytes(Acc* acc, const uint8_t* src, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i lo16 = _mm_unpacklo_epi8(bytes, zero);
    const __m128i hi16 = _mm_unpackhi_epi8(bytes, zero);
    __m128i* a = reinterpret_cast<__m128i*>(acc + i);
    if constexpr (sizeof(Acc) == 2) {
      if constexpr (kAssign) {
        _mm_storeu_si128(a, lo16);
        _mm_storeu_si128(a + 1, hi16);
      } else {
        _mm_storeu_si128(a, _mm_add_epi16(_mm_loadu_si128(a), lo16));
        _mm_storeu_si128(a + 1, _mm_add_epi16(_mm_loadu_si128(a + 1), hi16));
      }
    } else {
      const __m128i v[4] = {_mm_unpacklo_epi16(lo16, zero), _mm_unpackhi_epi16(lo16, zero),
                            _mm_unpacklo_epi16(hi16, zero), _mm_unpackhi_epi16(hi16, zero)};
      for (int k = 0; k < 4; ++k) {
        if constexpr (kAssign) {
          _mm_storeu_si128(a + k, v[k]);
        } else {
          _mm_storeu_si128(a + k, _mm_add_epi32(_mm_loadu_si128(a + k), v[k]));
        }
      }
    }
  }
#endif
  for (; i < n; ++i) {
    if constexpr (kAssign) {
      acc[i] = src[i];
    } else {
      acc[i] = static_cast<Acc>(acc[i] + src[i]);
    }
  }
}

// acc[i] (=|+=) a[i] + b[i]: two rows at once, so the accumulator is walked half as often and
// two source streams are in flight.
template <bool kAssign>
void AddBytes2(uint16_t* acc, const uint8_t* a, const uint8_t* b, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(va, zero), _mm_unpacklo_epi8(vb, zero));
    const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(va, zero), _mm_unpackhi_epi8(vb, zero));
    __m128i* out = reinterpret_cast<__m128i*>(acc + i);
    if constexpr (kAssign) {
      _mm_storeu_si128(out, lo);
      _mm_storeu_si128(out + 1, hi);
    } else {
      _mm_storeu_si128(out, _mm_add_epi16(_mm_loadu_si128(out), lo));
      _mm_storeu_si128(out + 1, _mm_add_epi16(_mm_loadu_si128(out + 1), hi));
    }
  }
#endif
  for (; i < n; ++i) {
    const auto sum = static_cast<uint16_t>(a[i] + b[i]);
    acc[i] = kAssign ? sum : static_cast<uint16_t>(acc[i] + sum);
  }
}

// Adds one source row into the accumulator, specialised per source depth.
template <bool kAssign, typename Acc>
void AddRow(const Bitmap& src, int y, Acc* acc, const uint8_t (*pal)[3], uint8_t* scratch) {
  const int w = src.Width();
  const uint8_t* row = src.Row(y);
  auto put = [acc](size_t i, const uint8_t* p) {
    if constexpr (kAssign) {
      acc[i] = p[0];
      acc[i + 1] = p[1];
      acc[i + 2] = p[2];
    } else {
      acc[i] = static_cast<Acc>(acc[i] + p[0]);
      acc[i + 1] = static_cast<Acc>(acc[i + 1] + p[1]);
      acc[i + 2] = static_cast<Acc>(acc[i + 2] + p[2]);
    }
  };
  switch (src.Format()) {
    case PixelFormat::k24:
      AddBytes<kAssign>(acc, row, 3 * static_cast<size_t>(w));
      return;
    case PixelFormat::k32:
      for (int x = 0; x < w; ++x) put(3 * static_cast<size_t>(x), row + 4 * static_cast<size_t>(x));
      return;
    case PixelFormat::k8:
      for (int x = 0; x < w; ++x) put(3 * static_cast<size_t>(x), pal[row[x]]);
      return;
    case PixelFormat::k4:
      for (int x = 0; x < w; ++x)
        put(3 * static_cast<size_t>(x), pal[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)]);
      return;
    case PixelFormat::k1: {
      // 1-bit pixels count as black or white in every channel, whatever the palette says.
      static const uint8_t kBlack[3] = {0, 0, 0};
      static const uint8_t kWhite[3] = {255, 255, 255};
      for (int x = 0; x < w; ++x)
        put(3 * static_cast<size_t>(x), ((row[x >> 3] >> (7 - (x & 7))) & 1) ? kWhite : kBlack);
      return;
    }
    default:
      ExpandRowTo24(src, y, scratch);
      AddBytes<kAssign>(acc, scratch, 3 * static_cast<size_t>(w));
      return;
  }
}

// Each accumulator cell divided by the band's row count, truncated, into one byte per cell.
// 16-bit sums take a multiply-high by ceil(2^16 / rows), which is exact while
// 255 * rows * (m * rows - 2^16) < 2^16 (every band of up to 16 rows); others divide per cell.
template <typename Acc>
void DivideRows(const Acc* acc, size_t n, int rows, uint8_t* out) {
  if (rows == 1) {
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(acc[i]);
    return;
  }
  size_t i = 0;
#if defined(__SSE2__)
  if constexpr (sizeof(Acc) == 2) {
    const uint32_t d = static_cast<uint32_t>(rows);
    const uint32_t m = (65536 + d - 1) / d;
    if (m <= 65535 && 255ull * d * (m * d - 65536) < 65536) {
      const __m128i mul = _mm_set1_epi16(static_cast<short>(static_cast<uint16_t>(m)));
      for (; i + 16 <= n; i += 16) {
        const __m128i a =
            _mm_mulhi_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(acc + i)), mul);
        const __m128i b =
            _mm_mulhi_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(acc + i + 8)), mul);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
      }
    }
  }
#endif
  const Divider by_rows(static_cast<uint32_t>(rows));
  for (; i < n; ++i) out[i] = static_cast<uint8_t>(by_rows(acc[i]));
}

// A 24-bit band of up to 16 rows whose division by the row count is exact as a 16-bit
// multiply-high (see DivideRows): its rows are summed 16 bytes at a time in registers and
// divided at once, so no accumulator row is written and read back. False when the band does not
// qualify; `out` is then untouched.
bool SumAndDivideBand(const Bitmap& src, int y, int rows, size_t cells, uint8_t* out) {
#if defined(__SSE2__)
  constexpr int kMostRows = 16;
  if (rows < 2 || rows > kMostRows) return false;
  const uint32_t d = static_cast<uint32_t>(rows);
  const uint32_t m = (65536 + d - 1) / d;
  if (m > 65535 || 255ull * d * (m * d - 65536) >= 65536) return false;
  const uint8_t* p[kMostRows];
  for (int r = 0; r < rows; ++r) p[r] = src.Row(y + r);
  const __m128i zero = _mm_setzero_si128();
  const __m128i mul = _mm_set1_epi16(static_cast<short>(static_cast<uint16_t>(m)));
  size_t i = 0;
  for (; i + 16 <= cells; i += 16) {
    __m128i lo = zero;
    __m128i hi = zero;
    for (int r = 0; r < rows; ++r) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p[r] + i));
      lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(v, zero));
      hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(v, zero));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_packus_epi16(_mm_mulhi_epu16(lo, mul), _mm_mulhi_epu16(hi, mul)));
  }
  for (; i < cells; ++i) {
    uint32_t sum = 0;
    for (int r = 0; r < rows; ++r) sum += p[r][i];
    out[i] = static_cast<uint8_t>(sum / d);
  }
  return true;
#else
  (void)src;
  (void)y;
  (void)rows;
  (void)cells;
  (void)out;
  return false;
#endif
}

// Division of a band's column sum (at most 255 * cols) by its column count. Below 256 columns a
// 32-bit multiply by ceil(2^24 / cols) is exact (the error term 255 * cols * cols stays under
// 2^24) and x * m stays under 2^32; wider bands use the 64-bit divider.
struct ColumnDivider {
  explicit ColumnDivider(uint32_t cols)
      : m(cols < 256 ? ((uint32_t{1} << 24) + cols - 1) / cols : 0), wide(cols) {}
  uint32_t operator()(uint32_t x) const { return m ? (x * m) >> 24 : wide(x); }
  uint32_t m;
  Divider wide;
};

// Sums of `kCols` pixel triples, unrolled for the common band widths.
template <int kCols>
inline void SumTriples(const uint8_t* a, uint32_t& b, uint32_t& g, uint32_t& r) {
  for (int c = 0; c < kCols; ++c) {
    b += a[3 * c];
    g += a[3 * c + 1];
    r += a[3 * c + 2];
  }
}

// One destination row: the divided column values summed over each column band and averaged.
void EmitRow(const uint8_t* columns, const std::vector<uint32_t>& group_cols,
             const std::vector<ColumnDivider>& group_div, uint8_t* out) {
  const size_t groups = group_cols.size();
  const uint8_t* a = columns;
  for (size_t j = 0; j < groups; ++j, out += 3) {
    uint32_t b = 0, g = 0, r = 0;
    const uint32_t cols = group_cols[j];
#if defined(__SSE2__)
    if (cols <= 5) {
      // Up to five triples lie in one 16-byte load (`columns` has room past its end): the load
      // shifted by 3, 6, 9 and 12 bytes brings each next triple under the first, and 16-bit
      // adds sum the three channels in lanes 0 to 2.
      const __m128i zero = _mm_setzero_si128();
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
      __m128i sum = _mm_unpacklo_epi8(v, zero);
      switch (cols) {
        case 5:
          sum = _mm_add_epi16(sum, _mm_unpacklo_epi8(_mm_srli_si128(v, 12), zero));
          [[fallthrough]];
        case 4:
          sum = _mm_add_epi16(sum, _mm_unpacklo_epi8(_mm_srli_si128(v, 9), zero));
          [[fallthrough]];
        case 3:
          sum = _mm_add_epi16(sum, _mm_unpacklo_epi8(_mm_srli_si128(v, 6), zero));
          [[fallthrough]];
        case 2:
          sum = _mm_add_epi16(sum, _mm_unpacklo_epi8(_mm_srli_si128(v, 3), zero));
          [[fallthrough]];
        default:
          break;
      }
      const auto low = static_cast<uint32_t>(_mm_cvtsi128_si32(sum));
      b = low & 0xFFFF;
      g = low >> 16;
      r = static_cast<uint32_t>(_mm_extract_epi16(sum, 2));
      a += 3 * static_cast<size_t>(cols);
      const ColumnDivider& d = group_div[j];
      out[0] = static_cast<uint8_t>(d(b));
      out[1] = static_cast<uint8_t>(d(g));
      out[2] = static_cast<uint8_t>(d(r));
      continue;
    }
#endif
    switch (cols) {
      case 1:
        SumTriples<1>(a, b, g, r);
        break;
      case 2:
        SumTriples<2>(a, b, g, r);
        break;
      case 3:
        SumTriples<3>(a, b, g, r);
        break;
      case 4:
        SumTriples<4>(a, b, g, r);
        break;
      case 5:
        SumTriples<5>(a, b, g, r);
        break;
      case 6:
        SumTriples<6>(a, b, g, r);
        break;
      case 7:
        SumTriples<7>(a, b, g, r);
        break;
      case 8:
        SumTriples<8>(a, b, g, r);
        break;
      default:
        for (uint32_t c = 0; c < cols; ++c) {
          b += a[3 * c];
          g += a[3 * c + 1];
          r += a[3 * c + 2];
        }
    }
    a += 3 * static_cast<size_t>(cols);
    const ColumnDivider& d = group_div[j];
    out[0] = static_cast<uint8_t>(d(b));
    out[1] = static_cast<uint8_t>(d(g));
    out[2] = static_cast<uint8_t>(d(r));
  }
}

// The row walk over bands [first_band, end_band), which start at source row `first_row`:
// accumulate source rows into bands, emit one destination row per band.
template <typename Acc>
void ShrinkRows(const Bitmap& src, Bitmap& out, const std::vector<int>& bands, size_t first_band,
                size_t end_band, int first_row, const std::vector<uint32_t>& group_cols,
                const std::vector<ColumnDivider>& group_div, const uint8_t (*pal)[3]) {
  const int sw = src.Width();
  const int tw = out.Width();
  const size_t cells = 3 * static_cast<size_t>(sw);
  std::vector<Acc> acc(cells);
  std::vector<uint8_t> columns(cells + 16);  // EmitRow loads 16 bytes at a time
  std::vector<uint8_t> scratch;
  if (src.Format() == PixelFormat::k15 || src.Format() == PixelFormat::k16) scratch.resize(cells);
  const int made_cols = static_cast<int>(group_cols.size());
  // 24-bit rows with 16-bit sums go two at a time.
  const bool pairs = sizeof(Acc) == 2 && src.Format() == PixelFormat::k24;
  const size_t padding = out.Stride() - 3 * static_cast<size_t>(tw);
  // One destination row from the divided column values: pixels the column walk left over repeat
  // the last one, and the row padding is cleared (the picture is not zero-filled beforehand).
  auto emit = [&](int dy) {
    uint8_t* line = out.Row(dy);
    EmitRow(columns.data(), group_cols, group_div, line);
    for (int x = made_cols; x < tw; ++x) std::memcpy(line + 3 * x, line + 3 * (x - 1), 3);
    if (padding > 0) std::memset(line + 3 * static_cast<size_t>(tw), 0, padding);
  };
  int y = first_row;
  int dy = static_cast<int>(first_band);
  for (size_t band = first_band; band < end_band; ++band) {
    const int rows = bands[band];
    if (pairs && SumAndDivideBand(src, y, rows, cells, columns.data())) {
      y += rows;
      emit(dy++);
      continue;
    }
    if (pairs) {
      uint16_t* acc16 = reinterpret_cast<uint16_t*>(acc.data());
      int r = 0;
      for (; r + 1 < rows; r += 2) {
        if (r == 0) {
          AddBytes2<true>(acc16, src.Row(y + r), src.Row(y + r + 1), cells);
        } else {
          AddBytes2<false>(acc16, src.Row(y + r), src.Row(y + r + 1), cells);
        }
      }
      if (r < rows) {
        if (r == 0) {
          AddRow<true>(src, y + r, acc.data(), pal, scratch.data());
        } else {
          AddRow<false>(src, y + r, acc.data(), pal, scratch.data());
        }
      }
    } else {
      AddRow<true>(src, y, acc.data(), pal, scratch.data());
      for (int r = 1; r < rows; ++r) AddRow<false>(src, y + r, acc.data(), pal, scratch.data());
    }
    y += rows;
    DivideRows(acc.data(), cells, rows, columns.data());
    emit(dy++);
  }
}

// Whether this process may run on two cores at once: the processors it is allowed on (a process
// pinned to one core, as `taskset -c 0` does, gains nothing from a second thread).
bool TwoCores() {
  static const bool two = [] {
#if defined(__linux__)
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) return CPU_COUNT(&allowed) > 1;
#endif
    return std::thread::hardware_concurrency() > 1;
  }();
  return two;
}

bool ShrinkBoth(const Bitmap& src, Bitmap& dst, int tw, int th) {
  const int sw = src.Width();
  const int sh = src.Height();
  Bitmap out;
  if (!out.Reshape(tw, th, PixelFormat::k24)) return false;  // every byte is written below

  // Columns per destination pixel: the column fraction walk is the same for every row, so it is
  // made once. The last source column always closes a pixel; should rounding leave pixels over,
  // they repeat the last one.
  const int64_t xstep = Step(tw, sw);
  std::vector<uint32_t> group_cols;
  group_cols.reserve(static_cast<size_t>(tw));
  {
    int64_t frac = 0;
    uint32_t cols = 0;
    for (int x = 0; x < sw && static_cast<int>(group_cols.size()) < tw; ++x) {
      ++cols;
      frac += xstep;
      if (frac > kOne - 1 || x == sw - 1) {
        group_cols.push_back(cols);
        cols = 0;
        frac -= kOne;
      }
    }
  }
  std::vector<ColumnDivider> group_div;
  group_div.reserve(group_cols.size());
  for (uint32_t c : group_cols) group_div.emplace_back(c);

  // Source rows per destination row, by the same fraction walk; the last source row always
  // closes a band. The tallest band decides how wide the sums must be.
  const int64_t ystep = Step(th, sh);
  std::vector<int> bands;
  bands.reserve(static_cast<size_t>(th));
  int tallest = 0;
  {
    int64_t frac = 0;
    int rows = 0;
    for (int y = 0; y < sh && static_cast<int>(bands.size()) < th; ++y) {
      ++rows;
      frac += ystep;
      if (frac > kOne - 1 || y == sh - 1) {
        bands.push_back(rows);
        tallest = std::max(tallest, rows);
        rows = 0;
        frac -= kOne;
      }
    }
  }

  uint8_t pal[256][3] = {};
  const auto& palette = src.Palette();
  for (size_t i = 0; i < palette.size() && i < 256; ++i) {
    pal[i][0] = palette[i].b;
    pal[i][1] = palette[i].g;
    pal[i][2] = palette[i].r;
  }
  auto rows = [&](size_t first_band, size_t end_band, int first_row) {
    if (tallest <= 257) {
      ShrinkRows<uint16_t>(src, out, bands, first_band, end_band, first_row, group_cols,
                           group_div, pal);
    } else {
      ShrinkRows<uint32_t>(src, out, bands, first_band, end_band, first_row, group_cols,
                           group_div, pal);
    }
  };
  // A large picture is shrunk in two halves at once: the reading of the source is most of the
  // work, and the halves write separate destination rows.
  const size_t half = bands.size() / 2;
  bool split = static_cast<int64_t>(sw) * sh >= kSplitFromPixels && half > 0 &&
               TwoCores();
  if (split) {
    const int half_row = std::accumulate(bands.begin(), bands.begin() + half, 0);
    std::exception_ptr other_failed;
    std::exception_ptr own_failed;
    try {
      std::thread other([&] {
        try {
          rows(0, half, 0);
        } catch (...) {
          other_failed = std::current_exception();
        }
      });
      try {
        rows(half, bands.size(), half_row);
      } catch (...) {
        own_failed = std::current_exception();
      }
      other.join();
    } catch (const std::system_error&) {
      split = false;  // no thread to be had: one pass below
    }
    if (other_failed) std::rethrow_exception(other_failed);
    if (own_failed) std::rethrow_exception(own_failed);
  }
  if (!split) rows(0, bands.size(), 0);
  for (int dy = static_cast<int>(bands.size()); dy < th; ++dy) {
    std::memcpy(out.Row(dy), out.Row(dy - 1), out.Stride());
  }
  dst = std::move(out);
  return true;
}

}  // namespace

bool ShrinkSmooth(const Bitmap& src, Bitmap& dst, int width, int height) {
  if (src.Empty() || width <= 0 || height <= 0) return false;
  const int tw = std::min(width, src.Width());
  const int th = std::min(height, src.Height());
  if (tw == width && th == height) return ShrinkBoth(src, dst, tw, th);
  // A side that would grow: shrink what shrinks, then stretch to the asked size.
  Bitmap part;
  if (!ShrinkBoth(src, part, tw, th)) return false;
  Bitmap out;
  if (!out.Create(width, height, PixelFormat::k24)) return false;
  StretchDraw(part, out, Rect{0, 0, width, height});
  dst = std::move(out);
  return true;
}

bool ShrinkSmooth(const PictureHolder& src, Bitmap& dst, int width, int height) {
  if (src.vector && src.bitmap.Empty()) {
    Bitmap drawn;
    const int w = std::max(1, src.vector->Width());
    const int h = std::max(1, src.vector->Height());
    if (!drawn.Create(w, h, PixelFormat::k24)) return false;
    if (!src.vector->Render(drawn, w, h, kMetafileBackground)) return false;
    return ShrinkSmooth(drawn, dst, width, height);
  }
  return ShrinkSmooth(src.bitmap, dst, width, height);
}

bool WouldSmooth(int src_width, int src_height, Rect rect, bool force_smooth,
                 const SmoothSettings& settings) {
  const bool differs = rect.width != src_width || rect.height != src_height;
  const bool shrinks = src_width >= rect.width && src_height >= rect.height;
  return differs && shrinks && (settings.On() || force_smooth);
}

void DrawPictureScaled(const PictureHolder& src, Bitmap& dst, Rect rect, bool force_smooth,
                       const SmoothSettings& settings) {
  if (dst.Empty() || rect.width <= 0 || rect.height <= 0) return;
  const bool is_vector = src.vector && src.bitmap.Empty();
  if (!is_vector && src.bitmap.Empty()) return;
  if (dst.Indexed() && !is_vector && src.bitmap.Indexed()) {
    std::vector<Rgb> pal = src.bitmap.Palette();
    pal.resize(size_t{1} << dst.Bits());
    dst.SetPalette(std::move(pal));
  }
  if (WouldSmooth(src.Width(), src.Height(), rect, force_smooth, settings)) {
    Bitmap shrunk;
    if (ShrinkSmooth(src, shrunk, rect.width, rect.height)) {
      if (rect.left == 0 && rect.top == 0 && dst.Format() == PixelFormat::k24 &&
          dst.Width() == rect.width && dst.Height() == rect.height) {
        dst = std::move(shrunk);
      } else {
        StretchDraw(shrunk, dst, rect);
      }
      return;
    }
  }
  if (is_vector) {
    Bitmap drawn;
    if (drawn.Create(rect.width, rect.height, PixelFormat::k24) &&
        src.vector->Render(drawn, rect.width, rect.height, kMetafileBackground)) {
      StretchDraw(drawn, dst, rect);
    }
    return;
  }
  StretchDraw(src.bitmap, dst, rect);
}

}  // namespace vr::picture
