#pragma once
// The publish run of the FTP window: uploads what the web page wizard hands over (a
// PublishRequest) to the server in three groups - pictures to the destination folder D, page
// files to D/webpages, thumbnails to D/webthumbs - each group on a fresh login. Missing folders
// are asked for (pictures) or made silently (the two sub-folders); what the server already holds
// is read from its listing and either skipped (mode 5) or asked about. The run reports through a
// sink: each file's state, the status line, the upload-list pane and the "Last Error:" text.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "web/ftp/ftp_client.h"
#include "web/ftp/ftp_login.h"
#include "web/publish.h"

namespace vr::ftp {

inline constexpr const char* kNoFilesUploaded =
    "NO FILES WERE UPLOADED, CAN'T DETERMINE Web Location(URL)";
inline constexpr const char* kWaitingToUpload = "[Waiting To Upload]";
inline constexpr const char* kUploading = "[Uploading...]";
inline constexpr const char* kSkippedOnSite = "[Skipped, Already On Web Site]";
inline constexpr const char* kSkippedByUser = "[Skipped By User]";
inline constexpr const char* kUploadDone = "[Upload DONE]";
inline constexpr const char* kNotUploaded = "[NOT Uploaded]";

// Server paths joined with exactly one "/" between the parts; "\\" becomes "/". Empty parts add
// nothing ("webfolders/mypics1" + "webpages\\" gives "webfolders/mypics1/webpages").
std::string JoinServerPath(const std::string& a, const std::string& b);
// The folders of a server path, empty parts skipped ("/a//b/" gives a, b).
std::vector<std::string> ServerPathParts(const std::string& path);
// "Unix Server", "DOS/Windows Server", "VMS MultiNet Server", "AS-400 Server", or "".
std::string ServerKindText(int listing_style);
// An upload-list pane entry: " <DIR>    " + name, or the size in KB right-aligned in eight
// characters, two blanks and the name.
std::string UploadListEntry(const std::string& name, const std::string& size,
                            const std::string& kind);

struct PublishSink {
  // State text of request.all[index].
  std::function<void(size_t index, const std::string& state)> file_state;
  std::function<void(const std::string&)> status;
  std::function<void(const std::string&)> upload_list;
  std::function<void(const std::string&)> last_error;
  // The login countdown's one-second wait; false stops.
  std::function<bool()> wait_second;
  // The user accepted an untrusted certificate: its fingerprint, to store with the site.
  std::function<void(const std::string& fingerprint)> certificate_accepted;
};

class FtpPublishRun {
 public:
  FtpPublishRun(TFtpClient& client, platform::Ui& ui, PublishSink sink);

  // Runs the request; gives the home address or kNoFilesUploaded.
  std::string Run(const web::PublishRequest& request, int login_attempts = 1, int login_delay = 1);
  // "&Abort Upload" after the user agreed: the file under way fails, the rest is skipped.
  void Abort();
  // Every login of the following runs goes through this SOCKS server.
  void SetSocks(FtpSocks socks) { socks_ = std::move(socks); }

  bool running() const { return running_; }
  int uploaded() const { return uploaded_; }
  bool failed() const { return failed_; }
  // Every group ran to its end (nothing failed, refused or aborted).
  bool completed() const { return completed_; }

 private:
  struct Group {
    const std::vector<std::string>* files;
    std::string folder;  // relative to the start path, "/" separated
    size_t first_index;  // position of files[0] in request.all
    const char* heading;
  };
  struct Listed {
    std::string size;
    bool folder = false;
  };

  bool RunGroup(const web::PublishRequest& request, const Group& group, bool pictures);
  bool Login();
  bool EnterFolder(const std::string& path, bool ask);
  bool MakeFolders(const std::string& path);
  bool ListFolder(const Group& group, std::map<std::string, Listed>* names);
  // True when the run may go on.
  bool UploadOne(const web::PublishRequest& request, const std::string& local,
                 const std::string& folder, size_t index,
                 const std::map<std::string, Listed>& names);
  void Disconnect();
  void State(size_t index, const std::string& text);
  void Status(const std::string& text);

  TFtpClient& client_;
  platform::Ui& ui_;
  PublishSink sink_;
  platform::ConfirmScope overwrite_;
  FtpLogin login_;
  FtpSocks socks_;
  std::string start_path_;
  bool running_ = false;
  bool aborted_ = false;
  bool failed_ = false;
  bool completed_ = false;
  bool ok_to_all_ = false;
  int uploaded_ = 0;
  size_t file_number_ = 0;
  size_t file_count_ = 0;
  std::string current_name_;
  int64_t current_size_ = 0;
};

}  // namespace vr::ftp
