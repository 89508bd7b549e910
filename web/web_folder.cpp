#include "web/web_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "colour/export/export_picture.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"
#include "picture/picture_holder.h"
#include "platform/path_rules.h"
#include "web/web_pages.h"

namespace vr::web {
namespace {

bool LessNoCase(const std::string& a, const std::string& b) {
  const std::string ua = platform::UpperAscii(a);
  const std::string ub = platform::UpperAscii(b);
  return ua != ub ? ua < ub : a < b;
}

// Plain files of a folder, sorted with case ignored.
std::vector<std::string> FilesIn(const std::string& folder, platform::Files& files) {
  std::vector<std::string> names;
  files.ListFolder(folder, [&names](const platform::DirEntry& e) {
    if (!e.IsDirectory()) names.push_back(e.name);
    return true;
  });
  std::sort(names.begin(), names.end(), LessNoCase);
  return names;
}

bool StartsNoCase(const std::string& name, const std::string& prefix) {
  return name.size() >= prefix.size() &&
         platform::EqualIgnoringAsciiCase(name.substr(0, prefix.size()), prefix);
}

void DeleteFile(const std::string& path, platform::Files& files) {
  if (auto attributes = files.GetAttributes(path); attributes && (*attributes & platform::kAttrReadOnly)) {
    files.SetAttributes(path, *attributes & ~static_cast<uint32_t>(platform::kAttrReadOnly));
  }
  files.DeleteFile(path);
}

bool IsPicture(const std::string& name) {
  const uint16_t kind = picture::KindFromName(name);
  return kind == picture::kKindGif || kind == picture::kKindJpeg || kind == picture::kKindPng;
}

std::vector<std::string> Prefixed(const std::string& folder, const std::vector<std::string>& names) {
  std::vector<std::string> out;
  out.reserve(names.size());
  for (const std::string& name : names) out.push_back(folder + name);
  return out;
}

// Whether a template file holds exactly these lines; the main image's line, which carries the
// picture's size, is passed over.
bool SameTemplate(const std::string& text, const std::vector<std::string>& lines) {
  size_t at = 0;
  for (const std::string& line : lines) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) return false;
    const std::string got = text.substr(at, end - at);
    at = end + 2;
    if (line.find(kMainThumbName) != std::string::npos &&
        got.find(kMainThumbName) != std::string::npos) {
      continue;
    }
    if (got != line) return false;
  }
  return at == text.size();
}

}  // namespace

std::string ReadTextFile(const std::string& path) {
  std::string text;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

WebFolder::WebFolder(const std::string& folder)
    : root(platform::WithTrailingSeparator(folder)),
      pages(root + kPagesFolder + "/"),
      thumbs(root + kThumbsFolder + "/") {}

std::vector<std::string> PictureSet(const WebFolder& folder, platform::Files& files) {
  std::vector<std::string> names = FilesIn(folder.root, files);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& n) { return !IsPicture(n); }),
              names.end());
  return names;
}

bool MakeSubfolders(const WebFolder& folder, platform::Files& files) {
  bool ok = true;
  for (const std::string& sub : {folder.pages, folder.thumbs}) {
    const std::string path = sub.substr(0, sub.size() - 1);
    if (auto st = files.Stat(path); st && st->IsDirectory()) continue;
    ok = files.MakeFolder(path).ok && ok;
  }
  return ok;
}

void RemoveEmptySubfolders(const WebFolder& folder, platform::Files& files) {
  for (const std::string& sub : {folder.pages, folder.thumbs}) {
    bool empty = true;
    files.ListFolder(sub, [&empty](const platform::DirEntry&) {
      empty = false;
      return false;
    });
    if (empty) files.RemoveFolder(sub.substr(0, sub.size() - 1));
  }
}

WebOptions LoadWebOptions(const WebFolder& folder, ServerInfo* server) {
  const platform::ProfileFile file(folder.WebInfoPath());
  if (server != nullptr) *server = ReadServerInfo(file);
  return ReadWebOptions(file);
}

bool SaveWebOptions(const WebFolder& folder, const WebOptions& options, const ServerInfo& server) {
  const std::string path = folder.WebInfoPath();
  // A new file starts owner-only; the atomic rewrite keeps the mode of the file it replaces.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) ::close(fd);
  ::chmod(path.c_str(), 0600);
  platform::ProfileFile file(path);
  WriteWebOptions(file, options);
  WriteServerInfo(file, server);
  return file.Flush();
}

