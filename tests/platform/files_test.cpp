#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "test_support/temp_dir.h"

namespace vr::platform {
namespace {

using test_support::TempDir;

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

std::string ReadText(const std::string& path) {
  const auto bytes = TempDir::Read(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(DosStampTest, PacksDateHighAndTimeLowInTwoSecondSteps) {
  // 2003-07-14 13:45:31 -> date (23 << 9 | 7 << 5 | 14), time (13 << 11 | 45 << 5 | 15)
  const uint32_t stamp = PackDosStamp(LocalTime(2003, 7, 14, 13, 45, 31));
  EXPECT_EQ(stamp >> 16, (23u << 9) | (7u << 5) | 14u);
  EXPECT_EQ(stamp & 0xFFFF, (13u << 11) | (45u << 5) | 15u);
  EXPECT_EQ(stamp, 0x2EEE6DAFu);
  EXPECT_EQ(UnpackDosStamp(stamp), LocalTime(2003, 7, 14, 13, 45, 30));
}

TEST(DosStampTest, ClampsOutsideTheDosRangeAndRejectsBadFields) {
  EXPECT_EQ(PackDosStamp(LocalTime(1975, 5, 5, 5, 5, 5)), (1u << 21) | (1u << 16));
  EXPECT_EQ(PackDosStamp(LocalTime(1980, 1, 1, 0, 0, 0)), (1u << 21) | (1u << 16));
  EXPECT_EQ(PackDosStamp(LocalTime(2110, 1, 1, 0, 0, 0)) >> 25, 127u);
  EXPECT_EQ(UnpackDosStamp(0), -1);                                      // month 0
  EXPECT_EQ(UnpackDosStamp((1u << 21) | (1u << 16) | (24u << 11)), -1);  // hour 24
}

TEST(FilesTest, ListingGivesNamesSizesAttributesAndStamps) {
  TempDir dir;
  dir.WriteText("a.gif", "GIF89a");
  dir.WriteText(".hidden", "");
  const std::string locked = dir.WriteText("locked.pcx", "0123456789");
  ::chmod(locked.c_str(), 0444);
  std::filesystem::create_directory(dir.File("sub"));
  const std::time_t when = LocalTime(2004, 2, 29, 23, 59, 58);
  PosixFiles files;
  ASSERT_TRUE(files.SetModified(locked, when));

  std::map<std::string, DirEntry> seen;
  ASSERT_TRUE(files.ListFolder(dir.Path(), [&](const DirEntry& entry) {
    seen[entry.name] = entry;
    return true;
  }));
  ASSERT_EQ(seen.size(), 4u);  // "." and ".." are not listed
  EXPECT_EQ(seen["a.gif"].size, 6u);
  EXPECT_EQ(seen["a.gif"].attributes, 0u);
  EXPECT_EQ(seen["locked.pcx"].size, 10u);
  EXPECT_EQ(seen["locked.pcx"].attributes, static_cast<uint32_t>(kAttrReadOnly));
  EXPECT_EQ(seen["locked.pcx"].dos_stamp, PackDosStamp(when));
  EXPECT_EQ(seen["locked.pcx"].modified, when);
  EXPECT_TRUE(seen["sub"].IsDirectory());
  EXPECT_EQ(seen["sub"].size, 0u);
  EXPECT_NE(seen[".hidden"].attributes & kAttrHidden, 0u);
}

TEST(FilesTest, ListingStopsWhenAskedAndFailsOnMissingFolder) {
  TempDir dir;
  for (int i = 0; i < 5; ++i) dir.WriteText("f" + std::to_string(i), "x");
  PosixFiles files;
  int visited = 0;
  EXPECT_TRUE(files.ListFolder(dir.Path(), [&](const DirEntry&) { return ++visited < 2; }));
  EXPECT_EQ(visited, 2);
  EXPECT_FALSE(files.ListFolder(dir.File("missing"), [](const DirEntry&) { return true; }));
  // A dangling link is listed (it is an entry of the folder) rather than dropped.
  ASSERT_EQ(::symlink("nowhere", dir.File("dangling").c_str()), 0);
  ASSERT_EQ(::symlink(dir.Path().c_str(), dir.File("loop").c_str()), 0);
  std::map<std::string, DirEntry> seen;
  files.ListFolder(dir.Path(), [&](const DirEntry& e) {
    seen[e.name] = e;
    return true;
  });
  ASSERT_EQ(seen.count("dangling"), 1u);
  EXPECT_TRUE(seen["dangling"].is_link);
  EXPECT_TRUE(seen["loop"].is_link);
  EXPECT_TRUE(seen["loop"].IsDirectory());
  EXPECT_FALSE(seen["f0"].is_link);
}

TEST(FilesTest, NamesListingTellsTheSameKindsAsTheFullListing) {
  TempDir dir;
  dir.WriteText("a.gif", "GIF89a");
  dir.WriteText(".hidden", "");
  std::filesystem::create_directory(dir.File("sub"));
  ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("nowhere", dir.File("dangling").c_str()), 0);
  ASSERT_EQ(::symlink(dir.Path().c_str(), dir.File("loop").c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("a.gif").c_str(), dir.File("to_file").c_str()), 0);
  PosixFiles files;
  std::map<std::string, DirEntry> full;
  std::map<std::string, DirEntry> names;
  ASSERT_TRUE(files.ListFolder(dir.Path(),
                               [&](const DirEntry& e) { return full.emplace(e.name, e).second; }));
  ASSERT_TRUE(files.ListNames(dir.Path(),
                              [&](const DirEntry& e) { return names.emplace(e.name, e).second; }));
  ASSERT_EQ(names.size(), full.size());
  const uint32_t kinds = kAttrDirectory | kAttrHidden | kAttrSystem;
  for (const auto& [name, entry] : full) {
    ASSERT_EQ(names.count(name), 1u) << name;
    EXPECT_EQ(names[name].IsDirectory(), entry.IsDirectory()) << name;
    EXPECT_EQ(names[name].is_link, entry.is_link) << name;
    EXPECT_EQ(names[name].attributes & kinds, entry.attributes & kinds) << name;
  }
  // A link to a folder reads as a linked folder, so a scan does not go round through it.
  EXPECT_TRUE(names["loop"].IsDirectory());
  EXPECT_TRUE(names["loop"].is_link);
  EXPECT_NE(names["pipe"].attributes & kAttrSystem, 0u);
  EXPECT_FALSE(files.ListNames(dir.File("missing"), [](const DirEntry&) { return true; }));
}

TEST(FilesTest, CopyRefusesAnExistingTargetAndKeepsTheStamp) {
  TempDir dir;
  const std::string source = dir.WriteText("src.jpg", "new picture");
  const std::string target = dir.WriteText("dst.jpg", "old picture");
  PosixFiles files;
  const FileResult refused = files.CopyFile(source, target);
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.error, EEXIST);
  EXPECT_FALSE(refused.message.empty());
  EXPECT_EQ(ReadText(target), "old picture");

  // Nor through a link planted at the target name.
  const std::string victim = dir.WriteText("victim", "keep");
  ASSERT_EQ(::symlink(victim.c_str(), dir.File("link.jpg").c_str()), 0);
  EXPECT_FALSE(files.CopyFile(source, dir.File("link.jpg")));
  EXPECT_EQ(ReadText(victim), "keep");

  const std::time_t when = LocalTime(2001, 9, 9, 1, 46, 40);
  ASSERT_TRUE(files.SetModified(source, when));
  ASSERT_TRUE(files.CopyFile(source, dir.File("copy.jpg")));
  EXPECT_EQ(ReadText(dir.File("copy.jpg")), "new picture");
  EXPECT_EQ(files.Stat(dir.File("copy.jpg"))->modified, when);
}

TEST(FilesTest, CopyOfMissingOrFolderSourceLeavesNoTarget) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("folder"));
  ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
  PosixFiles files;
  EXPECT_FALSE(files.CopyFile(dir.File("pipe"), dir.File("t3")));  // returns, does not hang
  EXPECT_FALSE(std::filesystem::exists(dir.File("t3")));
  EXPECT_FALSE(files.CopyFile(dir.File("none"), dir.File("t1")));
  EXPECT_FALSE(files.CopyFile(dir.File("folder"), dir.File("t2")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("t1")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("t2")));
}

