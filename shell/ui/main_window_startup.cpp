// The main window's start-up and shutdown: the start-up sequence once the window exists, the
// first-run set-up and the "Set&up" entries, the close query and the close, and the test state
// file written on changes.
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "lists/files_list.h"
#include "lists/recycle/recycle_bin.h"
#include "lists/recycle/ui/recycle_controller.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/preview_form.h"
#include "notes/notes_database.h"
#include "picture/kinds.h"
#include "platform/folders.h"
#include "platform/shell_service.h"
#include "platform/temp_sweep.h"
#include "platform/ui.h"
#include "shell/install.h"
#include "shell/ui/artwork.h"
#include "shell/ui/list_window_settings.h"
#include "shell/ui/main_window.h"
#include "shell/ui/setup_file_types.h"

namespace vr::shell::ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void TVeldrimon69::RunStartupSequence() {
  try {
    // The hint colour.
    ApplyHintColour();
    // Large fonts, the settings file's name and its path in the program folder.
    ReadLargeFonts();
    settings_name_ = SettingsFileName(options_.args);
    settings_path_ = SettingsPath(services_.folders->ProgramFolder(), settings_name_);
    // The cursors and the menu images (the button images were cut when the tool bars
    // were built).
    cursors_ = LoadCursors();
    menu_icons_ = LoadMenuImages(DisplayDepth());
    // An empty picture and its status.
    ClearPicture();
    UpdateStatusAndCaption();
    // The drive-loading menu.
    BuildDriveMenu();
    // The settings, shown in the menus.
    settings_ = ReadSettings(settings_path_);
    StartExtras();
    OfferEditorsAtStart();
    ApplySettingsToMenus();
    // No navigation yet; the window stays as wide as its Load button; the fit view.
    TBPrev->setEnabled(false);
    TBNext->setEnabled(false);
    files_list_->SetCurrent(0);
    setMinimumWidth(load_bar_->geometry().left() + TBLoad->geometry().left() + 16);
    SelectView(View::kFit);
    // The scratch file, the Notes database and the recycle bin.
    scratch_ = services_.folders->CreateTempFile("~LS", ".TMP");
    OpenNotes(services_.folders->ProgramFolder() + settings_.database_name);
    StartRecycleBin();
    // Large fonts widen the tool bars.
    ApplyLargeFonts();
    // The command line's files and folders, the "/INI:" switch left out.
    const std::vector<std::string> paths = CommandLinePaths(options_.args);
    if (!paths.empty()) {
      files_list_->LoadPaths(paths, 100, 0);
      files_list_->SetCurrent(0);
    }
    // The menu images on the menus.
    AttachMenuImages();
    // The version and install check, and the first-run setup.
    if (options_.register_file_types) {
      registrar_ = std::make_unique<FileTypeRegistrar>(
          *services_.shell, FileTypeRegistrar::DefaultDataHome(), options_.program_path);
    }
    if (RunVersionCheck(*services_.ui, services_.sounds, registrar_.get(), settings_path_,
                        settings_)) {
      RunFirstRunSetup();
    }
    // The picture's right-click menu; keep aspect ratio and smoothing switched on.
    BuildPictureMenu();
    keep_aspect_ = false;
    smooth_ = false;
    ToolButton1Click();
    ToolButton2Click();
    // The navigation and the status for the loaded list.
    RefreshNavigation();
    UpdateStatusAndCaption();
    // The update reminder.
    RunUpdateReminder(*services_.ui, *services_.shell, settings_path_, settings_, options_.today());
  } catch (...) {
    // Start-up goes on with what was prepared.
  }
  if (picture_menu_ == nullptr) BuildPictureMenu();
  if (recycle_->bin() == nullptr) StartRecycleBin();
  StartListWindow();
  if (!files_list_->Empty()) {
    // Shown from the message loop; the show makes a hidden window visible with its picture.
    QTimer::singleShot(0, this, [this] {
      ShowCurrentFile(false, 1);
      if (isHidden()) show();
    });
  }
}

void TVeldrimon69::StartRecycleBin() { recycle_->Start(); }

