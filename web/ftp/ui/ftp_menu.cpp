#include "web/ftp/ui/ftp_menu.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "platform/folders.h"
#include "platform/shell_service.h"
#include "platform/qt/socket_qt.h"
#include "platform/sounds.h"
#include "platform/ui.h"
#include "web/ftp/ftp_client.h"
#include "web/ftp/ftp_login.h"
#include "web/ftp/ftp_publish.h"
#include "web/ftp/ftp_tool_rules.h"

namespace vr::ftp::ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

constexpr const char* kScrambledNote =
    "Stored scrambled, NOT encrypted: anyone who can read LSFTP.INI can recover it.";
constexpr const char* kPlainNote = "Plain FTP sends this password unencrypted.";

// The connection light: a filled circle in the colour its name says.
QPixmap Light(const std::string& name) {
  QPixmap pixmap(14, 14);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor colour = name == "GREEN" ? QColor(0, 170, 0)
                        : name == "YELLOW" ? QColor(230, 200, 0)
                                           : QColor(200, 0, 0);
  painter.setBrush(colour);
  painter.setPen(Qt::black);
  painter.drawEllipse(1, 1, 12, 12);
  return pixmap;
}

}  // namespace

TFtpMenu::TFtpMenu(QWidget* parent, platform::Services services,
                   platform::SocketService* sockets)
    : QDialog(parent), services_(services), sockets_(sockets) {
  setWindowTitle("FTP Web Publishing Window");
  setObjectName("FtpMenu");
  if (sockets_ == nullptr) {
    own_sockets_ = std::make_unique<platform::qt::QtSocketService>();
    sockets_ = own_sockets_.get();
  }
  client_ = std::make_unique<TFtpClient>(*sockets_);
  client_->SetTimeout(120);
  client_->SetShareMode(ftpShareDenyWrite);
  client_->StopCheck = [this] { return break_out_; };
  const std::string folder =
      services_.folders != nullptr ? services_.folders->ProgramFolder() : std::string();
  sites_ = std::make_unique<FtpSites>(folder + kSitesFileName);

  auto* v = new QVBoxLayout(this);
  tabs_ = new QTabWidget;
  v->addWidget(tabs_);
  BuildPublishTab();
  BuildSettingsTab();
  BuildToolsTab();

  auto* connection = new QHBoxLayout;
  light_label_ = new QLabel;
  light_label_->setObjectName("Light");
  connect_ = new QPushButton("&Connect");
  connect_->setObjectName("BConnect");
  connect(connect_, &QPushButton::clicked, this, [this] { BConnectClick(); });
  break_out_button_ = new QPushButton("&BREAK OUT");
  break_out_button_->setObjectName("BBreakOut");
  break_out_button_->setEnabled(false);
  connect(break_out_button_, &QPushButton::clicked, this, [this] { BBreakOutClick(); });
  connected_label_ = new QLabel("NOT CONNECTED:");
  last_error_ = new QLabel("Last Error:");
  last_error_->setObjectName("LastError");
  auto* exit = new QPushButton("&Exit");
  connect(exit, &QPushButton::clicked, this, [this] { reject(); });
  connection->addWidget(light_label_);
  connection->addWidget(connect_);
  connection->addWidget(break_out_button_);
  connection->addWidget(connected_label_, 1);
  connection->addWidget(exit);
  v->addLayout(connection);
  v->addWidget(last_error_);
  auto* bar = new QHBoxLayout;
  for (int i = 0; i < 3; ++i) {
    panels_[i] = new QLabel;
    panels_[i]->setFrameShape(QFrame::StyledPanel);
    bar->addWidget(panels_[i], i == 1 ? 2 : 1);
  }
  v->addLayout(bar);
  SetLight("RED");
  LoadProfiles("");
  auto* resources = new QTimer(this);
  connect(resources, &QTimer::timeout, this, [this] { CheckResources(MeasureResources()); });
  resources->start(15000);
  resize(820, 560);
}

