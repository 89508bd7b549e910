// The look-alike search over real picture files and a real Notes database in a temporary folder:
// which copies match at which settings, the print cache, groups, the pairs file and its errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "lists/search/image_search.h"
#include "lists/search/learned.h"
#include "notes/notes_database.h"
#include "platform/files.h"
#include "search/search_pictures.h"
#include "test_support/temp_dir.h"

namespace vr::search {
namespace {

using search_test::Brighter;
using search_test::Half;
using search_test::PhotoLike;
using search_test::WriteBmp;
using search_test::WriteJpeg;

class ImageSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.Path().empty());
    std::filesystem::create_directories(dir_.File("pics"));
    std::filesystem::create_directories(dir_.File("tmp"));
    ASSERT_EQ(db_.OpenNotesDatabase(dir_.File("LSNOTES")), 0u);
  }
  void TearDown() override {
    EXPECT_TRUE(db_.CheckIntegrity().empty());
    db_.CloseNotesDatabase();
  }

  std::string Pic(const std::string& name) const { return dir_.File("pics/" + name); }

  ImageSearchResult Search(const std::vector<std::string>& paths, ImageSearchOptions options = {}) {
    std::vector<SearchItem> items;
    for (const auto& path : paths) items.push_back({path, false});
    ImageSearchServices services;
    services.files = &files_;
    services.db = &db_;
    services.learned = &learned_;
    services.temp_folder = dir_.File("tmp/");
    services.make_print = [this](const std::string& path) {
      ++decodes_[path];
      return MakeFingerPrint(path);
    };
    services.error = [this](const std::string& text) { errors_.push_back(text); };
    return RunImageSearch(items, options, services);
  }

  // The groups of a report as sets of file names (main groups and sub-groups alike).
  static std::vector<std::set<std::string>> Groups(const ImageSearchResult& result) {
    std::vector<std::set<std::string>> groups;
    for (const std::string& line : result.lines) {
      if (line.rfind("**** Group [MAIN]", 0) == 0 || line.rfind("**** Group [SUB]", 0) == 0) {
        groups.emplace_back();
      } else if (line.rfind("File:", 0) == 0) {
        groups.back().insert(std::filesystem::path(line.substr(5)).filename().string());
      }
    }
    std::erase_if(groups, [](const std::set<std::string>& g) { return g.empty(); });
    return groups;
  }

  static bool Together(const ImageSearchResult& result, const std::string& a, const std::string& b) {
    for (const auto& group : Groups(result)) {
      if (group.count(a) != 0 && group.count(b) != 0) return true;
    }
    return false;
  }

  bool LeftoverPairsFiles() const {
    for (const auto& entry : std::filesystem::directory_iterator(dir_.File("tmp"))) {
      if (entry.path().filename().string().rfind("~LS", 0) == 0) return true;
    }
    return false;
  }

  test_support::TempDir dir_;
  platform::PosixFiles files_;
  notes::NotesDatabase db_;
  LearnedList learned_;
  std::map<std::string, int> decodes_;
  std::vector<std::string> errors_;
};

