// The album files and the tree on disk: line reading and writing (quoted paths included),
// writes that fail keep the old file, names of new albums, labels, deleting, the profile folder.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "albums/album_file.h"
#include "albums/album_tree.h"
#include "platform/files.h"
#include "test_support/read_only_folder.h"
#include "test_support/temp_dir.h"

namespace vr::albums {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(AlbumFileTest, LinesReadAsDefinedAndOddPathsSurvive) {
  test_support::TempDir dir;
  const std::string file = dir.WriteText(
      "Album.Txt",
      "C:\\PICS\\A.JPG,1234,5678,some other text,more\r\n"
      "/no/commas/at all.jpg\r\n"
      "/bad/numbers.jpg,12x,,\r\n"
      "\r\n"
      "/big.jpg,6000000000,4294967295,\n");
  const std::vector<AlbumEntry> read = ReadAlbumFile(file);
  ASSERT_EQ(read.size(), 4u);
  EXPECT_EQ(read[0].path, "C:\\PICS\\A.JPG");
  EXPECT_EQ(read[0].size, 1234u);
  EXPECT_EQ(read[0].stamp, 5678u);
  EXPECT_EQ(read[1].path, "/no/commas/at all.jpg");
  EXPECT_EQ(read[1].size, 0u);
  EXPECT_EQ(read[2].size, 0u);  // "12x" is no number
  EXPECT_EQ(read[3].size, 6000000000ull);
  EXPECT_EQ(read[3].stamp, 4294967295u);

  // Ordinary lines keep the plain form; a comma or a leading quote is quoted and comes back.
  std::vector<AlbumEntry> odd(4);
  odd[0].path = "/p/plain.jpg";
  odd[1].path = "/p/a,b.jpg";
  odd[2].path = "\"quoted\".jpg";
  odd[3].path = "/p/line\nbreak.jpg";
  odd[1].size = 7;
  const std::string out = dir.File("out.txt");
  ASSERT_TRUE(WriteAlbumFile(out, odd));
  EXPECT_EQ(ReadText(out),
            "/p/plain.jpg,0,0,\r\n\"/p/a,b.jpg\",7,0,\r\n\"\"\"quoted\"\".jpg\",0,0,\r\n");
  const std::vector<AlbumEntry> back = ReadAlbumFile(out);
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[1].path, "/p/a,b.jpg");
  EXPECT_EQ(back[1].size, 7u);
  EXPECT_EQ(back[2].path, "\"quoted\".jpg");

  // Sorting goes by the unquoted path; equal paths keep the first.
  std::vector<AlbumEntry> list = back;
  list.push_back(back[1]);
  list.back().size = 99;
  SortAndDropDuplicatePaths(&list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].path, "\"quoted\".jpg");
  EXPECT_EQ(list[1].path, "/p/a,b.jpg");
  EXPECT_EQ(list[1].size, 7u);
}

TEST(AlbumFileTest, FailedWritesKeepTheOldFiles) {
  test_support::TempDir dir;
  const std::string album = dir.File("Holiday") + "/";
  fs::create_directories(album);
  std::vector<AlbumEntry> one(1);
  one[0].path = "/p/old.jpg";
  ASSERT_TRUE(WriteAlbumFile(album + kAlbumFileName, one));
  ASSERT_TRUE(WriteComments(album, "old words"));
  ASSERT_TRUE(WriteSyncFolder(album, "/locked/"));
  EXPECT_EQ(ReadSyncFolder(album), "/locked/");
  const std::string before = ReadText(album + kAlbumFileName);
  {
    test_support::ReadOnlyFolder lock(album);
    if (!lock.refuses_writes()) GTEST_SKIP() << "cannot make a folder refuse writes here";
    one[0].path = "/p/new.jpg";
    EXPECT_FALSE(WriteAlbumFile(album + kAlbumFileName, one));
    EXPECT_FALSE(WriteComments(album, "new words"));
    EXPECT_FALSE(WriteSyncFolder(album, ""));
  }
  EXPECT_EQ(ReadText(album + kAlbumFileName), before);
  EXPECT_EQ(ReadComments(album), "old words");
  EXPECT_EQ(ReadSyncFolder(album), "/locked/");
}

