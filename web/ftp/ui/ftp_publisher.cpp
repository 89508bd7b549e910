#include "web/ftp/ui/ftp_publisher.h"

#include <QTimer>

#include "web/ftp/ui/ftp_data_menu.h"
#include "web/ftp/ui/ftp_menu.h"

namespace vr::ftp::ui {

FtpWebPublisher::FtpWebPublisher(QWidget* parent, platform::Services services,
                                 platform::SocketService* sockets)
    : parent_(parent), services_(services), sockets_(sockets) {}

bool FtpWebPublisher::IsOpen() { return window_ != nullptr && window_->isVisible(); }

bool FtpWebPublisher::Close() {
  if (window_ != nullptr) window_->reject();
  return !IsOpen();
}

std::optional<web::ServerInfo> FtpWebPublisher::AskServerInfo(const std::string& web_folder) {
  TFtpDataMenu dialog(parent_, services_, web_folder, sockets_);
  if (on_data_shown) QTimer::singleShot(0, &dialog, [this, &dialog] { on_data_shown(dialog); });
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Result();
}

std::string FtpWebPublisher::Publish(const web::PublishRequest& request) {
  TFtpMenu window(parent_, services_, sockets_);
  window_ = &window;
  window.SetPublishRequest(request);
  if (on_shown) QTimer::singleShot(0, &window, [this, &window] { on_shown(window); });
  window.exec();
  window_ = nullptr;
  return window.HomeAddress();
}

void FtpWebPublisher::OpenTool() {
  TFtpMenu window(parent_, services_, sockets_);
  window_ = &window;
  window.OpenAsTool();
  if (on_shown) QTimer::singleShot(0, &window, [this, &window] { on_shown(window); });
  window.exec();
  window_ = nullptr;
}

}  // namespace vr::ftp::ui
