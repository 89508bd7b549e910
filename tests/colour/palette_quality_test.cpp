// The optimised palette and its pixel mapping: colour counts, exactness, determinism and a floor
// on the likeness of smooth pictures.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "colour/nearest_entry.h"
#include "colour/optimised_palette.h"
#include "colour/reduce.h"

namespace vr::colour {
namespace {

using picture::PixelFormat;

void Put(Bitmap& b, int x, int y, Rgb c) {
  uint8_t* p = b.Row(y) + 3 * x;
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

Rgb Get(const Bitmap& b, int x, int y) {
  const uint8_t* p = b.Row(y) + 3 * x;
  return Rgb{p[2], p[1], p[0]};
}

// A smooth photo-like picture: gradients in every channel plus a gentle texture.
Bitmap Smooth(int w, int h) {
  Bitmap b;
  b.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double t = std::sin(x * 0.05) * std::cos(y * 0.07);
      Put(b, x, y,
          Rgb{static_cast<uint8_t>(40 + x * 170 / w + 10 * t),
              static_cast<uint8_t>(60 + y * 150 / h),
              static_cast<uint8_t>(200 - x * 90 / w + 20 * t)});
    }
  }
  return b;
}

// A low-key picture: dark, slowly varying colours, so a few coarse colour cells hold many exact
// colours.
Bitmap Dark(int w, int h) {
  Bitmap b;
  b.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double t = std::sin(x * 0.031 + y * 0.017) * std::cos(y * 0.043 - x * 0.011);
      const double dx = x - w * 0.6, dy = y - h * 0.4;
      const double face = std::exp(-(dx * dx + dy * dy) / (0.05 * w * w));
      Put(b, x, y,
          Rgb{static_cast<uint8_t>(12 + 30.0 * x / w + 6 * t + 120 * face),
              static_cast<uint8_t>(10 + 22.0 * y / h + 4 * t + 80 * face),
              static_cast<uint8_t>(18 + 16.0 * (x + y) / (w + h) - 5 * t + 60 * face)});
    }
  }
  return b;
}

// The colours of `colours` (each used) scattered over a picture.
Bitmap Scattered(const std::vector<Rgb>& colours, int w, int h) {
  Bitmap b;
  b.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) Put(b, x, y, colours[(x * 7 + y * 13) % colours.size()]);
  }
  return b;
}

double Psnr(const Bitmap& original, const Bitmap& reduced) {
  double sum = 0;
  for (int y = 0; y < original.Height(); ++y) {
    for (int x = 0; x < original.Width(); ++x) {
      const Rgb a = Get(original, x, y), c = reduced.Palette()[reduced.Row(y)[x]];
      sum += (a.r - c.r) * (a.r - c.r) + (a.g - c.g) * (a.g - c.g) + (a.b - c.b) * (a.b - c.b);
    }
  }
  const double mse = sum / (3.0 * original.Width() * original.Height());
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

struct RgbOrder {
  bool operator()(Rgb a, Rgb b) const {
    return a.r != b.r ? a.r < b.r : a.g != b.g ? a.g < b.g : a.b < b.b;
  }
};
using RgbSet = std::set<Rgb, RgbOrder>;

RgbSet ColoursUsed(const Bitmap& reduced) {
  RgbSet used;
  for (int y = 0; y < reduced.Height(); ++y) {
    for (int x = 0; x < reduced.Width(); ++x) used.insert(reduced.Palette()[reduced.Row(y)[x]]);
  }
  return used;
}

ReduceResult Reduce(const Bitmap& source, Bitmap& out, int colours, bool dither) {
  Palette6 pal6{};
  ReduceRequest request;
  request.colours = colours;
  request.dither = dither;
  return ReduceColours(source, out, pal6, request);
}

TEST(OptimisedPalette, NeverMoreColoursThanAskedAndTheSameBytesEachTime) {
  const Bitmap source = Smooth(160, 120);
  for (int n : {8, 16, 32, 64, 128, 256}) {
    for (bool dither : {false, true}) {
      Bitmap first, second;
      ASSERT_TRUE(Reduce(source, first, n, dither).done) << n;
      ASSERT_TRUE(Reduce(source, second, n, dither).done) << n;
      ASSERT_EQ(static_cast<int>(first.Palette().size()), n);
      std::set<int> indices;
      for (int y = 0; y < first.Height(); ++y) {
        for (int x = 0; x < first.Width(); ++x) indices.insert(first.Row(y)[x]);
      }
      EXPECT_LE(static_cast<int>(indices.size()), n) << n << " dither " << dither;
      EXPECT_GT(static_cast<int>(indices.size()), n / 2) << n << " dither " << dither;
      EXPECT_EQ(first.Palette(), second.Palette()) << n << " dither " << dither;
      for (int y = 0; y < first.Height(); ++y) {
        ASSERT_EQ(std::vector<uint8_t>(first.Row(y), first.Row(y) + first.Width()),
                  std::vector<uint8_t>(second.Row(y), second.Row(y) + second.Width()))
            << n << " dither " << dither << " row " << y;
      }
    }
  }
  // The 236 layout keeps its picture colours below 236 and the standard ones above.
  Bitmap out;
  Palette6 pal6{};
  ReduceRequest request;
  request.windows_236 = true;
  ASSERT_TRUE(ReduceColours(source, out, pal6, request).done);
  const std::vector<Rgb> standard = picture::Standard16();
  for (int y = 0; y < out.Height(); ++y) {
    for (int x = 0; x < out.Width(); ++x) {
      const int i = out.Row(y)[x];
      ASSERT_TRUE(i < 236 || (i >= 236 && i < 252)) << i;
    }
  }
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out.Palette()[236 + i], standard[i]);
}

