// The files list: filling it from folders, drops and paths, its name set, ids, tags and sorts.
#include "lists/files_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "fakes/fake_files.h"
#include "fakes/fake_please_wait.h"
#include "lists/allowable_types.h"
#include "test_support/temp_dir.h"

namespace vr::lists {
namespace {

// Lists folders in an order the test sets (by name), since readdir's order is the disk's.
class OrderedFiles : public fakes::FakeFiles {
 public:
  void SetOrder(const std::string& folder, std::vector<std::string> names) {
    order_[folder] = std::move(names);
  }
  bool ListFolder(const std::string& folder, const platform::ListVisitor& visit) override {
    return Ordered(folder, visit, false);
  }
  bool ListNames(const std::string& folder, const platform::ListVisitor& visit) override {
    return Ordered(folder, visit, true);
  }

 private:
  bool Ordered(const std::string& folder, const platform::ListVisitor& visit, bool names) {
    std::vector<platform::DirEntry> items;
    auto keep = [&](const platform::DirEntry& e) {
      items.push_back(e);
      return true;
    };
    const bool ok =
        names ? PosixFiles::ListNames(folder, keep) : PosixFiles::ListFolder(folder, keep);
    if (!ok) return false;
    auto it = order_.find(folder);
    if (it != order_.end()) {
      const auto& names = it->second;
      auto rank = [&](const std::string& n) {
        return std::find(names.begin(), names.end(), n) - names.begin();
      };
      std::stable_sort(items.begin(), items.end(),
                       [&](const auto& a, const auto& b) { return rank(a.name) < rank(b.name); });
    }
    for (const auto& e : items) {
      if (!visit(e)) break;
    }
    return true;
  }

  std::map<std::string, std::vector<std::string>> order_;
};

class FakeNotes : public NotesAccess {
 public:
  std::map<std::string, bool> notes;  // key -> live
  bool HasNote(const std::string& path) override {
    auto it = notes.find(path);
    return it != notes.end() && it->second;
  }
  std::string DbField(const std::string& path) override { return HasNote(path) ? "CAT" : ""; }
  void WalkKeys(const std::function<bool(const std::string&, bool)>& visit) override {
    for (const auto& [key, live] : notes) {
      if (!visit(key, live)) return;
    }
  }
};

class FilesListTest : public ::testing::Test {
 protected:
  FilesListTest() {
    ListServices s;
    s.files = &files_;
    s.please_wait = &wait_;
    s.notes = &notes_;
    s.ask_subfolders = [this] {
      ++questions_;
      return answer_;
    };
    list_ = std::make_unique<FilesList>(std::move(s));
  }
  std::string Touch(const std::string& name) { return dir_.Write(name, {1, 2, 3}); }

