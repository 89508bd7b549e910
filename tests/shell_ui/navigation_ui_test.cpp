// Navigation and input of the main window with the scripted services: the edge zones and their
// right-click menu, presses in the zones, the drag-out threshold, the wheel, the keys in and out of
// full screen, toggling tags and sounds, double clicks and the files list window's sounds.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest/QTest>
#include <algorithm>
#include <filesystem>

#include "fakes/fake_services.h"
#include "lists/files_list.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/files_table_model.h"
#include "lists/window/ui/preview_form.h"
#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "shell/navigation.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/main_window.h"
#include "shell/ui/nav_input.h"
#include "shell/ui/panes.h"
#include "test_support/temp_dir.h"
#include "viewer_fixture.h"

namespace vr::shell::ui {
namespace {

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held) {
  QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}
void Move(QWidget* w, QPoint at, Qt::MouseButtons held = Qt::NoButton) {
  SendMouse(w, QEvent::MouseMove, at, Qt::NoButton, held);
}
void Press(QWidget* w, QPoint at, Qt::MouseButton button) {
  SendMouse(w, QEvent::MouseButtonPress, at, button, button);
}
// A right click as the platform delivers it: the press, then the context-menu request.
void RightClick(QWidget* w, QPoint at) {
  Press(w, at, Qt::RightButton);
  SendMouse(w, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
  QContextMenuEvent menu(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
  QApplication::sendEvent(w, &menu);
}
// The context-menu request alone (as the keyboard's menu key sends it).
void MenuRequest(QWidget* w, QPoint at) {
  QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, w->mapToGlobal(at));
  QApplication::sendEvent(w, &menu);
}
// Counts the events of one type a widget gets.
class EventCounter : public QObject {
 public:
  EventCounter(QWidget* w, QEvent::Type type) : QObject(w), type_(type) {
    w->installEventFilter(this);
  }
  int count() const { return count_; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == type_) ++count_;
    return false;
  }

 private:
  QEvent::Type type_;
  int count_ = 0;
};
void Wheel(QWidget* w, int delta) {
  const QPointF at(10, 10);
  QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &e);
}

class NavigationUiTest : public ViewerFixture {
 protected:
  NavigationUiTest() { WriteSetUpSettings(); }

  // Started as in the other tests, then one more pass of the event loop for what the first posted.
  std::unique_ptr<TVeldrimon69> Start(std::vector<std::string> args) {
    auto window = ViewerFixture::Start(std::move(args));
    QCoreApplication::processEvents();
    return window;
  }

  // Counts openings of the picture's right-click menu, closing each at once.
  void CountMenuOpenings(TVeldrimon69& window) {
    QMenu* menu = window.picture_menu();
    QObject::connect(menu, &QMenu::aboutToShow, menu, [this, menu] {
      ++menu_openings_;
      QTimer::singleShot(0, menu, [menu] { menu->close(); });
    });
  }

  QToolButton* Button(TVeldrimon69& window, const char* name) {
    return window.findChild<QToolButton*>(name);
  }

  int menu_openings_ = 0;
};

