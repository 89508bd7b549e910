// Operations on tagged files over a real folder: move and copy with their overwrite questions,
// the five rename methods, delete through the recycle bin, the Notes database commands, the
// companion-file questions, and the order of the walk.
#include "lists/window/tag_ops.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "extras/protection_session.h"
#include "fakes/fake_files.h"
#include "fakes/fake_please_wait.h"
#include "fakes/fake_ui.h"
#include "lists/recycle/recycle_bin.h"
#include "notes/notes_database.h"
#include "platform/ui.h"
#include "test_support/temp_dir.h"

namespace vr::list_window {
namespace {

using platform::Answer;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(RenamedName, EachMethodKeepsTheExtension) {
  EXPECT_EQ(RenamedName("a.jpg", RenameMethod::kReplaceFirst, "ABCDEFGH", 0), "ABCDEFGH.jpg");
  EXPECT_EQ(RenamedName("holiday.jpg", RenameMethod::kReplaceFirst, "XY", 0), "XYliday.jpg");
  EXPECT_EQ(RenamedName("cat.gif", RenameMethod::kAddToFront, "old_", 0), "old_cat.gif");
  EXPECT_EQ(RenamedName("cat.gif", RenameMethod::kAddToEnd, "_2", 0), "cat_2.gif");
  EXPECT_EQ(RenamedName("IMG0042.JPG", RenameMethod::kDeleteFirst, "", 3), "0042.JPG");
  EXPECT_EQ(RenamedName("IMG0042.JPG", RenameMethod::kDeleteLast, "", 2), "IMG00.JPG");
  EXPECT_EQ(RenamedName("my.photo.jpg", RenameMethod::kAddToEnd, "!", 0), "my.photo!.jpg");
  EXPECT_EQ(RenamedName("README", RenameMethod::kAddToEnd, "_x", 0), "README_x");
}

TEST(RenamedName, RefusesNamesWithoutABaseOrOutsideTheFolder) {
  EXPECT_EQ(RenamedName("abc.jpg", RenameMethod::kDeleteFirst, "", 3), "");
  EXPECT_EQ(RenamedName("abc.jpg", RenameMethod::kDeleteLast, "", 9), "");
  EXPECT_EQ(RenamedName("abc.jpg", RenameMethod::kAddToFront, "../", 0), "");
  EXPECT_EQ(RenamedName("abc.jpg", RenameMethod::kAddToFront, "x\\", 0), "");
}

TEST(FolderHistory, KeepsFifteenNewestFirstWithTrailingSeparators) {
  FolderHistory history;
  EXPECT_EQ(history.Use("/a"), "/a/");
  history.Use("/b/");
  EXPECT_EQ(history.items(), (std::vector<std::string>{"/b/", "/a/"}));
  history.Use("/a");  // known: keeps its place
  EXPECT_EQ(history.items().front(), "/b/");
  for (int i = 0; i < 20; ++i) history.Use("/f" + std::to_string(i));
  ASSERT_EQ(history.items().size(), 15u);
  EXPECT_EQ(history.items().front(), "/f19/");
  EXPECT_EQ(history.items().back(), "/f5/");
}

class TagOpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    src_ = dir_.Path() + "/src/";
    dst_ = dir_.Path() + "/dst/";
    std::filesystem::create_directories(src_);
    std::filesystem::create_directories(dst_);
    ASSERT_EQ(notes_.OpenNotesDatabase(dir_.File("NOTES")), 0u);
    lists::ListServices services;
    services.files = &files_;
    services.scan = [](const std::string&) {
      lists::ScannedFacts f;
      f.exists = true;
      f.size = 5;
      return f;
    };
    list_ = std::make_unique<lists::FilesList>(services);
    recycle::BinServices bin_services;
    bin_services.files = &files_;
    bin_services.ui = &ui_;
    bin_ = std::make_unique<recycle::RecycleBin>(bin_services,
                                                 recycle::RecycleBin::FolderIn(dir_.File("home")));
    ASSERT_TRUE(bin_->Start());
    TagServices tag;
    tag.ui = &ui_;
    tag.files = &files_;
    tag.please_wait = &wait_;
    tag.pump = &pump_;
    tag.notes = &notes_;
    tag.bin = bin_.get();
    tag.refresh = [this] { ++refreshes_; };
    tag.files_moved = [this](const Moves& moves) { reports_.push_back(moves); };
    ops_ = std::make_unique<TagOperations>(*list_, tag);
  }
  void TearDown() override { notes_.CloseNotesDatabase(); }

