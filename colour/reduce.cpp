#include "colour/reduce.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "colour/nearest_entry.h"
#include "colour/optimised_palette.h"
#include "picture/convert.h"
#include "picture/palette.h"

namespace vr::colour {

using picture::PixelFormat;

namespace {

constexpr int kTrueColour = 16000;
constexpr int kCacheCells = 64 * 64 * 64;
constexpr int kErrorRange = 800;
// With an optimised palette, a pixel whose squared error exceeds this many times the palette's
// mean squared error passes on only half of it: such errors come from edges and texture, and
// spreading them in full only adds noise.
constexpr double kLargeError = 2.4;

using picture::Expand6To8;
using picture::Shrink8To6;
uint8_t ToByte(float v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }
inline int CellOf(int r, int g, int b) { return ((r >> 2) << 12) | ((g >> 2) << 6) | (b >> 2); }

// Error-limit value for e >= 0 by colour class.
int LimitFor(int colours, int e) {
  if (colours <= 2) return std::min(e, 128);
  if (colours <= 4) return e * 2 / 3;
  if (colours <= 8) {
    if (e <= 257) return e;
    // 258 adds one, then every multiple of 4 from 260 on.
    return 258 + e / 4 - 258 / 4;
  }
  if (colours <= 16) {
    if (e <= 127) return e;
    int v = 127;
    const int upto = std::min(e, 256);
    for (int i = 128; i <= upto; ++i) v += (i % 3 != 0) ? 1 : 0;
    if (e > 256) v += e - 256;
    return v;
  }
  int v = 0;
  for (int i = 0; i < e; ++i) {
    bool rise;
    if (i < 8) {
      rise = true;
    } else if (i < 16) {
      rise = i % 3 != 0;
    } else if (i < 48) {
      rise = i % 2 == 0;
    } else if (i < 128) {
      rise = i % 4 == 0;
    } else {
      rise = i % 7 == 0;
    }
    v += rise ? 1 : 0;
  }
  return v;
}

// The palette the pixels are mapped to, and the entries the nearest-colour search looks at.
struct WorkPalette {
  std::vector<Rgb> entries;          // as the destination gets them
  std::vector<uint16_t> candidates;  // entry numbers searched, in order
};

// Builds the per-reduction tables and maps rows.
class Mapper {
 public:
  // Optimised palettes: the share of the error passed on, in 1/16.
  static constexpr int kDamp = 15;

  // `precise`: the palette was made for this picture. Its entries may lie closer together than
  // a cache cell is wide, so each pixel is matched at full precision among the few entries that
  // can be nearest to anything in its cell, by plain squared distance (the measure the palette
  // was made with); and the dithering passes on 15/16 of each error, scaled down per pixel by
  // the shares DitherRow is given and halved for errors far above `palette_error`.
  Mapper(const WorkPalette& palette, int colours, bool precise, double palette_error,
         bool colours_repeat)
      : palette_(palette), precise_(precise) {
    // Green weighs most; the small palettes favour blue a little more.
    const bool small = colours >= 4 && colours <= 16;
    const int wr = 3, wg = small ? 4 : 6, wb = small ? 2 : 1;
    if (!precise) {
      cache_.reset(new uint16_t[kCacheCells]());
    } else {
      nearest_ = std::make_unique<NearestEntry>(NearestCellShift(palette_error), colours_repeat);
      nearest_->SetPalette(palette.entries, palette.candidates);
      cap_ = static_cast<int>(std::max(16.0, palette_error * kLargeError));
    }
    for (int d = 0; d <= 256; ++d) {
      sq_r_[d] = wr * d * d;
      sq_g_[d] = wg * d * d;
      sq_b_[d] = wb * d * d;
    }
    for (int e = -kErrorRange; e <= kErrorRange; ++e) {
      const int v = LimitFor(colours, e < 0 ? -e : e);
      error_limit_[e + kErrorRange] = static_cast<int16_t>(e < 0 ? -v : v);
    }
    while (plain_ < kErrorRange && LimitFor(colours, plain_ + 1) == plain_ + 1) ++plain_;
    for (size_t i = 0; i < palette_.entries.size() && i < 256; ++i) {
      pal_r_[i] = palette_.entries[i].r;
      pal_g_[i] = palette_.entries[i].g;
      pal_b_[i] = palette_.entries[i].b;
    }
    scale_overflow_ = colours >= 4 && colours <= 8;
  }

  void RemapRow(const uint8_t* bgr, int width, uint8_t* out) {
    for (int x = 0; x < width; ++x, bgr += 3) {
      out[x] = Lookup(bgr[2], bgr[1], bgr[0]);
    }
  }

