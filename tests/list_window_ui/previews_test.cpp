// Preview windows: the slot limit, tiling, stepping through the files list, the menu entries,
// and an animated preview whose thread must stop before its window closes.
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <fstream>

#include "fakes/fake_sounds.h"
#include "lists/window/ui/gif_thread.h"
#include "lists/window/ui/preview_form.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "test_support/temp_dir.h"
#include "tests/list_window_ui/qt_app.h"

namespace vr::list_window {
namespace {

[[maybe_unused]] auto* const kQtEnv = ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

// A 1 x 1 GIF89a with two frames 50 ms apart.
std::vector<uint8_t> TwoFrameGif() {
  return {'G',  'I',  'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,  // screen, 2-entry table
          0,    0,    0,   255, 255, 255,                          // table
          0x21, 0xF9, 4,   0,   5,   0,   0, 0,                    // control: 5/100 s
          0x2C, 0,    0,   0,   0,   1,   0, 1, 0, 0, 2,    2, 0x44, 0x01, 0,  // image: pixel 0
          0x21, 0xF9, 4,   0,   5,   0,   0, 0,                                //
          0x2C, 0,    0,   0,   0,   1,   0, 1, 0, 0, 2,    2, 0x4C, 0x01, 0,  // image: pixel 1
          0x3B};
}

class PreviewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    picture::Bitmap b;
    b.Create(40, 30, picture::PixelFormat::k24);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
      paths_.push_back(dir_.File(name));
      ASSERT_TRUE(codecs::SaveBmp(paths_.back(), b).ok);
    }
    PreviewHost host;
    host.find = [this](const std::string& path) {
      for (size_t i = 0; i < paths_.size(); ++i) {
        if (paths_[i] == path) return static_cast<int>(i);
      }
      return -1;
    };
    host.count = [this] { return static_cast<int>(paths_.size()); };
    host.path_at = [this](int i) { return paths_[static_cast<size_t>(i)]; };
    host.is_tagged = [this](int i) { return tags_[i]; };
    host.toggle_tag = [this](int i) { tags_[i] = !tags_[i]; };
    host.select = [this](int i) { selected_.push_back(i); };
    host.sounds = &sounds_;
    host.work_area = [] { return QRect(0, 0, 900, 600); };
    manager_ = std::make_unique<PreviewManager>(host);
  }

  test_support::TempDir dir_;
  std::vector<std::string> paths_;
  std::map<int, bool> tags_;
  std::vector<int> selected_;
  fakes::FakeSounds sounds_;
  std::unique_ptr<PreviewManager> manager_;
};

TEST_F(PreviewsTest, AThirtyThirdPreviewDoesNothing) {
  QMenu menu;
  manager_->AttachPreviewsMenu(&menu);
  const int fixed = static_cast<int>(menu.actions().size());
  for (int i = 0; i < 32; ++i) ASSERT_NE(manager_->OpenPreview(paths_[0], false), nullptr) << i;
  EXPECT_EQ(manager_->OpenPreview(paths_[1], false), nullptr);
  EXPECT_EQ(manager_->OpenCount(), 32);
  EXPECT_EQ(static_cast<int>(menu.actions().size()), fixed + 32);
  EXPECT_NE(manager_->FindByName("PreViewFile31"), nullptr);
  EXPECT_EQ(manager_->FormInSlot(3)->pos(), QPoint(48, 48));
  manager_->RemoveAllPreviews();
  EXPECT_TRUE(WaitFor([&] { return manager_->OpenCount() == 0; }));
  EXPECT_EQ(static_cast<int>(menu.actions().size()), fixed);
}

TEST_F(PreviewsTest, ClosingByPathKeepsThePreviewOfANameThatDiffersInCase) {
  // Two files whose names differ only in case are two files here.
  picture::Bitmap b;
  b.Create(8, 8, picture::PixelFormat::k24);
  const std::string upper = dir_.File("A.bmp");
  ASSERT_TRUE(codecs::SaveBmp(upper, b).ok);
  TMyForm* lower_form = manager_->OpenPreview(paths_[0], false);
  QPointer<TMyForm> upper_form = manager_->OpenPreview(upper, false);
  ASSERT_NE(lower_form, nullptr);
  ASSERT_NE(upper_form, nullptr);
  manager_->ClosePreview(paths_[0]);
  EXPECT_TRUE(WaitFor([&] { return manager_->OpenCount() == 1; }));
  ASSERT_FALSE(upper_form.isNull());
  EXPECT_EQ(upper_form->path(), upper);
  // Showing the one path scrollable leaves the other alone as well.
  manager_->ShowPreviewScrollable(paths_[0]);
  EXPECT_EQ(manager_->OpenCount(), 1);
  manager_->ClosePreview(upper);
  EXPECT_TRUE(WaitFor([&] { return manager_->OpenCount() == 0; }));
}

