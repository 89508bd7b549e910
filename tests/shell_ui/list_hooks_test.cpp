// The main window's side of the files list window: the idle handler that drives its background
// jobs one step at a time and only while nothing else is busy, the application hook's keys
// Ctrl+F9 .. Ctrl+F12, both "&Previews" menus, and the window's keys of the settings file.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QDeadlineTimer>
#include <QTimer>
#include <QtTest/QTest>
#include <filesystem>

#include "fakes/fake_services.h"
#include "lists/files_list.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/preview_form.h"
#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "platform/profile_file.h"
#include "shell/ui/app_hook.h"
#include "shell/ui/idle_driver.h"
#include "shell/ui/list_window_settings.h"
#include "shell/ui/main_window.h"
#include "test_support/temp_dir.h"
#include "viewer_fixture.h"

namespace vr::shell::ui {
namespace {

TEST(IdleDriver, NothingRunsWhileBusyAndEachCallRunsOneStep) {
  bool busy = true;
  int steps = 0;
  int work_left = 3;
  IdleDriver idle([&] { return busy; });
  EXPECT_FALSE(idle.MyIdle());  // no job yet
  idle.SetJob([&] {
    ++steps;
    return --work_left > 0;
  });
  EXPECT_TRUE(idle.MyIdle());  // busy: asks to be called again, runs nothing
  EXPECT_TRUE(idle.MyIdle());
  EXPECT_EQ(steps, 0);
  busy = false;
  EXPECT_TRUE(idle.MyIdle());
  EXPECT_EQ(steps, 1);
  EXPECT_TRUE(idle.MyIdle());
  EXPECT_EQ(steps, 2);
  EXPECT_FALSE(idle.MyIdle());  // the last piece of work
  EXPECT_EQ(steps, 3);
  EXPECT_EQ(idle.steps_run(), 3);
}

TEST(IdleDriver, AWakeRunsTheJobsFromTheEventLoopUntilTheyAreDone) {
  bool busy = false;
  int work_left = 4;
  IdleDriver idle([&] { return busy; });
  idle.SetJob([&] { return --work_left > 0; });
  idle.Wake();
  EXPECT_TRUE(idle.armed());
  EXPECT_EQ(work_left, 4);  // nothing runs inside Wake itself
  for (int i = 0; i < 50 && idle.armed(); ++i) QCoreApplication::processEvents();
  EXPECT_EQ(work_left, 0);
  EXPECT_FALSE(idle.armed());
  // Busy when woken: it keeps looking (slowly) and runs once the other job is over.
  work_left = 1;
  busy = true;
  idle.Wake();
  QCoreApplication::processEvents();
  EXPECT_TRUE(idle.armed());
  EXPECT_EQ(work_left, 1);
  busy = false;
  for (int i = 0; i < 100 && idle.armed(); ++i) QTest::qWait(5);
  EXPECT_EQ(work_left, 0);
}

class ListHooksTest : public ViewerFixture {
 protected:
  static int Scanned(TVeldrimon69& window) {
    int n = 0;
    for (const auto& entry : window.files_list().entries()) n += entry->scanned ? 1 : 0;
    return n;
  }
  // Every entry unscanned again and the scan restarted, so that steps can be counted.
  static void Unscan(TVeldrimon69& window) {
    for (const auto& entry : window.files_list().entries()) entry->scanned = false;
    window.list_window()->jobs().Restart(false);
  }

};

TEST_F(ListHooksTest, TheListWindowIsMadeAtStartUpAndItsJobsRunFromTheIdleHandler) {
  WriteSetUpSettings();
  auto window = Start();
  ASSERT_NE(window->list_window(), nullptr);
  EXPECT_FALSE(window->list_window()->isVisible());
  std::vector<std::string> paths;
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) paths.push_back(WriteBmp(name, BlankBitmap(4, 3)));
  window->files_list().LoadPaths(paths, 100, 0);
  ASSERT_EQ(window->files_list().Count(), 3);
  EXPECT_TRUE(window->idle_driver()->armed());  // the load woke the idle handler
  EXPECT_EQ(Scanned(*window), 0);

