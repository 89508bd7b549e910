// The FLI/FLC reader (chunks, prefix blocks, resynchronisation, hostile input), the display
// bitmap and the player's state machine on a fake clock.
#include <gtest/gtest.h>

#include <random>

#include "fli/fli_builder.h"
#include "picture/codecs/fli/fli_player.h"
#include "test_support/temp_dir.h"

namespace vr::codecs::fli {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::Frame;
using testing::Header;

std::vector<uint8_t> Movie(const std::vector<std::vector<uint8_t>>& frames, int width, int height,
                           bool fli = false, uint32_t speed = 40) {
  Bytes b;
  b.Add(Header(fli, static_cast<int>(frames.size()), width, height, speed));
  for (const auto& f : frames) b.Add(f);
  return b.data;
}

std::vector<uint8_t> Row(const FliFile& file, int y) {
  const int w = file.Header().width;
  const auto& buf = file.FrameBuffer();
  return std::vector<uint8_t>(buf.begin() + y * w, buf.begin() + (y + 1) * w);
}

TEST(FliChunks, EveryChunkTypeDecodes) {
  const int w = 6, h = 4;
  // Frame 1: palettes, byte run with a repeat and a literal packet per line.
  Bytes run;
  for (int y = 0; y < h; ++y) run.U8(2).U8(3).U8(y + 1).U8(-3).U8(7).U8(8).U8(9);
  Bytes pal11;
  pal11.U16(2).U8(1).U8(1).U8(10).U8(20).U8(63).U8(1).U8(1).U8(1).U8(2).U8(3);
  // Frame 2: line delta from line 1, two lines.
  Bytes delta;
  delta.U16(1).U16(2);
  delta.U8(2).U8(1).U8(2).U8(50).U8(51).U8(1).U8(-2).U8(
      60);                          // skip 1, copy 2; skip 1, repeat 60 x2
  delta.U8(1).U8(0).U8(-6).U8(70);  // whole line 70
  // Frame 3: word delta: skip 2 lines, one packet of literal words, then a line with a
  // repeated word and the last-pixel opcode.
  Bytes words;
  words.U16(2);
  words.U16(0xFFFE).U16(1).U8(0).U8(2).U8(1).U8(2).U8(3).U8(4);
  words.U16(0x8000 | 99).U16(1).U8(2).U8(-1).U8(5).U8(6);
  // Frame 4: uncompressed; frame 5: black; a prefix block before frame 4.
  std::vector<uint8_t> raw(w * h);
  for (int i = 0; i < w * h; ++i) raw[i] = static_cast<uint8_t>(100 + i);

  auto bytes = Movie(
      {Frame({testing::PaletteChunk(4, 0, 256, 0), Chunk(15, run.data), Chunk(11, pal11.data)}),
       Frame({Chunk(12, delta.data)}), Frame({Chunk(7, words.data), Chunk(99, {1, 2, 3})}),
       Frame({Chunk(3, {0, 0})}, 0xF100), Frame({Chunk(16, raw)}), Frame({Chunk(13, {})})},
      w, h);
  // The header counts real frames only.
  bytes[6] = 5;
  FliFile file;
  std::vector<std::string> messages;
  file.on_message = [&](const std::string& m) { messages.push_back(m); };
  ASSERT_TRUE(file.OpenMemory(bytes.data(), bytes.size()));
  EXPECT_EQ(file.Header().frames, 5);

  ASSERT_EQ(file.DecodeNext(false), FliFile::Step::kDecoded);
  EXPECT_EQ(Row(file, 0), (std::vector<uint8_t>{1, 1, 1, 7, 8, 9}));
  EXPECT_EQ(Row(file, 3), (std::vector<uint8_t>{4, 4, 4, 7, 8, 9}));
  EXPECT_EQ(file.Palette()[200], (picture::Rgb{200, 200, 200}));
  EXPECT_EQ(file.Palette()[1], (picture::Rgb{40, 80, 252}));  // 64 levels times 4
  EXPECT_EQ(file.Palette()[3], (picture::Rgb{4, 8, 12}));     // after skipping one entry

  ASSERT_EQ(file.DecodeNext(false), FliFile::Step::kDecoded);
  EXPECT_EQ(Row(file, 0), (std::vector<uint8_t>{1, 1, 1, 7, 8, 9}));
  EXPECT_EQ(Row(file, 1), (std::vector<uint8_t>{2, 50, 51, 7, 60, 60}));
  EXPECT_EQ(Row(file, 2), (std::vector<uint8_t>{70, 70, 70, 70, 70, 70}));

  ASSERT_EQ(file.DecodeNext(false), FliFile::Step::kDecoded);
  EXPECT_EQ(Row(file, 2), (std::vector<uint8_t>{1, 2, 3, 4, 70, 70}));
  EXPECT_EQ(Row(file, 3), (std::vector<uint8_t>{4, 4, 5, 6, 8, 99}));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Hey. This never happenned before!");

  ASSERT_EQ(file.DecodeNext(false), FliFile::Step::kDecoded);
  EXPECT_EQ(Row(file, 0), (std::vector<uint8_t>{100, 101, 102, 103, 104, 105}));
  ASSERT_EQ(file.DecodeNext(false), FliFile::Step::kDecoded);
  EXPECT_EQ(Row(file, 3), std::vector<uint8_t>(6, 0));
  EXPECT_EQ(file.DecodeNext(false), FliFile::Step::kEnded);
  // Wrapping starts again at frame 1.
  EXPECT_EQ(file.DecodeNext(true), FliFile::Step::kDecoded);
  EXPECT_EQ(file.FrameNumber(), 1);
  EXPECT_EQ(Row(file, 0), (std::vector<uint8_t>{1, 1, 1, 7, 8, 9}));
  EXPECT_EQ(file.Resyncs(), 0);
}

TEST(FliChunks, GarbageBetweenFramesIsSkipped) {
  const int w = 4, h = 2;
  auto movie = testing::CountingMovie(true, 3, w, h, 5);
  // Ten bytes of garbage after frame 1.
  const size_t frame1_end = 128 + (movie[128] | (movie[129] << 8));
  movie.insert(movie.begin() + static_cast<long>(frame1_end), 10, 0x33);
  FliFile file;
  ASSERT_TRUE(file.OpenMemory(movie.data(), movie.size()));
  for (int n = 1; n <= 3; ++n) {
    ASSERT_EQ(file.DecodeNext(false), FliFile::Step::kDecoded) << n;
    EXPECT_EQ(file.FrameBuffer()[0], n);
  }
  EXPECT_EQ(file.Resyncs(), 1);

  // Nothing but garbage after the header: the frame marker is lost.
  auto lost = Header(true, 2, w, h, 5);
  lost.insert(lost.end(), 100, 0x44);
  ASSERT_TRUE(file.OpenMemory(lost.data(), lost.size()));
  EXPECT_EQ(file.DecodeNext(false), FliFile::Step::kLost);
}

TEST(FliChunks, HostileInputNeverCrashes) {
  const int w = 5, h = 3;
  Bytes words;
  words.U16(3).U16(0xC000).U16(0x8001).U16(200).U8(255).U8(127);
  auto sample = Movie({Frame({testing::PaletteChunk(11, 250, 10, 60),
                              testing::ByteRunChunk(std::vector<uint8_t>(15, 9), w, h)}),
                       Frame({Chunk(12, {0, 0, 9, 0, 3, 200, 127, 1}), Chunk(7, words.data)}),
                       Frame({Chunk(16, std::vector<uint8_t>(40, 1)), Chunk(15, {1, 0x80, 1})})},
                      w, h);
  FliFile file;
  auto run = [&](const std::vector<uint8_t>& bytes) {
    if (!file.OpenMemory(bytes.data(), bytes.size())) return;
    for (int i = 0; i < 8; ++i) {
      if (file.DecodeNext(i % 2 == 0) == FliFile::Step::kLost) break;
    }
  };
  for (size_t n = 0; n <= sample.size(); ++n)
    run(std::vector<uint8_t>(sample.begin(), sample.begin() + static_cast<long>(n)));
  std::mt19937 rng(7);
  for (int round = 0; round < 4000; ++round) {
    auto bytes = sample;
    for (int i = 0; i < 1 + static_cast<int>(rng() % 8); ++i)
      bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
    run(bytes);
  }
  // A 65535 x 65535 header with ten bytes of frame data is refused before any buffer is made.
  auto huge = Header(false, 1, 65535, 65535, 40);
  for (int i = 0; i < 10; ++i) huge.push_back(static_cast<uint8_t>(i));
  EXPECT_FALSE(file.OpenMemory(huge.data(), huge.size()));
  EXPECT_TRUE(file.FrameBuffer().empty());
  auto tiny = Header(false, 1, 0, 10, 40);
  EXPECT_FALSE(file.OpenMemory(tiny.data(), tiny.size()));
}

TEST(UniDib, DepthsRowsAndPalette) {
  EXPECT_EQ(TUniDIB(10, 2, 3).Bits(), 4);
  EXPECT_EQ(TUniDIB(10, 2, 12).Bits(), 16);
  EXPECT_EQ(TUniDIB(10, 2, 17).Bits(), 24);
  EXPECT_EQ(TUniDIB(0, 0, 8).Width(), 1);
  TUniDIB top(5, -3, 8);
  EXPECT_TRUE(top.TopDown());
  EXPECT_EQ(top.Height(), 3);
  EXPECT_EQ(top.Stride(), 8u);
  EXPECT_EQ(TUniDIB(5, 1, 24).Stride(), 16u);
  EXPECT_EQ(TUniDIB(33, 1, 1).Stride(), 8u);

  for (int bits : {1, 4, 8, 16, 24, 32}) {
    TUniDIB dib(9, 2, bits);
    const uint32_t value = bits >= 32 ? 0x12345678u : ((1u << bits) - 1) & 0x00A5C3E1u;
    dib.SetPixel(7, 1, value);
    dib.SetPixel(6, 1, 0);
    EXPECT_EQ(dib.GetPixel(7, 1), value) << bits;
    EXPECT_EQ(dib.GetPixel(6, 1), 0u) << bits;
    EXPECT_EQ(dib.GetPixel(99, 0), 0u);
  }

  TUniDIB dib(5, 2, 8);
  picture::Rgb palette[256];
  palette[3] = picture::Rgb{1, 2, 3};
  const int version = dib.PaletteVersion();
  dib.SetPalette(palette);
  EXPECT_EQ(dib.PaletteVersion(), version + 1);
  EXPECT_EQ(dib.ColourTable()[12], 3);  // blue first
  EXPECT_EQ(dib.ColourTable()[14], 1);
  EXPECT_EQ(dib.PaletteEntry(3), (picture::Rgb{1, 2, 3}));
  // An unpadded 5-pixel frame lands in 8-byte rows.
  const uint8_t frame[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  dib.CopyFrame(frame, 5, 2);
  EXPECT_EQ(dib.GetPixel(4, 0), 5u);
  EXPECT_EQ(dib.GetPixel(0, 1), 6u);
}

// A fake clock and timer; the test drives ticks by hand.
class FakePlayerHost : public FliPlayerHost {
 public:
  uint32_t now = 5000;
  int timer_interval = -1;
  bool timer_running = false;
  int repaints = 0;
  std::vector<std::string> texts;
  uint32_t TickCount() override { return now; }
  void StartTimer(int interval) override {
    timer_interval = interval;
    timer_running = true;
  }
  void StopTimer() override { timer_running = false; }
  void Repaint() override { ++repaints; }
  void DrawText(int x, int y, const std::string& text) override {
    texts.push_back(std::to_string(x) + "," + std::to_string(y) + " " + text);
  }
};

// Runs the timer for `ms` milliseconds at its interval and logs (time, frame) of each frame.
void RunFor(TFliPlayerTimer& player, FakePlayerHost& host, uint32_t ms,
            std::vector<std::pair<uint32_t, int>>* shown) {
  const uint32_t end = host.now + ms;
  player.OnFliNextFrame = [&host, shown](TFliPlayerTimer& p) {
    shown->push_back({host.now, p.ShownFrame()});
  };
  while (host.now < end && host.timer_running) {
    player.Tick();
    host.now += static_cast<uint32_t>(std::max(1, host.timer_interval));
  }
}

TEST(FliPlayer, SpeedsLoopAndEnd) {
  FakePlayerHost host;
  TFliPlayerTimer player(&host);
  player.TimerInterval = 1;
  const auto fli = testing::CountingMovie(true, 3, 4, 2, 5);
  player.SetMemory(fli.data(), fli.size());
  player.OpenAndPlay();
  EXPECT_EQ(player.FramePeriod(), 71u);  // round(5000 / 70)
  EXPECT_EQ(host.timer_interval, 1);
  std::vector<std::pair<uint32_t, int>> shown;
  RunFor(player, host, 71 * 4, &shown);
  // Looping: 1, 2, 3, then 1 again, 71 ms apart.
  ASSERT_GE(shown.size(), 4u);
  EXPECT_EQ(shown[0], (std::pair<uint32_t, int>{5000, 1}));
  EXPECT_EQ(shown[1], (std::pair<uint32_t, int>{5071, 2}));
  EXPECT_EQ(shown[2].second, 3);
  EXPECT_EQ(shown[3], (std::pair<uint32_t, int>{5213, 1}));
  EXPECT_EQ(player.Display().GetPixel(0, 0), 1u);
  EXPECT_GT(host.repaints, 0);

  // FLC speeds are milliseconds; without Loop the movie ends after its last frame.
  const auto flc = testing::CountingMovie(false, 2, 4, 2, 40);
  int ends = 0;
  player.OnFliEnd = [&](TFliPlayerTimer&) { ++ends; };
  player.Loop = false;
  player.SetMemory(flc.data(), flc.size());
  player.OpenAndPlay();
  EXPECT_EQ(player.FramePeriod(), 40u);
  shown.clear();
  RunFor(player, host, 500, &shown);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(player.GetState(), TFliPlayerTimer::kStopped);
  EXPECT_FALSE(host.timer_running);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].first - shown[0].first, 40u);
  EXPECT_EQ(player.Display().GetPixel(3, 1), 2u);  // the last frame stays on show