  // One row of serpentine Floyd-Steinberg; `errors` holds (width + 2) * 3 values carried from
  // the row above, laid out with one spare pixel at each end.
  void DitherRow(const uint8_t* bgr, int width, uint8_t* out, int16_t* errors, bool left_to_right,
                 const uint8_t* shares = nullptr) {
    const int dir = left_to_right ? 1 : -1;
    const int dir3 = dir * 3;
    int x = left_to_right ? 0 : width - 1;
    int16_t* err = left_to_right ? errors : errors + static_cast<size_t>(width + 1) * 3;
    const uint8_t* in = bgr + static_cast<size_t>(x) * 3;
    int cur_r = 0, cur_g = 0, cur_b = 0;
    int below_r = 0, below_g = 0, below_b = 0;
    int prev_r = 0, prev_g = 0, prev_b = 0;
    const int16_t* elimit = error_limit_ + kErrorRange;
    for (int n = width; n > 0; --n) {
      cur_r = (cur_r + err[dir3 + 0] + 8) >> 4;
      cur_g = (cur_g + err[dir3 + 1] + 8) >> 4;
      cur_b = (cur_b + err[dir3 + 2] + 8) >> 4;
      // Every error is a value minus a palette entry, both in 0..255, so the weighted sums
      // stay within 16 * 255 and the shifted error within the tables.
      cur_r = in[2] + Limit(elimit, cur_r);
      cur_g = in[1] + Limit(elimit, cur_g);
      cur_b = in[0] + Limit(elimit, cur_b);
      if (scale_overflow_) {
        const int top = std::max(cur_r, std::max(cur_g, cur_b));
        if (top > 255) {
          cur_r = cur_r * 255 / top;
          cur_g = cur_g * 255 / top;
          cur_b = cur_b * 255 / top;
        }
      }
      cur_r = std::clamp(cur_r, 0, 255);
      cur_g = std::clamp(cur_g, 0, 255);
      cur_b = std::clamp(cur_b, 0, 255);
      const uint8_t index = Lookup(cur_r, cur_g, cur_b);
      out[x] = index;
      cur_r -= pal_r_[index];
      cur_g -= pal_g_[index];
      cur_b -= pal_b_[index];
      if (precise_) {
        int d = shares != nullptr ? shares[x] : kDamp;
        d >>= static_cast<int>(cur_r * cur_r + cur_g * cur_g + cur_b * cur_b > cap_);
        cur_r = Damp(cur_r, d);
        cur_g = Damp(cur_g, d);
        cur_b = Damp(cur_b, d);
      }
      Spread(cur_r, err[0], prev_r, below_r);
      Spread(cur_g, err[1], prev_g, below_g);
      Spread(cur_b, err[2], prev_b, below_b);
      x += dir;
      in += dir3;
      err += dir3;
    }
    err[0] = static_cast<int16_t>(prev_r);
    err[1] = static_cast<int16_t>(prev_g);
    err[2] = static_cast<int16_t>(prev_b);
  }

 private:
  // Hands 3/16 to the pixel behind (below), 5/16 below, 1/16 ahead (below), keeping 7/16 in `cur`
  // for the next pixel of the row.
  static inline void Spread(int& cur, int16_t& behind_slot, int& prev, int& below) {
    const int next = cur;
    const int delta = cur * 2;
    cur += delta;  // 3x
    behind_slot = static_cast<int16_t>(prev + cur);
    cur += delta;  // 5x
    prev = below + cur;
    below = next;
    cur += delta;  // 7x
  }

  inline uint8_t Lookup(int r, int g, int b) {
    if (precise_) return nearest_->Find(r, g, b);
    uint16_t& cell = cache_[CellOf(r, g, b)];
    if (cell == 0) cell = static_cast<uint16_t>(Nearest(r, g, b) + 1);
    return static_cast<uint8_t>(cell - 1);
  }

  int Nearest(int r, int g, int b) const {
    int best = 0;
    int best_distance = 0x7FFFFFFF;
    for (uint16_t i : palette_.candidates) {
      const int d = sq_r_[std::abs(r - pal_r_[i])] + sq_g_[std::abs(g - pal_g_[i])] +
                    sq_b_[std::abs(b - pal_b_[i])];
      if (d < best_distance) {
        best_distance = d;
        best = i;
        if (d == 0) break;
      }
    }
    return best;
  }