  // A long job shows the please-wait window: nothing is scanned.
  services_.please_wait.Show();
  EXPECT_TRUE(window->IdleBusy());
  EXPECT_TRUE(window->MyIdle());
  EXPECT_EQ(Scanned(*window), 0);
  services_.please_wait.Hide();
  // Menus off (a load or a drop in progress): nothing either.
  window->EnableMenus(false);
  EXPECT_TRUE(window->MyIdle());
  EXPECT_EQ(Scanned(*window), 0);
  window->EnableMenus(true);

  // Free again: one entry per call.
  EXPECT_TRUE(window->MyIdle());
  EXPECT_EQ(Scanned(*window), 1);
  EXPECT_TRUE(window->MyIdle());
  EXPECT_EQ(Scanned(*window), 2);
  window->MyIdle();
  EXPECT_EQ(Scanned(*window), 3);
  // The event loop finishes what is left and the handler goes to sleep.
  for (int i = 0; i < 50 && window->idle_driver()->armed(); ++i) QCoreApplication::processEvents();
  EXPECT_FALSE(window->idle_driver()->armed());

  // Thumbnails wait for the window to be shown; showing it wakes the handler, which builds them.
  list_window::TFileListMenu& list = *window->list_window();
  list.jobs().SetState(list_window::BuilderState::kBuilding);
  for (int i = 0; i < 50 && window->idle_driver()->armed(); ++i) QCoreApplication::processEvents();
  EXPECT_FALSE(window->idle_driver()->armed());  // hidden: the handler sleeps
  EXPECT_EQ(list.jobs().state(), list_window::BuilderState::kBuilding);
  EXPECT_TRUE(window->files_list().Peek(0)->thumb_wanted);
  window->FileListWindow1Click();
  EXPECT_TRUE(window->idle_driver()->armed());
  for (int i = 0; i < 50 && window->idle_driver()->armed(); ++i) QCoreApplication::processEvents();
  EXPECT_EQ(list.jobs().state(), list_window::BuilderState::kDone);
  for (const auto& entry : window->files_list().entries()) EXPECT_FALSE(entry->thumb_wanted);
  window->close();
}

TEST_F(ListHooksTest, WhileAnAnimationIsShownNoJobStepRuns) {
  WriteSetUpSettings();
  const std::string gif = dir_.Write("a_anim.gif", TwoFrameGif(5));  // 50 ms frames
  WriteBmp("b.bmp", BlankBitmap(5, 5));
  WriteBmp("c.bmp", BlankBitmap(5, 5));
  int scanned_during = -1;
  int steps_before = -1;
  int steps_during = -1;
  bool animating = false;
  int busy_during = 0;
  // Once the animation has drawn a few frames, the jobs are asked directly and through their
  // timer; the check ends when the timer has found the viewer busy twice (or after 20 s).
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    TVeldrimon69* viewer = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* v = qobject_cast<TVeldrimon69*>(w)) viewer = v;
    }
    if (viewer == nullptr || !viewer->gif_animating() || viewer->gif_frames_drawn() < 2) return;
    poll.stop();
    animating = true;
    Unscan(*viewer);
    steps_before = viewer->idle_driver()->steps_run();
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(viewer->MyIdle());  // busy: called again later
    const int busy_before = viewer->idle_driver()->busy_calls();
    viewer->idle_driver()->Wake();
    QDeadlineTimer deadline(20000);
    while (viewer->idle_driver()->busy_calls() < busy_before + 2 && !deadline.hasExpired()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    busy_during = viewer->idle_driver()->busy_calls() - busy_before;
    scanned_during = Scanned(*viewer);
    steps_during = viewer->idle_driver()->steps_run();
    viewer->StopAnimation();
  });
  poll.start();
  auto window = Start({gif, dir_.File("b.bmp"), dir_.File("c.bmp")});
  ASSERT_TRUE(animating);
  EXPECT_GE(busy_during, 2);  // the idle timer did fire during the animation
  EXPECT_EQ(scanned_during, 0);
  EXPECT_EQ(steps_during, steps_before);
  ASSERT_FALSE(window->gif_animating());
  Unscan(*window);
  window->MyIdle();
  EXPECT_EQ(Scanned(*window), 1);
  window->close();
}

