// The background jobs of the files list window: one entry's work per idle step, the scan before
// the thumbnails, the size thresholds, the builder's states and stale cache records.
#include "lists/window/list_jobs.h"

#include <gtest/gtest.h>

#include "fakes/fake_files.h"
#include "fakes/fake_folders.h"
#include "fakes/fake_sounds.h"
#include "picture/kinds.h"
#include "test_support/temp_dir.h"

namespace vr::list_window {
namespace {

class ListJobsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folders_.SetTempFolder(dir_.Path());
    ASSERT_TRUE(cache_.Create(folders_));
    lists::ListServices services;
    services.files = &files_;
    services.scan = [this](const std::string& path) {
      ++scans_;
      lists::ScannedFacts facts;
      facts.exists = true;
      facts.type = static_cast<uint8_t>(picture::KindFromName(path));
      // "big" files need a cached thumbnail, "tiny" ones are drawn from themselves.
      facts.size = path.find("big") != std::string::npos ? 500000 : 100;
      facts.stamp = stamp_;
      facts.width = 10;
      facts.height = 10;
      return facts;
    };
    list_ = std::make_unique<lists::FilesList>(services);
    JobEnvironment env;
    env.busy = [this] { return busy_; };
    env.status = [this](const std::string& text) { statuses_.push_back(text); };
    env.sounds = &sounds_;
    jobs_ = std::make_unique<ListJobs>(*list_, cache_, env);
    jobs_->SetMaker([this](const std::string&, const ThumbSettings& s) {
      ++made_;
      ThumbResult r;
      r.cell.Create(s.width, s.height, picture::PixelFormat::k24);
      return r;
    });
  }

  void Add(const std::vector<std::string>& names) {
    list_->BeginBulkUpdate(static_cast<long>(names.size()));
    for (const std::string& name : names) list_->AddFileToList(1 << 30, "/pics/" + name, -1, true);
    list_->EndBulkUpdate();
  }

  test_support::TempDir dir_;
  fakes::FakeFolders folders_;
  fakes::FakeFiles files_;
  fakes::FakeSounds sounds_;
  ThumbCache cache_;
  std::unique_ptr<lists::FilesList> list_;
  std::unique_ptr<ListJobs> jobs_;
  std::vector<std::string> statuses_;
  int scans_ = 0;
  int made_ = 0;
  int32_t stamp_ = 4000;
  bool busy_ = false;
};

TEST_F(ListJobsTest, ScansFirstThenCachesOnlyFilesAboveTheirThreshold) {
  Add({"a_big.jpg", "b_tiny.jpg", "c_big.gif"});
  jobs_->Restart(true);
  int steps = 0;
  while (jobs_->IdleStep()) ASSERT_LT(++steps, 20);
  EXPECT_EQ(scans_, 3);
  EXPECT_EQ(made_, 2);
  EXPECT_EQ(statuses_.front(), "Scanning:File 1");
  EXPECT_EQ(statuses_[3], "Making Thumbs:File 1");
  const lists::FileEntry* tiny = list_->Peek(list_->FindInFilesList("/pics/b_tiny.jpg"));
  EXPECT_EQ(tiny->thumb_offset, -1);
  EXPECT_FALSE(tiny->thumb_wanted);
  const lists::FileEntry* big = list_->Peek(list_->FindInFilesList("/pics/c_big.gif"));
  EXPECT_GT(big->thumb_offset, 0);
  EXPECT_EQ(jobs_->state(), BuilderState::kDone);
  EXPECT_EQ(sounds_.played(), std::vector<std::string>{"ICONDONE.WAV"});
  picture::Bitmap back;
  EXPECT_TRUE(jobs_->CachedThumb(list_->FindInFilesList("/pics/c_big.gif"), &back));
  EXPECT_EQ(back.Width(), 64);
}

