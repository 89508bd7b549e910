// Compaction: which records are kept, how orphans travel through the re-link step, what is
// reported, and that the old database stays whole when the new one cannot be finished.
#include <filesystem>
#include <set>

#include "tests/notes/notes_test_util.h"

namespace vr::notes::testing {
namespace {

namespace fs = std::filesystem;

class NotesCompactTest : public NotesDbTest {
 protected:
  CompactionCallbacks Callbacks() {
    CompactionCallbacks cb;
    cb.report_error = [this](const std::string& e) { errors_.push_back(e); };
    cb.report_number = [this](long n) { numbers_.push_back(n); };
    cb.report_line = [this](const std::string& l) { lines_.push_back(l); };
    cb.file_exists = [this](const std::string& p) { return existing_.count(p) > 0; };
    return cb;
  }
  std::set<std::string> existing_;
  std::vector<std::string> errors_;
  std::vector<long> numbers_;
  std::vector<std::string> lines_;
};

TEST_F(NotesCompactTest, KeepsLiveNotesWithDataAndDropsTheRest) {
  NotesRecord stamped;
  stamped.file_modified_date = 12345;  // no user text, but a stamp: kept
  NotesRecord empty;
  NotesRecord printed;  // a fingerprint alone is not worth keeping
  printed.finger_print_data[0] = 9;
  NotesRecord fixed_orphan = Note("gone");
  NotesRecord net_orphan = Note("net");
  net_orphan.finger_print_data[5] = 77;
  net_orphan.res_x = 10;
  ASSERT_EQ(db_.WriteNote("/k/live.jpg", Note("cat")).status, 0u);
  ASSERT_EQ(db_.WriteNote("/k/stamp.jpg", stamped).status, 0u);
  ASSERT_EQ(db_.WriteNote("/k/empty.jpg", empty).status, 0u);
  ASSERT_EQ(db_.WriteNote("/k/print.jpg", printed).status, 0u);
  ASSERT_EQ(db_.WriteNote("/k/deleted.jpg", Note("x")).status, 0u);
  ASSERT_EQ(db_.DeleteNote("/k/deleted.jpg").status, 0u);
  ASSERT_EQ(db_.WriteNote("/fixed/gone.jpg", fixed_orphan).status, 0u);
  ASSERT_EQ(db_.WriteNote("/net/away.jpg", net_orphan).status, 0u);
  ASSERT_EQ(db_.WriteNote("/k/moved.jpg", Note("moved")).status, 0u);
  ASSERT_EQ(db_.CloseNotesDatabase().status, 0u);
  existing_ = {"/k/live.jpg",  "/k/stamp.jpg",   "/k/empty.jpg",
               "/k/print.jpg", "/k/deleted.jpg", "/elsewhere/moved.jpg"};

  CompactionCallbacks cb = Callbacks();
  std::vector<std::string> seen_orphans;
  cb.relink = [&](std::vector<std::string>* orphans, NotesDatabase& main, NotesDatabase& temp) {
    seen_orphans = *orphans;
    // Resolve the moved file; drop the fixed-disk orphan; leave the network one.
    NotesRecord r;
    EXPECT_EQ(main.ReadNote("/k/moved.jpg", &r).status, 0u);
    EXPECT_EQ(temp.WriteNote("/elsewhere/moved.jpg", r).status, 0u);
    std::erase_if(*orphans, [](const std::string& o) {
      return o == "/k/moved.jpg" || o.rfind("/fixed/", 0) == 0;
    });
    return 1L;
  };
  const CompactionResult result = CompactNotesDatabase(base_, cb);
  EXPECT_EQ(result.status, 0u);
  EXPECT_EQ(result.relinked, 1);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_EQ(seen_orphans,
            (std::vector<std::string>{"/fixed/gone.jpg", "/net/away.jpg", "/k/moved.jpg"}));
  EXPECT_EQ(numbers_.size(), 9u);  // the sentinel and eight records, numbered from 1
  EXPECT_EQ(numbers_.front(), 1);
  EXPECT_EQ(numbers_.back(), 9);

  const std::vector<std::string> expected_lines = {
      "-Removing: " + std::string(360, '\xFF') + " from DataBase",
      "+Adding: live.jpg",
      "+Adding: stamp.jpg",
      "-Removing: empty.jpg from DataBase",
      "-Removing: print.jpg from DataBase",
      "-Removing: deleted.jpg from DataBase",
      "-Removing: gone.jpg from DataBase",
      "-Removing: away.jpg from DataBase",
      "-Removing: moved.jpg from DataBase",
      "<Adding: /net/away.jpg",
      "Compaction COMPLETED!"};
  EXPECT_EQ(lines_, expected_lines);

  for (const char* ext : {".DIR", ".NAM", ".IDX"}) EXPECT_FALSE(fs::exists(base_ + "_TMP" + ext));
  ASSERT_EQ(db_.OpenNotesDatabase(base_), 0u);
  EXPECT_EQ(db_.LastOpenReport().message, "");
  EXPECT_EQ(db_.NoteCount(), 4);
  NotesRecord out;
  EXPECT_EQ(db_.ReadNote("/k/live.jpg", &out).status, 0u);
  EXPECT_EQ(db_.ReadNote("/k/stamp.jpg", &out).status, 0u);
  EXPECT_EQ(out.file_modified_date, 12345);
  EXPECT_EQ(db_.ReadNote("/elsewhere/moved.jpg", &out).status, 0u);
  EXPECT_EQ(out.category, "moved");
  ASSERT_EQ(db_.ReadNote("/net/away.jpg", &out).status, 0u);
  EXPECT_EQ(out.finger_print_data[5], 77);  // carried over unchanged
  EXPECT_EQ(out.res_x, 10);
  EXPECT_EQ(db_.ReadNote("/fixed/gone.jpg", &out).status, 1u);
  EXPECT_EQ(db_.ReadNote("/k/deleted.jpg", &out).status, 1u);
  EXPECT_EQ(db_.ReadNote("/k/empty.jpg", &out).status, 1u);
}

TEST_F(NotesCompactTest, WithoutARelinkStepOrphansAreKeptAndUnindexedRecordsAreVisited) {
  ASSERT_EQ(db_.WriteNote("/u/a.jpg", Note("a")).status, 0u);
  ASSERT_EQ(db_.CloseNotesDatabase().status, 0u);
  ASSERT_EQ(db_.OpenNotesDatabase(base_), 0u);
  ASSERT_EQ(db_.WriteNote("/u/b.jpg", Note("b")).status, 0u);
  // Leave the files as a program that died would: copy them, then compact the copy.
  const std::string copy = dir_.File("copy");
  for (const char* ext : {".DIR", ".NAM", ".IDX"}) fs::copy_file(base_ + ext, copy + ext);
  existing_ = {"/u/a.jpg"};
  const CompactionResult result = CompactNotesDatabase(copy, Callbacks());
  EXPECT_EQ(result.status, 0u);
  NotesDatabase other;
  ASSERT_EQ(other.OpenNotesDatabase(copy), 0u);
  NotesRecord out;
  EXPECT_EQ(other.ReadNote("/u/a.jpg", &out).status, 0u);
  EXPECT_EQ(other.ReadNote("/u/b.jpg", &out).status, 0u);
  EXPECT_EQ(out.category, "b");
  EXPECT_EQ(JoinProblems(other.CheckIntegrity()), "");
}

TEST_F(NotesCompactTest, TheReplacedSetIsKeptOnceAsPrev) {
  ASSERT_EQ(db_.WriteNote("/k/a.jpg", Note("first")).status, 0u);
  ASSERT_EQ(db_.CloseNotesDatabase().status, 0u);
  existing_ = {"/k/b.jpg"};  // a.jpg is gone: without a re-link step it is carried over
  ASSERT_EQ(CompactNotesDatabase(base_, Callbacks()).status, 0u);
  NotesDatabase prev;
  ASSERT_EQ(prev.OpenNotesDatabase(base_ + "_PREV"), 0u);
  NotesRecord r;
  EXPECT_EQ(prev.ReadNote("/k/a.jpg", &r).status, 0u);
  EXPECT_EQ(r.category, "first");
  ASSERT_EQ(prev.CloseNotesDatabase().status, 0u);
  // A second compaction replaces the kept set with the one it replaces, here with b.jpg added.
  ASSERT_EQ(db_.OpenNotesDatabase(base_), 0u);
  ASSERT_EQ(db_.WriteNote("/k/b.jpg", Note("second")).status, 0u);
  ASSERT_EQ(db_.CloseNotesDatabase().status, 0u);
  ASSERT_EQ(CompactNotesDatabase(base_, Callbacks()).status, 0u);
  ASSERT_EQ(prev.OpenNotesDatabase(base_ + "_PREV"), 0u);
  EXPECT_EQ(prev.NoteCount(), 2);
  ASSERT_EQ(prev.CloseNotesDatabase().status, 0u);
  ASSERT_EQ(db_.OpenNotesDatabase(base_), 0u);
  EXPECT_EQ(db_.NoteCount(), 2);
}

TEST_F(NotesCompactTest, OldDatabaseStaysWhenTheNewOneCannotBeMade) {
  ASSERT_EQ(db_.WriteNote("/o/a.jpg", Note("a")).status, 0u);
  ASSERT_EQ(db_.CloseNotesDatabase().status, 0u);
  const Bytes nam_before = File(".NAM");
  fs::create_directory(base_ + "_TMP.NAM");  // the temporary .NAM cannot be created
  const CompactionResult result = CompactNotesDatabase(base_, Callbacks());
  EXPECT_EQ(result.status, 1u);
  EXPECT_EQ(errors_, std::vector<std::string>{"Could NOT CREATE TEMP DataBase File!"});
  EXPECT_EQ(File(".NAM"), nam_before);
  fs::remove(base_ + "_TMP.NAM");

  // A record that cannot be added to the new set keeps the old set in place.
  errors_.clear();
  existing_ = {"/o/a.jpg"};
  CompactionCallbacks cb = Callbacks();
  cb.relink = [](std::vector<std::string>*, NotesDatabase&, NotesDatabase& temp) {
    temp.SetMaxEntriesForTesting(1);  // no room: every later add fails
    return 0L;
  };
  ASSERT_EQ(db_.OpenNotesDatabase(base_), 0u);
  ASSERT_EQ(db_.WriteNote("/o/missing.jpg", Note("m")).status, 0u);
  ASSERT_EQ(db_.CloseNotesDatabase().status, 0u);
  const Bytes nam_two = File(".NAM");
  EXPECT_EQ(CompactNotesDatabase(base_, cb).status, 1u);
  ASSERT_EQ(errors_.size(), 2u);
  EXPECT_EQ(errors_[0], "Problem ADDING /o/missing.jpg to TEMP DataBase");
  EXPECT_EQ(File(".NAM"), nam_two);
}

TEST_F(NotesCompactTest, MissingMainDatabaseIsReported) {
  ASSERT_EQ(db_.CloseNotesDatabase().status, 0u);
  const std::string blocked = dir_.File("blocked");
  fs::create_directory(blocked + ".NAM");
  EXPECT_EQ(CompactNotesDatabase(blocked, Callbacks()).status, 1u);
  EXPECT_EQ(errors_, std::vector<std::string>{"Could NOT OPEN blocked DataBase File!"});
}

}  // namespace
}  // namespace vr::notes::testing
