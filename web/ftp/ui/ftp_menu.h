#pragma once
// "FTP Web Publishing Window" (TFtpMenu): publishes what the web page wizard hands over, and
// keeps the site profiles of "LSFTP.INI". Tabs: "Publish" (the upload list with each file's
// state, the server's side in the upload-list pane, the upload and abort buttons) and "Settings"
// (profile fields, the profile list with add, remove and save). A status bar of three panels
// and a "Last Error:" label report; a light beside the connect button shows the connection.
// The window owns one FTP client; its waits pump the application's events, so "&BREAK OUT" and
// "&Abort Upload" work while a request runs.

#include <QDialog>

#include <QPointer>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/socket.h"
#include "web/ftp/ftp_sites.h"
#include "web/ftp/ftp_tool_rules.h"
#include "web/ftp/ftp_transfer.h"
#include "web/publish.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;
class QButtonGroup;

namespace vr::ftp {
class TFtpClient;
class FtpPublishRun;
}  // namespace vr::ftp

namespace vr::ftp::ui {

class TFTPDownloadMenu;

class TFtpMenu : public QDialog {
  Q_OBJECT

 public:
  // `sockets` null: the window makes a Qt socket service of its own.
  TFtpMenu(QWidget* parent, platform::Services services,
           platform::SocketService* sockets = nullptr);
  ~TFtpMenu() override;

  // Publishing (modes 1-5): the request's files fill the upload list; the "Publish" tab is shown.
  void SetPublishRequest(const web::PublishRequest& request);
  // The tool alone (mode 7): no "Publish" tab; "Settings" first.
  void OpenAsTool();
  // Where the home page now is, or the NO FILES text.
  const std::string& HomeAddress() const { return home_address_; }

  // "Upload All Files" / "Upload NEEDED Files".
  void BUploadClick();
  // "&Abort Upload": asks first; on yes the file under way fails and the rest is skipped.
  void BAbortUploadClick();
  bool Uploading() const { return uploading_; }

  // Settings.
  void BAddSiteClick();
  void BRemoveSiteClick();
  bool BSaveClick();
  // Picks a profile in the list (the modified prompt first).
  void SelectProfile(const std::string& name);
  std::vector<std::string> ProfileNames() const;
  std::string CurrentProfile() const { return current_profile_; }
  bool Modified() const { return modified_; }
  // Connects with the current profile's fields; "&BREAK OUT" aborts the request under way.
  bool BConnectClick();
  void BBreakOutClick();
  bool Connected() const;
  // A request or an upload of the web pages is under way (requests and drops wait for it).
  bool Busy() const { return busy_ || uploading_; }

  // "FTP WEB Tools": the server's folders as a tree, the selected folder's files with their
  // descriptions, and the file and folder operations.
  void RefresHListClick();
  // Lists a tree folder (its path as the server gave it) into its children and the file list.
  bool ShowFolder(const std::string& path);
  std::string SelectedFolder() const;
  void SelectFiles(const std::vector<std::string>& names);
  std::vector<std::string> FileNames() const;
  std::vector<std::string> FolderNames() const;  // children of the selected tree folder
  std::string DescriptionOfFile(const std::string& name) const;
  void BDeleteFileClick();
  void BRenameFileClick();
  void BAddFolderClick();
  void BDeleteFolderClick();
  void BRenameFolderClick();
  std::string FilesCountText() const;
  // Transfers: one transfer window per file, at most the queue's maximum at once.
  void BDownloadClick();
  void BUploadFilesClick();
  // Local files dropped onto a server folder (empty: dropped where no folder is): asked, then
  // uploaded there.
  void DropFiles(const std::vector<std::string>& paths, const std::string& folder);
  void BViewRunClick();
  // 'A', 'B' or '?' (automatic).
  void SetTransferType(char type);
  void SetMaxTransfers(int count);
  void SetAutoClose(bool on);
  int RunningTransfers() const { return running_transfers_; }
  size_t WaitingTransfers() const { return waiting_.size(); }
  std::vector<TFTPDownloadMenu*> TransferWindows() const;
  // The 15-second check: low resources warn and hold new transfer windows back.
  void CheckResources(const SystemResources& resources);

  // What the window shows, for tests.
  std::string StatusText(int panel) const;
  std::string LastErrorText() const;
  std::string LightName() const { return light_; }
  std::vector<std::string> UploadStates() const;
  std::vector<std::string> UploadListLines() const;
  QLineEdit* Field(const char* object_name) const;
  QTabWidget* Tabs() const { return tabs_; }

