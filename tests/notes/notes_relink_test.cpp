// Re-linking orphans over real files in a temporary folder, with the drive table scripted:
// fixed and removable drives, a removable-media mount that is absent, mounts and links the walk
// must not enter, and the answers and skip choices of the user.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "fakes/fake_files.h"
#include "notes/notes_relink.h"
#include "tests/notes/notes_test_util.h"

namespace vr::notes::testing {
namespace {

namespace fs = std::filesystem;
using Action = RelinkHooks::Action;

class NotesRelinkTest : public NotesDbTest {
 protected:
  void SetUp() override {
    NotesDbTest::SetUp();
    root_ = dir_.File("fixed") + "/";
    stick_ = dir_.File("stick") + "/";
    temp_ = dir_.File("tmp") + "/";
    for (const std::string& d : {root_, stick_, temp_}) fs::create_directories(d);
  }
  std::string Touch(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "x";
    return path;
  }
  void Drives(std::vector<std::pair<std::string, platform::DriveType>> drives) {
    std::vector<platform::Drive> table;
    for (auto& [root, type] : drives) {
      platform::Drive d;
      d.root = root;
      d.type = type;
      table.push_back(d);
    }
    files_.SetDrives(table);
  }
  void Orphan(const std::string& path, const std::string& category, int32_t stamp = 0) {
    NotesRecord r;
    r.category = category;
    r.file_modified_date = stamp;
    r.res_x = 640;
    r.res_y = 480;
    ASSERT_EQ(db_.WriteNote(path, r).status, 0u);
  }
  // Runs the compaction with the re-link step; answers come from `answers_` by found path.
  CompactionResult Compact() {
    EXPECT_EQ(db_.CloseNotesDatabase().status, 0u);
    RelinkHooks hooks;
    hooks.files = &files_;
    hooks.ask_link = [this](const std::string& found, const std::string& orphan) {
      asked_.push_back(orphan + " -> " + found);
      const auto it = answers_.find(found);
      return it == answers_.end() || it->second;
    };
    hooks.choose_action = [this](const std::string& orphan, bool* confirmed) {
      chosen_.push_back(orphan);
      *confirmed = true;
      return action_;
    };
    if (pictures_) {
      hooks.ask_renamed = [this](const std::string& found, const std::string& orphan,
                                 const std::string& why) {
        asked_.push_back(orphan + " -> " + found + " " + why);
        return true;
      };
      hooks.picture_size = [this](const std::string& path, int* w, int* h) {
        ++size_reads_;
        const auto it = sizes_.find(path);
        if (it == sizes_.end()) return false;
        *w = it->second.first;
        *h = it->second.second;
        return true;
      };
      hooks.make_print = [this](const std::string& path,
                                std::array<uint8_t, kFingerPrintBytes>* print) {
        const auto it = prints_.find(path);
        if (it == prints_.end()) return false;
        *print = it->second;
        return true;
      };
    }
    hooks.link_sure_matches = sure_;
    hooks.report_line = [this](const std::string& l) { Line(l); };
    hooks.inform = [this](const std::string& t) { informed_.push_back(t); };
    hooks.open_text_file = [this](const std::string& p) { opened_.push_back(p); };
    hooks.temp_folder = temp_;
    CompactionCallbacks cb;
    cb.report_line = [this](const std::string& l) { Line(l); };
    cb.relink = [&hooks](std::vector<std::string>* orphans, NotesDatabase& main,
                         NotesDatabase& temp) { return RelinkOrphans(orphans, main, temp, hooks); };
    const CompactionResult result = CompactNotesDatabase(base_, cb);
    EXPECT_EQ(db_.OpenNotesDatabase(base_), 0u);
    return result;
  }
  void Line(const std::string& l) {
    if (l.empty()) return;
    if (l[0] == '-') ++removed_;
    if (l[0] == '+') ++kept_;
    if (l[0] == '<') {
      --removed_;
      ++kept_;
    }
  }
  std::set<std::string> Keys() {
    std::set<std::string> keys;
    NotesRecord r;
    std::string folder;
    for (unsigned s = db_.FirstNote(&r, &folder); s == 0; s = db_.NextNote(&r, &folder)) {
      keys.insert(r.file_name_key);
    }
    return keys;
  }

