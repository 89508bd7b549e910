// The search window in the real viewer: a report line found by name, then "&Move/Rename" and
// "&Delete" on it, with the files list, the recycle bin and the settings file following.
#include <filesystem>

#include "shell_process/process_fixture.h"

namespace {

using namespace vr::process_testing;
namespace fs = std::filesystem;

constexpr const char* kSearch = "Search File List By...";
constexpr const char* kMove = "Move & Rename Functions";

class SearchProcessTest : public ViewerProcessTest {
 protected:
  std::string Do(const std::string& line) { return Command({line}, viewer_state_); }
  // The report's lines once `want` is among them (the search runs after the click's batch).
  std::string WaitLines(const std::string& want) {
    std::string lines;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      lines = Do(std::string("!lines ") + kSearch);
      if (lines.find(want) != std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return lines;
  }
};

TEST_F(SearchProcessTest, MoveAndDeleteFromTheReportReachTheDiskTheListAndTheBin) {
  fs::create_directories(dir_.File("pics"));
  fs::create_directories(dir_.File("moved"));
  const std::string a = Picture("pics/a.bmp");
  const pid_t viewer = StartViewer({a});
  ASSERT_EQ(Do("View|Search File List By..."), "ok\n");

  // "By Given Filename" a.bmp puts its line into the report.
  EXPECT_EQ(Command({std::string("!type ") + kSearch + "|ESearch|a.bmp",
                     std::string("!click ") + kSearch + "|By Given Filename",
                     std::string("!click ") + kSearch + "|Search"},
                    viewer_state_),
            "ok\nok\nok\n");
  const std::string a_line = "line=File:" + a;
  ASSERT_NE(WaitLines(a_line).find(a_line), std::string::npos);

  // Move/Rename, method 1: into moved/ as b.bmp.
  EXPECT_EQ(Command({std::string("!select ") + kSearch + "|File:" + a,
                     std::string("!click ") + kSearch + "|Move/Rename"},
                    viewer_state_),
            "ok\nok\n");
  ASSERT_TRUE(WaitModal(kMove));
  const std::string moved = dir_.File("moved");
  EXPECT_EQ(Command({std::string("!type ") + kMove + "|EFolder|" + moved,
                     std::string("!type ") + kMove + "|EName|b.bmp",
                     std::string("!click ") + kMove + "|OK"},
                    viewer_state_),
            "ok\nok\nok\n");
  const std::string b = moved + "/b.bmp";
  const std::string b_line = "line=File:" + b;
  EXPECT_NE(WaitLines(b_line).find(b_line), std::string::npos);
  EXPECT_TRUE(fs::exists(b));
  EXPECT_FALSE(fs::exists(a));
  std::string entries = Do("!entries");
  EXPECT_NE(entries.find("entry=" + b + "|"), std::string::npos) << entries;
  EXPECT_EQ(entries.find("entry=" + a + "|"), std::string::npos) << entries;

  // Delete: the question answered Yes; the file goes into the bin, out of the list and report.
  EXPECT_EQ(Command({std::string("!select ") + kSearch + "|File:" + b,
                     std::string("!click ") + kSearch + "|Delete"},
                    viewer_state_),
            "ok\nok\n");
  ASSERT_TRUE(WaitModal("Confirm"));
  EXPECT_EQ(Do("!click Confirm|Yes"), "ok\n");
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (fs::exists(b) && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  EXPECT_FALSE(fs::exists(b));
  entries = Do("!entries");
  EXPECT_EQ(entries.find("entry=" + b + "|"), std::string::npos) << entries;
  EXPECT_EQ(Do(std::string("!lines ") + kSearch).find(b_line), std::string::npos);
  EXPECT_FALSE(fs::is_empty(dir_.File("home/LS_RecycleBin")));
  // Quitting with files in the bin shows the bin's reminder window first, then the search
  // window asks before its report is lost.
  dir_.WriteText("quit", "");
  ASSERT_TRUE(WaitModal("RECYCLE BIN"));
  EXPECT_EQ(Do("!reject"), "ok\n");
  ASSERT_TRUE(WaitModal("Confirm"));
  EXPECT_EQ(Do("!click Confirm|Lose Report"), "ok\n");
  EXPECT_EQ(WaitExit(viewer, 15000), 0);
  // The move history outlives the run.
  EXPECT_NE(ReadAll(dir_.File("home/VELDR.INI")).find("MoveList_0=" + moved + "/"),
            std::string::npos);
}

}  // namespace
