// The FTP window's part in FTP over TLS: the settings tab's note and the certificate question of
// its logins.
#include <QCheckBox>
#include <QLabel>

#include "web/ftp/ftp_login.h"
#include "web/ftp/ftp_sites.h"
#include "web/ftp/ui/ftp_menu.h"
#include "web/web_options.h"

namespace vr::ftp::ui {

void TFtpMenu::ShowTlsNote(bool tls) { plain_note_->setHidden(tls); }

bool TFtpMenu::AcceptCertificate(const std::string& question, const platform::TlsPeer& peer) {
  if (services_.ui == nullptr || !AskAboutCertificate(*services_.ui, question)) return false;
  if (!current_profile_.empty() && sites_->Exists(current_profile_)) {
    // Only the fingerprint changes in the stored profile; edits in the fields stay unsaved.
    FtpSite stored = sites_->Read(current_profile_);
    stored.tls_fingerprint = peer.fingerprint;
    sites_->Save(stored);
  }
  return true;
}

void TFtpMenu::StoreWebFolderFingerprint(const std::string& fingerprint) {
  if (!request_ || request_->web_folder.empty()) return;
  std::string folder = request_->web_folder;
  if (folder.back() != '/') folder += '/';
  platform::ProfileFile info(folder + web::kPagesFolder + "/" + web::kWebInfoName);
  web::ServerInfo server = web::ReadServerInfo(info);
  server.tls_fingerprint = fingerprint;
  web::WriteServerInfo(info, server);
  info.Flush();
}

}  // namespace vr::ftp::ui
