// Snapshots in the running main window: the clipboard's picture saved as "~SCREEN" files
// numbered 1, 2 over formats, a clipboard holding text, and a real grab of the screen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QAbstractButton>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <filesystem>

#include "../shell_ui/viewer_fixture.h"
#include "extras/snapshots.h"
#include "extras/ui/area_picker.h"
#include "extras/ui/snapshot_menu.h"
#include "lists/files_list.h"
#include "picture/load/loader.h"
#include "platform/qt/screen_capture_qt.h"

namespace vr::shell::ui {
namespace {

class SnapshotTest : public ViewerFixture {
 protected:
  int DialogResult(QDialog& dialog) override {
    if (auto* picker = dynamic_cast<extras::ui::TAreaPicker*>(&dialog)) {
      picker->show();
      EXPECT_TRUE(QTest::qWaitForWindowExposed(picker));
      if (drag_.isNull()) {
        QTest::keyClick(picker, Qt::Key_Escape);
      } else {
        QTest::mousePress(picker, Qt::LeftButton, Qt::NoModifier, drag_.topLeft());
        QTest::mouseMove(picker, drag_.center());
        QTest::mouseRelease(picker, Qt::LeftButton, Qt::NoModifier, drag_.bottomRight());
      }
      return picker->result();
    }
    auto* menu = dynamic_cast<extras::ui::TSnapShotMenu*>(&dialog);
    if (menu == nullptr || formats_.empty()) return QDialog::Rejected;
    const int format = formats_.front();
    formats_.erase(formats_.begin());
    menu->RGFormat->button(format - 1)->click();
    return QDialog::Accepted;
  }
  QAction* Entry(TVeldrimon69& window, const char* name) {
    return window.findChild<QAction*>(name);
  }
  std::vector<int> formats_;
  QRect drag_;  // the area picker's drag, from one corner to the other; null: Escape
};

QImage Stripes(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 4, y * 4, 200));
  }
  return image;
}

TEST_F(SnapshotTest, ClipboardPicturesAreNumberedOverFormatsAndTextSavesNothing) {
  WriteSetUpSettings();
  const std::string first = WriteBmp("pics/first.bmp", 12, 9);
  auto window = Start({first});
  QGuiApplication::clipboard()->setImage(Stripes(40, 30));
  formats_ = {3};  // BMP
  Entry(*window, "PasteImage")->trigger();
  const std::string bmp = dir_.Path() + "/~SCREEN1.BMP";
  ASSERT_TRUE(std::filesystem::exists(bmp));
  EXPECT_EQ(window->files_list().FilePathAt(window->files_list().Current()), bmp);
  EXPECT_EQ(window->shown().Width(), 40);
  picture::PictureHolder saved;
  picture::LoadPicture(bmp, saved, picture::DecodeOptions());
  ASSERT_EQ(saved.Width(), 40);
  const uint8_t* pixel = saved.bitmap.Row(5) + 3 * 10;  // blue, green, red of (10, 5)
  EXPECT_EQ(pixel[0], 200);
  EXPECT_EQ(pixel[1], 20);
  EXPECT_EQ(pixel[2], 40);
  EXPECT_EQ(services_.ui.MessageTexts().back(), extras::SavingToText(bmp));

  // The window closed without "Save Now": JPG, and the next number.
  Entry(*window, "SnapShotClipBoard")->trigger();
  EXPECT_TRUE(std::filesystem::exists(dir_.Path() + "/~SCREEN2.JPG"));
  EXPECT_EQ(dialogs_.back(), "Pick a format to save the SCREEN Snap Shot");

  // Text on the clipboard: the message, nothing saved, the current file shown again.
  QGuiApplication::clipboard()->setText("just words");
  window->files_list().SetCurrent(window->files_list().FindInFilesList(first));
  services_.ui.Clear();
  Entry(*window, "PasteImage")->trigger();
  EXPECT_EQ(services_.ui.MessageTexts(), std::vector<std::string>{extras::kClipboardNotPicture});
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() + "/~SCREEN3.JPG"));
  EXPECT_EQ(window->shown().Width(), 12);
}