  // The limited error: most errors are small, where the limit leaves them as they are; a
  // predicted branch then spares the table load on the pixel-to-pixel dependency chain.
  inline int Limit(const int16_t* elimit, int e) const {
    const unsigned plain = static_cast<unsigned>(plain_);
    if (__builtin_expect(static_cast<unsigned>(e) + plain <= 2 * plain, 1)) return e;
    return elimit[e];
  }

  // e * d / 16 rounded half away from zero, without a branch on e's sign (which is random).
  static inline int Damp(int e, int d) {
    const int sign = e >> 31;  // 0 or -1
    const int scaled = ((((e ^ sign) - sign) * d + 8) >> 4);
    return (scaled ^ sign) - sign;
  }

  const WorkPalette& palette_;
  std::unique_ptr<uint16_t[]> cache_;  // 0: not known yet, else index + 1
  bool precise_ = false;
  int cap_ = 0x7FFFFFFF;     // a larger squared error is passed on at half that share
  std::unique_ptr<NearestEntry> nearest_;  // precise mapping
  int sq_r_[257], sq_g_[257], sq_b_[257];
  int16_t error_limit_[2 * kErrorRange + 1];
  int plain_ = 0;  // the limit leaves errors of at most this size as they are
  uint8_t pal_r_[256] = {}, pal_g_[256] = {}, pal_b_[256] = {};
  bool scale_overflow_ = false;
};

// How strongly each pixel of a row is dithered, as the share of its error passed on in 1/16
// (15 at most): fully where the picture is smooth (where a palette shows as bands), less where
// neighbours differ a lot (texture and edges hide bands, and diffused error there only adds
// noise). A pixel's roughness is the largest of its summed channel differences to the four
// neighbours; neighbours differing by more than the palette's typical step dither the pixel
// themselves.
class DitherLevels {
 public:
  DitherLevels(int width, double palette_error, int full_share)
      : width_(width),
        shares_(static_cast<size_t>(width)),
        across_(static_cast<size_t>(width) * 3 + 6),
        above_(static_cast<size_t>(width) * 3 + 2),
        below_(static_cast<size_t>(width) * 3 + 2),
        sideways_(static_cast<size_t>(width) * 3 + 3),
        upright_(static_cast<size_t>(width) * 3) {
    const double step = std::sqrt(palette_error);
    const int smooth = static_cast<int>(step * 1.5);
    const int rough = std::max(smooth + 1, static_cast<int>(step * 3));
    // The share for each roughness (at most 3 * 255).
    for (int c = 0; c < kRoughness; ++c) {
      const int level = c <= smooth ? 16 : c >= rough ? 0 : 16 * (rough - c) / (rough - smooth);
      share_of_[c] = static_cast<uint8_t>(full_share * level / 16);
    }
  }

  const uint8_t* Shares() const { return shares_.data(); }

  void Row(const Bitmap& bgr, int y) {
    const size_t n = static_cast<size_t>(width_) * 3;
    const uint8_t* row = bgr.Row(y);
    const uint8_t* up = bgr.Row(y > 0 ? y - 1 : y);
    const uint8_t* down = bgr.Row(y + 1 < bgr.Height() ? y + 1 : y);
    // Plain loops the compiler vectorises. across_[i + 3] is byte i against the same channel of
    // the pixel to its left, and the ends differ by nothing; then each byte's difference summed
    // with the next two, so that at 3 * x stands pixel x's sum over its channels (the sideways
    // one at 3 * x against its left neighbour, at 3 * x + 3 against its right one).
    uint8_t* across = across_.data();
    std::fill(across, across + 3, uint8_t{0});
    std::fill(across + n, across + n + 6, uint8_t{0});
    uint8_t* above = above_.data();
    uint8_t* below = below_.data();
    above[n] = above[n + 1] = below[n] = below[n + 1] = 0;
    for (size_t i = 3; i < n; ++i) across[i] = AbsDiff(row[i], row[i - 3]);
    for (size_t i = 0; i < n; ++i) above[i] = AbsDiff(row[i], up[i]);
    for (size_t i = 0; i < n; ++i) below[i] = AbsDiff(row[i], down[i]);
    uint16_t* sideways = sideways_.data();
    uint16_t* upright = upright_.data();
    for (size_t i = 0; i < n + 3; ++i) {
      sideways[i] = static_cast<uint16_t>(across[i] + across[i + 1] + across[i + 2]);
    }
    for (size_t i = 0; i < n; ++i) {
      upright[i] = std::max(static_cast<uint16_t>(above[i] + above[i + 1] + above[i + 2]),
                            static_cast<uint16_t>(below[i] + below[i + 1] + below[i + 2]));
    }
    for (int x = 0; x < width_; ++x) {
      const size_t i = static_cast<size_t>(x) * 3;
      const int c = std::max(std::max(sideways[i], sideways[i + 3]), upright[i]);
      shares_[static_cast<size_t>(x)] = share_of_[c];
    }
  }