  // An override replaces the file's speed.
  player.Loop = true;
  player.SpeedOverride = 15;
  player.OpenAndPlay();
  shown.clear();
  RunFor(player, host, 40, &shown);
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(shown[2].first - shown[1].first, 15u);
}

TEST(FliPlayer, PauseFramesAndMissingFile) {
  FakePlayerHost host;
  TFliPlayerTimer player(&host);
  const auto movie = testing::CountingMovie(false, 5, 4, 2, 40);
  player.SetMemory(movie.data(), movie.size());
  player.OpenAndPlay();
  std::vector<std::pair<uint32_t, int>> shown;
  RunFor(player, host, 1, &shown);
  EXPECT_EQ(player.ShownFrame(), 1);

  player.Pause();
  EXPECT_EQ(player.GetState(), TFliPlayerTimer::kPaused);
  RunFor(player, host, 500, &shown);
  EXPECT_EQ(player.ShownFrame(), 1);

  // Previous frame on frame 1 goes to frame 0: nothing shown changes.
  player.GoToFrame(std::max(player.ShownFrame() - 1, 0));
  EXPECT_EQ(player.ShownFrame(), 1);
  EXPECT_EQ(player.Display().GetPixel(0, 0), 1u);
  player.GoToFrame(player.ShownFrame() + 1);
  EXPECT_EQ(player.ShownFrame(), 2);
  player.GoToFrame(4);
  EXPECT_EQ(player.Display().GetPixel(0, 0), 4u);
  player.GoToFrame(player.ShownFrame() - 1);
  EXPECT_EQ(player.ShownFrame(), 3);
  EXPECT_EQ(player.Display().GetPixel(0, 0), 3u);
  player.GoToFrame(9);  // beyond the movie: stays
  EXPECT_EQ(player.ShownFrame(), 3);

  // Play resumes from there with the next frame.
  player.Play();
  EXPECT_EQ(player.GetState(), TFliPlayerTimer::kPlaying);
  shown.clear();
  RunFor(player, host, 1, &shown);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].second, 4);

  player.Stop();
  EXPECT_EQ(player.GetState(), TFliPlayerTimer::kStopped);
  player.GoToFrame(2);  // nothing happens while stopped
  EXPECT_EQ(player.ShownFrame(), 4);

  test_support::TempDir tmp;
  player.SetFileName(tmp.File("gone.fli"));
  player.OpenAndPlay();
  EXPECT_EQ(player.GetState(), TFliPlayerTimer::kStopped);
  ASSERT_EQ(host.texts.size(), 1u);
  EXPECT_EQ(host.texts[0], "5,5 Fatal Error: File does not exist!");

  // From a real file.
  player.SetFileName(tmp.Write("m.flc", movie));
  player.Play();
  EXPECT_EQ(player.GetState(), TFliPlayerTimer::kPlaying);
  EXPECT_EQ(player.Frames(), 5);
}

