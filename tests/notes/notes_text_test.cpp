// Comma-delimited export and import: the exact lines, escaping, the field reader and what the
// import stores, skips and stops at.
#include "notes/notes_text.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "tests/notes/notes_test_util.h"

namespace vr::notes::testing {
namespace {

namespace fs = std::filesystem;

const char kHeader[] =
    "\"FileNameKey[360]\",\"Category[15]\",\"SubCategory1[10]\",\"SubCategory2[10]\","
    "\"Number1[10]\",\"Number2[10]\",\"KeyWords[128]\",\"Notes[200]\",\"FileModifiedDate[4]\","
    "\"FingerPrintData[192]\",\"ResX[4]\",\"ResY[4]\"";

std::string Zeros192() {
  std::string z = "0";
  for (int i = 1; i < 192; ++i) z += ",0";
  return z;
}

class NotesTextTest : public NotesDbTest {
 protected:
  std::string Export() {
    const std::string path = dir_.File("out.txt");
    const NotesTextResult r = ExportNotesText(db_, path);
    EXPECT_EQ(r.status, 0u) << r.message;
    EXPECT_EQ(r.message, "Export of DataBase to comma delimited text file is now complete!");
    const Bytes bytes = test_support::TempDir::Read(path);
    return std::string(bytes.begin(), bytes.end());
  }
  NotesTextResult Import(const std::string& text) {
    const std::string path = dir_.WriteText("in.txt", text);
    return ImportNotesText(db_, path);
  }
};

TEST_F(NotesTextTest, SingleEmptyRecordExportsAsHeaderAndTwelveQuotedFields) {
  ASSERT_EQ(db_.WriteNote("/A.JPG", NotesRecord{}).status, 0u);
  EXPECT_EQ(Export(), std::string(kHeader) + "\r\n" +
                          "\"/A.JPG\",\"\",\"\",\"\",\"0\",\"0\",\"\",\"\",\"0\",\"" + Zeros192() +
                          "\",\"0\",\"0\"\r\n");
}

TEST_F(NotesTextTest, FullRecordLineAndDeletedRecordsLeftOut) {
  NotesRecord r;
  r.category = "c";
  r.sub_category1 = "t1";
  r.sub_category2 = "t2";
  r.number1 = -12;
  r.number2 = 2147483647;
  r.key_words = "k";
  r.notes = "n";
  r.finger_print_data[0] = 255;
  r.finger_print_data[191] = 7;
  r.file_modified_date = -5;
  r.res_x = 3;
  r.res_y = 4;
  ASSERT_EQ(db_.WriteNote("/p/x.gif", r).status, 0u);
  ASSERT_EQ(db_.WriteNote("/p/gone.gif", Note("gone")).status, 0u);
  ASSERT_EQ(db_.DeleteNote("/p/gone.gif").status, 0u);
  std::string print = "255";
  for (int i = 1; i < 191; ++i) print += ",0";
  print += ",7";
  EXPECT_EQ(Export(), std::string(kHeader) + "\r\n" +
                          "\"/p/x.gif\",\"c\",\"t1\",\"t2\",\"-12\",\"2147483647\",\"k\",\"n\","
                          "\"-5\",\"" +
                          print + "\",\"3\",\"4\"\r\n");
}

TEST_F(NotesTextTest, LineBreakAndQuoteSurviveARoundTripButALoneLineFeedIsLost) {
  NotesRecord r = Note("say \"hi\"", "one\r\ntwo \"q\"\nthree");
  r.key_words = "a\r\nb";
  r.finger_print_data[10] = 200;
  r.file_modified_date = 99;
  r.res_y = 480;
  ASSERT_EQ(db_.WriteNote("/t/note.jpg", r).status, 0u);
  const std::string text = Export();
  EXPECT_NE(text.find("\"one\xFFtwo \"\"q\"\"three\""), std::string::npos);
  EXPECT_NE(text.find("\"say \"\"hi\"\"\""), std::string::npos);

  ASSERT_EQ(db_.CloseNotesDatabase().status, 0u);
  const std::string fresh_base = dir_.File("fresh");
  NotesDatabase fresh;
  ASSERT_EQ(fresh.OpenNotesDatabase(fresh_base), 0u);
  const NotesTextResult result = ImportNotesText(fresh, dir_.File("out.txt"));
  EXPECT_EQ(result.status, 0u);
  EXPECT_EQ(result.message, "Import of DataBase(using comma delimited text file) is now complete!");
  EXPECT_EQ(result.records, 1);
  EXPECT_EQ(result.lines, 2);
  NotesRecord out;
  ASSERT_EQ(fresh.ReadNote("/t/note.jpg", &out).status, 0u);
  EXPECT_EQ(out.category, "say \"hi\"");
  EXPECT_EQ(out.notes, "one\r\ntwo \"q\"three");
  EXPECT_EQ(out.key_words, "a\r\nb");
  EXPECT_EQ(out.finger_print_data[10], 200);
  EXPECT_EQ(out.file_modified_date, 99);
  EXPECT_EQ(out.res_y, 480);
  EXPECT_EQ(JoinProblems(fresh.CheckIntegrity()), "");
  ASSERT_EQ(fresh.CloseNotesDatabase().status, 0u);
  ASSERT_EQ(db_.OpenNotesDatabase(base_), 0u);
}

TEST_F(NotesTextTest, PathWithAQuoteComesBackUnderItsOwnKey) {
  ASSERT_EQ(db_.WriteNote("/q/say \"cheese\".jpg", Note("q")).status, 0u);
  const std::string text = Export();
  ASSERT_EQ(db_.CreateNotesDatabase(base_), 0u);
  ASSERT_EQ(db_.OpenNotesDatabase(base_), 0u);
  EXPECT_EQ(Import(text).records, 1);
  NotesRecord out;
  EXPECT_EQ(db_.ReadNote("/q/say \"cheese\".jpg", &out).status, 0u);
  EXPECT_EQ(db_.NoteCount(), 1);
}

TEST_F(NotesTextTest, FieldReaderCases) {
  struct Case {
    std::string in;
    std::string field;
    std::string rest;
  };
  const std::vector<Case> cases = {
      {"\"a\"\"b\",next", "a\"b", "next"},
      {"\"abc\"junk,next", "abc", "next"},  // after the closing quote up to the comma
      {"\"a,b\",next", "a,b", "next"},      // commas inside quotes
      {"plain,next", "plain", "next"},
      {"plain", "plain", ""},
      {"\"open to the end", "open to the end", ""},
      {"\"x\xFFy\",z", "x\r\ny", "z"},  // byte 255 is a line break
      {"", "", ""},
      {"\"\"\"\",z", "\"", "z"},
  };
  for (const Case& c : cases) {
    std::string_view rest = c.in;
    EXPECT_EQ(ReadNotesField(&rest), c.field) << c.in;
    EXPECT_EQ(rest, c.rest) << c.in;
  }
}

TEST_F(NotesTextTest, ImportParsesNumbersCutsTextsAndPadsShortLines) {
  NotesRecord r;
  ASSERT_TRUE(ParseNotesLine("\"/k/a\"", &r));
  EXPECT_EQ(r.file_name_key, "/k/a");
  NotesRecord empty;
  empty.file_name_key = "/k/a";
  EXPECT_EQ(r, empty);

  ASSERT_TRUE(ParseNotesLine("\"/k/b\",\"" + std::string(20, 'C') + "\",\"" + std::string(11, '1') +
                                 "\",\"x\",\"abc\",\"-2147483648\",\"" + std::string(300, 'K') +
                                 "\",\"" + std::string(250, 'N') +
                                 "\",\"2147483648\",\"1,300,x,,-1\",\"12\"",
                             &r));
  EXPECT_EQ(r.category, std::string(15, 'C'));
  EXPECT_EQ(r.sub_category1, std::string(10, '1'));
  EXPECT_EQ(r.sub_category2, "x");
  EXPECT_EQ(r.number1, 0);  // not a number
  EXPECT_EQ(r.number2, -2147483647 - 1);
  EXPECT_EQ(r.key_words.size(), 128u);
  EXPECT_EQ(r.notes.size(), 200u);
  EXPECT_EQ(r.file_modified_date, 0);  // beyond 32 bits
  EXPECT_EQ(r.finger_print_data[0], 1);
  EXPECT_EQ(r.finger_print_data[1], 300 & 0xFF);
  EXPECT_EQ(r.finger_print_data[2], 0);
  EXPECT_EQ(r.finger_print_data[3], 0);
  EXPECT_EQ(r.finger_print_data[4], 255);
  EXPECT_EQ(r.finger_print_data[5], 0);
  EXPECT_EQ(r.res_x, 12);
  EXPECT_EQ(r.res_y, 0);

  // Skipped: the header, a blank line, a key that is not a rooted path.
  EXPECT_FALSE(ParseNotesLine(kHeader, &r));
  EXPECT_FALSE(ParseNotesLine("", &r));
  EXPECT_FALSE(ParseNotesLine("\"pics/a.jpg\",\"x\"", &r));
}

TEST_F(NotesTextTest, ImportReplacesAWholeRecordAndSkipsWhatIsNotARecord) {
  NotesRecord old = Note("old", "old notes");
  old.finger_print_data.fill(9);
  old.file_modified_date = 5;
  old.res_x = 6;
  old.res_y = 7;
  ASSERT_EQ(db_.WriteNote("/i/a.jpg", old).status, 0u);
  ASSERT_EQ(db_.DeleteNote("/i/a.jpg").status, 0u);
  const Bytes nam_before = File(".NAM");

  NotesTextResult r = Import(std::string(kHeader) + "\r\n");
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.records, 0);
  EXPECT_EQ(File(".NAM"), nam_before);  // a header alone changes nothing

