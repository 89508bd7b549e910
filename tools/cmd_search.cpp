// veldrimon-tool search FILE_OR_DIR... --db BASE [--subfolders] [--level exact|close|loose]
//   [--bw] [--bright] [--aspect] [--small] [--learned] [--force] [--sort-quality] [--threads N]
//   [--by N --text T --col N --min N]
// Loads the names into a files list as a folder load would and runs the look-alike search over
// it (or, with --by, search option N), with fingerprints cached in the Notes database BASE. The
// report goes to stdout exactly as "&Save" writes it; the figures of each stage go to stderr.
// --learned reads "MEMORIZED.TXT" from the program folder.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "lists/files_list.h"
#include "lists/notes_access.h"
#include "lists/search/image_search.h"
#include "lists/search/learned.h"
#include "lists/search/report.h"
#include "lists/search/text_search.h"
#include "notes/notes_database.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: veldrimon-tool search FILE_OR_DIR... --db BASE [--subfolders] "
               "[--level exact|close|loose] [--bw] [--bright] [--aspect] [--small] [--learned] "
               "[--force] [--sort-quality] [--threads N] [--by N --text T --col N --min N]\n");
  return 2;
}

bool ParseInt(const std::string& text, int low, int high, int* out) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < low || v > high) return false;
  *out = static_cast<int>(v);
  return true;
}

std::string Lines(std::string text) {
  for (char& c : text) {
    if (c == '\r') c = '\n';
  }
  return text;
}