  std::string Make(const std::string& folder, const std::string& name, const std::string& text) {
    std::ofstream(folder + name, std::ios::binary) << text;
    return folder + name;
  }
  void Load(const std::vector<std::string>& names, bool tag_all = true) {
    list_->BeginBulkUpdate(10);
    for (const std::string& name : names) list_->AddFileToList(1 << 30, src_ + name);
    list_->EndBulkUpdate();
    if (tag_all) {
      for (int i = 0; i < list_->Count(); ++i) list_->SetTag(i, true);
    }
  }
  void Note(const std::string& path, const std::string& category) {
    notes::NotesRecord record;
    record.category = category;
    ASSERT_EQ(notes_.WriteNote(path, record).status, 0u);
  }
  std::string Category(const std::string& path) {
    notes::NotesRecord record;
    if (notes_.ReadNote(path, &record).status != 0 || record.live_flag != notes::kLive) return "-";
    return record.category;
  }

  test_support::TempDir dir_;
  std::string src_;
  std::string dst_;
  fakes::FakeFiles files_;
  fakes::FakeUi ui_;
  fakes::FakePleaseWait wait_;
  fakes::FakeMessagePump pump_;
  notes::NotesDatabase notes_;
  std::unique_ptr<lists::FilesList> list_;
  std::unique_ptr<recycle::RecycleBin> bin_;
  std::unique_ptr<TagOperations> ops_;
  int refreshes_ = 0;
  using Moves = std::vector<std::pair<std::string, std::string>>;
  std::vector<Moves> reports_;  // files_moved, one element per call
};

// Whoever keeps paths (the albums) hears of a whole operation's moves at once, so that it can
// fix its files in one pass: a move or rename of the tagged files, a batch of single moves, or
// one single move; copies move nothing.
TEST_F(TagOpsTest, MovesAndRenamesAreReportedOncePerOperation) {
  Make(src_, "a.jpg", "A");
  Make(src_, "b.jpg", "B");
  Load({"a.jpg", "b.jpg"});
  ASSERT_EQ(ops_->CopyTagged(dst_).done, 2);
  EXPECT_TRUE(reports_.empty());
  std::filesystem::remove(dst_ + "a.jpg");
  std::filesystem::remove(dst_ + "b.jpg");
  ASSERT_EQ(ops_->MoveTagged(dst_).done, 2);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0],
            (Moves{{src_ + "b.jpg", dst_ + "b.jpg"}, {src_ + "a.jpg", dst_ + "a.jpg"}}));
  ASSERT_EQ(ops_->RenameTagged(RenameMethod::kAddToFront, "x", 0).done, 2);
  ASSERT_EQ(reports_.size(), 2u);
  EXPECT_EQ(reports_[1].size(), 2u);
  EXPECT_EQ(reports_[1][0], std::make_pair(dst_ + "b.jpg", dst_ + "xb.jpg"));

  platform::ConfirmScope overwrite(ui_);
  platform::ConfirmScope companions(ui_);
  {
    TagOperations::MoveBatch batch(*ops_);
    ops_->TransferOne(dst_ + "xa.jpg", src_ + "a.jpg", true, overwrite, companions);
    ops_->TransferOne(dst_ + "xb.jpg", src_ + "b.jpg", true, overwrite, companions);
    EXPECT_EQ(reports_.size(), 2u);  // not before the batch ends
  }
  ASSERT_EQ(reports_.size(), 3u);
  EXPECT_EQ(reports_[2].size(), 2u);
  ops_->TransferOne(src_ + "a.jpg", dst_ + "a.jpg", true, overwrite, companions);
  ASSERT_EQ(reports_.size(), 4u);
  EXPECT_EQ(reports_[3], (Moves{{src_ + "a.jpg", dst_ + "a.jpg"}}));
}

TEST_F(TagOpsTest, NoToAllKeepsEveryExistingTargetOnAMove) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    Make(src_, name, std::string("new ") + name);
    Make(dst_, name, std::string("old ") + name);
  }
  Load({"a.jpg", "b.jpg", "c.jpg"});
  ui_.QueueAnswer(Answer::kNoToAll);
  const OperationResult result = ops_->MoveTagged(dst_);
  EXPECT_EQ(result.done, 0);
  // One question, for the last entry first.
  ASSERT_EQ(ui_.calls().size(), 1u);
  EXPECT_EQ(ui_.calls()[0].text,
            "File ALREADY exists in destination. Would you like to OVERWRITE the file?\r\r" + dst_ +
                "c.jpg");
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    EXPECT_EQ(Slurp(dst_ + name), std::string("old ") + name);
    EXPECT_EQ(Slurp(src_ + name), std::string("new ") + name);
    EXPECT_TRUE(list_->Contains(src_ + name));
  }
}

