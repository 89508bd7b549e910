// The web page wizard in the real viewer, opened from the main window's and the files list
// window's tool buttons and the menu entry: modal, with the viewer's other windows hidden meanwhile and back afterwards.
#include <filesystem>

#include "shell_process/process_fixture.h"

namespace {

using namespace vr::process_testing;

constexpr const char* kWizard = "Web Page Creation Wizard";

class WebProcessTest : public ViewerProcessTest {
 protected:
  std::string Do(const std::string& line) { return Command({line}, viewer_state_); }
  // The visible top-level windows once `ok` holds for them.
  std::string WaitWindows(const std::function<bool(const std::string&)>& ok) {
    std::string windows;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      windows.clear();
      for (const std::string& w : Values(Do("!list"), "window")) windows += w + "\n";
      if (ok(windows)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return windows;
  }
  static bool Has(const std::string& windows, const std::string& title) {
    return windows.find(title + "\n") != std::string::npos;
  }
};

TEST_F(WebProcessTest, FilesListWindowButtonAndEntryOpenTheWizard) {
  const std::string a = Picture("a.bmp");
  const pid_t viewer = StartViewer({a});
  ASSERT_EQ(Do("View|Files List Window"), "ok\n");
  ASSERT_TRUE(Has(WaitWindows([](const std::string& w) { return Has(w, "Files List Window"); }),
                  "Files List Window"));

  // The tool button: the wizard opens with the files list window hidden, and Cancel on its first
  // panel brings the window back.
  ASSERT_EQ(Do("!click Files List Window|Web Pages"), "ok\n");
  ASSERT_TRUE(WaitModal(kWizard));
  const std::string during = WaitWindows([](const std::string& w) { return Has(w, kWizard); });
  EXPECT_TRUE(Has(during, kWizard)) << during;
  EXPECT_FALSE(Has(during, "Files List Window")) << during;
  ASSERT_EQ(Do("!reject"), "ok\n");
  const std::string after = WaitWindows(
      [](const std::string& w) { return !Has(w, kWizard) && Has(w, "Files List Window"); });
  EXPECT_FALSE(Has(after, kWizard)) << after;
  EXPECT_TRUE(Has(after, "Files List Window")) << after;

  // The menu entry runs the wizard inside its batch; the modal window is cancelled for it.
  bool answered = false;
  std::string modal;
  EXPECT_EQ(Command({"@list|View|Make Web Pages From Files..."}, viewer_state_, true, &answered,
                    &modal),
            "ok\n");
  EXPECT_TRUE(answered);
  EXPECT_EQ(modal, std::string(kWizard) + "\n");
  Quit(viewer);
}

TEST_F(WebProcessTest, MainWindowButtonOpensTheWizardWithTheViewerHidden) {
  const pid_t viewer = StartViewer({Picture("a.bmp")});
  const std::vector<std::string> before = Values(Do("!list"), "window");
  ASSERT_EQ(before.size(), 1u);
  const std::string main_window = before.front();
  ASSERT_EQ(Do("!click " + main_window + "|Web Pages"), "ok\n");
  ASSERT_TRUE(WaitModal(kWizard));
  // Only the wizard is up meanwhile; the viewer comes back when it is cancelled.
  const std::string only_wizard = std::string(kWizard) + "\n";
  const std::string during =
      WaitWindows([&](const std::string& w) { return w == only_wizard; });
  EXPECT_EQ(during, only_wizard);
  ASSERT_EQ(Do("!reject"), "ok\n");
  const std::string after =
      WaitWindows([&](const std::string& w) { return w == main_window + "\n"; });
  EXPECT_EQ(after, main_window + "\n");
  Quit(viewer);
}

}  // namespace
