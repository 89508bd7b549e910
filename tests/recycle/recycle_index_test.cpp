// The index lines of "RECYCLE.TXT": the plain form, quoted former paths, blank and damaged lines,
// and the copy numbers the counter starts from.
#include "lists/recycle/recycle_index.h"

#include <gtest/gtest.h>

namespace vr::recycle {
namespace {

TEST(RecycleIndex, PlainLinesSplitAtTheFirstComma) {
  const auto entry = ParseIndexLine("/pics/cat.jpg,/bin/7.cat,x.jpg");
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->former, "/pics/cat.jpg");
  EXPECT_EQ(entry->copy, "/bin/7.cat,x.jpg");  // a comma in the copy's name stays in the copy
  EXPECT_EQ(FormatIndexLine("/pics/cat.jpg", "/bin/7.cat.jpg"), "/pics/cat.jpg,/bin/7.cat.jpg");
  EXPECT_FALSE(ParseIndexLine("no comma here"));
}

TEST(RecycleIndex, FormerPathsWithCommasOrQuotesRoundTrip) {
  for (const std::string former : {"/a,b/c.jpg", "/x/\"q\",\"r.jpg", "\"/lead.jpg", "/p/,"}) {
    const auto line = FormatIndexLine(former, "/bin/3.c.jpg");
    ASSERT_TRUE(line) << former;
    EXPECT_EQ(line->front(), '"') << *line;
    const auto back = ParseIndexLine(*line);
    ASSERT_TRUE(back) << *line;
    EXPECT_EQ(back->former, former);
    EXPECT_EQ(back->copy, "/bin/3.c.jpg");
  }
  // A quote that never closes falls back to the plain split instead of failing.
  const auto broken = ParseIndexLine("\"/a,/bin/1.a");
  ASSERT_TRUE(broken);
  EXPECT_EQ(broken->former, "\"/a");
  // Line breaks cannot be written into a line-based index.
  EXPECT_FALSE(FormatIndexLine("/a\nb.jpg", "/bin/1.b.jpg"));
  EXPECT_FALSE(FormatIndexLine("/a.jpg", "/bin/1.a\r.jpg"));
}

TEST(RecycleIndex, BlankLinesAreNoEntriesAndAnyLineEndSplits) {
  const auto lines = SplitIndexLines("/a,/b/0.a\r\n   \r\n\t\r\n/c,/b/1.c\n\n/d,/b/2.d\r/e,/b/3.e");
  EXPECT_EQ(lines, (std::vector<std::string>{"/a,/b/0.a", "/c,/b/1.c", "/d,/b/2.d", "/e,/b/3.e"}));
  EXPECT_TRUE(SplitIndexLines("").empty());
  EXPECT_TRUE(SplitIndexLines(" \r\n\r\n").empty());
  EXPECT_FALSE(ParseIndexLine("   "));
}

TEST(RecycleIndex, CopyNumbersAndTheNextCounter) {
  EXPECT_EQ(CopyNumber("/bin/12.cat.jpg"), 12);
  EXPECT_EQ(CopyNumber("/bin.d/0.x"), 0);
  EXPECT_FALSE(CopyNumber("/bin/cat.jpg"));
  EXPECT_FALSE(CopyNumber("/bin/.hidden"));
  EXPECT_FALSE(CopyNumber("/bin/99999999999999999999999.x"));
  EXPECT_EQ(NextCopyNumber({}), 0);
  EXPECT_EQ(NextCopyNumber({"/a,/b/3.a", "/c,/b/41.c", "junk", "/d,/b/x.d", "/e,/b/7.e"}), 42);
}

}  // namespace
}  // namespace vr::recycle
