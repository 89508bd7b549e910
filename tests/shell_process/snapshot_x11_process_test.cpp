// The real viewer on a private X server (Xvfb): "Snap Shot Of A Window" shows a still of the
// screen, the test clicks its own window of known colour and place with xdotool, and the saved
// snapshot is that window; Escape on the still takes nothing.
#include <QImage>
#include <cstdlib>
#include <filesystem>

#include "shell_process/process_fixture.h"

#if VR_TEST_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace {

using namespace vr::process_testing;

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// Runs a program to its end; gives its exit code (-1 when it could not run).
int RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env_text) {
  std::vector<std::string> a = args;
  std::vector<char*> argv;
  for (std::string& s : a) argv.push_back(s.data());
  argv.push_back(nullptr);
  std::vector<std::string> e = env_text;
  std::vector<char*> env;
  for (std::string& s : e) env.push_back(s.data());
  env.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), env.data()) != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An X server of its own: Xvfb picks a free display number and writes it to a pipe once it takes
// connections.
class XServer {
 public:
  XServer() {
    int fds[2];
    if (::pipe(fds) != 0) return;
    std::vector<std::string> args = {"Xvfb",     "-displayfd", std::to_string(fds[1]), "-screen",
                                     "0",        "800x600x24", "-nolisten",            "tcp"};
    std::vector<char*> argv;
    for (std::string& s : args) argv.push_back(s.data());
    argv.push_back(nullptr);
    const bool started = ::posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv.data(), environ) == 0;
    ::close(fds[1]);
    std::string number;
    char c = 0;
    // Ends on the number's newline, or at once when the server dies (the pipe closes).
    while (started && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (!started) pid_ = -1;
    if (!number.empty()) display_ = ":" + number;
  }
  ~XServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

#if VR_TEST_HAVE_XCB
// A plain top-level window filled with one colour, through a connection of the test's own.
class ColourWindow {
 public:
  ColourWindow(const std::string& display, int x, int y, int width, int height, uint32_t rgb) {
    c_ = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c_) != 0) return;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    const xcb_window_t window = xcb_generate_id(c_);
    const uint32_t values[] = {rgb};  // a 24-bit true-colour pixel
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, window, screen->root, static_cast<int16_t>(x),
                      static_cast<int16_t>(y), static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL, values);
    xcb_map_window(c_, window);
    // A round trip: the server has mapped the window when the answer comes.
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    ok_ = true;
  }
  ~ColourWindow() { xcb_disconnect(c_); }
  bool ok() const { return ok_; }

 private:
  xcb_connection_t* c_ = nullptr;
  bool ok_ = false;
};
#endif

std::string FindSnapshot(const std::string& root, const std::string& name) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().filename() == name) return entry.path().string();
  }
  return "";
}

TEST_F(ViewerProcessTest, X11WindowSnapshotSavesTheClickedWindowAndEscapeTakesNothing) {
#if !VR_TEST_HAVE_XCB
  GTEST_SKIP() << "this test puts its window up through xcb (libxcb1-dev)";
#else
  if (!OnPath("Xvfb") || !OnPath("xdotool")) {
    GTEST_SKIP() << "the X11 window snapshot test needs Xvfb and xdotool (xvfb, xdotool)";
  }
  XServer x;
  ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
  const std::string ui_log = dir_.File("ui.log");
  const pid_t viewer =
      StartViewer({Picture("first.bmp")},
                  {"QT_QPA_PLATFORM=xcb", "DISPLAY=" + x.display(), "VELDRIMON_UI_LOG=" + ui_log,
                   "VELDRIMON_SNAPSHOT_PORTAL=0", "VELDRIMON_UI_ANSWERS=1"});
  // Put up after the viewer, so it lies above its main window.
  ColourWindow red(x.display(), 420, 310, 150, 90, 0xC81E28);
  ASSERT_TRUE(red.ok());
  const std::vector<std::string> x_env = {"DISPLAY=" + x.display(),
                                          "PATH=" + std::string(std::getenv("PATH"))};
  const std::string cmd = viewer_state_ + ".cmd";
  // The answer to a batch written by hand (one that a nested batch answers first).
  auto answer_to = [&](const std::string& batch) {
    std::string block;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!Answer(ReadAll(cmd + ".done"), batch, &block) && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return block;
  };

  // The entry is on here; the still comes up, a click on the red window takes it.
  std::string batch = "#" + std::to_string(++batch_);
  WriteAside(cmd, batch + "\nFile|Snap Shots Functions|Snap Shot Of A Window\n");
  ASSERT_TRUE(WaitModal("Click The Window To Snap (Esc Cancels)"));
  ASSERT_EQ(RunProgram({"xdotool", "mousemove", "500", "350", "click", "1"}, x_env), 0);
  ASSERT_TRUE(WaitModal("Pick a format to save the SCREEN Snap Shot"));
  EXPECT_EQ(Command({"!reject"}, viewer_state_), "ok\n");  // closed: saved as JPG
  EXPECT_EQ(answer_to(batch), "ok\n");
  const std::string saved = FindSnapshot(dir_.File("tmp"), "~SCREEN1.JPG");
  ASSERT_FALSE(saved.empty()) << ReadAll(ui_log);
  const QImage shot(QString::fromStdString(saved));
  EXPECT_EQ(shot.size(), QSize(150, 90));
  for (const QPoint at : {QPoint(3, 3), QPoint(75, 45), QPoint(146, 86)}) {
    const QRgb pixel = shot.pixel(at);
    EXPECT_NEAR(qRed(pixel), 0xC8, 12) << at.x() << "," << at.y();
    EXPECT_NEAR(qGreen(pixel), 0x1E, 12) << at.x() << "," << at.y();
    EXPECT_NEAR(qBlue(pixel), 0x28, 12) << at.x() << "," << at.y();
  }
  const std::string shown = dir_.File("shown.bmp");
  EXPECT_EQ(Command({"!snapshot " + shown}, viewer_state_), "picture=150 90\n");

  // Escape on the still: nothing saved, nothing said.
  batch = "#" + std::to_string(++batch_);
  WriteAside(cmd, batch + "\nFile|Snap Shots Functions|Snap Shot Of A Window\n");
  ASSERT_TRUE(WaitModal("Click The Window To Snap (Esc Cancels)"));
  ASSERT_EQ(RunProgram({"xdotool", "key", "Escape"}, x_env), 0);
  EXPECT_EQ(answer_to(batch), "ok\n");
  EXPECT_TRUE(FindSnapshot(dir_.File("tmp"), "~SCREEN2.JPG").empty());
  EXPECT_EQ(ReadAll(ui_log).find("did not allow"), std::string::npos) << ReadAll(ui_log);
  Quit(viewer);
#endif
}

}  // namespace
