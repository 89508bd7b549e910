// The clock helpers and the behaviour other subsystems' tests rely on in the fake services.
#include <gtest/gtest.h>

#include <cstring>

#include "fakes/fake_services.h"
#include "platform/clock.h"

namespace vr::platform {
namespace {

std::time_t LocalNoon(int year, int month, int day) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = 12;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

TEST(ClockTest, DayNumbersCountFromTheEndOf1899) {
  EXPECT_EQ(DayNumber(LocalNoon(1899, 12, 30)), 0);
  EXPECT_EQ(DayNumber(LocalNoon(1900, 3, 1)), 61);
  EXPECT_EQ(DayNumber(LocalNoon(1970, 1, 1)), 25569);
  EXPECT_EQ(DayNumber(LocalNoon(2000, 1, 1)), 36526);
  EXPECT_EQ(DayNumber(LocalNoon(2024, 2, 29)) - DayNumber(LocalNoon(2024, 1, 30)), 30);
}

TEST(ClockTest, SystemTicksMoveForwardAcrossASleep) {
  SystemClock clock;
  const uint32_t before = clock.TickCount();
  clock.Sleep(20);
  const uint32_t elapsed = clock.TickCount() - before;  // unsigned: wraps correctly
  EXPECT_GE(elapsed, 20u);
  EXPECT_LT(elapsed, 5000u);
}

TEST(FakeServicesTest, FakeClockMovesOnlyWhenTold) {
  fakes::FakeClock clock;
  clock.SetNow(1000000);
  clock.SetTick(0xFFFFFFF0u);
  clock.Sleep(500);
  clock.Sleep(600);
  EXPECT_EQ(clock.TickCount(), 1100u - 16u);  // wrapped like the real counter
  EXPECT_EQ(clock.Now(), 1000001);
  EXPECT_EQ(clock.sleeps(), (std::vector<uint32_t>{500, 600}));
}

TEST(FakeServicesTest, ScriptedStopOfThePleaseWaitWindow) {
  fakes::FakeServices fx;
  fakes::FakePleaseWait& wait = fx.please_wait;
  {
    PleaseWaitScope scope(wait, "Resolving...", "Skip Drive");
    EXPECT_TRUE(wait.IsVisible());
    EXPECT_EQ(wait.StopCaption(), "Skip Drive");
    wait.StopWhenTextContains("/mnt/b");
    wait.SetText("(1)Loading:/mnt/a/x.gif");
    EXPECT_FALSE(wait.StopRequested());
    wait.SetText("(2)Loading:/mnt/b/y.gif");
    EXPECT_TRUE(wait.StopRequested());
  }
  EXPECT_FALSE(wait.IsVisible());
  EXPECT_EQ(wait.StopCaption(), PleaseWait::kDefaultStopCaption);
  EXPECT_EQ(wait.captions(), (std::vector<std::string>{"Skip Drive", "&Cancel"}));
  EXPECT_EQ(wait.texts().front(), "Resolving...");

  // A new operation clears the flag; a stop after a count of texts; or from the pump.
  PleaseWaitScope scope(wait, "Scanning");
  EXPECT_FALSE(wait.StopRequested());
  wait.StopAfterTexts(2);
  wait.SetText("a");
  EXPECT_FALSE(wait.StopRequested());
  wait.SetText("b");
  EXPECT_TRUE(wait.StopRequested());
  wait.ClearStop();
  fx.pump.on_pump = [&](int count) {
    if (count == 3) wait.RequestStop();
  };
  int items = 0;
  while (!wait.StopRequested() && items < 100) {
    ++items;
    fx.pump.PumpMessages();
  }
  EXPECT_EQ(items, 3);
}

TEST(FakeServicesTest, FakeFilesOverridesFreeSpaceDrivesAndDeleteFailures) {
  fakes::FakeServices fx;
  fx.files.SetFreeSpace(12345);
  EXPECT_EQ(fx.services().files->FreeSpace("/"), 12345u);
  fx.files.SetFreeSpace(std::nullopt);
  EXPECT_NE(fx.files.FreeSpace("/"), std::optional<uint64_t>(12345));
  fx.files.SetDrives({{"/media/usb/", "/dev/sdb1", "vfat", DriveType::kRemovable}});
  ASSERT_EQ(fx.services().files->Drives().size(), 1u);
  fx.files.FailDelete("/x/locked.gif", EACCES);
  const FileResult result = fx.files.DeleteFile("/x/locked.gif");
  EXPECT_EQ(result.error, EACCES);
  EXPECT_EQ(result.message, std::strerror(EACCES));
  EXPECT_EQ(fx.files.deleted(), std::vector<std::string>{"/x/locked.gif"});
}

TEST(FakeServicesTest, FakeShellRecordsRequestsAndAnswersExitCodes) {
  fakes::FakeServices fx;
  ShellService& shell = *fx.services().shell;
  fx.shell.QueueExitCode(7);
  EXPECT_EQ(shell.RunAndWait("/usr/bin/gimp", {"/p/a b.jpg"}), 7);
  EXPECT_EQ(shell.RunAndWait("/usr/bin/gimp", {}), 0);
  EXPECT_TRUE(shell.OpenDocument("/prog/README.TXT"));
  fx.shell.SetSucceed(false);
  EXPECT_EQ(shell.RunAndWait("/missing", {}), -1);
  ASSERT_EQ(fx.shell.requests().size(), 4u);
  EXPECT_EQ(fx.shell.requests()[0].args, std::vector<std::string>{"/p/a b.jpg"});
  EXPECT_EQ(fx.shell.requests()[2].type, fakes::FakeShell::Request::Type::kOpenDocument);
}

}  // namespace
}  // namespace vr::platform
