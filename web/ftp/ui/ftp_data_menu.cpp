#include "web/ftp/ui/ftp_data_menu.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <memory>

#include "platform/qt/socket_qt.h"
#include "platform/ui.h"
#include "web/ftp/ftp_client.h"
#include "web/ftp/ftp_login.h"
#include "web/ftp/ftp_tool_rules.h"

namespace vr::ftp::ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

QLabel* Wrapped(const char* text) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  return label;
}

}  // namespace

TFtpDataMenu::TFtpDataMenu(QWidget* parent, platform::Services services,
                           const std::string& web_folder, platform::SocketService* sockets)
    : QDialog(parent), services_(services), sockets_(sockets), web_folder_(web_folder) {
  setWindowTitle("FTP Server Information");
  auto* v = new QVBoxLayout(this);
  pages_ = new QStackedWidget;
  v->addWidget(pages_);

  auto* intro = new QWidget;
  auto* iv = new QVBoxLayout(intro);
  iv->addWidget(Wrapped(
      "Before your web pages can be published, the program needs to know which FTP server "
      "they go to, how you log in there, and the folder on the server that receives them.\n\n"
      "Your Internet provider or web host gives you these facts."));
  pages_->addWidget(intro);

  auto* server_page = new QWidget;
  auto* sf = new QFormLayout(server_page);
  server_ = new QLineEdit;
  server_->setObjectName("ServerName");
  sf->addRow("FTP Server Name:", server_);
  use_proxy_ = new QCheckBox("Use Proxy Settings");
  sf->addRow(use_proxy_);
  proxy_server_label_ = new QLabel("Proxy Server:");
  proxy_server_ = new QLineEdit;
  proxy_server_->setObjectName("ProxyServer");
  proxy_port_label_ = new QLabel("Proxy Port:");
  proxy_port_ = new QLineEdit("21");
  proxy_port_->setObjectName("ProxyPort");
  sf->addRow(proxy_server_label_, proxy_server_);
  sf->addRow(proxy_port_label_, proxy_port_);
  passive_ = new QCheckBox("Use Passive Mode (PASV)");
  sf->addRow(passive_);
  use_tls_ = new QCheckBox("Use FTP over TLS");
  use_tls_->setObjectName("UseTLS");
  sf->addRow(use_tls_);
  auto show_proxy = [this](bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{proxy_server_label_, proxy_server_,
                                                      proxy_port_label_, proxy_port_}) {
      w->setVisible(on);
    }
  };
  connect(use_proxy_, &QCheckBox::toggled, this, show_proxy);
  show_proxy(false);
  pages_->addWidget(server_page);

  auto* login_page = new QWidget;
  auto* lf = new QFormLayout(login_page);
  user_ = new QLineEdit;
  user_->setObjectName("Username");
  password_ = new QLineEdit;
  password_->setObjectName("Password");
  password_->setEchoMode(QLineEdit::Password);
  lf->addRow("Username:", user_);
  lf->addRow("Password:", password_);
  lf->addRow(Wrapped("Stored scrambled, NOT encrypted: anyone who can read the Web Folder's "
                     "WebInfo.INI can recover it. Plain FTP sends this password unencrypted."));
  pages_->addWidget(login_page);

  auto* folder_page = new QWidget;
  auto* ff = new QFormLayout(folder_page);
  folder_ = new QLineEdit("webfolders/mypics1");
  folder_->setObjectName("Folder");
  ff->addRow("Destination Folder:", folder_);
  connect(folder_, &QLineEdit::textEdited, this, [this](const QString& text) {
    const std::string filtered = FilterFolderName(S(text));
    if (filtered == S(text)) return;
    folder_->setText(Q(filtered));
    if (services_.ui != nullptr) services_.ui->Warning(kFolderNameWarning);
  });
  pages_->addWidget(folder_page);

  auto* done = new QWidget;
  auto* dv = new QVBoxLayout(done);
  dv->addWidget(Wrapped("That is all. Press \"Finished\" to keep these settings for this Web "
                        "Folder and go on publishing."));
  pages_->addWidget(done);

  auto* buttons = new QHBoxLayout;
  back_ = new QPushButton("< &Back");
  next_ = new QPushButton("&Next >");
  auto* cancel = new QPushButton("&Cancel");
  connect(back_, &QPushButton::clicked, this, [this] { BBackClick(); });
  connect(next_, &QPushButton::clicked, this, [this] { BNextClick(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addStretch(1);
  buttons->addWidget(back_);
  buttons->addWidget(next_);
  buttons->addWidget(cancel);
  v->addLayout(buttons);
  ShowPage(1);
}

TFtpDataMenu::~TFtpDataMenu() = default;

int TFtpDataMenu::Page() const { return pages_->currentIndex() + 1; }

void TFtpDataMenu::ShowPage(int page) {
  pages_->setCurrentIndex(page - 1);
  back_->setEnabled(page > 1);
  next_->setText(page == 5 ? "&Finished" : "&Next >");
}

void TFtpDataMenu::BBackClick() {
  if (Page() > 1) ShowPage(Page() - 1);
}

void TFtpDataMenu::BNextClick() {
  const int page = Page();
  if (page == 5) {
    accept();
    return;
  }
  if (page == 3) {
    if (!TryLogin()) return;
    // The folder preset: "webfolders/" + the Web Folder's own name.
    std::string own = web_folder_;
    while (!own.empty() && (own.back() == '/' || own.back() == '\\')) own.pop_back();
    const size_t slash = own.find_last_of("/\\");
    own = slash == std::string::npos ? own : own.substr(slash + 1);
    folder_->setText(Q(FilterFolderName("webfolders/" + own)));
  }
  ShowPage(page + 1);
}

bool TFtpDataMenu::TryLogin() {
  std::unique_ptr<platform::SocketService> own;
  platform::SocketService* sockets = sockets_;
  if (sockets == nullptr) {
    own = std::make_unique<platform::qt::QtSocketService>();
    sockets = own.get();
  }
  TFtpClient client(*sockets);
  client.SetTimeout(30);
  const web::ServerInfo info = Result();
  FtpLogin login;
  login.server_name = info.server_name;
  login.user_name = info.user_name;
  login.password = info.password;
  login.use_proxy = info.use_proxy;
  login.proxy_server = info.proxy_server;
  login.proxy_port = info.proxy_port;
  login.passive = info.use_pasv;
  login.use_tls = info.use_tls;
  login.tls_fingerprint = info.tls_fingerprint;
  LoginHooks hooks;
  hooks.certificate = [this](const std::string& question, const platform::TlsPeer& peer) {
    if (services_.ui == nullptr || !AskAboutCertificate(*services_.ui, question)) return false;
    accepted_fingerprint_ = peer.fingerprint;  // stored with the answers
    return true;
  };
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool ok = LoginWithAttempts(client, login, hooks);
  QApplication::restoreOverrideCursor();
  if (ok) {
    if (!client.Quit() && client.Connected()) client.Abort();
    return true;
  }
  std::string error = client.ErrorMessage();
  if (error.empty()) error = client.LastResponse();
  if (services_.ui != nullptr) {
    services_.ui->Error(
        "Could NOT connect to " + info.server_name +
        (info.use_proxy ? " thru Proxy [" + info.proxy_server + "]" : std::string()) + "\r\r" +
        "[" + error + "]  Maybe you are NOT connected to the Internet, or have supplied "
        "incorrect USERNAME/PASSWORD." +
        "\r\r" + "Correct problem and then try again in order to continue.");
  }
  return false;
}

web::ServerInfo TFtpDataMenu::Result() const {
  web::ServerInfo info;
  info.server_name = S(server_->text());
  info.url_location = S(folder_->text());
  info.user_name = S(user_->text());
  info.password = S(password_->text());
  info.use_proxy = use_proxy_->isChecked();
  info.use_pasv = passive_->isChecked();
  info.use_tls = use_tls_->isChecked();
  info.tls_fingerprint = info.use_tls ? accepted_fingerprint_ : std::string();
  info.proxy_server = S(proxy_server_->text());
  info.proxy_port = S(proxy_port_->text());
  return info;
}

QLineEdit* TFtpDataMenu::Field(const char* object_name) const {
  return findChild<QLineEdit*>(object_name);
}

}  // namespace vr::ftp::ui
