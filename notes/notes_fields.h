#pragma once
// The seven user fields of a note by number, as the windows and the "DB Field" column name them:
// reading one as text, storing one from text with its width and number rules, and the quick
// store of one field that the files list's one-line editor and the record editor share.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "notes/notes_record.h"

namespace vr::notes {

class NotesDatabase;

enum NoteField : int {
  kFieldCategory = 0,
  kFieldType1 = 1,
  kFieldType2 = 2,
  kFieldValue1 = 3,
  kFieldValue2 = 4,
  kFieldKeyWords = 5,
  kFieldNotes = 6,
};
inline constexpr int kNoteFieldCount = 7;
// The field the "DB Field" column starts with.
inline constexpr int kDefaultDbField = kFieldNotes;

// "CATEGORY", "TYPE 1", ... "NOTES"; "" for a number out of range.
const char* NoteFieldName(int field);
// Characters a text field holds; 0 for the number fields and out-of-range numbers.
size_t NoteFieldWidth(int field);
bool IsNumberField(int field);

// The field as text; numbers as decimal text (a negative stored number shows its sign).
std::string NoteFieldText(const NotesRecord& record, int field);

// The longest start of `text` that fits `max_bytes` without splitting a UTF-8 character.
std::string CutUtf8(std::string_view text, size_t max_bytes);

// A number field's value from what the user typed: empty is 0, otherwise digits only and at most
// 2,147,483,647. False (with *message) for anything else.
bool ParseFieldNumber(std::string_view text, int32_t* value, std::string* message);

// Sets one field from text: texts are cut to their width, numbers parsed as above. False (with
// *message) when a number is refused; the record is then unchanged.
bool SetNoteFieldText(NotesRecord* record, int field, std::string_view text, std::string* message);

// The quick store of one field: reads the note of `path` (an absent one starts empty), sets the
// field and writes the note back unless it is byte for byte unchanged. *stored_text gets the field
// as stored (cut, or the number's text). False with *message when the number is refused or the
// write fails.
bool StoreNoteField(NotesDatabase& db, const std::string& path, int field, std::string_view text,
                    std::string* stored_text, std::string* message);

}  // namespace vr::notes