TEST_F(NavigationUiTest, EdgeZonesSetModeCursorAndTipAndNarrowPanesAreAllMiddle) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  auto window = Start({a});
  CountMenuOpenings(*window);
  TFitPane* pane = window->fit_pane();
  NavInput* nav = window->nav_input();
  ASSERT_GT(pane->BoxWidth(), 200);
  const QPoint edge(TFitPane::kMargin + 5, 50);
  Move(pane, edge);
  EXPECT_TRUE(nav->next_prev_mode());
  MenuRequest(pane, edge);
  EXPECT_EQ(menu_openings_, 0);
  EXPECT_EQ(pane->toolTip().toStdString(), kEdgeZoneTip);
  const QImage edge_cursor = pane->cursor().pixmap().toImage();
  // Further moves in the same zone keep it and change nothing on the control.
  const EventCounter tip_changes(pane, QEvent::ToolTipChange);
  const EventCounter cursor_changes(pane, QEvent::CursorChange);
  Move(pane, edge + QPoint(3, 7));
  Move(pane, edge + QPoint(1, 9));
  EXPECT_TRUE(nav->next_prev_mode());
  EXPECT_EQ(pane->toolTip().toStdString(), kEdgeZoneTip);
  EXPECT_EQ(pane->cursor().pixmap().toImage(), edge_cursor);
  EXPECT_EQ(tip_changes.count(), 0);
  EXPECT_EQ(cursor_changes.count(), 0);
  const QPoint middle(pane->width() / 2, 50);
  Move(pane, middle);
  EXPECT_FALSE(nav->next_prev_mode());
  MenuRequest(pane, middle);
  EXPECT_EQ(menu_openings_, 1);
  EXPECT_EQ(pane->toolTip().toStdString(), kMiddleZoneTip);
  EXPECT_NE(pane->cursor().pixmap().toImage(), edge_cursor);
  // Outside full screen the "Normal Window" entry is off.
  EXPECT_FALSE(window->action(Act::kPopNormal)->isEnabled());
  // Switching the tips off shows on the next move, in the same zone too.
  window->action(Act::kPopTips)->setChecked(true);
  Move(pane, middle + QPoint(1, 0));
  EXPECT_TRUE(pane->toolTip().isEmpty());
  window->action(Act::kPopTips)->setChecked(false);
  Move(pane, middle);
  EXPECT_EQ(pane->toolTip().toStdString(), kMiddleZoneTip);

  // A pane 90 pixels wide inside its bevel: every x is the middle.
  pane->setFixedWidth(90 + 2 * TFitPane::kMargin);
  QCoreApplication::processEvents();
  ASSERT_EQ(pane->BoxWidth(), 90);
  for (int x : {0, 5, 39, 45, 60, 89, 97}) {
    Move(pane, QPoint(x, 20));
    EXPECT_FALSE(nav->next_prev_mode()) << x;
  }
}

TEST_F(NavigationUiTest, RightPressInTheEdgeZoneMovesAndNeverOpensTheMenu) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  const std::string b = WriteBmp("b.bmp", BlankBitmap(50, 30));
  auto window = Start({a, b});
  CountMenuOpenings(*window);
  TFitPane* pane = window->fit_pane();
  const QPoint right_edge(pane->width() - TFitPane::kMargin - 5, 40);
  Move(pane, right_edge);
  RightClick(pane, right_edge);
  EXPECT_EQ(menu_openings_, 0);
  EXPECT_EQ(window->files_list().Current(), 1);
  EXPECT_EQ(window->shown().Width(), 50);
  // At the end of the list the press plays the end-of-list sound and stays where it is.
  services_.sounds.Clear();
  RightClick(pane, right_edge);
  EXPECT_EQ(menu_openings_, 0);
  EXPECT_EQ(services_.sounds.played(), std::vector<std::string>{kEndOfListSound});
  EXPECT_EQ(window->files_list().Current(), 1);
  // The left edge goes back; a modifier makes the press do nothing.
  const QPoint left_edge(TFitPane::kMargin + 3, 40);
  Move(pane, left_edge);
  QMouseEvent shifted(QEvent::MouseButtonPress, left_edge, pane->mapToGlobal(left_edge),
                      Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(pane, &shifted);
  EXPECT_EQ(window->files_list().Current(), 1);
  Press(pane, left_edge, Qt::LeftButton);
  EXPECT_EQ(window->files_list().Current(), 0);
  // In the middle the right button opens the menu.
  const QPoint middle(pane->width() / 2, 40);
  Move(pane, middle);
  RightClick(pane, middle);
  EXPECT_EQ(menu_openings_, 1);
  EXPECT_EQ(window->files_list().Current(), 0);
}

