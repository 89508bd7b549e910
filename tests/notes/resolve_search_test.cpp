// The shortcut files and the search and mend steps of the resolve window, over real files in a
// temporary folder with a scripted drive table.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "fakes/fake_files.h"
#include "notes/resolve_search.h"
#include "notes/shortcut_file.h"
#include "platform/path_rules.h"
#include "test_support/temp_dir.h"

namespace vr::notes {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ShortcutFileTest, RoundTripRewriteAndPlantedNames) {
  test_support::TempDir dir;
  ShortcutFolder folder(dir.Path());
  ASSERT_FALSE(folder.folder().empty());
  struct stat st {};
  ASSERT_EQ(::stat(folder.folder().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  const std::string file = folder.FileFor(0);
  EXPECT_EQ(file, folder.folder() + "0.lnk");
  ASSERT_TRUE(WriteShortcutFile(file, {"/pics/a,b.jpg", 5000000000ull, 0x5A2B3C4Du}));
  EXPECT_EQ(ReadText(file), "/pics/a,b.jpg\r\n5000000000\r\n1512782925\r\n");
  auto back = ReadShortcutFile(file);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->path, "/pics/a,b.jpg");
  EXPECT_EQ(back->size, 5000000000ull);
  EXPECT_EQ(back->stamp, 0x5A2B3C4Du);
  // Never over an existing file; never a path with a line break.
  EXPECT_FALSE(WriteShortcutFile(file, {"/x.jpg", 1, 1}));
  EXPECT_FALSE(WriteShortcutFile(folder.FileFor(1), {"/x\n.jpg", 1, 1}));

  // The path line changes only while it still names the old path.
  EXPECT_FALSE(RewriteShortcutPath(file, "/pics/other.jpg", "/new/a.jpg"));
  EXPECT_TRUE(RewriteShortcutPath(file, "/pics/a,b.jpg", "/new/a.jpg"));
  EXPECT_EQ(ReadText(file), "/new/a.jpg\r\n5000000000\r\n1512782925\r\n");

  // Bad numbers read 0; a file with no path is no shortcut.
  const std::string odd = dir.WriteText("odd.lnk", "/p.jpg\nabc\n");
  EXPECT_EQ(ReadShortcutFile(odd)->size, 0u);
  EXPECT_FALSE(ReadShortcutFile(dir.WriteText("empty.lnk", "")));

  // A link planted at a shortcut's name is neither followed on creation nor written through on
  // a rewrite.
  const std::string victim = dir.WriteText("victim.txt", "keep");
  ASSERT_EQ(::symlink(victim.c_str(), folder.FileFor(2).c_str()), 0);
  EXPECT_FALSE(WriteShortcutFile(folder.FileFor(2), {"/y.jpg", 1, 1}));
  EXPECT_EQ(ReadText(victim), "keep");

  const std::string made = folder.folder();
  folder.Remove();
  EXPECT_FALSE(fs::exists(made));
  EXPECT_EQ(ReadText(victim), "keep");
}

class ResolveSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    c_ = dir_.File("c") + "/";
    d_ = dir_.File("d") + "/";
    cd_ = dir_.File("cd") + "/";
    for (const std::string& f : {c_, d_, cd_}) fs::create_directories(f);
    std::vector<platform::Drive> drives(3);
    drives[0].root = c_;
    drives[0].type = platform::DriveType::kFixed;
    drives[1].root = cd_;
    drives[1].type = platform::DriveType::kCdRom;
    drives[2].root = d_;
    drives[2].type = platform::DriveType::kRemovable;
    files_.SetDrives(drives);
  }
  // A file of `size` bytes with the modification time `when`.
  std::string Make(const std::string& path, size_t size, std::time_t when) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
    EXPECT_TRUE(files_.SetModified(path, when));
    return path;
  }
  uint32_t StampOf(const std::string& path) { return files_.Stat(path)->dos_stamp; }

  test_support::TempDir dir_;
  fakes::FakeFiles files_;
  std::string c_, d_, cd_;
};

