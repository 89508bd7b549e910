// Bitmaps shown through QImage, scaled drawing on a canvas, the preview drawing and panel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>

#include "picture/palette.h"
#include "picture/ui/preview_panel.h"
#include "picture/ui/qimage_bridge.h"
#include "picture/ui/scaled_draw.h"
#include "test_support/temp_dir.h"

namespace vr::picture {
namespace {

Bitmap Filled(int w, int h, PixelFormat f) {
  Bitmap b;
  EXPECT_TRUE(b.Create(w, h, f));
  for (int y = 0; y < h; ++y) {
    for (size_t i = 0; i < b.Stride(); ++i) b.Row(y)[i] = static_cast<uint8_t>(i * 37 + y * 11 + 5);
  }
  if (b.Indexed()) {
    std::vector<Rgb> pal(size_t{1} << b.Bits());
    for (size_t i = 0; i < pal.size(); ++i)
      pal[i] = Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 9};
    b.SetPalette(pal);
  }
  return b;
}

void ExpectSamePixels(const Bitmap& b, const QImage& image) {
  ASSERT_EQ(image.width(), b.Width());
  ASSERT_EQ(image.height(), b.Height());
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      const Rgb c = b.ColourAt(x, y);
      ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, qRgb(c.r, c.g, c.b) & 0xFFFFFF)
          << BitsOf(b.Format()) << " " << x << "," << y;
    }
  }
}

TEST(BitmapToQImage, WrapsEightTwentyFourAndThirtyTwoBitsWithoutCopying) {
  for (PixelFormat f : {PixelFormat::k8, PixelFormat::k24, PixelFormat::k32}) {
    const Bitmap b = Filled(7, 5, f);  // odd width: rows carry padding
    const QImage image = BitmapToQImage(b);
    EXPECT_TRUE(WrapsWithoutCopy(f));
    EXPECT_EQ(image.constBits(), b.Data()) << BitsOf(f);
    EXPECT_EQ(static_cast<size_t>(image.bytesPerLine()), b.Stride());
    ExpectSamePixels(b, image);
  }
  EXPECT_EQ(BitmapToQImage(Filled(2, 2, PixelFormat::k8)).format(), QImage::Format_Indexed8);
  EXPECT_EQ(BitmapToQImage(Filled(2, 2, PixelFormat::k24)).format(), QImage::Format_BGR888);
  EXPECT_EQ(BitmapToQImage(Filled(2, 2, PixelFormat::k32)).format(), QImage::Format_RGB32);
}

TEST(BitmapToQImage, ConvertsOneFourFifteenAndSixteenBits) {
  for (PixelFormat f : {PixelFormat::k1, PixelFormat::k4, PixelFormat::k15, PixelFormat::k16}) {
    const Bitmap b = Filled(9, 3, f);
    const QImage image = BitmapToQImage(b);
    EXPECT_FALSE(WrapsWithoutCopy(f));
    EXPECT_NE(image.constBits(), b.Data());
    ExpectSamePixels(b, image);
  }
  EXPECT_TRUE(BitmapToQImage(Bitmap()).isNull());
}

TEST(QImageToBitmap, RoundTrip) {
  const Bitmap b = Filled(6, 4, PixelFormat::k24);
  const Bitmap back = QImageToBitmap(BitmapToQImage(b).convertToFormat(QImage::Format_ARGB32));
  EXPECT_EQ(back.Format(), PixelFormat::k24);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(back.ColourAt(x, y), b.ColourAt(x, y));
  }
}

// Stripes of red 0 and 200 a pixel wide.
PictureHolder Stripes(int w, int h) {
  PictureHolder p;
  EXPECT_TRUE(p.bitmap.Create(w, h, PixelFormat::k24));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) p.bitmap.Row(y)[3 * x + 2] = static_cast<uint8_t>(x % 2 ? 200 : 0);
  }
  return p;
}

