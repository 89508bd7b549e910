// The main window's units on their own: the action table, the input handling on a host of plain
// widgets, the display cache and GIF playback on a test clock; and the settings the table links
// to the menus, through a whole run of the real window.
#include <gtest/gtest.h>

#include <QAction>
#include <QScrollArea>
#include <QToolButton>
#include <QWidget>
#include <set>
#include <string>
#include <vector>

#include "app/viewer_parts.h"
#include "fakes/fake_clock.h"
#include "lists/files_list.h"
#include "notes/notes_database.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "shell/navigation.h"
#include "shell/settings.h"
#include "shell/ui/display_cache.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/gif_playback.h"
#include "shell/ui/main_window.h"
#include "shell/ui/nav_input.h"
#include "test_support/temp_dir.h"
#include "viewer_fixture.h"

namespace vr::shell::ui {
namespace {

TEST(ActionTable, EveryEntryHasOneRowWithItsOwnName) {
  std::set<std::string> names;
  for (size_t i = 0; i < kActCount; ++i) {
    const Act id = static_cast<Act>(i);
    const ActionRow* row = TVeldrimon69::ActionRowOf(id);
    ASSERT_NE(row, nullptr) << "entry " << i;
    EXPECT_EQ(row->id, id);
    EXPECT_TRUE(names.insert(row->name).second) << row->name;
    EXPECT_NE(std::string(row->caption), "");
    // A settings link needs a check mark to show it.
    if (row->setting.kind != SettingLinkKind::kNone) {
      EXPECT_TRUE(row->checkable) << row->name;
    }
  }
  EXPECT_EQ(TVeldrimon69::ActionRowOf(Act::kCount), nullptr);
}

TEST(NavInputOnItsOwn, KeysRunTheHostsCommands) {
  QWidget window;
  auto* box = new QScrollArea(&window);
  auto* inner = new QWidget(&window);
  TFullScreen full_screen;
  std::vector<std::string> ran;
  NavInputHost host;
  host.window = &window;
  host.scroll_box = box;
  host.actual_pane = inner;
  host.full_screen = &full_screen;
  host.action = [](Act) -> QAction* { return nullptr; };
  host.picture_menu = []() -> QMenu* { return nullptr; };
  host.list_window = []() -> QWidget* { return nullptr; };
  host.cursor_at = [](int) { return QCursor(); };
  host.count = [] { return 3; };
  host.current_path = [] { return std::string("/pictures/a.bmp"); };
  host.previous = [&] { ran.push_back("previous"); };
  host.next = [&] { ran.push_back("next"); };
  host.restart = [&] { ran.push_back("restart"); };
  host.next_view = [&] { ran.push_back("view"); };
  host.delete_current = [&] { ran.push_back("delete"); };
  host.toggle_tag = [&] { ran.push_back("tag"); };
  host.open_preview = [&] { ran.push_back("preview"); };
  host.stop_animation = [&] { ran.push_back("stop"); };
  NavInput nav(host, &window);
  for (int code : {key::kPageDown, key::kV, key::kSpace, key::kDelete, key::kF11}) {
    EXPECT_TRUE(nav.FormKeyDown(code, false)) << code;
  }
  // A step stops an animation first.
  EXPECT_EQ(ran,
            (std::vector<std::string>{"stop", "next", "view", "tag", "delete", "restart"}));
  EXPECT_EQ(nav.last_key(), key::kF11);
  EXPECT_FALSE(nav.FormKeyDown(0, false));
}

picture::PictureHolder Picture(int w, int h, picture::PixelFormat format) {
  picture::PictureHolder holder;
  holder.bitmap.Create(w, h, format);
  if (format == picture::PixelFormat::k8) {
    std::vector<picture::Rgb> palette(256);
    for (int i = 0; i < 256; ++i) {
      palette[i] = picture::Rgb{static_cast<uint8_t>(i), 0, static_cast<uint8_t>(255 - i)};
    }
    holder.bitmap.SetPalette(palette);
  }
  return holder;
}

TEST(DisplayCacheOnItsOwn, TheDisplayBitmapIsBuiltOncePerSizeAndPictureChange) {
  DisplayCache cache;
  picture::PictureHolder shown = Picture(40, 30, picture::PixelFormat::k24);
  const picture::Bitmap* first = cache.BitmapFor(shown, 20, 15, 24, false);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Width(), 20);
  EXPECT_EQ(first->Height(), 15);
  cache.BitmapFor(shown, 20, 15, 24, false);
  EXPECT_EQ(cache.rebuilds(), 1);
  cache.BitmapFor(shown, 10, 15, 24, false);  // another paint box
  EXPECT_EQ(cache.rebuilds(), 2);
  cache.PictureChanged();
  EXPECT_EQ(cache.picture_changes(), 1);
  cache.BitmapFor(shown, 10, 15, 24, false);
  EXPECT_EQ(cache.rebuilds(), 3);
  cache.Invalidate();
  cache.BitmapFor(shown, 10, 15, 24, false);
  EXPECT_EQ(cache.rebuilds(), 4);
  EXPECT_EQ(cache.picture_changes(), 1);
  EXPECT_EQ(cache.BitmapFor(shown, 0, 15, 24, false), nullptr);
}

TEST(DisplayCacheOnItsOwn, OnlyAPaletteScreenRealisesThePicturesPalette) {
  DisplayCache cache;
  const picture::PictureHolder shown = Picture(8, 8, picture::PixelFormat::k8);
  EXPECT_FALSE(cache.Realise(shown.bitmap, 24));
  EXPECT_EQ(cache.PaletteFor(24), nullptr);
  EXPECT_TRUE(cache.Realise(shown.bitmap, 8));
  EXPECT_EQ(cache.picture_changes(), 1);
  EXPECT_FALSE(cache.Realise(shown.bitmap, 8));  // realised already
  EXPECT_EQ(cache.picture_changes(), 1);
  EXPECT_NE(cache.PaletteFor(8), nullptr);
  EXPECT_FALSE(cache.ScreenImage(shown.bitmap, shown.bitmap, 8).isNull());
}

// A 2 x 2 GIF89a of two frames shown `delay_cs` hundredths of a second each (frames of one
// pixel are never waited for).
std::vector<uint8_t> TwoFrameSquareGif(int delay_cs) {
  std::vector<uint8_t> gif = {'G',  'I', 'F', '8', '9', 'a', 2,   0,   2,  0,
                              0x80, 0,   0,   0,   0,   0,   255, 255, 255};
  for (int frame = 0; frame < 2; ++frame) {
    // Each pixel after a clear code, so the codes stay three bits wide.
    const std::vector<uint8_t> bytes = {0x21, 0xF9, 4,    0,    static_cast<uint8_t>(delay_cs),
                                        0,    0,    0,    ',',  0,
                                        0,    0,    0,    2,    0,
                                        2,    0,    0,    2,    4,
                                        0x04, 0x41, 0x10, 0x05, 0};
    gif.insert(gif.end(), bytes.begin(), bytes.end());
  }
  gif.push_back(';');
  return gif;
}

TEST(GifPlaybackOnItsOwn, FrameDelaysRunOnTheGivenClock) {
  test_support::TempDir dir;
  const std::string gif = dir.Write("slow.gif", TwoFrameSquareGif(250));  // 2.5 s per frame
  fakes::FakeClock clock;
  GifPlayback playback(clock);
  picture::Bitmap target;
  int frames_seen = 0;
  bool playing_inside = false;
  playback.Play(
      gif, target,
      [&] {
        ++frames_seen;
        playing_inside = playback.playing();
      },
      [] { return false; }, [] { return false; });
  EXPECT_TRUE(playing_inside);
  EXPECT_FALSE(playback.playing());
  EXPECT_GE(frames_seen, 2);
  EXPECT_EQ(playback.frames(), frames_seen);
  uint32_t waited = 0;
  for (uint32_t ms : clock.sleeps()) waited += ms;
  EXPECT_GE(waited, 2500u);
  EXPECT_EQ(target.Width(), 2);
}

TEST(GifPlaybackOnItsOwn, AStopEndsTheAnimationAfterTheFrameItIsOn) {
  test_support::TempDir dir;
  const std::string gif = dir.Write("loop.gif", TwoFrameGif(2));
  fakes::FakeClock clock;
  GifPlayback playback(clock);
  picture::Bitmap target;
  playback.Stop();  // nothing plays: no effect
  int frames_seen = 0;
  // Continuous play; the tenth frame asks to stop.
  playback.Play(
      gif, target,
      [&] {
        if (++frames_seen == 10) playback.Stop();
      },
      [] { return false; }, [] { return true; });
  EXPECT_GE(frames_seen, 10);
  EXPECT_LE(frames_seen, 12);
  EXPECT_FALSE(playback.playing());
}

class LinkedSettingsTest : public ViewerFixture {};

TEST_F(LinkedSettingsTest, EverySettingShownInTheMenusSurvivesARunUnchanged) {
  WriteSetUpSettings();
  Settings wanted = ReadSettings(dir_.File("VELDR.INI"));
  wanted.display_path = false;
  wanted.include_folders = true;
  wanted.sound = false;
  wanted.play_wav = true;
  wanted.multi_load = 2;
  wanted.dither = false;
  wanted.show_dither_progress = false;
  wanted.true_colour_on_256 = 1;
  wanted.wallpaper_style = '1';
  ASSERT_TRUE(WriteSettings(dir_.File("VELDR.INI"), wanted));
  WriteMultiLoad(dir_.File("VELDR.INI"), wanted.multi_load);
  auto window = Start({});
  EXPECT_FALSE(window->action(Act::kDisplayPath)->isChecked());
  EXPECT_TRUE(window->action(Act::kIncludeFolders)->isChecked());
  EXPECT_TRUE(window->files_list().always_subfolders());
  EXPECT_FALSE(window->action(Act::kSound)->isChecked());
  EXPECT_TRUE(window->action(Act::kPlayWav)->isChecked());
  EXPECT_TRUE(window->action(Act::kMultiAsk)->isChecked());
  EXPECT_TRUE(window->action(Act::kDitherOff)->isChecked());
  EXPECT_TRUE(window->action(Act::kStyle21)->isChecked());
  window->close();
  const Settings after = ReadSettings(dir_.File("VELDR.INI"));
  EXPECT_EQ(after.display_path, wanted.display_path);
  EXPECT_EQ(after.include_folders, wanted.include_folders);
  EXPECT_EQ(after.sound, wanted.sound);
  EXPECT_EQ(after.play_wav, wanted.play_wav);
  EXPECT_EQ(after.multi_load, wanted.multi_load);
  EXPECT_EQ(after.dither, wanted.dither);
  EXPECT_EQ(after.show_dither_progress, wanted.show_dither_progress);
  EXPECT_EQ(after.true_colour_on_256, wanted.true_colour_on_256);
  EXPECT_EQ(after.wallpaper_style, wanted.wallpaper_style);
}

class ToolButtonTableTest : public ViewerFixture {};

TEST_F(ToolButtonTableTest, EveryButtonComesFromItsRowAndRunsItsHandler) {
  WriteSetUpSettings();
  auto window = Start({});
  std::set<std::string> names;
  int buttons = 0;
  for (size_t i = 0; i < kActCount; ++i) {
    const ActionRow* row = TVeldrimon69::ActionRowOf(static_cast<Act>(i));
    if (row->button.name == nullptr) continue;
    ++buttons;
    EXPECT_TRUE(names.insert(row->button.name).second) << row->button.name;
    auto* b = window->findChild<QToolButton*>(row->button.name);
    ASSERT_NE(b, nullptr) << row->button.name;
    EXPECT_EQ(b->toolTip().toStdString(), row->button.tip) << row->button.name;
    EXPECT_EQ(b->isCheckable(), row->button.checkable) << row->button.name;
  }
  EXPECT_EQ(buttons, 15);  // with the puzzle, album and web page buttons
  // A button and its menu entry run the same handler.
  const bool sound = window->settings().sound;
  window->findChild<QToolButton*>("TBSpeaker")->click();
  EXPECT_NE(window->settings().sound, sound);
  EXPECT_EQ(window->action(Act::kSound)->isChecked(), window->settings().sound);
  const bool aspect = window->keep_aspect();
  window->findChild<QToolButton*>("ToolButton1")->click();
  EXPECT_NE(window->keep_aspect(), aspect);
  window->action(Act::kKeepAspect)->trigger();
  EXPECT_EQ(window->keep_aspect(), aspect);
  ASSERT_EQ(window->view(), View::kFit);
  window->findChild<QToolButton*>("ToolButton5")->click();
  EXPECT_EQ(window->view(), NextView(View::kFit));
}

TEST(NotesService, TellsItsReaderOfEveryOpenAndCloseAndSurvivesABadName) {
  test_support::TempDir dir;
  std::vector<bool> told;  // true: a view of an open database (outlives the service, which tells
                           // it once more as it goes)
  auto service = app::MakeNotesService();
  service->SetOnChange([&told](lists::NotesAccess* access) { told.push_back(access != nullptr); });
  ASSERT_TRUE(service->Open(dir.File("NOTES")));
  ASSERT_NE(service->database(), nullptr);
  EXPECT_TRUE(service->database()->IsOpen());
  ASSERT_FALSE(told.empty());
  EXPECT_TRUE(told.back());
  // Another name later: the old one is let go first, then the new one is handed out.
  told.clear();
  ASSERT_TRUE(service->Open(dir.File("OTHER")));
  EXPECT_EQ(told, (std::vector<bool>{false, true}));
  // A name that cannot be opened leaves none open and the reader without a view.
  EXPECT_FALSE(service->Open(dir.File("missing/folder/NOTES")));
  EXPECT_EQ(service->database(), nullptr);
  EXPECT_FALSE(told.back());
  service->Close();
  EXPECT_FALSE(told.back());
}

}  // namespace
}  // namespace vr::shell::ui
