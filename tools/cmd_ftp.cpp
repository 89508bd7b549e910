// veldrimon-tool ftp ...: the FTP client on the command line (listing, transfers, folders), and
// ftp-parse: the listing parser over standard input.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "tools/tool_command.h"
#include "web/ftp/listing/ftp_listing.h"

#ifdef VR_TOOL_HAVE_QT_SOCKETS
#include <QCoreApplication>

#include "platform/qt/socket_qt.h"
#include "web/ftp/ftp_client.h"
#endif

namespace vr::tool {
namespace {

int RunFtpParse(const std::vector<std::string>& args) {
  if (!args.empty()) {
    std::fprintf(stderr, "usage: veldrimon-tool ftp-parse < listing\n");
    return 2;
  }
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(std::cin, line)) lines.push_back(line);
  std::vector<std::string> sizes, kinds, links, dates, times;
  const int style = ftp::ParseFtpListing(lines, sizes, kinds, links, dates, times);
  for (size_t k = 0; k < lines.size(); ++k) {
    std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", lines[k].c_str(), sizes[k].c_str(), kinds[k].c_str(),
                links[k].c_str(), dates[k].c_str(), times[k].c_str());
  }
  std::printf("style %d\n", style);
  return 0;
}

Registration parse_registration("ftp-parse",
                                "ftp-parse < LISTING  one line per entry: name size kind link "
                                "date time, then the style",
                                RunFtpParse);

#ifdef VR_TOOL_HAVE_QT_SOCKETS

struct FtpUrl {
  std::string user = "anonymous";
  std::string password = "anonymous@";
  std::string host;
  std::string port = "21";
  std::string path;  // without the leading slash
};

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const std::string hex = text.substr(i + 1, 2);
      char* end = nullptr;
      const long value = std::strtol(hex.c_str(), &end, 16);
      if (hex.size() == 2 && end == hex.c_str() + 2) {
        out += static_cast<char>(value);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

bool ParseUrl(const std::string& url, FtpUrl* out) {
  const std::string scheme = "ftp://";
  if (url.compare(0, scheme.size(), scheme) != 0) return false;
  std::string rest = url.substr(scheme.size());
  const size_t slash = rest.find('/');
  std::string authority = rest.substr(0, slash);
  out->path = slash == std::string::npos ? std::string() : PercentDecode(rest.substr(slash + 1));
  const size_t at = authority.rfind('@');
  if (at != std::string::npos) {
    const std::string login = authority.substr(0, at);
    authority = authority.substr(at + 1);
    const size_t colon = login.find(':');
    out->user = PercentDecode(login.substr(0, colon));
    out->password =
        colon == std::string::npos ? std::string() : PercentDecode(login.substr(colon + 1));
  }
  const size_t colon = authority.rfind(':');
  if (colon != std::string::npos) {
    out->port = authority.substr(colon + 1);
    authority = authority.substr(0, colon);
  }
  out->host = authority;
  return !out->host.empty() && ftp::FtpServicePort(out->port) != 0;
}

// Splits "a/b/c.jpg" into the folder "/a/b" (for CWD) and the name "c.jpg".
void SplitPath(const std::string& path, std::string* folder, std::string* name) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    *folder = "/";
    *name = path;
  } else {
    *folder = "/" + path.substr(0, slash);
    *name = path.substr(slash + 1);
  }
}

int Usage() {
  std::fprintf(stderr,
               "usage: veldrimon-tool ftp ls URL | get URL LOCAL [--resume] | put LOCAL URL |\n"
               "       mkdir URL | rm URL   [--active|--passive] [--timeout SECONDS] [-v]\n"
               "URL: ftp://[user[:password]@]host[:port]/path\n");
  return 2;
}