TEST_F(TagOpsTest, AMoveFollowsTheFileWithEntryNoteAndCompanion) {
  Make(src_, "a.jpg", "A");
  Make(src_, "a.jpg.LSAssoc", "assoc");
  Make(src_, "b.jpg", "B");
  Make(dst_, "b.jpg", "old B");
  Note(src_ + "a.jpg", "CATS");
  Load({"a.jpg", "b.jpg"});
  ui_.QueueAnswer(Answer::kYes);  // overwrite b.jpg
  ui_.QueueAnswer(Answer::kYes);  // move a.jpg's companion
  const OperationResult result = ops_->MoveTagged(dst_.substr(0, dst_.size() - 1));
  EXPECT_EQ(result.done, 2);
  EXPECT_EQ(ui_.calls()[1].text,
            "Do you want to MOVE the associated .LSAssoc file for " + src_ + "a.jpg?");
  EXPECT_EQ(Slurp(dst_ + "b.jpg"), "B");
  EXPECT_EQ(Slurp(dst_ + "a.jpg"), "A");
  EXPECT_EQ(Slurp(dst_ + "a.jpg.LSAssoc"), "assoc");
  EXPECT_FALSE(std::filesystem::exists(src_ + "a.jpg"));
  EXPECT_TRUE(list_->Contains(dst_ + "a.jpg"));
  EXPECT_FALSE(list_->Contains(src_ + "a.jpg"));
  EXPECT_EQ(list_->TaggedCount(), 2);
  EXPECT_EQ(Category(dst_ + "a.jpg"), "CATS");
  EXPECT_EQ(Category(src_ + "a.jpg"), "-");
  EXPECT_EQ(ops_->move_history().items(), std::vector<std::string>{dst_});
}

TEST_F(TagOpsTest, ACopyKeepsTheSourceAndCopiesTheNote) {
  Make(src_, "a.jpg", "A");
  Note(src_ + "a.jpg", "DOGS");
  Load({"a.jpg"});
  EXPECT_EQ(ops_->CopyTagged(dst_).done, 1);
  EXPECT_EQ(Slurp(dst_ + "a.jpg"), "A");
  EXPECT_TRUE(std::filesystem::exists(src_ + "a.jpg"));
  EXPECT_EQ(Category(dst_ + "a.jpg"), "DOGS");
  EXPECT_EQ(Category(src_ + "a.jpg"), "DOGS");
  EXPECT_TRUE(ui_.calls().empty());
}

TEST_F(TagOpsTest, CompanionQuestionsNameTheOperationAndNoKeepsTheCompanion) {
  Make(src_, "a.jpg", "A");
  Make(src_, "a.jpg.LSAssoc", "assoc");
  Load({"a.jpg"});
  ui_.QueueAnswer(Answer::kNo);
  EXPECT_EQ(ops_->CopyTagged(dst_).done, 1);
  ASSERT_EQ(ui_.calls().size(), 1u);
  EXPECT_EQ(ui_.calls()[0].text,
            "Do you want to COPY the associated .LSAssoc file for " + src_ + "a.jpg?");
  EXPECT_FALSE(std::filesystem::exists(dst_ + "a.jpg.LSAssoc"));
  ui_.QueueAnswer(Answer::kYes);
  EXPECT_EQ(ops_->RenameTagged(RenameMethod::kAddToEnd, "_1", 0).done, 1);
  EXPECT_EQ(ui_.calls()[1].text,
            "Do you want to RENAME the associated .LSAssoc file for " + src_ + "a.jpg?");
  EXPECT_EQ(Slurp(src_ + "a_1.jpg.LSAssoc"), "assoc");
  EXPECT_FALSE(std::filesystem::exists(src_ + "a.jpg.LSAssoc"));
}

