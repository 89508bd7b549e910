// The Notes database of the main window: the composition root's service opens and closes it and
// keeps the files list's view ("DB Field" column, notes-only loads) in step.
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

bool TVeldrimon69::OpenNotes(const std::string& base) { return notes_->Open(base); }

void TVeldrimon69::CloseNotes() { notes_->Close(); }

}  // namespace vr::shell::ui
