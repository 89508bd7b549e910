// The FTP window's transfers: download, upload and View/Run each become a transfer window; a
// first-in, first-out queue keeps at most the chosen number of them running.
#include <QTreeWidget>

#include <filesystem>

#include "platform/folders.h"
#include "platform/ui.h"
#include "web/ftp/ftp_publish.h"
#include "web/ftp/ftp_tool_rules.h"
#include "web/ftp/ui/ftp_download_menu.h"
#include "web/ftp/ui/ftp_menu.h"

namespace vr::ftp::ui {
namespace {

std::string S(const QString& text) { return text.toStdString(); }

constexpr const char* kTypeAdvice =
    "The AUTO Setting is the best choice most of the time, unless you KNOW SPECIFICALLY that you "
    "want to force either ASCII TEXT transfer or BINARY data/program file transfer. ASCII should "
    "only be used on standard regular TEXT files!";

}  // namespace

void TFtpMenu::SetTransferType(char type) {
  if (type != 'A' && type != 'B') type = '?';
  if (type != '?' && type != transfer_type_ && services_.ui != nullptr) {
    services_.ui->Information(kTypeAdvice);
  }
  transfer_type_ = type;
}

void TFtpMenu::SetMaxTransfers(int count) {
  max_transfers_ = std::clamp(count, 1, 30);
  StartWaitingJobs();
}

void TFtpMenu::SetAutoClose(bool on) { auto_close_ = on; }

int64_t TFtpMenu::ListedSize(const std::string& name) const {
  for (int i = 0; i < files_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = files_->topLevelItem(i);
    if (S(row->text(0)) == name) return std::atoll(S(row->text(1)).c_str());
  }
  return -1;
}

FtpTransferJob TFtpMenu::JobFor(const std::string& remote_file, const std::string& local_path,
                                char direction, int64_t size) {
  const FtpSite site = FieldsToProfile();
  FtpTransferJob job;
  job.direction = direction;
  job.type = transfer_type_ == '?' ? (AutoTransferIsAscii(remote_file) ? 'A' : 'B')
                                   : transfer_type_;
  job.passive = site.use_pasv;
  job.use_proxy = site.use_proxy;
  job.proxy_server = site.proxy_server;
  job.proxy_port = site.proxy_port;
  job.server_name = site.server_name;
  job.user_name = site.anonymous ? std::string("anonymous") : site.user_name;
  job.password = site.password;
  job.remote_folder = SelectedFolder();
  job.remote_file = remote_file;
  job.local_path = local_path;
  job.size_known = size > 0;
  job.size = size > 0 ? size : 1;
  job.attempts = site.login_attempts;
  job.delay = site.login_delay;
  job.use_tls = site.use_tls;
  job.tls_fingerprint = site.tls_fingerprint;
  job.close_after = auto_close_;
  return job;
}

void TFtpMenu::QueueJob(const FtpTransferJob& job) {
  waiting_.push_back(job);
  StartWaitingJobs();
}

void TFtpMenu::CheckResources(const SystemResources& resources) {
  const bool was_low = resources_low_;
  resources_low_ = ResourcesLow(resources);
  if (resources_low_ && !was_low && services_.ui != nullptr) {
    services_.ui->Warning(kLowResourcesText);
  }
  if (!resources_low_) StartWaitingJobs();
}

void TFtpMenu::StartWaitingJobs() {
  while (!resources_low_ && running_transfers_ < max_transfers_ && !waiting_.empty()) {
    FtpTransferJob job = waiting_.front();
    waiting_.pop_front();
    ++running_transfers_;
    QPointer<TFtpMenu> self = this;
    auto* window = new TFTPDownloadMenu(nullptr, services_, job, [self] {
      if (!self) return;
      --self->running_transfers_;
      self->StartWaitingJobs();
    });
    window->setAttribute(Qt::WA_DeleteOnClose);
    transfer_windows_.push_back(window);
    window->show();
  }
  ShowTransferCounts();
}

void TFtpMenu::ShowTransferCounts() {
  if (running_transfers_ == 0 && waiting_.empty()) {
    SetStatus(2, "");
    return;
  }
  std::string text = "Up/Down-loads [In progress:" + std::to_string(running_transfers_) + "]";
  if (!waiting_.empty()) text += " [On hold:" + std::to_string(waiting_.size()) + "]";
  SetStatus(2, text);
}

std::vector<TFTPDownloadMenu*> TFtpMenu::TransferWindows() const {
  std::vector<TFTPDownloadMenu*> open;
  for (const auto& window : transfer_windows_) {
    if (window) open.push_back(window.data());
  }
  return open;
}

void TFtpMenu::BDownloadClick() {
  platform::Ui* ui = services_.ui;
  if (ui == nullptr || !client_->Connected()) return;
  const QList<QTreeWidgetItem*> rows = files_->selectedItems();
  if (rows.isEmpty()) return;
  const std::optional<std::string> folder = ui->PickFolder("Select DOWNLOAD Folder", "");
  if (!folder || folder->empty()) return;
  std::error_code ec;
  if (!std::filesystem::is_directory(*folder, ec)) {
    ui->Error("Error in locating the path/folder for:\r\r" + *folder + "\r\r" +
              "File(s) operation will be ignored!");
    return;
  }
  const std::string base = folder->back() == '/' ? *folder : *folder + "/";
  int held = 0;  // 3 resume all, 4 download all again
  for (QTreeWidgetItem* row : rows) {
    if (row->text(1) == "<DIR>") continue;
    const std::string name = S(row->text(0));
    // A listed name is the server's word: it never reaches outside the chosen folder.
    if (!SafeLocalName(name)) {
      ui->Warning("The server listed a file name that can NOT be a local file name:\r\r" + name +
                  "\r\rThe file is skipped.");
      continue;
    }
    const std::string local = base + name;
    bool resume = false;
    if (std::filesystem::exists(local, ec)) {
      int answer = held;
      if (answer == 0) {
        answer = ui->Choice(
            "Should I Resume Download", platform::ChoiceKind::kInformation,
            "You already have the file that you are trying to download.\r\r"
            "If you want to download the WHOLE file all over again, then don't RESUME the "
            "transfer. If the file on your system was a PARTIAL download, then you can RESUME the "
            "transfer from where it left off so that you don't have to waste time downloading it "
            "all over again. This is handy for big transfers that get stopped because of "
            "accidental disconnect etc..You can also specify to RESUME ALL files that you "
            "selected to downloaded which are also in your download folder.",
            {"+Resume File", "-Re-Download File", "Resume ALL", "Re-Download ALL"});
        if (answer >= 3) held = answer;
      }
      resume = answer == 1 || answer == 3;
      // One file fetched again replaces the local one: say so first. "Re-Download ALL" has
      // answered that for the rest of the selection.
      if (answer == 2 &&
          !ui->AskYesNo("You are about to OVERWRITE the file:\r\r" + local + "\r\r" +
                        "Do you wish to OVERWRITE existing file(s)?")) {
        continue;
      }
    }
    FtpTransferJob job = JobFor(name, local, 'D', ListedSize(name));
    job.resume = resume;
    QueueJob(job);
  }
}

void TFtpMenu::BUploadFilesClick() {
  platform::Ui* ui = services_.ui;
  if (ui == nullptr || !client_->Connected() || SelectedFolder().empty()) return;
  platform::FileDialogOptions options;
  options.title = "Select File(s) To Upload. Use Shift/Ctrl keys to select Multiple Files";
  options.filters = {{"All Files", "*.*"}};
  options.multiple = true;
  const std::vector<std::string> picked = ui->OpenFiles(options);
  if (picked.empty()) return;
  const std::vector<std::string> listed = FileNames();
  for (const std::string& path : picked) {
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (std::find(listed.begin(), listed.end(), name) != listed.end() &&
        !ui->AskYesNo("File already EXISTS on the Web Server:\r\r" + name + "\r\r" +
                      "Do you wish to OVERWRITE existing file(s) on the Web Server?")) {
      continue;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    QueueJob(JobFor(name, path, 'U', ec ? 0 : static_cast<int64_t>(size)));
  }
  ui->Information("After dropping/uploading files into the FTP files list window, you should "
                  "click on the REFRESH button in order to see the files once they are "
                  "completely uploaded!");
}

void TFtpMenu::DropFiles(const std::vector<std::string>& paths, const std::string& folder) {
  platform::Ui* ui = services_.ui;
  if (ui == nullptr || !client_->Connected() || busy_ || uploading_) return;
  if (folder.empty()) {
    ui->Warning("Can't drop file(s)! Drop to the files list side or drop onto a folder in the "
                "tree on the left side.");
    return;
  }
  if (!ui->AskYesNo("Uploading file(s) to the following folder at the FTP site!\r\r\"" + folder +
                    "\"\r\r" + "Do you wish to UPLOAD to that folder?")) {
    return;
  }
  for (const std::string& path : paths) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) continue;  // folders are not sent
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto size = std::filesystem::file_size(path, ec);
    FtpTransferJob job = JobFor(name, path, 'U', ec ? 0 : static_cast<int64_t>(size));
    job.remote_folder = folder;
    QueueJob(job);
  }
  ui->Information("After dropping/uploading files into the FTP files list window, you should "
                  "click on the REFRESH button in order to see the files once they are "
                  "completely uploaded!");
}

void TFtpMenu::BViewRunClick() {
  platform::Ui* ui = services_.ui;
  if (ui == nullptr || !client_->Connected()) return;
  const QList<QTreeWidgetItem*> rows = files_->selectedItems();
  if (rows.size() != 1 || rows.front()->text(1) == "<DIR>") {
    ui->Information("You need to have ONE file HI-LITED in the list of files.");
    return;
  }
  const std::string name = S(rows.front()->text(0));
  if (!SafeLocalName(name) || services_.folders == nullptr) return;
  // Only a real folder of this user, closed to others, receives files that will be opened.
  const std::string folder = services_.folders->TempFolder() + "LS_FTPFiles/";
  if (!platform::EnsurePrivateFolder(folder)) {
    ui->Error("Error in locating the path/folder for:\r\r" + folder + "\r\r" +
              "File(s) operation will be ignored!");
    return;
  }
  FtpTransferJob job = JobFor(name, folder + name, 'D', ListedSize(name));
  job.open_when_done = true;
  job.close_after = true;
  QueueJob(job);
}

}  // namespace vr::ftp::ui
