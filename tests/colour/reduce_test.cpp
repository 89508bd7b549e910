#include "colour/reduce.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "picture/palette.h"

namespace vr::colour {
namespace {

using picture::PixelFormat;

Bitmap Solid24(int w, int h, Rgb c) {
  Bitmap b;
  b.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.Row(y) + 3 * x;
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
    }
  }
  return b;
}

void Put(Bitmap& b, int x, int y, Rgb c) {
  uint8_t* p = b.Row(y) + 3 * x;
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

// Pixel colours of an 8-bit result, through its palette.
Rgb At(const Bitmap& b, int x, int y) { return b.Palette()[b.Row(y)[x]]; }

bool Before(Rgb a, Rgb b) {
  if (a.r != b.r) return a.r < b.r;
  if (a.g != b.g) return a.g < b.g;
  return a.b < b.b;
}

// 200 distinct colours, each exact at 6-bit precision, scattered so that input order is not RGB
// order.
std::vector<Rgb> TwoHundredColours() {
  std::vector<Rgb> colours;
  for (int i = 0; i < 200; ++i) {
    const int r6 = 63 - i / 4, g6 = (i * 29) % 64, b6 = (i * 13 + 7) % 64;
    colours.push_back(
        Rgb{picture::Expand6To8(r6), picture::Expand6To8(g6), picture::Expand6To8(b6)});
  }
  return colours;
}

Bitmap PictureOf(const std::vector<Rgb>& colours, int w, int h) {
  Bitmap b = Solid24(w, h, Rgb{});
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) Put(b, x, y, colours[(x + y * w) % colours.size()]);
  }
  return b;
}

TEST(ReduceExactColours, TwoHundredColoursKeptInRgbOrderForRemapAndDither) {
  const std::vector<Rgb> colours = TwoHundredColours();
  const Bitmap source = PictureOf(colours, 40, 10);
  for (bool dither : {false, true}) {
    Bitmap out;
    Palette6 pal6{};
    ReduceRequest request;
    request.colours = 256;
    request.dither = dither;
    const ReduceResult r = ReduceColours(source, out, pal6, request);
    ASSERT_TRUE(r.done) << r.error;
    ASSERT_EQ(out.Format(), PixelFormat::k8);
    ASSERT_EQ(out.Palette().size(), 256u);
    std::vector<Rgb> sorted = colours;
    std::sort(sorted.begin(), sorted.end(), Before);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(out.Palette()[i], sorted[i]) << "entry " << i;
    // Every pixel keeps exactly its own colour, dithered or not.
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 40; ++x) {
        ASSERT_LT(out.Row(y)[x], 200);
        ASSERT_EQ(At(out, x, y), colours[(x + y * 40) % 200])
            << x << "," << y << " dither " << dither;
      }
    }
    // The palette buffer comes back in 6-bit form; unused entries are black.
    EXPECT_EQ(pal6[0], picture::Shrink8To6(sorted[0]));
    EXPECT_EQ(pal6[199], picture::Shrink8To6(sorted[199]));
    EXPECT_EQ(pal6[200], Rgb{});
  }
}

TEST(ReduceExactColours, Windows236KeepsColoursAndPutsStandardColoursAt236) {
  // Two of the picture's colours are standard ones (black, white): they are reserved, not listed.
  std::vector<Rgb> colours = TwoHundredColours();
  colours.push_back(Rgb{0, 0, 0});
  colours.push_back(Rgb{255, 255, 255});
  const Bitmap source = PictureOf(colours, 202, 2);
  Bitmap out;
  Palette6 pal6{};
  ReduceRequest request;
  request.windows_236 = true;
  request.dither = false;
  ASSERT_TRUE(ReduceColours(source, out, pal6, request).done);
  ASSERT_EQ(out.Palette().size(), 256u);
  const std::vector<Rgb> standard = picture::Standard16();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out.Palette()[236 + i], standard[i]);
  std::vector<Rgb> sorted(colours.begin(), colours.begin() + 200);
  std::sort(sorted.begin(), sorted.end(), Before);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(out.Palette()[i], sorted[i]);
  // Black and white pixels map onto the standard entries.
  EXPECT_EQ(out.Row(0)[200], 236);
  EXPECT_EQ(out.Row(0)[201], 251);
  EXPECT_EQ(pal6[251], (Rgb{63, 63, 63}));
}

// A photo-like picture with far more than 256 colours.
Bitmap RichPicture(int w, int h) {
  Bitmap b = Solid24(w, h, Rgb{});
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Put(b, x, y,
          Rgb{static_cast<uint8_t>(x * 255 / (w - 1)), static_cast<uint8_t>(y * 255 / (h - 1)),
              static_cast<uint8_t>((x * 7 + y * 13) & 255)});
    }
  }
  return b;
}

