// Stepping through the files list, the navigation controls, the key map, the edge zones, the
// drag-out threshold, the wheel, the fit pane's double clicks and deleting the current file.
#include "shell/navigation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/path_rules.h"
#include "platform/sounds.h"
#include "test_support/temp_dir.h"

namespace vr::shell {
namespace {

// A list of `count` entries; shows are recorded, and refused while `busy`.
struct FakeList {
  int position = 0;
  int count = 0;
  bool busy = false;
  std::vector<int> shown;
  std::vector<std::string> sounds;

  NavigationHost Host() {
    NavigationHost host;
    host.position = [this] { return position; };
    host.count = [this] { return count; };
    host.set_position = [this](int at) { position = at; };
    host.show = [this] {
      if (busy) return false;
      shown.push_back(position);
      return true;
    };
    host.play = [this](const char* sound) { sounds.emplace_back(sound); };
    return host;
  }
};

TEST(NavigationSteps, NextAndPreviousMoveAndStopAtTheEndsWithTheEndOfListSound) {
  FakeList list;
  list.count = 3;
  EXPECT_TRUE(Next(list.Host()));
  EXPECT_TRUE(Next(list.Host()));
  EXPECT_FALSE(Next(list.Host()));
  EXPECT_EQ(list.position, 2);
  EXPECT_EQ(list.shown, (std::vector<int>{1, 2}));
  EXPECT_EQ(list.sounds, std::vector<std::string>{"EOFLIST.WAV"});

  EXPECT_TRUE(Previous(list.Host()));
  EXPECT_TRUE(Previous(list.Host()));
  EXPECT_FALSE(Previous(list.Host()));
  EXPECT_EQ(list.position, 0);
  EXPECT_EQ(list.shown, (std::vector<int>{1, 2, 1, 0}));
  EXPECT_EQ(list.sounds.size(), 2u);
}

TEST(NavigationSteps, OneFileShowsNothingNewEitherWay) {
  FakeList list;
  list.count = 1;
  EXPECT_FALSE(Next(list.Host()));
  EXPECT_FALSE(Previous(list.Host()));
  EXPECT_TRUE(list.shown.empty());
  EXPECT_EQ(list.position, 0);
  EXPECT_EQ(list.sounds, (std::vector<std::string>{"EOFLIST.WAV", "EOFLIST.WAV"}));
}

TEST(NavigationSteps, ARefusedShowPutsThePositionBackForEveryStep) {
  FakeList list;
  list.count = 3;
  list.position = 1;
  list.busy = true;
  EXPECT_FALSE(Next(list.Host()));
  EXPECT_EQ(list.position, 1);
  EXPECT_FALSE(Previous(list.Host()));
  EXPECT_EQ(list.position, 1);
  EXPECT_TRUE(list.sounds.empty());  // not the end of the list
  First(list.Host());
  EXPECT_EQ(list.position, 1);
  Last(list.Host());
  EXPECT_EQ(list.position, 1);
}

TEST(NavigationSteps, FirstAndLastWithAndWithoutEntries) {
  FakeList list;
  First(list.Host());
  Last(list.Host());
  EXPECT_TRUE(list.shown.empty());
  EXPECT_EQ(list.position, 0);
  // An out-of-range position on an empty list is brought back to 0 by Next as well.
  list.position = 5;
  EXPECT_FALSE(Next(list.Host()));
  EXPECT_EQ(list.position, 0);

  list.count = 4;
  Last(list.Host());
  First(list.Host());
  EXPECT_EQ(list.shown, (std::vector<int>{3, 0}));
}

TEST(NavigationButtonsTest, FollowPositionAndCount) {
  const NavigationButtons none = ButtonsFor(0, 0);
  EXPECT_FALSE(none.previous || none.next || none.first || none.last || none.slide_show ||
               none.full_screen);
  const NavigationButtons middle = ButtonsFor(1, 3);
  EXPECT_TRUE(middle.previous && middle.next && middle.first && middle.last && middle.slide_show &&
              middle.full_screen);
  const NavigationButtons at_first = ButtonsFor(0, 3);
  EXPECT_FALSE(at_first.previous);
  EXPECT_TRUE(at_first.next);
  const NavigationButtons at_last = ButtonsFor(2, 3);
  EXPECT_TRUE(at_last.previous);
  EXPECT_FALSE(at_last.next);
  const NavigationButtons only = ButtonsFor(0, 1);
  EXPECT_FALSE(only.previous || only.next);
  EXPECT_TRUE(only.first && only.last);
}

TEST(KeyMap, MainWindowKeys) {
  struct Case {
    int code;
    KeyAction action;
    int dx, dy, wheel;
  };
  const Case cases[] = {
      {key::kF11, KeyAction::kRestart, 0, 0, 0},     {key::kF12, KeyAction::kSlideShow, 0, 0, 0},
      {key::kV, KeyAction::kNextView, 0, 0, 0},      {key::kRight, KeyAction::kScroll, 15, 0, 0},
      {key::kLeft, KeyAction::kScroll, -15, 0, 0},   {key::kDown, KeyAction::kScroll, 0, 15, 0},
      {key::kUp, KeyAction::kScroll, 0, -15, 0},     {key::kPageUp, KeyAction::kPrevious, 0, 0, 0},
      {key::kPageDown, KeyAction::kNext, 0, 0, 0},   {key::kF1, KeyAction::kWheel, 0, 0, -120},
      {key::kF2, KeyAction::kWheel, 0, 0, 120},      {key::kDelete, KeyAction::kDelete, 0, 0, 0},
      {key::kSpace, KeyAction::kToggleTag, 0, 0, 0}, {'A', KeyAction::kNone, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const KeyResult r = MainWindowKey(c.code, false, false);
    EXPECT_EQ(r.action, c.action);
    EXPECT_EQ(r.dx, c.dx);
    EXPECT_EQ(r.dy, c.dy);
    EXPECT_EQ(r.wheel_delta, c.wheel);
    // Every key becomes the request code; F12 asks for the slide show.
    EXPECT_EQ(r.request, c.code == key::kF12 ? kSlideShowRequest : c.code);
  }
  // Alt+V is the menu's, not the view cycle.
  EXPECT_EQ(MainWindowKey(key::kV, true, false).action, KeyAction::kNone);
  // Only Escape, Page Up and Page Down stop an animation or slide show.
  for (int code : {key::kEscape, key::kPageUp, key::kPageDown}) {
    EXPECT_TRUE(MainWindowKey(code, false, false).stop_animation);
    EXPECT_TRUE(MainWindowKey(code, false, true).stop_animation);
  }
  EXPECT_FALSE(MainWindowKey(key::kSpace, false, false).stop_animation);
  EXPECT_FALSE(MainWindowKey(key::kF11, false, false).stop_animation);
}

TEST(KeyMap, FullScreenOnlySetsRequestCodesForItsKeys) {
  const int passed[] = {key::kEnter,    key::kShift, key::kEscape, key::kSpace, key::kPageUp,
                        key::kPageDown, key::kV,     key::kF9,     key::kF10};
  for (int code : passed) {
    SCOPED_TRACE(code);
    const KeyResult r = MainWindowKey(code, false, true);
    EXPECT_EQ(r.action, KeyAction::kNone);
    EXPECT_EQ(r.request, code);
  }
  for (int code : {key::kF11, key::kF12, key::kDelete, key::kRight, key::kF1, int{'A'}}) {
    SCOPED_TRACE(code);
    const KeyResult r = MainWindowKey(code, false, true);
    EXPECT_EQ(r.action, KeyAction::kNone);
    EXPECT_EQ(r.request, -1);
  }
}

TEST(KeyMap, FullScreenWindowKeys) {
  struct Case {
    int code;
    FullScreenKeyAction action;
    int dx, dy;
  };
  const Case cases[] = {
      {key::kLeft, FullScreenKeyAction::kScroll, -15, 0},
      {key::kRight, FullScreenKeyAction::kScroll, 15, 0},
      {key::kUp, FullScreenKeyAction::kScroll, 0, -15},
      {key::kDown, FullScreenKeyAction::kScroll, 0, 15},
      {key::kF1, FullScreenKeyAction::kScroll, 0, kWindowWheelStep},
      {key::kF2, FullScreenKeyAction::kScroll, 0, -kWindowWheelStep},
      {key::kF11, FullScreenKeyAction::kRestart, 0, 0},
      {key::kDelete, FullScreenKeyAction::kDelete, 0, 0},
      {'A', FullScreenKeyAction::kNone, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const FullScreenKeyResult r = FullScreenKey(c.code);
    EXPECT_EQ(r.action, c.action);
    EXPECT_EQ(r.dx, c.dx);
    EXPECT_EQ(r.dy, c.dy);
    EXPECT_FALSE(r.raise_list_window);
  }
  // The keys it hands on to the main window; Escape brings the files list window up as well.
  for (int code : {key::kEnter, key::kShift, key::kSpace, key::kPageUp, key::kPageDown, key::kV,
                   key::kF9, key::kF10}) {
    EXPECT_EQ(FullScreenKey(code).action, FullScreenKeyAction::kPassOn) << code;
    EXPECT_FALSE(FullScreenKey(code).raise_list_window) << code;
  }
  EXPECT_EQ(FullScreenKey(key::kEscape).action, FullScreenKeyAction::kPassOn);
  EXPECT_TRUE(FullScreenKey(key::kEscape).raise_list_window);
}

TEST(EdgeZones, FortyPixelZonesAndNarrowPanesAllMiddle) {
  // A 90-pixel pane has no zones at all.
  for (int x = -5; x <= 95; ++x) EXPECT_FALSE(InEdgeZone(x, 90)) << x;
  EXPECT_FALSE(InEdgeZone(0, 100));
  EXPECT_TRUE(InEdgeZone(0, 101));
  EXPECT_TRUE(InEdgeZone(39, 400));
  EXPECT_FALSE(InEdgeZone(40, 400));
  EXPECT_FALSE(InEdgeZone(360, 400));
  EXPECT_TRUE(InEdgeZone(361, 400));
}

TEST(Pointer, DragOutStartsAtTwentyPixelsInEitherDirection) {
  EXPECT_FALSE(DragOutStarts(100, 100, 119, 119));
  EXPECT_FALSE(DragOutStarts(100, 100, 81, 81));
  EXPECT_TRUE(DragOutStarts(100, 100, 120, 100));
  EXPECT_TRUE(DragOutStarts(100, 100, 100, 80));
}

TEST(Pointer, WheelNeverScrollsAboveZero) {
  EXPECT_EQ(WheelScroll(0, -120, 10), 10);  // toward the user: down
  EXPECT_EQ(WheelScroll(30, 120, 20), 10);  // away: up
  EXPECT_EQ(WheelScroll(5, 120, 20), 0);
  EXPECT_EQ(WheelScroll(0, 360, 10), 0);
  EXPECT_EQ(WheelScroll(40, -240, 20), 80);  // two notches at once
  EXPECT_EQ(WheelScroll(40, 60, 20), 40);    // part of a notch
}

TEST(Pointer, FitPaneCountsAPressWithinTheIntervalAsADoubleClick) {
  DoubleClickTimer timer;
  EXPECT_FALSE(timer.Press(1000, 400));
  EXPECT_TRUE(timer.Press(1300, 400));
  // The press after a double click starts afresh.
  EXPECT_FALSE(timer.Press(1400, 400));
  EXPECT_FALSE(timer.Press(2000, 400));  // too late: starts again
  EXPECT_TRUE(timer.Press(2400, 400));
}

// A list of paths with a recording bin.
struct FakeDeleteList {
  std::vector<std::string> paths;
  int position = 0;
  bool answer = true;
  bool refuse = false;
  bool cleared = false;
  std::vector<std::string> sounds;
  std::vector<std::string> questions;
  std::vector<std::string> deleted;
  std::vector<int> shown;

  DeleteHost Host() {
    DeleteHost host;
    host.position = [this] { return position; };
    host.count = [this] { return static_cast<int>(paths.size()); };
    host.path_at = [this](int at) { return paths[static_cast<size_t>(at)]; };
    host.play = [this](const char* sound) { sounds.emplace_back(sound); };
    host.confirm = [this](const std::string& text) {
      questions.push_back(text);
      return answer;
    };
    host.delete_through_bin = [this](const std::string& path) {
      if (refuse) return false;
      deleted.push_back(path);
      return true;
    };
    host.remove = [this](const std::string& path, int at) {
      paths.erase(std::find(paths.begin(), paths.end(), path));
      position = at;
    };
    host.clear_picture = [this] { cleared = true; };
    host.show = [this] { shown.push_back(position); };
    return host;
  }
};

TEST(DeleteCurrent, EmptyListPlaysTheNoDeleteSoundAndAsksNothing) {
  FakeDeleteList list;
  EXPECT_EQ(DeleteCurrentFile(list.Host()), DeleteResult::kEmptyList);
  EXPECT_EQ(list.sounds, std::vector<std::string>{"NODELETE.WAV"});
  EXPECT_TRUE(list.questions.empty());
}

TEST(DeleteCurrent, AsksWithTheFileNameAfterTheWarningSound) {
  FakeDeleteList list;
  list.paths = {"/p/a.jpg", "/p/b.jpg"};
  list.answer = false;
  EXPECT_EQ(DeleteCurrentFile(list.Host()), DeleteResult::kDeclined);
  ASSERT_EQ(list.questions.size(), 1u);
  EXPECT_EQ(list.questions[0],
            "To un-delete the file(s) you can click on the RECYCLE BIN button!\r\rDo you wish to "
            "DELETE the following file ?\ra.jpg");
  EXPECT_EQ(list.sounds, std::vector<std::string>{platform::kSoundBrakes});
  EXPECT_TRUE(list.deleted.empty());
  EXPECT_EQ(list.paths.size(), 2u);
}

TEST(DeleteCurrent, PositionRulesAfterADelete) {
  // The last of three: the new last is shown.
  FakeDeleteList last;
  last.paths = {"a", "b", "c"};
  last.position = 2;
  EXPECT_EQ(DeleteCurrentFile(last.Host()), DeleteResult::kDeleted);
  EXPECT_EQ(last.deleted, std::vector<std::string>{"c"});
  EXPECT_EQ(last.paths, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(last.shown, std::vector<int>{1});
  // One in the middle: the entry after it takes its place.
  FakeDeleteList middle;
  middle.paths = {"a", "b", "c"};
  middle.position = 1;
  DeleteCurrentFile(middle.Host());
  EXPECT_EQ(middle.paths, (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(middle.shown, std::vector<int>{1});
  // The only one: the picture is cleared, nothing is shown.
  FakeDeleteList only;
  only.paths = {"a"};
  DeleteCurrentFile(only.Host());
  EXPECT_TRUE(only.paths.empty());
  EXPECT_EQ(only.position, 0);
  EXPECT_TRUE(only.cleared);
  EXPECT_TRUE(only.shown.empty());
}

TEST(DeleteCurrent, ARefusedDeleteKeepsTheEntry) {
  FakeDeleteList list;
  list.paths = {"a", "b"};
  list.position = 1;
  list.refuse = true;
  EXPECT_EQ(DeleteCurrentFile(list.Host()), DeleteResult::kRefused);
  EXPECT_EQ(list.paths.size(), 2u);
  EXPECT_EQ(list.position, 1);
  EXPECT_TRUE(list.shown.empty());
  EXPECT_FALSE(list.cleared);
}

// "Play .WAV Files By Same Name" over real files: the sound's extension may be in any case; the
// name part follows the path rule (exact here), and a sound is never the picture itself.
TEST(SameNameSound, FindsTheSoundWhateverTheCaseOfItsExtension) {
  test_support::TempDir dir;
  for (const char* name : {"photo.gif", "photo.wav", "loud.bmp", "loud.WAV", "odd.pcx",
                           "odd.Wav", "Other.gif", "other.wav", "tune.wav", "plain"}) {
    dir.WriteText(name, "x");
  }
  EXPECT_EQ(SameNameSound(dir.File("photo.gif")), dir.File("photo.wav"));
  EXPECT_EQ(SameNameSound(dir.File("loud.bmp")), dir.File("loud.WAV"));
  EXPECT_EQ(SameNameSound(dir.File("odd.pcx")), dir.File("odd.Wav"));
  // "Other" and "other" are two names where names keep their case.
  EXPECT_EQ(SameNameSound(dir.File("Other.gif")), "");
  EXPECT_EQ(SameNameSound(dir.File("tune.wav")), "");
  EXPECT_EQ(SameNameSound(dir.File("plain")), "");
  // Where names fold case the other spelling is the same file.
  platform::SetPathCaseRule(platform::CaseRule::kFoldAscii);
  const std::string folded = SameNameSound(dir.File("Other.gif"));
  platform::SetPathCaseRule(platform::CaseRule::kExact);
  EXPECT_EQ(folded, dir.File("other.wav"));
}

}  // namespace
}  // namespace vr::shell
