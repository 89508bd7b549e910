// Real viewer processes meeting through the single-instance service: hand-over in mode NO, empty
// and non-allowable hand-overs, a crowd of simultaneous starts, and a killed viewer's leftovers.
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "shell_process/process_fixture.h"

namespace {

using namespace vr::process_testing;

// Without a session runtime folder the lock and the socket must not sit at guessable names in
// the shared temporary folder: they go into this user's private folder there, and when someone
// else made that name first the viewer runs alone rather than talk to a stranger's socket.
TEST_F(ViewerProcessTest, WithoutARuntimeFolderTheLockAndSocketLiveInAPrivateFolder) {
  use_instance_dir_ = false;
  const std::string user = std::to_string(::geteuid());
  const std::string mine = dir_.File("tmp/veldrimon-" + user);
  const pid_t first = StartViewer();
  struct stat st {};
  ASSERT_EQ(::lstat(mine.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(std::filesystem::exists(mine + "/TVeldrimon69-" + user + ".sock"));
  // Nothing at the old shared names.
  EXPECT_FALSE(std::filesystem::exists(dir_.File("tmp/TVeldrimon69-" + user + ".sock")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("tmp/MYSPECIALTHING-" + user + ".lock")));
  // A second start in mode NO finds the first through the private folder.
  const std::string picture = Picture("b.bmp");
  const pid_t second = Start({picture}, dir_.File("second.state"));
  EXPECT_EQ(WaitExit(second, 15000), 0);
  const std::string state = WaitState(
      viewer_state_, [&](const std::string& t) { return t.find("entry=" + picture) != t.npos; },
      15000);
  EXPECT_NE(state.find("entry=" + picture), std::string::npos);
  Quit(first);
}

TEST_F(ViewerProcessTest, APlantedPrivateFolderIsRefusedAndTheViewerRunsAlone) {
  use_instance_dir_ = false;
  const std::string planted = dir_.File("tmp/veldrimon-" + std::to_string(::geteuid()));
  std::filesystem::create_directories(planted);
  ::chmod(planted.c_str(), 0777);  // as another user's folder would be to us: open to all
  const pid_t first = StartViewer();
  EXPECT_TRUE(Alive(first));
  EXPECT_TRUE(std::filesystem::is_empty(planted)) << "the viewer used a folder it does not own";
  Quit(first);
  EXPECT_TRUE(std::filesystem::is_empty(planted));
}

// The settings file named with "/INI:" keeps the case it was typed in.
TEST_F(ViewerProcessTest, TheIniSwitchNameKeepsItsCase) {
  dir_.WriteText("home/my.ini",
                 "[General]\nMultiLoad=1\nSetup=YES\nVersion=Veldrimon 2.1.3\n"
                 "Date_UpdateMessageShown=99999\n");
  const pid_t viewer = StartViewer({"/INI:my.ini"});
  Quit(viewer);
  // The settings went back into the file that was read, under its own name.
  EXPECT_NE(ReadAll(home_ + "/my.ini").find("[Recent List]"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(home_ + "/MY.INI"));
}

TEST_F(ViewerProcessTest, ModeNoHandsTheFileToTheRunningViewer) {
  const std::string picture = Picture("picture.bmp");
  const pid_t viewer = StartViewer();
  const std::string second_state = dir_.File("second.state");
  const pid_t second = Start({picture}, second_state);
  EXPECT_EQ(WaitExit(second, 20000), 0);
  EXPECT_FALSE(std::filesystem::exists(second_state));  // it never made a window
  const std::string state = WaitState(
      viewer_state_, [&](const std::string& t) { return !Values(t, "entry").empty(); }, 10000);
  EXPECT_EQ(Values(state, "entry"), std::vector<std::string>{picture});
  EXPECT_EQ(Values(state, "count"), std::vector<std::string>{"1"});
  ASSERT_TRUE(Alive(viewer));

  // Only the program path: the receiver acknowledges and changes nothing.
  const pid_t bare = Start({}, dir_.File("bare.state"));
  EXPECT_EQ(WaitExit(bare, 20000), 0);
  // A file of a type that is not allowable: the list is left alone.
  const std::string text = dir_.WriteText("readme.txt", "text");
  const pid_t other = Start({text}, dir_.File("other.state"));
  EXPECT_EQ(WaitExit(other, 20000), 0);
  const std::string after = WaitState(
      viewer_state_, [](const std::string& t) { return Values(t, "received").size() >= 3; }, 10000);
  EXPECT_EQ(Values(after, "received").size(), 3u);
  EXPECT_EQ(Values(after, "entry"), std::vector<std::string>{picture});
  EXPECT_FALSE(std::filesystem::exists(dir_.File("bare.state")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("other.state")));
  Quit(viewer);
  // The viewer wrote its settings at shutdown.
  EXPECT_NE(ReadAll(home_ + "/VELDR.INI").find("[Albums]"), std::string::npos);
}

TEST_F(ViewerProcessTest, TwentySimultaneousStartsEndWithOneViewerHoldingEveryArgument) {
  constexpr int kCount = 20;
  std::vector<std::string> pictures;
  for (int i = 0; i < kCount; ++i) pictures.push_back(Picture("p" + std::to_string(i) + ".bmp"));
  std::vector<pid_t> pids;
  for (int i = 0; i < kCount; ++i) {
    pids.push_back(Start({pictures[i]}, dir_.File("s" + std::to_string(i) + ".state")));
  }
  // All but one hand over and end; one stays as the viewer.
  const auto deadline = Clock::now() + std::chrono::seconds(45);
  std::map<pid_t, int> ended;
  while (Clock::now() < deadline && static_cast<int>(ended.size()) < kCount - 1) {
    for (pid_t pid : pids) {
      if (ended.count(pid) != 0) continue;
      int status = 0;
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        std::erase(running_, pid);
        ended[pid] = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_EQ(static_cast<int>(ended.size()), kCount - 1);
  for (const auto& [pid, code] : ended) EXPECT_EQ(code, 0) << pid;
  int viewer_index = -1;
  for (int i = 0; i < kCount; ++i) {
    if (ended.count(pids[i]) == 0) viewer_index = i;
  }
  ASSERT_GE(viewer_index, 0);
  for (int i = 0; i < kCount; ++i) {
    EXPECT_EQ(std::filesystem::exists(dir_.File("s" + std::to_string(i) + ".state")),
              i == viewer_index);
  }
  const std::string state_file = dir_.File("s" + std::to_string(viewer_index) + ".state");
  const std::string state = WaitState(
      state_file, [&](const std::string& t) { return Values(t, "received").size() >= kCount - 1; },
      15000);
  // Its own argument came from its command line; every other one arrived by hand-over.
  EXPECT_EQ(Values(state, "argument"), std::vector<std::string>{pictures[viewer_index]});
  std::string received;
  for (const std::string& line : Values(state, "received")) received += line + "\n";
  for (int i = 0; i < kCount; ++i) {
    if (i == viewer_index) continue;
    EXPECT_NE(received.find("\"" + pictures[i] + "\""), std::string::npos) << pictures[i];
  }
  EXPECT_EQ(Values(state, "received").size(), static_cast<size_t>(kCount - 1));
  EXPECT_EQ(Values(state, "count"), std::vector<std::string>{"1"});  // each hand-over replaces
  Quit(pids[viewer_index]);
}

TEST_F(ViewerProcessTest, KilledViewersLockAndSocketAreTakenOverAtOnce) {
  const pid_t first = StartViewer();
  ASSERT_EQ(::kill(first, SIGKILL), 0);
  EXPECT_EQ(WaitExit(first, 5000), -1 /* killed by a signal */);
  std::filesystem::remove(viewer_state_);
  const std::string picture = Picture("after.bmp");
  const auto started = Clock::now();
  const pid_t next = Start({picture}, viewer_state_);
  const std::string state = WaitState(
      viewer_state_, [&](const std::string& t) { return !Values(t, "entry").empty(); }, 15000);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
  EXPECT_EQ(Values(state, "entry"), std::vector<std::string>{picture});
  // No waiting for the 5-second lock or the 10-second hand-over: it runs straight away.
  EXPECT_LT(took.count(), 4500);
  // And it answers the next start.
  const std::string second = Picture("second.bmp");
  const pid_t hand = Start({second}, dir_.File("hand.state"));
  EXPECT_EQ(WaitExit(hand, 20000), 0);
  const std::string after = WaitState(
      viewer_state_,
      [&](const std::string& t) { return Values(t, "entry") == std::vector<std::string>{second}; },
      10000);
  EXPECT_EQ(Values(after, "entry"), std::vector<std::string>{second});
  Quit(next);
}

TEST_F(ViewerProcessTest, ModeYesOpensASecondWindowBesideTheFirst) {
  dir_.WriteText("home/VELDR.INI",
                 "[General]\nMultiLoad=0\nSetup=YES\nVersion=Veldrimon 2.1.3\n"
                 "Date_UpdateMessageShown=99999\n");
  const pid_t first = StartViewer();
  const std::string first_window = Values(ReadAll(viewer_state_), "window").at(0);
  const std::string second_state = dir_.File("second.state");
  const pid_t second = Start({}, second_state);
  const std::string state = WaitState(
      second_state, [](const std::string& t) { return !t.empty(); }, 15000);
  ASSERT_FALSE(state.empty()) << "no second viewer";
  EXPECT_TRUE(Alive(first));
  EXPECT_TRUE(Alive(second));
  int l = 0, t = 0, w = 0, h = 0;
  std::istringstream(first_window) >> l >> t >> w >> h;
  // Beside the other: 24 right and down (or 0 past 500 / 400), the same size.
  const int want_left = l >= 500 ? 0 : l + 24;
  const int want_top = t >= 400 ? 0 : t + 24;
  EXPECT_EQ(Values(state, "window").at(0), std::to_string(want_left) + " " +
                                               std::to_string(want_top) + " " + std::to_string(w) +
                                               " " + std::to_string(h));
  dir_.WriteText("quit", "");
  EXPECT_EQ(WaitExit(first, 15000), 0);
  EXPECT_EQ(WaitExit(second, 15000), 0);
}

TEST_F(ViewerProcessTest, MinimisedViewerIsShownNormallyAndTakesTheFiles) {
  const pid_t viewer = StartViewer();
  dir_.WriteText("minimise", "");
  const std::string minimised = WaitState(
      viewer_state_, [](const std::string& t) { return t.find("minimised=1") != std::string::npos; },
      10000);
  ASSERT_NE(minimised.find("minimised=1"), std::string::npos) << "the viewer did not minimise";
  const std::string picture = Picture("shown.bmp");
  const pid_t second = Start({picture}, dir_.File("second.state"));
  EXPECT_EQ(WaitExit(second, 20000), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("second.state")));
  const std::string state = WaitState(
      viewer_state_,
      [](const std::string& t) {
        return t.find("minimised=0") != std::string::npos && !Values(t, "entry").empty();
      },
      10000);
  EXPECT_EQ(Values(state, "minimised"), std::vector<std::string>{"0"});
  EXPECT_EQ(Values(state, "entry"), std::vector<std::string>{picture});
  Quit(viewer);
}

TEST_F(ViewerProcessTest, ModeYesBesideAWindowAtLeft520Top100OpensAtLeft0Top124) {
  dir_.WriteText("home/VELDR.INI",
                 "[General]\nMultiLoad=0\nSetup=YES\nVersion=Veldrimon 2.1.3\n"
                 "Date_UpdateMessageShown=99999\n");
  const pid_t first = StartViewer({}, {"VELDRIMON_WINDOW_AT=520 100"});
  std::istringstream first_window(Values(ReadAll(viewer_state_), "window").at(0));
  int l = 0, t = 0, w = 0, h = 0;
  first_window >> l >> t >> w >> h;
  ASSERT_EQ(l, 520);
  ASSERT_EQ(t, 100);
  const std::string second_state = dir_.File("second.state");
  const pid_t second = Start({}, second_state);
  const std::string state =
      WaitState(second_state, [](const std::string& s) { return !s.empty(); }, 15000);
  EXPECT_EQ(Values(state, "window").at(0),
            "0 124 " + std::to_string(w) + " " + std::to_string(h));
  dir_.WriteText("quit", "");
  EXPECT_EQ(WaitExit(first, 15000), 0);
  EXPECT_EQ(WaitExit(second, 15000), 0);
}

TEST_F(ViewerProcessTest, ModeAskShowsTheChoiceBoxAndFollowsTheAnswer) {
  dir_.WriteText("home/VELDR.INI",
                 "[General]\nMultiLoad=2\nSetup=YES\nVersion=Veldrimon 2.1.3\n"
                 "Date_UpdateMessageShown=99999\n");
  const pid_t first = StartViewer();
  // "Use Current Veldrimon": the file goes to the running viewer.
  const std::string picture = Picture("asked.bmp");
  const std::string log = dir_.File("ui.log");
  const pid_t use_current = Start({picture}, dir_.File("use.state"),
                                  {"VELDRIMON_UI_LOG=" + log, "VELDRIMON_UI_ANSWERS=2"});
  EXPECT_EQ(WaitExit(use_current, 20000), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("use.state")));
  EXPECT_EQ(ReadAll(log),
            "choice|Another copy of Veldrimon is running:|Veldrimon is ALREADY running.//Do you "
            "wish to open up a new/seperate Veldrimon window ?|+Run Another Copy Veldrimon|Use "
            "Current Veldrimon\n");
  const std::string state = WaitState(
      viewer_state_, [](const std::string& t) { return !Values(t, "entry").empty(); }, 10000);
  EXPECT_EQ(Values(state, "entry"), std::vector<std::string>{picture});

  // "+Run Another Copy Veldrimon": a second window runs.
  std::filesystem::remove(log);
  const std::string another_state = dir_.File("another.state");
  const pid_t another =
      Start({}, another_state, {"VELDRIMON_UI_LOG=" + log, "VELDRIMON_UI_ANSWERS=1"});
  const std::string second =
      WaitState(another_state, [](const std::string& s) { return !s.empty(); }, 15000);
  EXPECT_FALSE(second.empty()) << "no second viewer";
  EXPECT_EQ(ReadAll(log).rfind("choice|Another copy of Veldrimon is running:", 0), 0u);
  EXPECT_TRUE(Alive(another));
  dir_.WriteText("quit", "");
  EXPECT_EQ(WaitExit(first, 15000), 0);
  EXPECT_EQ(WaitExit(another, 15000), 0);
}

}  // namespace