TEST(ReduceQuantizer, RichPictureGetsAtMostNColoursAnd236Layout) {
  const Bitmap source = RichPicture(128, 96);
  for (int n : {16, 64, 256}) {
    Bitmap out;
    Palette6 pal6{};
    ReduceRequest request;
    request.colours = n;
    ASSERT_TRUE(ReduceColours(source, out, pal6, request).done) << n;
    ASSERT_EQ(static_cast<int>(out.Palette().size()), n);
    std::set<int> used;
    for (int y = 0; y < out.Height(); ++y) {
      for (int x = 0; x < out.Width(); ++x) used.insert(out.Row(y)[x]);
    }
    EXPECT_LE(static_cast<int>(used.size()), n);
    EXPECT_GT(static_cast<int>(used.size()), n / 2) << "the quantizer palette should be put to use";
  }
  Bitmap out;
  Palette6 pal6{};
  ReduceRequest request;
  request.windows_236 = true;
  ASSERT_TRUE(ReduceColours(source, out, pal6, request).done);
  ASSERT_EQ(out.Palette().size(), 256u);
  const std::vector<Rgb> standard = picture::Standard16();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out.Palette()[236 + i], standard[i]);
  for (int i = 252; i < 256; ++i) EXPECT_EQ(out.Palette()[i], Rgb{});
}

TEST(ReduceQuantizer, ClusteredColoursEachGetAnEntryAtTheirCentre) {
  // Eight tight clusters of 40 distinct colours each (320 colours, too many for the exact path).
  const Rgb centres[8] = {{20, 20, 20},   {230, 30, 40},  {40, 200, 60},  {50, 60, 220},
                          {220, 220, 40}, {200, 60, 200}, {60, 200, 210}, {235, 235, 235}};
  Bitmap source = Solid24(320, 16, Rgb{});
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 320; ++x) {
      const Rgb c = centres[x / 40];
      const int k = x % 40;
      // Offsets of -8..+8 around the centre, symmetric so that the mean is the centre.
      const int dr = (k % 5 - 2) * 4, dg = ((k / 5) % 4) * 4 - 6, db = (k % 2) ? 4 : -4;
      Put(source, x, y,
          Rgb{static_cast<uint8_t>(c.r + dr), static_cast<uint8_t>(c.g + dg),
              static_cast<uint8_t>(c.b + db)});
    }
  }
  Bitmap out;
  Palette6 pal6{};
  ReduceRequest request;
  request.colours = 8;
  request.dither = false;
  ASSERT_TRUE(ReduceColours(source, out, pal6, request).done);
  std::set<int> indices;
  for (int cluster = 0; cluster < 8; ++cluster) {
    const int index = out.Row(0)[cluster * 40];
    indices.insert(index);
    const Rgb e = out.Palette()[index];
    const Rgb c = centres[cluster];
    EXPECT_LE(std::abs(e.r - c.r) + std::abs(e.g - c.g) + std::abs(e.b - c.b), 9)
        << "cluster " << cluster;
    for (int x = cluster * 40; x < cluster * 40 + 40; ++x) ASSERT_EQ(out.Row(5)[x], index);
  }
  EXPECT_EQ(indices.size(), 8u);
}

Bitmap SixteenColourPicture() {
  Bitmap b;
  b.Create(16, 4, PixelFormat::k4);
  std::vector<Rgb> pal;
  for (int i = 0; i < 16; ++i) pal.push_back(Rgb{static_cast<uint8_t>(i * 16 + 5), 40, 200});
  b.SetPalette(pal);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 16; x += 2) b.Row(y)[x / 2] = static_cast<uint8_t>((x << 4) | (x + 1));
  }
  return b;
}

