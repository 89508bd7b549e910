#include "web/ftp/ftp_login.h"

#include <algorithm>

#include "web/ftp/ftp_sites.h"

namespace vr::ftp {

FtpLogin LoginOfSite(const FtpSite& site) {
  FtpLogin login;
  login.server_name = site.server_name;
  login.user_name = site.user_name;
  login.password = site.password;
  login.anonymous = site.anonymous;
  login.use_proxy = site.use_proxy;
  login.proxy_server = site.proxy_server;
  login.proxy_port = site.proxy_port;
  login.passive = site.use_pasv;
  login.attempts = site.login_attempts;
  login.delay = site.login_delay;
  login.use_tls = site.use_tls;
  login.tls_fingerprint = site.tls_fingerprint;
  return login;
}

std::string LoginHost(const FtpLogin& login) {
  return login.use_proxy ? login.proxy_server : login.server_name;
}

void ApplyLogin(TFtpClient& client, const FtpLogin& login) {
  const std::string user = login.anonymous ? std::string("anonymous") : login.user_name;
  const FtpSocks& socks = login.socks;
  const bool via_socks =
      socks.type == ftpSocks4 || socks.type == ftpSocks4A || socks.type == ftpSocks5;
  client.SetConnectionType(via_socks ? socks.type : ftpDirect);
  client.SetSocksServer(via_socks ? socks.server : std::string());
  client.SetSocksPort(via_socks ? socks.port : std::string());
  client.SetSocksUserCode(via_socks ? socks.user_code : std::string());
  client.SetSocksPassword(via_socks ? socks.password : std::string());
  if (login.use_proxy) {
    client.SetHostName(login.proxy_server);
    client.SetUserName(user + "@" + login.server_name);
    client.SetPort(login.proxy_port.empty() ? std::string("21") : login.proxy_port);
  } else {
    // A "host:port" server name reaches a server on another port (tests, private servers).
    std::string host = login.server_name;
    std::string port = "21";
    const size_t colon = host.rfind(':');
    if (colon != std::string::npos && host.find(':') == colon && colon + 1 < host.size() &&
        FtpServicePort(host.substr(colon + 1)) != 0) {
      port = host.substr(colon + 1);
      host.resize(colon);
    }
    client.SetHostName(host);
    client.SetUserName(user);
    client.SetPort(port);
  }
  client.SetPassWord(login.password);
  client.SetPassive(login.passive);
  client.SetUseTls(login.use_tls);
  client.SetTlsFingerprint(login.use_tls ? login.tls_fingerprint : std::string());
}

std::string CertificateQuestion(const std::string& host, const platform::TlsPeer& peer,
                                const std::string& accepted_fingerprint) {
  std::string text;
  if (!accepted_fingerprint.empty()) {
    text = "The certificate of " + host + " has CHANGED since you accepted it.\r\r" +
           "Accepted before:\r" + accepted_fingerprint + "\r\r";
  } else {
    text = "The certificate of " + host + " is not trusted.\r\r";
  }
  text += "Reason: " + (peer.errors.empty() ? std::string("unknown") : peer.errors) + "\r\r";
  if (!peer.subject.empty()) text += "Issued to: " + peer.subject + "\r";
  text += "SHA-256 fingerprint:\r" + peer.fingerprint + "\r\r" +
          "Accept this certificate for this site? (Answer No unless you know the fingerprint "
          "is the server's.)";
  return text;
}

bool AskAboutCertificate(platform::Ui& ui, const std::string& question) {
  return ui.Choice("Untrusted Certificate", platform::ChoiceKind::kWarning, question,
                   {"&Accept", "+-&Refuse"}) == 1;
}

std::string LoginFailureDetail(const TFtpClient& client) {
  const std::string& error = client.ErrorMessage();
  if (error.empty()) return std::string();
  if (client.UseTls()) {
    if (client.CertificateUnknown()) {
      return "The server's certificate was not accepted, so nothing was sent.\r" + error;
    }
    if (error.find("AUTH TLS") != std::string::npos || error.rfind("534", 0) == 0) {
      return error + "\r\rTurn \"Use FTP over TLS\" off only if you accept that the password "
                     "travels unencrypted.";
    }
    return std::string();
  }
  const bool tls_named =
      error.find("TLS") != std::string::npos || error.find("SSL") != std::string::npos;
  if (error.size() >= 3 && error[0] == '5' && tls_named) {
    return "The server said: " + error +
           "\r\rThe server demands FTP over TLS: turn on \"Use FTP over TLS\".";
  }
  return std::string();
}

std::string ConnectingText(const FtpLogin& login) {
  if (login.use_proxy) {
    return "CONNECTING:" + login.server_name + " / Proxy [" + login.proxy_server +
           "] Port:" + login.proxy_port;
  }
  return "CONNECTING:" + login.server_name;
}

std::string AttemptText(int attempts_left, int seconds_left) {
  return "Connecting - [Attempt:" + std::to_string(attempts_left) + "...<" +
         std::to_string(seconds_left) + "> ]";
}

bool LoginWithAttempts(TFtpClient& client, const FtpLogin& login, const LoginHooks& hooks) {
  // A session left from before (a login the server refused keeps the connection) goes first.
  if (client.Connected()) client.Abort();
  ApplyLogin(client, login);
  if (hooks.status) hooks.status(ConnectingText(login));
  const int attempts = std::clamp(login.attempts, 1, 99);
  const int delay = std::clamp(login.delay, 1, 10);
  bool asked = false;
  for (int attempt = 1;; ++attempt) {
    bool ok = false;
    try {
      if (client.Connected()) client.Abort();
      ok = client.Connect();
    } catch (const FtpException&) {
      return false;  // an empty user name or password: nothing to try again with
    }
    if (ok) return true;
    if (client.Connected()) client.Abort();
    if (client.CertificateUnknown()) {
      // Asked once, outside the socket events; a Yes logs in again with the certificate.
      const platform::TlsPeer peer = client.TlsPeerFacts();
      if (asked || !hooks.certificate ||
          !hooks.certificate(CertificateQuestion(LoginHost(login), peer, client.TlsFingerprint()),
                             peer)) {
        return false;
      }
      asked = true;
      client.SetTlsFingerprint(peer.fingerprint);
      --attempt;
      continue;
    }
    if (attempt >= attempts) return false;
    for (int left = delay; left > 0; --left) {
      if (hooks.status) hooks.status(AttemptText(attempts - attempt, left));
      if (hooks.wait_second && !hooks.wait_second()) return false;
    }
  }
}

}  // namespace vr::ftp
