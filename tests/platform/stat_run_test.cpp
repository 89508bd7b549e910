// Looking at a run of files from their opened folders answers as Files::Stat does, file by file:
// links followed, folders and missing paths told apart, times and sizes fresh after a change; and
// any Files not built on the POSIX one is asked file by file.
#include "platform/stat_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "test_support/temp_dir.h"

namespace vr::platform {
namespace {

namespace fs = std::filesystem;

void ExpectSameAsStat(Files& files, StatRun& run, const std::string& path) {
  SCOPED_TRACE(path);
  const std::optional<DirEntry> want = files.Stat(path);
  const std::optional<StatRun::Facts> got = run.Look(path);
  ASSERT_EQ(got.has_value(), want.has_value());
  if (!want) return;
  EXPECT_EQ(got->size, want->size);
  EXPECT_EQ(got->dos_stamp, want->dos_stamp);
  EXPECT_EQ(got->directory, want->IsDirectory());
}

TEST(StatRunTest, AnswersAsStatFileByFile) {
  test_support::TempDir dir;
  PosixFiles files;
  const std::string a = dir.WriteText("one/a.jpg", "aaaa");
  const std::string b = dir.WriteText("one/b.jpg", "bb");
  const std::string c = dir.WriteText("two/c.jpg", "c");
  fs::create_directories(dir.File("one/sub"));
  ASSERT_EQ(::symlink(a.c_str(), dir.File("one/link.jpg").c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("gone.jpg").c_str(), dir.File("one/dangling.jpg").c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("two").c_str(), dir.File("linked").c_str()), 0);
  // Times a minute apart, so a kept stamp of one file shows up as a wrong stamp of the next.
  const auto now = fs::last_write_time(a);
  fs::last_write_time(b, now - std::chrono::minutes(1));

  auto run = StartStatRun(files);
  for (const std::string& path :
       {a, b, dir.File("one/sub"), dir.File("one/link.jpg"), dir.File("one/dangling.jpg"),
        dir.File("one/missing.jpg"), c, dir.File("linked/c.jpg"), a, dir.File("nofolder/x.jpg"),
        dir.File("one/"), std::string("/"), std::string("relative-missing.jpg")}) {
    ExpectSameAsStat(files, *run, path);
  }
  EXPECT_FALSE(run->Look(dir.File("one/missing.jpg")));
  EXPECT_TRUE(run->Look(dir.File("one/sub"))->directory);
  EXPECT_EQ(run->Look(dir.File("one/link.jpg"))->size, 4u);

  // A file that grows or goes while the run holds its folder open: the run sees it as it is now.
  ExpectSameAsStat(files, *run, b);
  dir.WriteText("one/b.jpg", "grown bytes");
  ExpectSameAsStat(files, *run, b);
  EXPECT_EQ(run->Look(b)->size, 11u);
  fs::remove(b);
  ExpectSameAsStat(files, *run, b);
}

TEST(StatRunTest, OtherFilesAreAskedFileByFile) {
  test_support::TempDir dir;
  struct Fixed : Files {
    std::optional<DirEntry> Stat(const std::string& path) override {
      ++calls;
      if (path != "/made/up.jpg") return std::nullopt;
      DirEntry e;
      e.size = 7;
      e.dos_stamp = 42;
      return e;
    }
    bool ListFolder(const std::string&, const ListVisitor&) override { return false; }
    FileResult CopyFile(const std::string&, const std::string&) override { return {}; }
    FileResult MoveFile(const std::string&, const std::string&) override { return {}; }
    FileResult RenameFile(const std::string&, const std::string&) override { return {}; }
    FileResult DeleteFile(const std::string&) override { return {}; }
    FileResult MakeFolder(const std::string&) override { return {}; }
    FileResult RemoveFolder(const std::string&) override { return {}; }
    std::optional<uint32_t> GetAttributes(const std::string&) override { return std::nullopt; }
    FileResult SetAttributes(const std::string&, uint32_t) override { return {}; }
    FileResult SetModified(const std::string&, std::time_t) override { return {}; }
    std::optional<uint64_t> FreeSpace(const std::string&) override { return std::nullopt; }
    uint64_t ClusterSize(const std::string&) override { return 0; }
    std::vector<Drive> Drives() override { return {}; }
    int calls = 0;
  } fixed;
  auto run = StartStatRun(fixed);
  const auto made = run->Look("/made/up.jpg");
  ASSERT_TRUE(made);
  EXPECT_EQ(made->size, 7u);
  EXPECT_EQ(made->dos_stamp, 42u);
  EXPECT_FALSE(run->Look(dir.File("anything")));
  EXPECT_EQ(fixed.calls, 2);
}

}  // namespace
}  // namespace vr::platform
