// The web page wizard "Web Page Creation Wizard" as the viewer opens it.
#include <algorithm>

#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "lists/window/ui/file_list_menu.h"
#include "notes/notes_database.h"
#include "platform/please_wait.h"
#include "platform/ui.h"
#include "shell/ui/main_window.h"
#include "web/add_files.h"
#include "web/ftp/ui/ftp_publisher.h"
#include "web/ui/web_page_menu.h"

namespace vr::shell::ui {

// The wizard's tool button beside the album manager's; its text names it for the keyboard and
// for scripts, its image is the desktop's network folder.
void TVeldrimon69::AddWebPagesButton() {
  QToolButton* button = AddButton(load_bar_, Act::kWebPagesFromFiles1);
  button->setIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
  button->setText("Web Pages");
}

void TVeldrimon69::WebPagesFromFiles1Click() {
  web::ui::WebWindowServices services;
  services.platform = services_;
  // The "WebFolders" keys, in the same order in the settings and the wizard.
  web::ui::WebFolderKeys keys;
  std::copy(settings_.web.begin(), settings_.web.end(), keys.begin());
  services.keys = &keys;
  services.hide_others = [this, main = false, list = false](bool hide) mutable {
    if (hide) {
      main = isVisible();
      list = list_window_ && list_window_->isVisible();
      if (list) list_window_->hide();
      if (main) this->hide();
    } else {
      if (main) show();
      if (list && list_window_) list_window_->show();
    }
  };
  // The files list's pictures go in through the files list window's copy (its overwrite
  // question, the note copied along); other kinds are converted.
  services.add_files = [this](int what, const std::string& folder) {
    platform::Ui& ui = *services_.ui;
    list_window::TagOperations& operations = EnsureListWindow().tag_ops();
    platform::ConfirmScope overwrite(ui);
    platform::ConfirmScope companions(ui);
    web::AddFilesHooks hooks;
    hooks.copy = [&](const std::string& source, const std::string& target) {
      return operations.TransferOne(source, target, false, overwrite, companions) ==
             list_window::TagOperations::Outcome::kDone;
    };
    hooks.may_overwrite = [&](const std::string& target) {
      return overwrite.Confirm(platform::MessageKind::kQuestion, "Confirm",
                               "File ALREADY exists in destination. Would you like to OVERWRITE "
                               "the file?\r\r" + target);
    };
    hooks.inform = [&ui](const std::string& text) { ui.Information(text); };
    hooks.warn = [&ui](const std::string& text) { ui.Warning(text); };
    platform::PleaseWait* wait = services_.please_wait;
    if (wait != nullptr) {
      wait->ClearStop();
      wait->Show();
      hooks.status = [wait](const std::string& text) { wait->SetText(text); };
      hooks.cancelled = [wait] { return wait->StopRequested(); };
    }
    if (services_.pump != nullptr) hooks.pump = [this] { services_.pump->PumpMessages(); };
    web::AddFilesToWebFolder(*files_list_, what, web::WebFolder(folder), hooks);
    if (wait != nullptr) wait->Hide();
  };
  services.caption = [this](const std::string& path) {
    notes::NotesDatabase* db = notes_->database();
    notes::NotesRecord record;
    if (db == nullptr || db->ReadNote(path, &record).status != 0 ||
        record.live_flag != notes::kLive) {
      return std::string();
    }
    return record.notes;
  };
  ftp::ui::FtpWebPublisher publisher(this, services_);
  services.publisher = &publisher;
  web::ui::ShowWebPageMenu(this, services);
  std::copy(keys.begin(), keys.end(), settings_.web.begin());
}

}  // namespace vr::shell::ui
