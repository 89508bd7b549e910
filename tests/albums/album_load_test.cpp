// Loading albums over real files: changed files rewritten once, missing files handed to the
// resolve step through shortcut files in a private folder, the removal question, an aborted
// load, folder albums; FixAlbumEntries over the whole tree; and veldrimon-tool album as a
// process.
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "albums/album_ops.h"
#include "albums/album_tree.h"
#include "fakes/fake_files.h"
#include "lists/allowable_types.h"
#include "notes/shortcut_file.h"
#include "test_support/temp_dir.h"

namespace vr::albums {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class AlbumLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = AlbumRootFor(dir_.Path());
    album_ = root_ + "Holiday/";
    pics_ = dir_.File("pics") + "/";
    temp_ = dir_.File("tmp") + "/";
    for (const std::string& f : {album_, pics_, temp_}) fs::create_directories(f);
    hooks_.files = &files_;
    hooks_.allowable = &allowable_;
    hooks_.temp_folder = temp_;
    hooks_.status = [this](const std::string& t) { said_.push_back(t); };
  }
  std::string Pic(const std::string& name, const std::string& bytes = "x") {
    std::ofstream(pics_ + name, std::ios::binary) << bytes;
    return pics_ + name;
  }
  AlbumEntry Entry(const std::string& path) {
    AlbumEntry e;
    e.path = path;
    if (auto st = files_.Stat(path)) {
      e.size = st->size;
      e.stamp = st->dos_stamp;
    }
    return e;
  }

  test_support::TempDir dir_;
  fakes::FakeFiles files_;
  lists::AllowableTypes allowable_;
  LoadHooks hooks_;
  std::vector<std::string> said_;
  std::string root_, album_, pics_, temp_;
};

TEST_F(AlbumLoadTest, GrownFileRewrittenOnceAndSortedByName) {
  const std::string b = Pic("b.jpg");
  const std::string a = Pic("a.jpg");
  ASSERT_TRUE(WriteAlbumFile(album_ + kAlbumFileName, {Entry(b), Entry(a)}));
  // Unchanged: nothing written.
  LoadResult r = LoadAlbum(album_, hooks_);
  EXPECT_FALSE(r.written);
  ASSERT_EQ(r.entries.size(), 2u);
  EXPECT_EQ(r.entries[0].path, a);
  EXPECT_EQ(said_.front(), "Loading Shortcuts For Album ...");

  Pic("b.jpg", "grown bigger");
  r = LoadAlbum(album_, hooks_);
  EXPECT_TRUE(r.written);
  EXPECT_EQ(r.entries[1].size, 12u);
  EXPECT_NE(ReadText(album_ + kAlbumFileName).find("/b.jpg,12,"), std::string::npos);
}

TEST_F(AlbumLoadTest, MissingFilesGoThroughShortcutsAndTheRemovalQuestion) {
  const std::string kept = Pic("kept.jpg");
  const std::string moved_to = Pic("new,place.jpg");
  AlbumEntry gone1 = Entry(kept);
  gone1.path = pics_ + "moved,away.jpg";
  AlbumEntry gone2 = Entry(kept);
  gone2.path = pics_ + "lost.jpg";
  ASSERT_TRUE(WriteAlbumFile(album_ + kAlbumFileName, {Entry(kept), gone1, gone2}));
  // A link planted in the shared temporary folder under a shortcut's name is never written
  // through: shortcut files live in a private folder.
  const std::string victim = dir_.WriteText("victim.txt", "keep me");
  ASSERT_EQ(::symlink(victim.c_str(), (temp_ + "0.lnk").c_str()), 0);

  std::vector<notes::ResolvePair> handed;
  std::string link_folder_mode;
  hooks_.resolve = [&](std::vector<notes::ResolvePair> pairs) {
    handed = pairs;
    struct stat st {};
    ::stat(fs::path(pairs[0].shortcut).parent_path().c_str(), &st);
    link_folder_mode = std::to_string(st.st_mode & 0777);
    // The user finds the first one; the second stays unresolved.
    EXPECT_TRUE(notes::RewriteShortcutPath(pairs[0].shortcut, pairs[0].path, moved_to));
    return std::vector<notes::ResolvePair>{pairs[1]};
  };
  size_t asked = 0;
  hooks_.ask_remove_unresolved = [&](size_t n) {
    asked = n;
    return true;
  };
  const LoadResult r = LoadAlbum(album_, hooks_);
  ASSERT_EQ(handed.size(), 2u);
  EXPECT_EQ(handed[0].path, pics_ + "moved,away.jpg");
  EXPECT_EQ(fs::path(handed[0].shortcut).filename(), "0.lnk");
  EXPECT_EQ(link_folder_mode, "448");  // 0700
  EXPECT_NE(fs::path(handed[0].shortcut).parent_path().string() + "/", temp_);
  EXPECT_FALSE(fs::exists(fs::path(handed[0].shortcut).parent_path()));
  EXPECT_EQ(ReadText(victim), "keep me");
  EXPECT_EQ(asked, 1u);
  EXPECT_EQ(r.unresolved, 1u);
  EXPECT_TRUE(r.missing.empty());  // the lost one was removed, the moved one found
  ASSERT_EQ(r.entries.size(), 2u);
  EXPECT_EQ(r.entries[0].path, kept);
  EXPECT_EQ(r.entries[1].path, moved_to);
  EXPECT_EQ(r.entries[1].size, 1u);
  EXPECT_TRUE(r.written);
  const std::vector<AlbumEntry> stored = ReadAlbumFile(album_ + kAlbumFileName);
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[1].path, moved_to);
  EXPECT_EQ(RemoveUnresolvedText(1).substr(0, 20), "There were 1 links t");
}

