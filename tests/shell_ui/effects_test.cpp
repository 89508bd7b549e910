// The main window's "Effec&Ts" entries, the zoom window, the wallpaper entries, the colour and
// wallpaper options in the settings file, and FLI/FLC movies opening in the movie player window;
// all with the scripted services on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QtTest/QTest>
#include <algorithm>
#include <filesystem>

#include "colour/ui/dither_progress_window.h"
#include "fakes/fake_services.h"
#include "fli/fli_builder.h"
#include "lists/files_list.h"
#include "lists/window/ui/file_list_menu.h"
#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/fli/ui/movie_fli_menu.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/palette.h"
#include "platform/profile_file.h"
#include "shell/transforms/wallpaper.h"
#include "shell/transforms/zoom.h"
#include "shell/ui/main_window.h"
#include "shell/ui/media_pane.h"
#include "shell/ui/notice_window.h"
#include "shell/ui/panes.h"
#include "shell/ui/zoom_window.h"
#include "test_support/temp_dir.h"
#include "viewer_fixture.h"

namespace vr::shell::ui {
namespace {

using fakes::FakeShell;
using picture::PixelFormat;

// Pixel (x, y) of a 24-bit picture holds x + 10 * y in its first byte.
picture::Bitmap Numbered(int w, int h) {
  picture::Bitmap bitmap;
  bitmap.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = bitmap.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x + 10 * y);
      p[1] = static_cast<uint8_t>(200 - x);
      p[2] = static_cast<uint8_t>(7 * y);
    }
  }
  return bitmap;
}

int At(const picture::Bitmap& b, int x, int y) { return b.Row(y)[3 * x]; }

transforms::DesktopFacts Gnome() {
  transforms::DesktopFacts facts;
  facts.environment = {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"WAYLAND_DISPLAY", "wayland-0"}};
  facts.programs = {"gsettings"};
  return facts;
}

class EffectsTest : public ViewerFixture {
 protected:
  EffectsTest() { WriteSetUpSettings(); }

  // The dialogs' own answers, as on_dialog_ left them.
  int DialogResult(QDialog& dialog) override { return dialog.result(); }

  std::vector<std::string> RunRequests() const {
    std::vector<std::string> out;
    for (const auto& r : services_.shell.requests()) {
      if (r.type != FakeShell::Request::Type::kRunAndWait) continue;
      std::string line = r.target;
      for (const auto& a : r.args) line += " " + a;
      out.push_back(line);
    }
    return out;
  }
};

