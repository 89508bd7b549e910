// The main window's recycle bin (made by the composition root, started at start-up) and the
// Notes export and import entries: thin links to their controllers.
#include "lists/files_list.h"
#include "lists/recycle/ui/recycle_controller.h"
#include "notes/ui/notes_text_controller.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

recycle::RecycleBin* TVeldrimon69::recycle_bin() const { return recycle_->bin(); }
recycle::TRecycleBinMenu* TVeldrimon69::recycle_window() const { return recycle_->window(); }
bool TVeldrimon69::bin_shown_full() const { return recycle_->shown_full(); }
void TVeldrimon69::ShowBinState(bool full) { recycle_->ShowState(full); }

void TVeldrimon69::TBUnDeleteClick() {
  recycle_->OpenWindow([this](const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    files_list_->LoadPaths(paths, 100);
    RefreshNavigation();
    UpdateStatusAndCaption();
  });
}

void TVeldrimon69::ExportDataBase1Click() { notes_text_->ExportClick(); }
void TVeldrimon69::ImportDataBase1Click() { notes_text_->ImportClick(); }

}  // namespace vr::shell::ui