TEST_F(ImageSearchTest, CopiesMatchAtTheLevelsTheyShould) {
  const picture::Bitmap photo = PhotoLike(1);
  ASSERT_TRUE(WriteJpeg(Pic("a.jpg"), photo, 90));
  ASSERT_TRUE(WriteJpeg(Pic("b_q40.jpg"), photo, 40));
  ASSERT_TRUE(WriteJpeg(Pic("c_half.jpg"), Half(photo), 90));
  ASSERT_TRUE(WriteJpeg(Pic("d_plus8.jpg"), Brighter(photo, 8), 90));
  ASSERT_TRUE(WriteJpeg(Pic("e_plus30.jpg"), Brighter(photo, 30), 90));
  ASSERT_TRUE(WriteJpeg(Pic("f_grey.jpg"), photo, 90, true));
  for (uint32_t seed = 2; seed < 8; ++seed) {
    ASSERT_TRUE(WriteJpeg(Pic("x" + std::to_string(seed) + ".jpg"), PhotoLike(seed), 90));
  }
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.File("pics"))) {
    paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());

  for (int level = 0; level < 3; ++level) {
    for (int flags = 0; flags < 4; ++flags) {
      ImageSearchOptions o;
      o.level = level;
      o.black_and_white = (flags & 1) != 0;
      o.brightness = (flags & 2) != 0;
      const ImageSearchResult r = Search(paths, o);
      ASSERT_TRUE(r.completed);
      SCOPED_TRACE("level " + std::to_string(level) + " flags " + std::to_string(flags));
      EXPECT_TRUE(Together(r, "a.jpg", "b_q40.jpg"));
      EXPECT_TRUE(Together(r, "a.jpg", "c_half.jpg"));
      // Even shifted by T at Exact (0 <= b - a <= 6) a copy 8 brighter stays apart.
      EXPECT_EQ(Together(r, "a.jpg", "d_plus8.jpg"), level > 0);
      // In grey, saturated channels held at 255 narrow a +30 step below T, so the colour
      // comparison alone decides here.
      if (!o.black_and_white) {
        EXPECT_EQ(Together(r, "a.jpg", "e_plus30.jpg"), level == 2 || (level == 1 && o.brightness));
      } else if (level == 2) {
        EXPECT_TRUE(Together(r, "a.jpg", "e_plus30.jpg"));
      }
      EXPECT_EQ(Together(r, "a.jpg", "f_grey.jpg"), o.black_and_white);
      // Distinct pictures never join anything.
      for (const auto& group : Groups(r)) {
        for (const auto& name : group) EXPECT_NE(name[0], 'x') << name;
      }
      EXPECT_FALSE(LeftoverPairsFiles());
    }
  }
  EXPECT_TRUE(errors_.empty());
}

TEST_F(ImageSearchTest, LargeAspectDifferencesOnlyWhenAllowed) {
  picture::Bitmap wide;
  wide.Create(400, 100, picture::PixelFormat::k24);
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 400; ++x) {
      uint8_t* p = wide.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(y * 2);
      p[1] = static_cast<uint8_t>(255 - y * 2);
      p[2] = static_cast<uint8_t>(y < 50 ? 230 : 20);
    }
  }
  picture::Bitmap crop;
  crop.Create(100, 100, picture::PixelFormat::k24);
  for (int y = 0; y < 100; ++y) std::copy(wide.Row(y), wide.Row(y) + 300, crop.Row(y));
  ASSERT_TRUE(WriteJpeg(Pic("wide.jpg"), wide, 90));
  ASSERT_TRUE(WriteJpeg(Pic("crop.jpg"), crop, 90));
  const std::vector<std::string> paths = {Pic("crop.jpg"), Pic("wide.jpg")};
  EXPECT_TRUE(Groups(Search(paths)).empty());
  ImageSearchOptions o;
  o.any_aspect = true;
  const ImageSearchResult r = Search(paths, o);
  EXPECT_TRUE(Together(r, "wide.jpg", "crop.jpg"));
  EXPECT_NE(std::find(r.lines.begin(), r.lines.end(),
                      "; Settings: Include MUCH FATTER & MUCH THINNER pics in the search"),
            r.lines.end());
}

