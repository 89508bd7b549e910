#include "notes/notes_search.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Looks for the first character of the part 16 bytes at a time (both cases of a letter at once:
// OR-ing 0x20 folds exactly the two cases of a letter together) and compares the rest only
// where it is found.
bool ContainsFolded(std::string_view text, std::string_view upper_part) {
  if (upper_part.empty()) return true;
  if (text.size() < upper_part.size()) return false;
  const auto first = static_cast<unsigned char>(upper_part[0]);
  const unsigned char mask = first >= 'A' && first <= 'Z' ? 0x20 : 0;
  const unsigned char want = first | mask;
  const std::string_view rest = upper_part.substr(1);
  const size_t last = text.size() - upper_part.size();  // last start that fits
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i masks = _mm_set1_epi8(static_cast<char>(mask));
  const __m128i wants = _mm_set1_epi8(static_cast<char>(want));
  for (; i + 16 <= text.size() && i <= last; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    auto hits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(bytes, masks), wants)));
    while (hits != 0) {
      const size_t at = i + static_cast<size_t>(__builtin_ctz(hits));
      if (at > last) return false;
      if (StartsWithFolded(text.substr(at + 1), rest)) return true;
      hits &= hits - 1;
    }
  }
#endif
  for (; i <= last; ++i) {
    if ((p[i] | mask) == want && StartsWithFolded(text.substr(i + 1), rest)) return true;
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

// A record's searched fields, from a decoded record or straight from its stored bytes. Each field
// is looked at only when a probe asks for it, so a search over one field touches only the bytes
// of that field, the live flag and, for a found record, the key.
class Fields {
 public:
  static Fields Of(const NotesRecord& r) {
    Fields f;
    f.record_ = &r;
    f.live_ = r.live_flag == kLive;
    return f;
  }
  static Fields OfBytes(const uint8_t* b) {
    Fields f;
    f.bytes_ = b;
    f.live_ = b[kOffLiveFlag] == kLive;
    return f;
  }
  bool live() const { return live_; }

  // The text of search field 0 (key), 1 to 3, 6 or 7. From the bytes, with the decoder's
  // bounds: a length byte over its field's room is clamped to it, and a key without its NUL
  // ends at 360 characters.
  std::string_view Text(size_t field) const {
    if (record_ != nullptr) {
      switch (field) {
        case kSearchFileName: return record_->file_name_key;
        case kSearchCategory: return record_->category;
        case kSearchType1: return record_->sub_category1;
        case kSearchType2: return record_->sub_category2;
        case kSearchKeyWords: return record_->key_words;
        default: return record_->notes;
      }
    }
    const auto text = [this](size_t offset, size_t max) {
      const size_t n = std::min<size_t>(bytes_[offset], max);
      return std::string_view(reinterpret_cast<const char*>(bytes_ + offset + 1), n);
    };
    switch (field) {
      case kSearchFileName: {
        const auto* end = static_cast<const uint8_t*>(std::memchr(bytes_, 0, kMaxPathChars));
        return {reinterpret_cast<const char*>(bytes_),
                end != nullptr ? static_cast<size_t>(end - bytes_) : kMaxPathChars};
      }
      case kSearchCategory: return text(kOffCategory, kMaxCategory);
      case kSearchType1: return text(kOffSubCategory1, kMaxSubCategory);
      case kSearchType2: return text(kOffSubCategory2, kMaxSubCategory);
      case kSearchKeyWords: return text(kOffKeyWords, kMaxKeyWords);
      default: return text(kOffNotes, kMaxNotes);
    }
  }
  int32_t Number(size_t field) const {
    if (record_ != nullptr) return field == kSearchValue1 ? record_->number1 : record_->number2;
    return GetLe32(bytes_ + (field == kSearchValue1 ? kOffNumber1 : kOffNumber2));
  }

 private:
  const NotesRecord* record_ = nullptr;
  const uint8_t* bytes_ = nullptr;
  bool live_ = false;
};

bool AnyFieldContains(const Fields& r, std::string_view upper) {
  for (size_t field : {kSearchCategory, kSearchType1, kSearchType2, kSearchKeyWords, kSearchNotes}) {
    if (ContainsFolded(r.Text(field), upper)) return true;
  }
  return ContainsFolded(NumberText(r.Number(kSearchValue1)).view(), upper) ||
         ContainsFolded(NumberText(r.Number(kSearchValue2)).view(), upper);
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
  // Whether the record matches; `key` gets its key when it does (a record without a key never
  // matches).
  bool Match(const Fields& r, std::string_view* key) const {
    if (type == SearchType::kLiveOnly && !r.live()) return false;
    if (type == SearchType::kDeletedOnly) {
      if (r.live()) return false;
    } else {
      for (size_t i = 0; i < probes.size(); ++i) {
        const Probe& p = probes[i];
        if (p.kind == Probe::kAny) continue;
        // The numbers are made text only when a probe looks at them.
        if (i == kSearchValue1 || i == kSearchValue2) {
          if (!Matches(p, NumberText(r.Number(i)).view(), r)) return false;
        } else if (p.kind == Probe::kAnyField) {
          if (!AnyFieldContains(r, p.upper)) return false;
        } else if (!Matches(p, r.Text(i), r)) {
          return false;
        }
      }
    }
    *key = r.Text(kSearchFileName);
    return !key->empty();
  }
};

}  // namespace

bool MatchesQuery(const NotesQuery& query, const NotesRecord& record) {
  std::string_view key;
  return PreparedQuery(query).Match(Fields::Of(record), &key);
}

// The records are matched from their stored bytes as .NAM is read front to back, and the found
// ones put in key order afterwards: one sequential read instead of a seek per record.
std::vector<std::string> SearchNotes(NotesDatabase& db, const NotesQuery& query,
                                     const std::function<bool(long walked)>& progress) {
  const PreparedQuery prepared(query);
  std::vector<std::pair<size_t, std::string>> hits;
  long walked = 0;
  db.ScanIndexedRecords([&](size_t position, const uint8_t* bytes) {
    std::string_view key;
    if (prepared.Match(Fields::OfBytes(bytes), &key) && !IsSentinelKey(key)) {
      hits.emplace_back(position, std::string(key));
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
