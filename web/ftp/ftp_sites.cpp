#include "web/ftp/ftp_sites.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/path_rules.h"
#include "web/password_scramble.h"

namespace vr::ftp {
namespace {

int Clamp(int64_t value, int low, int high) {
  return static_cast<int>(std::clamp<int64_t>(value, low, high));
}

// A value on one line: line breaks would end the key and start junk lines.
std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

bool SameName(const std::string& a, const std::string& b) {
  return platform::UpperAscii(a) == platform::UpperAscii(b);
}

}  // namespace

FtpSite ReadFtpSite(const platform::ProfileFile& file, const std::string& name) {
  FtpSite s;
  s.name = name;
  s.server_name = file.ReadString(name, "ServerName", "");
  s.starting_path = file.ReadString(name, "StartingPath", "");
  s.web_folder = file.ReadString(name, "WebFolder", "");
  s.anonymous = file.ReadBool(name, "Anonymous", false);
  s.user_name = file.ReadString(name, "Username", "");
  s.password = web::PasswordUnscramble(file.ReadString(name, "Password", "")).value_or("");
  s.use_proxy = file.ReadBool(name, "UseProxy", false);
  s.proxy_server = file.ReadString(name, "ProxyServer", "");
  s.proxy_port = file.ReadString(name, "ProxyPort", "21");
  s.description = file.ReadQuotedString(name, "Description", "");
  s.use_pasv = file.ReadBool(name, "UsePASV", false);
  s.login_attempts = Clamp(file.ReadInteger(name, "LogInAttempts", 1), 1, 99);
  s.login_delay = Clamp(file.ReadInteger(name, "LogInAttempts_Delay", 1), 1, 10);
  s.use_tls = file.ReadBool(name, "UseTLS", false);
  s.tls_fingerprint = file.ReadString(name, "TLSFingerprint", "");
  return s;
}

void WriteFtpSite(platform::ProfileFile& file, const FtpSite& s) {
  const std::string& n = s.name;
  file.WriteString(n, "ServerName", OneLine(s.server_name));
  file.WriteString(n, "StartingPath", OneLine(s.starting_path));
  file.WriteString(n, "WebFolder", OneLine(s.web_folder));
  file.WriteBool(n, "Anonymous", s.anonymous);
  file.WriteString(n, "Username", OneLine(s.user_name));
  file.WriteString(n, "Password", web::PasswordScramble(s.password));
  file.WriteBool(n, "UseProxy", s.use_proxy);
  file.WriteString(n, "ProxyServer", OneLine(s.proxy_server));
  file.WriteString(n, "ProxyPort", OneLine(s.proxy_port));
  file.WriteString(n, "Description", "\"" + OneLine(s.description) + "\"");
  file.WriteBool(n, "UsePASV", s.use_pasv);
  file.WriteInteger(n, "LogInAttempts", Clamp(s.login_attempts, 1, 99));
  file.WriteInteger(n, "LogInAttempts_Delay", Clamp(s.login_delay, 1, 10));
  file.WriteBool(n, "UseTLS", s.use_tls);
  file.WriteString(n, "TLSFingerprint", OneLine(s.tls_fingerprint));
}

std::string SiteNameMessage(SiteNameCheck check) {
  switch (check) {
    case SiteNameCheck::kOk:
      return "";
    case SiteNameCheck::kEmpty:
      return "A profile needs a name!";
    case SiteNameCheck::kTaken:
      return "You can NOT name a profile the same as an Existing one!";
    case SiteNameCheck::kBadCharacters:
      return "A profile name can NOT hold \"[\", \"]\" or a line break, nor begin or end with a "
             "blank!";
  }
  return "";
}

FtpSites::FtpSites(std::string path) : file_(std::move(path)) {}

bool FtpSites::Flush() {
  if (!file_.dirty() || file_.path().empty()) return true;
  // The atomic write keeps the mode of the file it replaces, so the file is made (or made
  // again) owner-only before the first byte of a password goes into it.
  const int fd = ::open(file_.path().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) {
    ::close(fd);
  } else {
    ::chmod(file_.path().c_str(), 0600);
  }
  return file_.Flush();
}

std::string FtpSites::Add() {
  std::string name = kNewSiteName;
  for (int n = 2; Exists(name); ++n) name = std::string(kNewSiteName) + " " + std::to_string(n);
  FtpSite site;
  site.name = name;
  WriteFtpSite(file_, site);
  Flush();
  return name;
}

bool FtpSites::Save(const FtpSite& site) {
  if (CheckName(site.name, site.name) == SiteNameCheck::kBadCharacters ||
      site.name.empty()) {
    return false;
  }
  file_.EraseSection(site.name);
  WriteFtpSite(file_, site);
  return Flush();
}

SiteNameCheck FtpSites::CheckName(const std::string& old_name, const std::string& new_name) const {
  if (new_name.empty()) return SiteNameCheck::kEmpty;
  if (new_name.find_first_of("[]\r\n") != std::string::npos ||
      static_cast<unsigned char>(new_name.front()) <= ' ' ||
      static_cast<unsigned char>(new_name.back()) <= ' ') {
    return SiteNameCheck::kBadCharacters;
  }
  for (const std::string& other : Names()) {
    if (SameName(other, new_name) && !SameName(other, old_name)) return SiteNameCheck::kTaken;
  }
  return SiteNameCheck::kOk;
}

SiteNameCheck FtpSites::Rename(const std::string& old_name, const std::string& new_name) {
  const SiteNameCheck check = CheckName(old_name, new_name);
  if (check != SiteNameCheck::kOk) return check;
  FtpSite site = Read(old_name);
  file_.EraseSection(old_name);
  site.name = new_name;
  WriteFtpSite(file_, site);
  Flush();
  return check;
}

bool FtpSites::Erase(const std::string& name) {
  if (!Exists(name)) return false;
  file_.EraseSection(name);
  return Flush();
}

}  // namespace vr::ftp