void TVeldrimon69::RunFirstRunSetup() {
  const std::string readme = services_.folders->ProgramFolder() + "README.TXT";
  if (!QFileInfo::exists(Q(readme))) {
    // The program's own copy is built in; put it where the user can find it.
    QFile::copy(":/veldrimon/README.TXT", Q(readme));
    QFile::setPermissions(
        Q(readme), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  }
  services_.shell->OpenDocument(readme);
  RunSetupFileTypesWindow();
}

bool TVeldrimon69::RunSetupFileTypesWindow() {
  TSetupFileTypes window(this);
  if (options_.exec_dialog(window) != QDialog::Accepted) return false;
  if (registrar_ != nullptr && registrar_->Register(window.CheckedMimeTypes())) {
    WriteRegistrationVersion(settings_path_, kProgramVersion);
  }
  return true;
}

void TVeldrimon69::SetupFileTypesClick() { RunSetupFileTypesWindow(); }

void TVeldrimon69::UnInstallClick() {
  if (Uninstall(*services_.ui, registrar_.get(), services_.folders->ProgramFolder(), settings_path_,
                settings_name_, settings_)) {
    uninstalled_ = true;
    close();
  }
}

void TVeldrimon69::ClearHistoryClick() {
  if (ClearHistory(*services_.ui, settings_, settings_path_)) {
    RefreshRecentMenus();
    if (list_window_) ApplyTagFolders(settings_, *list_window_);
  }
}

void TVeldrimon69::SetMultiLoad(int mode) {
  settings_.multi_load = mode;
  WriteMultiLoad(settings_path_, mode);
}

bool TVeldrimon69::FormCloseQuery() {
  if (!menus_enabled_ || show_pipeline_.busy()) {
    services_.ui->Warning(kBusyCloseWarning);
    StopAnimation();
    if (full_screen_->looping()) full_screen_->SetRequest(kRequestStop);
    return false;
  }
  if (recycle_->window() != nullptr || (sub_window_open_ && sub_window_open_())) {
    services_.ui->Warning(kSubWindowCloseWarning);
    return false;
  }
  return true;
}

void TVeldrimon69::FormClose() {
  closing_ = true;
  if (full_screen_->looping()) full_screen_->SetRequest(kRequestStop);
  if (uninstalled_ || !settings_.installed) return;
  try {
    // The picture preview windows go first.
    if (list_window_ != nullptr) list_window_->previews().RemoveAllPreviews();
    CloseNotes();
    scratch_.Remove();
    const std::string temp = services_.folders->TempFolder();
    platform::SweepSpecialTempFiles();
    recycle_->ShutdownReminder(options_.exec_dialog);
    auto delete_matching = [&temp](const std::string& prefix, const std::string& suffix) {
      std::error_code ec;
      for (const auto& entry : std::filesystem::directory_iterator(temp, ec)) {
        const std::string n = picture::UpperAscii(entry.path().filename().string());
        if (n.rfind(prefix, 0) == 0 && n.size() >= prefix.size() + suffix.size() &&
            n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0) {
          std::filesystem::remove(entry.path(), ec);
        }
      }
    };
    if (scanned_ && services_.ui->Choice("Warning", platform::ChoiceKind::kWarning, kScansQuestion,
                                         {"+Delete Temp Scans", "-Leave Temp Scans"}) == 1) {
      delete_matching("~SCAN", ".BMP");
    }
    if (snapshots_ &&
        services_.ui->Choice("Warning", platform::ChoiceKind::kWarning, kSnapshotsQuestion,
                             {"+Delete Temp SnapShots", "-Leave Temp SnapShots"}) == 1) {
      delete_matching("~SCREEN", "");
    }
    ReadMenusIntoSettings();
    SaveListWindowState();
    WriteSettings(settings_path_, settings_);
    RecordRegistrationVersion(settings_path_);
  } catch (...) {
    // Shutdown goes on.
  }
  WriteStateFile();
}

void TVeldrimon69::closeEvent(QCloseEvent* event) {
  if (!uninstalled_ && !FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TVeldrimon69::WriteStateFile() const {
  if (options_.state_file.empty()) return;
  std::string text;
  text += "count=" + std::to_string(files_list_->Count()) + "\n";
  text += "current=" + std::to_string(files_list_->Current()) + "\n";
  text += "caption=" + caption_ + "\n";
  text += "closing=" + std::string(closing_ ? "1" : "0") + "\n";
  text += "minimised=" + std::string(isMinimized() ? "1" : "0") + "\n";
  const QRect frame = frameGeometry();
  text += "window=" + std::to_string(frame.left()) + " " + std::to_string(frame.top()) + " " +
          std::to_string(frame.width()) + " " + std::to_string(frame.height()) + "\n";
  for (int i = 0; i < files_list_->Count(); ++i) {
    text += "entry=" + files_list_->FilePathAt(i) + "\n";
  }
  for (const std::string& arg : options_.args) text += "argument=" + arg + "\n";
  for (const std::string& line : received_) text += "received=" + line + "\n";
  // Written aside and renamed, so a reader never sees half a state.
  const std::string temp = options_.state_file + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::error_code ec;
  std::filesystem::rename(temp, options_.state_file, ec);
}

}  // namespace vr::shell::ui
