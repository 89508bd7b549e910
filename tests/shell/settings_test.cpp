// The settings file: defaults, the full round trip, the recent lists, "/INI:", clear history,
// the version check, the update reminder and un-install.
#include "shell/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fakes/fake_services.h"
#include "platform/profile_file.h"
#include "shell/install.h"
#include "test_support/temp_dir.h"

namespace vr::shell {
namespace {

using platform::Answer;
using platform::ProfileFile;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(SettingsDefaults, NoFileGivesTheTableDefaults) {
  test_support::TempDir dir;
  const Settings s = ReadSettings(dir.File("VELDR.INI"));
  EXPECT_EQ(s.recent_folders[0], "(Entry Not Used Yet)");
  EXPECT_EQ(s.recent_files[24], "(Entry Not Used Yet)");
  EXPECT_EQ(s.tag_copy[14], "C:\\");
  EXPECT_EQ(s.tag_move[0], "C:\\");
  EXPECT_EQ(s.multi_load, 1);
  EXPECT_TRUE(s.display_path);
  EXPECT_FALSE(s.include_folders);
  EXPECT_TRUE(s.sound);
  EXPECT_FALSE(s.play_wav);
  EXPECT_TRUE(s.installed);
  EXPECT_EQ(s.setup, "NO");
  EXPECT_EQ(s.version, "Veldrimon 2.1.3");
  EXPECT_EQ(s.date_update_shown, 0);
  EXPECT_TRUE(s.auto_dock);
  EXPECT_FALSE(s.dock_top);
  EXPECT_TRUE(s.dock_bottom);
  EXPECT_FALSE(s.dock_right);
  EXPECT_EQ(s.slide_delay, 1);
  EXPECT_TRUE(s.slide_full_screen);
  EXPECT_EQ(s.slide_full_screen_type, 2);
  EXPECT_TRUE(s.slide_continuous);
  EXPECT_FALSE(s.slide_random);
  EXPECT_EQ(s.slide_start_at_top, 0);
  EXPECT_EQ(s.slide_loop_times, 1);
  EXPECT_TRUE(s.slide_wav_wait);
  EXPECT_EQ(s.web[0], "");
  EXPECT_EQ(s.print_rows, 3);
  EXPECT_EQ(s.print_style, 3);
  EXPECT_EQ(s.editors[4], "");
  EXPECT_TRUE(s.editor_quoted[0]);
  EXPECT_EQ(s.type_editors[0], "[0] .AVI");
  EXPECT_EQ(s.type_editors[1], "[1] .BMP");
  EXPECT_EQ(s.type_editors[6], "[1] .GIF");
  EXPECT_EQ(s.type_editors[9], "[1] .JPEG");
  EXPECT_EQ(s.type_editors[18], "[0] .PNG");
  EXPECT_EQ(s.database_name, "LSNOTES");
  EXPECT_EQ(s.thumb_width, 64);
  EXPECT_EQ(s.thumb_height, 64);
  EXPECT_EQ(s.checkbox_width, 14);
  EXPECT_EQ(s.checkbox_height, 14);
  EXPECT_EQ(s.checkbox_margin_top, 2);
  EXPECT_EQ(s.checkbox_margin_left, 3);
}

TEST(SettingsRoundTrip, EveryWrittenKeyReadsBack) {
  test_support::TempDir dir;
  const std::string path = dir.File("VELDR.INI");
  Settings s;
  for (int i = 0; i < kRecentCount; ++i) {
    s.recent_folders[i] = "/F" + std::to_string(i) + "/";
    s.recent_files[i] = "/F/" + std::to_string(i) + ".GIF";
  }
  for (int i = 0; i < kTagFolderCount; ++i) {
    s.tag_copy[i] = "/copy" + std::to_string(i);
    s.tag_move[i] = "/move" + std::to_string(i);
  }
  s.display_path = false;
  s.include_folders = true;
  s.sound = false;
  s.play_wav = true;
  s.auto_dock = false;
  s.dock_top = true;
  s.dock_bottom = false;
  s.dock_right = true;
  s.slide_delay = 7;
  s.slide_full_screen = false;
  s.slide_full_screen_type = 0;
  s.slide_continuous = false;
  s.slide_random = true;
  s.slide_start_at_top = 1;
  s.slide_loop_times = 9;
  s.slide_wav_wait = false;
  for (size_t i = 0; i < s.web.size(); ++i) s.web[i] = "web" + std::to_string(i);
  s.print_rows = 5;
  s.print_style = 2;  // shapes are 0-3
  s.database_name = "MYNOTES";
  s.thumb_width = 100;
  s.thumb_height = 80;
  s.checkbox_width = 20;
  s.checkbox_height = 21;
  s.checkbox_margin_top = 4;
  s.checkbox_margin_left = 5;
  ASSERT_TRUE(WriteSettings(path, s));

  const Settings r = ReadSettings(path);
  EXPECT_EQ(r.recent_folders, s.recent_folders);
  EXPECT_EQ(r.recent_files, s.recent_files);
  EXPECT_EQ(r.tag_copy, s.tag_copy);
  EXPECT_EQ(r.tag_move, s.tag_move);
  EXPECT_FALSE(r.display_path);
  EXPECT_TRUE(r.include_folders);
  EXPECT_FALSE(r.sound);
  EXPECT_TRUE(r.play_wav);
  EXPECT_EQ(r.setup, "YES");  // written as done
  EXPECT_EQ(r.version, "Veldrimon 2.1.3");
  EXPECT_FALSE(r.auto_dock);
  EXPECT_TRUE(r.dock_top);
  EXPECT_FALSE(r.dock_bottom);
  EXPECT_TRUE(r.dock_right);
  EXPECT_EQ(r.slide_delay, 7);
  EXPECT_FALSE(r.slide_full_screen);
  EXPECT_EQ(r.slide_full_screen_type, 0);
  EXPECT_FALSE(r.slide_continuous);
  EXPECT_TRUE(r.slide_random);
  EXPECT_EQ(r.slide_start_at_top, 1);
  EXPECT_EQ(r.slide_loop_times, 9);
  EXPECT_FALSE(r.slide_wav_wait);
  EXPECT_EQ(r.web, s.web);
  EXPECT_EQ(r.print_rows, 5);
  EXPECT_EQ(r.print_style, 2);
  EXPECT_EQ(r.database_name, "MYNOTES");
  EXPECT_EQ(r.thumb_width, 100);
  EXPECT_EQ(r.thumb_height, 80);
  EXPECT_EQ(r.checkbox_width, 20);
  EXPECT_EQ(r.checkbox_height, 21);
  EXPECT_EQ(r.checkbox_margin_top, 4);
  EXPECT_EQ(r.checkbox_margin_left, 5);

  // The 16-bit values are written unsigned; booleans as 1 and 0; the slide key keeps its blank.
  const ProfileFile f(path);
  EXPECT_EQ(f.ReadString("Catalog", "PrintStyle", ""), "2");
  EXPECT_EQ(f.ReadString("General", "DisplayPath", ""), "0");
  EXPECT_EQ(f.ReadString("General", "Sound", ""), "0");
  EXPECT_EQ(f.ReadString("SlideShow", "WAV WAIT", ""), "0");
}

TEST(SettingsRoundTrip, WriteAllLeavesMultiLoadUpdateDayAndEditorsAlone) {
  test_support::TempDir dir;
  const std::string path = dir.WriteText(
      "VELDR.INI",
      "[General]\nMultiLoad=2\nDate_UpdateMessageShown=44000\n[Editors]\nEditor#1=/usr/bin/gimp\n"
      "Type:.GIF=3\n[Other]\nKeep=me\n");
  Settings s;
  s.multi_load = 0;
  s.date_update_shown = 1;
  s.editors[0] = "changed";
  ASSERT_TRUE(WriteSettings(path, s));
  const ProfileFile f(path);
  EXPECT_EQ(f.ReadInteger("General", "MultiLoad", -1), 2);
  EXPECT_EQ(f.ReadInteger("General", "Date_UpdateMessageShown", -1), 44000);
  EXPECT_EQ(f.ReadString("Editors", "Editor#1", ""), "/usr/bin/gimp");
  EXPECT_EQ(f.ReadString("Other", "Keep", ""), "me");
  const Settings r = ReadSettings(path);
  EXPECT_EQ(r.type_editors[6], "[3] .GIF");
  EXPECT_EQ(r.editors[0], "/usr/bin/gimp");
}

TEST(SettingsRoundTrip, FreshFileIsCompleteIncludingEditors) {
  test_support::TempDir dir;
  const std::string path = dir.File("VELDR.INI");
  ASSERT_TRUE(WriteSettings(path, Settings()));
  const ProfileFile f(path);
  for (const char* section : {"Recent List", "Tagged Operations", "General", "Albums", "SlideShow",
                              "WebFolders", "Catalog", "Editors", "Special"}) {
    EXPECT_TRUE(f.SectionExists(section)) << section;
  }
  EXPECT_EQ(f.SectionKeys("Recent List").size(), 50u);
  EXPECT_EQ(f.SectionKeys("Tagged Operations").size(), 30u);
  EXPECT_EQ(f.SectionKeys("WebFolders").size(), 9u);
  EXPECT_EQ(f.SectionKeys("Editors").size(), 10u + 23u);
  EXPECT_EQ(f.ReadString("Editors", "Type:.JPE", ""), "1");
  EXPECT_EQ(f.ReadString("Editors", "Type:.TARGA", ""), "0");
}

TEST(SettingsRead, BadValuesFallBackToDefaults) {
  test_support::TempDir dir;
  const std::string path = dir.WriteText("VELDR.INI",
                                         "[general]\nmultiload=7\nSound=abc\n[SlideShow]\nDelay="
                                         "99999999999\n[Catalog]\nPrintRows=70000\n"
                                         "[Editors]\nType:.GIF=9\n");
  const Settings s = ReadSettings(path);
  EXPECT_EQ(s.multi_load, 1);  // unknown mode counts as NO
  EXPECT_TRUE(s.sound);
  EXPECT_EQ(s.slide_delay, 1);
  EXPECT_EQ(s.print_rows, 20);  // 70000 & 0xFFFF, kept to the 1-20 rows a page can take
  const Settings zero = ReadSettings(
      dir.WriteText("ZERO.INI", "[Catalog]\nPrintRows=0\nPrintStyle=9\n"));
  EXPECT_EQ(zero.print_rows, 1);
  EXPECT_EQ(zero.print_style, 3);
  EXPECT_EQ(s.type_editors[6], "[1] .GIF");
  EXPECT_EQ(ReadMultiLoad(path), 1);
}

TEST(SettingsRead, SlideShowValuesOutOfTheirRangesAreClamped) {
  test_support::TempDir dir;
  const std::string high = dir.WriteText(
      "HIGH.INI",
      "[SlideShow]\nDelay=5000\nFullScreenType=9\nStartAtTop=3\nLoopTimes=101\n");
  const Settings h = ReadSettings(high);
  EXPECT_EQ(h.slide_delay, 999);
  EXPECT_EQ(h.slide_full_screen_type, 2);
  EXPECT_EQ(h.slide_start_at_top, 2);
  EXPECT_EQ(h.slide_loop_times, 100);
  const std::string low = dir.WriteText(
      "LOW.INI", "[SlideShow]\nDelay=-4\nFullScreenType=-1\nStartAtTop=-2\nLoopTimes=0\n");
  const Settings l = ReadSettings(low);
  EXPECT_EQ(l.slide_delay, 0);
  EXPECT_EQ(l.slide_full_screen_type, 0);
  EXPECT_EQ(l.slide_start_at_top, 0);
  EXPECT_EQ(l.slide_loop_times, 1);
}

TEST(MultiLoad, WrittenAtOnceAndReadBack) {
  test_support::TempDir dir;
  const std::string path = dir.File("VELDR.INI");
  EXPECT_EQ(ReadMultiLoad(path), 1);
  WriteMultiLoad(path, 2);
  EXPECT_EQ(ReadMultiLoad(path), 2);
  WriteMultiLoad(path, 0);
  EXPECT_EQ(ReadMultiLoad(path), 0);
}

TEST(IniSwitch, NameKeepsItsCaseAndIsRelativeToTheProgramFolder) {
  EXPECT_EQ(SettingsFileName({}), "VELDR.INI");
  EXPECT_EQ(SettingsFileName({"a.gif", "/ini:other.ini"}), "other.ini");
  EXPECT_EQ(SettingsFileName({"/InI:x.ini", "/INI:Second.ini"}), "Second.ini");
  EXPECT_EQ(SettingsFileName({"/INI:"}), "VELDR.INI");
  EXPECT_TRUE(IsIniSwitch("/ini:x"));
  EXPECT_FALSE(IsIniSwitch("/in"));
  // The command line's files and folders leave out the switch (in any case) and empty arguments.
  EXPECT_EQ(CommandLinePaths({"a.gif", "", "/Ini:o.ini", "/pics", "/in"}),
            (std::vector<std::string>{"a.gif", "/pics", "/in"}));
  EXPECT_EQ(SettingsPath("/prog", "OTHER.INI"), "/prog/OTHER.INI");
  EXPECT_EQ(SettingsPath("/prog/", "/etc/X.INI"), "/prog/etc/X.INI");
}

TEST(RecentLists, FolderAlreadyThirdMovesToTopOthersKeepOrder) {
  RecentList list;
  for (int i = 0; i < kRecentCount; ++i) list[i] = "/F" + std::to_string(i) + "/";
  PushRecent(list, "/F2/");
  EXPECT_EQ(list[0], "/F2/");
  EXPECT_EQ(list[1], "/F0/");
  EXPECT_EQ(list[2], "/F1/");
  EXPECT_EQ(list[3], "/F3/");
  EXPECT_EQ(list[24], "/F24/");
}

TEST(RecentLists, EntriesKeepTheirCaseAndMatchByThePathRule) {
  RecentList list;
  for (int i = 0; i < kRecentCount; ++i) list[i] = "/F" + std::to_string(i) + "/";
  // Where names keep their case "/f2/" is another folder than "/F2/": it goes in as given.
  PushRecent(list, "/f2/");
  EXPECT_EQ(list[0], "/f2/");
  EXPECT_EQ(list[1], "/F0/");
  EXPECT_EQ(list[3], "/F2/");
  EXPECT_EQ(list[24], "/F23/");
  // Where names fold case the same entry is found and moved up, in the case now given.
  platform::SetPathCaseRule(platform::CaseRule::kFoldAscii);
  PushRecent(list, "/f0/");
  platform::SetPathCaseRule(platform::CaseRule::kExact);
  EXPECT_EQ(list[0], "/f0/");
  EXPECT_EQ(list[1], "/f2/");
  EXPECT_EQ(list[2], "/F1/");
  EXPECT_EQ(list[24], "/F23/");
}

TEST(RecentLists, NewEntryPushesTheLastOut) {
  RecentList list;
  for (int i = 0; i < kRecentCount; ++i) list[i] = "/F" + std::to_string(i) + "/";
  PushRecent(list, "/new/");
  EXPECT_EQ(list[0], "/new/");
  EXPECT_EQ(list[1], "/F0/");
  EXPECT_EQ(list[24], "/F23/");
}

TEST(RecentLists, PlusPickRecordsTheFolderOnly) {
  Settings s;
  RememberLoad(s, "/Pics/+");
  EXPECT_EQ(s.recent_folders[0], "/Pics/");
  EXPECT_EQ(s.recent_files[0], "(Entry Not Used Yet)");
  RememberLoad(s, "/Pics/a.Gif");
  EXPECT_EQ(s.recent_folders[0], "/Pics/");
  EXPECT_EQ(s.recent_folders[1], "(Entry Not Used Yet)");
  EXPECT_EQ(s.recent_files[0], "/Pics/a.Gif");
}

TEST(RecentLists, UnusedEntryTestLooksAtTheFirst19Characters) {
  EXPECT_TRUE(IsUnusedEntry("(Entry Not Used Yet)"));
  EXPECT_TRUE(IsUnusedEntry("(ENTRY NOT USED YET"));
  EXPECT_FALSE(IsUnusedEntry("(Entry Not Used"));
  EXPECT_FALSE(IsUnusedEntry("/PICS/"));
}

TEST(ClearHistory, YesResetsListsTagFoldersAndMoveList) {
  test_support::TempDir dir;
  fakes::FakeServices services(dir.Path(), dir.Path());
  const std::string path = dir.File("VELDR.INI");
  Settings s;
  s.recent_folders[3] = "/SECRET/";
  s.recent_files[0] = "/SECRET/A.GIF";
  s.tag_copy[2] = "/backup";
  WriteSettings(path, s);
  {
    ProfileFile f(path);
    f.WriteString("Recent List", "MoveList_4", "/old");
    f.Flush();
  }
  services.ui.QueueAnswer(Answer::kNo);
  EXPECT_FALSE(ClearHistory(services.ui, s, path));
  EXPECT_EQ(s.recent_folders[3], "/SECRET/");

  services.ui.QueueAnswer(Answer::kYes);
  EXPECT_TRUE(ClearHistory(services.ui, s, path));
  EXPECT_EQ(services.ui.last().text, kClearHistoryText);
  EXPECT_EQ(services.ui.last().kind, platform::MessageKind::kInformation);
  EXPECT_EQ(s.recent_folders[3], "(Entry Not Used Yet)");
  EXPECT_EQ(s.tag_copy[2], "C:\\");
  const Settings r = ReadSettings(path);
  EXPECT_EQ(r.recent_folders[3], "(Entry Not Used Yet)");
  EXPECT_EQ(r.recent_files[0], "(Entry Not Used Yet)");
  EXPECT_EQ(r.tag_copy[2], "C:\\");
  EXPECT_EQ(ProfileFile(path).ReadString("Recent List", "MoveList_4", ""), "C:\\");
  EXPECT_EQ(ProfileFile(path).ReadString("Recent List", "MoveList_14", ""), "C:\\");
}

TEST(VersionCheck, UpgradeNoticeRule) {
  EXPECT_FALSE(NeedsUpgradeNotice(true, "Veldrimon 2.1.3", "UNINSTALLED"));
  EXPECT_FALSE(NeedsUpgradeNotice(true, "Veldrimon 2.1.3", "Veldrimon 2.1.3"));
  EXPECT_TRUE(NeedsUpgradeNotice(true, "Veld Rimon 1.8.5", "UNINSTALLED"));
  EXPECT_TRUE(NeedsUpgradeNotice(true, "Veldrimon 2.1.3", "Veld Rimon 1.7"));
  EXPECT_FALSE(NeedsUpgradeNotice(false, "Veld Rimon 1.8.5", "UNINSTALLED"));
  EXPECT_FALSE(NeedsUpgradeNotice(true, "Someone Else 9", "Other 1"));
}

class InstallTest : public ::testing::Test {
 protected:
  InstallTest() : services_(dir_.Path(), dir_.Path()) {
    registrar_ = std::make_unique<FileTypeRegistrar>(services_.shell, dir_.File("data"),
                                                     "/opt/veldrimon/veldrimon");
  }
  test_support::TempDir dir_;
  fakes::FakeServices services_;
  std::unique_ptr<FileTypeRegistrar> registrar_;
  std::string path_ = dir_.File("VELDR.INI");
};

TEST_F(InstallTest, OlderVersionShowsUpgradeNoticeOnceAndRegisters) {
  dir_.WriteText("VELDR.INI", "[General]\nVersion=Veld Rimon 1.8.5\nSetup=YES\nSound=0\n");
  Settings s = ReadSettings(path_);
  services_.sounds.SetEnabled(false);
  EXPECT_TRUE(RunVersionCheck(services_.ui, &services_.sounds, registrar_.get(), path_, s));
  ASSERT_EQ(services_.ui.calls().size(), 1u);
  EXPECT_EQ(services_.ui.last().text, kUpgradeText);
  EXPECT_TRUE(services_.sounds.Enabled());
  EXPECT_TRUE(s.sound);
  EXPECT_EQ(s.setup, "NO");
  EXPECT_TRUE(std::filesystem::exists(registrar_->DesktopFilePath()));
  ASSERT_FALSE(services_.shell.requests().empty());
  EXPECT_EQ(services_.shell.requests().back().target, "xdg-mime");
  EXPECT_EQ(services_.shell.requests().back().args[0], "default");
  EXPECT_EQ(services_.shell.requests().back().args[1], "veldrimon.desktop");
  EXPECT_EQ(ReadRegistrationVersion(path_), "Veldrimon 2.1.3");

  // The shutdown writes the current version; the next run is quiet.
  WriteSettings(path_, s);
  Settings next = ReadSettings(path_);
  services_.ui.Clear();
  EXPECT_FALSE(RunVersionCheck(services_.ui, &services_.sounds, registrar_.get(), path_, next));
  EXPECT_TRUE(services_.ui.calls().empty());
}

TEST_F(InstallTest, FirstRunAsksForSetupWithoutNotice) {
  Settings s = ReadSettings(path_);
  EXPECT_TRUE(RunVersionCheck(services_.ui, &services_.sounds, registrar_.get(), path_, s));
  EXPECT_TRUE(services_.ui.calls().empty());
  EXPECT_TRUE(services_.shell.requests().empty());
}

TEST_F(InstallTest, DesktopFileNamesTheProgramAndPictureTypes) {
  const std::string text = registrar_->DesktopFileText();
  EXPECT_NE(text.find("Exec=\"/opt/veldrimon/veldrimon\" %F"), std::string::npos);
  EXPECT_NE(text.find("image/jpeg;"), std::string::npos);
  EXPECT_NE(text.find("image/gif;"), std::string::npos);
  ASSERT_TRUE(registrar_->Register({}));
  EXPECT_EQ(ReadAll(registrar_->DesktopFilePath()), text);
  EXPECT_TRUE(services_.shell.requests().empty());  // no types, no xdg-mime call
  EXPECT_TRUE(registrar_->Unregister());
  EXPECT_FALSE(std::filesystem::exists(registrar_->DesktopFilePath()));
}

TEST_F(InstallTest, UpdateReminderNeverOnFirstRunThenAfter30Days) {
  Settings s;
  RunUpdateReminder(services_.ui, services_.shell, path_, s, 45000);
  EXPECT_TRUE(services_.ui.calls().empty());
  EXPECT_EQ(ProfileFile(path_).ReadInteger("General", "Date_UpdateMessageShown", 0), 45000);

  RunUpdateReminder(services_.ui, services_.shell, path_, s, 45029);
  EXPECT_TRUE(services_.ui.calls().empty());

  services_.ui.QueueChoice(1);
  RunUpdateReminder(services_.ui, services_.shell, path_, s, 45030);
  ASSERT_EQ(services_.ui.calls().size(), 1u);
  EXPECT_EQ(services_.ui.last().text, kUpdateQuestion);
  EXPECT_EQ(services_.ui.last().captions,
            (std::vector<std::string>{"+Check NOW", "-Check Next Month"}));
  ASSERT_EQ(services_.shell.requests().size(), 1u);
  EXPECT_EQ(services_.shell.requests()[0].type, fakes::FakeShell::Request::Type::kOpenUrl);
  EXPECT_EQ(ProfileFile(path_).ReadInteger("General", "Date_UpdateMessageShown", 0), 45030);

  services_.ui.QueueChoice(2);
  RunUpdateReminder(services_.ui, services_.shell, path_, s, 45100);
  EXPECT_EQ(services_.shell.requests().size(), 1u);  // "Next Month" opens nothing
  EXPECT_EQ(s.date_update_shown, 45100);
}

TEST_F(InstallTest, UninstallRemovesFilesAndMarksNotInstalled) {
  dir_.WriteText("README.TXT", "x");
  dir_.WriteText("EOFLIST.WAV", "x");
  dir_.WriteText("KEEP.GIF", "x");
  ASSERT_TRUE(registrar_->Register({}));
  Settings s;
  services_.ui.QueueAnswer(Answer::kNo);
  EXPECT_FALSE(Uninstall(services_.ui, registrar_.get(), dir_.Path(), path_, "VELDR.INI", s));
  EXPECT_TRUE(std::filesystem::exists(dir_.File("README.TXT")));

  services_.ui.QueueAnswer(Answer::kYes);
  EXPECT_TRUE(Uninstall(services_.ui, registrar_.get(), dir_.Path(), path_, "VELDR.INI", s));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("README.TXT")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("EOFLIST.WAV")));
  EXPECT_TRUE(std::filesystem::exists(dir_.File("KEEP.GIF")));
  EXPECT_FALSE(std::filesystem::exists(registrar_->DesktopFilePath()));
  EXPECT_FALSE(s.installed);
  const Settings r = ReadSettings(path_);
  EXPECT_FALSE(r.installed);
  EXPECT_EQ(r.setup, "NO");
  EXPECT_EQ(ReadRegistrationVersion(path_), "UNINSTALLED");
  EXPECT_EQ(services_.ui.last().text,
            "UN-Install is complete. You MUST use a NEWER version of Veld Rimon or remove the "
            "VELDR.INI file in order to run Veld Rimon again!");
  // A later run does not take the un-installed file for an upgrade.
  EXPECT_FALSE(NeedsUpgradeNotice(r.installed, r.version, "UNINSTALLED"));
}