TEST_F(NavigationUiTest, OneFileNextAndPreviousPlayTheEndOfListSoundAndShowNothingNew) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  auto window = Start({a});
  EXPECT_FALSE(Button(*window, "TBNext")->isEnabled());
  EXPECT_FALSE(Button(*window, "TBPrev")->isEnabled());
  EXPECT_TRUE(Button(*window, "TBFirst")->isEnabled());
  EXPECT_TRUE(Button(*window, "TBLast")->isEnabled());
  services_.sounds.Clear();
  const int rebuilds = window->display_rebuilds();
  EXPECT_FALSE(window->GoNext());
  EXPECT_FALSE(window->GoPrevious());
  EXPECT_EQ(services_.sounds.played(),
            (std::vector<std::string>{kEndOfListSound, kEndOfListSound}));
  EXPECT_EQ(window->files_list().Current(), 0);
  EXPECT_EQ(window->display_rebuilds(), rebuilds);
}

TEST_F(NavigationUiTest, PageDownDuringAnAnimationOnlyStopsItAndTheNextOneMoves) {
  const std::string anim = dir_.Write("a_anim.gif", TwoFrameGif());
  const std::string b = WriteBmp("b.bmp", BlankBitmap(5, 5));
  bool animating = false;
  QTimer::singleShot(300, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* viewer = qobject_cast<TVeldrimon69*>(w)) {
        animating = viewer->gif_animating();
        QTest::keyClick(viewer, Qt::Key_PageDown);
      }
    }
  });
  services_.sounds.Clear();
  auto window = Start({anim, b});
  EXPECT_TRUE(animating);
  EXPECT_FALSE(window->gif_animating());
  EXPECT_EQ(window->files_list().Current(), 0);
  EXPECT_EQ(window->nav_input()->last_key(), key::kPageDown);
  QTest::keyClick(window.get(), Qt::Key_PageDown);
  EXPECT_EQ(window->files_list().Current(), 1);
  EXPECT_EQ(window->shown().Width(), 5);
  EXPECT_TRUE(services_.sounds.played().empty());
}

TEST_F(NavigationUiTest, LastDuringAnAnimationStopsItAndKeepsThePosition) {
  const std::string anim = dir_.Write("a_anim.gif", TwoFrameGif());
  const std::string b = WriteBmp("b.bmp", BlankBitmap(5, 5));
  int position_during = -1;
  QTimer::singleShot(300, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* viewer = qobject_cast<TVeldrimon69*>(w)) {
        viewer->GoLast();  // refused while the animation ends
        position_during = viewer->files_list().Current();
      }
    }
  });
  auto window = Start({anim, b});
  EXPECT_EQ(position_during, 0);
  EXPECT_FALSE(window->gif_animating());
  EXPECT_EQ(window->files_list().Current(), 0);
  EXPECT_EQ(window->shown().Width(), 1);
}

TEST_F(NavigationUiTest, DragOutStartsOnlyTwentyPixelsFromThePress) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  auto window = Start({a});
  std::vector<std::string> dragged;
  window->nav_input()->SetDragStarter(
      [&](QWidget*, const std::string& path) { dragged.push_back(path); });
  TFitPane* pane = window->fit_pane();
  const QPoint at(pane->width() / 2, 100);
  Move(pane, at);
  Press(pane, at, Qt::LeftButton);
  Move(pane, at + QPoint(19, 19), Qt::LeftButton);
  Move(pane, at + QPoint(-19, 0), Qt::LeftButton);
  EXPECT_TRUE(dragged.empty());
  // Without the button held nothing starts either.
  Move(pane, at + QPoint(0, 25));
  EXPECT_TRUE(dragged.empty());
  Move(pane, at + QPoint(0, 20), Qt::LeftButton);
  EXPECT_EQ(dragged, std::vector<std::string>{a});
  Move(pane, at + QPoint(0, 40), Qt::LeftButton);  // one drag per press
  EXPECT_EQ(dragged.size(), 1u);
}

