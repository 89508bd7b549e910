#pragma once
// The one login routine the FTP window, the transfer threads and the server dialog share: the
// proxy rule, anonymous log-in, the attempts with their countdown, and the texts they show.

#include <functional>
#include <string>

#include "platform/ui.h"
#include "web/ftp/ftp_client.h"

namespace vr::ftp {

// A SOCKS server both connections go through (type ftpDirect: none). Names are resolved by a
// SOCKS 4A or 5 server, so a server name the client cannot resolve itself still works.
struct FtpSocks {
  TFtpConnectionType type = ftpDirect;  // ftpDirect, ftpSocks4, ftpSocks4A or ftpSocks5
  std::string server;
  std::string port = "1080";
  std::string user_code;  // SOCKS 5 user-code log-in when not empty
  std::string password;
};

struct FtpLogin {
  std::string server_name;
  std::string user_name;
  std::string password;
  bool anonymous = false;
  bool use_proxy = false;
  std::string proxy_server;
  std::string proxy_port = "21";
  bool passive = false;
  int attempts = 1;  // tries, 1..99
  int delay = 1;     // seconds between tries, 1..10
  FtpSocks socks;
  bool use_tls = false;         // explicit FTP over TLS
  std::string tls_fingerprint;  // the untrusted certificate the user accepted (SHA-256)
};

struct FtpSite;
FtpLogin LoginOfSite(const FtpSite& site);

// Sets host, port, user, password and passive mode on the client. Through a proxy the client
// talks to the proxy server and logs in as user + "@" + server.
void ApplyLogin(TFtpClient& client, const FtpLogin& login);
// The host the client reaches: the proxy server or the server.
std::string LoginHost(const FtpLogin& login);
// "CONNECTING:" + server (+ " / Proxy [" + proxy + "] Port:" + port).
std::string ConnectingText(const FtpLogin& login);
// "Connecting - [Attempt:" + attempts left + "...<" + seconds left + "> ]".
std::string AttemptText(int attempts_left, int seconds_left);

struct LoginHooks {
  // Status texts: the connecting text, then the countdown once a second between tries.
  std::function<void(const std::string&)> status;
  // Waits one second (pumping events, ending early on a stop); false stops the tries.
  std::function<bool()> wait_second;
  // An untrusted certificate that is not the accepted one: the question and its facts. True
  // accepts it (the caller stores peer.fingerprint); without this hook it is refused.
  std::function<bool(const std::string& question, const platform::TlsPeer& peer)> certificate;
};

// The question for an untrusted certificate: the reason and the SHA-256 fingerprint, and whether
// it replaces a different one accepted before.
std::string CertificateQuestion(const std::string& host, const platform::TlsPeer& peer,
                                const std::string& accepted_fingerprint);
// The question as a choice box: "Accept" or "Refuse" (focused, and the Escape answer).
bool AskAboutCertificate(platform::Ui& ui, const std::string& question);
// What a failed log-in tells the user beyond "could not connect": the server's refusal or the TLS
// problem, with a hint on the "Use FTP over TLS" setting where it applies. Empty when nothing
// more is known.
std::string LoginFailureDetail(const TFtpClient& client);

// Connects and logs in (the client's connect request) up to `attempts` times. True when logged in.
// An untrusted certificate goes to hooks.certificate once; accepted, the log-in starts again
// with it, refused, the tries end (no USER was sent).
bool LoginWithAttempts(TFtpClient& client, const FtpLogin& login, const LoginHooks& hooks);

}  // namespace vr::ftp
