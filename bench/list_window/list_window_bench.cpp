// The files list window's per-step costs over a list of 100,000 entries (no disk: the facts come
// from a stand-in scan, so only the window's own work is measured):
//   BM_IdleScanStep       one idle call of the background scan (cursor, wrap, one entry)
//   BM_IdleThumbStep      one idle call of the builder on files small enough to be drawn from
//                         themselves (the step's bookkeeping without a decode)
//   BM_RepathInPlace      a moved file's entry re-pathed in place (FilesList::RepathEntry)
//   BM_RepathRemoveReAdd  the same by removing the entry and adding the new path, then finding
//                         the entry's position again
#include <benchmark/benchmark.h>

#include <string>

#include "lists/files_list.h"
#include "lists/window/list_jobs.h"
#include "lists/window/thumb_cache.h"
#include "platform/files.h"

namespace {

using vr::lists::FilesList;
using vr::lists::ListServices;
using vr::lists::ScannedFacts;

constexpr int kEntries = 100000;

std::unique_ptr<FilesList> BigList(vr::platform::Files& files) {
  ListServices services;
  services.files = &files;
  services.scan = [](const std::string&) {
    ScannedFacts facts;
    facts.exists = true;
    facts.size = 900;  // below every kind's cache threshold
    facts.type = 0;
    facts.width = 64;
    facts.height = 48;
    return facts;
  };
  auto list = std::make_unique<FilesList>(std::move(services));
  list->BeginBulkUpdate(kEntries);
  for (int i = 0; i < kEntries; ++i) {
    list->AddFileToList(1 << 30, "/pics/d" + std::to_string(i % 1000) + "/IMG_" +
                                     std::to_string(100000 + i) + ".jpg",
                        900, true);
  }
  list->EndBulkUpdate();
  return list;
}

void BM_IdleScanStep(benchmark::State& state) {
  vr::platform::PosixFiles files;
  auto list = BigList(files);
  vr::list_window::ThumbCache cache;
  vr::list_window::ListJobs jobs(*list, cache, {});
  jobs.Restart(false);
  for (auto _ : state) {
    if (!jobs.scan_on()) {
      state.PauseTiming();
      for (const auto& entry : list->entries()) entry->scanned = false;
      jobs.Restart(false);
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(jobs.IdleStep());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_IdleThumbStep(benchmark::State& state) {
  vr::platform::PosixFiles files;
  auto list = BigList(files);
  list->ScanAllEntries(false);
  vr::list_window::ThumbCache cache;
  vr::list_window::ListJobs jobs(*list, cache, {});
  jobs.Restart(true);
  jobs.IdleStep();  // the scan notices it has nothing left
  for (auto _ : state) {
    if (jobs.state() != vr::list_window::BuilderState::kBuilding) {
      state.PauseTiming();
      for (const auto& entry : list->entries()) entry->thumb_wanted = true;
      jobs.SetState(vr::list_window::BuilderState::kBuilding);
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(jobs.IdleStep());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_RepathInPlace(benchmark::State& state) {
  vr::platform::PosixFiles files;
  auto list = BigList(files);
  const int32_t id = list->Peek(kEntries / 2)->id;
  bool there = false;
  for (auto _ : state) {
    const int at = list->PositionOfId(id);
    list->RepathEntry(at, there ? "/pics/d500/IMG_150000.jpg" : "/moved/IMG_150000.jpg");
    there = !there;
    benchmark::DoNotOptimize(list->PositionOfId(id));
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_RepathRemoveReAdd(benchmark::State& state) {
  vr::platform::PosixFiles files;
  auto list = BigList(files);
  std::string path = list->FilePathAt(kEntries / 2);
  bool there = false;
  for (auto _ : state) {
    const std::string next = there ? "/pics/d500/IMG_150000.jpg" : "/moved/IMG_150000.jpg";
    list->RemoveFromFilesList(path);
    list->AddFileToList(0, next, 900, true);
    benchmark::DoNotOptimize(list->FindInFilesList(next));
    path = next;
    there = !there;
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_IdleScanStep);
BENCHMARK(BM_IdleThumbStep);
BENCHMARK(BM_RepathInPlace);
BENCHMARK(BM_RepathRemoveReAdd);
BENCHMARK_MAIN();