TEST(ReduceSmallPalettes, SixteenToSixteenDoesNothingButStandardColoursRemap) {
  const Bitmap source = SixteenColourPicture();
  Bitmap out;
  Palette6 pal6{};
  ReduceRequest request;
  request.colours = 16;
  EXPECT_FALSE(ReduceColours(source, out, pal6, request).done);
  EXPECT_TRUE(out.Empty());

  request.standard_colours = true;
  request.dither = false;
  ASSERT_TRUE(ReduceColours(source, out, pal6, request).done);
  EXPECT_EQ(out.Palette(), picture::Standard16());
  // Each pixel took the nearest standard colour under the 3:4:2 weights.
  for (int x = 0; x < 16; ++x) {
    const Rgb c = source.ColourAt(x, 0);
    int best = -1;
    long best_d = 1L << 40;
    for (int i = 0; i < 16; ++i) {
      const Rgb s = picture::Standard16()[i];
      const long d = 3L * (c.r - s.r) * (c.r - s.r) + 4L * (c.g - s.g) * (c.g - s.g) +
                     2L * (c.b - s.b) * (c.b - s.b);
      if (d < best_d) best_d = d, best = i;
    }
    EXPECT_EQ(out.Row(0)[x], best) << x;
  }
  // The 8 standard colours: black and the bright seven.
  request.colours = 8;
  ASSERT_TRUE(ReduceColours(source, out, pal6, request).done);
  EXPECT_EQ(out.Palette(), picture::Standard8());
}

TEST(ReduceSmallPalettes, FourColoursAreBlackYellowCyanMagentaAndTwoAreBlackWhite) {
  const Bitmap source = RichPicture(64, 32);
  Bitmap out;
  Palette6 pal6{};
  ReduceRequest request;
  request.colours = 4;
  ASSERT_TRUE(ReduceColours(source, out, pal6, request).done);
  EXPECT_EQ(out.Palette(),
            (std::vector<Rgb>{{0, 0, 0}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}}));
  EXPECT_EQ(pal6[1], (Rgb{63, 63, 0}));
  for (int y = 0; y < out.Height(); ++y) {
    for (int x = 0; x < out.Width(); ++x) ASSERT_LT(out.Row(y)[x], 4);
  }
  request.colours = 2;
  ASSERT_TRUE(ReduceColours(source, out, pal6, request).done);
  EXPECT_EQ(out.Palette(), (std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}}));
}

TEST(ReduceRemap, GradientMapsToFlatBandsWhileDitherMixes) {
  Bitmap source = Solid24(256, 8, Rgb{});
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 256; ++x)
      Put(source, x, y,
          Rgb{static_cast<uint8_t>(x), static_cast<uint8_t>(x), static_cast<uint8_t>(x)});
  }
  auto changes = [](const Bitmap& b, int y) {
    int n = 0;
    for (int x = 1; x < b.Width(); ++x) n += b.Row(y)[x] != b.Row(y)[x - 1];
    return n;
  };
  Bitmap out;
  Palette6 pal6{};
  ReduceRequest request;
  request.colours = 8;
  request.dither = false;
  ASSERT_TRUE(ReduceColours(source, out, pal6, request).done);
  std::set<int> seen;
  for (int y = 0; y < 8; ++y) {
    EXPECT_EQ(std::vector<uint8_t>(out.Row(y), out.Row(y) + 256),
              std::vector<uint8_t>(out.Row(0), out.Row(0) + 256));
  }
  // Each palette colour covers one run: an index never comes back once left.
  for (int x = 0; x < 256; ++x) {
    if (x > 0 && out.Row(0)[x] != out.Row(0)[x - 1]) {
      EXPECT_EQ(seen.count(out.Row(0)[x]), 0u)
          << "band of index " << int(out.Row(0)[x]) << " split";
    }
    seen.insert(out.Row(0)[x]);
  }
  EXPECT_LE(changes(out, 0), 7);
  EXPECT_GE(changes(out, 0), 3);

  request.dither = true;
  ASSERT_TRUE(ReduceColours(source, out, pal6, request).done);
  EXPECT_GT(changes(out, 3), 20);
}

TEST(ReduceDither, ErrorDiffusionKeepsTheAverageAndRunsSerpentine) {
  // A flat grey of 100 in black and white: remap gives all black, dithering about 100/255 white.
  const Bitmap grey = Solid24(64, 64, Rgb{100, 100, 100});
  Bitmap out;
  Palette6 pal6{};
  ReduceRequest request;
  request.colours = 2;
  request.dither = false;
  ASSERT_TRUE(ReduceColours(grey, out, pal6, request).done);
  int white = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) white += out.Row(y)[x];
  }
  EXPECT_EQ(white, 0);
  request.dither = true;
  ASSERT_TRUE(ReduceColours(grey, out, pal6, request).done);
  white = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) white += out.Row(y)[x];
  }
  EXPECT_NEAR(white / 4096.0, 100.0 / 255.0, 0.02);

  // Row 0 runs right to left: its right pixel is met first, goes black and pushes its error
  // left. Row 1 runs left to right.
  Bitmap pair = Solid24(2, 2, Rgb{100, 100, 100});
  Put(pair, 0, 1, Rgb{});
  Put(pair, 1, 1, Rgb{});
  ASSERT_TRUE(ReduceColours(pair, out, pal6, request).done);
  EXPECT_EQ(out.Row(0)[0], 1);
  EXPECT_EQ(out.Row(0)[1], 0);
  Bitmap pair2 = Solid24(2, 2, Rgb{});
  Put(pair2, 0, 1, Rgb{100, 100, 100});
  Put(pair2, 1, 1, Rgb{100, 100, 100});
  ASSERT_TRUE(ReduceColours(pair2, out, pal6, request).done);
  EXPECT_EQ(out.Row(1)[0], 0);
  EXPECT_EQ(out.Row(1)[1], 1);
}