TEST_F(NavigationUiTest, WheelScrollsTheActualSizePaneNeverAboveZero) {
  const std::string big = WriteBmp("big.bmp", BlankBitmap(900, 900));
  auto window = Start({big});
  window->SelectView(View::kActual);
  QCoreApplication::processEvents();
  auto* box = window->findChild<QScrollArea*>("ScrollBox1");
  ASSERT_NE(box, nullptr);
  QScrollBar* v = box->verticalScrollBar();
  ASSERT_GT(v->maximum(), 100);
  services_.sounds.Clear();
  Wheel(box->viewport(), 120);  // up at the top: stays at 0
  EXPECT_EQ(v->value(), 0);
  EXPECT_EQ(services_.sounds.played(), std::vector<std::string>{platform::kSoundQuestion});
  Wheel(box->viewport(), -120);
  Wheel(box->viewport(), -120);
  EXPECT_EQ(v->value(), 20);  // 10 pixels a notch over the scroll box
  // A touchpad's parts of a notch add up: 40 + 40 does nothing yet, the third 40 is a notch;
  // the remainder carries over into the next whole notch.
  Wheel(box->viewport(), -40);
  Wheel(box->viewport(), -40);
  EXPECT_EQ(v->value(), 20);
  Wheel(box->viewport(), -40);
  EXPECT_EQ(v->value(), 30);
  Wheel(box->viewport(), -100);
  EXPECT_EQ(v->value(), 30);
  Wheel(box->viewport(), -140);
  EXPECT_EQ(v->value(), 50);
  // A turn back drops the part left over from the other way.
  Wheel(box->viewport(), -60);
  Wheel(box->viewport(), 60);
  EXPECT_EQ(v->value(), 50);
  Wheel(box->viewport(), 60);
  EXPECT_EQ(v->value(), 40);
  v->setValue(20);
  // Elsewhere in the window a notch is 20 pixels, without a sound; F1 is one notch down.
  services_.sounds.Clear();
  Wheel(window->findChild<QWidget*>("TitleStrip"), -120);
  EXPECT_EQ(v->value(), 40);
  QTest::keyClick(window.get(), Qt::Key_F1);
  EXPECT_EQ(v->value(), 60);
  QTest::keyClick(window.get(), Qt::Key_F2);
  QTest::keyClick(window.get(), Qt::Key_F2);
  QTest::keyClick(window.get(), Qt::Key_F2);
  QTest::keyClick(window.get(), Qt::Key_F2);
  EXPECT_EQ(v->value(), 0);
  EXPECT_TRUE(services_.sounds.played().empty());
  // Arrows scroll by 15.
  QTest::keyClick(window.get(), Qt::Key_Down);
  QTest::keyClick(window.get(), Qt::Key_Right);
  EXPECT_EQ(v->value(), 15);
  EXPECT_EQ(box->horizontalScrollBar()->value(), 15);
}

TEST_F(NavigationUiTest, KeysInFullScreenOnlySetRequestCodes) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  const std::string b = WriteBmp("b.bmp", BlankBitmap(50, 30));
  auto window = Start({a, b});
  TFullScreen* full = window->full_screen();
  const size_t calls = services_.ui.calls().size();
  int after_keys = -1;
  int after_page_down = -1;
  bool tagged = false;
  QTimer::singleShot(50, [&] {
    // Keys the main window has no full-screen use for do nothing there.
    QTest::keyClick(window.get(), Qt::Key_Delete);
    QTest::keyClick(window.get(), Qt::Key_F11);
    QTest::keyClick(window.get(), Qt::Key_V, Qt::NoModifier);
    after_keys = window->files_list().Current();
    QTimer::singleShot(50, [&] {
      QTest::keyClick(window.get(), Qt::Key_PageDown);  // request 34: the loop moves
      QTimer::singleShot(50, [&] {
        after_page_down = window->files_list().Current();
        QTest::keyClick(full, Qt::Key_Space);  // passed on: request 32 tags
        QTimer::singleShot(50, [&] {
          tagged = window->files_list().Peek(1)->tagged;
          QTest::keyClick(full, Qt::Key_Escape);
        });
      });
    });
  });
  window->EnterFullScreen(1, false);
  EXPECT_EQ(after_keys, 0);
  EXPECT_EQ(after_page_down, 1);
  EXPECT_TRUE(tagged);
  EXPECT_EQ(window->files_list().Count(), 2);
  EXPECT_EQ(services_.ui.calls().size(), calls);  // no delete question
  EXPECT_FALSE(full->isVisible());
  EXPECT_EQ(window->nav_input()->last_key(), key::kEscape);
}

