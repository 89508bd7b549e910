#include "lists/search/image_search.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "lists/search/groups.h"
#include "lists/search/learned.h"
#include "lists/search/progress_throttle.h"
#include "notes/notes_database.h"
#include "platform/files.h"
#include "picture/kinds.h"
#include "platform/folders.h"

namespace vr::search {

std::string SearchStartLine(const std::string& date, const std::string& time) {
  return "**** Search Start:\"" + date + " " + time + "\" ****";
}
std::string SearchEndLine(const std::string& date, const std::string& time) {
  return "**** END OF SEARCH RESULTS \"" + date + " " + time + "\" ****";
}

const char* LevelCaption(int level) {
  switch (level) {
    case 0:
      return "Exact Match";
    case 2:
      return "Loose Match";
    default:
      return "Close Match  (Best)";
  }
}

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

using Throttle = ProgressThrottle<ImageSearchServices>;

// Makes prints ahead of the list walk on worker threads (decode and shrink only); the walk takes
// them in list order, so the outcome is the same as making them one by one.
class AheadPrints {
 public:
  AheadPrints(const std::vector<std::string>& paths, int threads,
              const std::function<MadePrint(const std::string&)>& make)
      : paths_(paths), make_(make), results_(paths.size()), ready_(paths.size(), 0),
        ahead_(paths.size(), 0) {
    // Only JPEGs go ahead: their road is libjpeg and our own shrink, with no shared state; the
    // other loaders pass through hooks that belong to this thread.
    for (size_t i = 0; i < paths.size(); ++i) {
      ahead_[i] = picture::KindFromName(paths[i]) == picture::kKindJpeg ? 1 : 0;
    }
    const int count = std::min<int>(threads, static_cast<int>(paths.size()));
    for (int t = 0; t < count; ++t) workers_.emplace_back([this] { Work(); });
  }
  ~AheadPrints() {
    next_.store(paths_.size());
    for (std::thread& worker : workers_) worker.join();
  }
  MadePrint Take(size_t i) {
    if (workers_.empty() || ahead_[i] == 0) return make_(paths_[i]);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return ready_[i] != 0; });
    return results_[i];
  }

 private:
  void Work() {
    for (;;) {
      const size_t i = next_.fetch_add(1);
      if (i >= paths_.size()) return;
      if (ahead_[i] == 0) continue;
      MadePrint made = make_(paths_[i]);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        results_[i] = made;
        ready_[i] = 1;
      }
      done_.notify_all();
    }
  }

  const std::vector<std::string>& paths_;
  std::function<MadePrint(const std::string&)> make_;
  std::vector<MadePrint> results_;
  std::vector<char> ready_;
  std::vector<char> ahead_;
  std::atomic<size_t> next_{0};
  std::mutex mutex_;
  std::condition_variable done_;
  std::vector<std::thread> workers_;
};

std::string NameOf(const std::string& path) {
  const size_t cut = path.find_last_of('/');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}
std::string FolderOf(const std::string& path) {
  const size_t cut = path.find_last_of('/');
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}
// Folder first, then name.
bool PathBefore(const std::string& a, const std::string& b) {
  const std::string fa = FolderOf(a);
  const std::string fb = FolderOf(b);
  if (fa != fb) return fa < fb;
  return NameOf(a) < NameOf(b);
}

// One record of the pairs file.
struct PairRecord {
  uint32_t a;
  uint32_t b;
  int32_t difference;
  uint32_t kind;
};

// The pairs file: created exclusively in the temporary folder, written in blocks, removed when
// the search ends in any way.
class PairsFile {
 public:
  bool Open(const std::string& folder) {
    file_ = platform::CreateExclusiveFile(folder, "~LS", ".TMP");
    return file_.IsOpen();
  }
  ~PairsFile() { file_.Remove(); }
  const std::string& path() const { return file_.path(); }
  bool Add(const PairRecord& record) {
    buffer_.push_back(record);
    return buffer_.size() < kBlock || Flush();
  }
  bool Flush() {
    const bool ok =
        buffer_.empty() || file_.Write(buffer_.data(), buffer_.size() * sizeof(PairRecord));
    buffer_.clear();
    return ok;
  }
  bool ReadAll(std::vector<PairRecord>* out) {
    if (!Flush()) return false;
    std::ifstream in(file_.path(), std::ios::binary);
    if (!in) return false;
    PairRecord record{};
    while (in.read(reinterpret_cast<char*>(&record), sizeof(record))) out->push_back(record);
    return in.eof();
  }