TEST_F(SnapshotTest, AScreenGrabHoldsAWindowsPixels) {
  QLabel painted;
  QImage red(120, 80, QImage::Format_RGB32);
  red.fill(qRgb(250, 10, 20));
  painted.setPixmap(QPixmap::fromImage(red));
  painted.setGeometry(30, 40, 120, 80);
  painted.show();
  QApplication::processEvents();
  platform::QtScreenCapture capture(&painted);
  const platform::CapturedPicture shot = capture.GrabScreen(false);
  ASSERT_TRUE(shot.ok());
  // Somewhere on the screen stand the window's red pixels.
  int red_pixels = 0;
  for (size_t i = 0; i + 2 < shot.bgr.size(); i += 3) {
    red_pixels += shot.bgr[i] == 20 && shot.bgr[i + 1] == 10 && shot.bgr[i + 2] == 250;
  }
  EXPECT_GE(red_pixels, 120 * 80 / 2);
}

TEST_F(SnapshotTest, AnAreaDraggedOnTheStillIsSavedAndEscapeSavesNothing) {
  WriteSetUpSettings();
  const std::string first = WriteBmp("pics/first.bmp", 12, 9);
  auto window = Start({first});
  // Red and blue halves at a known place of the screen (its bottom right corner), clear of the
  // main window.
  QLabel painted;
  QImage halves(120, 80, QImage::Format_RGB32);
  halves.fill(qRgb(250, 10, 20));
  QPainter(&halves).fillRect(60, 0, 60, 80, QColor(0, 0, 255));
  painted.setPixmap(QPixmap::fromImage(halves));
  painted.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  window->move(0, 0);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  painted.setGeometry(screen.right() - 130, screen.bottom() - 90, 120, 80);
  painted.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&painted));
  const QPoint at = painted.geometry().topLeft();
  // From 10 pixels inside the red half to 20 pixels into the blue one: 70 x 30 pixels.
  drag_ = QRect(at + QPoint(10, 20), at + QPoint(80, 50));
  formats_ = {3};
  window->findChild<QAction*>("SnapShotArea")->trigger();
  const std::string bmp = dir_.Path() + "/~SCREEN1.BMP";
  ASSERT_TRUE(std::filesystem::exists(bmp));
  picture::PictureHolder saved;
  picture::LoadPicture(bmp, saved, picture::DecodeOptions());
  ASSERT_EQ(saved.Width(), 70);
  ASSERT_EQ(saved.Height(), 30);
  auto colour = [&saved](int x, int y) {
    const uint8_t* p = saved.bitmap.Row(y) + 3 * x;
    return qRgb(p[2], p[1], p[0]);
  };
  EXPECT_EQ(colour(0, 0), qRgb(250, 10, 20));
  EXPECT_EQ(colour(49, 29), qRgb(250, 10, 20));
  EXPECT_EQ(colour(50, 0), qRgb(0, 0, 255));
  EXPECT_EQ(colour(69, 29), qRgb(0, 0, 255));
  EXPECT_EQ(window->shown().Width(), 70);

  // Escape: nothing saved, no message, the list's current file again.
  drag_ = QRect();
  window->files_list().SetCurrent(window->files_list().FindInFilesList(first));
  services_.ui.Clear();
  window->findChild<QAction*>("SnapShotArea")->trigger();
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() + "/~SCREEN2.JPG"));
  EXPECT_TRUE(services_.ui.MessageTexts().empty());
  EXPECT_EQ(window->shown().Width(), 12);
  // Without the desktop's portal the window entry is off.
  EXPECT_FALSE(window->findChild<QAction*>("SnapShotWindow")->isEnabled());
}

}  // namespace
}  // namespace vr::shell::ui