  fakes::FakeFiles files_;
  std::string root_;
  std::string stick_;
  std::string temp_;
  std::map<std::string, bool> answers_;
  Action action_ = Action::kContinue;
  std::vector<std::string> asked_;
  std::vector<std::string> chosen_;
  std::vector<std::string> informed_;
  std::vector<std::string> opened_;
  long removed_ = 0;
  long kept_ = 0;
  // Picture facts of the renamed-file matching, by path.
  bool pictures_ = false;
  bool sure_ = false;
  int size_reads_ = 0;
  std::map<std::string, std::pair<int, int>> sizes_;
  std::map<std::string, std::array<uint8_t, kFingerPrintBytes>> prints_;
};

TEST_F(NotesRelinkTest, MovedFilesAreLinkedFixedOrphansDroppedOthersCarriedAndListed) {
  Drives({{root_, platform::DriveType::kFixed}, {stick_, platform::DriveType::kRemovable}});
  const std::string moved = Touch(root_ + "new/deep/Photo.JPG");
  const std::string noted = Touch(root_ + "noted/same.jpg");
  Touch(root_ + "twins/one/twin.jpg");
  Touch(root_ + "twins/two/twin.jpg");
  Orphan(root_ + "old/photo.jpg", "moved", 12345);        // found under another case
  Orphan(noted, "keep me");                                // a live note the walk will meet
  Orphan(root_ + "gone/same.jpg", "would overwrite");      // same name as the noted file
  Orphan(root_ + "a/twin.jpg", "first twin");
  Orphan(root_ + "b/twin.jpg", "second twin");
  Orphan(root_ + "lost/nowhere.jpg", "fixed, gone");       // dropped
  Orphan(stick_ + "away.jpg", "on the stick");              // kept, listed
  Orphan(dir_.File("media") + "/absent/x.jpg", "unknown");  // on no drive: kept
  const CompactionResult result = Compact();
  EXPECT_EQ(result.status, 0u);
  EXPECT_EQ(result.relinked, 3);
  // The noted file is never offered; each twin file took one orphan.
  for (const std::string& q : asked_) EXPECT_EQ(q.find("same.jpg"), std::string::npos) << q;
  NotesRecord r;
  ASSERT_EQ(db_.ReadNote(moved, &r).status, 0u);
  EXPECT_EQ(r.category, "moved");
  EXPECT_EQ(r.file_modified_date, 0);
  EXPECT_EQ(r.res_x, 0);
  EXPECT_EQ(r.res_y, 0);
  ASSERT_EQ(db_.ReadNote(noted, &r).status, 0u);
  EXPECT_EQ(r.category, "keep me");
  std::set<std::string> twins;
  for (const char* t : {"twins/one/twin.jpg", "twins/two/twin.jpg"}) {
    ASSERT_EQ(db_.ReadNote(root_ + t, &r).status, 0u) << t;
    twins.insert(r.category);
  }
  EXPECT_EQ(twins, (std::set<std::string>{"first twin", "second twin"}));
  const std::set<std::string> keys = Keys();
  EXPECT_EQ(keys.count(root_ + "lost/nowhere.jpg"), 0u);
  EXPECT_EQ(keys.count(root_ + "gone/same.jpg"), 0u);
  EXPECT_EQ(keys.count(stick_ + "away.jpg"), 1u);
  EXPECT_EQ(keys.count(dir_.File("media") + "/absent/x.jpg"), 1u);
  EXPECT_EQ(keys.size(), 6u);
  // Counters: everything kept is counted kept, by "+" or by "<".
  EXPECT_EQ(kept_, 6);
  ASSERT_EQ(informed_, std::vector<std::string>{kStillUnlinkedText});
  ASSERT_EQ(opened_, std::vector<std::string>{temp_ + kMissingFileName});
  std::ifstream in(opened_[0]);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, std::string(kMissingFirstLine) + "\n" + stick_ + "away.jpg\n" +
                      dir_.File("media") + "/absent/x.jpg\n");
}

// A folder fstab names but that is not mounted now (a backup disk switched off) holds orphans
// that are kept and listed, not dropped with the fixed disk's.
TEST_F(NotesRelinkTest, OrphansUnderAnUnmountedFstabFolderAreKept) {
  Drives({{root_, platform::DriveType::kFixed}});
  files_.SetMountAreas(std::vector<std::string>{"/media/", root_ + "backup/"});
  Orphan(root_ + "backup/2019/beach.jpg", "on the backup disk");
  Orphan(root_ + "plain/gone.jpg", "gone");
  Compact();
  const std::set<std::string> keys = Keys();
  EXPECT_EQ(keys, (std::set<std::string>{root_ + "backup/2019/beach.jpg"}));
  ASSERT_EQ(opened_.size(), 1u);
  // Mounted, the same folder is a drive of its own, and fixed: its orphans go.
  Drives({{root_, platform::DriveType::kFixed}, {root_ + "backup/", platform::DriveType::kFixed}});
  Compact();
  EXPECT_TRUE(Keys().empty());
}

TEST_F(NotesRelinkTest, AnOrphanUnderAnAbsentMediaMountIsNotOnAFixedDisk) {
  const std::vector<platform::Drive> drives = {
      {"/", "/dev/sda1", "ext4", platform::DriveType::kFixed},
      {"/media/usb/", "/dev/sdb1", "vfat", platform::DriveType::kRemovable},
      {"/mnt/data/", "/dev/sdc1", "ext4", platform::DriveType::kFixed}};
  EXPECT_TRUE(OnFixedDisk("/home/u/a.jpg", drives));
  EXPECT_FALSE(OnFixedDisk("/media/usb/a.jpg", drives));
  EXPECT_FALSE(OnFixedDisk("/media/stick/a.jpg", drives));  // not plugged in
  EXPECT_FALSE(OnFixedDisk("/run/media/u/stick/a.jpg", drives));
  EXPECT_FALSE(OnFixedDisk("/mnt/share/a.jpg", drives));
  EXPECT_TRUE(OnFixedDisk("/mnt/data/a.jpg", drives));  // mounted, fixed
  EXPECT_EQ(DriveRootOf("/media/usb/x/a.jpg", drives), "/media/usb/");
  EXPECT_EQ(DriveRootOf("/media/usbstick/a.jpg", drives), "/");
}

TEST_F(NotesRelinkTest, SkipChoicesAfterNoAndTheWalkStaysOnItsDrive) {
  const std::string inner = root_ + "mounted/";
  Drives({{root_, platform::DriveType::kFixed},
          {inner, platform::DriveType::kFixed},
          {stick_, platform::DriveType::kRemovable}});
  // A file inside the other mount is found once, on its own drive; a linked folder is not walked.
  Touch(inner + "m.jpg");
  Touch(dir_.File("outside/l.jpg"));
  fs::create_directory_symlink(dir_.File("outside"), root_ + "link");
  Orphan(root_ + "o/m.jpg", "m");
  Orphan(root_ + "o/l.jpg", "l");  // reachable only through the link: dropped
  // Skip Folder (confirmed) after No: the other fixed orphans of that folder are dropped.
  Touch(root_ + "f/x.jpg");
  Orphan(root_ + "sk/x.jpg", "x");
  Orphan(root_ + "sk/y.jpg", "y");
  answers_[root_ + "f/x.jpg"] = false;
  action_ = Action::kSkipFolder;
  const CompactionResult result = Compact();
  EXPECT_EQ(result.relinked, 1);
  size_t m_asked = 0;
  for (const std::string& q : asked_) {
    EXPECT_EQ(q.find("l.jpg"), std::string::npos) << q;
    if (q.find("m.jpg") != std::string::npos) ++m_asked;
  }
  EXPECT_EQ(m_asked, 1u);
  EXPECT_EQ(chosen_, std::vector<std::string>{root_ + "sk/x.jpg"});
  const std::set<std::string> keys = Keys();
  EXPECT_EQ(keys, std::set<std::string>{inner + "m.jpg"});
  EXPECT_TRUE(opened_.empty());  // nothing left to list
}

TEST_F(NotesRelinkTest, SkippedRemovableOrphansAreNotAskedAgainButKept) {
  Drives({{root_, platform::DriveType::kFixed}, {stick_, platform::DriveType::kRemovable}});
  Touch(root_ + "a/pic.jpg");
  Touch(root_ + "b/pic.jpg");
  Orphan(stick_ + "pic.jpg", "stick");
  answers_[root_ + "a/pic.jpg"] = false;
  answers_[root_ + "b/pic.jpg"] = false;  // whichever the walk meets first is the only question
  action_ = Action::kSkipDrive;
  const CompactionResult result = Compact();
  EXPECT_EQ(result.relinked, 0);
  EXPECT_EQ(asked_.size(), 1u);
  EXPECT_EQ(Keys(), std::set<std::string>{stick_ + "pic.jpg"});
  EXPECT_EQ(opened_.size(), 1u);
  // Skip All ends the scan: nothing more is asked.
  Orphan(root_ + "gone/pic.jpg", "fixed");
  asked_.clear();
  chosen_.clear();
  action_ = Action::kSkipAll;
  Compact();
  EXPECT_EQ(asked_.size(), 1u);
  EXPECT_EQ(chosen_.size(), 1u);
}

}  // namespace
}  // namespace vr::notes::testing