TEST(ReduceErrorLimit, ValuesOfEveryColourClass) {
  struct Case {
    int colours, e, want;
  };
  const Case cases[] = {
      {2, 50, 50},    {2, 128, 128},  {2, 500, 128},  {4, 3, 2},       {4, 100, 66},
      {4, 800, 533},  {8, 257, 257},  {8, 258, 258},  {8, 259, 258},   {8, 260, 259},
      {8, 264, 260},  {16, 127, 127}, {16, 128, 128}, {16, 129, 128},  {16, 130, 129},
      {16, 256, 213}, {16, 257, 214}, {16, 260, 217}, {32, 7, 7},      {32, 8, 8},
      {32, 16, 13},   {32, 48, 29},   {64, 128, 49},  {128, 800, 145}, {256, 800, 145},
      {236, 16, 13},  {256, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ErrorLimit(c.colours, c.e), c.want) << c.colours << " colours, e=" << c.e;
    EXPECT_EQ(ErrorLimit(c.colours, -c.e), -c.want) << c.colours << " colours, e=-" << c.e;
  }
  // Never falling, for every class.
  for (int n : {2, 4, 8, 16, 32}) {
    for (int e = 1; e <= 800; ++e)
      ASSERT_GE(ErrorLimit(n, e), ErrorLimit(n, e - 1)) << n << " " << e;
  }
}

TEST(ReduceSourceColours, FiguresAndPaletteOfSparseEightBitPictures) {
  Bitmap b;
  b.Create(4, 1, PixelFormat::k8);
  std::vector<Rgb> pal(256);
  pal[3] = Rgb{10, 20, 30};
  pal[40] = Rgb{200, 100, 0};
  pal[90] = Rgb{0, 0, 250};
  b.SetPalette(pal);
  b.Row(0)[0] = 3;
  b.Row(0)[1] = 90;
  b.Row(0)[2] = 40;
  b.Row(0)[3] = 3;
  int distinct = 0;
  EXPECT_EQ(SourceColourFigure(b, &distinct), 91);
  EXPECT_EQ(distinct, 3);
  Bitmap one;
  one.Create(3, 3, PixelFormat::k1);
  EXPECT_EQ(SourceColourFigure(one), 2);
  EXPECT_EQ(SourceColourFigure(SixteenColourPicture()), 16);
  EXPECT_EQ(SourceColourFigure(Solid24(1, 1, Rgb{})), 16000);

  // 3 indices in use but 91 in range: reduced to 16 keeps the used entries in index order.
  Bitmap out;
  Palette6 pal6{};
  ReduceRequest request;
  request.colours = 16;
  request.dither = false;
  ASSERT_TRUE(ReduceColours(b, out, pal6, request).done);
  ASSERT_EQ(out.Palette().size(), 16u);
  EXPECT_EQ(out.Palette()[0], pal[3]);
  EXPECT_EQ(out.Palette()[1], pal[40]);
  EXPECT_EQ(out.Palette()[2], pal[90]);
  EXPECT_EQ(std::vector<uint8_t>(out.Row(0), out.Row(0) + 4), (std::vector<uint8_t>{0, 2, 1, 0}));
  // 128 is above 91: nothing to do.
  request.colours = 128;
  EXPECT_FALSE(ReduceColours(b, out, pal6, request).done);

  EXPECT_TRUE(ReductionApplies(24, 256, false));
  EXPECT_FALSE(ReductionApplies(4, 16, false));
  EXPECT_TRUE(ReductionApplies(4, 16, true));
  EXPECT_TRUE(ReductionApplies(8, 128, false));
}