TEST(OptimisedPalette, PicturesOfFewColoursStayExact) {
  // Colours off the 6-bit grid (odd values the 6-bit expansion never makes), each alone in its
  // 6-bit cell: a picture of N of them reduced to N or more keeps every pixel exact.
  std::vector<Rgb> twelve;
  for (int i = 0; i < 12; ++i) {
    twelve.push_back(Rgb{static_cast<uint8_t>(13 + i * 19), static_cast<uint8_t>(250 - i * 21),
                         static_cast<uint8_t>((i * 83 + 7) % 256 | 1)});
  }
  std::vector<Rgb> sixteen = twelve;
  for (int i = 0; i < 4; ++i) sixteen.push_back(Rgb{static_cast<uint8_t>(2 + i * 61), 129, 77});
  struct Case {
    const std::vector<Rgb>* colours;
    int n;
  };
  for (const Case& c : {Case{&twelve, 16}, Case{&sixteen, 16}, Case{&twelve, 256}}) {
    const Bitmap source = Scattered(*c.colours, 48, 24);
    for (bool dither : {false, true}) {
      Bitmap out;
      ASSERT_TRUE(Reduce(source, out, c.n, dither).done);
      for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 48; ++x) {
          ASSERT_EQ(out.Palette()[out.Row(y)[x]], Get(source, x, y))
              << c.colours->size() << " colours to " << c.n << " dither " << dither << " at " << x
              << "," << y;
        }
      }
      EXPECT_EQ(ColoursUsed(out).size(), c.colours->size());
    }
  }
}

TEST(OptimisedPalette, SmoothPicturesComeCloseAtFullPrecision) {
  // Floors about 0.7 dB above what this picture got from a median-cut palette matched through
  // the 6-bit colour cache (37.0 dB remapped, 35.1 dithered) and 0.5 dB above the optimised
  // palette matched through that cache.
  const Bitmap source = Smooth(256, 192);
  Bitmap out;
  ASSERT_TRUE(Reduce(source, out, 256, false).done);
  EXPECT_GT(Psnr(source, out), 37.7);
  ASSERT_TRUE(Reduce(source, out, 256, true).done);
  EXPECT_GT(Psnr(source, out), 35.9);
}

TEST(OptimisedPalette, LowKeyPicturesUseTheirExactColours) {
  // A dark picture whose few coarse colour cells each hold many exact colours: floors about
  // 0.15 dB above a palette placed on the cells and refined by a few rounds over the pixels
  // (46.86 dB remapped and 44.80 dithered at 256 colours, 41.83 remapped at 64).
  const Bitmap source = Dark(400, 300);
  Bitmap out;
  ASSERT_TRUE(Reduce(source, out, 256, false).done);
  EXPECT_GT(Psnr(source, out), 47.0);
  ASSERT_TRUE(Reduce(source, out, 256, true).done);
  EXPECT_GT(Psnr(source, out), 44.95);
  ASSERT_TRUE(Reduce(source, out, 64, false).done);
  EXPECT_GT(Psnr(source, out), 41.95);
}