TEST_F(NavigationUiTest, EdgePressesInFullScreenSetTheLoopsRequests) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  const std::string b = WriteBmp("b.bmp", BlankBitmap(50, 30));
  auto window = Start({a, b});
  CountMenuOpenings(*window);
  TFullScreen* full = window->full_screen();
  int after_right = -1;
  int after_left = -1;
  int openings_at_edges = -1;
  QTimer::singleShot(50, [&] {
    const QPoint right(full->width() - 10, 100);
    Move(full, right);
    RightClick(full, right);
    QTimer::singleShot(50, [&] {
      after_right = window->files_list().Current();
      const QPoint left(10, 100);
      Move(full, left);
      Press(full, left, Qt::LeftButton);
      QTimer::singleShot(50, [&] {
        after_left = window->files_list().Current();
        const QPoint middle(full->width() / 2, 100);
        Move(full, middle);
        openings_at_edges = menu_openings_;
        MenuRequest(full, middle);
        EXPECT_EQ(menu_openings_, openings_at_edges + 1);
        EXPECT_TRUE(window->action(Act::kPopNormal)->isEnabled());
        EXPECT_TRUE(window->action(Act::kPopFullFit)->isChecked());
        Press(full, middle, Qt::LeftButton);  // no request in the middle
        QTimer::singleShot(50, [&] { QTest::keyClick(full, Qt::Key_Escape); });
      });
    });
  });
  window->EnterFullScreen(1, false);
  EXPECT_EQ(after_right, 1);
  EXPECT_EQ(after_left, 0);
  EXPECT_EQ(window->files_list().Current(), 0);
  EXPECT_EQ(openings_at_edges, 0);
}

TEST_F(NavigationUiTest, DeleteInFullScreenDrawsTheNextPictureInTheSameMode) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  const std::string b = WriteBmp("b.bmp", BlankBitmap(50, 20));
  auto window = Start({a, b});
  TFullScreen* full = window->full_screen();
  Box before;
  Box after;
  int mode_after = 0;
  QTimer::singleShot(50, [&] {
    before = full->paint_box();
    services_.ui.QueueAnswer(platform::Answer::kYes);
    QTest::keyClick(full, Qt::Key_Delete);
    QTimer::singleShot(50, [&] {
      after = full->paint_box();
      mode_after = full->mode();
      QTest::keyClick(full, Qt::Key_Escape);
    });
  });
  window->EnterFullScreen(1, true);
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_EQ(window->files_list().Count(), 1);
  EXPECT_EQ(before.width, 40);
  EXPECT_EQ(after.width, 50);  // shrink-only: the picture's own size
  EXPECT_EQ(after.height, 20);
  EXPECT_EQ(mode_after, 1);
}

TEST_F(NavigationUiTest, SpaceTogglesTheTagAndTheButtonImageFollowsEveryShow) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  const std::string b = WriteBmp("b.bmp", BlankBitmap(50, 30));
  auto window = Start({a, b});
  QToolButton* tag = Button(*window, "TBTag");
  const QImage untagged = tag->icon().pixmap(20, 20).toImage();
  QTest::keyClick(window.get(), Qt::Key_Space);
  EXPECT_TRUE(window->files_list().Peek(0)->tagged);
  const QImage tagged = tag->icon().pixmap(20, 20).toImage();
  EXPECT_NE(tagged, untagged);
  window->GoNext();
  EXPECT_EQ(tag->icon().pixmap(20, 20).toImage(), untagged);
  window->GoPrevious();
  EXPECT_EQ(tag->icon().pixmap(20, 20).toImage(), tagged);
  // With the files list window open the tag goes through it and its count follows.
  window->FileListWindow1Click();
  tag->click();
  EXPECT_FALSE(window->files_list().Peek(0)->tagged);
  EXPECT_EQ(window->files_list().TaggedCount(), 0);
  window->action(Act::kTagFile1)->trigger();
  EXPECT_EQ(window->files_list().TaggedCount(), 1);
  window->list_window()->close();
}

