// Opening a database whose files were left behind by a program that died, or were damaged:
// every record of .NAM survives and .DIR and .IDX are made again from the records.
#include <sys/stat.h>

#include <filesystem>

#include "tests/notes/notes_test_util.h"

namespace vr::notes::testing {
namespace {

namespace fs = std::filesystem;

class NotesRecoveryTest : public NotesDbTest {
 protected:
  // Three notes in two folders, the database still open (the index only in memory).
  void WriteThree() {
    ASSERT_EQ(db_.WriteNote("/r/b.jpg", Note("b")).status, 0u);
    ASSERT_EQ(db_.WriteNote("/r/a.jpg", Note("a")).status, 0u);
    ASSERT_EQ(db_.WriteNote("/s/c.jpg", Note("c")).status, 0u);
  }
  // What a program that died now would leave: the files as they are, no close.
  std::string SnapshotAs(const std::string& name) {
    const std::string copy = dir_.File(name);
    for (const char* ext : {".DIR", ".NAM", ".IDX"}) {
      if (fs::exists(base_ + ext)) fs::copy_file(base_ + ext, copy + ext);
    }
    return copy;
  }
  static void ExpectThree(NotesDatabase& db) {
    NotesRecord out;
    for (const char* k : {"/r/a.jpg", "/r/b.jpg", "/s/c.jpg"}) {
      ASSERT_EQ(db.ReadNote(k, &out).status, 0u) << k;
      EXPECT_EQ(out.category, std::string(1, k[3]));
    }
    EXPECT_EQ(db.NoteCount(), 3);
    EXPECT_EQ(JoinProblems(db.CheckIntegrity()), "");
  }
  void OpenCopyAndCheck(const std::string& copy) {
    NotesDatabase other;
    ASSERT_EQ(other.OpenNotesDatabase(copy), 0u);
    EXPECT_FALSE(other.LastOpenReport().created);
    ExpectThree(other);
    ASSERT_EQ(other.CloseNotesDatabase().status, 0u);
    EXPECT_EQ(JoinProblems(CheckNotesFiles(copy)), "");
  }
};

TEST_F(NotesRecoveryTest, NotesWrittenSinceTheLastCloseAreIndexedAgainOnOpen) {
  WriteThree();
  const std::string copy = SnapshotAs("died");
  EXPECT_EQ(test_support::TempDir::Read(copy + ".IDX").size(), 4u);  // only the sentinel
  NotesDatabase other;
  ASSERT_EQ(other.OpenNotesDatabase(copy), 0u);
  EXPECT_EQ(other.LastOpenReport().reindexed, 3u);
  EXPECT_FALSE(other.LastOpenReport().rebuilt_index);
  EXPECT_NE(other.LastOpenReport().message, "");
  ExpectThree(other);
  ASSERT_EQ(other.CloseNotesDatabase().status, 0u);
  EXPECT_EQ(JoinProblems(CheckNotesFiles(copy)), "");
  // Once closed the repair is on disk and the next open finds nothing to mend.
  ASSERT_EQ(other.OpenNotesDatabase(copy), 0u);
  EXPECT_EQ(other.LastOpenReport().message, "");
}

TEST_F(NotesRecoveryTest, MissingIndexOrFolderTableIsRebuiltFromTheRecords) {
  WriteThree();
  Reopen();
  const Bytes dir_before = File(".DIR");
  for (const auto& missing :
       std::vector<std::vector<const char*>>{{".IDX"}, {".DIR"}, {".DIR", ".IDX"}}) {
    const std::string copy =
        SnapshotAs(std::string("m") + std::to_string(missing.size()) + missing[0]);
    for (const char* ext : missing) fs::remove(copy + ext);
    OpenCopyAndCheck(copy);
    // Folders come back with their old numbers: the order their first record was written in.
    EXPECT_EQ(test_support::TempDir::Read(copy + ".DIR"), dir_before);
  }
}

TEST_F(NotesRecoveryTest, DamagedIndexIsRebuilt) {
  WriteThree();
  Reopen();
  const std::vector<Bytes> damaged = {
      {1, 0, 0},                             // torn entry
      {9, 0, 0, 0, 0, 0, 0, 0},              // record out of range
      {3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0},  // keys out of order, entries missing
      {0, 0, 0, 0, 1, 0, 0, 0},              // sentinel first
      {1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0},  // a record twice
      {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0},  // negative
  };
  int n = 0;
  for (const Bytes& idx : damaged) {
    const std::string copy = SnapshotAs("idx" + std::to_string(n++));
    dir_.Write(fs::path(copy).filename().string() + ".IDX", idx);
    NotesDatabase other;
    ASSERT_EQ(other.OpenNotesDatabase(copy), 0u);
    EXPECT_TRUE(other.LastOpenReport().rebuilt_index) << n;
    ExpectThree(other);
  }
}

TEST_F(NotesRecoveryTest, DamagedFolderTableIsRebuiltAndFolderNumbersFollow) {
  WriteThree();
  Reopen();
  Bytes dir = File(".DIR");
  dir[361] = 7;  // folder record 0 claims to be folder 7
  const std::string copy = SnapshotAs("dir");
  dir_.Write("dir.DIR", dir);
  OpenCopyAndCheck(copy);

  // A folder table that lost its first record: every folder number shifts, and is mended.
  const std::string shifted = SnapshotAs("shifted");
  const Bytes full_dir = File(".DIR");
  Bytes short_dir(full_dir.begin() + 363, full_dir.end());
  short_dir[361] = 0;
  dir_.Write("shifted.DIR", short_dir);
  NotesDatabase other;
  ASSERT_EQ(other.OpenNotesDatabase(shifted), 0u);
  EXPECT_GT(other.LastOpenReport().refiled, 0u);
  ExpectThree(other);
}

TEST_F(NotesRecoveryTest, TornTailOfNamKeepsWholeRecordsAndIsReported) {
  WriteThree();
  Reopen();
  const std::string copy = SnapshotAs("torn");
  Bytes nam = test_support::TempDir::Read(copy + ".NAM");
  nam.insert(nam.end(), 100, 'X');
  dir_.Write("torn.NAM", nam);
  NotesDatabase other;
  ASSERT_EQ(other.OpenNotesDatabase(copy), 0u);
  EXPECT_EQ(other.LastOpenReport().torn_tail_bytes, 100u);
  EXPECT_NE(other.LastOpenReport().message.find("100 byte(s)"), std::string::npos);
  ExpectThree(other);
  // The next note takes the place of the torn tail.
  ASSERT_EQ(other.WriteNote("/r/d.jpg", Note("d")).status, 0u);
  EXPECT_EQ(test_support::TempDir::Read(copy + ".NAM").size(), 5u * 1024);
  ASSERT_EQ(other.CloseNotesDatabase().status, 0u);
  EXPECT_EQ(JoinProblems(CheckNotesFiles(copy)), "");
}

TEST_F(NotesRecoveryTest, DamagedRecordsAndSentinelAreSetAsideNotIndexed) {
  WriteThree();
  Reopen();
  const std::string copy = SnapshotAs("rec");
  Bytes nam = test_support::TempDir::Read(copy + ".NAM");
  nam[5] = 0;                                                    // sentinel broken
  std::fill(nam.begin() + 2048, nam.begin() + 2048 + 361, 'Q');  // record 2: key without NUL
  dir_.Write("rec.NAM", nam);
  NotesDatabase other;
  ASSERT_EQ(other.OpenNotesDatabase(copy), 0u);
  EXPECT_EQ(other.LastOpenReport().damaged_records, 1u);
  EXPECT_EQ(other.NoteCount(), 2);
  NotesRecord out;
  EXPECT_EQ(other.ReadNote("/r/b.jpg", &out).status, 0u);
  EXPECT_EQ(other.ReadNote("/s/c.jpg", &out).status, 0u);
  EXPECT_EQ(JoinProblems(other.CheckIntegrity()), "");
}

// Found by fuzzing the open: two records with one key and a damaged folder table.
TEST_F(NotesRecoveryTest, RepeatedKeyKeepsItsFirstRecordAndTheFilesStaySound) {
  WriteThree();
  Reopen();
  const std::string copy = SnapshotAs("dup");
  Bytes nam = test_support::TempDir::Read(copy + ".NAM");
  Bytes repeat(nam.begin() + 1024, nam.begin() + 2048);  // record 1 again, other text
  repeat[367] = 'Z';
  nam.insert(nam.end(), repeat.begin(), repeat.end());
  dir_.Write("dup.NAM", nam);
  dir_.Write("dup.DIR", {'/', 0});
  dir_.Write("dup.IDX", {});
  NotesDatabase other;
  ASSERT_EQ(other.OpenNotesDatabase(copy), 0u);
  EXPECT_EQ(other.LastOpenReport().duplicate_records, 1u);
  ExpectThree(other);  // "/r/b.jpg" still reads "b", not the later "Z"
  ASSERT_EQ(other.CloseNotesDatabase().status, 0u);
  EXPECT_EQ(JoinProblems(CheckNotesFiles(copy)), "");
  ASSERT_EQ(other.OpenNotesDatabase(copy), 0u);
  EXPECT_FALSE(other.LastOpenReport().rebuilt_index);
  ExpectThree(other);
}

TEST_F(NotesRecoveryTest, MissingNamMakesANewDatabaseButAnUnusableNamIsNeverReplaced) {
  WriteThree();
  Reopen();
  const std::string gone = SnapshotAs("gone");
  fs::remove(gone + ".NAM");
  NotesDatabase fresh;
  ASSERT_EQ(fresh.OpenNotesDatabase(gone), 0u);
  EXPECT_TRUE(fresh.LastOpenReport().created);
  EXPECT_EQ(fresh.NoteCount(), 0);
  EXPECT_EQ(test_support::TempDir::Read(gone + ".DIR").size(), 0u);

  // A .NAM that cannot be opened for writing (here a folder by that name) fails the open.
  const std::string blocked = dir_.File("blocked");
  fs::create_directory(blocked + ".NAM");
  NotesDatabase other;
  EXPECT_EQ(other.OpenNotesDatabase(blocked), 1u);
  EXPECT_EQ(other.LastOpenReport().message, "Could NOT OPEN blocked DataBase File!");
  EXPECT_TRUE(fs::is_directory(blocked + ".NAM"));
  EXPECT_FALSE(fs::exists(blocked + ".IDX"));
  NotesRecord r;
  std::string folder;
  EXPECT_EQ(other.FirstNote(&r, &folder), 1u);
  EXPECT_EQ(other.ReadNote("/r/a.jpg", &r).status, 1u);
}

TEST_F(NotesRecoveryTest, EmptyNamFromACutShortCreationGetsItsSentinel) {
  const std::string base = dir_.File("cut");
  dir_.Write("cut.NAM", {});
  NotesDatabase db;
  ASSERT_EQ(db.OpenNotesDatabase(base), 0u);
  EXPECT_EQ(test_support::TempDir::Read(base + ".NAM").size(), 1024u);
  ASSERT_EQ(db.WriteNote("/x/y", Note("v")).status, 0u);
  EXPECT_EQ(JoinProblems(db.CheckIntegrity()), "");
  ASSERT_EQ(db.CloseNotesDatabase().status, 0u);
  EXPECT_EQ(JoinProblems(CheckNotesFiles(base)), "");
}

}  // namespace
}  // namespace vr::notes::testing
