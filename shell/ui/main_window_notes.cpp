// The Notes database of the main window and its link to the files list ("DB Field" column,
// notes-only loads).
#include "lists/files_list.h"
#include "lists/notes_access.h"
#include "notes/notes_database.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

bool TVeldrimon69::OpenNotes(const std::string& base) {
  CloseNotes();
  auto db = std::make_unique<notes::NotesDatabase>();
  if (db->OpenNotesDatabase(base) != 0) return false;
  notes_ = std::move(db);
  notes_access_ = std::make_unique<lists::DatabaseNotesAccess>(*notes_);
  files_list_->services().notes = notes_access_.get();
  return true;
}

void TVeldrimon69::CloseNotes() {
  files_list_->services().notes = nullptr;
  notes_access_.reset();
  if (notes_) {
    notes_->CloseNotesDatabase();
    notes_.reset();
  }
}

}  // namespace vr::shell::ui