namespace vr::notes::testing {
namespace {

std::array<uint8_t, kFingerPrintBytes> Print(uint8_t base) {
  std::array<uint8_t, kFingerPrintBytes> p{};
  for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>(base + i % 7);
  return p;
}

// A renamed file is offered (saying why) when stamp, picture size and fingerprint agree, after
// the orphans of its own name; a file whose size or print differs is not; with sure matches on,
// name, stamp and size agreeing link without the question.
TEST_F(NotesRelinkTest, RenamedFilesAreFoundByStampPictureSizeAndPrintAfterSameNameOnes) {
  Drives({{root_, platform::DriveType::kFixed}});
  pictures_ = true;
  const auto when = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  const auto dated = [&](const std::string& path) {
    Touch(path);
    fs::last_write_time(path, when);
    return path;
  };
  const std::string renamed = dated(root_ + "new/IMG_0001.jpg");
  const std::string other_size = dated(root_ + "new/resized.jpg");
  const std::string other_print = dated(root_ + "new/lookalike.jpg");
  const std::string both = dated(root_ + "two/shared.jpg");  // same name as one, renamed of another
  const uint32_t dos = files_.Stat(renamed)->dos_stamp;
  ASSERT_NE(dos, 0u);
  sizes_ = {{renamed, {640, 480}}, {other_size, {320, 240}}, {other_print, {640, 480}},
            {both, {800, 600}}};
  prints_ = {{renamed, Print(10)}, {other_print, Print(90)}, {both, Print(50)}};
  const auto orphan = [&](const std::string& path, const std::string& category, int w, int h,
                          uint8_t print) {
    NotesRecord r;
    r.category = category;
    r.file_modified_date = static_cast<int32_t>(dos);
    r.res_x = w;
    r.res_y = h;
    r.finger_print_data = Print(print);
    r.finger_print_data[3] = static_cast<uint8_t>(r.finger_print_data[3] + 2);  // rounding
    ASSERT_EQ(db_.WriteNote(path, r).status, 0u);
  };
  orphan(root_ + "old/holiday.jpg", "renamed", 640, 480, 10);
  orphan(root_ + "old/shared.jpg", "same name", 1, 1, 0);
  orphan(root_ + "old/other.jpg", "renamed too", 800, 600, 50);
  answers_[both] = false;  // No to the same-name orphan (Continue), then Yes to the renamed one
  const CompactionResult result = Compact();
  EXPECT_EQ(result.relinked, 2);
  NotesRecord r;
  ASSERT_EQ(db_.ReadNote(renamed, &r).status, 0u);
  EXPECT_EQ(r.category, "renamed");
  EXPECT_EQ(r.file_modified_date, 0);
  EXPECT_NE(db_.ReadNote(other_size, &r).status, 0u);
  EXPECT_NE(db_.ReadNote(other_print, &r).status, 0u);
  std::vector<std::string> on_both;
  for (const std::string& q : asked_) {
    EXPECT_EQ(q.find("resized"), std::string::npos) << q;
    EXPECT_EQ(q.find("lookalike"), std::string::npos) << q;
    if (q.find(both) != std::string::npos) on_both.push_back(q);
  }
  ASSERT_EQ(on_both.size(), 2u);
  EXPECT_EQ(on_both[0], root_ + "old/shared.jpg -> " + both);
  EXPECT_EQ(on_both[1], root_ + "old/other.jpg -> " + both + " " +
                            RenamedReason(800, 600, true));
  EXPECT_EQ(RenamedReason(800, 600, true),
            "Its name differs, but its date and time and its picture size (800 x 600) are those "
            "of the record, and its fingerprint agrees.");
  ASSERT_EQ(db_.ReadNote(both, &r).status, 0u);
  EXPECT_EQ(r.category, "renamed too");
  EXPECT_EQ(Keys().count(root_ + "old/shared.jpg"), 0u);  // a fixed-disk orphan left: dropped

  // Sure matches: same name, stamp and size link unasked; a size that differs is still asked.
  asked_.clear();
  sure_ = true;
  sizes_ = {{dated(root_ + "sure/keep.jpg"), {640, 480}},
            {dated(root_ + "sure/ask.jpg"), {640, 480}}};
  orphan(root_ + "was/keep.jpg", "sure", 640, 480, 0);
  orphan(root_ + "was/ask.jpg", "unsure", 1024, 768, 0);
  EXPECT_EQ(Compact().relinked, 2);
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_EQ(asked_[0], root_ + "was/ask.jpg -> " + root_ + "sure/ask.jpg");
  ASSERT_EQ(db_.ReadNote(root_ + "sure/keep.jpg", &r).status, 0u);
  EXPECT_EQ(r.category, "sure");
}

// Without stamps in the notes nothing is read beyond the listing: one lookup per file.
TEST_F(NotesRelinkTest, PicturesAreReadOnlyForFilesWhoseStampMatchesAnOrphan) {
  Drives({{root_, platform::DriveType::kFixed}});
  pictures_ = true;
  for (int i = 0; i < 30; ++i) Touch(root_ + "many/f" + std::to_string(i) + ".jpg");
  Orphan(root_ + "old/f3.jpg", "no stamp");
  Orphan(root_ + "old/elsewhere.jpg", "stamp of no file", 1);
  EXPECT_EQ(Compact().relinked, 1);
  EXPECT_EQ(size_reads_, 0);
}

}  // namespace
}  // namespace vr::notes::testing