TEST(FilesTest, MoveAndRenameNeverReplaceATarget) {
  TempDir dir;
  const std::string a = dir.WriteText("a.bmp", "A");
  const std::string b = dir.WriteText("b.bmp", "B");
  PosixFiles files;
  EXPECT_EQ(files.MoveFile(a, b).error, EEXIST);
  EXPECT_EQ(files.RenameFile(a, b).error, EEXIST);
  EXPECT_EQ(ReadText(a), "A");
  EXPECT_EQ(ReadText(b), "B");

  std::filesystem::create_directory(dir.File("sub"));
  ASSERT_TRUE(files.MoveFile(a, dir.File("sub/a.bmp")));
  EXPECT_FALSE(files.Exists(a));
  ASSERT_TRUE(files.RenameFile(b, dir.File("c.bmp")));
  EXPECT_EQ(ReadText(dir.File("c.bmp")), "B");
  EXPECT_FALSE(files.RenameFile(dir.File("gone"), dir.File("x")));
}

TEST(FilesTest, DeleteAttributesAndFolders) {
  TempDir dir;
  const std::string f = dir.WriteText("f.tga", "x");
  PosixFiles files;
  ASSERT_TRUE(files.SetAttributes(f, kAttrReadOnly));
  EXPECT_EQ(*files.GetAttributes(f) & kAttrReadOnly, static_cast<uint32_t>(kAttrReadOnly));
  ASSERT_TRUE(files.SetAttributes(f, 0));
  EXPECT_EQ(*files.GetAttributes(f) & kAttrReadOnly, 0u);
  EXPECT_FALSE(files.GetAttributes(dir.File("none")).has_value());
  ASSERT_TRUE(files.DeleteFile(f));
  const FileResult again = files.DeleteFile(f);
  EXPECT_EQ(again.error, ENOENT);

  ASSERT_TRUE(files.MakeFolder(dir.File("d")));
  EXPECT_TRUE(files.IsFolder(dir.File("d")));
  EXPECT_FALSE(files.IsFile(dir.File("d")));
  EXPECT_FALSE(files.MakeFolder(dir.File("d")));
  dir.WriteText("d/x", "1");
  EXPECT_FALSE(files.RemoveFolder(dir.File("d")));  // not empty
  EXPECT_FALSE(files.DeleteFile(dir.File("d")));
  EXPECT_TRUE(files.FreeSpace(dir.Path()).has_value());
  EXPECT_GT(files.ClusterSize(dir.Path()), 0u);
  EXPECT_FALSE(files.FreeSpace(dir.File("none")).has_value());
}