TEST_F(ImageSearchTest, PrintsAreCachedUntilTheFileChanges) {
  const picture::Bitmap photo = PhotoLike(21);
  const std::vector<std::string> paths = {Pic("a.jpg"), Pic("b.jpg"), Pic("c.bmp")};
  ASSERT_TRUE(WriteJpeg(paths[0], photo, 90));
  ASSERT_TRUE(WriteJpeg(paths[1], photo, 50));
  ASSERT_TRUE(WriteBmp(paths[2], photo));
  // The user's note of c.bmp, deleted by the user: the print must not bring it back.
  notes::NotesRecord note;
  note.category = "Holiday";
  ASSERT_EQ(db_.WriteNote(paths[2], note).status, 0u);
  ASSERT_EQ(db_.DeleteNote(paths[2]).status, 0u);

  ImageSearchResult first = Search(paths);
  EXPECT_EQ(first.stats.generated, 3u);
  EXPECT_EQ(first.stats.loaded, 0u);
  EXPECT_EQ(Groups(first).size(), 1u);
  notes::NotesRecord stored;
  ASSERT_EQ(db_.ReadNote(paths[2], &stored).status, 0u);
  EXPECT_EQ(stored.live_flag, notes::kDeleted);
  EXPECT_EQ(stored.category, "Holiday");
  EXPECT_EQ(stored.res_x, 320);
  EXPECT_EQ(stored.res_y, 240);
  EXPECT_EQ(static_cast<uint32_t>(stored.file_modified_date), files_.Stat(paths[2])->dos_stamp);
  ASSERT_EQ(db_.ReadNote(paths[0], &stored).status, 0u);
  EXPECT_EQ(stored.live_flag, notes::kLive);  // a file without a note gets a live record

  decodes_.clear();
  ImageSearchResult second = Search(paths);
  EXPECT_TRUE(decodes_.empty());
  EXPECT_EQ(second.stats.loaded, 3u);
  EXPECT_EQ(Groups(second), Groups(first));

  // A new stamp (two seconds later: the stamp's resolution) makes that print again, alone.
  const std::time_t was = files_.Stat(paths[1])->modified;
  ASSERT_TRUE(files_.SetModified(paths[1], was + 2));
  Search(paths);
  EXPECT_EQ(decodes_, (std::map<std::string, int>{{paths[1], 1}}));

  decodes_.clear();
  ImageSearchOptions force;
  force.force = true;
  EXPECT_EQ(Search(paths, force).stats.generated, 3u);
  EXPECT_EQ(decodes_.size(), 3u);
}

TEST_F(ImageSearchTest, AFullDatabaseStillServesThisSearchWithOneMessage) {
  db_.SetMaxEntriesForTesting(2);  // the sentinel and one note
  const picture::Bitmap photo = PhotoLike(5);
  const std::vector<std::string> paths = {Pic("a.jpg"), Pic("b.jpg"), Pic("c.jpg")};
  for (const auto& path : paths) ASSERT_TRUE(WriteJpeg(path, photo, 80));
  const ImageSearchResult r = Search(paths);
  ASSERT_EQ(Groups(r).size(), 1u);
  EXPECT_EQ(Groups(r)[0].size(), 3u);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_NE(errors_[0].find("the DataBase is full"), std::string::npos);
}

TEST_F(ImageSearchTest, LongChainsAreRegroupedIntoSubGroups) {
  // Four families of three, each family a little brighter than the last: neighbouring families
  // still match at Close, so everything joins one group of twelve.
  picture::Bitmap base;
  base.Create(120, 90, picture::PixelFormat::k24);
  for (int y = 0; y < 90; ++y) {
    for (int x = 0; x < 120; ++x) {
      uint8_t* p = base.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(60 + x / 2);
      p[1] = static_cast<uint8_t>(60 + y);
      p[2] = static_cast<uint8_t>(120 - x / 3);
    }
  }
  std::vector<std::string> paths;
  const int offsets[12] = {0, 2, 4, 20, 22, 24, 40, 42, 44, 60, 62, 64};
  for (int k = 0; k < 12; ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "chain%02d.bmp", k);
    paths.push_back(Pic(name));
    ASSERT_TRUE(WriteBmp(paths.back(), Brighter(base, offsets[k])));
  }
  const ImageSearchResult r = Search(paths);
  ASSERT_TRUE(r.completed);
  EXPECT_EQ(r.stats.groups, 1u);
  const auto groups = Groups(r);
  ASSERT_EQ(groups.size(), 4u);
  EXPECT_EQ(groups[0], (std::set<std::string>{"chain00.bmp", "chain01.bmp", "chain02.bmp"}));
  EXPECT_EQ(groups[3], (std::set<std::string>{"chain09.bmp", "chain10.bmp", "chain11.bmp"}));
  int subs = 0;
  for (const auto& line : r.lines) {
    if (line.rfind("**** Group [SUB]:", 0) == 0) {
      ++subs;
      EXPECT_NE(line.find(" Sub-Level of Main Group 1 [Refined group matching because of long "
                          "list of matches in a Main-Group Match List"),
                std::string::npos);
    }
  }
  EXPECT_EQ(subs, 4);
  EXPECT_EQ(r.lines.back(), "There are 1 Matching GROUPS in the list.");
  EXPECT_FALSE(r.confused);
}