TEST_F(EffectsTest, MirrorFlipAndRotateChangeOnlyThePictureInMemory) {
  const std::string path = WriteBmp("pics/a.bmp", Numbered(5, 3));
  auto window = Start({path});
  for (Act id : {Act::kMirror1, Act::kFlip1, Act::kRotate1, Act::kZoom1}) {
    ASSERT_NE(window->action(id), nullptr) << static_cast<int>(id);
  }
  EXPECT_EQ(window->action(Act::kMirror1)->text(), "&Mirror");
  EXPECT_EQ(window->action(Act::kZoom1)->text(), "&Zoom");
  TFitPane* pane = window->fit_pane();
  pane->repaint();
  int built = window->display_rebuilds();

  window->action(Act::kMirror1)->trigger();
  const picture::Bitmap& shown = window->shown().bitmap;
  EXPECT_EQ(At(shown, 0, 0), 4);
  EXPECT_EQ(At(shown, 4, 2), 20);
  pane->repaint();
  EXPECT_EQ(window->display_rebuilds(), ++built);  // a forced rebuild of the display

  window->action(Act::kFlip1)->trigger();
  EXPECT_EQ(At(window->shown().bitmap, 0, 0), 24);  // old (4, 2)
  EXPECT_EQ(At(window->shown().bitmap, 4, 1), 10);  // the middle row stays in the middle
  pane->repaint();
  EXPECT_EQ(window->display_rebuilds(), ++built);

  // Rotation to the right: the new top row is the old left column read bottom to top.
  window->action(Act::kRotate1)->trigger();
  const picture::Bitmap& rotated = window->shown().bitmap;
  ASSERT_EQ(rotated.Width(), 3);
  ASSERT_EQ(rotated.Height(), 5);
  EXPECT_EQ(At(rotated, 0, 0), 4);   // was at (0, 2) before the rotation: old (4, 0)
  EXPECT_EQ(At(rotated, 2, 0), 24);  // was at (0, 0)
  pane->repaint();
  EXPECT_EQ(window->display_rebuilds(), ++built);
  EXPECT_TRUE(services_.ui.calls().empty());

  // A rotation that cannot make its temporary store says why and keeps the picture.
  services_.folders.SetTempFolder(dir_.File("no/such/folder"));
  window->action(Act::kRotate1)->trigger();
  ASSERT_EQ(services_.ui.calls().size(), 1u);
  EXPECT_EQ(services_.ui.last().kind, platform::MessageKind::kWarning);
  EXPECT_NE(services_.ui.last().text.find("temporary"), std::string::npos);
  EXPECT_EQ(window->shown().bitmap.Width(), 3);
  EXPECT_EQ(At(window->shown().bitmap, 0, 0), 4);

  // The file itself is untouched.
  picture::Bitmap on_disk;
  ASSERT_TRUE(codecs::LoadBmpFile(path, on_disk).ok());
  EXPECT_EQ(on_disk.Width(), 5);
  EXPECT_EQ(At(on_disk, 0, 0), 0);
  window->close();
}

TEST_F(EffectsTest, JpegBecomesABitmapBeforeATransformAndNothingShownDoesNothing) {
  const std::string jpeg = dir_.File("photo.jpg");
  ASSERT_TRUE(codecs::SaveJpeg(jpeg, Numbered(16, 8), codecs::JpegSaveOptions()).ok);
  auto window = Start({jpeg});
  ASSERT_EQ(window->shown().kind, picture::GraphicKind::kJpeg);
  // A cancelled zoom changes nothing, not even the form the picture is held in.
  const int changes = window->picture_changes();
  on_dialog_ = [](QDialog& dialog) {
    auto* zoom = dynamic_cast<TZoomMenu*>(&dialog);
    ASSERT_NE(zoom, nullptr);
    EXPECT_EQ(zoom->EWidth->text(), "16");
    zoom->BCancel->click();
  };
  window->action(Act::kZoom1)->trigger();
  on_dialog_ = nullptr;
  EXPECT_EQ(window->shown().kind, picture::GraphicKind::kJpeg);
  EXPECT_EQ(window->picture_changes(), changes);
  window->action(Act::kRotate1)->trigger();
  EXPECT_EQ(window->shown().kind, picture::GraphicKind::kBitmap);
  EXPECT_EQ(window->shown().bitmap.Width(), 8);
  EXPECT_EQ(window->shown().bitmap.Height(), 16);

  auto empty = Start({});
  empty->action(Act::kMirror1)->trigger();
  empty->action(Act::kRotate1)->trigger();
  EXPECT_EQ(empty->shown().bitmap.Width(), 1);
  EXPECT_TRUE(services_.ui.calls().empty());
}

