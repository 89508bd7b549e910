// The Notes database of the main window and its link to the files list ("DB Field" column,
// notes-only loads), and the main menu's database entries.
#include "lists/files_list.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/files_table_model.h"
#include "notes/notes_database.h"
#include "notes/ui/notes_windows.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

// The one NotesDatabase object lives for the run, so every window holding it stays valid across
// closes and reopens; only its open state changes.
bool TVeldrimon69::OpenNotes(const std::string& base) {
  CloseNotes();
  if (!notes_) notes_ = std::make_unique<notes::NotesDatabase>();
  if (notes_->OpenNotesDatabase(base) != 0) return false;
  notes_windows_->Attach(notes_.get());
  return true;
}

void TVeldrimon69::CloseNotes() {
  notes_windows_->Attach(nullptr);
  if (notes_ && notes_->IsOpen()) notes_->CloseNotesDatabase();
}

void TVeldrimon69::MakeNotesWindows() {
  notes::NotesWindowsHost host;
  host.services = services_;
  host.files_list = files_list_.get();
  host.database = [this] { return notes_.get(); };
  host.base_path = [this] { return services_.folders->ProgramFolder() + settings_.database_name; };
  host.reopen = [this] { return OpenNotes(services_.folders->ProgramFolder() + settings_.database_name); };
  host.fields_changed = [this] {
    if (list_window_) list_window_->model().Refresh();
  };
  host.list_loaded = [this] { FinishListLoad(); };
  host.exec = options_.exec_dialog;
  host.parent = this;
  notes_windows_ = std::make_unique<notes::NotesWindows>(std::move(host));
}

void TVeldrimon69::DeleteNotesDataBase1Click() { notes_windows_->DeleteDatabase(); }

void TVeldrimon69::SearchDataBase1Click() { notes_windows_->OpenSearch(); }

void TVeldrimon69::CompactDataBase1Click() { notes_windows_->OpenCompaction(); }

}  // namespace vr::shell::ui
