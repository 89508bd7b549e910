#pragma once
// Comma-delimited text export and import of the Notes database.
//
// File: one line per record, CR LF line ends, a header line first. A record line holds twelve
// double-quoted fields separated by commas:
//   key, Category, SubCategory1, SubCategory2, Number1, Number2, KeyWords, Notes,
//   FileModifiedDate, FingerPrintData (192 decimals joined by ","), ResX, ResY
// Texts are escaped: CR LF becomes one byte 255, any other LF is dropped, '"' is doubled.
// Import turns every byte 255 back into CR LF.

#include <functional>
#include <string>
#include <string_view>

#include "notes/notes_database.h"
#include "notes/notes_record.h"

namespace vr::notes {

struct NotesTextResult {
  unsigned status = 0;  // 0 complete, 1 stopped by an error
  std::string message;
  long records = 0;  // records written (export) or stored (import)
  long lines = 0;    // lines read (import)
  long skipped = 0;  // export: notes whose path cannot be written as a line
};

// Progress: the number of the record (export) or line (import) being handled, from 1.
using NotesTextProgress = std::function<void(long)>;

NotesTextResult ExportNotesText(NotesDatabase& db, const std::string& path,
                                const NotesTextProgress& progress = {});
NotesTextResult ImportNotesText(NotesDatabase& db, const std::string& path,
                                const NotesTextProgress& progress = {});

// The pieces, for callers and tests.
std::string NotesHeaderLine();  // without the line end
std::string EscapeNotesText(std::string_view text);
std::string NotesRecordLine(const NotesRecord& record);  // without the line end
// Takes one field off the front of `rest` (see the file comment) and gives it unescaped.
std::string ReadNotesField(std::string_view* rest);
// Parses one line (without its line end) into a record; false when the line is to be skipped
// (the header, a blank line, a key that is not a rooted path).
bool ParseNotesLine(std::string_view line, NotesRecord* record);

}  // namespace vr::notes