  test_support::TempDir dir_;
  OrderedFiles files_;
  fakes::FakePleaseWait wait_;
  FakeNotes notes_;
  SubfolderAnswer answer_ = SubfolderAnswer::kYes;
  int questions_ = 0;
  std::unique_ptr<FilesList> list_;
};

TEST_F(FilesListTest, FolderScanIsDepthFirstInListingOrderThenSortedByName) {
  Touch("c.jpg");
  Touch("sub/b.jpg");
  Touch("a.jpg");
  Touch("notes.txt");
  files_.SetOrder(dir_.Path() + "/", {"c.jpg", "sub", "a.jpg", "notes.txt"});
  std::vector<std::string> added;
  list_->BeginBulkUpdate(-1);
  const std::string first = list_->LoadFolderAsking(dir_.Path());
  // Before the bulk update ends entries are in scan order.
  for (int i = 0; i < list_->Count(); ++i) added.push_back(list_->Peek(i)->name);
  list_->EndBulkUpdate();
  EXPECT_EQ(added, (std::vector<std::string>{"c.jpg", "b.jpg", "a.jpg"}));
  EXPECT_EQ(first, dir_.Path() + "/c.jpg");
  ASSERT_EQ(list_->Count(), 3);
  EXPECT_EQ(list_->FilePathAt(0), dir_.Path() + "/a.jpg");
  EXPECT_EQ(list_->FilePathAt(1), dir_.Path() + "/sub/b.jpg");
  EXPECT_EQ(list_->FilePathAt(2), dir_.Path() + "/c.jpg");
  EXPECT_EQ(questions_, 1);
}

TEST_F(FilesListTest, SubfolderAnswersNoAndAlways) {
  Touch("a.jpg");
  Touch("sub/b.jpg");
  answer_ = SubfolderAnswer::kNo;
  list_->LoadPaths({dir_.Path()}, 100);
  EXPECT_EQ(list_->Count(), 1);
  answer_ = SubfolderAnswer::kAlways;
  list_->LoadPaths({dir_.Path()}, 100);
  EXPECT_EQ(list_->Count(), 2);
  // ALWAYS holds for the rest of the run: no more questions.
  list_->LoadPaths({dir_.Path()}, 100);
  EXPECT_EQ(questions_, 2);
}

TEST_F(FilesListTest, SameFileDroppedTwiceIsAddedOnce) {
  const std::string a = Touch("a.gif");
  EXPECT_EQ(list_->LoadDroppedFiles({a}), a);
  EXPECT_EQ(list_->LoadDroppedFiles({a, dir_.Path() + "/./a.gif"}), a);
  EXPECT_EQ(list_->Count(), 1);
}

TEST_F(FilesListTest, NoAllowableTypeAddsNothing) {
  Touch("a.jpg");
  Touch("b.gif");
  list_->allowable().UseNone();
  list_->allowable().RebuildPattern();
  EXPECT_EQ(list_->LoadDroppedFiles({dir_.Path()}), "");
  EXPECT_EQ(list_->Count(), 0);
}

TEST_F(FilesListTest, PathAtOutsideTheListIsNone) {
  list_->LoadPaths({Touch("a.png")}, 100);
  EXPECT_EQ(list_->FilePathAt(-1), "None");
  EXPECT_EQ(list_->FilePathAt(1), "None");
  EXPECT_EQ(list_->FilePathAt(0), dir_.Path() + "/a.png");
  EXPECT_EQ(list_->EntryAt(5), nullptr);
}

TEST_F(FilesListTest, NotesOnlyDriveLoadAddsLiveExistingAllowableNotedFiles) {
  const std::string live = Touch("d/live.jpg");
  const std::string dead = Touch("d/dead.jpg");
  const std::string text = Touch("d/note.txt");
  Touch("d/unnoted.jpg");
  notes_.notes[live] = true;
  notes_.notes[dead] = false;
  notes_.notes[text] = true;
  notes_.notes[dir_.Path() + "/d/gone.jpg"] = true;
  notes_.notes["/elsewhere/x.jpg"] = true;
  list_->LoadDrives({dir_.Path()}, /*notes_only=*/true);
  ASSERT_EQ(list_->Count(), 1);
  EXPECT_EQ(list_->FilePathAt(0), live);
  EXPECT_EQ(questions_, 0);  // the vanished noted file is not taken for a folder
}

TEST_F(FilesListTest, IdsAreSmallestFreeAndRunOutAtTheTableSize) {
  std::vector<std::string> paths;
  for (int i = 0; i < kMaxEntries + 5; ++i) paths.push_back("/v/f" + std::to_string(i) + ".jpg");
  list_->LoadPaths(paths, 1 << 30, -1, /*trusted=*/true);
  EXPECT_EQ(list_->Count(), kMaxEntries);
  EXPECT_EQ(list_->AddFileToList(100, "/v/extra.jpg", -1, true), -1);
  list_->RemoveFromFilesList("/v/f7.jpg");
  EXPECT_EQ(list_->AddFileToList(100, "/v/extra.jpg", -1, true), 7);
}

TEST_F(FilesListTest, RemovingTheLastEntryMovesCurrentBack) {
  list_->LoadPaths({"/v/a.jpg", "/v/b.jpg", "/v/c.jpg"}, 100, -1, true);
  EXPECT_EQ(list_->Current(), 2);
  list_->ToggleTag(2);
  EXPECT_EQ(list_->TaggedCount(), 1);
  list_->RemoveFromFilesList("/v/c.jpg");
  EXPECT_EQ(list_->Count(), 2);
  EXPECT_EQ(list_->Current(), 1);
  EXPECT_EQ(list_->TaggedCount(), 0);
  EXPECT_FALSE(list_->Contains("/v/c.jpg"));
}

TEST_F(FilesListTest, RepathKeepsTheEntryInPlaceAndDropsAListedTarget) {
  list_->LoadPaths({"/v/a.jpg", "/v/b.jpg", "/v/c.jpg"}, 100, -1, true);
  FileEntry* a = list_->MutablePeek(0);
  const int32_t id = a->id;
  a->width = 40;
  a->thumb_offset = 120;
  a->db_field = "NOTE";
  list_->SetTag(0, true);
  list_->SetTag(2, true);
  ASSERT_TRUE(list_->RepathEntry(0, "/w/z.jpg"));
  const FileEntry* moved = list_->Peek(0);
  EXPECT_EQ(moved->id, id);
  EXPECT_EQ(moved->Path(), "/w/z.jpg");
  EXPECT_EQ(moved->width, 40);
  EXPECT_EQ(moved->thumb_offset, 120);
  EXPECT_EQ(moved->db_field, "NOTE");
  EXPECT_TRUE(moved->tagged);
  EXPECT_FALSE(list_->Contains("/v/a.jpg"));
  EXPECT_EQ(list_->FindInFilesList("/w/z.jpg"), 0);
  EXPECT_EQ(list_->Count(), 3);

  // Moving onto a listed file: that entry (and its tag) leaves, this one stays itself.
  const int32_t b_id = list_->Peek(1)->id;
  ASSERT_TRUE(list_->RepathEntry(1, "/v/c.jpg"));
  EXPECT_EQ(list_->Count(), 2);
  EXPECT_EQ(list_->TaggedCount(), 1);
  EXPECT_EQ(list_->FindInFilesList("/v/c.jpg"), list_->PositionOfId(b_id));
  EXPECT_FALSE(list_->Contains("/v/b.jpg"));

  EXPECT_FALSE(list_->RepathEntry(5, "/v/q.jpg"));
  EXPECT_FALSE(list_->RepathEntry(0, "/v/"));
  EXPECT_EQ(list_->Peek(0)->Path(), "/w/z.jpg");
}

TEST_F(FilesListTest, SortKindsAndDirections) {
  list_->LoadPaths({"/v/a.jpg", "/w/b.jpg", "/u/c.jpg"}, 100, -1, true);
  auto set = [&](const std::string& path, int64_t size, int w, int h) {
    FileEntry* e = list_->MutablePeek(list_->FindInFilesList(path));
    e->size = size;
    e->width = w;
    e->height = h;
    e->scanned = true;
  };
  set("/v/a.jpg", 30, 10, 300);
  set("/w/b.jpg", 10, 20, 100);
  set("/u/c.jpg", 20, 30, 200);
  auto names = [&] {
    std::string s;
    for (int i = 0; i < list_->Count(); ++i) s += list_->Peek(i)->name[0];
    return s;
  };
  const int32_t focused = list_->Peek(0)->id;  // a.jpg
  list_->SortFilesList(kSortSize);
  EXPECT_EQ(names(), "bca");
  list_->SortFilesList(kSortSize);  // the same kind again reverses
  EXPECT_EQ(names(), "acb");
  EXPECT_EQ(list_->PositionOfId(focused), 0);
  list_->SortFilesList(kSortFolder);  // another kind sorts ascending
  EXPECT_EQ(names(), "cab");
  list_->SortFilesList(-1);
  EXPECT_EQ(names(), "bac");
  list_->SortBy(kSortDimension, 1);  // width first
  EXPECT_EQ(names(), "abc");
  list_->SortBy(kSortDimension, -1);  // height first, tallest first
  EXPECT_EQ(names(), "acb");
  list_->SetTag(list_->FindInFilesList("/u/c.jpg"), true);
  list_->SortBy(kSortTag, 1);
  EXPECT_EQ(names()[0], 'c');
  EXPECT_EQ(list_->TaggedSize(), 20);
}

TEST(AllowableTypes, PatternAndWholeItemMatching) {
  AllowableTypes types;
  types.UseNone();
  types.SetChecked(1, true);  // .BMP
  types.SetChecked(6, true);  // .GIF
  types.RebuildPattern();
  EXPECT_EQ(types.pattern(), ".BMP*.GIF*");
  EXPECT_TRUE(types.IsAllowableType(".gif"));
  EXPECT_FALSE(types.IsAllowableType(".JPG"));
  EXPECT_FALSE(types.IsAllowableType(""));
  types.UseAll();
  types.RebuildPattern();
  EXPECT_TRUE(types.IsAllowableType(".JPE"));
  EXPECT_FALSE(types.IsAllowableType(".PE"));  // not a suffix of ".JPE*"
  EXPECT_LE(types.pattern().size(), kMaxPatternLength);
  types.UseNone();
  types.UseSounds();
  EXPECT_TRUE(types.AnyChecked());
  types.RebuildPattern();
  EXPECT_EQ(types.pattern(), ".MID*.MIDI*.WAV*");
  EXPECT_EQ(UpperExtension("/a.b/c"), "");
  EXPECT_EQ(UpperExtension("/x/photo.Jpeg"), ".JPEG");
}

TEST(TitleCasePath, UpperAfterNonLetters) {
  EXPECT_EQ(TitleCasePath("C:\\MY PICS\\CAT2DOG.JPG"), "C:\\My Pics\\Cat2Dog.Jpg");
}

}  // namespace
}  // namespace vr::lists