TEST_F(TagOpsTest, AFailedMoveIsReportedAndTheWalkGoesOn) {
  Make(src_, "a.jpg", "A");
  Make(src_, "b.jpg", "B");
  Load({"a.jpg", "b.jpg"});
  std::filesystem::remove(src_ + "b.jpg");  // vanished since the load
  const OperationResult result = ops_->MoveTagged(dst_);
  EXPECT_EQ(result.done, 1);
  EXPECT_EQ(result.failed, 1);
  ASSERT_EQ(ui_.calls().size(), 1u);
  const std::string& text = ui_.calls()[0].text;
  EXPECT_NE(text.find("\r\r" + src_ + "b.jpg\r\rMoving to:\r\r" + dst_ + "b.jpg"),
            std::string::npos)
      << text;
  EXPECT_EQ(Slurp(dst_ + "a.jpg"), "A");
}

TEST_F(TagOpsTest, RenameChangesFileEntryAndNote) {
  Make(src_, "a.jpg", "A");
  Note(src_ + "a.jpg", "BIRDS");
  Load({"a.jpg"});
  EXPECT_EQ(ops_->RenameTagged(RenameMethod::kReplaceFirst, "ABCDEFGH", 0).done, 1);
  EXPECT_EQ(Slurp(src_ + "ABCDEFGH.jpg"), "A");
  EXPECT_TRUE(list_->Contains(src_ + "ABCDEFGH.jpg"));
  EXPECT_EQ(list_->Count(), 1);
  EXPECT_EQ(Category(src_ + "ABCDEFGH.jpg"), "BIRDS");
  EXPECT_EQ(wait_.texts().back(), "Renaming:" + src_ + "a.jpg");
}

TEST_F(TagOpsTest, MoveAndRenameKeepTheSameEntryWithItsFactsAndThumbnail) {
  Make(src_, "a.jpg", "A");
  Make(src_, "b.jpg", "B");
  Load({"a.jpg", "b.jpg"}, false);
  list_->SetTag(0, true);
  lists::FileEntry* a = list_->EntryAt(0);
  ASSERT_NE(a, nullptr);
  const int32_t id = a->id;
  a->thumb_offset = 96;
  a->thumb_length = 300;
  a->thumb_wanted = false;
  EXPECT_EQ(ops_->MoveTagged(dst_).done, 1);
  const int moved = list_->PositionOfId(id);
  ASSERT_GE(moved, 0);
  const lists::FileEntry* entry = list_->Peek(moved);
  EXPECT_EQ(entry->Path(), dst_ + "a.jpg");
  EXPECT_TRUE(entry->scanned);
  EXPECT_EQ(entry->size, 5);
  EXPECT_EQ(entry->thumb_offset, 96);
  EXPECT_EQ(entry->thumb_length, 300);
  EXPECT_FALSE(entry->thumb_wanted);
  EXPECT_TRUE(entry->tagged);
  EXPECT_EQ(list_->Count(), 2);
  EXPECT_EQ(list_->TaggedCount(), 1);

  EXPECT_EQ(ops_->RenameTagged(RenameMethod::kAddToFront, "x", 0).done, 1);
  ASSERT_GE(list_->PositionOfId(id), 0);
  EXPECT_EQ(list_->Peek(list_->PositionOfId(id))->Path(), dst_ + "xa.jpg");
  EXPECT_EQ(list_->Peek(list_->PositionOfId(id))->thumb_offset, 96);
  EXPECT_FALSE(list_->Contains(dst_ + "a.jpg"));
}

TEST_F(TagOpsTest, RenameOntoAnExistingFileFailsWithTheMessageAndReplacesNothing) {
  Make(src_, "a.jpg", "A");
  Make(src_, "xa.jpg", "already here");
  Load({"a.jpg"});
  const OperationResult result = ops_->RenameTagged(RenameMethod::kAddToFront, "x", 0);
  EXPECT_EQ(result.failed, 1);
  ASSERT_EQ(ui_.calls().size(), 1u);
  EXPECT_EQ(ui_.calls()[0].text,
            "From:a.jpg\rTo:xa.jpg\r\rRename failed: Maybe filename ALREADY exists, or renaming "
            "on a READ/ONLY drive.");
  EXPECT_EQ(Slurp(src_ + "xa.jpg"), "already here");
  EXPECT_EQ(Slurp(src_ + "a.jpg"), "A");
}