TEST_F(NavigationUiTest, ListWindowOperationsRefreshTheViewersButtonsAndStatus) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  const std::string b = WriteBmp("b.bmp", BlankBitmap(50, 30));
  const std::string c = WriteBmp("c.bmp", BlankBitmap(60, 30));
  auto window = Start({a, b, c});
  window->GoLast();
  ASSERT_EQ(window->files_list().Current(), 2);
  QToolButton* tag = Button(*window, "TBTag");
  const QImage untagged = tag->icon().pixmap(20, 20).toImage();
  window->FileListWindow1Click();
  list_window::TFileListMenu& list = *window->list_window();
  // Tagging the shown entry in the list window shows on the viewer's tag button at once.
  list.SelectRows({2}, 2);
  list.TagHighlightedClick();
  EXPECT_NE(tag->icon().pixmap(20, 20).toImage(), untagged);
  // Removing it leaves two entries: the status and the buttons follow without a new show.
  list.tag_ops().RemoveTagged();
  ASSERT_EQ(window->files_list().Count(), 2);
  EXPECT_EQ(window->StatusPanel(1), "File:2 of 2");
  EXPECT_EQ(tag->icon().pixmap(20, 20).toImage(), untagged);
  EXPECT_FALSE(Button(*window, "TBNext")->isEnabled());
  EXPECT_TRUE(Button(*window, "TBPrev")->isEnabled());
  list.close();
}

