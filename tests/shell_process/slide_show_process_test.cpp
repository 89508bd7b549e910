// A real viewer runs a slide show through its bench hook: a random show over five pictures,
// twice, with no delay, logs a line per picture and quits at its end; on a private session bus
// with a stand-in screen saver service, the show holds the screen saver off while it runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "process_fixture.h"

namespace vr::process_testing {
namespace {

using SlideShowProcessTest = ViewerProcessTest;

TEST_F(SlideShowProcessTest, ARandomShowOfTwoCyclesShowsEachFileOncePerCycleThenQuits) {
  dir_.WriteText("home/VELDR.INI",
                 "[General]\nMultiLoad=1\nSetup=YES\nVersion=Veldrimon 2.1.3\n"
                 "Date_UpdateMessageShown=99999\n[SlideShow]\nDelay=0\nFullScreen=1\n"
                 "FullScreenType=1\nContinuous=0\nLoopTimes=2\nRandom=1\nStartAtTop=1\n");
  std::set<std::string> files;
  for (int i = 0; i < 5; ++i) files.insert(Picture("p" + std::to_string(i) + ".bmp"));
  const std::string log = dir_.File("slides.log");
  const pid_t pid = Start({dir_.File("p0.bmp"), dir_.File("p1.bmp"), dir_.File("p2.bmp"),
                           dir_.File("p3.bmp"), dir_.File("p4.bmp")},
                          dir_.File("state"), {"VELDRIMON_BENCH_SLIDESHOW=" + log});
  ASSERT_EQ(WaitExit(pid, 60000), 0);
  std::istringstream in(ReadAll(log));
  std::vector<std::string> paths;
  std::string line;
  uint32_t last_shown = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    int position = -1;
    std::string path;
    uint32_t t0 = 0, due = 0, shown = 0;
    double wait = -1;
    fields >> position >> path >> t0 >> due >> shown >> wait;
    ASSERT_FALSE(fields.fail()) << line;
    EXPECT_GE(position, 0);
    EXPECT_LT(position, 5);
    EXPECT_LE(t0, due);
    EXPECT_LE(due, shown);
    EXPECT_GE(shown, last_shown);
    EXPECT_GE(wait, 0.0);
    last_shown = shown;
    paths.push_back(path);
  }
  ASSERT_EQ(paths.size(), 10u);
  for (size_t cycle = 0; cycle < 2; ++cycle) {
    const std::set<std::string> seen(paths.begin() + static_cast<long>(cycle * 5),
                                     paths.begin() + static_cast<long>(cycle * 5 + 5));
    EXPECT_EQ(seen, files) << cycle;
  }
}

// The stand-in service runs under dbus-run-session, which gives it a bus of its own; the viewer
// is pointed at that bus. The stand-in logs each call with the number of lines the show's log
// held at that moment: none before the first picture, all of them after the last.
TEST_F(SlideShowProcessTest, AShowHoldsTheScreenSaverOffFromBeforeTheFirstPictureToAfterTheLast) {
#if !VR_HAVE_QT_DBUS
  GTEST_SKIP() << "the viewer was built without Qt D-Bus";
#endif
  if (!std::filesystem::exists("/usr/bin/dbus-run-session") ||
      std::system("/usr/bin/python3 -c 'import dbus, dbus.mainloop.glib, gi' 2>/dev/null") != 0) {
    GTEST_SKIP() << "needs dbus-run-session and python3-dbus (Debian packages dbus, python3-dbus)";
  }
  dir_.WriteText("home/VELDR.INI",
                 "[General]\nMultiLoad=1\nSetup=YES\nVersion=Veldrimon 2.1.3\n"
                 "Date_UpdateMessageShown=99999\n[SlideShow]\nDelay=0\nFullScreen=1\n"
                 "FullScreenType=1\nContinuous=0\nLoopTimes=1\nRandom=0\nStartAtTop=1\n");
  const std::string ready = dir_.File("bus.ready");
  const std::string calls = dir_.File("saver.log");
  const std::string log = dir_.File("slides.log");
  const std::string quit = dir_.File("saver.quit");
  std::vector<std::string> argv_text = {"dbus-run-session", "--",    "/usr/bin/python3",
                                        SCREEN_SAVER_STAND_IN, ready,   calls,
                                        log,                quit};
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t bus = -1;
  ASSERT_EQ(::posix_spawn(&bus, "/usr/bin/dbus-run-session", nullptr, nullptr, argv.data(),
                          environ),
            0);
  running_.push_back(bus);
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (!std::filesystem::exists(ready) && Alive(bus) && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const std::string address = ReadAll(ready);
  ASSERT_FALSE(address.empty()) << "the stand-in service did not come up";

  const pid_t pid = Start({Picture("a.bmp"), Picture("b.bmp"), Picture("c.bmp")},
                          dir_.File("state"),
                          {"VELDRIMON_BENCH_SLIDESHOW=" + log,
                           "DBUS_SESSION_BUS_ADDRESS=" + address});
  ASSERT_EQ(WaitExit(pid, 60000), 0);
  dir_.WriteText("saver.quit", "");
  EXPECT_EQ(WaitExit(bus, 30000), 0);

  std::istringstream in(ReadAll(calls));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 2u) << ReadAll(calls);
  EXPECT_EQ(lines[0], "Inhibit\tVeldrimon\tSlide show\t4711\t0");
  EXPECT_EQ(lines[1], "UnInhibit\t4711\t3");
}

std::string ToolOutput(const std::string& args) {
  std::string out;
  FILE* pipe = ::popen((std::string(VELDRIMON_TOOL_BINARY) + " slide-order " + args).c_str(), "r");
  if (pipe == nullptr) return "popen failed";
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  const int status = ::pclose(pipe);
  if (status != 0) out += "exit " + std::to_string(status);
  return out;
}

TEST(SlideOrderTool, PrintsEachCyclesEntriesOnALine) {
  EXPECT_EQ(ToolOutput("--count 3 --start 1"), "1 2\n");
  EXPECT_EQ(ToolOutput("--count 3 --start 1 --cycles 2"), "1 2\n0 1 2\n");
  EXPECT_EQ(ToolOutput("--count 6 --tagged 2,5"), "2 5\n");
  EXPECT_EQ(ToolOutput("--count 4 --random --seed 9 --cycles 2"),
            ToolOutput("--count 4 --random --seed 9 --cycles 2"));
  EXPECT_NE(ToolOutput("--count 3 --start 7 2>/dev/null").find("exit"), std::string::npos);
}

}  // namespace
}  // namespace vr::process_testing
