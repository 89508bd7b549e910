// Palette conversions, the standard tables and the fit of a picture into a box.
#include <gtest/gtest.h>

#include "picture/fit.h"
#include "picture/palette.h"

namespace vr::picture {
namespace {

TEST(PaletteConversion, SixAndEightBitEdgeValues) {
  EXPECT_EQ(Expand6To8(63), 255);
  EXPECT_EQ(Expand6To8(32), 130);
  EXPECT_EQ(Expand6To8(0), 0);
  EXPECT_EQ(Shrink8To6(255), 63);
  EXPECT_EQ(Shrink8To6(128), 32);
  EXPECT_EQ(Shrink8To6(0), 0);
  // Every 6-bit value survives the trip to 8 bits and back.
  for (int c = 0; c < 64; ++c) EXPECT_EQ(Shrink8To6(Expand6To8(c)), c) << c;
  EXPECT_EQ(Expand6To8(Rgb{63, 32, 0}), (Rgb{255, 130, 0}));
}

TEST(PaletteTables, GreyRampAndCubes) {
  const Palette6 grey = GreyRamp6();
  EXPECT_EQ(grey[0], (Rgb{0, 0, 0}));
  EXPECT_EQ(grey[128], (Rgb{32, 32, 32}));
  EXPECT_EQ(grey[255], (Rgb{63, 63, 63}));

  const Palette6 cube = Cube332();
  EXPECT_EQ(cube[0], (Rgb{7, 7, 15}));
  EXPECT_EQ(cube[1 * 32 + 2 * 4 + 3], (Rgb{15, 23, 63}));
  EXPECT_EQ(cube[255], (Rgb{63, 63, 63}));

  const std::vector<Rgb> big = Cube685();
  ASSERT_EQ(big.size(), 256u);
  EXPECT_EQ(big[0], (Rgb{44, 31, 51}));
  EXPECT_EQ(big[1], (Rgb{44, 31, 102}));  // blue runs fastest
  EXPECT_EQ(big[5], (Rgb{44, 63, 51}));
  EXPECT_EQ(big[40], (Rgb{86, 31, 51}));
  EXPECT_EQ(big[239], (Rgb{254, 255, 255}));
  for (int i = 240; i < 256; ++i) EXPECT_EQ(big[i], (Rgb{0, 0, 0}));

  EXPECT_EQ(GreyLevel6(Rgb{63, 63, 63}), 63);
  EXPECT_EQ(GreyLevel6(Rgb{63, 0, 0}), 18);
  EXPECT_EQ(GreyLevel6(Rgb{0, 0, 63}), 7);
}

TEST(PaletteTables, StandardColoursAndInsertion) {
  const std::vector<Rgb> s16 = Standard16();
  ASSERT_EQ(s16.size(), 16u);
  EXPECT_EQ(s16[1], (Rgb{130, 0, 0}));
  EXPECT_EQ(s16[8], (Rgb{190, 190, 190}));
  EXPECT_EQ(s16[15], (Rgb{255, 255, 255}));

  const std::vector<Rgb> s8 = Standard8();
  ASSERT_EQ(s8.size(), 8u);
  EXPECT_EQ(s8[0], (Rgb{0, 0, 0}));
  EXPECT_EQ(s8[1], (Rgb{255, 0, 0}));  // table B entry 9
  EXPECT_EQ(s8[7], (Rgb{255, 255, 255}));

  std::vector<Rgb> table(20, Rgb{1, 2, 3});
  InsertStandard16(table, 10);
  ASSERT_EQ(table.size(), 256u);
  EXPECT_EQ(table[9], (Rgb{1, 2, 3}));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(table[10 + i], s16[i]) << i;
  // Near the end only what fits is written.
  std::vector<Rgb> tail;
  InsertStandard16(tail, 250);
  EXPECT_EQ(tail.size(), 256u);
  EXPECT_EQ(tail[255], s16[5]);

  EXPECT_EQ(kTableA[8], (Rgb{42, 42, 42}));
  EXPECT_EQ(kTableB[8], (Rgb{47, 47, 47}));
}

TEST(PaletteTables, EgaColourBytes) {
  EXPECT_EQ(EgaByteTo6(0x00), (Rgb{0, 0, 0}));
  EXPECT_EQ(EgaByteTo6(0x04), (Rgb{32, 0, 0}));
  EXPECT_EQ(EgaByteTo6(0x20), (Rgb{16, 0, 0}));
  EXPECT_EQ(EgaByteTo6(0x12), (Rgb{0, 48, 0}));
  EXPECT_EQ(EgaByteTo6(0x09), (Rgb{0, 0, 48}));
  EXPECT_EQ(EgaByteTo6(0x3F), (Rgb{48, 48, 48}));
  uint8_t bytes[17] = {0, 1, 2, 3, 4, 5, 6, 7, 56, 57, 58, 59, 60, 61, 62, 63, 0};
  const auto six = EgaBytesTo6(bytes);
  EXPECT_EQ(six[7], (Rgb{32, 32, 32}));
  EXPECT_EQ(six[9], (Rgb{16, 16, 48}));
}

TEST(PaletteOnBitmap, ApplyReadAndDrop) {
  Bitmap b4;
  ASSERT_TRUE(b4.Create(2, 2, PixelFormat::k4));
  Palette6 p{};
  p[0] = Rgb{63, 0, 0};
  p[15] = Rgb{0, 0, 63};
  p[200] = Rgb{0, 63, 0};
  ApplyPalette6(b4, p);
  ASSERT_EQ(b4.Palette().size(), 16u);  // as many entries as 4 bits address
  EXPECT_EQ(b4.Palette()[0], (Rgb{255, 0, 0}));
  EXPECT_EQ(b4.Palette()[15], (Rgb{0, 0, 255}));
  const Palette6 back = ReadPalette6(b4);
  EXPECT_EQ(back[15], (Rgb{0, 0, 63}));
  EXPECT_EQ(back[200], (Rgb{0, 0, 0}));
  EXPECT_EQ(ReadPalette8(b4)[0], (Rgb{255, 0, 0}));
  DropPalette(b4);
  EXPECT_EQ(b4.Palette().size(), 16u);  // indexed pictures keep their table

  Bitmap b24;
  ASSERT_TRUE(b24.Create(1, 1, PixelFormat::k24));
  ApplyPalette6(b24, p);
  EXPECT_EQ(b24.Palette().size(), 256u);
  DropPalette(b24);
  EXPECT_TRUE(b24.Palette().empty());

  const Rgb raw[3] = {{1, 2, 3}, {4, 5, 6}, {63, 63, 63}};
  EXPECT_EQ(PaletteFrom8(raw, 2).size(), 2u);
  EXPECT_EQ(PaletteFrom6(raw, 3)[2], (Rgb{255, 255, 255}));
  EXPECT_EQ(TwoColourPalette()[1], (Rgb{255, 255, 255}));
}

struct FitCase {
  int w, h, bw, bh;
  Size expected;
};

TEST(FitInBox, Cases) {
  const FitCase cases[] = {
      {100, 50, 40, 40, {40, 20}},       // wide picture: width fills
      {50, 100, 40, 40, {20, 40}},       // tall picture: height fills
      {0, 0, 40, 40, {40, 40}},          // 0 x 0 counts as 1 x 1
      {10, 5, 40, 40, {40, 20}},         // small pictures are enlarged
      {300, 200, 300, 400, {300, 200}},  // box width equals picture width: height exact
      {300, 200, 600, 200, {300, 200}},  // box height equals picture height: width exact
      {1000, 1, 10, 10, {10, 1}},        // below 1 becomes 1
      {1, 1000, 10, 10, {1, 10}},       {100, 50, 0, 0, {1, 1}},  // empty box
      {70000, 10, 100, 100, {100, 1}},                            // sides are 16-bit quantities
  };
  for (const FitCase& c : cases) {
    EXPECT_EQ(FitInBox(c.w, c.h, c.bw, c.bh), c.expected)
        << c.w << "x" << c.h << " in " << c.bw << "x" << c.bh;
  }
  EXPECT_EQ(CentreInBox(Size{40, 20}, 40, 40), (Rect{0, 10, 40, 20}));
}

}  // namespace
}  // namespace vr::picture
