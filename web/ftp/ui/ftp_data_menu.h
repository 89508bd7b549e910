#pragma once
// "FTP Server Information" (TFtpDataMenu): the five-page wizard that collects where a Web Folder
// is published the first time. Page 1 introduces; page 2 asks for the server (and a proxy);
// page 3 for the user name and password, and its "&Next >" tries to log in with them, staying
// on page 3 when that fails; page 4 asks for the destination folder, preset from the Web
// Folder's own name; page 5 ends with "&Finished".

#include <QDialog>

#include <string>

#include "platform/services.h"
#include "platform/socket.h"
#include "web/web_options.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace vr::ftp::ui {

class TFtpDataMenu : public QDialog {
  Q_OBJECT

 public:
  // `sockets` null: a Qt socket service of its own for the login try.
  TFtpDataMenu(QWidget* parent, platform::Services services, const std::string& web_folder,
               platform::SocketService* sockets = nullptr);
  ~TFtpDataMenu() override;

  void BBackClick();
  void BNextClick();  // "&Finished" on the last page
  int Page() const;   // 1..5
  // The answers (valid after OK).
  web::ServerInfo Result() const;
  QLineEdit* Field(const char* object_name) const;
  QCheckBox* ProxyBox() const { return use_proxy_; }
  QCheckBox* TlsBox() const { return use_tls_; }

 private:
  bool TryLogin();
  void ShowPage(int page);

  platform::Services services_;
  platform::SocketService* sockets_;
  std::string web_folder_;
  QStackedWidget* pages_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* next_ = nullptr;
  QLineEdit* server_ = nullptr;
  QCheckBox* use_proxy_ = nullptr;
  QCheckBox* passive_ = nullptr;
  QCheckBox* use_tls_ = nullptr;
  std::string accepted_fingerprint_;  // the certificate accepted during the login try
  QLabel* proxy_server_label_ = nullptr;
  QLabel* proxy_port_label_ = nullptr;
  QLineEdit* proxy_server_ = nullptr;
  QLineEdit* proxy_port_ = nullptr;
  QLineEdit* user_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLineEdit* folder_ = nullptr;
};

}  // namespace vr::ftp::ui