TEST(FilesTest, AtomicWriteReplacesWholeFileAndLeavesNoLeftovers) {
  TempDir dir;
  const std::string path = dir.WriteText("RECYCLE.TXT", "old content that is longer");
  ASSERT_TRUE(WriteFileAtomically(path, "new"));
  EXPECT_EQ(ReadText(path), "new");
  ASSERT_TRUE(WriteFileAtomically(dir.File("fresh.txt"), ""));
  EXPECT_TRUE(std::filesystem::exists(dir.File("fresh.txt")));
  EXPECT_FALSE(WriteFileAtomically(dir.File("no/such/folder.txt"), "x"));
  int count = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
    (void)e;
    ++count;
  }
  EXPECT_EQ(count, 2);
}

// The streaming form: a writer that fails or stops half way leaves the old file whole and no
// temporary behind; one that finishes replaces it, keeping its mode and a link a link.
TEST(FilesTest, StreamedAtomicWriteCommitsOnlyAWholeFile) {
  TempDir dir;
  const std::string path = dir.WriteText("picture.bmp", "old picture");
  ::chmod(path.c_str(), 0640);
  auto entries = [&] {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) n += e.exists() ? 1 : 0;
    return n;
  };
  {
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(path));
    ASSERT_TRUE(writer.Write("half a pic", 10));
    EXPECT_EQ(ReadText(path), "old picture");  // nothing shows before the commit
    EXPECT_EQ(entries(), 2);
  }  // gone uncommitted
  EXPECT_EQ(ReadText(path), "old picture");
  EXPECT_EQ(entries(), 1);

  AtomicFileWriter failing;
  ASSERT_TRUE(failing.Open(path));
  ASSERT_TRUE(failing.Write("new", 3));
  failing.Fail(ENOSPC);
  EXPECT_FALSE(failing.Write("more", 4));
  const FileResult failed = failing.Commit();
  EXPECT_FALSE(failed);
  EXPECT_EQ(failed.error, ENOSPC);
  EXPECT_EQ(ReadText(path), "old picture");
  EXPECT_EQ(entries(), 1);

  AtomicFileWriter writer;
  ASSERT_TRUE(writer.Open(path));
  std::FILE* stream = writer.OpenStream();
  ASSERT_NE(stream, nullptr);
  std::fputs("new ", stream);
  std::fclose(stream);
  ASSERT_TRUE(writer.Write("picture", 7));
  ASSERT_TRUE(writer.Commit());
  EXPECT_EQ(ReadText(path), "new picture");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(entries(), 1);

  const std::string link = dir.File("link.bmp");
  std::filesystem::create_symlink(path, link);
  ASSERT_TRUE(WriteFileAtomically(link, "through the link"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadText(path), "through the link");
}

}  // namespace
}  // namespace vr::platform
