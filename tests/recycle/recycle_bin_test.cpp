// The recycle bin on a real folder: numbering, restoring, dropping, the room rule, the companion
// file, and the safety rules (a file that did not reach the bin is kept; a hostile index cannot
// make the bin delete files outside it).
#include "lists/recycle/recycle_bin.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "fakes/fake_files.h"
#include "fakes/fake_ui.h"
#include "lists/recycle/recycle_index.h"
#include "test_support/temp_dir.h"

namespace vr::recycle {
namespace {

namespace fs = std::filesystem;

// Free space that grows as the bin gives copies back: a drive of `capacity_` bytes holding the
// bin's folder and nothing else; copies into the bin can be made to fail.
class BinDriveFiles : public fakes::FakeFiles {
 public:
  std::string bin;
  uint64_t capacity = 0;  // 0: the real figure
  bool fail_copies_into_bin = false;

  std::optional<uint64_t> FreeSpace(const std::string& path) override {
    if (capacity == 0) return PosixFiles::FreeSpace(path);
    uint64_t used = 0;
    for (const auto& e : fs::directory_iterator(bin)) {
      if (e.is_regular_file()) used += e.file_size();
    }
    return used >= capacity ? 0 : capacity - used;
  }
  platform::FileResult CopyFile(const std::string& from, const std::string& to) override {
    if (fail_copies_into_bin && to.rfind(bin, 0) == 0) return platform::FileResult::Fail(ENOSPC);
    return PosixFiles::CopyFile(from, to);
  }
};

class RecycleBinTest : public ::testing::Test {
 protected:
  RecycleBinTest() {
    files_.bin = RecycleBin::FolderIn(dir_.Path() + "/home");
    bin_ = MakeBin();
    EXPECT_TRUE(bin_->Start());
  }
  std::unique_ptr<RecycleBin> MakeBin() {
    BinServices services;
    services.files = &files_;
    services.ui = &ui_;
    services.delete_note = [this](const std::string& path) { deleted_notes_.push_back(path); };
    return std::make_unique<RecycleBin>(std::move(services), files_.bin);
  }
  std::string Make(const std::string& name, size_t size = 3) {
    return dir_.Write(name, std::vector<uint8_t>(size, 'x'));
  }
  std::vector<IndexEntry> Entries() {
    std::vector<IndexEntry> out;
    for (const std::string& line : bin_->ReadEntries()) out.push_back(*ParseIndexLine(line));
    return out;
  }
  std::string IndexText() {
    auto bytes = test_support::TempDir::Read(bin_->IndexPath());
    return {bytes.begin(), bytes.end()};
  }

  test_support::TempDir dir_;
  BinDriveFiles files_;
  fakes::FakeUi ui_;
  std::vector<std::string> deleted_notes_;
  std::unique_ptr<RecycleBin> bin_;
};

TEST_F(RecycleBinTest, FirstCopyIsNumberedZeroAndARestartContinuesAboveTheLargest) {
  EXPECT_EQ(bin_->folder(), dir_.Path() + "/home/LS_RecycleBin/");
  EXPECT_FALSE(bin_->IsFull());
  const std::string a = Make("a.jpg");
  ASSERT_TRUE(bin_->DeleteThroughBin(a, nullptr));
  EXPECT_FALSE(fs::exists(a));
  EXPECT_EQ(IndexText(), a + "," + bin_->folder() + "0.a.jpg\r\n");
  EXPECT_EQ(deleted_notes_, std::vector<std::string>{a});
  ASSERT_TRUE(bin_->PutIntoBin(Make("b.jpg")));
  ASSERT_TRUE(bin_->PutIntoBin(Make("c.jpg")));
  ASSERT_TRUE(bin_->DropOldest());  // copy 0 gone; the largest is 2
  bin_ = MakeBin();
  ASSERT_TRUE(bin_->Start());
  EXPECT_EQ(bin_->counter(), 3);
  ASSERT_TRUE(bin_->PutIntoBin(Make("d.jpg")));
  EXPECT_EQ(Entries().front().copy, bin_->folder() + "3.d.jpg");
  EXPECT_EQ(bin_->CountEntries(), 3);
  EXPECT_EQ(bin_->TotalSize(), 9u);
}

TEST_F(RecycleBinTest, SameNameFromTwoFoldersIsKeptTwiceAndBothRestore) {
  const std::string one = Make("one/pic.gif");
  const std::string two = Make("two/pic.gif", 5);
  ASSERT_TRUE(bin_->DeleteThroughBin(one, nullptr));
  ASSERT_TRUE(bin_->DeleteThroughBin(two, nullptr));
  const auto entries = Entries();  // newest first
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].former, two);
  EXPECT_NE(entries[0].copy, entries[1].copy);
  for (const std::string& line : bin_->ReadEntries()) {
    const RestoreResult r = bin_->Restore(line);
    EXPECT_TRUE(r.restored && r.dropped);
  }
  EXPECT_EQ(fs::file_size(one), 3u);
  EXPECT_EQ(fs::file_size(two), 5u);
  EXPECT_EQ(bin_->CountEntries(), 0);
  EXPECT_FALSE(fs::exists(entries[0].copy));
}