TEST_F(ListHooksTest, ControlF9ToF12ReachThePreviewsFromAnyWindowThroughTheHook) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  const std::string b = WriteBmp("b.bmp", BlankBitmap(40, 30));
  auto window = Start({a, b});
  list_window::PreviewManager& previews = window->list_window()->previews();
  previews.host().work_area = [] { return QRect(0, 0, 800, 600); };

  // None open: hide and show warn.
  QTest::keyClick(window.get(), Qt::Key_F10, Qt::ControlModifier);
  QTest::keyClick(window.get(), Qt::Key_F11, Qt::ControlModifier);
  EXPECT_EQ(services_.sounds.played(), (std::vector<std::string>{"BRAKES", "BRAKES"}));
  EXPECT_EQ(window->app_hook()->keys_handled(), 2);

  list_window::TMyForm* first = previews.OpenPreview(a);
  list_window::TMyForm* second = previews.OpenPreview(b);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  QTest::keyClick(window.get(), Qt::Key_F10, Qt::ControlModifier);  // from the main window
  EXPECT_TRUE(first->isMinimized());
  EXPECT_TRUE(second->isMinimized());
  QTest::keyClick(second, Qt::Key_F11, Qt::ControlModifier);  // from a preview
  EXPECT_FALSE(first->isMinimized());
  EXPECT_FALSE(second->isMinimized());
  QTest::keyClick(window->list_window(), Qt::Key_F12, Qt::ControlModifier);  // from the list
  EXPECT_EQ(first->frameGeometry().topLeft(), QPoint(0, 0));
  EXPECT_EQ(second->frameGeometry().topLeft(), QPoint(400, 0));
  QTest::keyClick(window.get(), Qt::Key_F9, Qt::ControlModifier);
  EXPECT_EQ(previews.slot_table().last_shown(), 0);
  EXPECT_EQ(window->app_hook()->keys_handled(), 6);
  // Without Ctrl the keys are the windows' own.
  QTest::keyClick(window.get(), Qt::Key_F9);
  EXPECT_EQ(window->app_hook()->keys_handled(), 6);
  previews.RemoveAllPreviews();
  window->close();
}

TEST_F(ListHooksTest, BothPreviewsMenusOfTheMainWindowListAndCommandThePreviews) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  auto window = Start({a});
  for (QMenu* menu : {window->previews_menu(), window->picture_previews_menu()}) {
    ASSERT_NE(menu, nullptr);
    QStringList captions;
    for (QAction* action : menu->actions()) captions << action->text();
    EXPECT_EQ(captions, (QStringList{"Hide All Previews", "Show All Previews", "Tile All Previews",
                                     "Remove All Previews", "Display Next Preview", ""}));
  }
  // The picture menu's "&Previews" holds the preview entries, not the views.
  EXPECT_EQ(window->picture_previews_menu()->title(), "&Previews");
  EXPECT_TRUE(window->picture_menu()->actions().contains(
      window->picture_previews_menu()->menuAction()));

  list_window::PreviewManager& previews = window->list_window()->previews();
  QPointer<list_window::TMyForm> form = previews.OpenPreview(a);
  ASSERT_FALSE(form.isNull());
  for (QMenu* menu : {window->previews_menu(), window->picture_previews_menu()}) {
    EXPECT_EQ(menu->actions().back()->text(), "a.bmp");
    EXPECT_TRUE(menu->actions().back()->isChecked());
  }
  window->picture_previews_menu()->actions()[0]->trigger();  // hide all
  EXPECT_TRUE(form->isMinimized());
  window->previews_menu()->actions()[3]->trigger();  // remove all
  for (int i = 0; i < 20 && !form.isNull(); ++i) QCoreApplication::processEvents();
  EXPECT_TRUE(form.isNull());
  EXPECT_EQ(window->previews_menu()->actions().size(), 6);
  EXPECT_EQ(window->picture_previews_menu()->actions().size(), 6);
  window->close();
}

TEST(ListWindowSettings, OutOfRangeValuesFallBackAndFoldersRoundTrip) {
  Settings s;
  s.thumb_width = 0;
  s.thumb_height = 60000;
  EXPECT_EQ(SettingsThumbWidth(s), 64);
  EXPECT_EQ(SettingsThumbHeight(s), 64);
  s.thumb_width = 100;
  s.thumb_height = 32;
  EXPECT_EQ(SettingsThumbWidth(s), 100);
  EXPECT_EQ(SettingsThumbHeight(s), 32);
  s.checkbox_width = 20;
  s.checkbox_margin_top = 30;
  EXPECT_EQ(SettingsCheckBox(s).margin_top, 2);  // 30 + 14 > 32: the defaults
  s.checkbox_margin_top = 5;
  EXPECT_EQ(SettingsCheckBox(s).width, 20);
  EXPECT_EQ(SettingsCheckBox(s).margin_top, 5);

  TagFolders folders;
  folders.fill(kDefaultTagFolder);
  EXPECT_TRUE(FoldersOfSettings(folders).empty());
  folders[0] = "/pics/";
  folders[1] = "/more/";
  EXPECT_EQ(FoldersOfSettings(folders), (std::vector<std::string>{"/pics/", "/more/"}));
  const TagFolders back = SettingsOfFolders({"/pics/", "/more/"});
  EXPECT_EQ(back, folders);
}

