// Writing, round trips through our own reader and the peer tools, the codec entry points, and
// hostile input.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "gif/gif_test_support.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/gif/gif_graphics.h"
#include "test_support/temp_dir.h"

namespace vr::codecs::gif {
namespace {

using picture::Bitmap;
using picture::PixelFormat;
using picture::TFastFileIO;

Bitmap RandomPicture(int w, int h, PixelFormat format, int colours, uint32_t seed) {
  Bitmap b;
  b.Create(w, h, format);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      // Runs of equal pixels so the coder builds long strings, mixed with noise.
      const int v =
          (rng() % 4 == 0) ? static_cast<int>(rng() % colours) : (x / 7 + y / 5) % colours;
      uint8_t* row = b.Row(y);
      if (format == PixelFormat::k1) {
        row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | ((v & 1) << (7 - (x & 7))));
      } else if (format == PixelFormat::k4) {
        row[x >> 1] = static_cast<uint8_t>(row[x >> 1] | ((x & 1) ? (v & 15) : (v & 15) << 4));
      } else {
        row[x] = static_cast<uint8_t>(v);
      }
    }
  }
  std::vector<picture::Rgb> palette;
  for (int i = 0; i < (1 << b.Bits()); ++i) {
    palette.push_back(picture::Rgb{static_cast<uint8_t>(i * 4), static_cast<uint8_t>(255 - i),
                                   static_cast<uint8_t>(i * 13)});
  }
  b.SetPalette(palette);
  return b;
}

bool SameIndices(const Bitmap& a, const Bitmap& decoded) {
  if (a.Width() != decoded.Width() || a.Height() != decoded.Height()) return false;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      if (a.PixelAt(x, y) != decoded.PixelAt(x, y)) return false;
    }
  }
  return true;
}

Palette6 PaletteOf(const Bitmap& b) {
  Palette6 p(768, 0);
  for (size_t i = 0; i < b.Palette().size(); ++i) {
    p[i * 3] = Shrink8(b.Palette()[i].r);
    p[i * 3 + 1] = Shrink8(b.Palette()[i].g);
    p[i * 3 + 2] = Shrink8(b.Palette()[i].b);
  }
  return p;
}

bool Decode(const std::vector<uint8_t>& bytes, Bitmap& out, TGifGraphics& gif) {
  testing::ScriptedHost host;
  gif.SetHost(&host);
  TFastFileIO io;
  io.OpenMemory(bytes.data(), bytes.size());
  const bool ok = gif.LoadGif(io, out);
  gif.SetHost(nullptr);
  return ok;
}

TEST(GifWriter, HeaderFieldsFollowTheColourCount) {
  Bitmap sixteen = RandomPicture(9, 5, PixelFormat::k4, 16, 1);
  GifWriterOptions options;
  options.colour_count = 16;
  auto bytes = TGifGraphics::EncodeGif(sixteen, PaletteOf(sixteen), options);
  ASSERT_GT(bytes.size(), 13u + 48u + 11u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
  EXPECT_EQ(bytes[6], 9);
  EXPECT_EQ(bytes[8], 5);
  EXPECT_EQ(bytes[10], 0xB3);  // global table, 4 bits of colour resolution, 16 entries
  EXPECT_EQ(bytes[13 + 48], 0x2C);
  EXPECT_EQ(bytes[13 + 48 + 9], 3);   // descriptor packed byte: bits - 1
  EXPECT_EQ(bytes[13 + 48 + 10], 4);  // minimum code size
  EXPECT_EQ(bytes.back(), 0x3B);

  Bitmap two = RandomPicture(17, 3, PixelFormat::k1, 2, 2);
  options.colour_count = 2;
  options.interlaced = true;
  bytes = TGifGraphics::EncodeGif(two, PaletteOf(two), options);
  EXPECT_EQ(bytes[10], 0x80);
  EXPECT_EQ(bytes[13 + 6 + 9], 0x40);
  EXPECT_EQ(bytes[13 + 6 + 10], 2);  // two colours still use code size 2

  // Comments and transparency make it GIF89a with both extensions.
  options.interlaced = false;
  options.comments = true;
  options.comment_lines = {"first", std::string(300, 'z')};
  options.transparent_index = 1;
  bytes = TGifGraphics::EncodeGif(two, PaletteOf(two), options);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
  size_t at = 13 + 6;
  EXPECT_EQ(bytes[at], 0x21);
  EXPECT_EQ(bytes[at + 1], 0xFE);
  EXPECT_EQ(bytes[at + 2], 7);  // "first\r\n"
  EXPECT_EQ(bytes[at + 3 + 7], 255);
  at += 3 + 7 + 1 + 255;
  EXPECT_EQ(bytes[at], 0);
  const std::vector<uint8_t> control{0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x01, 0x00};
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + static_cast<long>(at) + 1,
                                 bytes.begin() + static_cast<long>(at) + 9),
            control);

  TGifGraphics gif;
  Bitmap out;
  ASSERT_TRUE(Decode(bytes, out, gif));
  EXPECT_TRUE(SameIndices(two, out) || gif.TransparentIndex() == 1);
  // The long line was cut to 255 bytes, its line end with it.
  ASSERT_EQ(gif.CommentLines().size(), 2u);
  EXPECT_EQ(gif.CommentLines()[0], "first");
  EXPECT_EQ(gif.CommentLines()[1], std::string(255, 'z'));
}

