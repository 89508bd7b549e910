// The FTP tool on its own ("Internet Web Site Tool (FTP)"), with the site profiles.
#include "shell/ui/main_window.h"
#include "web/ftp/ui/ftp_publisher.h"

namespace vr::shell::ui {

void TVeldrimon69::InternetWebSiteTool1Click() {
  ftp::ui::FtpWebPublisher publisher(this, services_);
  publisher.OpenTool();
}

}  // namespace vr::shell::ui