void DeletePreviousOutput(const WebFolder& folder, platform::Files& files) {
  for (const std::string& name : FilesIn(folder.pages, files)) {
    if (StartsNoCase(name, "index") || StartsNoCase(name, "default")) {
      DeleteFile(folder.pages + name, files);
    }
  }
  for (const std::string& name : FilesIn(folder.thumbs, files)) DeleteFile(folder.thumbs + name, files);
}

std::vector<std::string> UserFilesInPages(const WebFolder& folder, const WebOptions& options,
                                          platform::Files& files) {
  std::vector<std::string> own;
  for (const std::string& name : FilesIn(folder.pages, files)) {
    if (StartsNoCase(name, "index") || StartsNoCase(name, "default") ||
        platform::EqualIgnoringAsciiCase(name, kWebInfoName) ||
        platform::EqualIgnoringAsciiCase(name, kBackgroundImageName) ||
        platform::EqualIgnoringAsciiCase(name, kMainImageName) ||
        platform::EqualIgnoringAsciiCase(name, kMainThumbName)) {
      continue;
    }
    if (platform::EqualIgnoringAsciiCase(name, kTemplateName)) {
      // A template as "Make Template" writes it for these options is the wizard's own.
      const std::string text = ReadTextFile(folder.pages + name);
      const bool main = options.main_image_use && !options.main_image.empty();
      if (SameTemplate(text, TemplateFileLines(options, main, 0, 0))) continue;
    }
    own.push_back(name);
  }
  return own;
}

void CleanUp(const WebFolder& folder, platform::Files& files) {
  DeletePreviousOutput(folder, files);
  for (const std::string& name : FilesIn(folder.pages, files)) DeleteFile(folder.pages + name, files);
}

bool CopyImageIntoPages(const WebFolder& folder, const std::string& source, const std::string& name,
                        platform::Files& files, std::string* error) {
  const std::string target = folder.pages + name;
  bool ok = false;
  if (platform::UpperAscii(source).ends_with(".GIF")) {
    if (platform::SamePath(source, target)) return true;
    const std::string temp = target + ".part";
    files.DeleteFile(temp);
    platform::FileResult copied = files.CopyFile(source, temp);
    if (copied.ok) {
      DeleteFile(target, files);
      copied = files.RenameFile(temp, target);
    }
    if (!copied.ok) {
      files.DeleteFile(temp);
      if (error != nullptr) *error = copied.message;
    }
    ok = copied.ok;
  } else {
    picture::PictureHolder holder;
    picture::LoadDetails details;
    picture::LoadPicture(source, holder, picture::DecodeOptions{}, &details);
    if (details.failed) {
      if (error != nullptr) *error = "The picture could not be read: " + source;
      return false;
    }
    ok = colour::SavePictureAs(target, holder, error);
  }
  if (ok) files.SetAttributes(target, 0);
  return ok;
}

std::vector<std::string> UploadLists::All() const {
  std::vector<std::string> all = pictures;
  all.insert(all.end(), pages.begin(), pages.end());
  all.insert(all.end(), thumbs.begin(), thumbs.end());
  return all;
}

UploadLists UploadFiles(const WebFolder& folder, int mode, platform::Files& files) {
  UploadLists lists;
  if (mode < kUploadAll || mode > kUploadNeeded) return lists;
  const bool pictures = mode == kUploadAll || mode == kUploadPictures || mode == kUploadNeeded;
  const bool pages = mode != kUploadPictures;
  const bool thumbs = mode == kUploadAll || mode == kUploadHtmlAndThumbs || mode == kUploadNeeded;
  if (pictures) lists.pictures = Prefixed(folder.root, PictureSet(folder, files));
  if (pages) {
    std::vector<std::string> names = FilesIn(folder.pages, files);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& n) {
                                 return platform::EqualIgnoringAsciiCase(n, kTemplateName) ||
                                        platform::EqualIgnoringAsciiCase(n, kMainImageName) ||
                                        platform::EqualIgnoringAsciiCase(n, kWebInfoName) ||
                                        // the atomic rewrite's temporaries of the settings file
                                        StartsNoCase(n, std::string(".") + kWebInfoName);
                               }),
                names.end());
    lists.pages = Prefixed(folder.pages, names);
  }
  if (thumbs) lists.thumbs = Prefixed(folder.thumbs, FilesIn(folder.thumbs, files));
  return lists;
}

}  // namespace vr::web