TEST_F(NavigationUiTest, TagClicksInTheListWindowAndOnTheViewerKeepBothInStep) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  const std::string b = WriteBmp("b.bmp", BlankBitmap(50, 30));
  auto window = Start({a, b});
  ASSERT_EQ(window->files_list().Current(), 0);
  QToolButton* tag = Button(*window, "TBTag");
  const QImage untagged = tag->icon().pixmap(20, 20).toImage();
  window->FileListWindow1Click();
  list_window::TFileListMenu& list = *window->list_window();
  list_window::FilesTableModel& model = list.model();
  // A click on the shown entry's check box (the model's tag column) shows on the viewer's
  // tag button at once.
  ASSERT_TRUE(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
  EXPECT_TRUE(window->files_list().Peek(0)->tagged);
  const QImage tagged = tag->icon().pixmap(20, 20).toImage();
  EXPECT_NE(tagged, untagged);
  // Another entry's check box leaves the button alone.
  ASSERT_TRUE(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
  EXPECT_EQ(tag->icon().pixmap(20, 20).toImage(), tagged);
  ASSERT_TRUE(model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
  EXPECT_EQ(tag->icon().pixmap(20, 20).toImage(), untagged);
  // The viewer's tag button toggles the list window's row in turn.
  tag->click();
  EXPECT_TRUE(window->files_list().Peek(0)->tagged);
  EXPECT_EQ(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(tag->icon().pixmap(20, 20).toImage(), tagged);
  tag->click();
  EXPECT_FALSE(window->files_list().Peek(0)->tagged);
  EXPECT_EQ(tag->icon().pixmap(20, 20).toImage(), untagged);
  list.close();
}

TEST_F(NavigationUiTest, SoundSwitchTogglesFromButtonAndMenuAndIsStored) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  {
    auto window = Start({a});
    QToolButton* speaker = Button(*window, "TBSpeaker");
    EXPECT_TRUE(window->action(Act::kSound)->isChecked());
    const QImage on = speaker->icon().pixmap(20, 20).toImage();
    speaker->click();
    EXPECT_FALSE(services_.sounds.Enabled());
    EXPECT_FALSE(window->action(Act::kSound)->isChecked());
    EXPECT_NE(speaker->icon().pixmap(20, 20).toImage(), on);
    window->action(Act::kSound)->trigger();
    EXPECT_TRUE(services_.sounds.Enabled());
    EXPECT_EQ(speaker->icon().pixmap(20, 20).toImage(), on);
    window->action(Act::kSound)->trigger();
    window->close();
  }
  services_.sounds.SetEnabled(true);
  // The next start shows the stored switch.
  auto window = Start({a});
  EXPECT_FALSE(window->action(Act::kSound)->isChecked());
  EXPECT_FALSE(services_.sounds.Enabled());
  services_.sounds.Clear();
  window->GoNext();
  EXPECT_TRUE(services_.sounds.played().empty());
  EXPECT_EQ(services_.sounds.requested(), std::vector<std::string>{kEndOfListSound});
}

TEST_F(NavigationUiTest, ListWindowSlidesInAndOutWithItsSounds) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  auto window = Start({a});
  services_.sounds.Clear();
  window->FileListWindow1Click();
  EXPECT_EQ(services_.sounds.played(), std::vector<std::string>{kSwishInSound});
  window->list_window()->close();
  EXPECT_EQ(services_.sounds.played(), (std::vector<std::string>{kSwishInSound, kSwishOutSound}));
}

TEST_F(NavigationUiTest, DoubleClickOnThePictureOpensAPreview) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(300, 200));
  auto window = Start({a});
  TFitPane* pane = window->fit_pane();
  const QPoint middle(pane->width() / 2, 60);
  Move(pane, middle);
  auto press = [&](QEvent::Type type, ulong at) {
    QMouseEvent e(type, middle, pane->mapToGlobal(middle), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    e.setTimestamp(at);
    QApplication::sendEvent(pane, &e);
  };
  const ulong interval = static_cast<ulong>(QApplication::doubleClickInterval());
  // Two presses further apart than the double-click time are two single clicks.
  press(QEvent::MouseButtonPress, 100000);
  press(QEvent::MouseButtonPress, 100000 + interval + 1);
  ASSERT_NE(window->list_window(), nullptr);  // made, hidden, at start-up
  EXPECT_EQ(window->list_window()->previews().OpenCount(), 0);
  // The fit pane counts a press soon after the last as a double click.
  press(QEvent::MouseButtonPress, 100000 + interval + 10);
  ASSERT_NE(window->list_window(), nullptr);
  EXPECT_EQ(window->list_window()->previews().OpenCount(), 1);
  EXPECT_FALSE(window->list_window()->isVisible());
  window->list_window()->previews().RemoveAllPreviews();
  // The actual-size pane takes the platform's double click.
  window->SelectView(View::kActual);
  QCoreApplication::processEvents();
  auto* box = window->findChild<QScrollArea*>("ScrollBox1");
  QWidget* actual = box->widget();
  const QPoint inside(150, 60);
  Move(actual, inside);
  ASSERT_FALSE(window->nav_input()->next_prev_mode());
  QMouseEvent twice(QEvent::MouseButtonDblClick, inside, actual->mapToGlobal(inside),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(actual, &twice);
  EXPECT_EQ(window->list_window()->previews().OpenCount(), 1);
  window->list_window()->previews().RemoveAllPreviews();
}

TEST_F(NavigationUiTest, DeletingTheOnlyEntryDisablesTheNavigationButtons) {
  const std::string a = WriteBmp("a.bmp", BlankBitmap(40, 30));
  auto window = Start({a});
  services_.ui.QueueAnswer(platform::Answer::kYes);
  window->action(Act::kDeleteFile1)->trigger();
  EXPECT_TRUE(window->files_list().Empty());
  EXPECT_EQ(window->shown().Width(), 1);
  for (const char* name : {"TBFirst", "TBLast", "TBPrev", "TBNext"}) {
    EXPECT_FALSE(Button(*window, name)->isEnabled()) << name;
  }
  EXPECT_FALSE(window->action(Act::kFullFit)->isEnabled());
  EXPECT_FALSE(window->action(Act::kPopSlideShow)->isEnabled());
}

}  // namespace
}  // namespace vr::shell::ui