 public:
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPublishTab();
  void BuildSettingsTab();
  void BuildToolsTab();
  // A tool request: not while another runs; the light and "&BREAK OUT" follow it.
  bool BeginRequest();
  void EndRequest();
  void FillFolder(const std::string& path, const std::vector<std::string>& names,
                  const std::vector<std::string>& sizes, const std::vector<std::string>& kinds,
                  const std::vector<std::string>& dates, const std::vector<std::string>& times);
  void GetDescriptions(const std::string& name, const std::string& size);
  FtpTransferJob JobFor(const std::string& remote_file, const std::string& local_path,
                        char direction, int64_t size);
  void QueueJob(const FtpTransferJob& job);
  void StartWaitingJobs();
  void ShowTransferCounts();
  int64_t ListedSize(const std::string& name) const;
  void LoadProfiles(const std::string& select);
  void ProfileToFields(const FtpSite& site);
  FtpSite FieldsToProfile() const;
  // The login's certificate question: asked through the Ui; an accepted fingerprint is stored
  // with the current profile so that its next login asks nothing.
  bool AcceptCertificate(const std::string& question, const platform::TlsPeer& peer);
  // "Use FTP over TLS" shows or hides the note that plain FTP sends the password unencrypted.
  void ShowTlsNote(bool tls);
  // A certificate accepted while publishing is stored with the Web Folder's server facts.
  void StoreWebFolderFingerprint(const std::string& fingerprint);
  void MarkModified();
  // The modified prompt; false when the caller should not go on.
  bool AskSaveChanges();
  void SetStatus(int panel, const std::string& text);
  void SetLastError(const std::string& text);
  void SetLight(const char* name);
  void Ready();
  // On leaving: files View/Run left in "LS_FTPFiles" may be cleaned out.
  void OfferTempCleanUp();
  bool WaitOneSecond();

  platform::Services services_;
  std::unique_ptr<platform::SocketService> own_sockets_;
  platform::SocketService* sockets_ = nullptr;
  std::unique_ptr<TFtpClient> client_;
  std::unique_ptr<FtpSites> sites_;
  std::optional<web::PublishRequest> request_;
  FtpPublishRun* run_ = nullptr;
  std::string home_address_;
  std::string current_profile_;
  bool modified_ = false;
  bool loading_ = false;
  bool uploading_ = false;
  bool busy_ = false;
  bool break_out_ = false;
  std::string light_ = "RED";

  QTabWidget* tabs_ = nullptr;
  QWidget* publish_tab_ = nullptr;
  QWidget* settings_tab_ = nullptr;
  QTreeWidget* upload_list_ = nullptr;
  QPlainTextEdit* server_pane_ = nullptr;
  QPushButton* upload_ = nullptr;
  QPushButton* abort_upload_ = nullptr;
  QLabel* upload_status_ = nullptr;
  QListWidget* profiles_ = nullptr;
  QLineEdit* profile_name_ = nullptr;
  QLineEdit* server_name_ = nullptr;
  QLineEdit* starting_path_ = nullptr;
  QLineEdit* web_folder_ = nullptr;
  QCheckBox* anonymous_ = nullptr;
  QLineEdit* user_name_ = nullptr;
  QLineEdit* password_ = nullptr;
  QCheckBox* use_proxy_ = nullptr;
  QLineEdit* proxy_server_ = nullptr;
  QLineEdit* proxy_port_ = nullptr;
  QLineEdit* description_ = nullptr;
  QCheckBox* passive_ = nullptr;
  QSpinBox* attempts_ = nullptr;
  QSpinBox* delay_ = nullptr;
  QLabel* plain_note_ = nullptr;
  QCheckBox* use_tls_ = nullptr;
  QPushButton* connect_ = nullptr;
  QPushButton* break_out_button_ = nullptr;
  QLabel* light_label_ = nullptr;
  QLabel* connected_label_ = nullptr;
  QLabel* last_error_ = nullptr;
  QLabel* panels_[3] = {};
  QWidget* tools_tab_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QTreeWidget* files_ = nullptr;
  QLabel* files_count_ = nullptr;
  bool always_descriptions_ = false;
  char transfer_type_ = '?';
  int max_transfers_ = 3;
  bool auto_close_ = false;
  bool window_sound_ = true;  // the completion sound's switch on the tools tab
  int running_transfers_ = 0;
  bool resources_low_ = false;
  std::deque<FtpTransferJob> waiting_;
  std::vector<QPointer<TFTPDownloadMenu>> transfer_windows_;
};

}  // namespace vr::ftp::ui
