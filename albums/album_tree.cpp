#include "albums/album_tree.h"

#include <algorithm>
#include <cerrno>

#include "albums/album_file.h"
#include "platform/path_rules.h"

namespace vr::albums {

std::string AlbumRootFor(const std::string& base_folder) {
  return platform::WithTrailingSeparator(platform::WithTrailingSeparator(base_folder) + kRootName);
}

bool EnsureAlbumRoot(platform::Files& files, const std::string& root) {
  if (files.IsFolder(root)) return true;
  return static_cast<bool>(files.MakeFolder(root)) || files.IsFolder(root);
}

std::string BaseFromPickedFolder(const std::string& picked) {
  std::string folder = platform::WithTrailingSeparator(picked);
  std::string bare = folder;
  while (bare.size() > 1 && bare.back() == platform::kSeparator) bare.pop_back();
  if (platform::EqualIgnoringAsciiCase(platform::NameOf(bare), kRootName)) {
    const std::string parent = platform::FolderOf(bare);
    if (!parent.empty()) return parent;
  }
  return folder;
}

std::string AlbumFolderOf(const std::string& root, const std::string& relative) {
  if (relative.empty() || relative == ".") return platform::WithTrailingSeparator(root);
  return platform::WithTrailingSeparator(platform::WithTrailingSeparator(root) + relative);
}

std::vector<std::string> SubAlbums(platform::Files& files, const std::string& folder) {
  std::vector<std::string> names;
  files.ListFolder(platform::WithTrailingSeparator(folder), [&](const platform::DirEntry& e) {
    if (e.IsDirectory() && e.name != "." && e.name != "..") {
      const bool twin = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
        return platform::SamePath(n, e.name);
      });
      if (!twin) names.push_back(e.name);
    }
    return true;
  });
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return platform::PathKey(a) < platform::PathKey(b);
  });
  return names;
}

std::string NewAlbumName(platform::Files& files, const std::string& folder) {
  const std::vector<std::string> children = SubAlbums(files, folder);
  for (int n = 1;; ++n) {
    const std::string name = "New Album " + std::to_string(n);
    const bool taken = std::any_of(children.begin(), children.end(), [&](const std::string& c) {
      return platform::EqualIgnoringAsciiCase(c, name);
    });
    if (!taken) return name;
  }
}

std::string MakeNewAlbum(platform::Files& files, const std::string& parent_folder) {
  const std::string name = NewAlbumName(files, parent_folder);
  if (!files.MakeFolder(platform::WithTrailingSeparator(parent_folder) + name)) return {};
  return name;
}

bool ValidAlbumLabel(const std::string& label) {
  if (label.empty() || label == "." || label == "..") return false;
  return label.find_first_of("/\\") == std::string::npos &&
         label.find('\0') == std::string::npos;
}

platform::FileResult RenameAlbum(platform::Files& files, const std::string& album_folder,
                                 const std::string& label) {
  if (!ValidAlbumLabel(label)) return platform::FileResult::Fail(EINVAL);
  std::string bare = album_folder;
  while (bare.size() > 1 && bare.back() == platform::kSeparator) bare.pop_back();
  const std::string target = platform::FolderOf(bare) + label;
  if (files.Exists(target)) return platform::FileResult::Fail(EEXIST);
  return files.RenameFile(bare, target);
}

DeleteOutcome DeleteAlbum(platform::Files& files, const std::string& root,
                          const std::string& album_folder) {
  const std::string folder = platform::WithTrailingSeparator(album_folder);
  if (platform::SamePath(folder, platform::WithTrailingSeparator(root))) return DeleteOutcome::kIsRoot;
  if (!SubAlbums(files, folder).empty()) return DeleteOutcome::kHasSubAlbums;
  std::vector<std::string> own;
  bool others = false;
  files.ListFolder(folder, [&](const platform::DirEntry& e) {
    if (!e.IsDirectory() && (platform::EqualIgnoringAsciiCase(e.name, kAlbumFileName) ||
                             platform::EqualIgnoringAsciiCase(e.name, kAlbumIniName) ||
                             platform::EqualIgnoringAsciiCase(e.name, kCommentsName))) {
      own.push_back(folder + e.name);
    } else {
      others = true;
    }
    return true;
  });
  for (const std::string& f : own) files.DeleteFile(f);
  if (others) return DeleteOutcome::kOtherFilesKept;
  std::string bare = folder;
  bare.pop_back();
  return files.RemoveFolder(bare) ? DeleteOutcome::kDeleted : DeleteOutcome::kFailed;
}

std::vector<std::string> AllAlbumFiles(platform::Files& files, const std::string& root) {
  std::vector<std::string> found;
  std::vector<std::string> folders = {platform::WithTrailingSeparator(root)};
  while (!folders.empty()) {
    const std::string folder = folders.back();
    folders.pop_back();
    std::vector<std::string> subs;
    files.ListFolder(folder, [&](const platform::DirEntry& e) {
      if (e.is_link) return true;
      if (e.IsDirectory()) {
        subs.push_back(folder + e.name + "/");
      } else if (platform::EqualIgnoringAsciiCase(e.name, kAlbumFileName)) {
        found.push_back(folder + e.name);
      }
      return true;
    });
    std::sort(subs.rbegin(), subs.rend());
    for (const std::string& s : subs) folders.push_back(s);
  }
  return found;
}

}  // namespace vr::albums