TEST_F(TagOpsTest, DeleteGoesThroughTheBinAfterItsQuestion) {
  Make(src_, "a.jpg", "A");
  Make(src_, "b.jpg", "B");
  Note(src_ + "a.jpg", "GONE");
  Load({"a.jpg", "b.jpg"});
  files_.SetFreeSpace(uint64_t{1} << 40);
  ui_.QueueAnswer(Answer::kNo);   // b.jpg (the last entry) stays
  ui_.QueueAnswer(Answer::kYes);  // a.jpg goes
  const OperationResult result = ops_->DeleteTagged();
  EXPECT_EQ(result.done, 1);
  ASSERT_EQ(ui_.calls().size(), 2u);
  EXPECT_EQ(ui_.calls()[0].text, "The file listed below is about to be deleted. " + src_ +
                                     "b.jpg\r\rAre you sure you want to DELETE the file from your "
                                     "DRIVE/FOLDER ?");
  EXPECT_TRUE(std::filesystem::exists(src_ + "b.jpg"));
  EXPECT_FALSE(std::filesystem::exists(src_ + "a.jpg"));
  EXPECT_EQ(list_->Count(), 1);
  EXPECT_EQ(bin_->CountEntries(), 1);
  EXPECT_EQ(Category(src_ + "a.jpg"), "-");
  bool calculated = false;
  for (const std::string& text : wait_.texts()) {
    calculated |= text == "Calculating RECYCLE BIN space needed:a.jpg";
  }
  EXPECT_TRUE(calculated);
}

TEST_F(TagOpsTest, DbAddAsksFromTheLastFileAndMarksNewNotesAdded) {
  Make(src_, "a.jpg", "A");
  Make(src_, "b.jpg", "B");
  Note(src_ + "a.jpg", "KEPT");
  Load({"a.jpg", "b.jpg"});
  ui_.QueueAnswer(Answer::kYesToAll);
  EXPECT_EQ(ops_->DbAddTagged().done, 2);
  ASSERT_EQ(ui_.calls().size(), 1u);
  EXPECT_EQ(ui_.calls()[0].text,
            "Do you want to ADD this file to the Notes DataBase?\r\r" + src_ + "b.jpg");
  EXPECT_EQ(Category(src_ + "a.jpg"), "KEPT");
  EXPECT_EQ(Category(src_ + "b.jpg"), "ADDED");

  ui_.QueueAnswer(Answer::kYes);
  ui_.QueueAnswer(Answer::kNo);
  EXPECT_EQ(ops_->DbDeleteTagged().done, 1);
  EXPECT_EQ(ui_.calls()[1].text,
            "Do you want to DELETE this file from the Notes DataBase?\r\r" + src_ + "b.jpg");
  EXPECT_EQ(Category(src_ + "b.jpg"), "-");
  EXPECT_EQ(Category(src_ + "a.jpg"), "KEPT");
}

TEST_F(TagOpsTest, TaggingCommandsKeepTheCount) {
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) Make(src_, n, "x");
  Load({"a.jpg", "b.jpg", "c.jpg", "d.jpg"}, false);
  ops_->TagHighlighted({0, 2}, true);
  EXPECT_EQ(list_->TaggedCount(), 2);
  ops_->FlipTags();
  EXPECT_EQ(list_->TaggedCount(), 2);
  EXPECT_FALSE(list_->Peek(0)->tagged);
  EXPECT_TRUE(list_->Peek(1)->tagged);
  ops_->SortByTag();
  EXPECT_TRUE(list_->Peek(0)->tagged);
  EXPECT_TRUE(list_->Peek(1)->tagged);
  ops_->NoTags();
  EXPECT_EQ(list_->TaggedCount(), 0);
  ops_->TagHighlighted({1, 3}, true);
  EXPECT_EQ(ops_->RemoveTagged().done, 2);
  EXPECT_EQ(list_->Count(), 2);
  EXPECT_TRUE(std::filesystem::exists(src_ + "b.jpg"));  // the files stay on disk
  EXPECT_GT(refreshes_, 0);
}

TEST_F(TagOpsTest, TheStopButtonEndsTheWalk) {
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) Make(src_, n, "x");
  Load({"a.jpg", "b.jpg", "c.jpg"});
  wait_.StopWhenTextContains("Copying:" + src_ + "b.jpg");
  const OperationResult result = ops_->CopyTagged(dst_);
  EXPECT_TRUE(result.stopped);
  EXPECT_TRUE(std::filesystem::exists(dst_ + "c.jpg"));
  EXPECT_FALSE(std::filesystem::exists(dst_ + "a.jpg"));
}