TEST_F(ResolveSearchTest, CandidatesComeInSearchOrderSameNameFirst) {
  const std::time_t when = 1600000000;
  const std::string missing = c_ + "pics/trip/beach.jpg";
  fs::create_directories(c_ + "pics/trip");
  // Decoys of the same size and stamp: on the other drive, on the CD-ROM (never searched), in a
  // parent folder, in a sub-folder; one with the right size but another stamp.
  const std::string other_drive = Make(d_ + "x/zz.jpg", 40, when);
  Make(cd_ + "a.jpg", 40, when);
  const std::string parent = Make(c_ + "pics/p.jpg", 40, when);
  const std::string sub = Make(c_ + "pics/trip/old/q.jpg", 40, when);
  const std::string renamed_here = Make(c_ + "pics/trip/r.jpg", 40, when);
  const std::string same_name_far = Make(c_ + "elsewhere/deep/beach.jpg", 40, when);
  Make(c_ + "pics/trip/wrongstamp.jpg", 40, when + 3600);

  std::vector<std::string> said;
  ResolveSearchHooks hooks;
  hooks.status = [&](const std::string& t) { said.push_back(t); };
  const auto found = FindBySizeAndStamp(files_, {missing, 40, StampOf(parent)}, hooks);
  EXPECT_EQ(found, (std::vector<std::string>{same_name_far, renamed_here, sub, parent,
                                             other_drive}));
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.front(), "Locating file:" + missing);
  EXPECT_EQ(said[1], "Searching Folder:" + c_ + "pics/trip/");
  // Each folder is announced once however many steps cover it.
  EXPECT_EQ(std::count(said.begin(), said.end(), "Searching Folder:" + c_ + "pics/trip/"), 1);

  // A button pressed during the search ends it with what was found so far.
  hooks.pump_and_poll_stop = [] { return true; };
  EXPECT_TRUE(FindBySizeAndStamp(files_, {missing, 40, StampOf(parent)}, hooks).empty());
}

TEST_F(ResolveSearchTest, MovedFolderMendsSiblingsThatExistThere) {
  ShortcutFolder links(dir_.Path());
  // Three files of one folder moved together; a fourth of that folder did not move (it lies on a
  // stick not plugged in, say) and has no file of its name in the new folder.
  std::vector<ResolvePair> pairs;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "gone.jpg"}) {
    const std::string old_path = c_ + "old/" + name;
    const std::string link = links.FileFor(pairs.size());
    ASSERT_TRUE(WriteShortcutFile(link, {old_path, 1, 1}));
    pairs.push_back({link, old_path});
    if (std::string(name) != "gone.jpg") Make(c_ + "new/" + name, 1, 1600000000);
  }
  // Another pair's shortcut that was changed meanwhile is left alone.
  const std::string elsewhere = c_ + "other/z.jpg";
  ASSERT_TRUE(WriteShortcutFile(links.FileFor(9), {c_ + "somewhere/else.jpg", 1, 1}));
  pairs.push_back({links.FileFor(9), elsewhere});

  std::vector<std::pair<std::string, std::string>> fixed;
  int fix_calls = 0;
  const size_t moved = ApplyNewLocation(
      &pairs, 1, c_ + "new/b.jpg", files_,
      [&](const auto& moves) {
        ++fix_calls;
        fixed = moves;
      },
      nullptr);
  EXPECT_EQ(moved, 3u);
  EXPECT_EQ(fix_calls, 1);  // one pass for the whole folder
  ASSERT_EQ(fixed.size(), 3u);
  EXPECT_EQ(fixed[0], std::make_pair(c_ + "old/b.jpg", c_ + "new/b.jpg"));
  EXPECT_EQ(ReadShortcutFile(pairs[0].shortcut)->path, c_ + "new/a.jpg");
  EXPECT_EQ(ReadShortcutFile(pairs[2].shortcut)->path, c_ + "new/c.jpg");
  EXPECT_EQ(pairs[3].path, c_ + "old/gone.jpg");
  EXPECT_EQ(ReadShortcutFile(pairs[3].shortcut)->path, c_ + "old/gone.jpg");
  EXPECT_EQ(ReadShortcutFile(pairs[4].shortcut)->path, c_ + "somewhere/else.jpg");

  DropResolved(&pairs, files_, nullptr);
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0].path, c_ + "old/gone.jpg");
  EXPECT_EQ(pairs[1].path, elsewhere);
}

}  // namespace
}  // namespace vr::notes
