#include "shell/transforms/wallpaper.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "platform/path_rules.h"
#include "test_support/temp_dir.h"

namespace vr::transforms {
namespace {

using picture::PixelFormat;

// Records every request and answers from a script.
class FakeHost : public WallpaperHost {
 public:
  std::vector<std::string> calls;
  std::vector<bool> answers;  // for AskYesNo, in order
  SaveOutcome save_outcome{true, false, ""};
  bool run_ok = true;
  picture::Bitmap saved;
  std::string saved_path;
  std::vector<std::vector<std::string>> ran;

  void Inform(const std::string& text) override { calls.push_back("inform:" + text); }
  bool AskYesNo(const std::string& text) override {
    calls.push_back("ask:" + text);
    if (answers.empty()) return false;
    const bool a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  void ShowError(const std::string& text) override { calls.push_back("error:" + text); }
  int ScreenWidth() const override { return 64; }
  int ScreenHeight() const override { return 48; }
  SaveOutcome SaveBmp(const std::string& path, const picture::Bitmap& bitmap) override {
    calls.push_back("save:" + path);
    saved = bitmap;
    saved_path = path;
    return save_outcome;
  }
  bool Run(const std::vector<std::string>& argv) override {
    ran.push_back(argv);
    return run_ok;
  }
  void ShowWallpaperNotice() override { calls.push_back("notice"); }
};

picture::Bitmap Photo(int w, int h) {
  picture::Bitmap b;
  b.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x * 2);
      p[1] = static_cast<uint8_t>(y * 3);
      p[2] = static_cast<uint8_t>(x + y);
    }
  }
  return b;
}

DesktopFacts Gnome() {
  DesktopFacts facts;
  facts.environment = {{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}, {"WAYLAND_DISPLAY", "wayland-0"}};
  facts.programs = {"gsettings"};
  return facts;
}

TEST(Wallpaper, PictureAlreadyInWindowsFolderPointsTheDesktopAtThatFile) {
  test_support::TempDir windows;
  const std::string shown = windows.Write("old.bmp", {'B', 'M'});
  FakeHost host;
  const WallpaperOutcome out =
      MakeWallpaper(Photo(10, 10), shown, WallpaperStyle::kTile, windows.Path(), Gnome(), host);
  EXPECT_FALSE(out.file_written);
  EXPECT_TRUE(out.settings_written);
  EXPECT_EQ(host.calls, std::vector<std::string>{"notice"});
  ASSERT_EQ(host.ran.size(), 3u);
  // Never the wallpaper file's name: nothing was saved there.
  EXPECT_EQ(host.ran[0], (std::vector<std::string>{"gsettings", "set",
                                                   "org.gnome.desktop.background", "picture-uri",
                                                   "file://" + shown}));
  EXPECT_EQ(host.ran[2].back(), "wallpaper");
}

TEST(Wallpaper, AShownFileNoLongerThereOrAFolderOfOtherCaseIsSavedAsUsual) {
  test_support::TempDir windows;
  // The shown file was deleted after it was shown: the picture is saved and the desktop gets
  // the file that was made.
  FakeHost gone;
  WallpaperOutcome out = MakeWallpaper(Photo(10, 10), windows.File("gone.bmp"),
                                       WallpaperStyle::kTile, windows.Path(), Gnome(), gone);
  EXPECT_TRUE(out.file_written);
  EXPECT_EQ(gone.saved_path, WallpaperTarget(windows.Path()));
  ASSERT_FALSE(gone.ran.empty());
  EXPECT_EQ(gone.ran[0].back(), "file://" + WallpaperTarget(windows.Path()));

  // A folder that differs only in case is another folder where names keep their case.
  const std::string other_case = windows.Path() + "/SUB";
  windows.Write("sub/x.bmp", {'B', 'M'});
  windows.Write("SUB/x.bmp", {'B', 'M'});
  FakeHost host;
  out = MakeWallpaper(Photo(10, 10), other_case + "/x.bmp", WallpaperStyle::kTile,
                      windows.Path() + "/sub", Gnome(), host);
  EXPECT_TRUE(out.file_written);
  EXPECT_EQ(host.saved_path, windows.Path() + "/sub/Veldrimon_WallPaper.BMP");
}

