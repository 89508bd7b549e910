// veldrimon-tool ftp ...: the FTP client on the command line (listing, transfers, folders), and
// ftp-parse: the listing parser over standard input.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "tools/tool_command.h"
#include "web/ftp/listing/ftp_listing.h"
#include "web/password_scramble.h"

#ifdef VR_TOOL_HAVE_QT_SOCKETS
#include <QCoreApplication>

#include <algorithm>
#include <filesystem>

#include "platform/folders.h"
#include "platform/qt/socket_qt.h"
#include "platform/ui.h"
#include "web/ftp/ftp_client.h"
#include "web/ftp/ftp_publish.h"
#include "web/ftp/ftp_sites.h"
#include "web/ftp/ftp_transfer.h"
#include <chrono>
#include <thread>
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

int RunFtpScramble(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: veldrimon-tool ftp-scramble TEXT\n");
    return 2;
  }
  std::printf("%s\n", web::PasswordScramble(args[0]).c_str());
  return 0;
}

Registration scramble_registration(
    "ftp-scramble", "ftp-scramble TEXT  the stored (scrambled, NOT encrypted) form of a password",
    RunFtpScramble);

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
               "       get and put: [--speed 0..10] (0: 512 bytes/s ... 10: full speed)\n"
               "       [--tls [--tls-fingerprint SHA256]]  FTP over TLS; an untrusted\n"
               "       certificate is refused unless its fingerprint is given\n"
               "       publish (URL | --profile NAME) ...  (see: ftp publish --help)\n"
               "URL: ftp://[user[:password]@]host[:port]/path\n");
  return 2;
}

// The boxes of a publish run on the console: each is printed to standard error; questions are
// answered Yes with --yes and No otherwise; choice boxes take the button marked as the Escape
// answer (the safe one: an untrusted certificate is refused), else their first button.
class ConsoleUi : public platform::Ui {
 public:
  explicit ConsoleUi(bool yes) : yes_(yes) {}
  std::optional<std::string> PromptText(const std::string&, const std::string&,
                                        const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> PromptPassword(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::vector<std::string> OpenFiles(const platform::FileDialogOptions&) override { return {}; }
  std::optional<std::string> SaveFile(const platform::FileDialogOptions&) override {
    return std::nullopt;
  }
  std::optional<std::string> PickFolder(const std::string&, const std::string&) override {
    return std::nullopt;
  }

 protected:
  platform::Answer ShowMessage(platform::MessageKind, const std::string& title,
                               const std::string& text, unsigned buttons) override {
    Print(title, text);
    if ((buttons & platform::kButtonYes) != 0 && (buttons & platform::kButtonNo) != 0) {
      return yes_ ? platform::Answer::kYes : platform::Answer::kNo;
    }
    return (buttons & platform::kButtonOk) != 0 ? platform::Answer::kOk
                                                : platform::Answer::kCancel;
  }
  int ShowChoice(const std::string& title, platform::ChoiceKind, const std::string& text,
                 const std::vector<std::string>& captions) override {
    Print(title, text);
    const int escape = EscapeChoice(captions);
    return escape > 0 ? escape : 1;
  }

 private:
  static void Print(const std::string& title, std::string text) {
    std::replace(text.begin(), text.end(), '\r', '\n');
    std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
  }
  bool yes_;
};

// The files directly in a folder, sorted by name.
std::vector<std::string> FolderFiles(const std::string& folder) {
  std::vector<std::string> files;
  if (folder.empty()) return files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.is_regular_file(ec)) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

int PublishUsage() {
  std::fprintf(stderr,
               "usage: veldrimon-tool ftp publish (URL | --profile NAME) [--pictures DIR] "
               "[--pages DIR]\n"
               "       [--thumbs DIR] [--mode 1..5] [--home FILE] [--yes] [--timeout SECONDS]\n"
               "       [--tls [--tls-fingerprint SHA256]]\n"
               "The URL's path is the destination folder; --yes answers the questions Yes.\n"
               "An untrusted certificate is refused unless its fingerprint is given (or stored\n"
               "with the profile).\n");
  return 2;
}

int RunFtpPublish(const std::vector<std::string>& args) {
  std::string url_text, profile, pictures, pages, thumbs, home = "index.html";
  int mode = web::kUploadAll;
  int timeout = 30;
  bool yes = false;
  bool tls = false;
  std::string tls_fingerprint;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--yes") {
      yes = true;
    } else if (a == "--tls") {
      tls = true;
    } else if (a == "--tls-fingerprint" && has_value) {
      tls = true;
      tls_fingerprint = args[++i];
    } else if (a == "--profile" && has_value) {
      profile = args[++i];
    } else if (a == "--pictures" && has_value) {
      pictures = args[++i];
    } else if (a == "--pages" && has_value) {
      pages = args[++i];
    } else if (a == "--thumbs" && has_value) {
      thumbs = args[++i];
    } else if (a == "--home" && has_value) {
      home = args[++i];
    } else if ((a == "--mode" || a == "--timeout") && has_value) {
      const std::string& text = args[++i];
      char* end = nullptr;
      const long value = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0') return PublishUsage();
      if (a == "--mode") {
        if (value < 1 || value > 5) return PublishUsage();
        mode = static_cast<int>(value);
      } else {
        if (value < 0 || value > 86400) return PublishUsage();
        timeout = static_cast<int>(value);
      }
    } else if (a.rfind("--", 0) != 0 && url_text.empty()) {
      url_text = a;
    } else {
      return PublishUsage();
    }
  }
  if (url_text.empty() == profile.empty()) return PublishUsage();

