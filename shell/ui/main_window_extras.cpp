// The extras as the main window reaches them: protected files (password setup, the files list
// window's protect page and drags), the puzzle window and snapshots.
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "extras/desktop_editors.h"
#include "extras/editor_offer.h"
#include "extras/editors.h"
#include "shell/install.h"
#include "extras/ui/editors_menu.h"
#include "extras/ui/extras_controller.h"
#include "lists/files_list.h"
#include "platform/qt/portal_screenshot.h"
#include "platform/shell_service.h"
#include "platform/ui.h"
#include "shell/settings.h"
#include "shell/ui/artwork.h"
#include "shell/ui/edited_file_watch.h"
#include "platform/path_rules.h"
#include "shell/ui/panes.h"
#include "lists/window/ui/file_list_menu.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {
namespace {

constexpr const char* kPickWindowHint =
    "Picking a window needs an X11 desktop or the desktop's screenshot portal; use Snap Shot Of "
    "An Area instead.";

// The editor entries carry the names and icons of the editors the settings hold; the icons also
// fill the menu images' editor slots.
void RefreshEditorEntries(QObject& window, const Settings& settings,
                          std::vector<QIcon>& menu_icons) {
  for (int slot = 1; slot <= extras::kEditorSlots; ++slot) {
    const std::string& path = settings.editors[static_cast<size_t>(slot - 1)];
    const QIcon icon = extras::ui::EditorIcon(path);
    const size_t image = static_cast<size_t>(kIconEditorSlots + slot - 1);
    if (image < menu_icons.size()) menu_icons[image] = icon;
    if (auto* a = window.findChild<QAction*>(QString("EditWithEditor%1").arg(slot))) {
      a->setText(QString::fromStdString(extras::EditorCaption(slot, path)));
      a->setIcon(icon);
    }
  }
}

}  // namespace

void TVeldrimon69::StartExtras() {
  if (extras_) return;
  extras_ = std::make_unique<extras::ui::ExtrasController>(services_, settings_path_, this,
                                                           options_.exec_dialog);
  RefreshEditorEntries(*this, settings_, menu_icons_);
}

void TVeldrimon69::OfferEditorsAtStart() {
  if (std::any_of(settings_.editors.begin(), settings_.editors.end(),
                  [](const std::string& path) { return !path.empty(); })) {
    return;
  }
  const extras::OfferedEditors offered = extras::OfferEditors(
      extras::SearchDesktopEditors(extras::DesktopEnvironmentFromProcess(), PictureMimeTypes(),
                                   services_.please_wait, services_.pump),
      *services_.ui);
  if (offered.accepted == 0) return;
  std::copy(offered.paths.begin(), offered.paths.end(), settings_.editors.begin());
  WriteEditors(settings_path_, settings_);
  RefreshEditorEntries(*this, settings_, menu_icons_);
}

void TVeldrimon69::PasswordSetupClick() {
  StartExtras();
  extras_->PasswordSetup();
}

void TVeldrimon69::MakeImageAPuzzle1Click() {
  StartExtras();
  extras_->OpenPuzzle(shown_.AsBitmap());
}

