#include "app/viewer_parts.h"

#include "lists/files_list.h"
#include "lists/notes_access.h"
#include "lists/recycle/recycle_bin.h"
#include "notes/notes_database.h"
#include "platform/folders.h"

namespace vr::app {
namespace {

class DatabaseNotesService final : public shell::ui::NotesService {
 public:
  ~DatabaseNotesService() override { Close(); }

  // One NotesDatabase object serves the whole run, so a window that holds it stays valid across
  // closes and reopens; only its open state changes.
  bool Open(const std::string& base) override {
    Close();
    if (!db_) db_ = std::make_unique<notes::NotesDatabase>();
    if (db_->OpenNotesDatabase(base) != 0) return false;
    access_ = std::make_unique<lists::DatabaseNotesAccess>(*db_);
    if (on_change_) on_change_(access_.get());
    return true;
  }

  void Close() override {
    // Readers let go of the view before the database goes.
    if (on_change_) on_change_(nullptr);
    access_.reset();
    if (db_ && db_->IsOpen()) db_->CloseNotesDatabase();
  }

  // The database while it is open.
  notes::NotesDatabase* database() const override {
    return db_ && db_->IsOpen() ? db_.get() : nullptr;
  }

  void SetOnChange(std::function<void(lists::NotesAccess*)> on_change) override {
    on_change_ = std::move(on_change);
  }

 private:
  std::unique_ptr<notes::NotesDatabase> db_;
  std::unique_ptr<lists::NotesAccess> access_;
  std::function<void(lists::NotesAccess*)> on_change_;
};

}  // namespace

std::unique_ptr<shell::ui::NotesService> MakeNotesService() {
  return std::make_unique<DatabaseNotesService>();
}

shell::ui::ViewerParts MakeViewerParts(const platform::Services& services) {
  shell::ui::ViewerParts parts;
  lists::ListServices list_services;
  list_services.files = services.files;
  list_services.please_wait = services.please_wait;
  list_services.pump = services.pump;
  list_services.ui = services.ui;
  parts.files_list = std::make_unique<lists::FilesList>(list_services);
  parts.notes = MakeNotesService();
  if (services.files != nullptr && services.folders != nullptr) {
    recycle::BinServices bin_services;
    bin_services.files = services.files;
    bin_services.ui = services.ui;
    // A file the bin deletes for good loses its note. The service outlives the bin: both are
    // the window's, and the bin is declared after it.
    shell::ui::NotesService* notes = parts.notes.get();
    bin_services.delete_note = [notes](const std::string& path) {
      notes::NotesDatabase* db = notes->database();
      if (db != nullptr && db->IsOpen()) db->DeleteNote(path);
    };
    parts.recycle_bin = std::make_unique<recycle::RecycleBin>(
        bin_services, recycle::RecycleBin::FolderIn(services.folders->ProgramFolder()));
  }
  return parts;
}

}  // namespace vr::app