 private:
  static constexpr int kRoughness = 3 * 255 + 1;

  static uint8_t AbsDiff(uint8_t a, uint8_t b) {
    return static_cast<uint8_t>(a > b ? a - b : b - a);
  }

  int width_;
  uint8_t share_of_[kRoughness];
  std::vector<uint8_t> shares_, across_, above_, below_;
  std::vector<uint16_t> sideways_, upright_;
};

Rgb StandardAt(int i) { return Expand6To8(picture::kTableB[i]); }

// A 24-bit copy of any picture, row by row.
bool ToBgr24(const Bitmap& source, Bitmap& out) {
  if (!out.Create(source.Width(), source.Height(), PixelFormat::k24)) return false;
  for (int y = 0; y < source.Height(); ++y) picture::ExpandRowTo24(source, y, out.Row(y));
  return true;
}

// The picture's own colours at 6-bit precision, in red, green, blue order: each the mean of
// the pixels of its 6-bit cell, so a colour met alone in its cell is kept exactly. False when
// there are more than `limit`.
bool ExactColours(const ColourHistogram& histogram, int limit, bool reserve_standard,
                  std::vector<Rgb>* out) {
  std::vector<uint8_t> reserved(kCacheCells, 0);
  if (reserve_standard) {
    for (const Rgb& c : picture::kTableB) reserved[(c.r << 12) | (c.g << 6) | c.b] = 1;
  }
  out->clear();
  for (const ColourHistogram::Cell& cell : histogram.Cells()) {
    if (reserved[cell.key]) continue;
    if (static_cast<int>(out->size()) == limit) return false;
    out->push_back(Rgb{ToByte(cell.r), ToByte(cell.g), ToByte(cell.b)});
  }
  return true;
}

}  // namespace

int ErrorLimit(int colours, int e) {
  e = std::clamp(e, -kErrorRange, kErrorRange);
  const int v = LimitFor(colours, e < 0 ? -e : e);
  return e < 0 ? -v : v;
}

int SourceColourFigure(const Bitmap& source, int* distinct) {
  int figure = kTrueColour;
  int used_count = 0;
  switch (source.Format()) {
    case PixelFormat::k1:
      figure = used_count = 2;
      break;
    case PixelFormat::k4:
      figure = used_count = 16;
      break;
    case PixelFormat::k8: {
      bool used[256] = {};
      for (int y = 0; y < source.Height(); ++y) {
        const uint8_t* row = source.Row(y);
        for (int x = 0; x < source.Width(); ++x) used[row[x]] = true;
      }
      figure = 0;
      for (int i = 0; i < 256; ++i) {
        if (used[i]) {
          figure = i + 1;
          ++used_count;
        }
      }
      break;
    }
    default:
      used_count = kTrueColour;
      break;
  }
  if (distinct != nullptr) *distinct = used_count;
  return figure;
}

bool ReductionApplies(int bits, int colours, bool standard_colours) {
  if (standard_colours) return true;
  if (bits >= 24 || bits <= 0) return bits > 0;
  return colours < (1 << bits);
}

ReduceResult ReduceColours(const Bitmap& source_in, Bitmap& destination, Palette6& palette,
                           const ReduceRequest& request) {
  ReduceResult result;
  if (source_in.Empty()) {
    result.error = "Nothing to reduce";
    return result;
  }
  // The destination may be the source itself; keep a private copy then.
  std::unique_ptr<Bitmap> own_source;
  if (&source_in == &destination) own_source = std::make_unique<Bitmap>(source_in);
  const Bitmap& source = own_source ? *own_source : source_in;

  int distinct = 0;
  const int figure = SourceColourFigure(source, &distinct);
  int n = request.windows_236 ? 236 : request.colours;
  n = std::clamp(n, 2, 256);
  const bool standard = request.standard_colours && (n == 8 || n == 16);
  if (n >= figure && !standard) return result;  // nothing to do

  Bitmap copy;
  const Bitmap* bgr = &source;
  if (source.Format() != PixelFormat::k24) {
    if (!ToBgr24(source, copy)) {
      result.error = "Not enough memory to reduce the colors of this picture";
      return result;
    }
    bgr = &copy;
  }
  palette.fill(Rgb{});

  WorkPalette work;
  const bool mode_236 = n == 236;
  bool optimised = false;  // the palette was made for this picture
  double palette_error = 0;  // its mean squared distance to the pixels
  bool colours_repeat = false;  // the picture has few colour cells
  if (n == 2) {
    work.entries = {Rgb{0, 0, 0}, Rgb{255, 255, 255}};
  } else if (n == 4) {
    work.entries = {Rgb{0, 0, 0}, Rgb{255, 255, 0}, Rgb{0, 255, 255}, Rgb{255, 0, 255}};
  } else if (standard && n == 8) {
    work.entries.push_back(StandardAt(0));
    for (int i = 9; i < 16; ++i) work.entries.push_back(StandardAt(i));
  } else if (standard) {
    for (int i = 0; i < 16; ++i) work.entries.push_back(StandardAt(i));
  } else if ((source.Format() == PixelFormat::k8 ? distinct : figure) >= n) {
    ColourHistogram histogram;
    if (!histogram.Count(*bgr)) {
      result.error = "Not enough memory to reduce the colors of this picture";
      return result;
    }
    if (!ExactColours(histogram, n, mode_236, &work.entries)) {
      work.entries = OptimisedPalette(histogram, n, bgr, &palette_error);
      colours_repeat = ColoursRepeat(histogram);
      optimised = true;
    }
  } else {
    // An 8-bit picture using few indices spread over a larger palette: keep the ones in use.
    bool used[256] = {};
    for (int y = 0; y < source.Height(); ++y) {
      const uint8_t* row = source.Row(y);
      for (int x = 0; x < source.Width(); ++x) used[row[x]] = true;
    }
    for (int i = 0; i < 256; ++i) {
      if (used[i]) {
        work.entries.push_back(
            static_cast<size_t>(i) < source.Palette().size() ? source.Palette()[i] : Rgb{});
      }
    }
  }
  if (work.entries.empty()) work.entries.push_back(Rgb{});
  if (static_cast<int>(work.entries.size()) > n) work.entries.resize(n);

  // Only real colours are searched; padding entries never win a pixel.
  for (size_t i = 0; i < work.entries.size(); ++i)
    work.candidates.push_back(static_cast<uint16_t>(i));
  work.entries.resize(n, Rgb{});
  if (mode_236) {
    work.entries.resize(256, Rgb{});
    for (int i = 0; i < 16; ++i) {
      work.entries[236 + i] = StandardAt(i);
      work.candidates.push_back(static_cast<uint16_t>(236 + i));
    }
  }

  const int width = source.Width();
  const int height = source.Height();
  if (!destination.Create(width, height, PixelFormat::k8)) {
    result.error = "Not enough memory to reduce the colors of this picture";
    return result;
  }
  destination.SetPalette(work.entries);

  auto report = [&](int percent, ProgressPhase phase) {
    return !request.progress || request.progress(percent, phase);
  };
  if (!report(0, ProgressPhase::kStart)) {
    result.stopped = true;
    return result;
  }
  // Dithered colours repeat less than the picture's own; remembering them pays only where the
  // search is long (many close entries).
  Mapper mapper(work, n, optimised, palette_error,
                colours_repeat && (!request.dither || n > 64));
  std::vector<int16_t> errors;
  if (request.dither) errors.assign(static_cast<size_t>(width + 2) * 3, 0);
  DitherLevels levels(optimised && request.dither ? width : 0, palette_error, Mapper::kDamp);
  for (int y = 0; y < height; ++y) {
    if (y % 20 == 0 && y > 0 &&
        !report(static_cast<int>(static_cast<int64_t>(y) * 100 / height),
                ProgressPhase::kProgress)) {
      result.stopped = true;
      return result;
    }
    if (request.dither) {
      // Even rows run right to left, odd rows left to right.
      if (optimised) levels.Row(*bgr, y);
      mapper.DitherRow(bgr->Row(y), width, destination.Row(y), errors.data(), (y & 1) != 0,
                       optimised ? levels.Shares() : nullptr);
    } else {
      mapper.RemapRow(bgr->Row(y), width, destination.Row(y));
    }
  }
  for (size_t i = 0; i < work.entries.size() && i < palette.size(); ++i) {
    palette[i] = Shrink8To6(work.entries[i]);
  }
  report(100, ProgressPhase::kDone);
  result.done = true;
  return result;
}

bool ReduceToScreen(Bitmap& bitmap, Palette6& palette) {
  Bitmap reduced;
  ReduceRequest request;
  request.colours = 256;
  request.dither = true;
  const ReduceResult result = ReduceColours(bitmap, reduced, palette, request);
  if (!result.done) return false;
  bitmap = std::move(reduced);
  return true;
}

}  // namespace vr::colour