TEST_F(EffectsTest, ZoomWindowOpensFilledAndWidthOneGivesTwo) {
  auto window = Start({WriteBmp("pics/z.bmp", Numbered(40, 20))});
  on_dialog_ = [](QDialog& dialog) {
    auto* zoom = dynamic_cast<TZoomMenu*>(&dialog);
    ASSERT_NE(zoom, nullptr);
    EXPECT_EQ(zoom->EWidth->text(), "40");
    EXPECT_EQ(zoom->EHeight->text(), "20");
    EXPECT_EQ(zoom->EZoom->text(), "100");
    EXPECT_TRUE(zoom->CBAspect->isChecked());
    EXPECT_EQ(zoom->CBAspect->text(), "Keep Aspect Ratio");
    EXPECT_EQ(zoom->BScreenSize->text(), "Use &Screen Size");
    EXPECT_FALSE(zoom->BOk->isEnabled());
    EXPECT_EQ(zoom->SBSmoothing->text(), "Smoothing ON");
    // Typing a width keeps the aspect in the height and the factor in line.
    zoom->EWidth->selectAll();
    QTest::keyClicks(zoom->EWidth, "80");
    EXPECT_EQ(zoom->EHeight->text(), "40");
    EXPECT_EQ(zoom->EZoom->text(), "200");
    EXPECT_TRUE(zoom->BOk->isEnabled());
    zoom->EWidth->selectAll();
    QTest::keyClicks(zoom->EWidth, "1");
    zoom->BOk->click();
  };
  window->action(Act::kZoom1)->trigger();
  EXPECT_EQ(dialogs_.back(), kZoomTitle);
  const picture::Bitmap& zoomed = window->shown().bitmap;
  EXPECT_EQ(zoomed.Width(), 2);
  EXPECT_EQ(zoomed.Height(), 2);
  EXPECT_EQ(zoomed.Bits(), 24);

  // "&Cancel" leaves the picture as it is.
  on_dialog_ = [](QDialog& dialog) {
    auto* zoom = dynamic_cast<TZoomMenu*>(&dialog);
    ASSERT_NE(zoom, nullptr);
    QTest::keyClicks(zoom->EZoom, "0");
    zoom->BCancel->click();
  };
  window->action(Act::kZoom1)->trigger();
  EXPECT_EQ(window->shown().bitmap.Width(), 2);
  EXPECT_TRUE(services_.ui.calls().empty());
  window->close();
}

TEST_F(EffectsTest, ZoomShrinkingOneWayWithoutSmoothingAsksAndCancelKeepsTheWindowOpen) {
  auto window = Start({WriteBmp("pics/t.bmp", Numbered(100, 200))});
  int closes_refused = 0;
  on_dialog_ = [&](QDialog& dialog) {
    auto* zoom = dynamic_cast<TZoomMenu*>(&dialog);
    ASSERT_NE(zoom, nullptr);
    zoom->CBAspect->setChecked(false);
    // Without "Keep Aspect Ratio" the screen size comes with the hint.
    zoom->BScreenSize->click();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(zoom->EWidth->text().toInt(), screen.width());
    EXPECT_EQ(services_.ui.last().text, transforms::kZoomAspectHint);
    zoom->EWidth->selectAll();
    QTest::keyClicks(zoom->EWidth, "300");
    zoom->EHeight->selectAll();
    QTest::keyClicks(zoom->EHeight, "50");
    zoom->SBSmoothing->click();
    EXPECT_EQ(zoom->SBSmoothing->text(), "Smoothing OFF");
    EXPECT_EQ(zoom->SBSmoothing->property("glyph").toString(), "SMOOTHING_OFF");
    services_.ui.QueueChoice(2);  // "-CANCEL Zoom"
    zoom->BOk->click();
    if (dialog.result() != kZoomOk) ++closes_refused;
    services_.ui.QueueChoice(1);  // "+Zoom Now"
    zoom->BOk->click();
  };
  window->action(Act::kZoom1)->trigger();
  EXPECT_EQ(closes_refused, 1);
  const fakes::UiCall& asked = services_.ui.last();
  EXPECT_EQ(asked.type, fakes::UiCall::Type::kChoice);
  EXPECT_EQ(asked.text, transforms::kZoomShrinkQuestion);
  EXPECT_EQ(asked.captions, (std::vector<std::string>{"+Zoom Now", "-CANCEL Zoom"}));
  EXPECT_EQ(window->shown().bitmap.Width(), 300);
  EXPECT_EQ(window->shown().bitmap.Height(), 50);
  EXPECT_EQ(services_.ui.pending(), 0u);
  window->close();
}