void TVeldrimon69::BuildExtrasMenus() {
  using Source = extras::ui::ExtrasController::SnapSource;
  // Takes the snapshot, saves it and shows the saved file (or the current file again).
  auto snap = [this](Source source) {
    StartExtras();
    const std::string saved =
        extras_->TakeSnapshot(source, [this](picture::Bitmap&& captured) {
          shown_.Reset();
          shown_.bitmap = std::move(captured);
          shown_kind_ = 0;
          PictureChanged();
          PanelImage1->SetBitmap(&shown_.bitmap);
        });
    if (saved.empty()) {
      // Nothing was taken or saved: the list's current file again (or nothing).
      ClearPicture();
      if (!files_list_->Empty()) ShowCurrentFile(false, 1);
      return;
    }
    SetSnapshotsThisRun(true);
    files_list_->AddFileToList(1 << 30, saved);
    const int at = files_list_->FindInFilesList(saved);
    if (at >= 0) files_list_->SetCurrent(at);
    if (list_window_) list_window_->ListChanged();
    RefreshNavigation();
    ShowCurrentFile(false, 1);
  };
  auto entry = [this, snap](QMenu* menu, const char* name, const char* caption, Source source) {
    QAction* a = menu->addAction(QString::fromLatin1(caption));
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, [snap, source] { snap(source); });
    return a;
  };
  // In the File menu before its last group (the Notes database entries and Exit).
  QMenu* snaps = new QMenu("S&nap Shots Functions", file_menu_);
  const QList<QAction*> file_actions = file_menu_->actions();
  file_menu_->insertMenu(file_actions.size() > 8 ? file_actions[file_actions.size() - 8] : nullptr,
                         snaps);
  entry(snaps, "SnapShotScreen", "Snap Shot From &Screen", Source::kScreen);
  entry(snaps, "SnapShotHidden", "Snap Shot From Screen (&Hidden)", Source::kScreenHidden);
  entry(snaps, "SnapShotClipBoard", "Snap Shot From &ClipBoard", Source::kClipboard);
  // Picking a window needs X11 or the desktop's screenshot portal (its interactive mode);
  // elsewhere the entry stays off and says what to use instead.
  QAction* pick = entry(snaps, "SnapShotWindow", "Snap Shot Of A &Window", Source::kWindow);
  if (!platform::CanPickWindows()) {
    pick->setEnabled(false);
    pick->setStatusTip(kPickWindowHint);
    pick->setToolTip(kPickWindowHint);
  }
  entry(snaps, "SnapShotArea", "Snap Shot Of An &Area", Source::kArea);
  edit_menu_->addSeparator();
  entry(edit_menu_, "PasteImage", "&Paste Image From ClipBoard", Source::kClipboard);

  // External editors: the file's type editor or a given slot; the viewer waits hidden.
  edit_menu_->addSeparator();
  auto run_editor = [this](int asked) {
    const std::string path = files_list_->FilePathAt(files_list_->Current());
    if (files_list_->Empty() || path == lists::kNoFile) return;
    extras::EditorTable table;
    std::copy(settings_.editors.begin(), settings_.editors.end(), table.paths.begin());
    table.type_entries.assign(settings_.type_editors.begin(), settings_.type_editors.end());
    const extras::EditPlan plan = extras::PlanEdit(table, path, asked);
    if (!plan.ok) {
      services_.ui->Information(plan.message);
      return;
    }
    hide();
    setEnabled(false);
    const std::vector<std::string> args(plan.command.begin() + 1, plan.command.end());
    const int code = services_.shell->RunAndWaitWithEvents(plan.command[0], args, plan.folder);
    setEnabled(true);
    show();
    activateWindow();
    if (code == -1) {
      services_.ui->Warning(extras::EditorFailedText(plan.editor, path));
    } else {
      // An editor that handed the file to a copy of itself already running saves later: each
      // change shows the file again while it is the one shown.
      if (edit_watch_ == nullptr) {
        edit_watch_ = new EditedFileWatch(
            [this](const std::string& changed) {
              if (platform::SamePath(files_list_->FilePathAt(files_list_->Current()), changed)) {
                ShowCurrentFile(true, 1);
              }
            },
            this);
      }
      edit_watch_->Watch(path);
    }
    ShowCurrentFile(false, 1);  // the editor's changes
  };
  QAction* current = edit_menu_->addAction("&Edit Current File");
  current->setObjectName("EditCurrentFile");
  connect(current, &QAction::triggered, this, [run_editor] { run_editor(0); });
  for (int slot = 1; slot <= extras::kEditorSlots; ++slot) {
    QAction* a = edit_menu_->addAction(QString::fromStdString(extras::EditorCaption(slot, "")));
    a->setObjectName(QString("EditWithEditor%1").arg(slot));
    connect(a, &QAction::triggered, this, [run_editor, slot] { run_editor(slot); });
  }
  QAction* options = edit_menu_->addAction("Editor &Options Window");
  options->setObjectName("EditorOptions");
  connect(options, &QAction::triggered, this, [this] {
    extras::ui::EditorSettings current;
    std::copy(settings_.editors.begin(), settings_.editors.end(), current.paths.begin());
    std::copy(settings_.editor_quoted.begin(), settings_.editor_quoted.end(),
              current.quoted.begin());
    current.type_entries.assign(settings_.type_editors.begin(), settings_.type_editors.end());
    extras::ui::TEditorsMenu window(current, *services_.ui, this);
    options_.exec_dialog(window);
    const extras::ui::EditorSettings chosen = window.Result();
    std::copy(chosen.paths.begin(), chosen.paths.end(), settings_.editors.begin());
    std::copy(chosen.quoted.begin(), chosen.quoted.end(), settings_.editor_quoted.begin());
    for (size_t i = 0; i < settings_.type_editors.size() && i < chosen.type_entries.size(); ++i) {
      settings_.type_editors[i] = chosen.type_entries[i];
    }
    WriteEditors(settings_path_, settings_);
    RefreshEditorEntries(*this, settings_, menu_icons_);
  });
  auto* button = new QToolButton(view_bar_);
  button->setObjectName("TBSnapShot");
  button->setIcon(button_icons_[kImageFullScreen]);
  button->setToolTip("Snap Shot From Screen (Hidden)");
  view_bar_->addWidget(button);
  connect(button, &QToolButton::clicked, this, [snap] { snap(Source::kScreenHidden); });
}

void TVeldrimon69::AddExtrasListServices(list_window::ListWindowServices& services) {
  StartExtras();
  extras::ProtectionSession& session = extras_->protection();
  services.begin_protect = [&session](bool protect) { return session.BeginProtect(protect); };
  services.protect_file = [&session](const std::string& path, bool protect,
                                     std::string* new_path) {
    return session.ProtectFile(path, protect, new_path);
  };
  services.usable_drag = [&session](const std::vector<std::string>& paths) {
    return session.UsableDragFiles(paths);
  };
}

}  // namespace vr::shell::ui
