// The single-instance service over a real local socket and lock file: hand-over, refusals, and
// recovery from a viewer that was killed without cleaning up.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <atomic>
#include <thread>

#include "platform/qt/single_instance_qt.h"
#include "test_support/temp_dir.h"

namespace vr::platform {
namespace {

void EnsureApp() {
  if (QCoreApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "vr_platform_qt_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

// Runs `work` on another thread while this thread serves events, and gives its result.
template <typename T>
T WhileServing(std::function<T()> work) {
  std::atomic<bool> done{false};
  T result{};
  std::thread worker([&] {
    result = work();
    done = true;
  });
  QElapsedTimer timer;
  timer.start();
  while (!done && timer.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  worker.join();
  return result;
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApp(); }
  test_support::TempDir dir_;
};

TEST_F(SingleInstanceTest, HandOverDeliversTheTextAndAcknowledges) {
  QtSingleInstance viewer(dir_.Path());
  std::vector<std::string> received;
  int flags = 0;
  HandOverReceiver receiver;
  receiver.on_set_flag = [&] { ++flags; };
  receiver.on_command_line = [&](const std::string& text) { received.push_back(text); };
  receiver.window_rect = [] { return WindowRect{520, 100, 1119, 599}; };
  ASSERT_TRUE(viewer.Listen(receiver));

  const std::string text = "/usr/bin/veldrimon \"/pics/with blank.jpg\" /pics/b.gif";
  const HandOverResult result = WhileServing<HandOverResult>([&] {
    QtSingleInstance sender(dir_.Path());
    return sender.HandOver(text, 10000, 5000);
  });
  EXPECT_EQ(result, HandOverResult::kDone);
  EXPECT_EQ(flags, 1);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0], text);

  const auto rect = WhileServing<std::optional<WindowRect>>([&] {
    QtSingleInstance sender(dir_.Path());
    return sender.ViewerRect();
  });
  ASSERT_TRUE(rect.has_value());
  EXPECT_EQ(rect->left, 520);
  EXPECT_EQ(rect->bottom, 599);
}

// No private folder to be had: no lock file, no socket, no hand-over; the viewer runs alone.
TEST_F(SingleInstanceTest, WithoutAFolderTheViewerRunsAlone) {
  QtSingleInstance alone("");
  EXPECT_TRUE(alone.RunsAlone());
  EXPECT_TRUE(alone.AcquireStartupLock(100));
  EXPECT_FALSE(alone.ViewerAnswers());
  EXPECT_FALSE(alone.ViewerRect().has_value());
  EXPECT_FALSE(alone.Listen({}));
  EXPECT_EQ(alone.HandOver("x", 100, 100), HandOverResult::kNoFlag);
  // Another one in a real folder is not disturbed by it.
  QtSingleInstance viewer(dir_.Path());
  EXPECT_FALSE(viewer.RunsAlone());
  EXPECT_TRUE(viewer.AcquireStartupLock(100));
}

TEST_F(SingleInstanceTest, NobodyListeningMeansNoFlag) {
  QtSingleInstance sender(dir_.Path());
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(sender.HandOver("x", 300, 300), HandOverResult::kNoFlag);
  EXPECT_LT(timer.elapsed(), 5000);
  EXPECT_FALSE(sender.ViewerAnswers());
}

TEST_F(SingleInstanceTest, StartupLockIsExclusiveAndDiesWithItsProcess) {
  QtSingleInstance first(dir_.Path());
  ASSERT_TRUE(first.AcquireStartupLock(1000));
  QtSingleInstance second(dir_.Path());
  EXPECT_FALSE(second.AcquireStartupLock(100));
  first.ReleaseStartupLock();
  EXPECT_TRUE(second.AcquireStartupLock(100));
  second.ReleaseStartupLock();

  // A process that holds the lock and listens, then is killed outright.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    QtSingleInstance doomed(dir_.Path());
    doomed.AcquireStartupLock(1000);
    doomed.Listen({});
    char c = 1;
    (void)!write(ready[1], &c, 1);
    for (;;) pause();
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);

  // The next start takes over at once: the lock is free and the stale socket is replaced.
  QtSingleInstance next(dir_.Path());
  QElapsedTimer timer;
  timer.start();
  EXPECT_TRUE(next.AcquireStartupLock(5000));
  EXPECT_FALSE(next.ViewerAnswers());
  EXPECT_TRUE(next.Listen({}));
  next.ReleaseStartupLock();
  EXPECT_LT(timer.elapsed(), 2000);
  const bool answers = WhileServing<bool>([&] {
    QtSingleInstance probe(dir_.Path());
    return probe.ViewerAnswers();
  });
  EXPECT_TRUE(answers);
}

}  // namespace
}  // namespace vr::platform
