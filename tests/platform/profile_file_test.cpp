#include "platform/profile_file.h"
#include "platform/shell_service.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "test_support/temp_dir.h"

namespace vr::platform {
namespace {

using test_support::TempDir;

std::string ReadText(const std::string& path) {
  const auto bytes = TempDir::Read(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(ProfileFileTest, SectionsAndKeysIgnoreCaseButKeepTheirSpelling) {
  auto profile = ProfileFile::FromText("[General]\nMultiLoad=2\nDisplayPath = 0 \n");
  EXPECT_EQ(profile.ReadInteger("GENERAL", "multiload", 1), 2);
  EXPECT_EQ(profile.ReadString("general", "DISPLAYPATH", "x"), "0");
  profile.WriteString("GENERAL", "MULTILOAD", "0");
  profile.WriteString("general", "Sound", "1");
  EXPECT_EQ(profile.ToText(), "[General]\nMultiLoad=0\nDisplayPath=0\nSound=1\n");
}

TEST(ProfileFileTest, MissingFileSectionKeyOrBadNumberGivesDefault) {
  TempDir dir;
  ProfileFile missing(dir.File("NOPE.INI"));
  EXPECT_EQ(missing.ReadString("General", "Setup", "NO"), "NO");
  EXPECT_EQ(missing.ReadInteger("General", "MultiLoad", 1), 1);
  EXPECT_TRUE(missing.ReadBool("General", "Sound", true));

  auto profile = ProfileFile::FromText(
      "[General]\nDelay=12abc\nEmpty=\nBig=99999999999999999999\nNeg=-7\nPlus= +3\n");
  EXPECT_EQ(profile.ReadInteger("Other", "Delay", 5), 5);
  EXPECT_EQ(profile.ReadInteger("General", "Missing", 5), 5);
  EXPECT_EQ(profile.ReadInteger("General", "Delay", 5), 5);
  EXPECT_EQ(profile.ReadInteger("General", "Empty", 5), 5);
  EXPECT_EQ(profile.ReadInteger("General", "Big", 5), 5);
  EXPECT_EQ(profile.ReadInteger("General", "Neg", 5), -7);
  EXPECT_EQ(profile.ReadInteger("General", "Plus", 5), 3);
  // An empty value is a value, not a missing key.
  EXPECT_EQ(profile.ReadString("General", "Empty", "dflt"), "");
}

TEST(ProfileFileTest, BooleansWriteOneAndZeroAndReadAnyNonZeroAsTrue) {
  auto profile = ProfileFile::FromText("[B]\nTwo=2\nMinus=-1\nZero=0\nWord=yes\n");
  EXPECT_TRUE(profile.ReadBool("B", "Two", false));
  EXPECT_TRUE(profile.ReadBool("B", "Minus", false));
  EXPECT_FALSE(profile.ReadBool("B", "Zero", true));
  EXPECT_TRUE(profile.ReadBool("B", "Word", true));  // not a number: the default
  EXPECT_FALSE(profile.ReadBool("B", "Word", false));
  profile.WriteBool("B", "Two", false);
  profile.WriteBool("B", "New", true);
  EXPECT_EQ(profile.ReadString("B", "Two", ""), "0");
  EXPECT_EQ(profile.ReadString("B", "New", ""), "1");
}

TEST(ProfileFileTest, OddLinesAreKeptAndFirstOccurrenceWins) {
  const std::string text =
      "; written by hand\n"
      "stray line\n"
      "[Recent List]\n"
      "Recent_0=C:\\PICS\\\n"
      "=no key\n"
      "[broken\n"
      "Recent_0=second\n"
      "\n"
      "[recent list]\n"
      "Recent_1=D:\\x=y\n";
  auto profile = ProfileFile::FromText(text);
  EXPECT_EQ(profile.ReadString("Recent List", "Recent_0", ""), "C:\\PICS\\");
  // Values may hold '=' and the second header spelling is the same section.
  EXPECT_EQ(profile.ReadString("RECENT LIST", "Recent_1", ""), "D:\\x=y");
  EXPECT_EQ(profile.Sections(), std::vector<std::string>{"Recent List"});
  EXPECT_EQ(profile.SectionKeys("recent list"), (std::vector<std::string>{"Recent_0", "Recent_1"}));
  EXPECT_EQ(profile.ToText(), text);  // nothing changed, nothing lost
}

TEST(ProfileFileTest, NewSectionsAndKeysKeepOrder) {
  auto profile = ProfileFile::FromText("[A]\nx=1\n\n[B]\ny=2\n");
  profile.WriteString("A", "z", "3");
  profile.WriteString("C", "w", "4");
  profile.WriteString("B", "y", "5");
  EXPECT_EQ(profile.ToText(), "[A]\nx=1\nz=3\n\n[B]\ny=5\n\n[C]\nw=4\n");
  EXPECT_EQ(profile.Sections(), (std::vector<std::string>{"A", "B", "C"}));
  const auto values = profile.SectionValues("a");
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[1], (std::pair<std::string, std::string>{"z", "3"}));
}

TEST(ProfileFileTest, EraseSectionAndKey) {
  auto profile = ProfileFile::FromText("[A]\nx=1\ny=2\n[B]\nq=1\n[a]\nx=9\n");
  profile.EraseKey("a", "X");
  EXPECT_FALSE(profile.KeyExists("A", "x"));  // both copies went
  EXPECT_EQ(profile.ReadString("A", "y", ""), "2");
  profile.EraseSection("b");
  EXPECT_FALSE(profile.SectionExists("B"));
  EXPECT_EQ(profile.ToText(), "[A]\ny=2\n[a]\n");
}

TEST(ProfileFileTest, ValuesCannotBreakTheLineStructure) {
  auto profile = ProfileFile::FromText("");
  profile.WriteString("S", "Key", "one\r\n[Evil]\rtwo");
  auto again = ProfileFile::FromText(profile.ToText());
  EXPECT_FALSE(again.SectionExists("Evil"));
  EXPECT_EQ(again.ReadString("S", "Key", ""), "one  [Evil] two");
  // A line break at either end is not written as a blank: what reads back is what was kept.
  profile.WriteString("S", "Folder", "\r    C:\\\n");
  EXPECT_EQ(profile.ReadString("S", "Folder", ""), "C:\\");
  EXPECT_EQ(ProfileFile::FromText(profile.ToText()).ReadString("S", "Folder", ""), "C:\\");
}

TEST(ProfileFileTest, WritesGoToDiskAtomicallyAndKeepLineEnds) {
  TempDir dir;
  const std::string path = dir.WriteText("VELDR.INI", "[General]\r\nSound=1\r\n");
  ::chmod(path.c_str(), 0640);
  {
    ProfileFile profile(path);
    profile.WriteBool("General", "Sound", false);
    profile.WriteInteger("SlideShow", "Delay", 3);
    EXPECT_EQ(ReadText(path), "[General]\r\nSound=1\r\n");  // nothing written before Flush
    EXPECT_TRUE(profile.Flush());
    EXPECT_FALSE(profile.dirty());
  }
  EXPECT_EQ(ReadText(path), "[General]\r\nSound=0\r\n\r\n[SlideShow]\r\nDelay=3\r\n");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // No temporary file is left beside it.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST(ProfileFileTest, DestructorFlushesAndFailedWriteLeavesOldFileAndDoesNotThrow) {
  TempDir dir;
  const std::string path = dir.File("LSFTP.INI");
  {
    ProfileFile profile(path);
    profile.WriteString("Site", "Host", "example.org");
  }
  EXPECT_EQ(ReadText(path), "[Site]\nHost=example.org\n");

  // A folder that is not there yet: the write fails quietly, the change stays pending, and a
  // later flush succeeds once the folder exists.
  const std::string later = dir.File("later/A.INI");
  {
    ProfileFile profile(later);
    profile.WriteString("X", "k", "new");
    EXPECT_FALSE(profile.Flush());
    EXPECT_TRUE(profile.dirty());
    std::filesystem::create_directory(dir.File("later"));
    EXPECT_TRUE(profile.Flush());
  }
  EXPECT_EQ(ReadText(later), "[X]\nk=new\n");

  // A name taken by a folder: the rename fails, the folder and its content stay, no temporary
  // file is left behind.
  const std::string taken = dir.File("TAKEN.INI");
  std::filesystem::create_directory(taken);
  dir.WriteText("TAKEN.INI/inside", "keep");
  {
    ProfileFile profile(taken);
    profile.WriteString("X", "k", "v");
    EXPECT_FALSE(profile.Flush());
  }
  EXPECT_EQ(ReadText(taken + "/inside"), "keep");
  int leftovers = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    leftovers += entry.path().filename().string().find(".tmp") != std::string::npos;
  }
  EXPECT_EQ(leftovers, 0);
}

TEST(ProfileFileTest, WritingThroughALinkUpdatesTheLinkedFile) {
  TempDir dir;
  const std::string real = dir.WriteText("real.ini", "[A]\nk=1\n");
  const std::string link = dir.File("VELDR.INI");
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  {
    ProfileFile profile(link);
    profile.WriteString("A", "k", "2");
  }
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadText(real), "[A]\nk=2\n");
}

TEST(ProfileFileTest, BinaryJunkIsReadWithoutHarmAndWritesStayReadable) {
  // A settings file overwritten with binary garbage (NULs, lone CRs, stray brackets).
  std::string junk("\0[\xff\r]=\n[\0A]\nk\0=v\r\r\n[[x]]\n=\n\xfe\xfa=1\n", 27);
  for (int i = 0; i < 200; ++i) junk.push_back(static_cast<char>((i * 37) & 0xFF));
  auto profile = ProfileFile::FromText(junk);
  EXPECT_EQ(profile.ReadString("\0A", "k\0", "none"), "none");  // NUL-bearing names stay apart
  profile.WriteInteger("General", "MultiLoad", 2);
  auto again = ProfileFile::FromText(profile.ToText());
  EXPECT_EQ(again.ReadInteger("general", "multiload", 1), 2);
  // Whatever could be read from the damaged file reads the same after it was rewritten.
  ASSERT_EQ(again.Sections(), profile.Sections());
  for (const std::string& section : profile.Sections()) {
    EXPECT_EQ(again.SectionValues(section), profile.SectionValues(section)) << section;
  }
}

TEST(ProfileFileTest, ParseIntegerRejectsJunk) {
  int64_t value = 0;
  EXPECT_TRUE(ParseProfileInteger(" 42 ", &value));
  EXPECT_EQ(value, 42);
  EXPECT_TRUE(ParseProfileInteger("-9223372036854775808", &value));
  EXPECT_EQ(value, INT64_MIN);
  EXPECT_FALSE(ParseProfileInteger("9223372036854775808", &value));
  EXPECT_FALSE(ParseProfileInteger("-", &value));
  EXPECT_FALSE(ParseProfileInteger("1 2", &value));
  EXPECT_FALSE(ParseProfileInteger("0x10", &value));
}

}  // namespace
}  // namespace vr::platform