TFtpMenu::~TFtpMenu() {
  if (client_ && client_->Connected()) client_->Abort();
}

void TFtpMenu::BuildPublishTab() {
  publish_tab_ = new QWidget;
  auto* v = new QVBoxLayout(publish_tab_);
  auto* split = new QHBoxLayout;
  upload_list_ = new QTreeWidget;
  upload_list_->setObjectName("UploadList");
  upload_list_->setHeaderLabels({"File", "State"});
  upload_list_->setRootIsDecorated(false);
  upload_list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  server_pane_ = new QPlainTextEdit;
  server_pane_->setObjectName("UploadPane");
  server_pane_->setReadOnly(true);
  split->addWidget(upload_list_, 3);
  split->addWidget(server_pane_, 2);
  v->addLayout(split);
  upload_status_ = new QLabel("Upload Status:");
  v->addWidget(upload_status_);
  auto* buttons = new QHBoxLayout;
  upload_ = new QPushButton("Upload All Files");
  upload_->setObjectName("BUpload");
  upload_->setToolTip("Upload All Files in the list to the Web Server");
  connect(upload_, &QPushButton::clicked, this, [this] { BUploadClick(); });
  abort_upload_ = new QPushButton("&Abort Upload");
  abort_upload_->setObjectName("BAbortUpload");
  abort_upload_->setEnabled(false);
  connect(abort_upload_, &QPushButton::clicked, this, [this] { BAbortUploadClick(); });
  buttons->addWidget(upload_);
  buttons->addWidget(abort_upload_);
  buttons->addStretch(1);
  v->addLayout(buttons);
  tabs_->addTab(publish_tab_, "Publish");
}

void TFtpMenu::BuildSettingsTab() {
  settings_tab_ = new QWidget;
  auto* h = new QHBoxLayout(settings_tab_);
  auto* left = new QVBoxLayout;
  profiles_ = new QListWidget;
  profiles_->setObjectName("Profiles");
  connect(profiles_, &QListWidget::currentTextChanged, this, [this](const QString& name) {
    if (!loading_ && !name.isEmpty() && S(name) != current_profile_) SelectProfile(S(name));
  });
  left->addWidget(profiles_);
  auto* add = new QPushButton("ADD FTP SITE");
  connect(add, &QPushButton::clicked, this, [this] { BAddSiteClick(); });
  auto* remove = new QPushButton("Remove Site");
  connect(remove, &QPushButton::clicked, this, [this] { BRemoveSiteClick(); });
  auto* save = new QPushButton("&Save Settings");
  connect(save, &QPushButton::clicked, this, [this] { BSaveClick(); });
  left->addWidget(add);
  left->addWidget(remove);
  left->addWidget(save);
  h->addLayout(left, 1);

  auto* form = new QFormLayout;
  auto line = [this, form](const char* name, const char* caption) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    connect(edit, &QLineEdit::textEdited, this, [this] { MarkModified(); });
    form->addRow(caption, edit);
    return edit;
  };
  auto box = [this, form](const char* name, const char* caption) {
    auto* check = new QCheckBox(caption);
    check->setObjectName(name);
    connect(check, &QCheckBox::toggled, this, [this] { MarkModified(); });
    form->addRow(check);
    return check;
  };
  profile_name_ = line("ProfileName", "Profile Name:");
  server_name_ = line("ServerName", "Server Name:");
  starting_path_ = line("StartingPath", "Starting Path:");
  web_folder_ = line("WebFolder", "Web Folder:");
  connect(web_folder_, &QLineEdit::textEdited, this, [this](const QString& text) {
    const std::string filtered = FilterFolderName(S(text));
    if (filtered == S(text)) return;
    web_folder_->setText(Q(filtered));
    if (services_.ui != nullptr) services_.ui->Warning(kFolderNameWarning);
  });
  anonymous_ = box("Anonymous", "Anonymous Login");
  connect(anonymous_, &QCheckBox::clicked, this, [this](bool on) {
    if (on && services_.ui != nullptr) {
      services_.ui->Information("You need to supply your email address as your password field!");
    }
  });
  user_name_ = line("Username", "Username:");
  password_ = line("Password", "Password:");
  password_->setEchoMode(QLineEdit::Password);
  auto* scrambled = new QLabel(kScrambledNote);
  scrambled->setWordWrap(true);
  form->addRow(scrambled);
  plain_note_ = new QLabel(kPlainNote);
  form->addRow(plain_note_);
  use_tls_ = box("UseTLS", "Use FTP over TLS");
  connect(use_tls_, &QCheckBox::toggled, this, [this](bool on) { ShowTlsNote(on); });
  use_proxy_ = box("UseProxy", "Use Proxy");
  proxy_server_ = line("ProxyServer", "Proxy Server:");
  proxy_port_ = line("ProxyPort", "Proxy Port:");
  description_ = line("Description", "Description:");
  passive_ = box("UsePASV", "Use Passive Mode (PASV)");
  attempts_ = new QSpinBox;
  attempts_->setRange(1, 99);
  attempts_->setValue(1);
  delay_ = new QSpinBox;
  delay_->setRange(1, 10);
  delay_->setValue(3);
  for (QSpinBox* spin : {attempts_, delay_}) {
    connect(spin, &QSpinBox::valueChanged, this, [this] { MarkModified(); });
  }
  form->addRow("Login Attempts:", attempts_);
  form->addRow("Delay Between Attempts (sec):", delay_);
  h->addLayout(form, 2);
  tabs_->addTab(settings_tab_, "Settings");
}