TEST_F(ListHooksTest, TheWindowsSettingsAreReadAtStartAndWrittenAtShutdown) {
  WriteSetUpSettings(
      "[Special]\nThumb_Width=100\nThumb_Height=100\nCheckBox_Width=10\nCheckBox_Height=11\n"
      "CheckBox_Margin_Top=4\nCheckBox_Margin_Left=5\n"
      "[Tagged Operations]\nTag_Copy_0=/copies/\nTag_Move_0=/moved/\nTag_Move_1=/older/\n");
  auto window = Start();
  list_window::TFileListMenu& list = *window->list_window();
  EXPECT_EQ(list.jobs().settings().width, 100);
  EXPECT_EQ(list.jobs().settings().height, 100);
  EXPECT_EQ(list.check_box().width, 10);
  EXPECT_EQ(list.check_box().height, 11);
  EXPECT_EQ(list.check_box().margin_top, 4);
  EXPECT_EQ(list.check_box().margin_left, 5);
  EXPECT_EQ(list.tag_ops().copy_history().items(), std::vector<std::string>{"/copies/"});
  EXPECT_EQ(list.tag_ops().move_history().items(),
            (std::vector<std::string>{"/moved/", "/older/"}));
  // Taking the stored size is no size change: nothing is rebuilt, no completion sound.
  EXPECT_EQ(list.jobs().state(), list_window::BuilderState::kStopped);
  list.show();
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  // (Opening the window plays its swish; no thumbnails-finished sound may follow.)
  EXPECT_EQ(services_.sounds.played(), std::vector<std::string>{"Swishin.wav"});

  list.SetThumbSize(48, 48);
  list.tag_ops().move_history().Use("/newest/");
  // A hand-over makes the window again: what the user set in the old one stays.
  const std::string a = WriteBmp("a.bmp", BlankBitmap(4, 4));
  const QPointer<list_window::TFileListMenu> old_window = &list;
  window->HandOverCommandLine("\"/opt/veldrimon/veldrimon\" \"" + a + "\"");
  ASSERT_TRUE(old_window.isNull());
  ASSERT_NE(window->list_window(), nullptr);
  EXPECT_EQ(window->list_window()->jobs().settings().width, 48);
  EXPECT_EQ(window->list_window()->tag_ops().move_history().items().front(), "/newest/");
  window->close();
  const platform::ProfileFile f(dir_.File("VELDR.INI"));
  EXPECT_EQ(f.ReadInteger("Special", "Thumb_Width", 0), 48);
  EXPECT_EQ(f.ReadInteger("Special", "Thumb_Height", 0), 48);
  EXPECT_EQ(f.ReadInteger("Special", "CheckBox_Width", 0), 10);
  EXPECT_EQ(f.ReadInteger("Special", "CheckBox_Margin_Left", 0), 5);
  EXPECT_EQ(f.ReadString("Tagged Operations", "Tag_Move_0", ""), "/newest/");
  EXPECT_EQ(f.ReadString("Tagged Operations", "Tag_Move_1", ""), "/moved/");
  EXPECT_EQ(f.ReadString("Tagged Operations", "Tag_Move_2", ""), "/older/");
  EXPECT_EQ(f.ReadString("Tagged Operations", "Tag_Move_3", ""), "C:\\");
  EXPECT_EQ(f.ReadString("Tagged Operations", "Tag_Copy_0", ""), "/copies/");
  // The thumbnail cache of the run is gone with it.
  for (const auto& e : std::filesystem::directory_iterator(dir_.Path())) {
    EXPECT_NE(e.path().filename().string().rfind("~LS", 0), 0u) << e.path();
  }
}

}  // namespace
}  // namespace vr::shell::ui