TEST_F(EffectsTest, WallpaperSavesTheFileAsksAboutColoursAndRunsTheDesktopCommands) {
  const std::string path = WriteBmp("pics/w.bmp", Numbered(20, 10));
  auto window = Start({path});
  window->SetDesktopFacts(Gnome());
  // The File menu's sub-menu and the picture's "Wall-Paper" sub-menu hold the same radio group.
  QMenu* popup = nullptr;
  for (QAction* a : window->picture_menu()->actions()) {
    if (a->menu() != nullptr && a->text() == "Wall-Paper") popup = a->menu();
  }
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(popup->actions().size(), 3);
  EXPECT_EQ(popup->actions()[0], window->action(Act::kStyle11));
  EXPECT_EQ(popup->actions()[2]->text(), "&Stretch To Fit Wall Paper");
  EXPECT_TRUE(window->action(Act::kStyle11)->isChecked());

  services_.ui.QueueAnswer(platform::Answer::kYes);  // 256 colours
  window->action(Act::kStretchToFit1)->trigger();
  EXPECT_TRUE(window->action(Act::kStretchToFit1)->isChecked());
  EXPECT_FALSE(window->action(Act::kStyle11)->isChecked());
  const std::string target = dir_.File("Veldrimon_WallPaper.BMP");
  picture::Bitmap saved;
  ASSERT_TRUE(codecs::LoadBmpFile(target, saved).ok());
  EXPECT_EQ(saved.Bits(), 8);
  EXPECT_EQ(saved.Width(), 20);
  ASSERT_EQ(services_.ui.calls().size(), 2u);
  EXPECT_EQ(services_.ui.calls()[0].text, transforms::WallpaperSaveNotice());
  EXPECT_EQ(services_.ui.calls()[1].text, transforms::kWallpaper256Question);
  const std::string uri = "file://" + target;
  EXPECT_EQ(RunRequests(),
            (std::vector<std::string>{
                "gsettings set org.gnome.desktop.background picture-uri " + uri,
                "gsettings set org.gnome.desktop.background picture-uri-dark " + uri,
                "gsettings set org.gnome.desktop.background picture-options stretched"}));
  EXPECT_EQ(dialogs_.back(), kNoticeTitle);

  // The notice turned off stays off for the run; the style is kept in the settings file.
  on_dialog_ = [](QDialog& dialog) {
    if (auto* notice = dynamic_cast<TNoticeWindow*>(&dialog)) notice->turn_off()->setChecked(true);
  };
  services_.ui.QueueAnswer(platform::Answer::kNo);
  window->action(Act::kStyle21)->trigger();
  on_dialog_ = nullptr;
  const size_t notices = dialogs_.size();
  services_.ui.QueueAnswer(platform::Answer::kNo);
  window->action(Act::kStyle21)->trigger();
  EXPECT_EQ(dialogs_.size(), notices);
  ASSERT_TRUE(codecs::LoadBmpFile(target, saved).ok());
  EXPECT_EQ(saved.Bits(), 24);  // "No" to 256 colours
  EXPECT_EQ(RunRequests().back(), "gsettings set org.gnome.desktop.background picture-options wallpaper");
  EXPECT_EQ(services_.ui.pending(), 0u);
  window->close();
  EXPECT_EQ(platform::ProfileFile(dir_.File("VELDR.INI")).ReadString("General", "WallPaperStyle", ""),
            "1");
}

TEST_F(EffectsTest, WallpaperFromTheWindowsFolderWritesOnlyTheSettings) {
  // The fake's Windows folder is the program folder.
  const std::string path = WriteBmp("inside.bmp", Numbered(20, 10));
  auto window = Start({path});
  window->SetDesktopFacts(Gnome());
  window->action(Act::kStyle11)->trigger();
  EXPECT_FALSE(std::filesystem::exists(dir_.File("Veldrimon_WallPaper.BMP")));
  EXPECT_TRUE(services_.ui.calls().empty());
  ASSERT_EQ(RunRequests().size(), 3u);
  EXPECT_EQ(RunRequests()[2], "gsettings set org.gnome.desktop.background picture-options centered");
  window->close();
}

