#include "notes/ui/notes_windows.h"

#include <QDialog>

#include "lists/files_list.h"
#include "lists/notes_access.h"
#include "notes/notes_database.h"
#include "notes/notes_fields.h"
#include "notes/ui/db_edit_menu.h"
#include "notes/ui/db_search_menu.h"
#include "picture/load/loader.h"
#include "picture/ui/preview_panel.h"
#include "platform/path_rules.h"
#include "platform/please_wait.h"
#include "platform/ui.h"

namespace vr::notes {
namespace {

// The search window's preview: the picture's first frame shrunk for the panel, and its facts.
picture::PreviewLoadResult LoadForPreview(const std::string& path, int target) {
  picture::PreviewLoadResult result;
  picture::PreviewRequest request;
  request.target_size = target;
  const picture::PreviewOutcome outcome =
      picture::LoadPreviewPicture(path, result.holder, request, picture::DecodeOptions());
  result.animated_gif = outcome.animated;
  const picture::PictureInfo info = picture::ReadPictureInfo(path);
  result.info_width = info.width;
  result.info_height = info.height;
  result.info_colours = info.colours;
  return result;
}

}  // namespace

NotesWindows::NotesWindows(NotesWindowsHost host)
    : host_(std::move(host)), db_field_(kDefaultDbField) {}

NotesWindows::~NotesWindows() {
  if (host_.files_list != nullptr && host_.files_list->services().notes == access_.get()) {
    host_.files_list->services().notes = nullptr;
  }
}

void NotesWindows::Attach(NotesDatabase* db) {
  if (host_.files_list == nullptr) return;
  host_.files_list->services().notes = nullptr;
  access_.reset();
  if (db == nullptr) return;
  access_ = std::make_unique<lists::DatabaseNotesAccess>(*db, db_field_);
  host_.files_list->services().notes = access_.get();
}

NotesDatabase* NotesWindows::OpenDatabase(bool tell) {
  NotesDatabase* db = host_.database ? host_.database() : nullptr;
  if (db != nullptr && db->IsOpen()) return db;
  if (tell && host_.services.ui != nullptr) host_.services.ui->Warning(kNoDatabaseText);
  return nullptr;
}

int NotesWindows::Exec(QDialog& dialog) { return host_.exec ? host_.exec(dialog) : dialog.exec(); }

void NotesWindows::StoreFailed(const std::string& message) {
  if (host_.services.ui != nullptr) host_.services.ui->Error(message);
}

void NotesWindows::RefreshEntry(const std::string& path) {
  lists::FilesList& list = *host_.files_list;
  const int at = list.FindInFilesList(path);
  if (at < 0) return;
  lists::FileEntry* entry = list.MutablePeek(at);
  if (entry == nullptr) return;
  entry->db_field = access_ ? access_->DbField(path) : std::string();
  if (host_.fields_changed) host_.fields_changed();
}

void NotesWindows::OpenEditor(const std::string& path) {
  NotesDatabase* db = OpenDatabase(true);
  if (db == nullptr) return;
  NotesRecord record;
  db->ReadNote(path, &record);
  TDBEditMenu menu(platform::ShownPath(NoteKey(path)), record, db_field_, *host_.services.ui,
                   host_.parent);
  menu.SetCheckHandler([this](int field, const std::string& value) {
    ApplyToTagged(field, value);
  });
  const int result = Exec(menu);
  if (result == TDBEditMenu::kAcceptField) {
    ChooseDbField(menu.ChosenField());
    return;
  }
  if (result != TDBEditMenu::kAcceptRecord && result != TDBEditMenu::kDeleteRecord) return;
  // Read again: the check buttons may have changed this very note meanwhile.
  NotesRecord stored;
  db->ReadNote(path, &stored);
  if (result == TDBEditMenu::kAcceptRecord) {
    std::string message;
    if (!menu.Collect(&stored, &message)) {
      host_.services.ui->Warning(message);
      return;
    }
  } else {
    // The seven user fields empty; the record stays live with its fingerprint and stamp.
    for (int f = 0; f < kNoteFieldCount; ++f) SetNoteFieldText(&stored, f, "", nullptr);
  }
  const NotesStatus written = db->WriteNote(path, stored);
  if (written.status != 0) StoreFailed(written.message);
  RefreshEntry(path);
}

bool NotesWindows::WriteDbField(const std::string& path, const std::string& text) {
  NotesDatabase* db = OpenDatabase(true);
  if (db == nullptr) return false;
  std::string stored;
  std::string message;
  if (!StoreNoteField(*db, path, db_field_, text, &stored, &message)) {
    StoreFailed(message);
    return false;
  }
  return true;
}

int NotesWindows::ApplyToTagged(int field, const std::string& value) {
  NotesDatabase* db = OpenDatabase(true);
  if (db == nullptr) return 0;
  lists::FilesList& list = *host_.files_list;
  platform::PleaseWait* wait = host_.services.please_wait;
  std::unique_ptr<platform::PleaseWaitScope> scope;
  if (wait != nullptr) scope = std::make_unique<platform::PleaseWaitScope>(*wait, "Processing DataBase");
  int processed = 0;
  for (int i = 0; i < list.Count(); ++i) {
    lists::FileEntry* entry = list.MutablePeek(i);
    if (entry == nullptr || !entry->tagged) continue;
    const std::string path = entry->Path();
    if (wait != nullptr) wait->SetText("Processing File:" + path);
    if (host_.services.pump != nullptr) host_.services.pump->PumpMessages();
    NotesRecord record;
    db->ReadNote(path, &record);
    std::string message;
    if (!SetNoteFieldText(&record, field, value, &message)) {
      host_.services.ui->Warning(message);
      break;
    }
    const NotesStatus written = db->WriteNote(path, record);
    if (written.status != 0) {
      StoreFailed(written.message);
      break;
    }
    ++processed;
    if (field == db_field_ && access_) entry->db_field = access_->DbField(path);
  }
  scope.reset();
  if (host_.fields_changed) host_.fields_changed();
  host_.services.ui->Information("You processed " + std::to_string(processed) + " TAGged files!");
  return processed;
}

void NotesWindows::ChooseDbField(int field) {
  if (field < 0 || field >= kNoteFieldCount) return;
  db_field_ = field;
  Attach(OpenDatabase(false));
  ReloadDbFields();
}

void NotesWindows::ReloadDbFields() {
  lists::FilesList& list = *host_.files_list;
  platform::PleaseWait* wait = host_.services.please_wait;
  std::unique_ptr<platform::PleaseWaitScope> scope;
  if (wait != nullptr) {
    scope = std::make_unique<platform::PleaseWaitScope>(*wait, "Loading DB NOTES from DataBase");
  }
  for (int i = 0; i < list.Count(); ++i) {
    lists::FileEntry* entry = list.MutablePeek(i);
    if (entry == nullptr) continue;
    entry->db_field = access_ ? access_->DbField(entry->Path()) : std::string();
    if (entry->db_field.size() > 200) entry->db_field.resize(200);
    if ((i + 1) % 100 == 0) {
      if (wait != nullptr) wait->SetText("Loading DB NOTES from DataBase:" + std::to_string(i + 1));
      if (host_.services.pump != nullptr) host_.services.pump->PumpMessages();
    }
  }
  scope.reset();
  if (host_.fields_changed) host_.fields_changed();
}

void NotesWindows::OpenSearch() {
  NotesDatabase* db = OpenDatabase(true);
  if (db == nullptr) return;
  SearchMenuServices services;
  services.platform = host_.services;
  services.add_to_files_list = [this](const std::vector<std::string>& paths) {
    AddToFilesList(paths);
  };
  services.make_preview = [](QWidget* parent) {
    return new picture::TPreviewPanel(LoadForPreview, parent);
  };
  TDBSearchMenu menu(*db, std::move(services), host_.parent);
  Exec(menu);
}

bool NotesWindows::AddToFilesList(const std::vector<std::string>& paths) {
  if (paths.empty()) return false;
  const std::string question =
      "You are about to ADD " + std::to_string(paths.size()) +
      " File(s) to the Files List.\r\rDo you wish to clear Files List first?\r\r"
      "YES -- Only these file(s) will be in the Files List.\r"
      "NO -- These file(s) will just be ADDED to the list of files that are already loaded.\r"
      "CANCEL -- Don't do anything. SKIP adding files function.";
  const platform::Answer answer = host_.services.ui->Ask(
      platform::MessageKind::kQuestion, "Confirm", question, platform::kYesNoCancel);
  if (answer == platform::Answer::kCancel) return false;
  lists::FilesList& list = *host_.files_list;
  if (answer == platform::Answer::kYes) list.ClearFilesList();
  list.LoadPaths(paths, kAddThreshold);
  if (host_.list_loaded) host_.list_loaded();
  return true;
}

void NotesWindows::DeleteDatabase() {
  platform::Ui& ui = *host_.services.ui;
  if (ui.Ask(platform::MessageKind::kWarning, "Confirm", kDeleteFirstQuestion,
             platform::kOkCancel) != platform::Answer::kOk) {
    return;
  }
  if (ui.Ask(platform::MessageKind::kWarning, "Confirm", kDeleteSecondQuestion,
             platform::kOkCancel) != platform::Answer::kOk) {
    return;
  }
  host_.files_list->ClearFilesList();
  if (host_.list_loaded) host_.list_loaded();
  const std::string base = host_.base_path ? host_.base_path() : std::string();
  NotesDatabase* db = host_.database ? host_.database() : nullptr;
  Attach(nullptr);
  if (db == nullptr || base.empty() || db->CreateNotesDatabase(base) != 0) {
    ui.Error("The Notes DataBase could not be made anew at " + base + ".");
  }
  if (!host_.reopen || !host_.reopen()) ui.Error("The Notes DataBase could not be opened again.");
}

}  // namespace vr::notes
