// The drive menu built from the drive table, the all-images load, "Load File(s) From Current
// Folder" with its "+" name, the recent hooks, and the case rule of the name set.
#include "lists/load_menu.h"

#include <gtest/gtest.h>

#include "fakes/fake_files.h"
#include "fakes/fake_please_wait.h"
#include "platform/path_rules.h"
#include "test_support/temp_dir.h"

namespace vr::lists {
namespace {

using platform::DriveType;

class LoadMenuTest : public ::testing::Test {
 protected:
  LoadMenuTest() {
    ListServices s;
    s.files = &files_;
    s.please_wait = &wait_;
    s.ask_subfolders = [] { return SubfolderAnswer::kYes; };
    s.remember_folder = [this](const std::string& f) { folders_.push_back(f); };
    s.remember_file = [this](const std::string& f) { recent_files_.push_back(f); };
    list_ = std::make_unique<FilesList>(std::move(s));
  }
  std::string Touch(const std::string& name) { return dir_.Write(name, {1}); }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (int i = 0; i < list_->Count(); ++i) out.push_back(list_->Peek(i)->name);
    return out;
  }

  test_support::TempDir dir_;
  fakes::FakeFiles files_;
  fakes::FakePleaseWait wait_;
  std::vector<std::string> folders_;
  std::vector<std::string> recent_files_;
  std::unique_ptr<FilesList> list_;
};

TEST_F(LoadMenuTest, DriveMenuItemsTypesAndHardDriveMarks) {
  DriveMenu menu({{"/", "/dev/sda1", "ext4", DriveType::kFixed},
                  {"/media/usb", "/dev/sdb1", "vfat", DriveType::kRemovable},
                  {"/weird", "none", "x", DriveType::kUnknown},
                  {"/net/", "srv:/e", "nfs", DriveType::kRemote},
                  {"/data", "/dev/sdc1", "xfs", DriveType::kFixed}});
  const auto& items = menu.items();
  ASSERT_EQ(items.size(), 7u);  // three fixed items, the unknown type is left out
  EXPECT_EQ(items[0].caption, "ONLY Load files from NOTES DataBase");
  EXPECT_EQ(items[1].caption, "Every Drive In System");
  EXPECT_EQ(items[1].hint, "Scan ALL Drives in system to build Files List");
  EXPECT_EQ(items[2].caption, "All Local Hard Drives");
  EXPECT_EQ(items[2].hint, "Scan every LOCAL HARD Drive in system to build Files List");
  EXPECT_EQ(items[4].caption, "Drive /media/usb/");
  EXPECT_EQ(items[4].hint, "Load every file from this DRIVE into the Files List");
  EXPECT_FALSE(items[4].hard_drive);
  EXPECT_TRUE(items[6].hard_drive);
  EXPECT_NE(items[4].icon, items[5].icon);
  EXPECT_EQ(menu.RootsOf(1), (std::vector<std::string>{"/", "/media/usb/", "/net/", "/data/"}));
  EXPECT_EQ(menu.RootsOf(2), (std::vector<std::string>{"/", "/data/"}));
  EXPECT_EQ(menu.RootsOf(5), (std::vector<std::string>{"/net/"}));
  EXPECT_TRUE(menu.RootsOf(0).empty());
  EXPECT_TRUE(menu.RootsOf(99).empty());
}

TEST_F(LoadMenuTest, DriveLoadClearsNotesOnlyAndAllImagesSwapsThePatternForOneLoad) {
  Touch("d1/a.jpg");
  Touch("d1/s.wav");
  Touch("d1/x.dcx");
  Touch("d2/b.gif");
  DriveMenu menu({{dir_.File("d1"), "", "ext4", DriveType::kFixed},
                  {dir_.File("d2"), "", "vfat", DriveType::kRemovable}});
  menu.set_notes_only(true);  // no notes service: nothing has a note
  EXPECT_TRUE(menu.Load(*list_, 3));
  EXPECT_EQ(list_->Count(), 0);
  EXPECT_FALSE(menu.notes_only());
  EXPECT_FALSE(menu.Load(*list_, 0));

  const std::string before = list_->allowable().pattern();
  menu.LoadAllImages(*list_);
  // Hard drives only, images only (.DCX is in the image pattern although not a known type).
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "x.dcx"}));
  EXPECT_EQ(list_->allowable().pattern(), before);
  EXPECT_EQ(list_->Current(), 0);
}

