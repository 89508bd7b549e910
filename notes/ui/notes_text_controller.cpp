#include "notes/ui/notes_text_controller.h"

#include "notes/notes_database.h"
#include "notes/notes_text.h"
#include "platform/folders.h"
#include "platform/please_wait.h"
#include "platform/ui.h"

namespace vr::notes {

NotesTextController::NotesTextController(platform::Services services,
                                         std::function<NotesDatabase*()> database,
                                         std::function<void(bool on)> enable_menus)
    : services_(services), database_(std::move(database)), enable_menus_(std::move(enable_menus)) {}

NotesDatabase* NotesTextController::OpenDatabase() const {
  NotesDatabase* notes = database_ ? database_() : nullptr;
  return notes != nullptr && notes->IsOpen() ? notes : nullptr;
}

// Export and import run with the menus disabled and their progress in the please-wait window.
void NotesTextController::Run(bool exporting, const std::string& path) {
  NotesDatabase* notes = database_ ? database_() : nullptr;
  if (notes == nullptr) return;
  platform::PleaseWait* wait = services_.please_wait;
  enable_menus_(false);
  if (wait != nullptr) {
    wait->ClearStop();
    wait->SetText(exporting ? "EXPORTING DATABASE...\rExporting records..."
                            : "IMPORTING DATABASE...\rImporting records...");
    wait->Show();
  }
  const long total = notes->NoteCount();
  auto progress = [&](long n) {
    if (n % 200 != 0) return;
    if (wait != nullptr) {
      wait->SetText((exporting ? "Exporting records... " : "Importing records... ") +
                    std::to_string(n) + (exporting ? " of " + std::to_string(total) : ""));
    }
    if (services_.pump != nullptr) services_.pump->PumpMessages();
  };
  const NotesTextResult result = exporting ? ExportNotesText(*notes, path, progress)
                                           : ImportNotesText(*notes, path, progress);
  if (wait != nullptr) wait->Hide();
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
