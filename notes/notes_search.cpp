#include "notes/notes_search.h"

#include <algorithm>
#include <charconv>
#include <cstring>

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

// A record's searched fields as views, from a decoded record or straight from its stored bytes.
struct Fields {
  std::string_view key, category, type1, type2, key_words, notes;
  int32_t number1 = 0;
  int32_t number2 = 0;
  bool live = false;

  static Fields Of(const NotesRecord& r) {
    return {r.file_name_key, r.category,  r.sub_category1, r.sub_category2,
            r.key_words,     r.notes,     r.number1,       r.number2,
            r.live_flag == kLive};
  }
  // The same bounds as the decoder: a length byte over its field's room is clamped to it, and a
  // key without its NUL ends at 360 characters.
  static Fields OfBytes(const uint8_t* b) {
    auto text = [b](size_t offset, size_t max) {
      const size_t n = std::min<size_t>(b[offset], max);
      return std::string_view(reinterpret_cast<const char*>(b + offset + 1), n);
    };
    const auto* key = static_cast<const uint8_t*>(std::memchr(b, 0, kMaxPathChars));
    Fields f;
    f.key = std::string_view(reinterpret_cast<const char*>(b),
                             key != nullptr ? static_cast<size_t>(key - b) : kMaxPathChars);
    f.category = text(kOffCategory, kMaxCategory);
    f.type1 = text(kOffSubCategory1, kMaxSubCategory);
    f.type2 = text(kOffSubCategory2, kMaxSubCategory);
    f.key_words = text(kOffKeyWords, kMaxKeyWords);
    f.notes = text(kOffNotes, kMaxNotes);
    f.number1 = GetLe32(b + kOffNumber1);
    f.number2 = GetLe32(b + kOffNumber2);
    f.live = b[kOffLiveFlag] == kLive;
    return f;
  }
};

bool AnyFieldContains(const Fields& r, std::string_view upper) {
  return ContainsFolded(r.category, upper) || ContainsFolded(r.type1, upper) ||
         ContainsFolded(r.type2, upper) || ContainsFolded(NumberText(r.number1).view(), upper) ||
         ContainsFolded(NumberText(r.number2).view(), upper) ||
         ContainsFolded(r.key_words, upper) || ContainsFolded(r.notes, upper);
}

bool Matches(const Probe& p, std::string_view field, const Fields& r) {
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
  bool Match(const Fields& r) const {
    if (r.key.empty()) return false;
    if (type == SearchType::kDeletedOnly) return !r.live;
    if (type == SearchType::kLiveOnly && !r.live) return false;
    const std::array<std::string_view, kSearchFieldCount> texts = {
        r.key, r.category, r.type1, r.type2, {}, {}, r.key_words, r.notes};
    for (size_t i = 0; i < probes.size(); ++i) {
      const Probe& p = probes[i];
      if (p.kind == Probe::kAny) continue;
      // The numbers are made text only when a probe looks at them.
      if (i == kSearchValue1 || i == kSearchValue2) {
        const NumberText n(i == kSearchValue1 ? r.number1 : r.number2);
        if (!Matches(p, n.view(), r)) return false;
      } else if (!Matches(p, texts[i], r)) {
        return false;
      }
    }
    return true;
  }
};

}  // namespace

bool MatchesQuery(const NotesQuery& query, const NotesRecord& record) {
  return PreparedQuery(query).Match(Fields::Of(record));
}

// The records are matched from their stored bytes as .NAM is read front to back, and the found
// ones put in key order afterwards: one sequential read instead of a seek per record.
std::vector<std::string> SearchNotes(NotesDatabase& db, const NotesQuery& query,
                                     const std::function<bool(long walked)>& progress) {
  const PreparedQuery prepared(query);
  std::vector<std::pair<size_t, std::string>> hits;
  long walked = 0;
  db.ScanIndexedRecords([&](size_t position, const uint8_t* bytes) {
    const Fields fields = Fields::OfBytes(bytes);
    if (prepared.Match(fields) && !IsSentinelKey(fields.key)) {
      hits.emplace_back(position, std::string(fields.key));
    }
    ++walked;
    return walked % 100 != 0 || !progress || progress(walked);
  });
  std::sort(hits.begin(), hits.end());
  std::vector<std::string> found;
  found.reserve(hits.size());
  for (auto& hit : hits) found.push_back(std::move(hit.second));
  return found;
}

}  // namespace vr::notes