void TFtpMenu::SetPublishRequest(const web::PublishRequest& request) {
  request_ = request;
  upload_list_->clear();
  for (const std::string& path : request.all) {
    auto* item = new QTreeWidgetItem({Q(path), ""});
    upload_list_->addTopLevelItem(item);
  }
  const bool needed = request.mode == web::kUploadNeeded;
  upload_->setText(needed ? "Upload NEEDED Files" : "Upload All Files");
  upload_->setToolTip(needed ? "Upload only the file(s) in the list that are NOT ALREADY up on "
                               "the Web Server"
                             : "Upload All Files in the list to the Web Server");
  home_address_ = kNoFilesUploaded;
  tabs_->setCurrentWidget(publish_tab_);
}

void TFtpMenu::OpenAsTool() {
  request_.reset();
  const int index = tabs_->indexOf(publish_tab_);
  if (index >= 0) tabs_->removeTab(index);
  tabs_->setCurrentWidget(settings_tab_);
}

void TFtpMenu::BUploadClick() {
  if (!request_ || uploading_ || busy_ || services_.ui == nullptr) return;
  PublishSink sink;
  sink.file_state = [this](size_t index, const std::string& state) {
    if (QTreeWidgetItem* item = upload_list_->topLevelItem(static_cast<int>(index))) {
      item->setText(1, Q(state));
    }
  };
  sink.status = [this](const std::string& text) {
    SetStatus(0, text);
    if (text.find(": sent:") != std::string::npos) {
      upload_status_->setText(Q("Upload Status: Processing file: " + text));
    }
  };
  sink.upload_list = [this](const std::string& line) { server_pane_->appendPlainText(Q(line)); };
  sink.last_error = [this](const std::string& text) { SetLastError(text); };
  sink.wait_second = [this] { return WaitOneSecond(); };
  sink.certificate_accepted = [this](const std::string& fingerprint) {
    StoreWebFolderFingerprint(fingerprint);
  };
  server_pane_->clear();
  uploading_ = true;
  break_out_ = false;
  upload_->setEnabled(false);
  abort_upload_->setEnabled(true);
  connect_->setEnabled(false);
  SetLight("YELLOW");
  FtpPublishRun run(*client_, *services_.ui, sink);
  run_ = &run;
  home_address_ = run.Run(*request_, attempts_->value(), delay_->value());
  run_ = nullptr;
  uploading_ = false;
  upload_->setEnabled(true);
  abort_upload_->setEnabled(false);
  connect_->setEnabled(true);
  SetLight(client_->Connected() ? "GREEN" : "RED");
  connected_label_->setText(client_->Connected() ? connected_label_->text()
                                                 : QString("NOT CONNECTED:"));
  Ready();
}

