// The codecs' windows on the offscreen platform: the movie player window and its controls, the
// "GIF Comments" window, and the Qt text drawing of the GIF host.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "fli/fli_builder.h"
#include "picture/codecs/fli/ui/movie_fli_menu.h"
#include "picture/codecs/gif/gif_graphics.h"
#include "picture/codecs/gif/ui/gif_comments_menu.h"
#include "picture/codecs/gif/ui/qt_gif_host.h"
#include "test_support/temp_dir.h"

namespace vr::codecs {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "vr_codecs_ui_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing Qt down during static destruction crashes the offscreen plugin.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

TEST(MovieWindow, PlaysStepsAndCloses) {
  App();
  test_support::TempDir tmp;
  const std::string path = tmp.Write("m.fli", fli::testing::CountingMovie(true, 3, 40, 30, 5));
  fli::TMovieFLIMenu window;
  EXPECT_EQ(window.windowTitle(), "Movie Player (FLI/FLC)");
  window.OpenMovie(path);
  fli::TFliPlayerTimer& player = window.PlayerControl()->Player();
  EXPECT_EQ(player.TimerInterval, 10);
  EXPECT_EQ(player.GetState(), fli::TFliPlayerTimer::kPlaying);
  auto labels = window.findChildren<QLabel*>();
  auto label_text = [&]() {
    QStringList all;
    for (QLabel* l : labels) all << l->text();
    return all.join('|');
  };
  EXPECT_TRUE(label_text().contains("FLI Frames :3"));
  player.Tick();
  EXPECT_TRUE(label_text().contains("FLI Frame #:1"));
  EXPECT_TRUE(label_text().contains(fli::kMovieHint));

  window.PauseClick();
  window.NextFrameClick();
  EXPECT_TRUE(label_text().contains("FLI Frame #:2"));
  window.PrevFrameClick();
  EXPECT_EQ(player.ShownFrame(), 1);
  window.FasterClick();
  EXPECT_EQ(player.SpeedOverride, 70);
  window.SlowerClick();
  EXPECT_EQ(player.SpeedOverride, 84);

  window.FullScreenClick();
  EXPECT_TRUE(window.FullScreenView());
  EXPECT_TRUE(player.Stretch());
  window.NormalViewClick();
  EXPECT_FALSE(player.Stretch());

  window.show();
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_EQ(player.GetState(), fli::TFliPlayerTimer::kStopped);
  EXPECT_FALSE(window.isVisible());

  window.OpenMovie(tmp.File("missing.fli"));
  EXPECT_EQ(window.PlayerControl()->Notice(), "Fatal Error: File does not exist!");
}

TEST(GifWindows, CommentsAndTextDrawing) {
  App();
  gif::TGifCommentsMenu comments;
  EXPECT_EQ(comments.windowTitle(), "GIF Comments");
  comments.SetLines({"one", "two"});
  EXPECT_TRUE(comments.HasLines());
  EXPECT_EQ(comments.Text(), "one\ntwo");
  comments.Clear();
  EXPECT_FALSE(comments.HasLines());

  gif::QtGifHost host(nullptr, nullptr);
  const int w1 = host.TextWidth("i", 16);
  const int w10 = host.TextWidth("iiiiiiiiii", 16);
  EXPECT_GT(w1, 0);
  EXPECT_GE(w10, 9 * w1);
  const gif::TextMask mask = host.RenderText("HH", 16);
  EXPECT_EQ(mask.height, 16);
  int ink = 0;
  for (uint8_t v : mask.ink) ink += v;
  EXPECT_GT(ink, 10);

  // The host's hooks reach the shell's callbacks.
  int changed = 0;
  host.on_changed_rect = [&](const gif::GifRect&) { ++changed; };
  gif::TGifGraphics player;
  player.SetHost(&host);
  auto bytes = gif::TGifGraphics::EncodeGif(
      [] {
        picture::Bitmap b;
        b.Create(4, 4, picture::PixelFormat::k8);
        return b;
      }(),
      gif::Palette6(768, 0), gif::GifWriterOptions{});
  picture::TFastFileIO io;
  io.OpenMemory(bytes.data(), bytes.size());
  picture::Bitmap out;
  ASSERT_TRUE(player.LoadGif(io, out));
  EXPECT_EQ(changed, 1);
}

}  // namespace
}  // namespace vr::codecs
