// Records, folders, the index and the walk of the Notes database, checked against the file
// layout byte for byte.
#include <algorithm>
#include <random>

#include "notes/notes_record.h"
#include "platform/path_rules.h"
#include "tests/notes/notes_test_util.h"

namespace vr::notes::testing {
namespace {

// The sentinel as the layout defines it: 360 x FF, NUL, folder -1, zeros.
Bytes SentinelBytes() {
  Bytes b(1024, 0);
  std::fill(b.begin(), b.begin() + 360, 0xFF);
  Put32(&b, 361, -1);
  return b;
}

TEST_F(NotesDbTest, NewDatabaseIsThreeFilesOfZeroThousandTwentyFourAndFourBytes) {
  EXPECT_EQ(File(".DIR"), Bytes{});
  EXPECT_EQ(File(".NAM"), SentinelBytes());
  EXPECT_EQ(File(".IDX"), (Bytes{0, 0, 0, 0}));
  EXPECT_TRUE(db_.LastOpenReport().created);
  EXPECT_EQ(db_.NoteCount(), 0);
  NotesRecord r;
  std::string folder;
  EXPECT_EQ(db_.FirstNote(&r, &folder), 2u);
  EXPECT_EQ(db_.LastNote(&r, &folder), 2u);
}

TEST_F(NotesDbTest, FirstNoteAddsFolderZeroAndOneRecordLaidOutByteForByte) {
  NotesRecord in;
  in.category = "Holiday";
  in.sub_category1 = "Beach";
  in.sub_category2 = "Sun";
  in.number1 = -7;
  in.number2 = 0x01020304;
  in.key_words = "sea sand";
  in.notes = "first day";
  for (int i = 0; i < 192; ++i)
    in.finger_print_data[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  in.file_modified_date = 0x5A3C2B1D;
  in.res_x = 640;
  in.res_y = 480;
  ASSERT_EQ(db_.WriteNote("/pics/a.jpg", in).status, 0u);
  EXPECT_EQ(db_.NoteCount(), 1);

  Bytes dir(363, 0);
  std::memcpy(dir.data(), "/pics/", 6);
  dir[361] = 0;
  dir[362] = 0;
  EXPECT_EQ(File(".DIR"), dir);

  Bytes rec(1024, 0);
  std::memcpy(rec.data(), "/pics/a.jpg", 11);
  Put32(&rec, 361, 0);
  rec[365] = 255;
  PutStr(&rec, 366, "Holiday");
  PutStr(&rec, 382, "Beach");
  PutStr(&rec, 393, "Sun");
  Put32(&rec, 404, -7);
  Put32(&rec, 408, 0x01020304);
  PutStr(&rec, 412, "sea sand");
  PutStr(&rec, 541, "first day");
  for (int i = 0; i < 192; ++i) rec[742 + static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  Put32(&rec, 934, 0x5A3C2B1D);
  Put32(&rec, 938, 640);
  Put32(&rec, 942, 480);
  Bytes nam = SentinelBytes();
  nam.insert(nam.end(), rec.begin(), rec.end());
  // The record is in .NAM as soon as WriteNote returns, before any close.
  EXPECT_EQ(File(".NAM"), nam);

  ASSERT_EQ(db_.CloseNotesDatabase().status, 0u);
  EXPECT_EQ(File(".IDX"), (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_EQ(db_.OpenNotesDatabase(base_), 0u);
  EXPECT_EQ(db_.LastOpenReport().message, "");
  NotesRecord out;
  ASSERT_EQ(db_.ReadNote("/pics/a.jpg", &out).status, 0u);
  in.file_name_key = "/pics/a.jpg";
  in.folder_number = 0;
  in.live_flag = 255;
  EXPECT_EQ(out, in);
}

TEST_F(NotesDbTest, RewritingAKeyReusesItsRecordAndAddsNoIndexEntry) {
  ASSERT_EQ(db_.WriteNote("/pics/a.jpg", Note("one", "long first text")).status, 0u);
  ASSERT_EQ(db_.WriteNote("/pics/a.jpg", Note("two")).status, 0u);
  EXPECT_EQ(db_.NoteCount(), 1);
  EXPECT_EQ(File(".NAM").size(), 2048u);
  NotesRecord out;
  ASSERT_EQ(db_.ReadNote("/pics/a.jpg", &out).status, 0u);
  EXPECT_EQ(out.category, "two");
  EXPECT_EQ(out.notes, "");
  Reopen();
  EXPECT_EQ(File(".IDX").size(), 8u);
}

TEST_F(NotesDbTest, KeysWalkInUnsignedByteOrderWithOneFolderRecordPerFolder) {
  // Prefixes, bytes above 0x7F and folders shared by several files.
  std::vector<std::string> keys = {"/p/b", "/p/a",         "/p/ab", "/p/\xC3\xA9.jpg", "/p/Z",
                                   "/q/a", "/p/sub/x.gif", "/a",    "/p/a b",          "/p/~"};
  std::mt19937 rng(7);
  std::shuffle(keys.begin(), keys.end(), rng);
  for (const auto& k : keys) ASSERT_EQ(db_.WriteNote(k, Note(k)).status, 0u) << k;
  EXPECT_EQ(db_.FolderCount(), 4u);  // "/", "/p/", "/q/", "/p/sub/"
  EXPECT_EQ(File(".DIR").size(), 4u * 363);

  std::vector<std::string> sorted = keys;
  std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return static_cast<uint8_t>(x) < static_cast<uint8_t>(y);
    });
  });
  auto walk = [&] {
    std::vector<std::string> seen;
    NotesRecord r;
    std::string folder;
    for (unsigned s = db_.FirstNote(&r, &folder); s == 0; s = db_.NextNote(&r, &folder)) {
      EXPECT_EQ(folder, std::string(FolderOfKey(r.file_name_key)));
      EXPECT_EQ(r.category, r.file_name_key);
      seen.push_back(r.file_name_key);
    }
    return seen;
  };
  EXPECT_EQ(walk(), sorted);
  Reopen();
  EXPECT_EQ(walk(), sorted);
  // The saved index: record numbers in key order, the sentinel last.
  const Bytes idx = File(".IDX");
  ASSERT_EQ(idx.size(), 4 * (keys.size() + 1));
  EXPECT_EQ(GetLe32(idx.data() + idx.size() - 4), 0);
  for (size_t k = 0; k < sorted.size(); ++k) {
    const int32_t rec = GetLe32(idx.data() + 4 * k);
    const size_t written =
        static_cast<size_t>(std::find(keys.begin(), keys.end(), sorted[k]) - keys.begin());
    EXPECT_EQ(rec, static_cast<int32_t>(written + 1)) << sorted[k];
  }
}

TEST_F(NotesDbTest, DeleteKeepsFieldsAndWriteRevivesTheSameRecord) {
  ASSERT_EQ(db_.WriteNote("/pics/a.jpg", Note("keep", "these")).status, 0u);
  ASSERT_EQ(db_.DeleteNote("/pics/a.jpg").status, 0u);
  NotesRecord out;
  ASSERT_EQ(db_.ReadNote("/pics/a.jpg", &out).status, 0u);
  EXPECT_EQ(out.live_flag, 0);
  EXPECT_EQ(out.category, "keep");
  EXPECT_EQ(out.notes, "these");
  EXPECT_EQ(File(".NAM")[1024 + 365], 0);
  EXPECT_EQ(db_.NoteCount(), 1);  // the index entry stays

  ASSERT_EQ(db_.WriteNote("/pics/a.jpg", Note("back")).status, 0u);
  ASSERT_EQ(db_.ReadNote("/pics/a.jpg", &out).status, 0u);
  EXPECT_EQ(out.live_flag, 255);
  EXPECT_EQ(out.category, "back");
  EXPECT_EQ(File(".NAM").size(), 2048u);
}

TEST_F(NotesDbTest, MissingFolderOrKeyGiveStatusOneWithTheirMessages) {
  ASSERT_EQ(db_.WriteNote("/pics/a.jpg", Note("x")).status, 0u);
  NotesRecord out;
  out.category = "stale";
  out.number1 = 9;
  NotesStatus s = db_.ReadNote("/other/a.jpg", &out);
  EXPECT_EQ(s.status, 1u);
  EXPECT_EQ(s.message,
            "Error: Reading Record Notes Database with /other/a.jpg, should be IMMPOSSIBLE[2]!");
  EXPECT_EQ(out.file_name_key, "/other/a.jpg");
  EXPECT_EQ(out.category, "");
  EXPECT_EQ(out.number1, 0);

  s = db_.ReadNote("/pics/b.jpg", &out);
  EXPECT_EQ(s.status, 1u);
  EXPECT_EQ(s.message,
            "Error: Reading Record Notes Database with /pics/b.jpg, should be IMMPOSSIBLE[1]!");

  s = db_.DeleteNote("/other/a.jpg");
  EXPECT_EQ(s.status, 1u);
  EXPECT_EQ(s.message,
            "Error: Deleting record from Notes Database:  Path NOT Found for /other/a.jpg");
  s = db_.DeleteNote("/pics/b.jpg");
  EXPECT_EQ(s.status, 1u);
  EXPECT_EQ(s.message,
            "Error: Deleting record from Notes Database:  FileNameKey Not Found for /pics/b.jpg");
}

TEST_F(NotesDbTest, MoveAndCopyCarryTheFieldsAndAnAbsentNoteMovesAsAnEmptyRecord) {
  ASSERT_EQ(db_.WriteNote("/a/one.jpg", Note("cat", "text")).status, 0u);
  db_.MoveNote("/a/one.jpg", "/b/one.jpg");
  NotesRecord out;
  ASSERT_EQ(db_.ReadNote("/b/one.jpg", &out).status, 0u);
  EXPECT_EQ(out.category, "cat");
  EXPECT_EQ(out.live_flag, 255);
  ASSERT_EQ(db_.ReadNote("/a/one.jpg", &out).status, 0u);
  EXPECT_EQ(out.live_flag, 0);

  db_.CopyNote("/b/one.jpg", "/c/copy.jpg");
  ASSERT_EQ(db_.ReadNote("/c/copy.jpg", &out).status, 0u);
  EXPECT_EQ(out.notes, "text");
  ASSERT_EQ(db_.ReadNote("/b/one.jpg", &out).status, 0u);
  EXPECT_EQ(out.live_flag, 255);

  db_.MoveNote("/a/none.jpg", "/d/none.jpg");
  ASSERT_EQ(db_.ReadNote("/d/none.jpg", &out).status, 0u);
  NotesRecord empty;
  empty.file_name_key = "/d/none.jpg";
  empty.folder_number = out.folder_number;
  empty.live_flag = 255;
  EXPECT_EQ(out, empty);
}

TEST_F(NotesDbTest, WalkStatusesAndPositions) {
  for (const char* k : {"/w/c", "/w/a", "/w/b"}) ASSERT_EQ(db_.WriteNote(k, Note(k)).status, 0u);
  NotesRecord r;
  std::string folder;
  ASSERT_EQ(db_.LastNote(&r, &folder), 0u);
  EXPECT_EQ(r.file_name_key, "/w/c");
  EXPECT_EQ(db_.CurrentNotePosition(), 3);
  EXPECT_EQ(db_.NextNote(&r, &folder), 2u);  // the sentinel is never walked to
  ASSERT_EQ(db_.PreviousNote(&r, &folder), 0u);
  EXPECT_EQ(r.file_name_key, "/w/b");
  db_.SetNotePosition(1);
  ASSERT_EQ(db_.NextNote(&r, &folder), 0u);
  EXPECT_EQ(r.file_name_key, "/w/b");
  ASSERT_EQ(db_.FirstNote(&r, &folder), 0u);
  EXPECT_EQ(db_.PreviousNote(&r, &folder), 2u);
  // Reading a note makes it current.
  ASSERT_EQ(db_.ReadNote("/w/b", &r).status, 0u);
  EXPECT_EQ(db_.CurrentNotePosition(), 2);

  ASSERT_EQ(db_.CloseNotesDatabase().status, 0u);
  EXPECT_EQ(db_.FirstNote(&r, &folder), 1u);
  const NotesStatus again = db_.CloseNotesDatabase();
  EXPECT_EQ(again.status, 2u);
  EXPECT_EQ(again.message, "Error: DataBase memory was not allocated, so close not completed!");
  EXPECT_EQ(db_.WriteNote("/w/d", Note("x")).status, 1u);
}

TEST_F(NotesDbTest, LimitsFailWithAStatusInsteadOfOverflowing) {
  // Key of 360 characters is the longest that fits; one more fails.
  const std::string folder = "/" + std::string(300, 'f') + "/";
  const std::string fits = folder + std::string(360 - folder.size(), 'k');
  ASSERT_EQ(db_.WriteNote(fits, Note("ok")).status, 0u);
  const NotesStatus long_key = db_.WriteNote(fits + "x", Note("no"));
  EXPECT_EQ(long_key.status, 1u);
  EXPECT_NE(long_key.message.find("longer than 360"), std::string::npos);
  // A path without a folder and the sentinel's own key are not notes.
  EXPECT_EQ(db_.WriteNote("nofolder.jpg", Note("no")).status, 1u);
  EXPECT_EQ(db_.WriteNote(std::string(360, '\xFF'), Note("no")).status, 1u);

  db_.SetMaxEntriesForTesting(4);  // sentinel + 3 notes
  ASSERT_EQ(db_.WriteNote("/l/2", Note("ok")).status, 0u);
  ASSERT_EQ(db_.WriteNote("/l/3", Note("ok")).status, 0u);
  const NotesStatus full = db_.WriteNote("/l/4", Note("no"));
  EXPECT_EQ(full.status, 1u);
  EXPECT_EQ(full.message,
            "Error: Updating Notes Database with /l/4, the DataBase is full (3 notes)");
  EXPECT_EQ(db_.WriteNote("/l/3", Note("rewrite still works")).status, 0u);
  EXPECT_EQ(db_.NoteCount(), 3);
  EXPECT_EQ(File(".NAM").size(), 4u * 1024);
}

TEST_F(NotesDbTest, TenThousandFoldersAtMost) {
  for (int i = 0; i < 10000; ++i) {
    ASSERT_EQ(db_.WriteNote("/f" + std::to_string(i) + "/a", Note("x")).status, 0u) << i;
  }
  const NotesStatus s = db_.WriteNote("/f10000/a", Note("x"));
  EXPECT_EQ(s.status, 1u);
  EXPECT_EQ(s.message,
            "Error: Updating Notes Database with /f10000/a, the DataBase is full (10000 folders)");
  EXPECT_EQ(db_.WriteNote("/f9999/b", Note("same folder")).status, 0u);
  EXPECT_EQ(File(".DIR").size(), 10000u * 363);
  const Bytes dir = File(".DIR");
  EXPECT_EQ(dir[9999 * 363 + 361], 9999 & 0xFF);
  EXPECT_EQ(dir[9999 * 363 + 362], 9999 >> 8);
}

TEST_F(NotesDbTest, FoldingCaseRuleMapsPathsDifferingInCaseToOneUpperCaseRecord) {
  platform::SetPathCaseRule(platform::CaseRule::kFoldAscii);
  EXPECT_EQ(db_.WriteNote("/pics/Sun.jpg", Note("one")).status, 0u);
  EXPECT_EQ(db_.WriteNote("/PICS/sun.JPG", Note("two")).status, 0u);
  NotesRecord out;
  EXPECT_EQ(db_.ReadNote("/Pics/SUN.jpg", &out).status, 0u);
  platform::SetPathCaseRule(platform::CaseRule::kExact);
  EXPECT_EQ(out.file_name_key, "/PICS/SUN.JPG");
  EXPECT_EQ(out.category, "two");
  EXPECT_EQ(db_.NoteCount(), 1);
  // Under the exact rule case matters.
  EXPECT_EQ(db_.ReadNote("/pics/Sun.jpg", &out).status, 1u);
}

TEST_F(NotesDbTest, IntegrityCheckNoticesARecordChangedBehindTheDatabasesBack) {
  ASSERT_EQ(db_.WriteNote("/i/a", Note("x")).status, 0u);
  ASSERT_EQ(db_.WriteNote("/i/b", Note("x")).status, 0u);
  EXPECT_TRUE(db_.CheckIntegrity().empty());
  // Another writer changes record 1's key and folder number.
  {
    Bytes nam = File(".NAM");
    nam[1024 + 3] = 'z';
    Put32(&nam, 1024 + 361, 5);
    FILE* f = std::fopen((base_ + ".NAM").c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fwrite(nam.data(), 1, nam.size(), f);
    std::fclose(f);
  }
  EXPECT_FALSE(db_.CheckIntegrity().empty());
  EXPECT_FALSE(CheckNotesFiles(base_).empty());
  // Reopening mends it: the changed record is filed again under its own key.
  Reopen();
  EXPECT_EQ(db_.LastOpenReport().rebuilt_index, true);
  NotesRecord out;
  EXPECT_EQ(db_.ReadNote("/i/z", &out).status, 0u);
  EXPECT_EQ(db_.ReadNote("/i/b", &out).status, 0u);
}

}  // namespace
}  // namespace vr::notes::testing