int RunFtp(const std::vector<std::string>& all_args) {
  std::vector<std::string> args;
  bool passive = true;
  bool resume = false;
  bool verbose = false;
  int timeout = 30;
  for (size_t i = 0; i < all_args.size(); ++i) {
    const std::string& a = all_args[i];
    if (a == "--active")
      passive = false;
    else if (a == "--passive")
      passive = true;
    else if (a == "--resume")
      resume = true;
    else if (a == "-v")
      verbose = true;
    else if (a == "--timeout" && i + 1 < all_args.size()) {
      const std::string& text = all_args[++i];
      char* end = nullptr;
      const long value = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || value < 0 || value > 86400) {
        std::fprintf(stderr, "veldrimon-tool ftp: --timeout wants whole seconds: %s\n",
                     text.c_str());
        return 2;
      }
      timeout = static_cast<int>(value);
    } else
      args.push_back(a);
  }
  if (args.empty()) return Usage();
  const std::string& verb = args[0];
  std::string url_text;
  std::string local;
  if (verb == "ls" || verb == "mkdir" || verb == "rm") {
    if (args.size() != 2) return Usage();
    url_text = args[1];
  } else if (verb == "get") {
    if (args.size() != 3) return Usage();
    url_text = args[1];
    local = args[2];
  } else if (verb == "put") {
    if (args.size() != 3) return Usage();
    local = args[1];
    url_text = args[2];
  } else {
    return Usage();
  }
  FtpUrl url;
  if (!ParseUrl(url_text, &url)) {
    std::fprintf(stderr, "veldrimon-tool ftp: not an ftp:// URL with a host: %s\n",
                 url_text.c_str());
    return 2;
  }

  int argc = 1;
  char name[] = "veldrimon-tool";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  platform::qt::QtSocketService sockets;
  ftp::TFtpClient client(sockets);
  client.SetHostName(url.host);
  client.SetPort(url.port);
  client.SetUserName(url.user);
  client.SetPassWord(url.password);
  client.SetPassive(passive);
  client.SetTimeout(timeout);
  if (verbose)
    client.OnDisplay = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };

  bool ok = false;
  std::string folder, file;
  // Arguments the client refuses (a name holding CR, LF or NUL, say) come back as an exception.
  try {
    if (verb == "ls") {
      client.SetHostDirName(url.path.empty() ? std::string() : "/" + url.path);
      client.SetDisplayFileFlag(true);
      client.OnDisplayFile = [](const std::string& line) { std::printf("%s\n", line.c_str()); };
      ok = client.Directory();
    } else if (verb == "get") {
      SplitPath(url.path, &folder, &file);
      client.SetHostDirName(folder);
      client.SetHostFileName(file);
      client.SetLocalFileName(local);
      ok = resume ? client.RestartReceive() : client.Receive();
    } else if (verb == "put") {
      SplitPath(url.path, &folder, &file);
      if (file.empty()) {
        const size_t slash = local.rfind('/');
        file = slash == std::string::npos ? local : local.substr(slash + 1);
      }
      client.SetHostDirName(folder);
      client.SetHostFileName(file);
      client.SetLocalFileName(local);
      ok = client.Transmit();
    } else {
      std::string path = url.path;
      while (!path.empty() && path.back() == '/') path.pop_back();
      SplitPath(path, &folder, &file);
      client.SetHostDirName(folder);
      client.SetHostFileName(file);
      ok = verb == "mkdir" ? client.Mkdir() : client.DeleteFile();
    }
  } catch (const ftp::FtpException& e) {
    std::fprintf(stderr, "veldrimon-tool ftp %s: %s\n", verb.c_str(), e.what());
    return 1;
  }
  if (!ok) {
    std::fprintf(stderr, "veldrimon-tool ftp %s: %s\n", verb.c_str(),
                 client.ErrorMessage().empty() ? client.LastResponse().c_str()
                                               : client.ErrorMessage().c_str());
    return 1;
  }
  if (verb == "get" || verb == "put") {
    std::fprintf(stderr, "%lld bytes\n", static_cast<long long>(client.ByteCount()));
  }
  return 0;
}

Registration ftp_registration(
    "ftp", "ftp ls|get|put|mkdir|rm ...  FTP client (ftp://user:pw@host:port/path)", RunFtp);

#endif  // VR_TOOL_HAVE_QT_SOCKETS

}  // namespace
}  // namespace vr::tool