TEST_F(ImageSearchTest, LearnedPairsAreDropped) {
  const picture::Bitmap photo = PhotoLike(9);
  const std::vector<std::string> paths = {Pic("a.jpg"), Pic("b.jpg"), Pic("c.jpg")};
  for (const auto& path : paths) ASSERT_TRUE(WriteJpeg(path, photo, 85));
  learned_.AddGroup({paths[0], paths[1]});
  ImageSearchOptions o;
  o.use_learned = true;
  const ImageSearchResult r = Search(paths, o);
  // a-c and b-c still match, so all three are one group through c; a and b alone are not.
  EXPECT_EQ(r.stats.pairs, 2u);
  learned_.AddGroup({paths[2], paths[0], paths[1]});
  EXPECT_TRUE(Groups(Search(paths, o)).empty());
  EXPECT_EQ(Groups(Search(paths)).size(), 1u);
}

TEST_F(ImageSearchTest, AbortAndTempFailuresLeaveNoPairsFile) {
  const picture::Bitmap photo = PhotoLike(4);
  const std::vector<std::string> paths = {Pic("a.jpg"), Pic("b.jpg")};
  for (const auto& path : paths) ASSERT_TRUE(WriteJpeg(path, photo, 85));
  std::vector<SearchItem> items = {{paths[0], false}, {paths[1], false}};
  ImageSearchServices services;
  services.files = &files_;
  services.db = &db_;
  services.temp_folder = dir_.File("tmp/");
  int polls = 0;
  bool saw_pairs_file = false;
  // Abort once the comparison is under way (the pairs file exists then).
  services.progress = [&](const std::string& text) {
    if (text.rfind("Comparing FingerPrints: Pass(", 0) == 0) saw_pairs_file = LeftoverPairsFiles();
  };
  services.stopped = [&] { return ++polls > 3; };
  ImageSearchResult r = RunImageSearch(items, {}, services);
  EXPECT_FALSE(r.completed);
  EXPECT_TRUE(saw_pairs_file);
  EXPECT_FALSE(LeftoverPairsFiles());
  EXPECT_TRUE(r.lines.empty());

  // A temporary folder that is a plain file.
  services.stopped = nullptr;
  services.temp_folder = dir_.Write("plain", {1, 2, 3}) + "/";
  std::vector<std::string> errors;
  services.error = [&](const std::string& text) { errors.push_back(text); };
  r = RunImageSearch(items, {}, services);
  EXPECT_FALSE(r.completed);
  EXPECT_EQ(errors, std::vector<std::string>{kTempFileError});
}

TEST_F(ImageSearchTest, ThreadsGiveTheSameReport) {
  std::vector<std::string> paths;
  for (uint32_t seed = 30; seed < 36; ++seed) {
    const picture::Bitmap photo = PhotoLike(seed % 3, 160, 120);
    paths.push_back(Pic("p" + std::to_string(seed) + ".jpg"));
    ASSERT_TRUE(WriteJpeg(paths.back(), photo, 60 + static_cast<int>(seed)));
  }
  paths.push_back(Pic("q.bmp"));
  ASSERT_TRUE(WriteBmp(paths.back(), PhotoLike(0, 160, 120)));
  ImageSearchOptions one;
  one.force = true;
  ImageSearchOptions many = one;
  many.threads = 3;
  const ImageSearchResult a = Search(paths, one);
  const ImageSearchResult b = Search(paths, many);
  EXPECT_EQ(a.lines, b.lines);
  EXPECT_EQ(Groups(a).size(), 3u);
}

}  // namespace
}  // namespace vr::search