TEST(FliPlayer, FasterSlowerSteps) {
  std::vector<int> faster;
  for (int v = 0, i = 0; i < 26; ++i) faster.push_back(v = TFliPlayerTimer::FasterOverride(v));
  EXPECT_EQ(faster, (std::vector<int>{70, 63, 57, 51, 46, 41, 37, 33, 30, 27, 24, 22, 20,
                                      18, 16, 14, 13, 12, 11, 10, 9,  8,  7,  6,  5,  5}));
  std::vector<int> slower;
  for (int v = 0, i = 0; i < 21; ++i) slower.push_back(v = TFliPlayerTimer::SlowerOverride(v));
  EXPECT_EQ(slower, (std::vector<int>{70,  84,  101, 121, 145,  174,  209,  251,  301,  361, 433,
                                      520, 624, 749, 899, 1079, 1295, 1554, 1865, 2000, 2000}));

  // Pressing faster during play changes the override and restarts the timing.
  FakePlayerHost host;
  TFliPlayerTimer player(&host);
  const auto movie = testing::CountingMovie(true, 4, 2, 2, 5);
  player.SetMemory(movie.data(), movie.size());
  player.OpenAndPlay();
  player.Faster();
  EXPECT_EQ(player.SpeedOverride, 70);
  EXPECT_EQ(player.GetState(), TFliPlayerTimer::kPlaying);
  player.Slower();
  EXPECT_EQ(player.SpeedOverride, 84);
}