TEST(OptimisedPalette, EntriesSitAtTheCentresOfSeparateGroups) {
  // Four groups of near colours with different weights: four entries, each at its group's
  // weighted mean, whatever the weights.
  picture::Bitmap b;
  b.Create(100, 10, PixelFormat::k24);
  const Rgb group[4][2] = {{{10, 10, 10}, {14, 10, 10}},
                           {{200, 40, 40}, {200, 48, 40}},
                           {{40, 200, 40}, {40, 200, 44}},
                           {{240, 240, 240}, {244, 244, 240}}};
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 100; ++x) {
      const int g = x < 70 ? 0 : x < 85 ? 1 : x < 95 ? 2 : 3;
      Put(b, x, y, group[g][(x + y) % 2]);
    }
  }
  ColourHistogram histogram;
  ASSERT_TRUE(histogram.Count(b));
  const std::vector<Rgb> palette = OptimisedPalette(histogram, 4);
  ASSERT_EQ(palette.size(), 4u);
  RgbSet got(palette.begin(), palette.end());
  const RgbSet want = {{12, 10, 10}, {200, 44, 40}, {40, 200, 42}, {242, 242, 240}};
  EXPECT_EQ(got, want);
  // Fewer distinct colours than asked: one entry per colour, no padding.
  EXPECT_EQ(OptimisedPalette(histogram, 256).size(), 8u);
}

TEST(NearestEntry, FindsTheTrueNearestEntryFirstInPaletteOrder) {
  // Palettes of several sizes, clustered and spread (with repeated entries, so ties happen),
  // against a search over every entry; with remembered colours too (met again, and after the
  // palette changed under them), black among them.
  uint32_t seed = 12345;
  auto next = [&seed](int range) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
  };
  for (int shift : {2, 3}) {
    for (bool remember : {false, true}) {
      NearestEntry nearest(shift, remember);
      std::vector<Rgb> again;  // colours asked before
      for (int size : {1, 2, 16, 100, 256}) {
        for (bool clustered : {false, true}) {
          std::vector<Rgb> entries;
          for (int i = 0; i < size; ++i) {
            const int spread = clustered ? 24 : 256;
            const int base = clustered ? 100 : 0;
            entries.push_back(Rgb{static_cast<uint8_t>(base + next(spread)),
                                  static_cast<uint8_t>(base + next(spread)),
                                  static_cast<uint8_t>(base + next(spread))});
            if (i % 7 == 3) entries.push_back(entries.back());
          }
          if (entries.size() > 256) entries.resize(256);
          std::vector<uint16_t> searched;
          for (size_t i = 0; i < entries.size(); ++i) searched.push_back(static_cast<uint16_t>(i));
          nearest.SetPalette(entries, searched);
          for (int k = 0; k < 20000; ++k) {
            int r = next(256), g = next(256), b = next(256);
            if (k % 2 == 1 && !again.empty()) {
              const Rgb c = again[static_cast<size_t>(next(static_cast<int>(again.size())))];
              r = c.r, g = c.g, b = c.b;
            } else if (k % 500 == 0) {
              r = g = b = 0;
            } else if (again.size() < 64) {
              again.push_back(
                  Rgb{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)});
            }
            int want = 0, best = 1 << 30;
            for (size_t i = 0; i < entries.size(); ++i) {
              const int d = (r - entries[i].r) * (r - entries[i].r) +
                            (g - entries[i].g) * (g - entries[i].g) +
                            (b - entries[i].b) * (b - entries[i].b);
              if (d < best) {
                best = d;
                want = static_cast<int>(i);
              }
            }
            ASSERT_EQ(nearest.Find(r, g, b), want)
                << size << " entries, clustered " << clustered << ", remember " << remember
                << ", colour " << r << "," << g << "," << b;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace vr::colour