TEST(AlbumTreeTest, NamesLabelsAndTheProfileFolder) {
  test_support::TempDir dir;
  platform::PosixFiles files;
  const std::string root = AlbumRootFor(dir.Path());
  EXPECT_EQ(root, dir.Path() + "/Albums_Veldrimon/");
  ASSERT_TRUE(EnsureAlbumRoot(files, root));
  fs::create_directories(root + "Holiday/Beach");
  fs::create_directories(root + "attic");
  EXPECT_EQ(SubAlbums(files, root), (std::vector<std::string>{"Holiday", "attic"}));
  EXPECT_EQ(SubAlbums(files, AlbumFolderOf(root, "Holiday")), std::vector<std::string>{"Beach"});
  EXPECT_EQ(AlbumFolderOf(root, "Holiday/Beach"), root + "Holiday/Beach/");
  EXPECT_EQ(AlbumFolderOf(root, "."), root);

  // New Album 1, 2; after renaming 1 the next is 1 again.
  EXPECT_EQ(MakeNewAlbum(files, root), "New Album 1");
  EXPECT_EQ(MakeNewAlbum(files, root), "New Album 2");
  ASSERT_TRUE(RenameAlbum(files, root + "New Album 1", "Family"));
  EXPECT_EQ(MakeNewAlbum(files, root), "New Album 1");

  // Labels that would leave the tree or name nothing are refused; an existing name too.
  for (const char* bad : {"../x", "a/b", ".", "..", ""}) {
    EXPECT_FALSE(RenameAlbum(files, root + "Family", bad)) << bad;
  }
  EXPECT_FALSE(RenameAlbum(files, root + "Family", "Holiday"));
  EXPECT_TRUE(fs::is_directory(root + "Family"));
  EXPECT_FALSE(fs::exists(dir.Path() + "/x"));

  // A profile folder named like the root gives its parent, so the same tree is found again.
  EXPECT_EQ(BaseFromPickedFolder(dir.Path() + "/albums_veldrimon"), dir.Path() + "/");
  EXPECT_EQ(BaseFromPickedFolder(dir.Path() + "/elsewhere"), dir.Path() + "/elsewhere/");
}

TEST(AlbumTreeTest, DeletingTakesOnlyTheAlbumsOwnFiles) {
  test_support::TempDir dir;
  platform::PosixFiles files;
  const std::string root = AlbumRootFor(dir.Path());
  fs::create_directories(root + "Kept");
  fs::create_directories(root + "Gone");
  fs::create_directories(root + "Parent/Child");
  for (const std::string& album : {root + "Kept/", root + "Gone/"}) {
    std::ofstream(album + "ALBUM.TXT") << "x";
    std::ofstream(album + "AlbumINI.TXT") << "x";
    std::ofstream(album + "Album_Comments.Txt") << "x";
  }
  std::ofstream(root + "Kept/my notes.txt") << "mine";

  EXPECT_EQ(DeleteAlbum(files, root, root + "Kept/"), DeleteOutcome::kOtherFilesKept);
  EXPECT_TRUE(fs::exists(root + "Kept/my notes.txt"));
  EXPECT_FALSE(fs::exists(root + "Kept/ALBUM.TXT"));
  EXPECT_FALSE(fs::exists(root + "Kept/AlbumINI.TXT"));
  EXPECT_EQ(DeleteAlbum(files, root, root + "Gone/"), DeleteOutcome::kDeleted);
  EXPECT_FALSE(fs::exists(root + "Gone"));
  EXPECT_EQ(DeleteAlbum(files, root, root + "Parent/"), DeleteOutcome::kHasSubAlbums);
  EXPECT_EQ(DeleteAlbum(files, root, root), DeleteOutcome::kIsRoot);
  EXPECT_TRUE(fs::exists(root + "Parent/Child"));
}

}  // namespace
}  // namespace vr::albums