void TFtpMenu::BAbortUploadClick() {
  if (!uploading_ || run_ == nullptr || services_.ui == nullptr) return;
  if (services_.ui->AskYesNo("The current file will be aborted(NOT UPLOADED), all the rest will "
                             "be skipped and NOT uploaded as well!")) {
    if (run_ != nullptr) run_->Abort();
  }
}

void TFtpMenu::LoadProfiles(const std::string& select) {
  loading_ = true;
  profiles_->clear();
  const std::vector<std::string> names = sites_->Names();
  for (const std::string& name : names) profiles_->addItem(Q(name));
  std::string pick = select;
  if (pick.empty() || !sites_->Exists(pick)) pick = names.empty() ? "" : names.front();
  current_profile_ = pick;
  if (!pick.empty()) {
    const auto found = profiles_->findItems(Q(pick), Qt::MatchExactly);
    if (!found.isEmpty()) profiles_->setCurrentItem(found.front());
    ProfileToFields(sites_->Read(pick));
  }
  loading_ = false;
  modified_ = false;
}

void TFtpMenu::ProfileToFields(const FtpSite& site) {
  const bool was_loading = loading_;
  loading_ = true;
  profile_name_->setText(Q(site.name));
  server_name_->setText(Q(site.server_name));
  starting_path_->setText(Q(site.starting_path));
  web_folder_->setText(Q(site.web_folder));
  anonymous_->setChecked(site.anonymous);
  user_name_->setText(Q(site.user_name));
  password_->setText(Q(site.password));
  use_proxy_->setChecked(site.use_proxy);
  proxy_server_->setText(Q(site.proxy_server));
  proxy_port_->setText(Q(site.proxy_port));
  description_->setText(Q(site.description));
  passive_->setChecked(site.use_pasv);
  use_tls_->setChecked(site.use_tls);
  ShowTlsNote(site.use_tls);
  attempts_->setValue(site.login_attempts);
  delay_->setValue(site.login_delay);
  loading_ = was_loading;
}

FtpSite TFtpMenu::FieldsToProfile() const {
  FtpSite site;
  if (!current_profile_.empty()) site = sites_->Read(current_profile_);
  site.name = current_profile_;
  site.server_name = S(server_name_->text());
  site.starting_path = S(starting_path_->text());
  site.web_folder = S(web_folder_->text());
  site.anonymous = anonymous_->isChecked();
  site.user_name = S(user_name_->text());
  site.password = S(password_->text());
  site.use_proxy = use_proxy_->isChecked();
  site.proxy_server = S(proxy_server_->text());
  site.proxy_port = S(proxy_port_->text());
  site.description = S(description_->text());
  site.use_pasv = passive_->isChecked();
  site.use_tls = use_tls_->isChecked();
  site.login_attempts = attempts_->value();
  site.login_delay = delay_->value();
  return site;
}

void TFtpMenu::MarkModified() {
  if (!loading_) modified_ = true;
}

bool TFtpMenu::AskSaveChanges() {
  if (!modified_ || current_profile_.empty() || services_.ui == nullptr) return true;
  const int pressed = services_.ui->Choice(
      "Confirm", platform::ChoiceKind::kInformation,
      "You have modified some of the profile settings for:\r\r" + current_profile_ + "\r\r" +
          "Do you wish to save your changes?",
      {"+Save Changes", "-DON'T SAVE"});
  if (pressed == 1) return BSaveClick();
  modified_ = false;
  return true;
}