TEST_F(LoadMenuTest, PlusStandsForEveryFileOfTheFilter) {
  Touch("p/one.GIF");
  Touch("p/two.jpg");
  Touch("p/three.txt");
  Touch("p/sub/four.gif");
  DialogChoice choice{{dir_.File("p/+")}, "*.gif;*.jpg"};
  auto paths = ExpandDialogChoice(files_, choice);
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{dir_.File("p/one.GIF"), dir_.File("p/two.jpg")}));
  EXPECT_TRUE(MatchesFilter("a.b.c", "*.*"));
  EXPECT_TRUE(MatchesFilter("noext", ""));
  EXPECT_FALSE(MatchesFilter("a.gifx", "*.gif *.jpg"));
  EXPECT_TRUE(MatchesFilter("pic1.png", "pic?.png"));
  // Several names: "+" is an ordinary character then.
  const DialogChoice two{{dir_.File("p/two.jpg"), dir_.File("p/+")}, "*.*"};
  EXPECT_EQ(ExpandDialogChoice(files_, two).size(), 2u);
}

TEST_F(LoadMenuTest, DialogLoadReplacesTheListAllowingEveryExtensionOnlyMeanwhile) {
  const std::string old = Touch("q/old.jpg");
  const std::string text = Touch("q/read.txt");
  const std::string pic = Touch("q/b.png");
  list_->LoadPaths({old}, 100);
  EXPECT_EQ(LoadDialogChoice(*list_, {{text, pic}, "*.*"}, /*append=*/false), 2);
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.png", "read.txt"}));
  EXPECT_EQ(list_->Current(), 0);
  EXPECT_FALSE(list_->allowable().IsAllowablePath(text));
  EXPECT_EQ(folders_, std::vector<std::string>{dir_.File("q/")});
  EXPECT_EQ(recent_files_, (std::vector<std::string>{text, pic}));
  list_->SetCurrent(1);
  EXPECT_EQ(LoadDialogChoice(*list_, {{old}, "*.*"}, /*append=*/true), 1);
  EXPECT_EQ(list_->Count(), 3);
  EXPECT_EQ(LoadDialogChoice(*list_, {{}, "*.*"}, false), 0);  // cancelled: list kept
  EXPECT_EQ(list_->Count(), 3);
}

TEST_F(LoadMenuTest, PathsDifferingInCaseAreOneEntryWhereNamesFoldCase) {
  list_->LoadPaths({"/v/Cat.JPG", "/v/cat.jpg"}, 100, -1, true);
  EXPECT_EQ(list_->Count(), 2);  // Linux: two files
  platform::SetPathCaseRule(platform::CaseRule::kFoldAscii);
  list_->ClearFilesList();
  list_->LoadPaths({"/v/Cat.JPG", "/v/cat.jpg", "/V/CAT.jpg"}, 100, -1, true);
  EXPECT_EQ(list_->Count(), 1);
  EXPECT_EQ(list_->FindInFilesList("/v/CAT.JPG"), 0);
  platform::SetPathCaseRule(platform::CaseRule::kExact);
}

TEST_F(LoadMenuTest, FolderLoadsShowProgressPerFolderAndRememberTheFolder) {
  Touch("r/a.jpg");
  Touch("r/s/b.jpg");
  list_->LoadPaths({dir_.File("r")}, 100);
  EXPECT_EQ(list_->Count(), 2);
  // One text per folder, the count of entries so far in front (the listing order decides it).
  ASSERT_EQ(wait_.texts().size(), 2u);
  EXPECT_EQ(wait_.texts()[0], "(0)Loading:" + dir_.File("r/"));
  const std::string sub = wait_.texts()[1];
  EXPECT_TRUE(sub == "(0)Loading:" + dir_.File("r/s/") || sub == "(1)Loading:" + dir_.File("r/s/"))
      << sub;
  EXPECT_EQ(folders_, std::vector<std::string>{dir_.File("r/")});
  EXPECT_EQ(list_->sort_kind(), kSortNone);  // sorted by name, yet no sort chosen since the load
}

}  // namespace
}  // namespace vr::lists
