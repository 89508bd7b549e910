// Searching the database by fields, and storing one field from text, on a real database in a
// temporary folder.
#include "notes/notes_fields.h"
#include "notes/notes_search.h"
#include "tests/notes/notes_test_util.h"

namespace vr::notes::testing {
namespace {

class NotesSearchTest : public NotesDbTest {
 protected:
  void Put(const std::string& path, const std::string& category, const std::string& keywords,
           int32_t value1 = 0, const std::string& notes = "") {
    NotesRecord r;
    r.category = category;
    r.key_words = keywords;
    r.number1 = value1;
    r.notes = notes;
    ASSERT_EQ(db_.WriteNote(path, r).status, 0u);
  }
  std::vector<std::string> Find(int field, const std::string& text,
                                SearchType type = SearchType::kLiveOnly) {
    NotesQuery q;
    q.texts[static_cast<size_t>(field)] = text;
    q.type = type;
    return SearchNotes(db_, q);
  }
  using Keys = std::vector<std::string>;
};

TEST_F(NotesSearchTest, PrefixContainsAndAnyFieldMatchIgnoringCase) {
  Put("/p/1.jpg", "beach", "Sunset over sea");
  Put("/p/2.jpg", "family", "a sunny day");
  Put("/p/3.jpg", "SUNDAY", "church");
  Put("/p/4.jpg", "misc", "rain", 0, "an unsung hero");
  Put("/p/5.jpg", "misc", "moon");
  // Keywords starting with SUN, whatever the case of either side.
  EXPECT_EQ(Find(kSearchKeyWords, "sun"), (Keys{"/p/1.jpg"}));
  EXPECT_EQ(Find(kSearchKeyWords, "SUNSET O"), (Keys{"/p/1.jpg"}));
  // Anywhere in the keywords.
  EXPECT_EQ(Find(kSearchKeyWords, "~SuN"), (Keys{"/p/1.jpg", "/p/2.jpg"}));
  // Any user field, typed into a field that has nothing to do with it.
  EXPECT_EQ(Find(kSearchType2, "@sun"), (Keys{"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg"}));
  EXPECT_EQ(Find(kSearchFileName, "@sun"), Find(kSearchNotes, "@sun"));
  // Empty texts match everything; the file name field is the key.
  EXPECT_EQ(Find(kSearchCategory, "").size(), 5u);
  EXPECT_EQ(Find(kSearchFileName, "/p/3"), (Keys{"/p/3.jpg"}));
  // A miss.
  EXPECT_EQ(Find(kSearchKeyWords, "~zebra"), Keys{});
  // Every field must match.
  NotesQuery both;
  both.texts[kSearchCategory] = "misc";
  both.texts[kSearchKeyWords] = "~oo";
  EXPECT_EQ(SearchNotes(db_, both), (Keys{"/p/5.jpg"}));
}

// Long fields against a plain reference: the part at every position (across 16-byte steps, at
// the very end, in either case), parts that only start to match near the end, and symbols.
TEST_F(NotesSearchTest, ContainsAgreesWithAPlainScanOverLongFields) {
  const std::string notes =
      "Walking along the BEACH at dawn, Sunrise colours; then breakfast @ cafe ~ 42% off, "
      "and the long drive home in the RAIN, tired but happy: sunSET.";
  Put("/p/long.jpg", "x", notes.substr(0, 128), 0, notes);
  const auto upper = [](std::string t) {
    for (char& c : t) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return t;
  };
  const std::string folded = upper(notes);
  std::vector<std::string> parts = {"sunset.", "T.", ".", "@ CAFE", "42%", "~ 4", "sunsets",
                                    "happy: sunSET.x", "walking", "wAlKiNg ALONG"};
  for (size_t at = 0; at + 3 <= notes.size(); at += 5) parts.push_back(notes.substr(at, 3));
  for (size_t at = 10; at + 20 <= notes.size(); at += 17) parts.push_back(notes.substr(at, 20));
  for (const std::string& part : parts) {
    const bool expected = folded.find(upper(part)) != std::string::npos;
    EXPECT_EQ(Find(kSearchNotes, "~" + part).size(), expected ? 1u : 0u) << part;
    EXPECT_EQ(Find(kSearchCategory, "@" + part).size(), expected ? 1u : 0u) << part;
  }
  // A search after notes were changed and added in between sees both.
  Put("/p/long.jpg", "x", "changed");
  Put("/p/added.jpg", "x", "changed too");
  EXPECT_EQ(Find(kSearchKeyWords, "CHANGED"), (Keys{"/p/added.jpg", "/p/long.jpg"}));
  EXPECT_EQ(Find(kSearchNotes, "~sunset").size(), 0u);
}

TEST_F(NotesSearchTest, NumbersMatchAsDecimalText) {
  Put("/n/a.jpg", "", "", 1);
  Put("/n/b.jpg", "", "", 10);
  Put("/n/c.jpg", "", "", 123);
  Put("/n/d.jpg", "", "", 21);
  Put("/n/e.jpg", "", "", -1);
  EXPECT_EQ(Find(kSearchValue1, "1"), (Keys{"/n/a.jpg", "/n/b.jpg", "/n/c.jpg"}));
  EXPECT_EQ(Find(kSearchValue1, "~1"), (Keys{"/n/a.jpg", "/n/b.jpg", "/n/c.jpg", "/n/d.jpg",
                                             "/n/e.jpg"}));
  EXPECT_EQ(Find(kSearchValue1, "-"), (Keys{"/n/e.jpg"}));
  EXPECT_EQ(Find(kSearchKeyWords, "@23"), (Keys{"/n/c.jpg"}));
  // Value 2 is 0 everywhere.
  EXPECT_EQ(Find(kSearchValue2, "0").size(), 5u);
}

TEST_F(NotesSearchTest, SearchTypesAndTheWalkPositionIsKept) {
  Put("/d/live.jpg", "sun", "");
  Put("/d/gone1.jpg", "moon", "");
  Put("/d/gone2.jpg", "sun", "");
  ASSERT_EQ(db_.DeleteNote("/d/gone1.jpg").status, 0u);
  ASSERT_EQ(db_.DeleteNote("/d/gone2.jpg").status, 0u);
  db_.SetNotePosition(2);
  EXPECT_EQ(Find(kSearchCategory, "sun"), (Keys{"/d/live.jpg"}));
  EXPECT_EQ(Find(kSearchCategory, "sun", SearchType::kEither),
            (Keys{"/d/gone2.jpg", "/d/live.jpg"}));
  // Deleted only: every deleted record whatever the texts hold.
  EXPECT_EQ(Find(kSearchCategory, "sun", SearchType::kDeletedOnly),
            (Keys{"/d/gone1.jpg", "/d/gone2.jpg"}));
  EXPECT_EQ(db_.CurrentNotePosition(), 2);
  // Progress every 100 records, and a stop ends the walk early.
  for (int i = 0; i < 250; ++i) Put("/m/" + std::to_string(1000 + i) + ".jpg", "x", "");
  std::vector<long> told;
  NotesQuery all;
  all.type = SearchType::kEither;
  EXPECT_EQ(SearchNotes(db_, all, [&](long n) { told.push_back(n); return true; }).size(), 253u);
  EXPECT_EQ(told, (std::vector<long>{100, 200}));
  EXPECT_EQ(SearchNotes(db_, all, [](long) { return false; }).size(), 100u);
}

TEST_F(NotesSearchTest, StoringOneFieldCutsRefusesAndSkipsUnchangedWrites) {
  std::string stored;
  std::string message;
  // A text is cut to its width without splitting a UTF-8 character: 14 ASCII + a 2-byte letter.
  const std::string category = "abcdefghijklmn\xC3\xA9z";
  ASSERT_TRUE(StoreNoteField(db_, "/f/a.jpg", kFieldCategory, category, &stored, &message));
  EXPECT_EQ(stored, "abcdefghijklmn");
  NotesRecord r;
  ASSERT_EQ(db_.ReadNote("/f/a.jpg", &r).status, 0u);
  EXPECT_EQ(r.category, "abcdefghijklmn");
  EXPECT_EQ(r.live_flag, kLive);
  // Numbers: digits only, at most 2147483647; a refusal changes nothing.
  ASSERT_TRUE(StoreNoteField(db_, "/f/a.jpg", kFieldValue2, "2147483647", &stored, &message));
  EXPECT_FALSE(StoreNoteField(db_, "/f/a.jpg", kFieldValue2, "2147483648", &stored, &message));
  EXPECT_NE(message.find("2147483647"), std::string::npos);
  EXPECT_FALSE(StoreNoteField(db_, "/f/a.jpg", kFieldValue1, "12a", &stored, &message));
  ASSERT_EQ(db_.ReadNote("/f/a.jpg", &r).status, 0u);
  EXPECT_EQ(r.number2, 2147483647);
  EXPECT_EQ(r.number1, 0);
  EXPECT_TRUE(StoreNoteField(db_, "/f/a.jpg", kFieldValue1, "", &stored, &message));
  EXPECT_EQ(stored, "0");
  // An empty text for a file without a note adds no record; an unchanged deleted note stays so.
  const long before = db_.NoteCount();
  EXPECT_TRUE(StoreNoteField(db_, "/f/none.jpg", kFieldNotes, "", &stored, &message));
  EXPECT_EQ(db_.NoteCount(), before);
  ASSERT_EQ(db_.DeleteNote("/f/a.jpg").status, 0u);
  EXPECT_TRUE(StoreNoteField(db_, "/f/a.jpg", kFieldCategory, "abcdefghijklmn", &stored, &message));
  ASSERT_EQ(db_.ReadNote("/f/a.jpg", &r).status, 0u);
  EXPECT_EQ(r.live_flag, kDeleted);
  // A change writes, and a written deleted note is live again.
  EXPECT_TRUE(StoreNoteField(db_, "/f/a.jpg", kFieldCategory, "new", &stored, &message));
  ASSERT_EQ(db_.ReadNote("/f/a.jpg", &r).status, 0u);
  EXPECT_EQ(r.live_flag, kLive);
  EXPECT_EQ(NoteFieldText(r, kFieldValue2), "2147483647");
  EXPECT_EQ(CutUtf8("\xE2\x82\xAC\xE2\x82\xAC", 5), "\xE2\x82\xAC");
}

}  // namespace
}  // namespace vr::notes::testing