void TFtpMenu::SelectProfile(const std::string& name) {
  if (!AskSaveChanges()) {
    LoadProfiles(current_profile_);
    return;
  }
  LoadProfiles(name);
}

std::vector<std::string> TFtpMenu::ProfileNames() const { return sites_->Names(); }

void TFtpMenu::BAddSiteClick() {
  if (!AskSaveChanges()) return;
  LoadProfiles(sites_->Add());
}

void TFtpMenu::BRemoveSiteClick() {
  if (current_profile_.empty() || services_.ui == nullptr) return;
  if (!services_.ui->AskYesNo("Are you sure you want to delete the selected profile \"" +
                              current_profile_ + "\"?")) {
    return;
  }
  sites_->Erase(current_profile_);
  LoadProfiles("");
}

bool TFtpMenu::BSaveClick() {
  if (current_profile_.empty()) {
    if (services_.ui != nullptr) {
      services_.ui->Warning("You need to \"ADD FTP SITE\" before you can save settings!");
    }
    return false;
  }
  const std::string new_name = S(profile_name_->text());
  if (new_name != current_profile_) {
    const SiteNameCheck check = sites_->Rename(current_profile_, new_name);
    if (check != SiteNameCheck::kOk) {
      if (services_.ui != nullptr) services_.ui->Warning(SiteNameMessage(check));
      return false;
    }
    current_profile_ = new_name;
  }
  sites_->Save(FieldsToProfile());
  LoadProfiles(current_profile_);
  return true;
}

bool TFtpMenu::Connected() const { return client_->Connected(); }

bool TFtpMenu::BConnectClick() {
  if (busy_ || uploading_) return false;
  busy_ = true;
  break_out_ = false;
  break_out_button_->setEnabled(true);
  SetLight("YELLOW");
  const FtpLogin login = LoginOfSite(FieldsToProfile());
  LoginHooks hooks;
  hooks.status = [this](const std::string& text) { SetStatus(0, text); };
  hooks.wait_second = [this] { return WaitOneSecond(); };
  hooks.certificate = [this](const std::string& question, const platform::TlsPeer& peer) {
    return AcceptCertificate(question, peer);
  };
  client_->SetTimeout(30);
  bool ok = LoginWithAttempts(*client_, login, hooks);
  client_->SetTimeout(120);
  if (ok && !starting_path_->text().isEmpty()) {
    client_->SetHostDirName(S(starting_path_->text()));
    client_->Cwd();
  }
  std::string root;
  if (ok && client_->Pwd()) root = client_->DirResult();
  if (!root.empty()) {
    tree_->clear();
    auto* node = new QTreeWidgetItem({Q("[ROOT] - " + root)});
    node->setData(0, Qt::UserRole, Q(root));
    tree_->addTopLevelItem(node);
    tree_->setCurrentItem(node);
  }
  busy_ = false;
  break_out_button_->setEnabled(false);
  if (!ok) {
    SetLastError("Last Error:Couldn't connect to the server.");
    SetLight("RED");
    SetStatus(0, "NOT CONNECTED");
    connected_label_->setText("NOT CONNECTED:");
    if (services_.ui != nullptr) {
      const std::string detail = LoginFailureDetail(*client_);
      services_.ui->Error("Could NOT connect to " + LoginHost(login) + "\r\r" +
                          "Maybe you are NOT connected to the Internet, or maybe you supplied "
                          "the wrong username or password or web server address." +
                          (detail.empty() ? std::string() : "\r\r" + detail) + "\r\r" +
                          "You can click on the \"SETTINGS\" tab to change your settings.");
    }
    return false;
  }
  SetLight("GREEN");
  connected_label_->setText(Q("Connected: " + LoginHost(login)));
  Ready();
  if (!root.empty()) ShowFolder(root);
  return true;
}