TEST(FliPlayer, PaintPlacement) {
  FakePlayerHost host;
  TFliPlayerTimer player(&host);
  const auto movie = testing::CountingMovie(false, 1, 40, 20, 40);
  player.SetMemory(movie.data(), movie.size());
  player.AutoSize = false;
  player.OpenAndPlay();
  EXPECT_EQ(player.PaintArea(100, 50), PaintRect{});  // nothing before the first frame
  std::vector<std::pair<uint32_t, int>> shown;
  RunFor(player, host, 1, &shown);
  EXPECT_EQ(player.PaintArea(100, 50), (PaintRect{0, 0, 40, 20}));
  player.SetFliPos(FliCentre);
  EXPECT_EQ(player.PaintArea(100, 50), (PaintRect{30, 15, 40, 20}));
  player.SetFliPos(FliRight);
  EXPECT_EQ(player.PaintArea(100, 50), (PaintRect{60, 0, 40, 20}));
  player.SetStretch(true);
  EXPECT_EQ(player.PaintArea(100, 50), (PaintRect{0, 0, 100, 50}));
  int paints = 0;
  player.OnFliPaint = [&](TFliPlayerTimer&) { ++paints; };
  player.Paint();
  EXPECT_EQ(paints, 1);
}

}  // namespace
}  // namespace vr::codecs::fli
