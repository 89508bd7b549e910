#include "albums/album_ops.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <unordered_map>

#include "lists/allowable_types.h"
#include "notes/shortcut_file.h"
#include "platform/path_rules.h"
#include "platform/stat_run.h"

namespace vr::albums {
namespace {

void Say(const std::function<void(const std::string&)>& status, const std::string& text) {
  if (status) status(text);
}

bool Allowed(const lists::AllowableTypes* allowable, const std::string& name) {
  return allowable == nullptr || allowable->IsAllowablePath(name);
}

// The folder album's entries: the allowable files directly in its folder.
std::vector<AlbumEntry> FolderEntries(platform::Files& files, const std::string& folder,
                                      const lists::AllowableTypes* allowable) {
  std::vector<AlbumEntry> entries;
  files.ListFolder(folder, [&](const platform::DirEntry& e) {
    if (!e.IsDirectory() && Allowed(allowable, e.name)) {
      AlbumEntry entry;
      entry.path = folder + e.name;
      entry.size = e.size;
      entry.stamp = e.dos_stamp;
      entries.push_back(std::move(entry));
    }
    return true;
  });
  return entries;
}

}  // namespace

LoadResult LoadAlbum(const std::string& album_folder, const LoadHooks& hooks) {
  LoadResult r;
  if (hooks.files == nullptr) return r;
  platform::Files& files = *hooks.files;
  const std::string folder = platform::WithTrailingSeparator(album_folder);
  Say(hooks.status, "Loading Shortcuts For Album ...");
  const std::string sync = ReadSyncFolder(folder);
  std::vector<AlbumEntry> lines;
  if (!sync.empty()) {
    r.folder_album = true;
    const std::string locked = platform::WithTrailingSeparator(sync);
    if (!files.IsFolder(locked)) {
      r.missing_folder = true;
      return r;
    }
    lines = FolderEntries(files, locked, hooks.allowable);
  } else {
    lines = ReadAlbumFile(folder + kAlbumFileName);
  }

  bool changed = false;
  std::optional<notes::ShortcutFolder> links;
  std::vector<notes::ResolvePair> pairs;
  std::vector<size_t> pair_entry;  // the entry each pair stands for
  // The entries are checked in place, in "Album.Txt"'s order (sorted by path, so a folder's files
  // come together and its folder is opened once).
  r.entries = std::move(lines);
  const std::unique_ptr<platform::StatRun> look =
      r.folder_album ? nullptr : platform::StartStatRun(files);
  const size_t total = r.entries.size();
  for (size_t i = 0; i < total; ++i) {
    AlbumEntry& e = r.entries[i];
    if (i % 100 == 0 && i != 0) {
      Say(hooks.status, "Loading Album:[" + std::to_string(total - i) + "] " +
                            platform::NameOf(e.path));
      if (hooks.pump_and_poll_abort && hooks.pump_and_poll_abort()) {
        r.entries.clear();
        r.aborted = true;
        return r;
      }
    }
    if (look) {
      const std::optional<platform::StatRun::Facts> st = look->Look(e.path);
      if (st && !st->directory) {
        if (st->size != e.size || st->dos_stamp != e.stamp) {
          e.size = st->size;
          e.stamp = st->dos_stamp;
          changed = true;
        }
      } else {
        if (!links) links.emplace(hooks.temp_folder);
        const std::string link = links->FileFor(pairs.size());
        if (!links->folder().empty() &&
            notes::WriteShortcutFile(link, {e.path, e.size, e.stamp})) {
          pairs.push_back({link, e.path});
          pair_entry.push_back(i);
        }
      }
    }
    e.tagged = false;
    e.highlighted = false;
    e.information.clear();
  }

  if (!pairs.empty()) {
    const std::vector<notes::ResolvePair> left = hooks.resolve ? hooks.resolve(pairs) : pairs;
    r.unresolved = left.size();
    std::vector<bool> remove(r.entries.size(), false);
    bool removing = false;
    if (!left.empty() && hooks.ask_remove_unresolved &&
        hooks.ask_remove_unresolved(left.size())) {
      for (const notes::ResolvePair& l : left) {
        for (size_t j = 0; j < pairs.size(); ++j) {
          if (pairs[j].shortcut == l.shortcut) remove[pair_entry[j]] = removing = true;
        }
      }
    }
    for (size_t j = 0; j < pairs.size(); ++j) {
      AlbumEntry& e = r.entries[pair_entry[j]];
      if (j % 50 == 0) {
        Say(hooks.status, "Fixing Album:[" + std::to_string(pairs.size() - j) + "] " +
                              platform::NameOf(e.path));
      }
      const std::optional<notes::Shortcut> s = notes::ReadShortcutFile(pairs[j].shortcut);
      files.DeleteFile(pairs[j].shortcut);
      if (remove[pair_entry[j]]) continue;
      if (!s || s->path == e.path) {
        r.missing.push_back(platform::PathKey(e.path));
        continue;
      }
      e.path = s->path;
      if (const auto st = files.Stat(e.path)) {
        e.size = st->size;
        e.stamp = st->dos_stamp;
      } else {
        r.missing.push_back(platform::PathKey(e.path));
      }
      changed = true;
    }
    if (removing) {
      std::vector<AlbumEntry> kept;
      kept.reserve(r.entries.size());
      for (size_t i = 0; i < r.entries.size(); ++i) {
        if (!remove[i]) kept.push_back(std::move(r.entries[i]));
      }
      r.entries = std::move(kept);
      changed = true;
    }
    links->Remove();
  }

  if (changed && !r.folder_album) {
    const std::string file = folder + kAlbumFileName;
    if (WriteAlbumFile(file, r.entries)) {
      r.written = true;
    } else if (hooks.save_error) {
      hooks.save_error(kSaveErrorText + file);
    }
  }
  std::sort(r.missing.begin(), r.missing.end());
  SortByFileName(&r.entries);
  return r;
}

AddResult AddFilesToAlbum(const std::string& album_folder, std::vector<AlbumEntry>* entries,
                          const std::vector<std::string>& paths, platform::Files& files,
                          const lists::AllowableTypes* allowable,
                          const std::function<void(const std::string&)>& status) {
  AddResult result;
  const size_t before = entries->size();
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::string& path = paths[i];
    if (i % 100 == 0) {
      Say(status, "Getting FileInfo [" + std::to_string(paths.size() - i) + "]:" + path);
    }
    if (path.find_first_of("\r\n") != std::string::npos) continue;  // cannot be stored
    if (!Allowed(allowable, platform::NameOf(path))) continue;
    const std::optional<platform::DirEntry> st = files.Stat(path);
    if (!st || st->IsDirectory()) continue;
    AlbumEntry e;
    e.path = path;
    e.size = st->size;
    e.stamp = st->dos_stamp;
    entries->push_back(std::move(e));
    result.last_added = path;
  }
  const size_t offered = entries->size() - before;
  SortAndDropDuplicatePaths(entries);
  result.added = entries->size() >= before ? std::min(offered, entries->size() - before) : 0;
  result.written = WriteAlbumFile(platform::WithTrailingSeparator(album_folder) + kAlbumFileName,
                                  *entries);
  return result;
}

