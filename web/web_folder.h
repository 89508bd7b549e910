#pragma once
// A Web Folder on disk: its pictures, its "webpages" and "webthumbs" sub-folders, the files each
// upload mode hands to publishing, and the clean-up of what the wizard made.

#include <string>
#include <vector>

#include "platform/files.h"
#include "web/web_options.h"

namespace vr::web {

struct WebFolder {
  explicit WebFolder(const std::string& folder);
  std::string root;    // with a trailing separator
  std::string pages;   // root + "webpages/"
  std::string thumbs;  // root + "webthumbs/"
  std::string WebInfoPath() const { return pages + kWebInfoName; }
  std::string TemplatePath() const { return pages + kTemplateName; }
};

// A whole file as text; empty when it cannot be read.
std::string ReadTextFile(const std::string& path);

// The names of the GIF, JPEG and PNG files directly in the folder, sorted with case ignored.
std::vector<std::string> PictureSet(const WebFolder& folder, platform::Files& files);

// Makes "webpages" and "webthumbs" when missing; false when one cannot be made.
bool MakeSubfolders(const WebFolder& folder, platform::Files& files);
// Removes the two sub-folders when they are empty (failures are ignored).
void RemoveEmptySubfolders(const WebFolder& folder, platform::Files& files);

// The options of "WebInfo.INI" (defaults for a missing file) and its server section.
WebOptions LoadWebOptions(const WebFolder& folder, ServerInfo* server = nullptr);
// Writes the options and the server section; the file is made readable by its owner only.
// False when it could not be written.
bool SaveWebOptions(const WebFolder& folder, const WebOptions& options, const ServerInfo& server);

// Deletes the pages of both home page names and every thumbnail (the previous output).
void DeletePreviousOutput(const WebFolder& folder, platform::Files& files);

// Files of "webpages" that Clean Up would delete although the wizard did not make them: a
// template that differs from a freshly made one, and any file it never writes.
std::vector<std::string> UserFilesInPages(const WebFolder& folder, const WebOptions& options,
                                          platform::Files& files);
// Deletes the previous output and every file of "webpages" (never the pictures).
void CleanUp(const WebFolder& folder, platform::Files& files);

// Puts the picture `source` into "webpages" as `name` ("WP_BGImage.GIF", "WP_MainImage.GIF"): a
// GIF is copied, anything else loaded and saved as GIF. An existing copy is replaced; the new
// one's attributes are cleared. False with the reason on failure.
bool CopyImageIntoPages(const WebFolder& folder, const std::string& source, const std::string& name,
                        platform::Files& files, std::string* error);

// Upload modes and what each hands to publishing (sorted names, full paths).
enum UploadMode {
  kUploadAll = 1,
  kUploadPictures = 2,
  kUploadHtmlAndThumbs = 3,
  kUploadHtml = 4,
  kUploadNeeded = 5,
  kOpenFtpTool = 7,
};
struct UploadLists {
  std::vector<std::string> pictures;
  std::vector<std::string> pages;  // never "WebInfo.INI", the template or the main image original
  std::vector<std::string> thumbs;
  std::vector<std::string> All() const;
};
UploadLists UploadFiles(const WebFolder& folder, int mode, platform::Files& files);

}  // namespace vr::web