TEST_F(RecycleBinTest, RestoreOntoAnExistingFileFailsAndKeepsTheEntry) {
  const std::string a = Make("a.jpg", 4);
  ASSERT_TRUE(bin_->DeleteThroughBin(a, nullptr));
  Make("a.jpg", 9);  // a new file took the name meanwhile
  const std::string line = bin_->ReadEntries().front();
  const RestoreResult r = bin_->Restore(line);
  EXPECT_FALSE(r.restored);
  EXPECT_FALSE(r.dropped);
  EXPECT_EQ(fs::file_size(a), 9u);  // the newer file is untouched
  EXPECT_EQ(bin_->ReadEntries(), std::vector<std::string>{line});
  EXPECT_TRUE(fs::exists(ParseIndexLine(line)->copy));
}

TEST_F(RecycleBinTest, CopyRemovedByHandDropsTheEntryWithoutRestoring) {
  const std::string a = Make("a.jpg");
  ASSERT_TRUE(bin_->DeleteThroughBin(a, nullptr));
  const std::string line = bin_->ReadEntries().front();
  fs::remove(ParseIndexLine(line)->copy);
  const RestoreResult r = bin_->Restore(line);
  EXPECT_TRUE(r.dropped);
  EXPECT_FALSE(r.restored);
  EXPECT_FALSE(fs::exists(a));
  EXPECT_EQ(bin_->CountEntries(), 0);
  // A line no longer in the index (restored by another window) counts as dropped too.
  EXPECT_TRUE(bin_->Restore(line).dropped);
}

TEST_F(RecycleBinTest, RoomRuleDropsOldestUntilTheFileFitsWithFiveMegabytesToSpare) {
  constexpr uint64_t kMb = 1 << 20;
  files_.capacity = 12 * kMb;
  for (const char* name : {"o1.jpg", "o2.jpg", "o3.jpg"})
    ASSERT_TRUE(bin_->PutIntoBin(Make(name, 2 * kMb)));
  // 6 MB free now; a 2 MB file needs 7 MB: the oldest goes, leaving 8 MB.
  ASSERT_TRUE(bin_->PutIntoBin(Make("new.jpg", 2 * kMb)));
  auto entries = Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries.back().former, dir_.File("o2.jpg"));
  EXPECT_FALSE(fs::exists(bin_->folder() + "0.o1.jpg"));
  // A file that can never fit empties the bin and is then tried all the same.
  files_.capacity = 6 * kMb;
  EXPECT_TRUE(bin_->PutIntoBin(Make("huge.jpg", 2 * kMb)));
  EXPECT_EQ(bin_->CountEntries(), 1);
  EXPECT_EQ(Entries().front().former, dir_.File("huge.jpg"));
}

TEST_F(RecycleBinTest, AFileLargerThanAnEmptyBinsDriveIsRefusedAndNothingIsDropped) {
  constexpr uint64_t kMb = 1 << 20;
  files_.capacity = 9 * kMb;
  for (const char* name : {"o1.jpg", "o2.jpg", "o3.jpg"})
    ASSERT_TRUE(bin_->PutIntoBin(Make(name, kMb)));
  ASSERT_EQ(bin_->CountEntries(), 3);
  // 6 MB free and 3 MB held by the bin: 10 MB can never go in.
  const std::string huge = Make("huge.jpg", 10 * kMb);
  EXPECT_FALSE(bin_->PutIntoBin(huge));
  EXPECT_EQ(bin_->CountEntries(), 3);
  EXPECT_TRUE(fs::exists(bin_->folder() + "0.o1.jpg"));
  // Deleting through the bin keeps the file and says so.
  EXPECT_FALSE(bin_->DeleteThroughBin(huge, nullptr));
  EXPECT_TRUE(fs::exists(huge));
  EXPECT_EQ(bin_->CountEntries(), 3);
  EXPECT_EQ(ui_.MessageTexts().size(), 1u);
}

TEST_F(RecycleBinTest, FormerPathWithACommaSurvivesTheIndex) {
  const std::string odd = Make("x,y/a, b.jpg");
  ASSERT_TRUE(bin_->DeleteThroughBin(odd, nullptr));
  EXPECT_EQ(IndexText().front(), '"');
  const RestoreResult r = bin_->Restore(bin_->ReadEntries().front());
  EXPECT_TRUE(r.restored);
  EXPECT_TRUE(fs::exists(odd));
}

TEST_F(RecycleBinTest, FailedCopyIntoTheBinKeepsTheFileAndTellsTheUser) {
  const std::string a = Make("keep.jpg");
  files_.fail_copies_into_bin = true;
  EXPECT_FALSE(bin_->DeleteThroughBin(a, nullptr));
  EXPECT_TRUE(fs::exists(a));
  EXPECT_EQ(bin_->CountEntries(), 0);
  EXPECT_TRUE(deleted_notes_.empty());
  ASSERT_EQ(ui_.MessageTexts().size(), 1u);
  EXPECT_EQ(ui_.MessageTexts()[0], std::string(kNotIntoBinText) + "\r\r" + a);
}