TEST_F(PreviewsTest, SoundsAndMoviesOpenNoPreview) {
  EXPECT_EQ(manager_->OpenPreview(dir_.File("tune.wav"), false), nullptr);
  EXPECT_EQ(manager_->OpenCount(), 0);
}

TEST_F(PreviewsTest, TileAllWithFivePreviewsGivesThreeColumnsAndTwoRows) {
  for (int i = 0; i < 5; ++i) manager_->OpenPreview(paths_[0]);
  manager_->TileAllPreviews();
  std::vector<QPoint> places;
  for (TMyForm* form : manager_->Forms()) places.push_back(form->frameGeometry().topLeft());
  ASSERT_EQ(places.size(), 5u);
  EXPECT_EQ(places[0], QPoint(0, 0));
  EXPECT_EQ(places[1], QPoint(300, 0));
  EXPECT_EQ(places[2], QPoint(600, 0));
  EXPECT_EQ(places[3], QPoint(0, 300));
  EXPECT_EQ(places[4], QPoint(300, 300));
  EXPECT_EQ(manager_->FormInSlot(0)->frameGeometry().size(), QSize(300, 300));
}

TEST_F(PreviewsTest, WithNoPreviewTheCommandsWarn) {
  manager_->ShowAllPreviews();
  manager_->TileAllPreviews();
  manager_->DisplayNextPreview();
  EXPECT_EQ(sounds_.played(), (std::vector<std::string>{"BRAKES", "BRAKES", "BRAKES"}));
  EXPECT_TRUE(manager_->HandleHotKey(Qt::Key_F12, Qt::ControlModifier));
  EXPECT_FALSE(manager_->HandleHotKey(Qt::Key_F12, Qt::NoModifier));
}

TEST_F(PreviewsTest, NextOnTheLastEntryPlaysTheEndSoundAndStaysOpen) {
  TMyForm* last = manager_->OpenPreview(paths_[2]);
  ASSERT_NE(last, nullptr);
  manager_->StepFrom(last, 1);
  EXPECT_EQ(sounds_.played(), std::vector<std::string>{"EOFLIST.WAV"});
  EXPECT_EQ(manager_->OpenCount(), 1);
  QPointer<TMyForm> watched = last;
  manager_->StepFrom(last, -1);  // "," goes to the previous entry
  EXPECT_TRUE(WaitFor([&] { return watched.isNull(); }));
  ASSERT_EQ(manager_->OpenCount(), 1);
  EXPECT_EQ(manager_->Forms()[0]->path(), paths_[1]);
  EXPECT_EQ(selected_, std::vector<int>{1});
}

TEST_F(PreviewsTest, TheGreaterKeyOnTheLastEntryPlaysTheEndSoundAndStaysOpen) {
  TMyForm* last = manager_->OpenPreview(paths_[2]);
  ASSERT_NE(last, nullptr);
  QKeyEvent greater(QEvent::KeyPress, Qt::Key_Greater, Qt::ShiftModifier, ">");
  QApplication::sendEvent(last, &greater);
  QKeyEvent period(QEvent::KeyPress, Qt::Key_Period, Qt::NoModifier, ".");
  QApplication::sendEvent(last, &period);
  EXPECT_EQ(sounds_.played(), (std::vector<std::string>{"EOFLIST.WAV", "EOFLIST.WAV"}));
  EXPECT_EQ(manager_->OpenCount(), 1);
  EXPECT_EQ(manager_->FormInSlot(0), last);
  EXPECT_TRUE(selected_.empty());
}