TEST_F(TagOpsTest, AnEntryRemovedWhileMessagesArePumpedIsSkipped) {
  const std::vector<std::string> names = {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"};
  for (const std::string& n : names) Make(src_, n, "x" + n);
  Load(names);
  // The walk goes from the last entry; the fifth step (b) pumps messages first, and what runs
  // there removes b from the list.
  pump_.on_pump = [this](int) { list_->RemoveFromFilesList(src_ + "b.jpg"); };
  const OperationResult result = ops_->CopyTagged(dst_);
  EXPECT_GE(pump_.count(), 1);
  EXPECT_EQ(result.done, 5);
  EXPECT_EQ(result.failed, 0);
  EXPECT_FALSE(std::filesystem::exists(dst_ + "b.jpg"));
  for (const char* n : {"a.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"}) {
    EXPECT_EQ(Slurp(dst_ + n), std::string("x") + n) << n;
  }
}

}  // namespace
}  // namespace vr::list_window

// The protect page's walk with the real protection: questions with the "to all" answers, notes
// and list entries following the new names, and an error that stops the rest.
namespace vr::list_window {
namespace {
using platform::Answer;
TEST_F(TagOpsTest, ProtectWalkMovesNotesAndStopsOnNoToAll) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    Make(src_, name, std::string("picture ") + name);
    Note(src_ + name, std::string("cat ") + name);
  }
  Load({"a.jpg", "b.jpg", "c.jpg"});
  extras::PasswordStore store(dir_.File("VELDR.INI"));
  ASSERT_EQ(store.Set("pw"), extras::PasswordStore::SetResult::kSaved);
  extras::ProtectionSession session(store, extras::ProtectServices{&files_, nullptr, nullptr}, ui_);
  const TagOperations::ProtectFn protect = [&](const std::string& path, std::string* target) {
    return session.ProtectFile(path, true, target);
  };
  ui_.QueueAnswer(Answer::kYes);       // c.jpg
  ui_.QueueAnswer(Answer::kNo);        // b.jpg
  ui_.QueueAnswer(Answer::kYesToAll);  // a.jpg
  const OperationResult done = ops_->ProtectTagged(true, protect);
  EXPECT_EQ(done.done, 2);
  EXPECT_EQ(ui_.calls()[0].text,
            "The file listed below is about to be Protected(ENCRYPTED). \r\rAre you sure you want "
            "to PROTECT the file?\r\r" + src_ + "c.jpg");
  EXPECT_TRUE(extras::IsProtected(src_ + "!_a.jpg"));
  EXPECT_TRUE(extras::IsProtected(src_ + "!_c.jpg"));
  EXPECT_EQ(Slurp(src_ + "b.jpg"), "picture b.jpg");
  EXPECT_FALSE(std::filesystem::exists(src_ + "a.jpg"));
  EXPECT_EQ(Category(src_ + "!_a.jpg"), "cat a.jpg");
  EXPECT_EQ(Category(src_ + "a.jpg"), "-");
  EXPECT_GE(list_->FindInFilesList(src_ + "!_c.jpg"), 0);
  EXPECT_LT(list_->FindInFilesList(src_ + "c.jpg"), 0);
  EXPECT_NE(std::find(wait_.texts().begin(), wait_.texts().end(), "PROTECTing:" + src_ + "c.jpg"),
            wait_.texts().end());

  // Un-protecting everything: the plain b.jpg fails and No to all leaves the rest alone.
  ui_.Clear();
  const size_t a_at = static_cast<size_t>(list_->FindInFilesList(src_ + "!_a.jpg"));
  const size_t b_at = static_cast<size_t>(list_->FindInFilesList(src_ + "b.jpg"));
  ASSERT_LT(b_at, static_cast<size_t>(list_->FindInFilesList(src_ + "!_c.jpg")));
  ASSERT_LT(a_at, b_at);
  ui_.QueueAnswer(Answer::kYesToAll);
  ui_.QueueAnswer(Answer::kNoToAll);
  const OperationResult back = ops_->ProtectTagged(
      false, [&](const std::string& path, std::string* target) {
        return session.ProtectFile(path, false, target);
      });
  EXPECT_EQ(back.done, 1);
  EXPECT_EQ(back.failed, 1);
  EXPECT_EQ(ui_.last().text,
            extras::ProtectErrorText(extras::kErrorState) + "\r\r" + src_ +
                "b.jpg\r\rDo you wish to continue with the rest of the tagged files?");
  EXPECT_EQ(Slurp(src_ + "c.jpg"), "picture c.jpg");
  EXPECT_EQ(Category(src_ + "c.jpg"), "cat c.jpg");
  EXPECT_TRUE(extras::IsProtected(src_ + "!_a.jpg"));
}
}  // namespace
}  // namespace vr::list_window
