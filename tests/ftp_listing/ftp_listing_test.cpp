// The listing parser: one case per kind of line servers send, plus whole captured listings.
#include "web/ftp/listing/ftp_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vr::ftp {
namespace {

constexpr int kYear = 2024;

struct Parsed {
  std::vector<std::string> names, sizes, kinds, links, dates, times;
  int style = 0;
};

Parsed Parse(std::vector<std::string> lines) {
  Parsed p;
  p.style = ParseFtpListing(lines, p.sizes, p.kinds, p.links, p.dates, p.times, kYear);
  p.names = lines;
  return p;
}

struct LineCase {
  const char* line;
  const char* name;
  const char* size;
  const char* kind;
  const char* link;
  const char* date;
  const char* time;
  int style;
};

class OneLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(OneLine, GivesTheEntry) {
  const LineCase& c = GetParam();
  const Parsed p = Parse({c.line});
  ASSERT_EQ(p.names.size(), 1u) << c.line;
  EXPECT_EQ(p.names[0], c.name);
  EXPECT_EQ(p.sizes[0], c.size);
  EXPECT_EQ(p.kinds[0], c.kind);
  EXPECT_EQ(p.links[0], c.link);
  EXPECT_EQ(p.dates[0], c.date);
  EXPECT_EQ(p.times[0], c.time);
  EXPECT_EQ(p.style, c.style);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, OneLine,
    ::testing::Values(
        LineCase{"drwxr-xr-x   2 user  group   512 Mar 12 10:30 pics", "pics", "512", "<DIR>", "",
                 "03/12/2024", "10:30", 1},
        LineCase{"-rw-r--r--   1 user  group  2048 Dec  3  1999 a.jpg", "a.jpg", "2048", "", "",
                 "12/03/1999", "00:00", 1},
        LineCase{"-rw-r--r--   1 user  2048 Dec  3  1999 b.jpg", "b.jpg", "2048", "", "",
                 "12/03/1999", "00:00", 1},
        LineCase{"lrwxrwxrwx 1 u g 11 Jan 5 12:00 www -> public_html", "www", "11", "",
                 "public_html", "01/05/2024", "12:00", 1},
        LineCase{"-rw-r--r--   1 ftp   ftp    77 Sep 30  2001 name with  spaces.txt",
                 "name with  spaces.txt", "77", "", "", "09/30/2001", "00:00", 1},
        LineCase{"drwxrwxrwt   2 root  root  4096 Jul  4 09:05 tmp", "tmp", "4096", "<DIR>", "",
                 "07/04/2024", "09:05", 1},
        LineCase{"10-05-99  02:15PM       <DIR>          Photos", "Photos", "", "<DIR>", "",
                 "10/05/1999", "14:15", 2},
        LineCase{"10-05-99  09:03AM  123456 a.gif", "a.gif", "123456", "", "", "10/05/1999",
                 "09:03", 2},
        LineCase{"01/02/03  12:30PM  5 noon.txt", "noon.txt", "5", "", "", "01/02/2003", "12:30",
                 2},
        LineCase{"01-02-03  12:05AM  5 night.txt", "night.txt", "5", "", "", "01/02/2003", "12:05",
                 2},
        LineCase{"10-05-2021  11:00PM  7 four.txt", "four.txt", "7", "", "", "10/05/2021", "23:00",
                 2},
        LineCase{"QSYS           77824 02/23/00 15:09:55 *DIR       /QSYS.LIB/", "/QSYS.LIB/",
                 "77824", "<DIR>", "", "02/23/00", "15:09:55", 4},
        LineCase{"OWNER          12288 03/12/01 10:30:00 *STMF      pic.jpg", "pic.jpg", "12288",
                 "", "", "03/12/01", "10:30:00", 4},
        LineCase{"QSYS                                    *MEM       MYLIB.FILE/MEMBER.MBR",
                 "MYLIB.FILE/MEMBER.MBR", "N/A", "*MEM", "", "N/A", "N/A", 4}));

TEST(ListingTest, VmsListingDecidedByItsHeaderLine) {
  const Parsed p = Parse(
      {"DISK$USER:[WEB]", "", "PICS.DIR;1  1  12-MAR-2001 10:30 [OWNER] (RWE,RWE,,)",
       "INDEX.HTML;3  4  2-JAN-2002 08:15:59 [OWNER] (RWED,RWED,RE,RE)",
       "A_VERY_LONG_FILE_NAME_THAT_WRAPS.JPG;1", "       10  30-DEC-1999 23:59 [OWNER] (RWE,RWE,,)",
       "", "Total of 3 files, 15 blocks."});
  EXPECT_EQ(p.style, 3);
  EXPECT_EQ(p.names, (std::vector<std::string>{"PICS", "INDEX.HTML",
                                               "A_VERY_LONG_FILE_NAME_THAT_WRAPS.JPG"}));
  EXPECT_EQ(p.kinds, (std::vector<std::string>{"<DIR>", "", ""}));
  EXPECT_EQ(p.sizes, (std::vector<std::string>{"512", "2048", "5120"}));
  EXPECT_EQ(p.dates, (std::vector<std::string>{"03/12/2001", "01/02/2002", "12/30/1999"}));
  EXPECT_EQ(p.times, (std::vector<std::string>{"10:30", "08:15", "23:59"}));
}

TEST(ListingTest, UnreadableLinesAreRemovedKeepingTheListsParallel) {
  const Parsed p =
      Parse({"total 42", "", "drwxr-xr-x 2 u g 512 Mar 12 10:30 a", "\t\r", "garbage line",
             "-rw-r--r-- 1 u g 9 Apr 1 2000 b", "QSYS 1 01/01/01 00:00:00 *UNKNOWN x"});
  EXPECT_EQ(p.names, (std::vector<std::string>{"a", "b"}));
  for (const auto* list : {&p.sizes, &p.kinds, &p.links, &p.dates, &p.times}) {
    EXPECT_EQ(list->size(), 2u);
  }
  EXPECT_EQ(p.sizes, (std::vector<std::string>{"512", "9"}));
  EXPECT_EQ(p.dates[1], "04/01/2000");
  EXPECT_EQ(p.style, 4) << "the style of the last line read";
}

TEST(ListingTest, UnixLineWithoutAMonthIsMarkedForTheCaller) {
  const Parsed p = Parse({"-rw-r--r-- 1 user group 100 13 99 1999 x"});
  ASSERT_EQ(p.names.size(), 1u);
  EXPECT_EQ(p.names[0], "BAD INPUT LINE!");
}

TEST(ListingTest, EmptyListingAndControlCharacters) {
  const Parsed empty = Parse({});
  EXPECT_EQ(empty.style, 0);
  EXPECT_TRUE(empty.names.empty());
  const Parsed p = Parse({"-rw-r--r--\t1 u g 3 Feb 2 2002 tab\x01name\r"});
  ASSERT_EQ(p.names.size(), 1u);
  EXPECT_EQ(p.names[0], "tab name");
  EXPECT_EQ(p.sizes[0], "3");
}

// Captured from pyftpdlib's LIST on this machine (user and group are the owner's names).
TEST(ListingTest, PyftpdlibListing) {
  const Parsed p = Parse({
      "-rw-r--r--   1 root     root      3000000 Dec 08 18:15 a.bin",
      "drwxr-xr-x   2 root     root         4096 Dec 08 18:16 sub",
      "-rw-r--r--   1 root     root            0 Jan 31  2023 empty.txt",
      "lrwxrwxrwx   1 root     root            5 Dec 08 18:20 latest -> a.bin",
  });
  EXPECT_EQ(p.style, 1);
  EXPECT_EQ(p.names, (std::vector<std::string>{"a.bin", "sub", "empty.txt", "latest"}));
  EXPECT_EQ(p.sizes, (std::vector<std::string>{"3000000", "4096", "0", "5"}));
  EXPECT_EQ(p.kinds, (std::vector<std::string>{"", "<DIR>", "", ""}));
  EXPECT_EQ(p.links, (std::vector<std::string>{"", "", "", "a.bin"}));
  EXPECT_EQ(p.dates,
            (std::vector<std::string>{"12/08/2024", "12/08/2024", "01/31/2023", "12/08/2024"}));
  EXPECT_EQ(p.times, (std::vector<std::string>{"18:15", "18:16", "00:00", "18:20"}));
}

// The shape vsftpd gives: numeric owners, wider columns.
TEST(ListingTest, VsftpdStyleListing) {
  const Parsed p = Parse({
      "drwxr-xr-x    2 0        0            4096 Mar 15 12:34 pub",
      "-rw-r--r--    1 1000     1000     104857600 Jun 01  2020 100MB.bin",
      "-rw-------    1 1000     1000           12 Nov 30 23:59 .hidden",
  });
  EXPECT_EQ(p.names, (std::vector<std::string>{"pub", "100MB.bin", ".hidden"}));
  EXPECT_EQ(p.sizes, (std::vector<std::string>{"4096", "104857600", "12"}));
  EXPECT_EQ(p.dates, (std::vector<std::string>{"03/15/2024", "06/01/2020", "11/30/2024"}));
}

TEST(ListingRulesTest, MonthsTimesAndDates) {
  EXPECT_EQ(FtpMonthNumber("MAR"), 3);
  EXPECT_EQ(FtpMonthNumber("jun"), 6);
  EXPECT_EQ(FtpMonthNumber("Ju"), 6) << "first month in table order containing the word";
  EXPECT_EQ(FtpMonthNumber("A"), 1);
  EXPECT_EQ(FtpMonthNumber(""), 0);
  EXPECT_EQ(FtpMonthNumber("XYZ"), 0);

  EXPECT_EQ(FtpNormalisedTime("01:15PM"), "13:15");
  EXPECT_EQ(FtpNormalisedTime("12:30PM"), "12:30");
  EXPECT_EQ(FtpNormalisedTime("12:05AM"), "12:05");
  EXPECT_EQ(FtpNormalisedTime("10:30"), "10:30");
  EXPECT_EQ(FtpNormalisedTime("10:30:59"), "10:30");

  EXPECT_EQ(FtpDosDate("10-05-99"), "10/05/1999");
  EXPECT_EQ(FtpDosDate("01/02/03"), "01/02/2003");
  EXPECT_EQ(FtpDosDate("01-02-29"), "01/02/2029");
  EXPECT_EQ(FtpDosDate("01-02-30"), "01/02/1930");

  EXPECT_EQ(FtpNormalisedDate("12/MAR/2001"), "03/12/2001");
  EXPECT_EQ(FtpNormalisedDate("12-MAR-2001"), "03/12/2001");
  EXPECT_EQ(FtpNormalisedDate("03/12/2001"), "03/12/2001");
  EXPECT_EQ(FtpNormalisedDate("3/12/2001"), "03/12/2001");
  EXPECT_EQ(FtpNormalisedDate("12/Foo/2001"), "FOO/12/2001");
  EXPECT_EQ(FtpNormalisedDate("20011203"), "20011203");
  EXPECT_EQ(FtpNormalisedDate("12/2001"), "12/2001");
}

}  // namespace
}  // namespace vr::ftp