TEST_F(PreviewsTest, CaptionModesAndTheTagKey) {
  TMyForm* form = manager_->OpenPreview(paths_[1]);
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->windowTitle().endsWith(kStretchableCaption));
  EXPECT_TRUE(form->windowTitle().startsWith("b.bmp"));
  EXPECT_EQ(form->picture().Width(), 40);
  form->ToggleView();
  EXPECT_TRUE(form->windowTitle().endsWith(kScrollableCaption));
  manager_->ToggleTagOf(form);
  EXPECT_TRUE(tags_[1]);
  EXPECT_EQ(form->toolTip().toStdString(), kPreviewHint);
}

TEST_F(PreviewsTest, TheSharedMenuAndThePreviewsMenuHoldTheirEntriesInOrder) {
  QStringList captions;
  for (QAction* action : manager_->context_menu()->actions()) captions << action->text();
  EXPECT_EQ(captions,
            (QStringList{"ToolTipMenu", "Previous                   Key=< or ,",
                         "Next                         Key=> or .", "Toggle-View             Key=V",
                         "TAG/UnTAG File     Key=SPACE", "", "Hide All Previews",
                         "Show All Previews", "Tile All Previews", "Remove All Previews", "",
                         "Exit                           Key=ESCape"}));
  EXPECT_TRUE(manager_->context_menu()->actions()[0]->isChecked());
  QMenu menu;
  manager_->AttachPreviewsMenu(&menu);
  manager_->OpenPreview(paths_[0], false);
  TMyForm* second = manager_->OpenPreview(paths_[1], false);
  QAction* newest = menu.actions().back();
  EXPECT_EQ(newest->text(), "b.bmp");
  EXPECT_EQ(newest->data().toInt(), second->slot() + 1);
  EXPECT_TRUE(newest->isChecked());
  EXPECT_FALSE(menu.actions()[menu.actions().size() - 2]->isChecked());
  // Turning the hints off reaches every preview.
  manager_->context_menu()->actions()[0]->setChecked(false);
  EXPECT_TRUE(second->toolTip().isEmpty());
}

TEST_F(PreviewsTest, DisplayNextWalksTheOpenPreviewsInSlotOrder) {
  manager_->OpenPreview(paths_[0], false);
  manager_->OpenPreview(paths_[1], false);
  manager_->HideAllPreviews();
  EXPECT_TRUE(manager_->FormInSlot(0)->isMinimized());
  manager_->DisplayNextPreview();
  EXPECT_EQ(manager_->slot_table().last_shown(), 0);
  EXPECT_FALSE(manager_->FormInSlot(0)->isMinimized());
  EXPECT_TRUE(manager_->HandleHotKey(Qt::Key_F9, Qt::ControlModifier));
  EXPECT_EQ(manager_->slot_table().last_shown(), 1);
  manager_->DisplayNextPreview();
  EXPECT_EQ(manager_->slot_table().last_shown(), 0);
}

TEST_F(PreviewsTest, ATinyPictureIsNotLaidOutAgainOnResize) {
  TMyForm* form = manager_->OpenPreview(paths_[0], false);  // not loaded: the 1 x 1 picture
  ASSERT_NE(form, nullptr);
  const int before = form->layouts();
  form->resize(333, 222);
  QApplication::processEvents();
  EXPECT_EQ(form->layouts(), before);
}

TEST_F(PreviewsTest, ClosingAnAnimatedPreviewStopsItsThreadFirst) {
  const std::string gif = dir_.Write("anim.gif", TwoFrameGif());
  paths_.push_back(gif);
  TMyForm* form = manager_->OpenPreview(gif);
  ASSERT_NE(form, nullptr);
  TGifThread* thread = form->gif_thread();
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(WaitFor([&] { return form->gif_frames_shown() >= 3; }));
  std::vector<std::string> order;
  QObject::connect(thread, &QThread::finished, [&order] { order.push_back("thread"); });
  QObject::connect(form, &QObject::destroyed, [&order] { order.push_back("window"); });
  QPointer<TMyForm> watched = form;
  EXPECT_FALSE(form->close());  // refused while the thread runs
  EXPECT_FALSE(watched.isNull());
  EXPECT_TRUE(thread->stop_requested());
  EXPECT_EQ(manager_->OpenCount(), 1);
  ASSERT_TRUE(WaitFor([&] { return watched.isNull(); }));
  EXPECT_EQ(order, (std::vector<std::string>{"thread", "window"}));
  EXPECT_EQ(manager_->OpenCount(), 0);
}

}  // namespace
}  // namespace vr::list_window
