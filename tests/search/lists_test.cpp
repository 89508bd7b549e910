// The text and fact searches, the exclusion list and the learned mis-match list.
#include <gtest/gtest.h>

#include <map>

#include "lists/search/best_of_group.h"
#include "lists/search/exclusion.h"
#include "lists/search/learned.h"
#include "lists/search/report.h"
#include "lists/search/text_search.h"
#include "platform/path_rules.h"
#include "platform/profile_file.h"
#include "test_support/temp_dir.h"

namespace vr::search {
namespace {

TextSearchItem Item(const std::string& path, int64_t size = -1, int32_t stamp = -1,
                    const std::string& field = "") {
  TextSearchItem item;
  item.path = path;
  item.name = path.substr(path.find_last_of('/') + 1);
  item.size = size;
  item.stamp = stamp;
  item.db_field = field;
  return item;
}

std::vector<std::string> Lines(const std::vector<TextSearchItem>& items, TextSearchOptions o) {
  TextSearchServices services;
  TextSearchResult r = RunTextSearch(items, o, services);
  EXPECT_TRUE(r.completed);
  return r.lines;
}

TEST(TextSearchTest, WholeValueDuplicatesIgnoreCaseAndStartColumn) {
  const std::vector<TextSearchItem> items = {
      Item("/a/Cat.jpg", 10, 5, "pets"), Item("/b/CAT.JPG", 11, 5, "PETS"),
      Item("/c/dog.jpg", 10, 6, "pets"), Item("/d/xdog.jpg", 12, 7, "")};
  TextSearchOptions o;
  EXPECT_EQ(Lines(items, o),
            (std::vector<std::string>{"*** START OF SEARCH RESULTS FOR By Dup Whole Filename ***",
                                      "File:/a/Cat.jpg", "File:/b/CAT.JPG", "",
                                      "There are 1 DUPS in the list."}));
  o.start_column = 2;  // "at.jpg" twice, "og.jpg" (dog, from column 2) against "dog.jpg"
  EXPECT_EQ(Lines(items, o).back(), "There are 1 DUPS in the list.");
  o.start_column = 1;
  o.option = kDupSize;
  const auto by_size = Lines(items, o);
  EXPECT_EQ(by_size[1], "File:/a/Cat.jpg");
  EXPECT_EQ(by_size[2], "File:/c/dog.jpg");
  o.option = kDupDateSize;
  EXPECT_EQ(Lines(items, o).back(), "There are 0 DUPS in the list.");
  o.option = kDupWholeField;  // empty fields take no part
  EXPECT_EQ(Lines(items, o).size(), 6u);
  o.option = kGivenPartialName;
  o.text = "DOG";
  EXPECT_EQ(Lines(items, o),
            (std::vector<std::string>{"*** START OF SEARCH RESULTS FOR By Given Partial Filename ***",
                                      "File:/c/dog.jpg", "File:/d/xdog.jpg",
                                      "There are 2 MATCHES in the list."}));
  o.option = kGivenName;
  o.text = "cat.jpg";
  EXPECT_EQ(Lines(items, o).size(), 4u);
}

TEST(TextSearchTest, PartialNamesReportEachSetOnceAtItsLongestMatch) {
  const std::vector<TextSearchItem> items = {
      Item("/p/holiday01.jpg"), Item("/p/holiday02.jpg"), Item("/p/holiday1.jpg"),
      Item("/p/home.jpg"),      Item("/p/zebra.jpg"),     Item("/p/holiday01.png")};
  TextSearchOptions o;
  o.option = kDupPartialName;
  o.min_letters = 3;
  const auto lines = Lines(items, o);
  const std::vector<std::string> expected = {
      "*** START OF SEARCH RESULTS FOR By Dup Partial Filename ***",
      "List sorted by length of MATCH, then by MATCH",
      "Starting with LONGEST Matches:",
      // Longest name without extension is 9 letters: the top pass is 10.
      "Match length of 10",
      "; MATCH: HOLIDAY01.",
      "File:/p/holiday01.jpg",
      "File:/p/holiday01.png",
      "",
      "Match length of 8",
      "; MATCH: HOLIDAY0",
      "File:/p/holiday01.jpg",
      "File:/p/holiday01.png",
      "File:/p/holiday02.jpg",
      "",
      "Match length of 7",
      "; MATCH: HOLIDAY",
      "File:/p/holiday01.jpg",
      "File:/p/holiday01.png",
      "File:/p/holiday02.jpg",
      "File:/p/holiday1.jpg",
      "",
      // "HOME" shares only "HO" with the others: below the minimum.
      "There are 3 DUPS in the list."};
  EXPECT_EQ(lines, expected);
  o.min_letters = 8;
  EXPECT_EQ(Lines(items, o).back(), "There are 2 DUPS in the list.");
}

TEST(ExclusionTest, DeepestEntryDecidesAndPrefixesAreNotFolders) {
  ExclusionList list;
  list.exclude() = {{"/pics", true}, {"/data/skip/", false}};
  list.include() = {{"/pics/keep", true}};
  EXPECT_TRUE(list.Excluded("/pics/a.jpg"));
  EXPECT_TRUE(list.Excluded("/pics/sub/a.jpg"));
  EXPECT_FALSE(list.Excluded("/pics2/a.jpg"));
  EXPECT_FALSE(list.Excluded("/pics/keep/a.jpg"));
  EXPECT_FALSE(list.Excluded("/pics/keep/deeper/a.jpg"));
  EXPECT_TRUE(list.Excluded("/data/skip/a.jpg"));
  EXPECT_FALSE(list.Excluded("/data/skip/sub/a.jpg"));  // unchecked: the folder alone
  EXPECT_FALSE(list.Excluded("/other/a.jpg"));
  // An excluded folder inside an included one.
  list.include() = {{"/pics/keep", true}};
  list.exclude().push_back({"/pics/keep/junk", true});
  EXPECT_TRUE(list.Excluded("/pics/keep/junk/a.jpg"));
  // Case follows the platform rule.
  platform::SetPathCaseRule(platform::CaseRule::kFoldAscii);
  EXPECT_TRUE(list.Excluded("/PICS/a.jpg"));
  platform::SetPathCaseRule(platform::CaseRule::kExact);
  EXPECT_FALSE(list.Excluded("/PICS/a.jpg"));
}

TEST(ExclusionTest, SavingErasesStaleNumberedKeys) {
  platform::ProfileFile settings = platform::ProfileFile::FromText(
      "[Recent List]\nExcludeList_0=/a\nExcludeListCheck_0=1\nExcludeList_1=/b\n"
      "ExcludeListCheck_1=0\nExcludeList_2=/c\nExcludeListCheck_2=1\nOther=x\n");
  ExclusionList list;
  list.Load(settings);
  ASSERT_EQ(list.exclude().size(), 3u);
  EXPECT_FALSE(list.exclude()[1].checked);
  list.exclude().erase(list.exclude().begin());
  list.include().push_back({"/i", false});
  list.Save(settings);
  EXPECT_FALSE(settings.KeyExists(kExclusionSection, "ExcludeList_2"));
  EXPECT_FALSE(settings.KeyExists(kExclusionSection, "ExcludeListCheck_2"));
  EXPECT_TRUE(settings.KeyExists(kExclusionSection, "Other"));
  ExclusionList again;
  again.Load(settings);
  ASSERT_EQ(again.exclude().size(), 2u);
  EXPECT_EQ(again.exclude()[0].folder, "/b");
  EXPECT_FALSE(again.exclude()[0].checked);
  ASSERT_EQ(again.include().size(), 1u);
  EXPECT_EQ(again.include()[0].folder, "/i");
}

TEST(LearnedListTest, HandEditedFileWithCrLfAndBlankLines) {
  test_support::TempDir dir;
  const std::string path = dir.File(kMemorizedFile);
  dir.WriteText(kMemorizedFile,
                "\r\n*** DO NOT MATCH THESE ***\r\n/p/a.jpg\r\n\r\n/p/b.jpg\r\n"
                "***\n/p/c.jpg\n/p/d.jpg\n/p/a.jpg\n*** lone\n/p/e.jpg\n");
  LearnedList list;
  ASSERT_TRUE(list.Load(path));
  ASSERT_EQ(list.groups().size(), 2u);  // the group of one file forbids nothing
  EXPECT_TRUE(list.IsLearnedPair("/p/a.jpg", "/p/b.jpg"));
  EXPECT_TRUE(list.IsLearnedPair("/p/d.jpg", "/p/a.jpg"));
  EXPECT_FALSE(list.IsLearnedPair("/p/b.jpg", "/p/c.jpg"));
  EXPECT_FALSE(list.IsLearnedPair("/p/a.jpg", "/p/e.jpg"));
  list.AddGroup({"/p/x.jpg", "/p/y.jpg", "/p/x.jpg"});
  ASSERT_TRUE(list.Save(path));
  LearnedList again;
  ASSERT_TRUE(again.Load(path));
  EXPECT_EQ(again.groups(), list.groups());
  EXPECT_TRUE(again.IsLearnedPair("/p/y.jpg", "/p/x.jpg"));
  again.RemoveEntry(2, 0);  // the group is left with one file and goes
  EXPECT_FALSE(again.IsLearnedPair("/p/y.jpg", "/p/x.jpg"));
  EXPECT_EQ(again.groups().size(), 2u);
  LearnedList missing;
  EXPECT_TRUE(missing.Load(dir.File("none.txt")));
  EXPECT_TRUE(missing.Empty());
}

TEST(ReportTest, EitherLineEndReadsBack) {
  const std::vector<std::string> lines = {"a", "", "File:/x y/z.jpg", ";c"};
  EXPECT_EQ(ParseReportText(ReportText(lines)), lines);
  EXPECT_EQ(ParseReportText("a\n\nFile:/x y/z.jpg\n;c\n"), lines);
  EXPECT_EQ(FileOfLine("File:/x y/z.jpg"), "/x y/z.jpg");
  EXPECT_EQ(FileOfLine(";File:/x"), "");
}

// A file best in one group is kept even where another group would tag it; facts are read once
// per file; lone file lines are no group.
TEST(AllButBest, KeepsOneFileOfEveryGroup) {
  std::map<std::string, FileFacts> facts = {
      {"/p/a", {100, 5}}, {"/p/b", {100, 9}}, {"/p/c", {400, 1}}, {"/p/d", {0, 0}}, {"/p/e", {7, 7}}};
  std::map<std::string, int> reads;
  const auto read = [&](const std::string& path) {
    ++reads[path];
    return facts[path];
  };
  const std::vector<std::string> report = {
      "**** Group [MAIN]: 1", "File:/p/a", "File:/p/b", "File:/p/d", "",
      "**** Group [MAIN]: 2", "File:/p/b", "File:/p/c", "",
      "Match length of 3",    "File:/p/e", "",
      "File:/p/d",            "File:/p/a"};
  const BestChoice choice = AllButBest(report, read);
  // Group 1: b (bytes break the pixel tie); group 2: c (pixels beat bytes); group 3: a (d
  // cannot be read).
  EXPECT_EQ(choice.best, (std::vector<std::string>{"/p/b", "/p/c", "/p/a"}));
  EXPECT_EQ(choice.others, std::vector<std::string>{"/p/d"});
  for (const auto& [path, count] : reads) EXPECT_EQ(count, 1) << path;
  EXPECT_EQ(reads.count("/p/e"), 0u);
  // Equal facts: the first listed stays.
  EXPECT_EQ(AllButBest({"File:/q/x", "File:/q/y"}, [](const std::string&) { return FileFacts{}; })
                .others,
            std::vector<std::string>{"/q/y"});
}

}  // namespace
}  // namespace vr::search