int RunSearch(const std::vector<std::string>& args) {
  std::vector<std::string> paths;
  std::string base;
  bool subfolders = false;
  bool learned = false;
  int by = -1;
  search::ImageSearchOptions options;
  search::TextSearchOptions text_options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool has_value = i + 1 < args.size();
    if (arg == "--db" && has_value) {
      base = args[++i];
    } else if (arg == "--subfolders") {
      subfolders = true;
    } else if (arg == "--level" && has_value) {
      const std::string& level = args[++i];
      if (level == "exact") {
        options.level = 0;
      } else if (level == "close") {
        options.level = 1;
      } else if (level == "loose") {
        options.level = 2;
      } else {
        return Usage();
      }
    } else if (arg == "--bw") {
      options.black_and_white = true;
    } else if (arg == "--bright") {
      options.brightness = true;
    } else if (arg == "--aspect") {
      options.any_aspect = true;
    } else if (arg == "--small") {
      options.ignore_small = true;
    } else if (arg == "--learned") {
      learned = true;
    } else if (arg == "--force") {
      options.force = true;
    } else if (arg == "--sort-quality") {
      options.sort_quality = true;
    } else if (arg == "--threads" && has_value) {
      if (!ParseInt(args[++i], 0, 64, &options.threads)) return Usage();
    } else if (arg == "--by" && has_value) {
      if (!ParseInt(args[++i], 0, search::kOptionCount - 1, &by)) return Usage();
    } else if (arg == "--text" && has_value) {
      text_options.text = args[++i];
    } else if (arg == "--col" && has_value) {
      if (!ParseInt(args[++i], 1, 1000, &text_options.start_column)) return Usage();
    } else if (arg == "--min" && has_value) {
      if (!ParseInt(args[++i], 1, 1000, &text_options.min_letters)) return Usage();
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else {
      paths.push_back(arg);
    }
  }
  if (paths.empty() || base.empty()) return Usage();

  notes::NotesDatabase db;
  if (db.OpenNotesDatabase(base) != 0) {
    std::fprintf(stderr, "search: cannot open the Notes database %s\n", base.c_str());
    return 1;
  }
  platform::PosixFiles files;
  lists::DatabaseNotesAccess notes_access(db);
  lists::ListServices list_services;
  list_services.files = &files;
  list_services.notes = &notes_access;
  lists::FilesList list(list_services);
  list.set_always_subfolders(subfolders);
  const auto load_started = std::chrono::steady_clock::now();
  list.LoadPaths(paths, 1 << 30, 0);
  const double load_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - load_started).count();

  const std::time_t started = std::time(nullptr);
  std::vector<std::string> lines = {
      search::SearchStartLine(search::ReportDate(started), search::ReportTime(started))};
  int status = 0;
  if (by >= 0) {
    text_options.option = by;
    if (search::OptionNeedsFacts(by)) list.ScanAllEntries(false);
    std::vector<search::TextSearchItem> items;
    for (int i = 0; i < list.Count(); ++i) {
      const lists::FileEntry* entry = list.Peek(i);
      search::TextSearchItem item;
      item.path = entry->Path();
      item.name = entry->name;
      item.size = entry->size;
      item.stamp = entry->stamp;
      if (search::OptionNeedsField(by)) item.db_field = notes_access.DbField(item.path);
      items.push_back(std::move(item));
    }
    search::TextSearchServices services;
    const search::TextSearchResult result = search::RunTextSearch(items, text_options, services);
    lines.insert(lines.end(), result.lines.begin(), result.lines.end());
    std::fprintf(stderr, "files %d, sets %zu, load %.3f s\n", list.Count(), result.sets,
                 load_seconds);
  } else {
    search::LearnedList learned_list;
    if (learned) {
      options.use_learned = true;
      const std::string folder = platform::ResolveProgramFolder(
          platform::ExecutableFolder(), platform::ProcessEnvironment(), platform::FolderIsWritable);
      if (!learned_list.Load(folder + search::kMemorizedFile)) {
        std::fprintf(stderr, "search: cannot read %s%s\n", folder.c_str(), search::kMemorizedFile);
      }
    }
    std::vector<search::SearchItem> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back({list.Peek(i)->Path(), false});
    search::ImageSearchServices services;
    services.files = &files;
    services.db = &db;
    services.learned = &learned_list;
    services.temp_folder = platform::ResolveTempFolder(platform::ProcessEnvironment());
    services.error = [&](const std::string& text) {
      std::fprintf(stderr, "%s\n", Lines(text).c_str());
    };
    const search::ImageSearchResult result = search::RunImageSearch(items, options, services);
    if (!result.completed) status = 1;
    lines.insert(lines.end(), result.lines.begin(), result.lines.end());
    const search::ImageSearchStats& s = result.stats;
    std::fprintf(stderr,
                 "files %d, prints loaded %zu, generated %zu, decoded %zu, pairs %zu, groups %zu\n"
                 "seconds: load %.3f, prints %.3f, compare %.3f, groups %.3f\n",
                 list.Count(), s.loaded, s.generated, s.decoded, s.pairs, s.groups, load_seconds,
                 s.print_seconds, s.compare_seconds, s.group_seconds);
    // On a shared machine the stage times above include waiting for a core; this does not.
    rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) == 0) {
      const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
      };
      std::fprintf(stderr, "cpu seconds (user + system, whole run): %.3f\n",
                   seconds(usage.ru_utime) + seconds(usage.ru_stime));
    }
  }
  const std::time_t ended = std::time(nullptr);
  lines.push_back(search::SearchEndLine(search::ReportDate(ended), search::ReportTime(ended)));
  if (status == 0) {
    const std::string text = search::ReportText(lines);
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  const auto closed = db.CloseNotesDatabase();
  if (closed.status != 0) {
    std::fprintf(stderr, "%s\n", closed.message.c_str());
    if (status == 0) status = 1;
  }
  // Everything is written and the database closed: the process ends here instead of freeing the
  // files list entry by entry, which would cost a fifth of a duplicate-name search over 100,000
  // files (the viewer keeps its list, so it never pays this).
  std::exit(status);
}

const Registration kSearch("search",
                           "search FILE_OR_DIR... --db BASE [options]  look-alike pictures and "
                           "duplicate files",
                           RunSearch);

}  // namespace
}  // namespace vr::tool