TEST_F(ListJobsTest, AnIdleStepNeverDoesMoreThanOneEntrysWork) {
  std::vector<std::string> names;
  for (int i = 0; i < 100000; ++i)
    names.push_back("f" + std::to_string(i) + (i % 50 ? "_tiny.pcx" : "_big.jpg"));
  Add(names);
  ASSERT_EQ(list_->Count(), 100000);
  jobs_->Restart(true);
  int steps = 0;
  int last_work = 0;
  while (jobs_->IdleStep()) {
    const int work = scans_ + made_;
    ASSERT_LE(work - last_work, 1) << "step " << steps;
    last_work = work;
    ++steps;
  }
  EXPECT_EQ(scans_, 100000);
  EXPECT_EQ(made_, 2000);
  EXPECT_EQ(jobs_->state(), BuilderState::kDone);
}

TEST_F(ListJobsTest, NothingRunsWhileAnotherJobIsBusy) {
  Add({"a_big.jpg"});
  jobs_->Restart(true);
  busy_ = true;
  for (int i = 0; i < 5; ++i) jobs_->IdleStep();
  EXPECT_EQ(scans_, 0);
  EXPECT_EQ(made_, 0);
  busy_ = false;
  while (jobs_->IdleStep()) {
  }
  EXPECT_EQ(made_, 1);
}

TEST_F(ListJobsTest, TheBuilderButtonCyclesRedYellowAndGreenPlaysTheSound) {
  Add({"a_big.jpg"});
  jobs_->Restart(false);  // detailed view: stopped
  EXPECT_EQ(jobs_->state(), BuilderState::kStopped);
  while (jobs_->IdleStep()) {
  }
  EXPECT_EQ(made_, 0);  // the scan ran, the builder did not
  EXPECT_EQ(scans_, 1);
  jobs_->BuilderClick();
  EXPECT_EQ(jobs_->state(), BuilderState::kBuilding);
  jobs_->BuilderClick();
  EXPECT_EQ(jobs_->state(), BuilderState::kStopped);
  jobs_->BuilderClick();
  while (jobs_->IdleStep()) {
  }
  EXPECT_EQ(jobs_->state(), BuilderState::kDone);
  sounds_.Clear();
  jobs_->BuilderClick();
  EXPECT_EQ(jobs_->state(), BuilderState::kDone);
  EXPECT_EQ(sounds_.played(), std::vector<std::string>{"ICONDONE.WAV"});
}

TEST_F(ListJobsTest, ChangingTheSizeRebuildsEveryThumbnailInANewCache) {
  Add({"a_big.jpg", "b_big.jpg"});
  jobs_->Restart(true);
  while (jobs_->IdleStep()) {
  }
  const std::string old_cache = cache_.path();
  ASSERT_TRUE(jobs_->ChangeThumbSize(100, 100, folders_));
  EXPECT_NE(cache_.path(), old_cache);
  EXPECT_EQ(cache_.Size(), 0);
  for (const auto& entry : list_->entries()) {
    EXPECT_TRUE(entry->thumb_wanted);
    EXPECT_EQ(entry->thumb_offset, -1);
  }
  EXPECT_EQ(jobs_->state(), BuilderState::kBuilding);
  while (jobs_->IdleStep()) {
  }
  picture::Bitmap back;
  ASSERT_TRUE(jobs_->CachedThumb(0, &back));
  EXPECT_EQ(back.Width(), 100);
}

TEST_F(ListJobsTest, AStaleRecordIsDroppedAndBuiltAgain) {
  Add({"a_big.jpg"});
  jobs_->Restart(true);
  while (jobs_->IdleStep()) {
  }
  ASSERT_EQ(made_, 1);
  list_->MutablePeek(0)->stamp = 9999;  // the file changed and was scanned again
  picture::Bitmap back;
  EXPECT_FALSE(jobs_->CachedThumb(0, &back));
  EXPECT_TRUE(list_->Peek(0)->thumb_wanted);
  EXPECT_EQ(jobs_->state(), BuilderState::kBuilding);
  while (jobs_->IdleStep()) {
  }
  EXPECT_EQ(made_, 2);
  EXPECT_TRUE(jobs_->CachedThumb(0, &back));
}

TEST_F(ListJobsTest, ClearingTheListSwitchesBothJobsOff) {
  Add({"a_big.jpg"});
  jobs_->Restart(true);
  jobs_->SwitchOff();
  EXPECT_FALSE(jobs_->IdleStep());
  EXPECT_EQ(scans_, 0);
}

}  // namespace
}  // namespace vr::list_window