TEST_F(AlbumLoadTest, AbortedLoadEmptiesAndFolderAlbumsListTheirFolder) {
  std::vector<AlbumEntry> many(20000);
  const std::string here = Pic("here.jpg");
  for (auto& e : many) e = Entry(here);
  ASSERT_TRUE(WriteAlbumFile(album_ + kAlbumFileName, many));
  int pumps = 0;
  hooks_.pump_and_poll_abort = [&] { return ++pumps == 3; };
  LoadResult r = LoadAlbum(album_, hooks_);
  EXPECT_TRUE(r.aborted);
  EXPECT_TRUE(r.entries.empty());
  EXPECT_EQ(pumps, 3);
  EXPECT_NE(std::find(said_.begin(), said_.end(), "Loading Album:[19800] here.jpg"), said_.end());
  hooks_.pump_and_poll_abort = nullptr;

  // Locked to a folder: its allowable files directly in it; the stored list stays for later.
  ASSERT_TRUE(WriteAlbumFile(album_ + kAlbumFileName, {Entry(here)}));
  const std::string locked = dir_.File("locked") + "/";
  fs::create_directories(locked + "sub");
  std::ofstream(locked + "one.gif") << "g";
  std::ofstream(locked + "notes.txt") << "t";
  std::ofstream(locked + "sub/deep.jpg") << "d";
  ASSERT_TRUE(WriteSyncFolder(album_, locked));
  r = LoadAlbum(album_, hooks_);
  EXPECT_TRUE(r.folder_album);
  ASSERT_EQ(r.entries.size(), 1u);
  EXPECT_EQ(r.entries[0].path, locked + "one.gif");

  ASSERT_TRUE(WriteSyncFolder(album_, dir_.File("nowhere") + "/"));
  EXPECT_TRUE(LoadAlbum(album_, hooks_).missing_folder);

  // Back to NORMAL: the last stored list.
  ASSERT_TRUE(WriteSyncFolder(album_, ""));
  r = LoadAlbum(album_, hooks_);
  EXPECT_FALSE(r.folder_album);
  ASSERT_EQ(r.entries.size(), 1u);
  EXPECT_EQ(r.entries[0].path, here);
}

TEST_F(AlbumLoadTest, FixRewritesEveryAlbumInOnePassAndAddDropsDuplicates) {
  const std::string comma = Pic("a,b.jpg");
  const std::string other = Pic("other.jpg");
  fs::create_directories(root_ + "Holiday/Beach");
  std::vector<AlbumEntry> entries;
  const AddResult added = AddFilesToAlbum(album_, &entries, {comma, other, comma, Pic("x.txt")},
                                          files_, &allowable_, nullptr);
  EXPECT_EQ(added.added, 2u);
  ASSERT_TRUE(added.written);
  ASSERT_TRUE(WriteAlbumFile(root_ + "Holiday/Beach/Album.Txt", {Entry(comma)}));

  std::vector<std::string> progress;
  const size_t n = FixAlbumEntries(
      files_, root_, {{comma, pics_ + "c,d.jpg"}},
      [&](const std::string& t) { progress.push_back(t); }, nullptr);
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(ReadAlbumFile(album_ + kAlbumFileName)[0].path, pics_ + "c,d.jpg");
  EXPECT_EQ(ReadAlbumFile(root_ + "Holiday/Beach/Album.Txt")[0].path, pics_ + "c,d.jpg");
  EXPECT_EQ(ReadAlbumFile(album_ + kAlbumFileName)[1].path, other);
  // A new name that cannot be stored leaves the entry as it was instead of losing it.
  EXPECT_EQ(FixAlbumEntries(files_, root_, {{other, pics_ + "two\nlines.jpg"}}, nullptr, nullptr),
            0u);
  ASSERT_EQ(ReadAlbumFile(album_ + kAlbumFileName).size(), 2u);
  EXPECT_EQ(ReadAlbumFile(album_ + kAlbumFileName)[1].path, other);
}

// veldrimon-tool album, as a process.
std::string RunTool(const std::string& arguments, int* code) {
  const char* bin = std::getenv("VR_BINARY_DIR");
  const std::string command =
      std::string(bin != nullptr ? bin : ".") + "/tools/veldrimon-tool " + arguments + " 2>&1";
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buf[512];
  while (size_t got = std::fread(buf, 1, sizeof buf, pipe)) out.append(buf, got);
  const int status = ::pclose(pipe);
  *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

TEST_F(AlbumLoadTest, ToolMakesAddsListsAndFixesAlbums) {
  const std::string base = "'" + dir_.Path() + "'";
  const std::string comma = Pic("p,q.jpg", "12345");
  int code = -1;
  EXPECT_EQ(RunTool("album new " + base + " .", &code), "New Album 1\n");
  EXPECT_EQ(code, 0);
  EXPECT_EQ(RunTool("album add " + base + " 'New Album 1' '" + comma + "' '" + comma + "'", &code),
            "Added:1\n");
  const uint32_t stamp = files_.Stat(comma)->dos_stamp;
  EXPECT_EQ(RunTool("album list " + base + " 'New Album 1'", &code),
            comma + "\t5\t" + std::to_string(stamp) + "\n");
  EXPECT_EQ(RunTool("album fix " + base + " '" + comma + "' /gone/r,s.jpg", &code), "Fixed:1\n");
  EXPECT_EQ(RunTool("album list " + base + " 'New Album 1'", &code),
            "/gone/r,s.jpg\t5\t" + std::to_string(stamp) + "\tMISSING\n");
  RunTool("album new " + base + " ../..", &code);
  EXPECT_NE(code, 0);
}

}  // namespace
}  // namespace vr::albums
