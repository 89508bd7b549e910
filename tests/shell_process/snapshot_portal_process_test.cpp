// The real viewer taking screen snapshots through the desktop portal, as on Wayland: a stand-in
// portal on a private bus gives a file for the screen, refuses the next call, gives a file for a
// window picked in its interactive mode, then leaves the bus in the middle of a request.
#include <QImage>
#include <filesystem>

#include "shell_process/process_fixture.h"
#include "test_support/stand_in_portal.h"

namespace {

using namespace vr::process_testing;

// The saved snapshot of that number below the viewer's temporary folder; "" when there is none.
std::string FindSnapshot(const std::string& root, const std::string& name) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().filename() == name) return entry.path().string();
  }
  return "";
}

TEST_F(ViewerProcessTest, PortalSnapshotsAreSavedShownOrRefusedWithTheMessage) {
  const std::string missing = vr::test_support::StandInPortal::Missing();
  if (!missing.empty()) GTEST_SKIP() << "the stand-in portal needs " << missing;
  QImage screen(37, 21, QImage::Format_RGB32);
  screen.fill(qRgb(10, 200, 30));
  const std::string screen_file = dir_.File("portal-screen.png");
  ASSERT_TRUE(screen.save(QString::fromStdString(screen_file)));
  QImage window(15, 9, QImage::Format_RGB32);
  window.fill(qRgb(240, 20, 20));
  const std::string window_file = dir_.File("portal-window.png");
  ASSERT_TRUE(window.save(QString::fromStdString(window_file)));

  const char* source = std::getenv("VR_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "run through ctest, which gives VR_SOURCE_DIR";
  const std::string calls = dir_.File("portal.log");
  vr::test_support::StandInPortal portal(
      std::string(source) + "/tests/test_support/stand_in_portal.py", calls,
      {screen_file, "refuse", window_file, "vanish"});
  ASSERT_FALSE(portal.Address().empty());
  const std::string ui_log = dir_.File("ui.log");
  const pid_t viewer = StartViewer({Picture("first.bmp")},
                                   {"DBUS_SESSION_BUS_ADDRESS=" + portal.Address(),
                                    "VELDRIMON_SNAPSHOT_PORTAL=1", "VELDRIMON_UI_LOG=" + ui_log,
                                    // Yes to deleting this run's snapshots at the end.
                                    "VELDRIMON_UI_ANSWERS=1"});
  const std::string shot = dir_.File("shot.bmp");

  // The screen: the portal's file becomes the picture, saved as JPG (the format window closed).
  EXPECT_EQ(Command({"File|Snap Shots Functions|Snap Shot From Screen"}, viewer_state_, true),
            "ok\n");
  const std::string first = FindSnapshot(dir_.File("tmp"), "~SCREEN1.JPG");
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(QImage(QString::fromStdString(first)).size(), QSize(37, 21));
  EXPECT_EQ(Command({"!snapshot " + shot}, viewer_state_), "picture=37 21\n");

  // Refused: the message, nothing saved, the list's current file shown again.
  EXPECT_EQ(Command({"File|Snap Shots Functions|Snap Shot From Screen"}, viewer_state_, true),
            "ok\n");
  EXPECT_NE(ReadAll(ui_log).find(
                "|The desktop did not allow a screen snap shot. Nothing was saved."),
            std::string::npos)
      << ReadAll(ui_log);
  EXPECT_TRUE(FindSnapshot(dir_.File("tmp"), "~SCREEN2.JPG").empty());
  EXPECT_EQ(Command({"!snapshot " + shot}, viewer_state_), "picture=37 21\n");

  // A window: the portal's interactive mode, the next number.
  EXPECT_EQ(Command({"File|Snap Shots Functions|Snap Shot Of A Window"}, viewer_state_, true),
            "ok\n");
  const std::string second = FindSnapshot(dir_.File("tmp"), "~SCREEN2.JPG");
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(QImage(QString::fromStdString(second)).size(), QSize(15, 9));
  EXPECT_EQ(Command({"!snapshot " + shot}, viewer_state_), "picture=15 9\n");
  // The portal leaves the bus without answering, and then is not there at all: the message
  // each time, nothing saved.
  const std::string refused = "|The desktop did not allow a screen snap shot. Nothing was saved.";
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Command({"File|Snap Shots Functions|Snap Shot From Screen"}, viewer_state_, true),
              "ok\n");
  }
  const std::string said = ReadAll(ui_log);
  size_t times = 0;
  for (size_t at = said.find(refused); at != std::string::npos; at = said.find(refused, at + 1)) {
    ++times;
  }
  EXPECT_EQ(times, 3u) << said;
  EXPECT_TRUE(FindSnapshot(dir_.File("tmp"), "~SCREEN3.JPG").empty());
  EXPECT_EQ(ReadAll(calls),
            "interactive=False\ninteractive=False\ninteractive=True\ninteractive=False\n");
  Quit(viewer);
  EXPECT_FALSE(std::filesystem::exists(first));
  EXPECT_FALSE(std::filesystem::exists(second));
}

}  // namespace
