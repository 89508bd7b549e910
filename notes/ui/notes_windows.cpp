#include "notes/ui/notes_windows.h"

#include <QDialog>

#include "lists/files_list.h"
#include "lists/notes_access.h"
#include "notes/notes_database.h"
#include "notes/notes_fields.h"
#include "notes/notes_relink.h"
#include "notes/ui/compact_menu.h"
#include "notes/ui/db_edit_menu.h"
#include "notes/ui/db_search_menu.h"
#include "lists/search/fingerprint.h"
#include "picture/load/loader.h"
#include "picture/ui/preview_panel.h"
#include "platform/folders.h"
#include "platform/path_rules.h"
#include "platform/shell_service.h"
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

// The re-link step's questions, choice box and progress through the platform services.
RelinkHooks UiRelinkHooks(const platform::Services& services,
                          std::function<void(const std::string&)> report_line) {
  RelinkHooks hooks;
  hooks.files = services.files;
  platform::Ui* ui = services.ui;
  hooks.ask_link = [ui](const std::string& found, const std::string& orphan) {
    return ui->AskYesNo("Do you wish to LINK the file named " + found +
                        " to the DataBase record for " + platform::ShownPath(orphan) + "?");
  };
  hooks.ask_renamed = [ui](const std::string& found, const std::string& orphan,
                          const std::string& why) {
    return ui->AskYesNo("Do you wish to LINK the file named " + found +
                        " to the DataBase record for " + platform::ShownPath(orphan) + "?\r\r" +
                        why);
  };
  hooks.picture_size = [](const std::string& path, int* width, int* height) {
    const picture::PictureInfo info = picture::ReadPictureInfo(path);
    *width = info.width;
    *height = info.height;
    return info.opened && info.width > 0 && info.height > 0;
  };
  hooks.make_print = [](const std::string& path,
                        std::array<uint8_t, kFingerPrintBytes>* print) {
    const search::MadePrint made = search::MakeFingerPrint(path);
    if (made.failed) return false;
    search::PrintToStored(made.print, print);
    return true;
  };
  platform::Files* files = services.files;
  hooks.choose_action = [ui, files](const std::string& orphan, bool* confirmed) {
    const std::string folder = platform::ShownPath(std::string(FolderOfKey(orphan)));
    const std::string drive = DriveRootOf(orphan, files->Drives());
    const std::string text =
        "You can choose 1 of 4 options to continue:\r\r1) Continue searching normally\r2) Skip "
        "matching files in the " + folder + " folder?\r3) Skip matching files in the " + drive +
        " Drive?\r4) Skip resolving of all ORPHANS now!";
    const int pick = ui->Choice("Select Action To Take:", platform::ChoiceKind::kInformation, text,
                                {"Skip All", "Skip Drive", "Skip Folder", "+Continue"});
    using Action = RelinkHooks::Action;
    const Action action = pick == 1   ? Action::kSkipAll
                          : pick == 2 ? Action::kSkipDrive
                          : pick == 3 ? Action::kSkipFolder
                                      : Action::kContinue;
    *confirmed = false;
    if (action == Action::kSkipFolder) {
      *confirmed = ui->AskYesNo("You are about to skip ORPHANS in the folder:\r\r" + folder +
                                "\r\rfrom being resolved. Do you wish to skip it?");
    } else if (action == Action::kSkipDrive) {
      *confirmed = ui->AskYesNo("You are about to skip ORPHANS on the drive:\r\r" + drive +
                                "\r\rfrom being resolved. Do you wish to skip it?");
    } else if (action == Action::kSkipAll) {
      *confirmed = ui->AskYesNo(
          "You are about to skip the rest of the ORPHANS from being resolved.\r\rDo you wish "
          "to skip?");
    }
    return action;
  };
  platform::PleaseWait* wait = services.please_wait;
  platform::MessagePump* pump = services.pump;
  hooks.status = [wait](const std::string& text) {
    if (wait != nullptr) wait->SetText(text);
  };
  hooks.pump_and_poll_stop = [wait, pump] {
    if (pump != nullptr) pump->PumpMessages();
    if (wait == nullptr || !wait->StopRequested()) return false;
    wait->ClearStop();  // "Skip Drive" ends this drive only
    return true;
  };
  hooks.report_line = std::move(report_line);
  hooks.inform = [ui](const std::string& text) { ui->Information(text); };
  platform::ShellService* shell = services.shell;
  hooks.open_text_file = [shell](const std::string& path) {
    if (shell != nullptr) shell->OpenDocument(path);
  };
  if (services.folders != nullptr) hooks.temp_folder = services.folders->TempFolder();
  return hooks;
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

void NotesWindows::OpenCompaction() {
  NotesDatabase* db = OpenDatabase(true);
  if (db == nullptr) return;
  const std::string base = db->BasePath();
  platform::Ui* ui = host_.services.ui;
  auto run = [this, db, base, ui](const TCompactMenu::Reports& reports) {
    Attach(nullptr);
    db->CloseNotesDatabase();
    CompactionCallbacks callbacks;
    callbacks.report_error = reports.error;
    callbacks.report_number = reports.number;
    callbacks.report_line = reports.line;
    RelinkHooks hooks = UiRelinkHooks(host_.services, reports.line);
    hooks.link_sure_matches = reports.link_sure_matches;
    callbacks.relink = [&hooks, ui, this](std::vector<std::string>* orphans, NotesDatabase& main,
                                         NotesDatabase& temp) -> long {
      if (orphans->empty() || hooks.files == nullptr) return 0;
      ui->Information(kRelinkIntroText);
      std::unique_ptr<platform::PleaseWaitScope> scope;
      if (host_.services.please_wait != nullptr) {
        scope = std::make_unique<platform::PleaseWaitScope>(*host_.services.please_wait,
                                                            "Resolving...", "Skip Drive");
      }
      return RelinkOrphans(orphans, main, temp, hooks);
    };
    const CompactionResult result = CompactNotesDatabase(base, callbacks);
    if (!host_.reopen || !host_.reopen()) ui->Error("The Notes DataBase could not be opened again.");
    ReloadDbFields();
    return result.relinked;
  };
  platform::MessagePump* pump = host_.services.pump;
  TCompactMenu menu(
      static_cast<long>(db->RecordCount()), run,
      [pump] {
        if (pump != nullptr) pump->PumpMessages();
      },
      [ui](const std::string& text) { ui->Error(text); }, host_.parent);
  Exec(menu);
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
  // Closed first, so the kept set holds everything written so far.
  if (db != nullptr && db->IsOpen()) db->CloseNotesDatabase();
  // The new set is written beside and renamed over, so the kept links still hold the old one.
  if (!base.empty()) KeepPreviousSet(base);
  if (db == nullptr || base.empty() || db->CreateNotesDatabase(base) != 0) {
    ui.Error("The Notes DataBase could not be made anew at " + base + ".");
  }
  if (!host_.reopen || !host_.reopen()) ui.Error("The Notes DataBase could not be opened again.");
}

}  // namespace vr::notes