 private:
  static constexpr size_t kBlock = 4096;
  platform::TempFile file_;
  std::vector<PairRecord> buffer_;
};

bool MatchesKind(const FingerPrint& a, const FingerPrint& b, MatchKind kind, int t, int r) {
  switch (kind) {
    case MatchKind::kColour:
      return MatchingPixelsPlain(a, b, false, 0, t) >= r;
    case MatchKind::kColourShift:
      return MatchingPixelsPlain(a, b, false, t, t) >= r ||
             MatchingPixelsPlain(a, b, false, -t, t) >= r;
    case MatchKind::kGrey:
      return MatchingPixelsPlain(a, b, true, 0, t) >= r;
    case MatchKind::kGreyShift:
      return MatchingPixelsPlain(a, b, true, t, t) >= r ||
             MatchingPixelsPlain(a, b, true, -t, t) >= r;
    case MatchKind::kNone:
      break;
  }
  return false;
}

struct ReportGroup {
  std::vector<uint32_t> members;  // print indices, folder-and-name order
  int64_t difference = 0;         // mean of the group's pairs
  std::vector<ReportGroup> subs;  // a re-grouped main group
  bool regrouped = false;
};

}  // namespace

ImageSearchResult RunImageSearch(const std::vector<SearchItem>& items,
                                 const ImageSearchOptions& options, ImageSearchServices& services) {
  ImageSearchResult result;
  Throttle throttle(services);
  const auto stopped = [&] { return services.stopped && services.stopped(); };
  const std::function<MadePrint(const std::string&)> make =
      services.make_print ? services.make_print
                          : std::function<MadePrint(const std::string&)>(MakeFingerPrint);

  // --- Prints. The stamp check and the notes stay on this thread; only the decodes go ahead.
  auto started = std::chrono::steady_clock::now();
  struct Slot {
    bool cached = false;
    bool exists = false;
    int32_t stamp = 0;
    size_t ahead = 0;
    notes::NotesRecord record;
    bool have_record = false;
  };
  std::vector<Slot> slots(items.size());
  std::vector<std::string> to_make;
  for (size_t i = 0; i < items.size(); ++i) {
    Slot& slot = slots[i];
    const auto stat = services.files->Stat(items[i].path);
    slot.exists = stat.has_value() && !stat->IsDirectory();
    if (!slot.exists) continue;
    slot.stamp = static_cast<int32_t>(stat->dos_stamp);
    if (services.db != nullptr && services.db->IsOpen()) {
      slot.have_record = services.db->ReadNote(items[i].path, &slot.record).status == 0;
      slot.cached = !options.force && slot.have_record &&
                    slot.record.file_modified_date == slot.stamp && slot.record.res_x != 0 &&
                    slot.record.res_y != 0;
    }
    if (!slot.cached) {
      slot.ahead = to_make.size();
      to_make.push_back(items[i].path);
    }
  }
  std::vector<FingerPrint> prints;
  std::vector<uint32_t> item_of;  // print index -> item index
  std::vector<uint8_t> tagged;
  bool any_tagged = false;
  bool full_reported = false;
  {
    AheadPrints ahead(to_make, options.threads, make);
    for (size_t i = 0; i < items.size(); ++i) {
      if (stopped()) return result;
      Slot& slot = slots[i];
      if (!slot.exists) continue;
      FingerPrint print;
      const std::string& path = items[i].path;
      if (slot.cached) {
        throttle.Show([&] { return "Loading FingerPrint " + std::to_string(i + 1) + " for " + NameOf(path); });
        PrintFromStored(slot.record.finger_print_data, &print);
        print.res_x = slot.record.res_x;
        print.res_y = slot.record.res_y;
        ++result.stats.loaded;
      } else {
        throttle.Show([&] { return "Generating FingerPrint " + std::to_string(i + 1) + " for " + NameOf(path); });
        const MadePrint made = ahead.Take(slot.ahead);
        print = made.print;
        ++result.stats.generated;
        if (!made.failed) ++result.stats.decoded;
        if (services.db != nullptr && services.db->IsOpen()) {
          notes::NotesRecord derived;
          PrintToStored(print, &derived.finger_print_data);
          derived.file_modified_date = slot.stamp;
          derived.res_x = print.res_x;
          derived.res_y = print.res_y;
          const notes::NotesStatus stored = services.db->WriteDerivedFields(path, derived);
          // A full database still lets the print serve this search; say so once.
          if (stored.status != 0 && !full_reported) {
            full_reported = true;
            if (services.error) services.error(stored.message);
          }
        }
      }
      if (print.res_x <= 0 || print.res_y <= 0) continue;
      if (options.ignore_small && (print.res_x <= 64 || print.res_y <= 64)) continue;
      prints.push_back(print);
      item_of.push_back(static_cast<uint32_t>(i));
      tagged.push_back(items[i].tagged ? 1 : 0);
      any_tagged = any_tagged || items[i].tagged;
    }
  }
  result.stats.print_seconds = SecondsSince(started);

  // --- Comparison: pairs whose files are in one group already add nothing and are not written.
  started = std::chrono::steady_clock::now();
  PairsFile pairs_file;
  if (!pairs_file.Open(services.temp_folder)) {
    if (services.error) services.error(kTempFileError);
    return result;
  }
  result.pairs_file = pairs_file.path();
  const MatchLevel level = LevelValues(options.level);
  CompareSettings settings;
  settings.tolerance = level.tolerance;
  settings.required = level.required;
  settings.black_and_white = options.black_and_white;
  settings.brightness = options.brightness;
  settings.any_aspect = options.any_aspect;
  settings.tagged_only = options.tagged_only;
  MatchRings rings(prints.size());
  bool write_failed = false;
  PairLoop loop;
  loop.prints = &prints;
  loop.tagged = any_tagged ? &tagged : nullptr;
  loop.settings = settings;
  loop.plain = options.plain_compare;
  // The learned groups of each print, looked up before the loop.
  const bool use_learned =
      options.use_learned && services.learned != nullptr && !services.learned->Empty();
  std::vector<std::vector<size_t>> learned_of(use_learned ? prints.size() : 0);
  for (size_t p = 0; p < learned_of.size(); ++p) {
    learned_of[p] = services.learned->GroupsOf(items[item_of[p]].path);
  }
  loop.found = [&](const FoundPair& pair) {
    if (use_learned && LearnedList::ShareGroup(learned_of[pair.a], learned_of[pair.b])) return true;
    ++result.stats.pairs;
    if (rings.SameGroup(pair.a, pair.b)) return true;
    rings.Join(pair.a, pair.b);
    const int difference = PrintDifference(prints[pair.a], prints[pair.b], pair.kind, settings.tolerance);
    if (!pairs_file.Add({pair.a, pair.b, difference, static_cast<uint32_t>(pair.kind)})) {
      write_failed = true;
      return false;
    }
    return true;
  };
  loop.stopped = [&](uint32_t remaining) {
    throttle.Show([&] { return "Comparing FingerPrints: Pass(" + std::to_string(remaining) + ")"; });
    return stopped();
  };
  const bool ran = RunPairLoop(loop);
  std::vector<PairRecord> written;
  if (write_failed || (ran && !pairs_file.ReadAll(&written))) {
    if (services.error) services.error(kTempFileError);
    return result;
  }
  if (!ran) return result;
  result.stats.compare_seconds = SecondsSince(started);

  // --- Groups from the pairs read back.
  started = std::chrono::steady_clock::now();
  if (services.progress) services.progress("Building Groups Of Matches...");
  MatchRings read_rings(prints.size());
  std::vector<uint8_t> paired(prints.size(), 0);
  for (const PairRecord& pair : written) {
    if (pair.a >= prints.size() || pair.b >= prints.size()) continue;
    read_rings.Join(pair.a, pair.b);
    paired[pair.a] = paired[pair.b] = 1;
  }
  CollectedGroups collected = CollectRings(read_rings, paired);
  result.confused = collected.confused;
  std::vector<int32_t> group_of(prints.size(), -1);
  for (size_t g = 0; g < collected.groups.size(); ++g) {
    for (uint32_t m : collected.groups[g]) group_of[m] = static_cast<int32_t>(g);
  }
  std::vector<int64_t> sums(collected.groups.size(), 0);
  std::vector<int64_t> counts(collected.groups.size(), 0);
  for (const PairRecord& pair : written) {
    if (pair.a >= prints.size() || group_of[pair.a] < 0) continue;
    sums[static_cast<size_t>(group_of[pair.a])] += pair.difference;
    ++counts[static_cast<size_t>(group_of[pair.a])];
  }
  const auto path_of = [&](uint32_t m) -> const std::string& { return items[item_of[m]].path; };
  const auto order_members = [&](std::vector<uint32_t>* members) {
    std::sort(members->begin(), members->end(),
              [&](uint32_t x, uint32_t y) { return PathBefore(path_of(x), path_of(y)); });
  };
  if (services.progress) services.progress("Loading Groups Of Matches...");
  std::vector<ReportGroup> report;
  bool regroup_shown = false;
  for (size_t g = 0; g < collected.groups.size(); ++g) {
    ReportGroup group;
    group.members = collected.groups[g];
    group.difference = counts[g] > 0 ? sums[g] / counts[g] : 0;
    order_members(&group.members);
    if (group.members.size() >= static_cast<size_t>(kRegroupSize)) {
      if (!regroup_shown && services.progress) services.progress("Re-Grouping For Better Results...");
      regroup_shown = true;
      group.regrouped = true;
      // Every member's closest partner of each kind makes a pair; the pairs give the sub-groups.
      std::vector<MatchKind> kinds = {MatchKind::kColour};
      if (options.brightness) kinds.push_back(MatchKind::kColourShift);
      if (options.black_and_white) {
        kinds.push_back(MatchKind::kGrey);
        if (options.brightness) kinds.push_back(MatchKind::kGreyShift);
      }
      MatchRings sub_rings(prints.size());
      std::vector<uint8_t> sub_paired(prints.size(), 0);
      std::map<uint32_t, std::pair<int64_t, int64_t>> sub_sums;  // first member -> sum, count
      std::vector<std::pair<uint32_t, int>> new_pairs;
      std::vector<PairRecord> sub_pairs;
      for (uint32_t m : group.members) {
        for (MatchKind kind : kinds) {
          int best = -1;
          uint32_t partner = 0;
          for (uint32_t o : group.members) {
            if (o == m) continue;
            if (use_learned && LearnedList::ShareGroup(learned_of[m], learned_of[o])) continue;
            if (!MatchesKind(prints[m], prints[o], kind, level.tolerance, level.required)) continue;
            const int d = PrintDifference(prints[m], prints[o], kind, level.tolerance);
            if (best < 0 || d < best) {
              best = d;
              partner = o;
            }
          }
          if (best >= 0 && best < kRegroupLimit) {
            sub_rings.Join(m, partner);
            sub_paired[m] = sub_paired[partner] = 1;
            sub_pairs.push_back({m, partner, best, static_cast<uint32_t>(kind)});
          }
        }
      }
      CollectedGroups subs = CollectRings(sub_rings, sub_paired);
      result.confused = result.confused || subs.confused;
      std::vector<int32_t> sub_of(prints.size(), -1);
      for (size_t s = 0; s < subs.groups.size(); ++s) {
        for (uint32_t m : subs.groups[s]) sub_of[m] = static_cast<int32_t>(s);
      }
      std::vector<int64_t> sub_sum(subs.groups.size(), 0);
      std::vector<int64_t> sub_count(subs.groups.size(), 0);
      for (const PairRecord& pair : sub_pairs) {
        const int32_t s = sub_of[pair.a];
        if (s < 0) continue;
        sub_sum[static_cast<size_t>(s)] += pair.difference;
        ++sub_count[static_cast<size_t>(s)];
      }
      for (size_t s = 0; s < subs.groups.size(); ++s) {
        ReportGroup sub;
        sub.members = subs.groups[s];
        sub.difference = sub_count[s] > 0 ? sub_sum[s] / sub_count[s] : 0;
        order_members(&sub.members);
        group.subs.push_back(std::move(sub));
      }
      std::sort(group.subs.begin(), group.subs.end(),
                [&](const ReportGroup& x, const ReportGroup& y) {
                  return PathBefore(path_of(x.members[0]), path_of(y.members[0]));
                });
    }
    report.push_back(std::move(group));
  }
  if (options.sort_quality && services.progress) services.progress("Sorting By QUALITY Of Match...");
  std::stable_sort(report.begin(), report.end(), [&](const ReportGroup& x, const ReportGroup& y) {
    if (options.sort_quality && x.difference != y.difference) return x.difference < y.difference;
    return PathBefore(path_of(x.members[0]), path_of(y.members[0]));
  });
  if (result.confused && services.error) services.error(kConfusedError);

  // --- Report.
  std::vector<std::string>& lines = result.lines;
  lines.push_back(kImageStartLine);
  const auto add_files = [&](const std::vector<uint32_t>& members) {
    for (uint32_t m : members) {
      lines.push_back("File:" + path_of(m));
      if (services.tag_found) services.tag_found(item_of[m]);
    }
  };
  int number = 0;
  for (const ReportGroup& group : report) {
    ++number;
    lines.push_back("**** Group [MAIN]: " + std::to_string(number) + " [" +
                    std::to_string(QualityPercent(group.difference)) + "%] - " +
                    std::to_string(group.members.size()) + " Of Possible Matching Images ****");
    if (!group.regrouped) {
      add_files(group.members);
    } else {
      int sub_number = 0;
      for (const ReportGroup& sub : group.subs) {
        ++sub_number;
        lines.push_back("**** Group [SUB]: " + std::to_string(number) + "." +
                        std::to_string(sub_number) + " [" +
                        std::to_string(QualityPercent(sub.difference)) + "%] -" +
                        " Sub-Level of Main Group " + std::to_string(number) +
                        " [Refined group matching because of long list of matches in a "
                        "Main-Group Match List]");
        add_files(sub.members);
      }
    }
    lines.emplace_back();
  }
  lines.push_back(std::string("; Settings: ") + LevelCaption(options.level));
  if (options.black_and_white) lines.emplace_back("; Settings: Include B&W Photos");
  if (options.brightness) lines.emplace_back("; Settings: Include Lighter/Darker Photos");
  if (options.any_aspect) {
    lines.emplace_back("; Settings: Include MUCH FATTER & MUCH THINNER pics in the search");
  }
  if (options.ignore_small) {
    lines.emplace_back("; Settings: EXCLUDE SMALLER images (less than 64x64) in the search");
  }
  if (options.tagged_only) {
    lines.emplace_back("; Settings: Compare TAGGED ONLY against the rest of the Files List");
  }
  if (options.use_learned) {
    lines.emplace_back("; Settings: Use the Learned Mis-Match List (MEMORIZED.TXT)");
  }
  lines.push_back("There are " + std::to_string(report.size()) + " Matching GROUPS in the list.");
  result.stats.groups = report.size();
  result.stats.group_seconds = SecondsSince(started);
  result.completed = true;
  return result;
}

}  // namespace vr::search