TEST(GifWriter, RoundTripsThroughOurReader) {
  struct Case {
    int w, h;
    PixelFormat format;
    int colours;
    bool interlaced;
  };
  const Case cases[] = {
      {1, 1, PixelFormat::k8, 256, false},     {3, 17, PixelFormat::k1, 2, true},
      {33, 9, PixelFormat::k4, 16, false},     {40, 23, PixelFormat::k4, 16, true},
      {300, 200, PixelFormat::k8, 256, false},  // many clear codes
      {257, 131, PixelFormat::k8, 64, true},   {1000, 3, PixelFormat::k8, 5, false},
  };
  uint32_t seed = 10;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " bits " +
                 std::to_string(static_cast<int>(c.format)));
    Bitmap picture = RandomPicture(c.w, c.h, c.format, c.colours, seed++);
    GifWriterOptions options;
    options.colour_count = c.colours;
    options.interlaced = c.interlaced;
    const auto bytes = TGifGraphics::EncodeGif(picture, PaletteOf(picture), options);
    TGifGraphics gif;
    Bitmap out;
    ASSERT_TRUE(Decode(bytes, out, gif));
    EXPECT_TRUE(gif.ErrorText().empty()) << gif.ErrorText();
    EXPECT_EQ(gif.Interlaced(), c.interlaced);
    EXPECT_TRUE(SameIndices(picture, out));
    // Colours pass through the 6-bit palette.
    EXPECT_EQ(out.Palette()[1],
              (picture::Rgb{Expand6(Shrink8(4)), Expand6(Shrink8(254)), Expand6(Shrink8(13))}));
  }
}

TEST(GifWriter, LongSingleColourStringsDecode) {
  // One colour over 9 million pixels makes strings of more than 3000 pixels per code.
  Bitmap flat;
  ASSERT_TRUE(flat.Create(3000, 3000, PixelFormat::k8));
  std::fill(flat.Data(), flat.Data() + flat.ByteSize(), uint8_t{7});
  flat.SetPalette(std::vector<picture::Rgb>(256));
  GifWriterOptions options;
  options.colour_count = 256;
  const auto bytes = TGifGraphics::EncodeGif(flat, PaletteOf(flat), options);
  TGifGraphics gif;
  Bitmap out;
  ASSERT_TRUE(Decode(bytes, out, gif));
  EXPECT_EQ(out.Row(0)[0], 7);
  EXPECT_EQ(out.Row(2999)[2999], 7);
  EXPECT_EQ(out.Row(1500)[1234], 7);
}

