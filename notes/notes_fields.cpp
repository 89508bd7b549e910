#include "notes/notes_fields.h"

#include <cstring>

#include "notes/notes_database.h"

namespace vr::notes {
namespace {

constexpr std::array<const char*, kNoteFieldCount> kNames = {
    "CATEGORY", "TYPE 1", "TYPE 2", "VALUE 1", "VALUE 2", "KEYWORDS", "NOTES"};

std::string* TextField(NotesRecord* r, int field) {
  switch (field) {
    case kFieldCategory: return &r->category;
    case kFieldType1: return &r->sub_category1;
    case kFieldType2: return &r->sub_category2;
    case kFieldKeyWords: return &r->key_words;
    case kFieldNotes: return &r->notes;
    default: return nullptr;
  }
}

int32_t* NumberField(NotesRecord* r, int field) {
  if (field == kFieldValue1) return &r->number1;
  if (field == kFieldValue2) return &r->number2;
  return nullptr;
}

}  // namespace

const char* NoteFieldName(int field) {
  return field >= 0 && field < kNoteFieldCount ? kNames[static_cast<size_t>(field)] : "";
}

size_t NoteFieldWidth(int field) {
  switch (field) {
    case kFieldCategory: return kMaxCategory;
    case kFieldType1:
    case kFieldType2: return kMaxSubCategory;
    case kFieldKeyWords: return kMaxKeyWords;
    case kFieldNotes: return kMaxNotes;
    default: return 0;
  }
}

bool IsNumberField(int field) { return field == kFieldValue1 || field == kFieldValue2; }

std::string NoteFieldText(const NotesRecord& record, int field) {
  switch (field) {
    case kFieldCategory: return record.category;
    case kFieldType1: return record.sub_category1;
    case kFieldType2: return record.sub_category2;
    case kFieldValue1: return std::to_string(record.number1);
    case kFieldValue2: return std::to_string(record.number2);
    case kFieldKeyWords: return record.key_words;
    case kFieldNotes: return record.notes;
    default: return {};
  }
}

std::string CutUtf8(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return std::string(text);
  size_t end = max_bytes;
  // Step back over continuation bytes so the cut falls before a character's lead byte.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

bool ParseFieldNumber(std::string_view text, int32_t* value, std::string* message) {
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      if (message != nullptr) *message = "Only the digits 0 to 9 are allowed in a value field.";
      return false;
    }
    v = v * 10 + (c - '0');
    if (v > INT32_MAX) {
      if (message != nullptr) {
        *message = std::string(text) + " is too large for a value field (at most 2147483647).";
      }
      return false;
    }
  }
  *value = static_cast<int32_t>(v);
  return true;
}

bool SetNoteFieldText(NotesRecord* record, int field, std::string_view text,
                      std::string* message) {
  if (std::string* target = TextField(record, field)) {
    *target = CutUtf8(text, NoteFieldWidth(field));
    return true;
  }
  if (int32_t* number = NumberField(record, field)) {
    int32_t v = 0;
    if (!ParseFieldNumber(text, &v, message)) return false;
    *number = v;
    return true;
  }
  if (message != nullptr) *message = "No such field.";
  return false;
}

bool StoreNoteField(NotesDatabase& db, const std::string& path, int field, std::string_view text,
                    std::string* stored_text, std::string* message) {
  NotesRecord before;
  db.ReadNote(path, &before);  // an absent note reads as empty fields
  NotesRecord after = before;
  if (!SetNoteFieldText(&after, field, text, message)) return false;
  if (stored_text != nullptr) *stored_text = NoteFieldText(after, field);
  // Compared as the bytes the file holds, so an edit back to the same text (or an empty text
  // for a file without a note) writes nothing.
  uint8_t a[kRecordSize];
  uint8_t b[kRecordSize];
  EncodeNotesRecord(before, a);
  EncodeNotesRecord(after, b);
  if (std::memcmp(a, b, kRecordSize) == 0) return true;
  const NotesStatus written = db.WriteNote(path, after);
  if (written.status != 0) {
    if (message != nullptr) *message = written.message;
    return false;
  }
  return true;
}

}  // namespace vr::notes