TEST_F(RecycleBinTest, CompanionGoesIntoTheBinAndIsDeletedOnYes) {
  const std::string a = Make("a.jpg");
  const std::string companion = Make("a.jpg.LSAssoc");
  const std::string b = Make("b.jpg");
  const std::string b_companion = Make("b.jpg.LSAssoc");
  platform::ConfirmScope answers(ui_);
  ui_.QueueAnswer(platform::Answer::kNo);
  ASSERT_TRUE(bin_->DeleteThroughBin(a, &answers));
  EXPECT_EQ(ui_.last().text, "Do you want to DELETE the associated .LSAssoc file for " + a + "?");
  EXPECT_TRUE(fs::exists(companion));  // kept on No, yet safe in the bin as well
  EXPECT_EQ(bin_->CountEntries(), 2);
  answers.HoldYesToAll();  // deleting the current file asks no companion question
  const size_t asked = ui_.calls().size();
  ASSERT_TRUE(bin_->DeleteThroughBin(b, &answers));
  EXPECT_EQ(ui_.calls().size(), asked);
  EXPECT_FALSE(fs::exists(b_companion));
  EXPECT_EQ(Entries().front().former, b_companion);
}

TEST_F(RecycleBinTest, DamagedIndexLinesNeitherCountNorLetTheBinTouchOtherFiles) {
  const std::string outside = Make("precious.doc");
  dir_.WriteText("home/LS_RecycleBin/RECYCLE.TXT",
                 "  \r\n/x/gone.jpg," + outside + "\r\n\t\r\nno comma\r\n/y/z.jpg,/b/5.z.jpg");
  EXPECT_EQ(bin_->CountEntries(), 3);
  // The unterminated last line is ended before a new line goes in.
  ASSERT_TRUE(bin_->PutIntoBin(Make("n.jpg")));
  EXPECT_EQ(bin_->CountEntries(), 4);
  EXPECT_EQ(Entries().front().copy, bin_->folder() + "6.n.jpg");
  // Neither restoring nor dropping an entry whose copy lies outside the bin moves that file.
  const std::string hostile = bin_->ReadEntries().back();
  EXPECT_FALSE(bin_->Restore(hostile).restored);
  EXPECT_TRUE(bin_->DropOldest());
  EXPECT_TRUE(fs::exists(outside));
  EXPECT_FALSE(fs::exists("/x/gone.jpg"));
}

TEST_F(RecycleBinTest, EmptyDeletesEverythingButTheLockAndReportsTheState) {
  std::vector<bool> states;
  bin_->SetStateObserver([&](bool full) { states.push_back(full); });
  ASSERT_TRUE(bin_->PutIntoBin(Make("a.jpg")));
  bin_->Empty();
  EXPECT_EQ(states, (std::vector<bool>{true, false}));
  std::set<std::string> left;
  for (const auto& e : fs::directory_iterator(bin_->folder())) left.insert(e.path().filename());
  EXPECT_EQ(left, std::set<std::string>{"RECYCLE.TXT.BUSY"});
  EXPECT_FALSE(bin_->DropOldest());
}

TEST(RecycleMessages, FreeSpaceWarningOnlyWhenShortOfRoom) {
  fakes::FakeUi ui;
  EXPECT_FALSE(FreeSpaceWarning(ui, "/", 10 * 1024 + kRoomBytes, 10 * 1024));
  EXPECT_TRUE(FreeSpaceWarning(ui, "/tmp/", 8192, 3 * 1024 * 1024));
  ASSERT_EQ(ui.calls().size(), 1u);
  EXPECT_EQ(ui.last().kind, platform::MessageKind::kError);
  EXPECT_EQ(
      ui.last().text,
      "You don't have enough free disk space on the \"/tmp/\" Drive to be able to recover all "
      "the files you are going to delete. The Veldrimon RECYCLE BIN will NOT be able to hold "
      "all the files deleted :( So, the OLDEST deleted files in the BIN will be removed as "
      "needed to make room for the NEWER deletes.\r\rYou are about to delete 3072K and you "
      "only have 8K free on your temp drive. And the BIN wants to make sure that you have at "
      "least 5120K free on your temp drive!");
}

TEST_F(RecycleBinTest, ShutdownReminderOnlyWithEntries) {
  EXPECT_FALSE(ShutdownReminder(ui_, *bin_));
  EXPECT_TRUE(ui_.calls().empty());
  ASSERT_TRUE(bin_->PutIntoBin(Make("a.jpg", 4096)));
  ui_.QueueChoice(1);
  EXPECT_TRUE(ShutdownReminder(ui_, *bin_));
  EXPECT_EQ(ui_.last().captions, (std::vector<std::string>{"+Recycle Bin", "-Exit Now"}));
  EXPECT_NE(ui_.last().text.find("There is 4K taken up by 1 file(s) in the BIN.\r\r"),
            std::string::npos);
}

}  // namespace
}  // namespace vr::recycle