TEST(GifEntryPoints, SaveLoadStillAndAnimationTest) {
  test_support::TempDir tmp;
  Bitmap picture = RandomPicture(21, 13, PixelFormat::k8, 200, 5);
  GifSaveOptions options;
  options.gif89a = true;
  options.comment = "made here\r\nsecond";
  const std::string path = tmp.File("saved.gif");
  ASSERT_TRUE(SaveGif(path, picture, options).ok);

  Bitmap still;
  bool animated = true;
  ReadResult r = LoadGifStill(path, still, picture::Rgb{1, 2, 3}, &animated);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.depth, 8);
  EXPECT_FALSE(animated);
  EXPECT_TRUE(SameIndices(picture, still));
  EXPECT_FALSE(IsAnimatedGif(path));

  auto anim = testing::GifBuilder("GIF89a", 2, 1, 2, {0, 0, 0, 9, 9, 9, 1, 1, 1, 2, 2, 2})
                  .Image(0, 0, 2, 1, {1, 1}, 2)
                  .Image(0, 0, 1, 1, {2}, 2)
                  .Done();
  const std::string anim_path = tmp.Write("anim.gif", anim);
  EXPECT_TRUE(IsAnimatedGif(anim_path));
  r = LoadGifStill(anim_path, still, picture::Rgb{}, &animated);
  EXPECT_TRUE(animated);
  EXPECT_EQ(still.PixelAt(0, 0), 2u);

  r = LoadGifStill(tmp.WriteText("bad.gif", "hello"), still, picture::Rgb{}, &animated);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.error, "Not a valid GIF header!");
  EXPECT_EQ(still.Width(), 1);

  // A folder that does not exist cannot be written.
  const WriteResult w = SaveGif(tmp.File("no/such/dir.gif"), picture, options);
  EXPECT_FALSE(w.ok);
  EXPECT_EQ(w.error, "Stream write error");
}

// An animation whose images bring their own colour tables, shown still: every pixel keeps the
// colour its own image gives it (the picture goes over to 24 bits); when the tables agree the
// picture stays at 8 bits. Colours keep the file's 8-bit values.
TEST(GifEntryPoints, StillPictureOfImagesWithTheirOwnTables) {
  using picture::Rgb;
  Bitmap first;
  first.Create(4, 3, PixelFormat::k8);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) first.Row(y)[x] = static_cast<uint8_t>((x + y) & 1);
  }
  const std::vector<Rgb> first_colours = {{8, 16, 18}, {250, 3, 7}, {1, 1, 1}, {2, 2, 2}};
  Bitmap second;
  second.Create(2, 2, PixelFormat::k8);
  second.Row(0)[0] = 1;  // the rest 0
  const std::vector<Rgb> second_colours = {{10, 200, 30}, {99, 98, 97}, {1, 1, 1}, {2, 2, 2}};
  GifWriterOptions options;
  options.colour_count = 4;
  auto encode = [&](const Bitmap& picture, const std::vector<Rgb>& colours) {
    return TGifGraphics::EncodeGif(picture, colours, options);
  };
  test_support::TempDir tmp;
  const std::string differ = tmp.Write(
      "differ.gif",
      testing::JoinWithLocalTables({encode(first, first_colours), encode(second, second_colours)}));
  Bitmap still;
  bool animated = false;
  ReadResult r = LoadGifStill(differ, still, Rgb{255, 255, 255}, &animated);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_TRUE(animated);
  ASSERT_EQ(still.Width(), 4);
  ASSERT_EQ(still.Height(), 3);
  EXPECT_EQ(still.Format(), PixelFormat::k24);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      Rgb want = first_colours[static_cast<size_t>((x + y) & 1)];
      if (x < 2 && y < 2) want = second_colours[x == 0 && y == 0 ? 1 : 0];
      EXPECT_EQ(still.ColourAt(x, y), want) << x << "," << y;
    }
  }

  const std::string agree = tmp.Write(
      "agree.gif",
      testing::JoinWithLocalTables({encode(first, first_colours), encode(second, first_colours)}));
  r = LoadGifStill(agree, still, Rgb{255, 255, 255}, &animated);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(still.Format(), PixelFormat::k8);
  EXPECT_EQ(still.PixelAt(0, 0), 1u);
  EXPECT_EQ(still.PixelAt(3, 2), 1u);
  EXPECT_EQ(still.ColourAt(1, 0), (Rgb{8, 16, 18}));

  // Saved again, the 8-bit table goes out as it came in.
  const std::string again = tmp.File("again.gif");
  ASSERT_TRUE(SaveGif(again, still, GifSaveOptions()).ok);
  Bitmap reread;
  ASSERT_TRUE(LoadGifStill(again, reread, Rgb{}, nullptr).ok());
  EXPECT_EQ(reread.ColourAt(1, 0), (Rgb{8, 16, 18}));
  EXPECT_EQ(reread.ColourAt(0, 0), (Rgb{250, 3, 7}));
}