TEST(ReduceProgress, PhasesEveryTwentyRowsAndStopOnRequest) {
  const Bitmap source = RichPicture(32, 100);
  std::vector<std::pair<int, ProgressPhase>> seen;
  Bitmap out;
  Palette6 pal6{};
  ReduceRequest request;
  request.colours = 64;
  request.progress = [&](int percent, ProgressPhase phase) {
    seen.emplace_back(percent, phase);
    return true;
  };
  ASSERT_TRUE(ReduceColours(source, out, pal6, request).done);
  const std::vector<std::pair<int, ProgressPhase>> want = {
      {0, ProgressPhase::kStart},     {20, ProgressPhase::kProgress},
      {40, ProgressPhase::kProgress}, {60, ProgressPhase::kProgress},
      {80, ProgressPhase::kProgress}, {100, ProgressPhase::kDone}};
  EXPECT_EQ(seen, want);

  // Stopping at 40 % leaves a clean, not-done result with the rows so far written.
  request.progress = [&](int percent, ProgressPhase) { return percent < 40; };
  const ReduceResult r = ReduceColours(source, out, pal6, request);
  EXPECT_FALSE(r.done);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(out.Width(), 32);
}

TEST(ReduceInPlace, SourceMayBeTheDestinationAndReduceToScreenReplaces) {
  Bitmap b = RichPicture(50, 30);
  const Bitmap original = b;
  Palette6 pal6{};
  ReduceRequest request;
  request.colours = 32;
  ASSERT_TRUE(ReduceColours(b, b, pal6, request).done);
  EXPECT_EQ(b.Format(), PixelFormat::k8);
  EXPECT_EQ(b.Width(), 50);

  Bitmap screen = original;
  ASSERT_TRUE(ReduceToScreen(screen, pal6));
  EXPECT_EQ(screen.Format(), PixelFormat::k8);
  EXPECT_EQ(screen.Palette().size(), 256u);
  // Close to the original everywhere: the dithered result is a fair likeness.
  double error = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 50; ++x) {
      const Rgb a = original.ColourAt(x, y), c = screen.ColourAt(x, y);
      error += std::abs(a.r - c.r) + std::abs(a.g - c.g) + std::abs(a.b - c.b);
    }
  }
  EXPECT_LT(error / (50 * 30 * 3), 12.0);
  // A picture with few colours is left alone.
  Bitmap small = SixteenColourPicture();
  EXPECT_FALSE(ReduceToScreen(small, pal6));
  EXPECT_EQ(small.Format(), PixelFormat::k4);
}

TEST(ReduceQuantizer, PaletteComesFromLibjpegOrFails) {
  const Bitmap source = RichPicture(64, 64);
  std::vector<Rgb> palette;
  ASSERT_TRUE(QuantizerPalette(source, 32, 95, &palette));
  EXPECT_LE(palette.size(), 32u);
  EXPECT_GE(palette.size(), 16u);
  Bitmap eight;
  eight.Create(4, 4, PixelFormat::k8);
  EXPECT_FALSE(QuantizerPalette(eight, 32, 95, &palette));
  EXPECT_TRUE(palette.empty());
}

}  // namespace
}  // namespace vr::colour

#include "colour/reduce_menu.h"

namespace vr::colour {
namespace {

TEST(ReduceMenu, ItemsAndTrueColourToggle) {
  const auto& items = ReduceMenuItems();
  ASSERT_EQ(items.size(), 11u);
  EXPECT_STREQ(items[5].caption, "&6. 16 (VGA colors)");
  EXPECT_TRUE(items[5].standard_colours);
  EXPECT_EQ(items[10].colours, 256);
  EXPECT_TRUE(items[10].windows_236);
  // Only items that lower the colour count act, or those asking for the standard colours.
  EXPECT_FALSE(ReductionApplies(4, items[4].colours, items[4].standard_colours));
  EXPECT_TRUE(ReductionApplies(4, items[5].colours, items[5].standard_colours));

  std::vector<std::string> said;
  auto inform = [&](const std::string& t) { said.push_back("i:" + t); };
  bool answer = true;
  auto ask = [&](const std::string& t) {
    said.push_back("q:" + t);
    return answer;
  };
  EXPECT_EQ(ToggleTrueColourOn256(0, 32, inform, ask), 0);
  EXPECT_EQ(said.back(), std::string("i:") + kTrueColourNotNeeded);
  EXPECT_EQ(ToggleTrueColourOn256(0, 8, inform, ask), 1);
  EXPECT_NE(said.back().find("Do you wish to use this option ?"), std::string::npos);
  EXPECT_NE(said.back().find("loading of 16M color files"), std::string::npos);
  answer = false;
  EXPECT_EQ(ToggleTrueColourOn256(0, 8, inform, ask), 0);
  said.clear();
  EXPECT_EQ(ToggleTrueColourOn256(1, 8, inform, ask), 0);
  EXPECT_TRUE(said.empty());
}

}  // namespace
}  // namespace vr::colour