size_t FixAlbumEntries(platform::Files& files, const std::string& root, const PathMoves& moves,
                       const std::function<void(const std::string&)>& progress,
                       const std::function<void(const std::string&)>& error) {
  if (moves.empty()) return 0;
  std::unordered_map<std::string, const std::string*> moved;
  for (const auto& [from, to] : moves) {
    // A new path with a line break cannot be written as a line: the entry keeps its old path
    // rather than dropping out of the album.
    if (to.find_first_of("\r\n") == std::string::npos) moved[platform::PathKey(from)] = &to;
  }
  const std::string top = platform::WithTrailingSeparator(root);
  size_t changed_lines = 0;
  long visited = 0;
  std::vector<std::string> folders = {top};
  while (!folders.empty()) {
    const std::string folder = folders.back();
    folders.pop_back();
    std::vector<std::string> subs;
    std::string album_file;
    files.ListFolder(folder, [&](const platform::DirEntry& e) {
      if (++visited % 25 == 0 && progress) {
        std::string relative = folder.substr(top.size());
        if (!relative.empty()) relative.pop_back();
        progress("Fixing Shortcuts in Album: [" + relative + " ] " + e.name);
      }
      if (e.is_link) return true;
      if (e.IsDirectory()) {
        subs.push_back(folder + e.name + "/");
      } else if (platform::EqualIgnoringAsciiCase(e.name, kAlbumFileName)) {
        album_file = folder + e.name;
      }
      return true;
    });
    std::sort(subs.rbegin(), subs.rend());
    for (std::string& s : subs) folders.push_back(std::move(s));
    if (album_file.empty()) continue;
    std::vector<AlbumEntry> entries = ReadAlbumFile(album_file);
    size_t here = 0;
    for (AlbumEntry& e : entries) {
      const auto it = moved.find(platform::PathKey(e.path));
      if (it == moved.end()) continue;
      e.path = *it->second;
      ++here;
    }
    if (here == 0) continue;
    changed_lines += here;
    if (!WriteAlbumFile(album_file, entries) && error) error(kFixSaveErrorText);
  }
  return changed_lines;
}

}  // namespace vr::albums
