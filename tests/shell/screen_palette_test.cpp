// Palette screens: the palette realised for a picture, how many entries a realisation changes,
// and every displayed pixel taking the nearest realised colour.
#include "shell/screen_palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace vr::shell {
namespace {

using picture::Bitmap;
using picture::PixelFormat;
using picture::Rgb;

bool Holds(const std::vector<Rgb>& palette, Rgb c) {
  return std::find(palette.begin(), palette.end(), c) != palette.end();
}

TEST(ScreenPaletteTest, PictureGivesItsOwnPaletteElseTheHalftoneTable) {
  const std::vector<Rgb> halftone = HalftonePalette();
  ASSERT_EQ(halftone.size(), 256u);
  for (Rgb c : {Rgb{0, 0, 0}, Rgb{255, 255, 255}, Rgb{255, 0, 0}, Rgb{0, 255, 0}, Rgb{0, 0, 255},
                Rgb{102, 153, 204}}) {
    EXPECT_TRUE(Holds(halftone, c)) << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
  Bitmap indexed;
  indexed.Create(4, 4, PixelFormat::k8);
  indexed.SetPalette({Rgb{1, 2, 3}, Rgb{200, 100, 50}});
  EXPECT_EQ(PaletteToRealise(indexed), (std::vector<Rgb>{Rgb{1, 2, 3}, Rgb{200, 100, 50}}));
  Bitmap colour;
  colour.Create(4, 4, PixelFormat::k24);
  EXPECT_EQ(PaletteToRealise(colour), halftone);
  EXPECT_TRUE(IsPaletteDepth(8));
  EXPECT_TRUE(IsPaletteDepth(4));
  EXPECT_FALSE(IsPaletteDepth(15));
  EXPECT_FALSE(IsPaletteDepth(32));
}

TEST(ScreenPaletteTest, RealiseCountsChangedEntries) {
  ScreenPalette screen;
  std::vector<Rgb> grey(16);
  for (int i = 0; i < 16; ++i) grey[i] = Rgb{uint8_t(i * 17), uint8_t(i * 17), uint8_t(i * 17)};
  EXPECT_EQ(screen.Realise(grey), 16);
  EXPECT_EQ(screen.Realise(grey), 0);  // the same palette again changes nothing
  grey[3] = Rgb{255, 0, 0};
  grey[9] = Rgb{0, 0, 255};
  EXPECT_EQ(screen.Realise(grey), 2);
  grey.resize(10);
  EXPECT_EQ(screen.Realise(grey), 6);  // six entries gone
  EXPECT_EQ(screen.realised().size(), 10u);
}

TEST(ScreenPaletteTest, DisplayPixelsTakeTheNearestRealisedColour) {
  ScreenPalette screen;
  // Without a realised palette the picture is left alone.
  Bitmap display;
  display.Create(64, 3, PixelFormat::k24);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 64; ++x) {
      uint8_t* px = display.Row(y) + 3 * x;
      px[0] = static_cast<uint8_t>(x * 4);  // blue ramp
      px[1] = static_cast<uint8_t>(y * 100);
      px[2] = static_cast<uint8_t>(255 - x * 4);
    }
  }
  const Bitmap before = display;
  screen.MapToScreen(display);
  EXPECT_EQ(0, std::memcmp(before.Row(0), display.Row(0), 64 * 3));

  const std::vector<Rgb> four = {Rgb{0, 0, 0}, Rgb{255, 0, 0}, Rgb{0, 0, 255}, Rgb{255, 255, 255}};
  screen.Realise(four);
  EXPECT_EQ(screen.Nearest(Rgb{250, 10, 5}), (Rgb{255, 0, 0}));
  EXPECT_EQ(screen.Nearest(Rgb{20, 10, 230}), (Rgb{0, 0, 255}));
  EXPECT_EQ(screen.Nearest(Rgb{200, 210, 220}), (Rgb{255, 255, 255}));
  EXPECT_EQ(screen.Nearest(Rgb{30, 30, 30}), (Rgb{0, 0, 0}));
  screen.MapToScreen(display);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 64; ++x) {
      const uint8_t* px = display.Row(y) + 3 * x;
      ASSERT_TRUE(Holds(four, Rgb{px[2], px[1], px[0]})) << x << "," << y;
    }
  }
  // The ends of the ramp are pure red and pure blue.
  EXPECT_EQ(display.Row(0)[2], 255);
  EXPECT_EQ(display.Row(0)[0], 0);
  EXPECT_EQ(display.Row(0)[63 * 3], 255);
  EXPECT_EQ(display.Row(0)[63 * 3 + 2], 0);
}

}  // namespace
}  // namespace vr::shell
