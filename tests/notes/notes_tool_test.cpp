// veldrimon-tool notes compact --relink run as a process over real pictures: a moved file found
// by its name, a renamed one by its stamp, picture size and fingerprint, and a look-alike of the
// same stamp and size (other pixels) left alone.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "lists/search/fingerprint.h"
#include "notes/notes_database.h"
#include "notes/notes_relink.h"
#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "platform/files.h"
#include "test_support/temp_dir.h"

#ifdef VELDRIMON_TOOL_BINARY
namespace vr::notes {
namespace {

void SavePicture(const std::string& path, int seed) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  picture::Bitmap bitmap;
  bitmap.Create(12, 9, picture::PixelFormat::k24);
  for (int y = 0; y < 9; ++y) {
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < 36; ++x) row[x] = static_cast<uint8_t>(x * seed + y * 31);
  }
  ASSERT_TRUE(codecs::SaveBmp(path, bitmap).ok);
}

TEST(NotesToolTest, CompactRelinkFindsMovedAndRenamedPicturesButNotALookAlike) {
  test_support::TempDir dir;
  const std::string root = dir.File("disk") + "/";
  const std::string moved = root + "new/moved.bmp";
  const std::string renamed = root + "new/DSC_0042.bmp";
  const std::string lookalike = root + "new/other.bmp";
  SavePicture(moved, 3);
  SavePicture(renamed, 5);
  SavePicture(lookalike, 11);
  const std::string base = dir.File("LSNOTES");
  {
    NotesDatabase db;
    ASSERT_EQ(db.OpenNotesDatabase(base), 0u);
    platform::PosixFiles files;
    const auto note = [&](const std::string& key, const std::string& file, const char* text) {
      NotesRecord r;
      r.notes = text;
      r.file_modified_date = static_cast<int32_t>(files.Stat(file)->dos_stamp);
      const search::MadePrint made = search::MakeFingerPrint(file);
      ASSERT_FALSE(made.failed);
      search::PrintToStored(made.print, &r.finger_print_data);
      r.res_x = made.print.res_x;
      r.res_y = made.print.res_y;
      ASSERT_EQ(db.WriteNote(key, r).status, 0u);
    };
    note(root + "old/moved.bmp", moved, "moved");
    note(root + "old/holiday.bmp", renamed, "renamed");
    db.CloseNotesDatabase();
  }
  const std::string out = dir.File("out.txt");
  const std::string command = std::string(VELDRIMON_TOOL_BINARY) + " notes compact " + base +
                              " --relink " + root + " >" + out + " 2>&1";
  const int rc = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(rc));
  EXPECT_EQ(WEXITSTATUS(rc), 0);
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  const std::string printed = text.str();
  EXPECT_NE(printed.find("link " + root + "old/moved.bmp -> " + moved + "\n"), std::string::npos)
      << printed;
  EXPECT_NE(printed.find("link " + root + "old/holiday.bmp -> " + renamed + " (" +
                         RenamedReason(12, 9, true) + ")\n"),
            std::string::npos)
      << printed;
  EXPECT_EQ(printed.find(lookalike), std::string::npos) << printed;
  EXPECT_NE(printed.find("re-linked 2"), std::string::npos) << printed;
  NotesDatabase db;
  ASSERT_EQ(db.OpenNotesDatabase(base), 0u);
  NotesRecord r;
  ASSERT_EQ(db.ReadNote(renamed, &r).status, 0u);
  EXPECT_EQ(r.notes, "renamed");
  ASSERT_EQ(db.ReadNote(moved, &r).status, 0u);
  EXPECT_EQ(r.notes, "moved");
  EXPECT_NE(db.ReadNote(lookalike, &r).status, 0u);
  EXPECT_EQ(db.NoteCount(), 2);
  db.CloseNotesDatabase();
}

}  // namespace
}  // namespace vr::notes
#endif
