// Decoding: header forms, LZW streams, placement of rows, transparency, disposal, waits,
// plain text and comments.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "gif/gif_test_support.h"
#include "picture/codecs/gif/gif_graphics.h"
#include "test_support/temp_dir.h"

namespace vr::codecs::gif {
namespace {

using picture::Bitmap;
using picture::TFastFileIO;
using testing::GifBuilder;
using testing::ScriptedHost;

std::vector<uint8_t> Grey4() {
  // 4 entries: black, red, green, blue.
  return {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
}

std::vector<uint8_t> Ramp(size_t n, int modulo) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>((i * 7 + i / 3) % modulo);
  return v;
}

bool Load(TGifGraphics& gif, const std::vector<uint8_t>& bytes, Bitmap& out) {
  TFastFileIO io;
  io.OpenMemory(bytes.data(), bytes.size());
  return gif.LoadGif(io, out);
}

std::vector<uint8_t> RowsOf(const Bitmap& b) {
  std::vector<uint8_t> v;
  for (int y = 0; y < b.Height(); ++y) v.insert(v.end(), b.Row(y), b.Row(y) + b.Width());
  return v;
}

TEST(GifHeader, FormsThatLoadAndThatFail) {
  ScriptedHost host;
  TGifGraphics gif;
  gif.SetHost(&host);
  Bitmap out;

  // GIF87a without a global table shows with the standard 16-colour table.
  auto plain =
      GifBuilder("GIF87a", 4, 2, 4, {}).Image(0, 0, 4, 2, {0, 1, 9, 15, 4, 5, 6, 7}, 4).Done();
  ASSERT_TRUE(Load(gif, plain, out));
  EXPECT_EQ(out.Width(), 4);
  EXPECT_EQ(out.Height(), 2);
  EXPECT_EQ(RowsOf(out), (std::vector<uint8_t>{0, 1, 9, 15, 4, 5, 6, 7}));
  EXPECT_EQ(out.Palette()[1], (picture::Rgb{130, 0, 0}));  // table B entry 1: (32, 0, 0)
  EXPECT_EQ(out.Palette()[15], (picture::Rgb{255, 255, 255}));
  EXPECT_EQ(gif.BitsPerPixel(), 4);
  EXPECT_FALSE(gif.Animated());

  // A 128-byte MacBinary header in front.
  std::vector<uint8_t> mac(128, 0x55);
  mac.insert(mac.end(), plain.begin(), plain.end());
  ASSERT_TRUE(Load(gif, mac, out));
  EXPECT_EQ(RowsOf(out), (std::vector<uint8_t>{0, 1, 9, 15, 4, 5, 6, 7}));

  // One bit without a table takes table A.
  auto mono = GifBuilder("GIF89a", 2, 1, 1, {}).Image(0, 0, 2, 1, {1, 0}, 2).Done();
  ASSERT_TRUE(Load(gif, mono, out));
  EXPECT_EQ(out.Palette()[1], (picture::Rgb{255, 255, 255}));

  std::vector<uint8_t> junk(300, 'x');
  EXPECT_FALSE(Load(gif, junk, out));
  EXPECT_EQ(gif.ErrorText(), "Not a valid GIF header!");
  EXPECT_EQ(out.Width(), 1);
  EXPECT_EQ(out.Bits(), 8);

  // A stray byte between blocks: what was drawn stays.
  auto stray =
      GifBuilder("GIF89a", 2, 1, 2, Grey4()).Image(0, 0, 2, 1, {3, 2}, 2).Raw({0x99}).Done();
  EXPECT_TRUE(Load(gif, stray, out));
  EXPECT_EQ(gif.ErrorText(), "Corrupted GIF file!");
  EXPECT_EQ(RowsOf(out), (std::vector<uint8_t>{3, 2}));

  // More than 100 zero bytes between blocks is corruption too.
  auto zeros = GifBuilder("GIF89a", 2, 1, 2, Grey4()).Raw(std::vector<uint8_t>(101, 0)).Done();
  Load(gif, zeros, out);
  EXPECT_EQ(gif.ErrorText(), "Corrupted GIF file!");

  // Code size above 8 and an empty image end the load with a 1 x 1 picture.
  auto big_code = GifBuilder("GIF89a", 2, 1, 2, Grey4()).ImageData(0, 0, 2, 1, {9, 1, 0, 0}).Done();
  EXPECT_FALSE(Load(gif, big_code, out));
  EXPECT_EQ(out.Width(), 1);
  auto empty = GifBuilder("GIF89a", 2, 1, 2, Grey4()).Image(0, 0, 0, 1, {}, 2).Done();
  EXPECT_FALSE(Load(gif, empty, out));
  EXPECT_EQ(out.Height(), 1);

  // Neither image nor text: a black 640 x 480 canvas.
  auto nothing = GifBuilder("GIF89a", 2, 1, 2, Grey4()).Done();
  ASSERT_TRUE(Load(gif, nothing, out));
  EXPECT_EQ(out.Width(), 640);
  EXPECT_EQ(out.Height(), 480);
}

TEST(GifLzw, StreamsDecodeToTheirPixels) {
  ScriptedHost host;
  TGifGraphics gif;
  gif.SetHost(&host);
  Bitmap out;
  std::vector<uint8_t> table(256 * 3, 7);

  for (int min_size : {2, 3, 4, 8}) {
    SCOPED_TRACE(min_size);
    const int colours = std::min(1 << min_size, 256);
    const auto pixels = Ramp(37 * 11, colours);
    std::vector<uint8_t> t(table.begin(), table.begin() + colours * 3);
    auto file =
        GifBuilder("GIF87a", 37, 11, min_size, t).Image(0, 0, 37, 11, pixels, min_size).Done();
    ASSERT_TRUE(Load(gif, file, out));
    EXPECT_EQ(RowsOf(out), pixels);
  }

  // A code equal to the next free code: clear, 0, then code 6 = "0 0", then end.
  testing::CodeWriter w;
  for (int code : {4, 0, 6, 1}) w.Put(code, 3);
  w.Put(5, 4);  // the table reached 8 entries: codes are 4 bits now
  std::vector<uint8_t> data{2};
  auto blocks = w.SubBlocks();
  data.insert(data.end(), blocks.begin(), blocks.end());
  auto kwk = GifBuilder("GIF89a", 4, 1, 2, Grey4()).ImageData(0, 0, 4, 1, data).Done();
  ASSERT_TRUE(Load(gif, kwk, out));
  EXPECT_EQ(RowsOf(out), (std::vector<uint8_t>{0, 0, 0, 1}));

  // Strings spanning rows of a one-pixel-wide picture.
  testing::CodeWriter w2;
  for (int code : {4, 1, 6, 6}) w2.Put(code, 3);
  w2.Put(7, 4);
  w2.Put(5, 4);
  std::vector<uint8_t> data2{2};
  blocks = w2.SubBlocks();
  data2.insert(data2.end(), blocks.begin(), blocks.end());
  auto narrow = GifBuilder("GIF89a", 1, 8, 2, Grey4()).ImageData(0, 0, 1, 8, data2).Done();
  ASSERT_TRUE(Load(gif, narrow, out));
  EXPECT_EQ(RowsOf(out), (std::vector<uint8_t>{1, 1, 1, 1, 1, 1, 1, 1}));

  // Data that stops early: the decoded part stays, the rest keeps the fill.
  auto full = GifBuilder("GIF87a", 8, 8, 2, Grey4()).Image(0, 0, 8, 8, Ramp(64, 4), 2).Done();
  std::vector<uint8_t> cut(full.begin(), full.begin() + 40);
  ASSERT_TRUE(Load(gif, cut, out));
  EXPECT_EQ(out.Row(0)[1], Ramp(64, 4)[1]);
}

TEST(GifLzw, DeferredClearKeepsDecoding) {
  ScriptedHost host;
  TGifGraphics gif;
  gif.SetHost(&host);
  Bitmap out;
  std::vector<uint8_t> table(256 * 3, 1);
  // 4500 codes add entries up to 4500 + 258 (< 5005); 6000 codes run past the table's end,
  // which is kept until a clear code would come.
  for (int count : {4500, 6000}) {
    SCOPED_TRACE(count);
    const auto pixels = Ramp(static_cast<size_t>(count), 256);
    auto file = GifBuilder("GIF89a", 100, count / 100, 8, table)
                    .ImageData(0, 0, 100, count / 100, testing::LiteralLzwNoClear(pixels, 8))
                    .Done();
    ASSERT_TRUE(Load(gif, file, out));
    EXPECT_EQ(RowsOf(out), pixels);
  }
}

TEST(GifPlacement, InterlaceAndEnlargedScreen) {
  ScriptedHost host;
  TGifGraphics gif;
  gif.SetHost(&host);
  Bitmap out;
  // Rows in file order are 0, 8 | 4 | 2, 6 | 1, 3, 5, 7, 9 of a 1 x 10 picture.
  const std::vector<uint8_t> file_order{0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
  std::vector<uint8_t> table(16 * 3, 0);
  auto file = GifBuilder("GIF89a", 1, 10, 4, table).Image(0, 0, 1, 10, file_order, 4, true).Done();
  ASSERT_TRUE(Load(gif, file, out));
  EXPECT_TRUE(gif.Interlaced());
  for (int y = 0; y < 10; ++y) EXPECT_EQ(out.Row(y)[0], y) << "row " << y;

  // The first image reaches past the logical screen: the composition grows to hold it.
  auto wide = GifBuilder("GIF89a", 4, 4, 2, Grey4()).Image(3, 2, 5, 3, Ramp(15, 4), 2).Done();
  ASSERT_TRUE(Load(gif, wide, out));
  EXPECT_EQ(out.Width(), 8);
  EXPECT_EQ(out.Height(), 5);
  EXPECT_TRUE(host.messages.empty());

  // A zero screen takes the first image's size.
  auto zero = GifBuilder("GIF89a", 0, 0, 2, Grey4()).Image(0, 0, 3, 2, Ramp(6, 4), 2).Done();
  ASSERT_TRUE(Load(gif, zero, out));
  EXPECT_EQ(out.Width(), 3);
  EXPECT_EQ(out.Height(), 2);
  EXPECT_EQ(host.sizes.back(), 2);
}

TEST(GifCompose, TransparencyAndTheFirstControlCounts) {
  ScriptedHost host;
  TGifGraphics gif;
  gif.SetHost(&host);
  Bitmap out;
  // First frame: transparent index 2; the screen is filled with it and shows blue-grey.
  auto file = GifBuilder("GIF89a", 4, 1, 2, Grey4())
                  .Control(0, false, 0, true, 2)
                  .Control(0, false, 0, false, 0)  // a second control before the same image
                  .Image(1, 0, 2, 1, {1, 2}, 2)
                  .Control(1, false, 0, true, 3)
                  .Image(0, 0, 4, 1, {3, 3, 0, 3}, 2)
                  .Done();
  ASSERT_TRUE(Load(gif, file, out));
  EXPECT_EQ(RowsOf(out), (std::vector<uint8_t>{2, 1, 0, 2}));
  EXPECT_EQ(gif.TransparentIndex(), 2);
  EXPECT_EQ(gif.TransparentColour6()[1], 63);  // green in the file
  EXPECT_TRUE(gif.Animated());

  // In the viewer the transparent first frame shows the blue-grey colour.
  auto single = GifBuilder("GIF89a", 2, 1, 2, Grey4())
                    .Control(0, false, 0, true, 2)
                    .Image(0, 0, 1, 1, {1}, 2)
                    .Done();
  ASSERT_TRUE(Load(gif, single, out));
  EXPECT_EQ(out.Row(0)[1], 2);
  EXPECT_EQ(out.Palette()[2], (picture::Rgb{65, 130, 190}));

  // In preview mode it takes the background colour.
  gif.SetPreviewMode(true);
  gif.SetBackground(picture::Rgb{9, 8, 7});
  ASSERT_TRUE(Load(gif, single, out));
  EXPECT_EQ(out.ColourAt(1, 0), (picture::Rgb{9, 8, 7}));
}

TEST(GifCompose, DisposalRestoresBackgroundAndPrevious) {
  test_support::TempDir tmp;
  setenv("TMPDIR", tmp.Path().c_str(), 1);
  ScriptedHost host;
  TGifGraphics gif;
  gif.SetHost(&host);
  Bitmap out;
  // Disposal 2 clears to index 0; disposal 3 brings back what was under the image.
  auto file = GifBuilder("GIF89a", 4, 4, 2, Grey4())
                  .Image(0, 0, 4, 4, std::vector<uint8_t>(16, 1), 2)
                  .Control(2, false, 0, false, 0)
                  .Image(0, 0, 2, 2, {3, 3, 3, 3}, 2)
                  .Control(3, false, 0, false, 0)
                  .Image(2, 2, 2, 2, {2, 2, 2, 2}, 2)
                  .Image(3, 0, 1, 1, {3}, 2)
                  .Done();
  ASSERT_TRUE(Load(gif, file, out));
  EXPECT_EQ(RowsOf(out), (std::vector<uint8_t>{0, 0, 1, 3,  //
                                               0, 0, 1, 1,  //
                                               1, 1, 1, 1,  //
                                               1, 1, 1, 1}));

  // A large area goes through an exclusive temporary file that is gone after the load.
  const int w = 1200, h = 1000;
  std::vector<uint8_t> table(256 * 3, 3);
  auto large =
      GifBuilder("GIF89a", w, h, 8, table)
          .Image(0, 0, 2, 2, {5, 5, 5, 5}, 8)
          .Control(3, false, 0, false, 0)
          .ImageData(0, 0, w, h, testing::LiteralLzw(std::vector<uint8_t>(size_t{w} * h, 9), 8))
          .Image(w - 2, h - 2, 2, 2, {7, 7, 7, 7}, 8)
          .Done();
  ASSERT_TRUE(Load(gif, large, out));
  EXPECT_EQ(out.Row(0)[0], 5);
  EXPECT_EQ(out.Row(500)[500], 0);
  EXPECT_EQ(out.Row(h - 1)[w - 1], 7);
  EXPECT_TRUE(std::filesystem::is_empty(tmp.Path()));
  unsetenv("TMPDIR");
}

TEST(GifTiming, DelaysAsPlayed) {
  ScriptedHost host;
  TGifGraphics gif;
  gif.SetHost(&host);
  Bitmap out;
  auto frame = [](GifBuilder& b, int delay) {
    b.Control(1, false, delay, false, 0).Image(0, 0, 2, 2, {1, 2, 3, 0}, 2);
  };
  GifBuilder b("GIF89a", 2, 2, 2, Grey4());
  for (int delay : {0, 0, 1, 3, 7, 300}) frame(b, delay);
  ASSERT_TRUE(Load(gif, b.Done(), out));
  ASSERT_EQ(host.frame_times.size(), 6u);
  std::vector<uint32_t> gaps;
  for (size_t i = 1; i < host.frame_times.size(); ++i)
    gaps.push_back(host.frame_times[i] - host.frame_times[i - 1]);
  // First image delay 0 stays 0; later 0 becomes 20 ms; 1..3 become 40 ms.
  EXPECT_EQ(gaps, (std::vector<uint32_t>{0, 20, 40, 40, 70}));
  EXPECT_GT(host.processed, 0);

  // Preview mode caps a frame at 2.5 s while the button is held.
  struct Held : ScriptedHost {
    bool PrimaryButtonDown() override { return true; }
  } held;
  gif.SetHost(&held);
  gif.SetPreviewMode(true);
  GifBuilder p("GIF89a", 2, 2, 2, Grey4());
  frame(p, 900);
  frame(p, 5);
  const uint32_t start = held.now;
  ASSERT_TRUE(Load(gif, p.Done(), out));
  EXPECT_EQ(held.now - start, 2500u + 50u);  // the last frame is held for its delay too

  // Without the button a preview runs through at once and marks Escape.
  ScriptedHost loose;
  gif.SetHost(&loose);
  GifBuilder q("GIF89a", 2, 2, 2, Grey4());
  frame(q, 100);
  frame(q, 100);
  const uint32_t t0 = loose.now;
  ASSERT_TRUE(Load(gif, q.Done(), out));
  EXPECT_EQ(loose.now, t0);
  EXPECT_EQ(gif.SavedStopKey(), 27);
}

TEST(GifTiming, StopKeysAndUserInput) {
  Bitmap out;
  GifBuilder b("GIF89a", 2, 2, 2, Grey4());
  for (int i = 0; i < 3; ++i) b.Control(1, false, 100, false, 0).Image(0, 0, 2, 2, {1, 2, 3, 0}, 2);
  const auto file = b.Done();

  {
    // Escape ends every wait; the saved key tells the caller's loop to stop.
    ScriptedHost host;
    TGifGraphics gif;
    gif.SetHost(&host);
    gif.SetStopKey(27);
    const uint32_t t0 = host.now;
    ASSERT_TRUE(Load(gif, file, out));
    EXPECT_EQ(host.now, t0);
    EXPECT_EQ(gif.SavedStopKey(), 27);
    EXPECT_EQ(host.rects.size(), 3u);
  }
  {
    // A key press ends the current wait only.
    ScriptedHost host;
    host.key_after_polls = 3;
    TGifGraphics gif;
    gif.SetHost(&host);
    const uint32_t t0 = host.now;
    ASSERT_TRUE(Load(gif, file, out));
    const uint32_t spent = host.now - t0;
    EXPECT_LT(spent, 3000u);
    EXPECT_GE(spent, 30u);
    EXPECT_EQ(gif.SavedStopKey(), 0);
  }
  {
    // User input with no delay: a beep, then a wait for a key.
    ScriptedHost host;
    host.key_after_polls = 40;
    TGifGraphics gif;
    gif.SetHost(&host);
    auto ui = GifBuilder("GIF89a", 2, 2, 2, Grey4())
                  .Control(1, true, 0, false, 0)
                  .Image(0, 0, 2, 2, {1, 1, 1, 1}, 2)
                  .Image(0, 0, 2, 2, {2, 2, 2, 2}, 2)
                  .Done();
    ASSERT_TRUE(Load(gif, ui, out));
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(host.frame_times[1] - host.frame_times[0], 40u * 125u);
  }
}

TEST(GifModes, StillAndScan) {
  ScriptedHost host;
  TGifGraphics gif;
  gif.SetHost(&host);
  Bitmap out;
  auto anim = GifBuilder("GIF89a", 3, 1, 2, Grey4())
                  .Control(1, false, 500, false, 0)
                  .Image(0, 0, 3, 1, {1, 1, 1}, 2)
                  .Image(1, 0, 1, 1, {2}, 2)
                  .Image(0, 0, 3, 1, {3, 3, 3}, 2)
                  .Done();
  gif.SetStillRequest(true);
  const uint32_t t0 = host.now;
  ASSERT_TRUE(Load(gif, anim, out));
  // The second image over the first, the third never drawn, no waiting.
  EXPECT_EQ(RowsOf(out), (std::vector<uint8_t>{1, 2, 1}));
  EXPECT_EQ(host.now, t0);
  EXPECT_TRUE(gif.Animated());

  test_support::TempDir tmp;
  EXPECT_TRUE(gif.IsAnimatedGif(tmp.Write("a.gif", anim)));
  auto one = GifBuilder("GIF89a", 3, 1, 2, Grey4()).Image(0, 0, 3, 1, {1, 1, 1}, 2).Done();
  EXPECT_FALSE(gif.IsAnimatedGif(tmp.Write("b.gif", one)));
  // A GIF87a file is never animated.
  auto old = anim;
  old[4] = '7';
  EXPECT_FALSE(gif.IsAnimatedGif(tmp.Write("c.gif", old)));
}

TEST(GifText, PlainTextAndComments) {
  ScriptedHost host;
  TGifGraphics gif;
  gif.SetHost(&host);
  Bitmap out;
  // Text without any image: a 640 x 480 canvas with the standard colours.
  auto text =
      GifBuilder("GIF89a", 0, 0, 2, {}).Text(10, 20, 40, 32, 8, 16, 12, 1, "HELLO world").Done();
  ASSERT_TRUE(Load(gif, text, out));
  ASSERT_EQ(out.Width(), 640);
  ASSERT_EQ(out.Height(), 480);
  EXPECT_TRUE(gif.Animated());
  // Red (index 12 of the text table) is table B's entry 9, navy (1) is entry 4. The fallback
  // font is 8 pixels per character, so "HELLO" fills one 40-pixel line and "world" the next.
  std::map<int, int> counts;
  for (int y = 20; y < 52; ++y) {
    for (int x = 10; x < 50; ++x) ++counts[out.Row(y)[x]];
  }
  EXPECT_GT(counts[9], 100);
  EXPECT_GT(counts[4], 100);
  EXPECT_EQ(out.Row(19)[10], 0);  // outside the grid nothing changes
  EXPECT_EQ(out.Row(20)[50], 0);
  EXPECT_EQ(out.Row(45)[12], 9);  // second line has ink

  test_support::TempDir tmp;
  EXPECT_TRUE(gif.IsAnimatedGif(tmp.Write("t.gif", text)));

  // An 80 x 25 grid is a text screen that cannot be shown.
  auto screen = GifBuilder("GIF89a", 0, 0, 2, {}).Text(0, 0, 80, 25, 8, 8, 1, 0, "x").Done();
  ASSERT_TRUE(Load(gif, screen, out));
  EXPECT_EQ(out.Width(), 1);
  EXPECT_FALSE(gif.Animated());

  // Comments become lines; control bytes other than CR and LF show as '?'.
  auto comments = GifBuilder("GIF89a", 1, 1, 2, Grey4())
                      .Comment(std::string("one\rtwo\r\nthree\n\x01x\x09"))
                      .Comment("more")
                      .Image(0, 0, 1, 1, {1}, 2)
                      .Done();
  ASSERT_TRUE(Load(gif, comments, out));
  EXPECT_EQ(gif.CommentLines(), (std::vector<std::string>{"one", "two", "three", "?x?more"}));
  // Preview loads collect no comments.
  gif.SetPreviewMode(true);
  ASSERT_TRUE(Load(gif, comments, out));
  EXPECT_TRUE(gif.CommentLines().empty());
}

TEST(GifClipping, OutsideTheCompositionIsReported) {
  ScriptedHost host;
  TGifGraphics gif;
  gif.SetHost(&host);
  Bitmap out;
  auto file = GifBuilder("GIF89a", 2, 2, 2, Grey4())
                  .Image(0, 0, 2, 2, {1, 1, 1, 1}, 2)
                  .Image(1, 1, 2, 2, {2, 2, 2, 2}, 2)
                  .Done();
  ASSERT_TRUE(Load(gif, file, out));
  EXPECT_EQ(RowsOf(out), (std::vector<uint8_t>{1, 1, 1, 2}));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0],
            "GIF may not have appeared correctly. Parts of it were probably CLIPPED. This image is "
            "probably BAD/CORRUPTED or created by a faulty program!");
  // Preview loads stay quiet.
  gif.SetPreviewMode(true);
  ASSERT_TRUE(Load(gif, file, out));
  EXPECT_EQ(host.messages.size(), 1u);
}

}  // namespace
}  // namespace vr::codecs::gif
