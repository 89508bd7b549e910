#pragma once
// The FTP tool's site profiles: one section of "LSFTP.INI" (program folder) per profile, the
// section name being the profile's name. Booleans are stored "1"/"0", counts in decimal, the
// description in double quotes so that commas and outer blanks survive, the password scrambled.
// The file holds passwords (only scrambled), so it is kept owner-only (0600).

#include <string>
#include <vector>

#include "platform/profile_file.h"

namespace vr::ftp {

inline constexpr const char* kSitesFileName = "LSFTP.INI";
inline constexpr const char* kNewSiteName = "New FTP Site";

struct FtpSite {
  std::string name = kNewSiteName;
  std::string server_name;
  std::string starting_path;
  std::string web_folder;
  bool anonymous = false;
  std::string user_name;
  std::string password;  // plain text in memory
  bool use_proxy = false;
  std::string proxy_server;
  std::string proxy_port = "21";
  std::string description;
  bool use_pasv = false;
  int login_attempts = 1;  // 1..99
  int login_delay = 1;     // seconds, 1..10
  bool use_tls = false;
  std::string tls_fingerprint;
  friend bool operator==(const FtpSite&, const FtpSite&) = default;
};

// Reads one profile (missing keys take the defaults; counts are brought into their ranges).
FtpSite ReadFtpSite(const platform::ProfileFile& file, const std::string& name);
void WriteFtpSite(platform::ProfileFile& file, const FtpSite& site);

// Why a profile name is refused; kOk when it may be used.
enum class SiteNameCheck { kOk, kEmpty, kTaken, kBadCharacters };
// The message the settings tab shows for a refused name.
std::string SiteNameMessage(SiteNameCheck check);

class FtpSites {
 public:
  // Reads `path` (usually program folder + "LSFTP.INI"); a missing file has no profiles.
  explicit FtpSites(std::string path);

  // Profile names in file order.
  std::vector<std::string> Names() const { return file_.Sections(); }
  bool Exists(const std::string& name) const { return file_.SectionExists(name); }
  FtpSite Read(const std::string& name) const { return ReadFtpSite(file_, name); }

  // Adds a profile with the defaults under "New FTP Site" (a number appended while that name is
  // taken) and writes the file; gives the new name.
  std::string Add();
  // Writes a profile under its name (replacing what the section held).
  bool Save(const FtpSite& site);
  // A new name for a profile: refused when empty, taken by another profile, or holding "[", "]",
  // a line break or outer blanks (the section header could not hold it).
  SiteNameCheck CheckName(const std::string& old_name, const std::string& new_name) const;
  SiteNameCheck Rename(const std::string& old_name, const std::string& new_name);
  bool Erase(const std::string& name);

  const std::string& path() const { return file_.path(); }

 private:
  // Writes the file owner-only.
  bool Flush();

  platform::ProfileFile file_;
};

}  // namespace vr::ftp
