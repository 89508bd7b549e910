#include "notes/notes_search.h"

#include <algorithm>
#include <charconv>

#include "notes/notes_database.h"

namespace vr::notes {
namespace {

inline char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithFolded(std::string_view text, std::string_view upper_prefix) {
  if (text.size() < upper_prefix.size()) return false;
  for (size_t i = 0; i < upper_prefix.size(); ++i) {
    if (Fold(text[i]) != upper_prefix[i]) return false;
  }
  return true;
}

bool ContainsFolded(std::string_view text, std::string_view upper_part) {
  if (upper_part.empty()) return true;
  if (text.size() < upper_part.size()) return false;
  const char first = upper_part[0];
  for (size_t i = 0; i + upper_part.size() <= text.size(); ++i) {
    if (Fold(text[i]) == first && StartsWithFolded(text.substr(i + 1), upper_part.substr(1))) {
      return true;
    }
  }
  return false;
}

// A number's decimal text without allocating.
struct NumberText {
  char buffer[16];
  size_t size = 0;
  explicit NumberText(int32_t v) {
    size = static_cast<size_t>(std::to_chars(buffer, buffer + sizeof buffer, v).ptr - buffer);
  }
  std::string_view view() const { return {buffer, size}; }
};

// A search text prepared once: its kind and the rest upper-cased.
struct Probe {
  enum Kind { kAny, kPrefix, kContains, kAnyField } kind = kAny;
  std::string upper;
};

Probe Prepare(const std::string& text) {
  Probe p;
  if (text.empty()) return p;
  std::string_view rest = text;
  if (text[0] == '~') {
    p.kind = Probe::kContains;
    rest.remove_prefix(1);
  } else if (text[0] == '@') {
    p.kind = Probe::kAnyField;
    rest.remove_prefix(1);
  } else {
    p.kind = Probe::kPrefix;
  }
  p.upper.reserve(rest.size());
  for (char c : rest) p.upper.push_back(Fold(c));
  return p;
}

bool AnyFieldContains(const NotesRecord& r, std::string_view upper) {
  return ContainsFolded(r.category, upper) || ContainsFolded(r.sub_category1, upper) ||
         ContainsFolded(r.sub_category2, upper) ||
         ContainsFolded(NumberText(r.number1).view(), upper) ||
         ContainsFolded(NumberText(r.number2).view(), upper) ||
         ContainsFolded(r.key_words, upper) || ContainsFolded(r.notes, upper);
}

bool Matches(const Probe& p, std::string_view field, const NotesRecord& r) {
  switch (p.kind) {
    case Probe::kAny: return true;
    case Probe::kPrefix: return StartsWithFolded(field, p.upper);
    case Probe::kContains: return ContainsFolded(field, p.upper);
    case Probe::kAnyField: return AnyFieldContains(r, p.upper);
  }
  return false;
}

struct PreparedQuery {
  std::array<Probe, kSearchFieldCount> probes;
  SearchType type;
  explicit PreparedQuery(const NotesQuery& q) : type(q.type) {
    for (size_t i = 0; i < probes.size(); ++i) probes[i] = Prepare(q.texts[i]);
  }
  bool Match(const NotesRecord& r) const {
    if (r.file_name_key.empty()) return false;
    const bool live = r.live_flag == kLive;
    if (type == SearchType::kDeletedOnly) return !live;
    if (type == SearchType::kLiveOnly && !live) return false;
    const NumberText n1(r.number1);
    const NumberText n2(r.number2);
    const std::array<std::string_view, kSearchFieldCount> fields = {
        r.file_name_key, r.category, r.sub_category1, r.sub_category2,
        n1.view(),       n2.view(),  r.key_words,     r.notes};
    for (size_t i = 0; i < probes.size(); ++i) {
      if (!Matches(probes[i], fields[i], r)) return false;
    }
    return true;
  }
};

}  // namespace

bool MatchesQuery(const NotesQuery& query, const NotesRecord& record) {
  return PreparedQuery(query).Match(record);
}

std::vector<std::string> SearchNotes(NotesDatabase& db, const NotesQuery& query,
                                     const std::function<bool(long walked)>& progress) {
  std::vector<std::string> found;
  const PreparedQuery prepared(query);
  const long saved = db.CurrentNotePosition();
  NotesRecord record;
  std::string folder;
  long walked = 0;
  for (unsigned status = db.FirstNote(&record, &folder); status == 0;
       status = db.NextNote(&record, &folder)) {
    ++walked;
    if (prepared.Match(record)) found.push_back(record.file_name_key);
    if (walked % 100 == 0 && progress && !progress(walked)) break;
  }
  db.SetNotePosition(saved);
  return found;
}

}  // namespace vr::notes
