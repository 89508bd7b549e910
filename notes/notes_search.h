#pragma once
// Searching the Notes database by its fields, as the "Notes DataBase Search" window and
// `veldrimon-tool notes search` do it.
//
// Each of the eight search texts matches its field:
//   ""        anything;
//   "~text"   the field contains text;
//   "@text"   any of the seven user fields contains text (from whichever search field);
//   "text"    the field starts with text.
// Letter case is ignored (ASCII), the two numbers match as their decimal text, and a record is
// found when all eight texts match. "Deleted only" finds every deleted record whatever the texts.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "notes/notes_record.h"

namespace vr::notes {

class NotesDatabase;

enum SearchField : int {
  kSearchFileName = 0,
  kSearchCategory,
  kSearchType1,
  kSearchType2,
  kSearchValue1,
  kSearchValue2,
  kSearchKeyWords,
  kSearchNotes,
};
inline constexpr int kSearchFieldCount = 8;

enum class SearchType { kDeletedOnly, kLiveOnly, kEither };

struct NotesQuery {
  std::array<std::string, kSearchFieldCount> texts;
  SearchType type = SearchType::kLiveOnly;
};

// Whether one record matches the query (its key is the file name field).
bool MatchesQuery(const NotesQuery& query, const NotesRecord& record);

// Reads every record (front to back through .NAM) and gives the keys found, in key order.
// `progress` (optional) is told the number of records read every 100 records and may return false
// to stop. The database's walk position is left as it was.
std::vector<std::string> SearchNotes(NotesDatabase& db, const NotesQuery& query,
                                     const std::function<bool(long walked)>& progress = {});

}  // namespace vr::notes
