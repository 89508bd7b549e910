// The sweep of "~LS_Special_" files in a shared temporary folder: only this process's files and
// those of processes that have ended go; another running viewer's files and strangers' files
// that merely carry the prefix stay.
#include "platform/temp_sweep.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/folders.h"
#include "test_support/temp_dir.h"

namespace vr::platform {
namespace {

namespace fs = std::filesystem;

class TempSweepTest : public ::testing::Test {
 protected:
  TempSweepTest() {
    records_ = shared_.File("records");
    EXPECT_TRUE(EnsurePrivateFolder(records_));
  }
  std::string Make(const std::string& name) { return shared_.WriteText(name, "x"); }

  test_support::TempDir shared_;  // stands for the shared temporary folder
  std::string records_;
};

TEST_F(TempSweepTest, OnlyTheFilesThisProcessMadeAreDeleted) {
  TempFileSweep sweep(records_, kSpecialTempPrefix);
  const std::string mine = Make("~LS_Special_0123_photo.bmp");
  const std::string strangers = Make("~LS_Special_4567_other.bmp");
  const std::string unrelated = Make("photo.bmp");
  EXPECT_TRUE(sweep.Adopt(mine));
  // Only absolute names that carry the prefix are taken.
  EXPECT_FALSE(sweep.Adopt(unrelated));
  EXPECT_FALSE(sweep.Adopt("~LS_Special_1_x.bmp"));

  EXPECT_EQ(sweep.Sweep(), 1);
  EXPECT_FALSE(fs::exists(mine));
  EXPECT_TRUE(fs::exists(strangers));
  EXPECT_TRUE(fs::exists(unrelated));
  EXPECT_TRUE(sweep.own_files().empty());
  EXPECT_EQ(sweep.Sweep(), 0);
}

TEST_F(TempSweepTest, AnotherRunningViewersFilesStayUntilItHasEnded) {
  TempFileSweep first(records_, kSpecialTempPrefix);
  const std::string firsts = Make("~LS_Special_1111_a.bmp");
  ASSERT_TRUE(first.Adopt(firsts));
  {
    TempFileSweep second(records_, kSpecialTempPrefix);
    const std::string seconds = Make("~LS_Special_2222_b.bmp");
    ASSERT_TRUE(second.Adopt(seconds));
    EXPECT_EQ(first.Sweep(), 1);  // its own file only
    EXPECT_TRUE(fs::exists(seconds));
    // The second viewer ends without sweeping (its record stays, unlocked).
  }
  const std::string again = Make("~LS_Special_3333_c.bmp");
  ASSERT_TRUE(first.Adopt(again));
  EXPECT_EQ(first.Sweep(), 2);
  EXPECT_FALSE(fs::exists(shared_.File("~LS_Special_2222_b.bmp")));
  EXPECT_FALSE(fs::exists(again));
}

TEST_F(TempSweepTest, AViewerThatDiedLeavesItsFilesToTheNextSweep) {
  const std::string orphan = Make("~LS_Special_9999_dead.bmp");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The other viewer: records its file, then is killed without any clean-up.
    ::close(ready[0]);
    static TempFileSweep* other = new TempFileSweep(records_, kSpecialTempPrefix);
    const char ok = other->Adopt(orphan) ? '1' : '0';
    (void)::write(ready[1], &ok, 1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ::close(ready[0]);
  ASSERT_EQ(ok, '1');

  TempFileSweep sweep(records_, kSpecialTempPrefix);
  EXPECT_EQ(sweep.Sweep(), 0);  // alive: its file stays
  EXPECT_TRUE(fs::exists(orphan));
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(sweep.Sweep(), 1);
  EXPECT_FALSE(fs::exists(orphan));
  // The dead viewer's record went with its files.
  EXPECT_TRUE(fs::is_empty(records_));
}

}  // namespace
}  // namespace vr::platform
