#include "lists/notes_access.h"

#include "notes/notes_database.h"
#include "notes/notes_fields.h"
#include "notes/notes_record.h"

namespace vr::lists {

DatabaseNotesAccess::DatabaseNotesAccess(notes::NotesDatabase& db, int field)
    : db_(db), field_(field >= 0 && field < notes::kNoteFieldCount ? field : notes::kDefaultDbField) {}

bool DatabaseNotesAccess::HasNote(const std::string& path) {
  if (!db_.IsOpen()) return false;
  notes::NotesRecord record;
  return db_.ReadNote(path, &record).status == 0 && record.live_flag == notes::kLive;
}

std::string DatabaseNotesAccess::DbField(const std::string& path) {
  if (!db_.IsOpen()) return {};
  notes::NotesRecord record;
  if (db_.ReadNote(path, &record).status != 0 || record.live_flag != notes::kLive) return {};
  return notes::NoteFieldText(record, field_);
}

void DatabaseNotesAccess::WalkKeys(
    const std::function<bool(const std::string& key, bool live)>& visit) {
  if (!db_.IsOpen()) return;
  notes::NotesRecord record;
  std::string folder;
  for (unsigned status = db_.FirstNote(&record, &folder); status == 0;
       status = db_.NextNote(&record, &folder)) {
    if (notes::IsSentinelKey(record.file_name_key)) break;
    if (!visit(record.file_name_key, record.live_flag == notes::kLive)) break;
  }
}

}  // namespace vr::lists
