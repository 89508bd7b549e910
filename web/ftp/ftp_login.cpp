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
    if (attempt >= attempts) return false;
    for (int left = delay; left > 0; --left) {
      if (hooks.status) hooks.status(AttemptText(attempts - attempt, left));
      if (hooks.wait_second && !hooks.wait_second()) return false;
    }
  }
}

}  // namespace vr::ftp
