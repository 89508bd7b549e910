#include "notes/ui/notes_text_controller.h"

#include "notes/notes_database.h"
#include "notes/notes_text.h"
#include "platform/folders.h"
#include "notes/ui/compact_menu.h"
#include "platform/please_wait.h"
#include "platform/ui.h"

namespace vr::notes {

NotesTextController::NotesTextController(platform::Services services,
                                         std::function<NotesDatabase*()> database,
                                         std::function<void(bool on)> enable_menus,
                                         QWidget* parent)
    : services_(services),
      database_(std::move(database)),
      enable_menus_(std::move(enable_menus)),
      parent_(parent) {}

NotesDatabase* NotesTextController::OpenDatabase() const {
  NotesDatabase* notes = database_ ? database_() : nullptr;
  return notes != nullptr && notes->IsOpen() ? notes : nullptr;
}

// Export and import run with the menus disabled and their progress in the compaction window,
// which shows the record (or line) number and lets the message loop run every 250 records (every
// 100 lines). The number is set when the loop runs: nothing is drawn in between.
void NotesTextController::Run(bool exporting, const std::string& path) {
  NotesDatabase* notes = database_ ? database_() : nullptr;
  if (notes == nullptr) return;
  enable_menus_(false);
  TCompactMenu window(0, {}, {}, {}, parent_);
  window.BeginTextRun(exporting ? "EXPORTING DATABASE..." : "IMPORTING DATABASE...",
                      exporting ? "Exporting records..." : "Importing records...",
                      exporting ? std::to_string(notes->NoteCount())
                                : "All DataBase Lines In Text File");
  const long every = exporting ? 250 : 100;
  long last = 0;
  auto progress = [&](long n) {
    last = n;
    if (n % every != 0) return;
    window.ShowNumber(n);
    if (services_.pump != nullptr) services_.pump->PumpMessages();
  };
  const NotesTextResult result = exporting ? ExportNotesText(*notes, path, progress)
                                           : ImportNotesText(*notes, path, progress);
  window.ShowNumber(last);
  window.EndTextRun();
  enable_menus_(true);
  if (result.status == 0) {
    services_.ui->Information(result.message);
  } else {
    services_.ui->Warning(result.message);
  }
}

void NotesTextController::ExportClick() {
  if (OpenDatabase() == nullptr) return;
  platform::FileDialogOptions options;
  options.title = "Export DataBase To Comma Delimited TEXT File";
  options.folder = services_.folders->ProgramFolder();
  options.file_name = "*.TXT";
  options.filters = {{"Text File", "*.txt *.TXT"}};
  const auto path = services_.ui->SaveFile(options);
  if (path && !path->empty()) Run(true, *path);
}

void NotesTextController::ImportClick() {
  if (OpenDatabase() == nullptr) return;
  platform::FileDialogOptions options;
  options.title = "Import DataBase From Comma Delimited TEXT File";
  options.folder = services_.folders->ProgramFolder();
  options.filters = {{"Text File", "*.txt *.TXT"}};
  const auto paths = services_.ui->OpenFiles(options);
  if (!paths.empty()) Run(false, paths.front());
}

}  // namespace vr::notes