TEST_F(EffectsTest, WallpaperLargerThanTheScreenIsShrunkOnYesAndNoDesktopIsSaidPlainly) {
  const QSize screen = QGuiApplication::primaryScreen()->size();
  const std::string path = WriteBmp("pics/wide.bmp", Numbered(screen.width() * 2, 10));
  auto window = Start({path});
  window->SetDesktopFacts(transforms::DesktopFacts{});  // no desktop session at all
  services_.ui.QueueAnswer(platform::Answer::kYes);  // shrink first
  services_.ui.QueueAnswer(platform::Answer::kNo);   // keep true colour
  window->action(Act::kStyle11)->trigger();
  const auto& calls = services_.ui.calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[1].text,
            transforms::WallpaperTooLargeQuestion(transforms::WallpaperStyle::kCentre,
                                                  screen.width() * 2, 10));
  picture::Bitmap saved;
  ASSERT_TRUE(codecs::LoadBmpFile(dir_.File("Veldrimon_WallPaper.BMP"), saved).ok());
  EXPECT_EQ(saved.Width(), screen.width());
  EXPECT_EQ(saved.Height(), 5);
  // Nothing could set it: an error that says so, no commands, no refresh notice.
  EXPECT_EQ(calls[3].kind, platform::MessageKind::kError);
  EXPECT_NE(calls[3].text.find("This DeskTop offers no way"), std::string::npos);
  EXPECT_TRUE(RunRequests().empty());
  EXPECT_TRUE(dialogs_.empty());
  window->close();
}

TEST_F(EffectsTest, ColourAndWallpaperOptionsComeBackFromTheSettingsFile) {
  dir_.WriteText("VELDR.INI",
                 "[General]\nSetup=YES\nVersion=Veldrimon 2.1.3\nDate_UpdateMessageShown=45000\n"
                 "Dither=0\nShowDitherProgress=0\nTrueColorAs256Colors=1\nWallPaperStyle=2\n");
  auto window = Start({});
  EXPECT_TRUE(window->action(Act::kDitherOff)->isChecked());
  EXPECT_FALSE(window->action(Act::kDitherOn)->isChecked());
  EXPECT_FALSE(window->action(Act::kShowDitherProgress)->isChecked());
  EXPECT_TRUE(window->action(Act::kTrueColour256)->isChecked());
  EXPECT_EQ(window->true_colour_on_256(), 1);
  EXPECT_TRUE(window->action(Act::kStretchToFit1)->isChecked());

  window->action(Act::kDitherOn)->trigger();
  window->action(Act::kShowDitherProgress)->trigger();
  window->action(Act::kTrueColour256)->trigger();  // turning it off asks nothing
  window->close();
  const platform::ProfileFile f(dir_.File("VELDR.INI"));
  EXPECT_EQ(f.ReadString("General", "Dither", ""), "1");
  EXPECT_EQ(f.ReadString("General", "ShowDitherProgress", ""), "1");
  EXPECT_EQ(f.ReadString("General", "TrueColorAs256Colors", ""), "0");
  EXPECT_EQ(f.ReadString("General", "WallPaperStyle", ""), "2");
}

