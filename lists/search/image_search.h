#pragma once
// "Find Duplicate Images  By APPEARANCE :)": fingerprints (cached in the Notes database while the
// file's stamp is unchanged), the comparison of every pair, the pairs file "~LS*.TMP" in the
// temporary folder (removed after every search, also on abort and error), groups and the report.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "lists/search/compare.h"
#include "lists/search/fingerprint.h"

namespace vr::notes {
class NotesDatabase;
}
namespace vr::platform {
class Files;
}

namespace vr::search {

class LearnedList;

inline constexpr const char* kImageStartLine = "*** START OF SEARCH RESULTS BY IMAGE APPEARANCE ***";
inline constexpr const char* kTempFileError =
    "ERROR: Can't use file in temp folder. Possible disk full...\r\rSearch is aborted!";
inline constexpr const char* kConfusedError =
    "ERROR: Searching is confused and the results might not be correct :(";
inline constexpr int kRegroupSize = 11;
inline constexpr int kRegroupLimit = 1500;

struct ImageSearchOptions {
  int level = 1;  // 0 exact, 1 close, 2 loose
  bool black_and_white = false;
  bool brightness = false;
  bool any_aspect = false;
  bool ignore_small = false;
  bool tagged_only = false;
  bool use_learned = false;
  bool force = false;
  bool sort_quality = false;
  int threads = 0;            // prints made ahead on this many worker threads
  bool plain_compare = false;  // the reference comparison (tests and measurements)
};

struct SearchItem {
  std::string path;
  bool tagged = false;
};

struct ImageSearchServices {
  platform::Files* files = nullptr;       // required: file stamps
  notes::NotesDatabase* db = nullptr;     // optional: the print cache
  const LearnedList* learned = nullptr;   // optional
  std::string temp_folder;                // with a trailing separator
  // Makes a print from the file (MakeFingerPrint when empty); tests count the decodes here.
  std::function<MadePrint(const std::string& path)> make_print;
  std::function<void(const std::string& text)> progress;  // throttled by `ticks`
  std::function<uint32_t()> ticks;                        // milliseconds; empty: every update
  std::function<bool()> stopped;                          // "&Abort"
  std::function<void(const std::string& text)> error;    // message boxes
  std::function<void(size_t item)> tag_found;             // "Tag found matches WHILE searching"
};

struct ImageSearchStats {
  size_t loaded = 0;     // prints taken from the Notes database
  size_t generated = 0;  // prints made from the files
  size_t decoded = 0;    // of those, pictures that could be read
  size_t pairs = 0;      // matching pairs found (learned pairs dropped)
  size_t groups = 0;     // main groups reported
  double print_seconds = 0;
  double compare_seconds = 0;
  double group_seconds = 0;
};

struct ImageSearchResult {
  bool completed = false;  // false: aborted or failed, nothing to report
  bool confused = false;
  std::vector<std::string> lines;  // from the start line to the group count
  std::string pairs_file;          // the temporary file used (gone again by now)
  ImageSearchStats stats;
};

ImageSearchResult RunImageSearch(const std::vector<SearchItem>& items,
                                 const ImageSearchOptions& options, ImageSearchServices& services);

// "**** Search Start:\"" date " " time "\" ****" and the matching end line.
std::string SearchStartLine(const std::string& date, const std::string& time);
std::string SearchEndLine(const std::string& date, const std::string& time);
// The level's caption.
const char* LevelCaption(int level);

}  // namespace vr::search