// The peer tools read our files. Skipped with a message when a tool is missing.
TEST(GifWriter, PeerToolsAcceptOurFiles) {
  const bool have_giftext = std::system("command -v giftext >/dev/null 2>&1") == 0;
  const bool have_identify = std::system("command -v identify >/dev/null 2>&1") == 0;
  if (!have_giftext && !have_identify) GTEST_SKIP() << "giftext and identify are not installed";
  test_support::TempDir tmp;
  int n = 0;
  for (bool interlaced : {false, true}) {
    for (int colours : {2, 16, 256}) {
      const PixelFormat f = colours == 2    ? PixelFormat::k1
                            : colours == 16 ? PixelFormat::k4
                                            : PixelFormat::k8;
      Bitmap picture = RandomPicture(123, 45, f, colours, 40 + n);
      GifSaveOptions options;
      options.gif89a = n % 2 == 0;
      options.interlaced = interlaced;
      options.comment = "peer check";
      options.transparent_index = n % 3 == 0 ? 1 : -1;
      const std::string path = tmp.File("peer" + std::to_string(n++) + ".gif");
      ASSERT_TRUE(SaveGif(path, picture, options).ok);
      if (have_giftext) {
        EXPECT_EQ(std::system(("giftext " + path + " >/dev/null 2>&1").c_str()), 0) << path;
      }
      if (have_identify) {
        const std::string cmd = "identify -format '%w %h' " + path + " 2>/dev/null";
        FILE* p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        char line[64] = {};
        const bool read = std::fgets(line, sizeof(line), p) != nullptr;
        const int status = pclose(p);
        EXPECT_TRUE(read);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(std::string(line), "123 45") << path;
      }
    }
  }
}

TEST(GifHostile, PrefixesFlipsAndHugeScreens) {
  auto sample = testing::GifBuilder("GIF89a", 16, 8, 2, {0, 0, 0, 9, 9, 9, 1, 1, 1, 2, 2, 2})
                    .Comment("c")
                    .Control(3, false, 1, true, 2)
                    .Image(0, 0, 16, 8, std::vector<uint8_t>(128, 1), 2, true)
                    .Control(2, false, 1, false, 0)
                    .Text(0, 0, 16, 8, 4, 4, 1, 2, "hi")
                    .Image(4, 4, 20, 20, std::vector<uint8_t>(400, 3), 2)
                    .Done();
  TGifGraphics gif;
  testing::ScriptedHost host;
  gif.SetHost(&host);
  Bitmap out;
  for (size_t n = 0; n <= sample.size(); ++n) {
    std::vector<uint8_t> prefix(sample.begin(), sample.begin() + static_cast<long>(n));
    TFastFileIO io;
    io.OpenMemory(prefix.data(), prefix.size());
    gif.LoadGif(io, out);
    EXPECT_GE(out.Width(), 1);
    io.OpenMemory(prefix.data(), prefix.size());
    gif.IsAnimatedGif(io);
  }
  std::mt19937 rng(99);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bytes = sample;
    const int flips = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < flips; ++i)
      bytes[rng() % bytes.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    TFastFileIO io;
    io.OpenMemory(bytes.data(), bytes.size());
    gif.LoadGif(io, out);
    EXPECT_GE(out.Width(), 1);
  }

  // A 65535 x 65535 screen over 10 bytes of data is refused before anything large is made.
  auto huge =
      testing::GifBuilder("GIF89a", 65535, 65535, 2, {0, 0, 0, 9, 9, 9, 1, 1, 1, 2, 2, 2})
          .ImageData(0, 0, 65535, 65535, {2, 8, 0x84, 0x8F, 0xA9, 0xCB, 0xED, 0x0F, 0x63, 0x0B, 0})
          .Done();
  TFastFileIO io;
  io.OpenMemory(huge.data(), huge.size());
  EXPECT_FALSE(gif.LoadGif(io, out));
  EXPECT_LE(out.ByteSize(), 4u);
  EXPECT_EQ(gif.ErrorText(), "GIF picture is too large to show!");
  // The same data as a 64 x 64 picture decodes what little there is and stops.
  auto clipped = huge;
  for (size_t at : {6u, 8u, 30u, 32u}) {
    clipped[at] = 64;
    clipped[at + 1] = 0;
  }
  io.OpenMemory(clipped.data(), clipped.size());
  gif.SetPreviewMode(true);
  EXPECT_TRUE(gif.LoadGif(io, out));
}

}  // namespace
}  // namespace vr::codecs::gif
