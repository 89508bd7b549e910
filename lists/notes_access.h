#pragma once
// The files list's view of the Notes database.

#include <string>

#include "lists/files_list.h"

namespace vr::notes {
class NotesDatabase;
struct NotesRecord;
}  // namespace vr::notes

namespace vr::lists {

class DatabaseNotesAccess : public NotesAccess {
 public:
  // `field` (0 to 6, see notes/notes_fields.h) picks the note's field shown in the "DB Field"
  // column, numbers as decimal text; the notes text by default.
  explicit DatabaseNotesAccess(notes::NotesDatabase& db, int field = 6);

  bool HasNote(const std::string& path) override;
  std::string DbField(const std::string& path) override;
  int field() const { return field_; }
  void WalkKeys(const std::function<bool(const std::string& key, bool live)>& visit) override;

 private:
  notes::NotesDatabase& db_;
  int field_;
};

}  // namespace vr::lists
