// veldrimon-tool album: albums on the command line.
//   album add BASE ALBUM FILE...   adds the allowable files among FILE... (as "From Files List")
//   album list BASE ALBUM          loads the album as the manager does, without questions, and
//                                  prints path, size and stamp per entry (tab-separated), with
//                                  "MISSING" after an entry whose file is gone
//   album fix BASE OLD NEW         rewrites every album's entries from OLD to NEW
//   album new BASE PARENT          makes "New Album n" under PARENT and prints its name
// BASE is the folder holding "Albums_Veldrimon"; ALBUM and PARENT are paths below the root, "."
// the root itself.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "albums/album_ops.h"
#include "albums/album_tree.h"
#include "lists/allowable_types.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/path_rules.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: album add BASE ALBUM FILE... | list BASE ALBUM | fix BASE OLD NEW | "
               "new BASE PARENT\n");
  return 2;
}

// The album's folder, which must exist below the root.
bool AlbumFolder(vr::platform::Files& files, const std::string& base, const std::string& album,
                 std::string* folder) {
  const std::string root = vr::albums::AlbumRootFor(base);
  if (!vr::albums::EnsureAlbumRoot(files, root)) {
    std::fprintf(stderr, "album: cannot make the album root %s\n", root.c_str());
    return false;
  }
  for (size_t start = 0; start <= album.size();) {
    size_t end = album.find('/', start);
    if (end == std::string::npos) end = album.size();
    const std::string part = album.substr(start, end - start);
    if (part == "..") {
      std::fprintf(stderr, "album: %s is not below the album root\n", album.c_str());
      return false;
    }
    start = end + 1;
  }
  *folder = vr::albums::AlbumFolderOf(root, album);
  if (!files.IsFolder(*folder)) {
    std::fprintf(stderr, "album: no album %s\n", album.c_str());
    return false;
  }
  return true;
}

int RunAlbum(const std::vector<std::string>& args) {
  if (args.size() < 3) return Usage();
  vr::platform::PosixFiles files;
  const std::string& what = args[0];
  const std::string& base = args[1];
  if (what == "add" && args.size() >= 4) {
    std::string folder;
    if (!AlbumFolder(files, base, args[2], &folder)) return 1;
    std::vector<vr::albums::AlbumEntry> entries =
        vr::albums::ReadAlbumFile(folder + vr::albums::kAlbumFileName);
    const vr::lists::AllowableTypes allowable;
    std::vector<std::string> paths;
    for (auto it = args.begin() + 3; it != args.end(); ++it) {
      std::error_code ec;
      const std::filesystem::path full = std::filesystem::absolute(*it, ec);
      paths.push_back(ec ? *it : full.lexically_normal().string());
    }
    for (const std::string& p : paths) {
      if (p.find_first_of("\r\n") != std::string::npos) {
        std::fprintf(stderr, "album: a path holding a line break cannot be kept in an album\n");
      }
    }
    const auto result =
        vr::albums::AddFilesToAlbum(folder, &entries, paths, files, &allowable, nullptr);
    if (!result.written) {
      std::fprintf(stderr, "%s%s%s\n", vr::albums::kSaveErrorText, folder.c_str(),
                   vr::albums::kAlbumFileName);
      return 1;
    }
    std::printf("Added:%zu\n", result.added);
    return 0;
  }
  if (what == "list" && args.size() == 3) {
    std::string folder;
    if (!AlbumFolder(files, base, args[2], &folder)) return 1;
    const vr::lists::AllowableTypes allowable;
    vr::albums::LoadHooks hooks;
    hooks.files = &files;
    hooks.allowable = &allowable;
    hooks.temp_folder = vr::platform::ResolveTempFolder(vr::platform::ProcessEnvironment());
    int status = 0;
    hooks.save_error = [&status](const std::string& text) {
      std::fprintf(stderr, "%s\n", text.c_str());
      status = 1;
    };
    const vr::albums::LoadResult loaded = vr::albums::LoadAlbum(folder, hooks);
    if (loaded.missing_folder) {
      std::fprintf(stderr, "%s\n", vr::albums::MissingFolderWarning(args[2]).c_str());
      return 1;
    }
    for (const vr::albums::AlbumEntry& e : loaded.entries) {
      const bool missing = std::binary_search(loaded.missing.begin(), loaded.missing.end(),
                                              vr::platform::PathKey(e.path));
      std::printf("%s\t%llu\t%u%s\n", e.path.c_str(), static_cast<unsigned long long>(e.size),
                  e.stamp, missing ? "\tMISSING" : "");
    }
    return status;
  }
  if (what == "fix" && args.size() == 4) {
    const std::string root = vr::albums::AlbumRootFor(base);
    int status = 0;
    const size_t n = vr::albums::FixAlbumEntries(
        files, root, {{args[2], args[3]}}, nullptr, [&status](const std::string& text) {
          std::fprintf(stderr, "%s\n", text.c_str());
          status = 1;
        });
    std::printf("Fixed:%zu\n", n);
    return status;
  }
  if (what == "new" && args.size() == 3) {
    std::string folder;
    if (!AlbumFolder(files, base, args[2], &folder)) return 1;
    const std::string name = vr::albums::MakeNewAlbum(files, folder);
    if (name.empty()) {
      std::fprintf(stderr, "album: cannot make a new album under %s\n", folder.c_str());
      return 1;
    }
    std::printf("%s\n", name.c_str());
    return 0;
  }
  return Usage();
}

Registration reg("album",
                 "album add BASE ALBUM FILE... | list BASE ALBUM | fix BASE OLD NEW | new BASE "
                 "PARENT  albums below BASE/Albums_Veldrimon",
                 RunAlbum);

}  // namespace
}  // namespace vr::tool
