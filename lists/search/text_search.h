#pragma once
// The search options 0 to 11: duplicates by name, DB field, size and stamp, and the given-text
// searches. The partial options come from one sort: the common prefix of neighbours in sorted
// order gives every pass at once, and each distinct set of files is reported once, at the
// longest match it has.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vr::search {

enum TextOption : int {
  kDupWholeName = 0,
  kDupPartialName = 1,
  kDupWholeField = 2,
  kDupPartialField = 3,
  kDupSize = 4,
  kDupDate = 5,
  kDupDateSize = 6,
  kDupSizeDateName = 7,
  kGivenName = 8,
  kGivenField = 9,
  kGivenPartialName = 10,
  kGivenPartialField = 11,
};
inline constexpr int kOptionCount = 12;

// The captions of "Search Options".
const char* OptionCaption(int option);
// Whether an option needs the scanned facts (size, stamp) or the DB field.
bool OptionNeedsFacts(int option);
bool OptionNeedsField(int option);

struct TextSearchItem {
  std::string path;
  std::string name;      // without folder
  int64_t size = -1;
  int32_t stamp = -1;
  std::string db_field;
};

struct TextSearchOptions {
  int option = kDupWholeName;
  int start_column = 1;  // "What column to start search", from 1
  int min_letters = 3;   // "Minimum letters that MUST match"
  std::string text;      // "Enter search text here"
};

struct TextSearchServices {
  std::function<void(const std::string& text)> progress;  // throttled by `ticks`
  std::function<uint32_t()> ticks;
  std::function<bool()> stopped;
  std::function<void(size_t item)> tag_found;
};

struct TextSearchResult {
  bool completed = false;
  std::vector<std::string> lines;  // from the start line to the count
  size_t sets = 0;                 // groups (or, for given text, files) reported
};

TextSearchResult RunTextSearch(const std::vector<TextSearchItem>& items,
                               const TextSearchOptions& options, TextSearchServices& services);

}  // namespace vr::search
