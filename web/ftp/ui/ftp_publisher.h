#pragma once
// The FTP window behind the web page wizard's publish entries: the server dialog the first time
// a Web Folder is published, the modal FTP window with the wizard's request, and the tool alone.

#include <QPointer>

#include <functional>

#include "platform/services.h"
#include "platform/socket.h"
#include "web/publish.h"

class QWidget;

namespace vr::ftp::ui {

class TFtpMenu;
class TFtpDataMenu;

class FtpWebPublisher : public web::WebPublisher {
 public:
  FtpWebPublisher(QWidget* parent, platform::Services services,
                  platform::SocketService* sockets = nullptr);

  bool IsOpen() override;
  bool Close() override;
  std::optional<web::ServerInfo> AskServerInfo(const std::string& web_folder) override;
  std::string Publish(const web::PublishRequest& request) override;
  void OpenTool() override;

  // Run once a window is up and its modal loop runs (tests drive the windows from here).
  std::function<void(TFtpMenu&)> on_shown;
  std::function<void(TFtpDataMenu&)> on_data_shown;

 private:
  QWidget* parent_;
  platform::Services services_;
  platform::SocketService* sockets_;
  QPointer<TFtpMenu> window_;
};

}  // namespace vr::ftp::ui