  r = Import(std::string(kHeader) + "\r\n\r\n\"relative/b.jpg\",\"x\"\r\n\"/i/a.jpg\",\"new\"");
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.lines, 4);
  EXPECT_EQ(r.records, 1);
  NotesRecord out;
  ASSERT_EQ(db_.ReadNote("/i/a.jpg", &out).status, 0u);
  NotesRecord expected = Note("new");
  expected.file_name_key = "/i/a.jpg";
  expected.folder_number = out.folder_number;
  expected.live_flag = 255;
  EXPECT_EQ(out, expected);  // fingerprint and stamps replaced too, and live again
  EXPECT_EQ(db_.NoteCount(), 1);
}

TEST_F(NotesTextTest, ImportStopsAtTheFirstStoreFailureKeepingWhatCameBefore) {
  const std::string too_long = "/" + std::string(400, 'x') + "/y.jpg";
  const NotesTextResult r =
      Import("\"/s/1.jpg\",\"one\"\r\n\"" + too_long + "\",\"bad\"\r\n\"/s/3.jpg\",\"three\"\r\n");
  EXPECT_EQ(r.status, 1u);
  EXPECT_EQ(r.message, "Error: Updating Notes Database with " + too_long +
                           ", the path is longer than 360 characters");
  NotesRecord out;
  EXPECT_EQ(db_.ReadNote("/s/1.jpg", &out).status, 0u);
  EXPECT_EQ(db_.ReadNote("/s/3.jpg", &out).status, 1u);
  EXPECT_EQ(ImportNotesText(db_, dir_.File("no such file.txt")).status, 1u);
}

TEST_F(NotesTextTest, ExportThatRunsOutOfRoomDeletesThePartialFile) {
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(db_.WriteNote("/d/" + std::to_string(i), Note("x")).status, 0u);
  }
  const std::string path = dir_.File("full.txt");
  // A child with a 4 KB file size limit plays the full disk.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    const NotesTextResult r = ExportNotesText(db_, path);
    const bool right =
        r.status == 1 &&
        r.message == "ERROR: DISK FULL while Exporting DataBase. Export file is NOT complete!" &&
        !fs::exists(path);
    _exit(right ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace vr::notes::testing