void TFtpMenu::BBreakOutClick() { break_out_ = true; }

bool TFtpMenu::WaitOneSecond() {
  QEventLoop loop;
  QTimer::singleShot(1000, &loop, &QEventLoop::quit);
  loop.exec();
  return !break_out_;
}

std::string TFtpMenu::StatusText(int panel) const {
  return panel >= 0 && panel < 3 ? S(panels_[panel]->text()) : std::string();
}

std::string TFtpMenu::LastErrorText() const { return S(last_error_->text()); }

std::vector<std::string> TFtpMenu::UploadStates() const {
  std::vector<std::string> states;
  for (int i = 0; i < upload_list_->topLevelItemCount(); ++i) {
    states.push_back(S(upload_list_->topLevelItem(i)->text(1)));
  }
  return states;
}

std::vector<std::string> TFtpMenu::UploadListLines() const {
  std::vector<std::string> lines;
  for (const QString& line : server_pane_->toPlainText().split('\n', Qt::SkipEmptyParts)) {
    lines.push_back(S(line));
  }
  return lines;
}

QLineEdit* TFtpMenu::Field(const char* object_name) const {
  return findChild<QLineEdit*>(object_name);
}

void TFtpMenu::SetStatus(int panel, const std::string& text) {
  panels_[panel]->setText(Q(text));
}

void TFtpMenu::SetLastError(const std::string& text) { last_error_->setText(Q(text)); }

void TFtpMenu::SetLight(const char* name) {
  light_ = name;
  light_label_->setPixmap(Light(light_));
  light_label_->setAccessibleName(name);
}

void TFtpMenu::Ready() {
  SetStatus(0, "Status:READY");
  if (window_sound_ && services_.sounds != nullptr && services_.sounds->Enabled() &&
      services_.folders != nullptr) {
    services_.sounds->PlayFile(services_.folders->ProgramFolder() + "WWWdone.wav");
  }
}

void TFtpMenu::reject() {
  // Nothing leaves while a request runs; the wait below it still holds the client.
  if (uploading_ || busy_) return;
  if (running_transfers_ > 0) {
    if (services_.ui != nullptr) {
      services_.ui->Warning("You requested to download file(s). And there are STILL download "
                            "window(s) open. You need to close(exit) the download windows before "
                            "you can exit this FTP window!");
    }
    return;
  }
  if (!AskSaveChanges()) return;
  if (client_->Connected()) {
    SetStatus(0, "DISCONNECTING:");
    if (!client_->Quit() && client_->Connected()) client_->Abort();
  }
  OfferTempCleanUp();
  QDialog::reject();
}

void TFtpMenu::OfferTempCleanUp() {
  if (services_.folders == nullptr || services_.ui == nullptr) return;
  const std::string folder = services_.folders->TempFolder() + "LS_FTPFiles/";
  std::error_code ec;
  // Only the user's own private folder is looked into (and emptied).
  if (!std::filesystem::is_directory(folder, ec) || !platform::EnsurePrivateFolder(folder)) return;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.is_regular_file(ec)) files.push_back(entry.path());
  }
  if (files.empty()) return;
  if (services_.shell != nullptr) services_.shell->OpenFolder(folder);
  const int pressed = services_.ui->Choice(
      "Confirm", platform::ChoiceKind::kInformation,
      "You have some downloaded files in the:\r\r" + folder + "\r\r" +
          "You might consider deleting them to save space!",
      {"+Clean Out Temp", "-Continue && Exit"});
  if (pressed != 1) return;
  for (const auto& file : files) std::filesystem::remove(file, ec);
}

void TFtpMenu::closeEvent(QCloseEvent* event) {
  if (uploading_ || busy_) {
    event->ignore();
    return;
  }
  event->ignore();
  reject();
}

}  // namespace vr::ftp::ui