TEST(Wallpaper, OtherPictureIsShrunkReducedAndSavedFirst) {
  FakeHost host;
  host.answers = {true, true};  // shrink first, then 256 colours
  const WallpaperOutcome out = MakeWallpaper(Photo(128, 48), "/pics/a.jpg", WallpaperStyle::kCentre,
                                             "/home/u/Veldrimon/", Gnome(), host);
  EXPECT_TRUE(out.file_written);
  ASSERT_EQ(host.calls.size(), 5u);
  EXPECT_EQ(host.calls[0],
            "inform:The current image displayed on your screen will be saved to the Windows "
            "folder as:\r\rVeldrimon_WallPaper.BMP\r\rand then designated as the Wall-Paper for "
            "your DeskTop!");
  EXPECT_NE(host.calls[1].find("The image's resolution is 128x48.\r\rIf you wish"),
            std::string::npos);
  EXPECT_EQ(host.calls[2], std::string("ask:") + kWallpaper256Question);
  EXPECT_EQ(host.calls[3], "save:/home/u/Veldrimon/Veldrimon_WallPaper.BMP");
  EXPECT_EQ(host.calls[4], "notice");
  // Fitted into the 64 x 48 screen, then 256 colours.
  EXPECT_EQ(host.saved.Width(), 64);
  EXPECT_EQ(host.saved.Height(), 24);
  EXPECT_EQ(host.saved.Format(), PixelFormat::k8);

  FakeHost stretch;
  MakeWallpaper(Photo(128, 48), "/pics/a.jpg", WallpaperStyle::kStretch, "/w", Gnome(), stretch);
  EXPECT_EQ(stretch.calls[1].rfind("ask:Even though you have selected SHRINK TO FIT", 0), 0u);
  EXPECT_EQ(stretch.saved.Width(), 128);  // answered No twice: saved as it was
  EXPECT_EQ(stretch.saved.Format(), PixelFormat::k24);
}

TEST(Wallpaper, SaveFailureShowsTheErrorAndWritesNoSettings) {
  FakeHost host;
  host.save_outcome = {false, false, "No space left on device"};
  const WallpaperOutcome out =
      MakeWallpaper(Photo(8, 8), "/pics/a.bmp", WallpaperStyle::kCentre, "/w", Gnome(), host);
  EXPECT_FALSE(out.file_written);
  EXPECT_FALSE(out.settings_written);
  EXPECT_TRUE(host.ran.empty());
  EXPECT_EQ(host.calls.back(),
            "error:No space left on device\rThe Windows folder may be full since the file can NOT "
            "be copied!");
  FakeHost exists;
  exists.save_outcome = {false, true, "File exists"};
  MakeWallpaper(Photo(8, 8), "/pics/a.bmp", WallpaperStyle::kCentre, "/w", Gnome(), exists);
  EXPECT_EQ(exists.calls.back(), "save:/w/Veldrimon_WallPaper.BMP");
  EXPECT_TRUE(exists.ran.empty());
}