TEST(DrawPictureScaledOnCanvas, SmoothsShrinksOnlyWhenAsked) {
  const PictureHolder src = Stripes(40, 20);
  QImage canvas(30, 30, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  {
    QPainter p(&canvas);
    DrawPictureScaled(src, p, QRect(5, 5, 20, 10), false, SmoothSettings{32, true});
  }
  EXPECT_EQ(qRed(canvas.pixel(10, 8)), 100);  // two stripes averaged
  EXPECT_EQ(canvas.pixel(2, 2), qRgb(255, 255, 255));

  canvas.fill(Qt::white);
  {
    QPainter p(&canvas);
    DrawPictureScaled(src, p, QRect(5, 5, 20, 10), false, SmoothSettings{32, false});
  }
  const int r = qRed(canvas.pixel(10, 8));
  EXPECT_TRUE(r == 0 || r == 200) << r;  // stretched: a source pixel, not a mean
}

TEST(DrawPreview, CentresFitsAndReportsBadPictures) {
  QImage canvas(100, 80, QImage::Format_RGB32);
  const QColor box(10, 20, 30);

  PictureHolder small = Stripes(10, 6);
  {
    QPainter p(&canvas);
    DrawPreview(p, QRect(0, 0, 100, 80), box, small);
  }
  EXPECT_EQ(canvas.pixel(45, 37), qRgb(0, 0, 0));    // 1:1 at (45, 37): column 0 is black
  EXPECT_EQ(canvas.pixel(46, 42), qRgb(200, 0, 0));  // column 1, bottom row
  EXPECT_EQ(canvas.pixel(44, 37), box.rgb());
  EXPECT_EQ(canvas.pixel(45, 43), box.rgb());
  EXPECT_EQ(canvas.pixel(55, 37), box.rgb());

  PictureHolder wide = Stripes(400, 100);
  {
    QPainter p(&canvas);
    DrawPreview(p, QRect(0, 0, 100, 80), box, wide);
  }
  // Fitted to 100 x 25, centred vertically from y = 27.
  EXPECT_EQ(canvas.pixel(50, 20), box.rgb());
  EXPECT_NE(canvas.pixel(50, 40), box.rgb());
  EXPECT_EQ(canvas.pixel(50, 60), box.rgb());

  PictureHolder bad;  // height below 1
  {
    QPainter p(&canvas);
    DrawPreview(p, QRect(0, 0, 100, 80), QColor(Qt::white), bad);
  }
  int inked = 0;
  for (int y = 0; y < 80; ++y) {
    for (int x = 0; x < 100; ++x) inked += canvas.pixel(x, y) != qRgb(255, 255, 255);
  }
  EXPECT_GT(inked, 20);  // the two lines of text
}

TEST(PreviewPanel, CaptionsAndFittedPicture) {
  std::string asked_path;
  QString text_while_loading;
  PreviewLoadResult next;
  TPreviewPanel* panel_ptr = nullptr;
  TPreviewPanel panel([&](const std::string& path, int target) {
    asked_path = path;
    EXPECT_GT(target, 0);
    text_while_loading = panel_ptr->PanelText();
    return next;
  });
  panel_ptr = &panel;
  panel.resize(122, 102);  // a frame of 1 pixel leaves 120 x 100
  EXPECT_EQ(panel.Caption(), "Nothing To Preview");
  EXPECT_EQ(panel.PanelText(), "No File To Display");
  EXPECT_EQ(panel.SizeText(), "N/A");
  EXPECT_EQ(panel.DateText(), "N/A");

  test_support::TempDir dir;
  const std::string file = dir.WriteText("p.pcx", "12345");
  next.holder = Stripes(400, 200);
  next.info_width = 400;
  next.info_height = 200;
  next.info_colours = 16000;
  panel.ShowFile(QString::fromStdString(file));
  EXPECT_EQ(asked_path, file);
  EXPECT_EQ(text_while_loading, "Loading Image...");
  EXPECT_EQ(panel.Caption(), "Picture Preview (400x200 16M Colors)");
  EXPECT_EQ(panel.SizeText(), "5");
  EXPECT_NE(panel.DateText(), "N/A");
  const QRect area = panel.contentsRect();
  EXPECT_EQ(panel.Shown().width(), area.width());
  EXPECT_EQ(panel.Shown().height(), area.width() / 2);
  const int red = qRed(panel.Shown().pixel(10, 10));  // shrunk smoothly: a mean of stripes
  EXPECT_GT(red, 0);
  EXPECT_LT(red, 200);

  next.animated_gif = true;
  next.info_colours = 256;
  next.holder = Stripes(20, 10);
  panel.ShowFile(QString::fromStdString(file));
  EXPECT_EQ(panel.Caption(), "GIF Animation (400x200 256 Colors)");
  EXPECT_EQ(panel.Shown().width(), 20);  // small pictures stay 1:1

  QStringList media;
  QObject::connect(&panel, &TPreviewPanel::MediaFileChosen,
                   [&](const QString& path) { media << path; });
  next.is_media = true;
  panel.ShowFile(QString::fromStdString(file));
  EXPECT_EQ(media, QStringList{QString::fromStdString(file)});

  panel.ShowFile(QString());
  EXPECT_EQ(panel.Caption(), "Nothing To Preview");
  EXPECT_TRUE(panel.Shown().isNull());
  EXPECT_EQ(PreviewSizeCaption(1, 2, 2), " (1x2 2 Colors)");
}

}  // namespace
// Run by its own test entry with QT_SCALE_FACTOR=2: on a screen of two device pixels per logical
// pixel the panel asks for a picture the size of its device pixels and draws it one to one.
TEST(PreviewPanelAtRatio2, LoadsAndDrawsAtDevicePixels) {
  if (qApp->devicePixelRatio() != 2) GTEST_SKIP() << "needs QT_SCALE_FACTOR=2";
  Bitmap noise;
  ASSERT_TRUE(noise.Create(640, 400, PixelFormat::k24));
  uint32_t seed = 99;
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 640 * 3; ++x) {
      seed = seed * 1664525u + 1013904223u;
      noise.Row(y)[x] = static_cast<uint8_t>(seed >> 24);
    }
  }
  int asked = 0;
  TPreviewPanel panel([&](const std::string&, int target) {
    asked = target;
    PreviewLoadResult result;
    result.holder.bitmap = noise;
    result.info_width = 640;
    result.info_height = 400;
    result.info_colours = 16000;
    return result;
  });
  panel.resize(162, 162);  // 160 x 160 inside the frame: 320 x 320 device pixels
  test_support::TempDir dir;
  panel.ShowFile(QString::fromStdString(dir.WriteText("n.pcx", "1")));
  EXPECT_EQ(asked, 320);
  const QImage& shown = panel.Shown();
  ASSERT_EQ(shown.size(), QSize(320, 200));
  EXPECT_EQ(shown.devicePixelRatio(), 2);
  // On the screen: centred in the 320 x 320 device pixels inside the frame, every pixel once.
  const QImage screen = panel.grab().toImage();
  ASSERT_EQ(screen.size(), QSize(324, 324));
  int same = 0;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) {
      if ((screen.pixel(2 + x, 2 + 60 + y) & 0xFFFFFF) == (shown.pixel(x, y) & 0xFFFFFF)) ++same;
    }
  }
  EXPECT_EQ(same, 320 * 200);
}

}  // namespace vr::picture

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