TEST(DayNumber, CountsFrom18991230) {
  // 1970-01-01 12:00 UTC is day 25569 in any time zone within +-11 hours.
  EXPECT_EQ(DayNumber(12 * 3600), 25569);
  EXPECT_EQ(DayNumber(12 * 3600 + 86400 * 366), 25569 + 366);
}

TEST(SettingsColourAndWallpaper, DefaultsRoundTripAndBadStyle) {
  test_support::TempDir dir;
  const std::string path = dir.File("VELDR.INI");
  const Settings defaults = ReadSettings(path);
  EXPECT_TRUE(defaults.dither);
  EXPECT_TRUE(defaults.show_dither_progress);
  EXPECT_EQ(defaults.true_colour_on_256, 0);
  EXPECT_EQ(defaults.wallpaper_style, '0');

  Settings s;
  s.dither = false;
  s.show_dither_progress = false;
  s.true_colour_on_256 = 1;
  s.wallpaper_style = '2';
  ASSERT_TRUE(WriteSettings(path, s));
  const platform::ProfileFile f(path);
  EXPECT_EQ(f.ReadString("General", "WallPaperStyle", ""), "2");
  EXPECT_EQ(f.ReadString("General", "Dither", ""), "0");
  const Settings back = ReadSettings(path);
  EXPECT_FALSE(back.dither);
  EXPECT_FALSE(back.show_dither_progress);
  EXPECT_EQ(back.true_colour_on_256, 1);
  EXPECT_EQ(back.wallpaper_style, '2');

  // A style that is not one of the three codes falls back to centre.
  const std::string odd = dir.WriteText("ODD.INI", "[General]\nWallPaperStyle=7\n");
  EXPECT_EQ(ReadSettings(odd).wallpaper_style, '0');
}

}  // namespace
}  // namespace vr::shell