TEST(WallpaperDesktop, MechanismChosenFromEnvironment) {
  const std::string path = "/home/u/it's here/Veldrimon_WallPaper.BMP";
  DesktopFacts facts;
  facts.environment = {{"DISPLAY", ":0"}, {"XDG_CURRENT_DESKTOP", "X-Cinnamon"}};
  facts.programs = {"gsettings", "feh"};
  WallpaperCommands c = ChooseWallpaperCommands(facts, WallpaperStyle::kStretch, path);
  ASSERT_TRUE(c.available);
  EXPECT_EQ(c.desktop, "Cinnamon");
  EXPECT_EQ(c.commands[0][4], "file:///home/u/it%27s%20here/Veldrimon_WallPaper.BMP");
  EXPECT_EQ(c.commands[1][4], "stretched");

  facts.environment["XDG_CURRENT_DESKTOP"] = "MATE";
  c = ChooseWallpaperCommands(facts, WallpaperStyle::kCentre, path);
  EXPECT_EQ(c.desktop, "MATE");
  EXPECT_EQ(c.commands[0][4], path);

  facts.environment["XDG_CURRENT_DESKTOP"] = "XFCE";
  facts.programs = {"xfconf-query", "sh"};
  c = ChooseWallpaperCommands(facts, WallpaperStyle::kTile, path);
  ASSERT_TRUE(c.available);
  ASSERT_EQ(c.commands.size(), 1u);
  EXPECT_EQ(c.commands[0][0], "sh");
  EXPECT_EQ(c.commands[0][4], path);  // passed as an argument, never inside the script
  EXPECT_EQ(c.commands[0][5], "2");
  EXPECT_EQ(c.commands[0][2].find(path), std::string::npos);

  facts.environment["XDG_CURRENT_DESKTOP"] = "KDE";
  facts.programs = {"qdbus"};
  c = ChooseWallpaperCommands(facts, WallpaperStyle::kTile, "/a\"b/Veldrimon_WallPaper.BMP");
  ASSERT_TRUE(c.available);
  EXPECT_EQ(c.commands[0][0], "qdbus");
  EXPECT_NE(c.commands[0][4].find("writeConfig(\"Image\", \"file:///a%22b/"), std::string::npos);
  EXPECT_NE(c.commands[0][4].find("\"FillMode\", 3"), std::string::npos);

  // A bare X session with feh; without feh nothing is available.
  facts.environment = {{"DISPLAY", ":0"}};
  facts.programs = {"feh"};
  c = ChooseWallpaperCommands(facts, WallpaperStyle::kCentre, path);
  EXPECT_EQ(c.commands,
            (std::vector<std::vector<std::string>>{{"feh", "--no-fehbg", "--bg-center", path}}));
  facts.programs.clear();
  EXPECT_FALSE(ChooseWallpaperCommands(facts, WallpaperStyle::kCentre, path).available);
  facts.environment.clear();
  facts.programs = {"feh", "gsettings"};
  c = ChooseWallpaperCommands(facts, WallpaperStyle::kCentre, path);
  EXPECT_FALSE(c.available);
  EXPECT_FALSE(c.reason.empty());

  // Unavailable desktop: the file is still made, nothing run, and instead of the refresh notice
  // a message says that this desktop offers no way to set it.
  FakeHost host;
  const WallpaperOutcome out =
      MakeWallpaper(Photo(8, 8), "/pics/a.bmp", WallpaperStyle::kCentre, "/w", facts, host);
  EXPECT_TRUE(out.file_written);
  EXPECT_FALSE(out.settings_written);
  EXPECT_TRUE(host.ran.empty());
  ASSERT_FALSE(host.calls.empty());
  EXPECT_EQ(host.calls.back(), "error:" + WallpaperUnavailableText(c.reason, WallpaperTarget("/w")));
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "notice"), 0);

  // A command the desktop refuses is reported, not passed off with the notice.
  FakeHost refused;
  refused.run_ok = false;
  const WallpaperOutcome failed =
      MakeWallpaper(Photo(8, 8), "/w/a.bmp", WallpaperStyle::kCentre, "/w", Gnome(), refused);
  EXPECT_FALSE(failed.settings_written);
  EXPECT_EQ(refused.calls.back(),
            std::string("error:") + kWallpaperCommandFailed + "\r\r" + WallpaperTarget("/w"));
  EXPECT_EQ(std::count(refused.calls.begin(), refused.calls.end(), "notice"), 0);
}

TEST(WallpaperDesktop, FactsOfThisProcessComeFromItsEnvironmentAndPath) {
  test_support::TempDir bin;
  const std::string feh = bin.WriteText("feh", "#!/bin/sh\n");
  ::chmod(feh.c_str(), 0755);
  bin.WriteText("gsettings", "not executable");
  const char* old_path = std::getenv("PATH");
  const std::string saved = old_path != nullptr ? old_path : "";
  ::setenv("PATH", bin.Path().c_str(), 1);
  ::setenv("DISPLAY", ":7", 1);
  const DesktopFacts facts = DesktopFactsFromProcess();
  ::setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(facts.programs, std::set<std::string>{"feh"});
  EXPECT_EQ(facts.environment.at("DISPLAY"), ":7");
}

TEST(WallpaperDesktop, TargetAndFolderComparison) {
  EXPECT_EQ(WallpaperTarget("/w"), "/w/Veldrimon_WallPaper.BMP");
  EXPECT_EQ(WallpaperTarget("/w/"), "/w/Veldrimon_WallPaper.BMP");
  EXPECT_TRUE(LiesInWindowsFolder("/w/x.bmp", "/w"));
  EXPECT_FALSE(LiesInWindowsFolder("/w/sub/x.bmp", "/w"));
  EXPECT_FALSE(LiesInWindowsFolder("/wx.bmp", "/w"));
  EXPECT_FALSE(LiesInWindowsFolder("x.bmp", "/w"));
  // Folders keep their case here; where names fold case they compare without it.
  EXPECT_FALSE(LiesInWindowsFolder("/W/x.bmp", "/w"));
  platform::SetPathCaseRule(platform::CaseRule::kFoldAscii);
  const bool folded = LiesInWindowsFolder("/W/x.bmp", "/w");
  platform::SetPathCaseRule(platform::CaseRule::kExact);
  EXPECT_TRUE(folded);
}

}  // namespace
}  // namespace vr::transforms