  web::PublishRequest request;
  web::ServerInfo& server = request.server;
  int attempts = 1, delay = 1;
  if (!profile.empty()) {
    const std::string folder = platform::ResolveProgramFolder(
        platform::ExecutableFolder(), platform::ProcessEnvironment(), platform::FolderIsWritable);
    ftp::FtpSites sites(folder + ftp::kSitesFileName);
    if (!sites.Exists(profile)) {
      std::fprintf(stderr, "veldrimon-tool ftp publish: no profile \"%s\" in %s\n",
                   profile.c_str(), sites.path().c_str());
      return 2;
    }
    const ftp::FtpSite site = sites.Read(profile);
    server.server_name = site.server_name;
    server.start_path = site.starting_path;
    server.url_location = site.web_folder;
    server.anonymous = site.anonymous;
    server.user_name = site.user_name;
    server.password = site.password;
    server.use_proxy = site.use_proxy;
    server.proxy_server = site.proxy_server;
    server.proxy_port = site.proxy_port;
    server.use_pasv = site.use_pasv;
    request.use_tls = site.use_tls;
    request.tls_fingerprint = site.tls_fingerprint;
    attempts = site.login_attempts;
    delay = site.login_delay;
  } else {
    FtpUrl url;
    if (!ParseUrl(url_text, &url)) {
      std::fprintf(stderr, "veldrimon-tool ftp publish: not an ftp:// URL with a host: %s\n",
                   url_text.c_str());
      return 2;
    }
    server.server_name = url.port == "21" ? url.host : url.host + ":" + url.port;
    server.url_location = url.path;
    server.user_name = url.user;
    server.password = url.password;
    server.use_pasv = true;
  }
  const bool with_pictures = mode == web::kUploadAll || mode == web::kUploadPictures ||
                             mode == web::kUploadNeeded;
  const bool with_pages = mode != web::kUploadPictures;
  const bool with_thumbs = mode == web::kUploadAll || mode == web::kUploadHtmlAndThumbs ||
                           mode == web::kUploadNeeded;
  if (with_pictures) request.pictures = FolderFiles(pictures);
  if (with_pages) request.pages = FolderFiles(pages);
  if (with_thumbs) request.thumbs = FolderFiles(thumbs);
  request.all = request.pictures;
  request.all.insert(request.all.end(), request.pages.begin(), request.pages.end());
  request.all.insert(request.all.end(), request.thumbs.begin(), request.thumbs.end());
  if (tls) request.use_tls = true;
  if (!tls_fingerprint.empty()) request.tls_fingerprint = tls_fingerprint;
  request.mode = mode;
  request.home_page = std::string(web::kPagesFolder) + "/" + home;