TEST_F(EffectsTest, ReduceItemsActOnlyBelowThePictureDepthUnlessTheyAskForStandardColours) {
  // A 4-bit picture whose 16 palette entries are not the standard ones.
  picture::Bitmap four;
  four.Create(16, 4, PixelFormat::k4);
  std::vector<picture::Rgb> palette;
  for (int i = 0; i < 16; ++i) {
    palette.push_back(picture::Rgb{static_cast<uint8_t>(i * 15 + 3), static_cast<uint8_t>(100 + i),
                                   static_cast<uint8_t>(250 - i * 9)});
  }
  four.SetPalette(palette);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 16; x += 2) four.Row(y)[x / 2] = static_cast<uint8_t>((x << 4) | (x + 1));
  }
  const std::string path = dir_.File("pics/four.bmp");
  std::filesystem::create_directories(dir_.File("pics"));
  ASSERT_TRUE(codecs::SaveBmp(path, four).ok);
  auto window = Start({path});
  window->action(Act::kShowDitherProgress)->setChecked(false);
  ASSERT_EQ(window->shown().bitmap.Bits(), 4);
  // "&5. 16 Colors" and "&10  256 Colors" are no reduction of 16 colours.
  window->reduce_action(4)->trigger();
  window->reduce_action(9)->trigger();
  EXPECT_EQ(window->shown().bitmap.Bits(), 4);
  // "&6. 16 (VGA colors)" still remaps to the standard 16.
  window->reduce_action(5)->trigger();
  const picture::Bitmap& vga = window->shown().bitmap;
  ASSERT_EQ(vga.Bits(), 8);
  const std::vector<picture::Rgb> standard = picture::Standard16();
  for (int x = 0; x < 16; ++x) {
    const picture::Rgb c = vga.Palette()[vga.Row(0)[x]];
    EXPECT_NE(std::find(standard.begin(), standard.end(), c), standard.end()) << x;
  }

  // On a true-colour picture "&11. Windows 236 Colors" gives the 256-entry Windows layout.
  auto rich = Start({WriteBmp("pics/rich.bmp", Numbered(64, 32))});
  rich->action(Act::kShowDitherProgress)->setChecked(false);
  rich->reduce_action(10)->trigger();
  const picture::Bitmap& w236 = rich->shown().bitmap;
  ASSERT_EQ(w236.Bits(), 8);
  ASSERT_EQ(w236.Palette().size(), 256u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(w236.Palette()[236 + i], standard[i]) << i;
  EXPECT_TRUE(services_.ui.calls().empty());
}

TEST_F(EffectsTest, FliMoviesPlayInTheMovieWindowFromTheFilesListAndInTheMediaPaneFromTheViewer) {
  const std::string bmp = WriteBmp("a.bmp", Numbered(8, 8));
  const std::string movie =
      dir_.Write("m.fli", codecs::fli::testing::CountingMovie(true, 3, 40, 30, 5));
  auto window = Start({bmp, movie});
  ASSERT_EQ(window->files_list().Count(), 2);
  EXPECT_EQ(window->movie_window(), nullptr);

  // From the files list window: Return or a double click on the movie's row plays it.
  window->FileListWindow1Click();
  list_window::TFileListMenu* list = window->list_window();
  ASSERT_NE(list, nullptr);
  list->SelectRows({0}, 0);
  list->OpenLargePreview();
  EXPECT_EQ(window->movie_window(), nullptr);  // a picture gets its preview window
  list->SelectRows({1}, 1);
  list->OpenLargePreview();
  ASSERT_NE(window->movie_window(), nullptr);
  EXPECT_TRUE(window->movie_window()->isVisible());
  EXPECT_EQ(window->movie_window()->windowTitle(), "Movie Player (FLI/FLC)");
  codecs::fli::TFliPlayerTimer& player = window->movie_window()->PlayerControl()->Player();
  EXPECT_EQ(player.Frames(), 3);
  EXPECT_EQ(player.GetState(), codecs::fli::TFliPlayerTimer::kPlaying);
  window->movie_window()->close();
  EXPECT_EQ(player.GetState(), codecs::fli::TFliPlayerTimer::kStopped);

  // From the viewer: the movie's entry plays in the media pane, the separate window stays shut.
  window->GoNext();
  EXPECT_FALSE(window->movie_window()->isVisible());
  ASSERT_NE(window->media_pane(), nullptr);
  EXPECT_TRUE(window->media_pane()->isVisible());
  EXPECT_EQ(window->media_pane()->file(), movie);
  EXPECT_TRUE(window->media_pane()->message().isEmpty());
  // Showing another file stops the movie, as it stops any playing media.
  window->GoPrevious();
  EXPECT_FALSE(window->media_pane()->isVisible());
  EXPECT_TRUE(window->media_pane()->file().empty());
  window->close();
}

}  // namespace
}  // namespace vr::shell::ui