namespace vr::platform {
namespace {

// Comma text keeps lines with blanks, commas and quotes; shell words split option texts.
TEST(TextLists, CommaTextAndShellWords) {
  const std::vector<std::string> lines = {"plain", "two words", "a,b", "say \"hi\"", "", "end"};
  const std::string joined = JoinCommaText(lines);
  EXPECT_EQ(joined, "plain,\"two words\",\"a,b\",\"say \"\"hi\"\"\",,end");
  EXPECT_EQ(SplitCommaText(joined), lines);
  EXPECT_EQ(SplitCommaText("  a  b,c"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(SplitCommaText("").empty());
  const ProfileFile file = ProfileFile::FromText("[S]\nQ=\"\"x y\",z\"\nP=plain\n");
  EXPECT_EQ(file.ReadQuotedString("S", "Q", ""), "\"x y\",z");
  EXPECT_EQ(file.ReadQuotedString("S", "P", ""), "plain");
  EXPECT_EQ(file.ReadQuotedString("S", "R", "none"), "none");

  EXPECT_EQ(SplitShellWords("  -a  'b c' \"d \\\"e\\\"\" f\\ g 'h\"i' "),
            (std::vector<std::string>{"-a", "b c", "d \"e\"", "f g", "h\"i"}));
  EXPECT_EQ(SplitShellWords("''"), std::vector<std::string>{""});
  EXPECT_TRUE(SplitShellWords("   ").empty());
}

}  // namespace
}  // namespace vr::platform
