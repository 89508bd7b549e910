// The Notes database of the main window: the composition root's service opens and closes it
// and keeps the files list's view ("DB Field" column, notes-only loads) in step through the Notes
// windows, which also serve the main menu's database entries.
#include "lists/files_list.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/files_table_model.h"
#include "notes/notes_database.h"
#include "notes/ui/notes_windows.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

bool TVeldrimon69::OpenNotes(const std::string& base) { return notes_->Open(base); }

void TVeldrimon69::CloseNotes() { notes_->Close(); }

void TVeldrimon69::MakeNotesWindows() {
  notes::NotesWindowsHost host;
  host.services = services_;
  host.files_list = files_list_.get();
  host.database = [this] { return notes_->database(); };
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