  int argc = 1;
  char name[] = "veldrimon-tool";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  platform::qt::QtSocketService sockets;
  ftp::TFtpClient client(sockets);
  client.SetTimeout(timeout);
  ConsoleUi ui(yes);
  std::vector<std::string> states(request.all.size());
  ftp::PublishSink sink;
  sink.file_state = [&states](size_t index, const std::string& state) { states[index] = state; };
  sink.last_error = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
  sink.wait_second = [&sockets] {
    const int64_t until = sockets.Loop().NowMs() + 1000;
    while (sockets.Loop().NowMs() < until) sockets.Loop().ProcessEvents(100, false);
    return true;
  };
  ftp::FtpPublishRun run(client, ui, sink);
  const std::string result = run.Run(request, attempts, delay);
  for (size_t i = 0; i < request.all.size(); ++i) {
    const size_t slash = request.all[i].find_last_of('/');
    std::printf("%s\t%s\n", request.all[i].substr(slash + 1).c_str(), states[i].c_str());
  }
  std::printf("%s\n", result.c_str());
  return run.completed() ? 0 : 1;
}

int RunFtp(const std::vector<std::string>& all_args) {
  if (!all_args.empty() && all_args[0] == "publish") return RunFtpPublish(all_args);
  std::vector<std::string> args;
  bool passive = true;
  bool resume = false;
  bool tls = false;
  std::string tls_fingerprint;
  bool verbose = false;
  int timeout = 30;
  int speed = 10;
  for (size_t i = 0; i < all_args.size(); ++i) {
    const std::string& a = all_args[i];
    if (a == "--speed" && i + 1 < all_args.size()) {
      const std::string& text = all_args[++i];
      char* end = nullptr;
      const long value = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || value < 0 || value > 10) {
        std::fprintf(stderr, "veldrimon-tool ftp: --speed wants 0..10: %s\n", text.c_str());
        return 2;
      }
      speed = static_cast<int>(value);
    } else if (a == "--active")
      passive = false;
    else if (a == "--passive")
      passive = true;
    else if (a == "--resume")
      resume = true;
    else if (a == "--tls")
      tls = true;
    else if (a == "--tls-fingerprint" && i + 1 < all_args.size())
      tls_fingerprint = all_args[++i];
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
  client.SetUseTls(tls || !tls_fingerprint.empty());
  client.SetTlsFingerprint(tls_fingerprint);
  if (verbose)
    client.OnDisplay = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
  // The transfer windows' speed limit: position 0 (512 bytes a second) to 10 (full speed).
  ftp::FtpThrottle throttle;
  if (speed < 10) {
    client.SetBlockCap(ftp::ThrottleBlock(speed));
    client.OnProgress = [&throttle, &sockets, speed](int64_t count, bool&) {
      const int64_t wait = throttle.Step(count, ftp::SpeedLimit(speed), sockets.Loop().NowMs());
      if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    };
  }

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
    if (client.CertificateUnknown()) {
      std::fprintf(stderr, "(--tls-fingerprint %s accepts this certificate)\n",
                   client.TlsPeerFacts().fingerprint.c_str());
    }
    return 1;
  }
  if (verb == "get" || verb == "put") {
    std::fprintf(stderr, "%lld bytes\n", static_cast<long long>(client.ByteCount()));
  }
  return 0;
}

Registration ftp_registration(
    "ftp", "ftp ls|get|put|mkdir|rm|publish ...  FTP client (ftp://user:pw@host:port/path)", RunFtp);

#endif  // VR_TOOL_HAVE_QT_SOCKETS

}  // namespace
}  // namespace vr::tool
