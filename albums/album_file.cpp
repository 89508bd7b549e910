#include "albums/album_file.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>

#include "lists/recycle/recycle_index.h"
#include "platform/path_rules.h"
#include "platform/profile_file.h"

namespace vr::albums {
namespace {

template <typename T>
T FieldOr0(std::string_view field) {
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  T value = 0;
  const auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (ec != std::errc()) return 0;
  for (const char* p = ptr; p != field.data() + field.size(); ++p) {
    if (*p != ' ') return 0;  // "12x" is no number
  }
  return value;
}

std::string_view NextField(std::string_view* rest) {
  const size_t comma = rest->find(',');
  std::string_view field = rest->substr(0, comma);
  *rest = comma == std::string_view::npos ? std::string_view() : rest->substr(comma + 1);
  return field;
}

bool ReadWhole(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  // One read of the size the file has now (an album of 100,000 lines is several megabytes);
  // whatever it has grown by meanwhile is read after it.
  const std::streamoff size = in.tellg();
  in.seekg(0);
  if (size > 0) {
    text->resize(static_cast<size_t>(size));
    in.read(text->data(), size);
    text->resize(static_cast<size_t>(in.gcount()));
  }
  if (in) text->append(std::istreambuf_iterator<char>(in), {});
  return !in.bad();
}

}  // namespace

std::optional<AlbumEntry> ParseAlbumLine(std::string_view line) {
  if (line.empty()) return std::nullopt;
  recycle::LeadingPath split = recycle::SplitLeadingPath(line);
  if (split.path.empty()) return std::nullopt;
  AlbumEntry e;
  e.path = std::move(split.path);
  if (split.rest) {
    std::string_view rest = *split.rest;
    e.size = FieldOr0<uint64_t>(NextField(&rest));
    e.stamp = FieldOr0<uint32_t>(NextField(&rest));
  }
  return e;
}

std::optional<std::string> FormatAlbumLine(const AlbumEntry& entry) {
  std::optional<std::string> line = recycle::FormatLeadingPath(entry.path);
  if (!line) return std::nullopt;
  std::string info = entry.information.substr(0, 30);
  if (info.find_first_of("\r\n") != std::string::npos) info.clear();
  *line += "," + std::to_string(entry.size) + "," + std::to_string(entry.stamp) + "," + info;
  return line;
}

std::vector<AlbumEntry> ReadAlbumFile(const std::string& file) {
  std::vector<AlbumEntry> entries;
  std::string text;
  if (!ReadWhole(file, &text)) return entries;
  entries.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (auto e = ParseAlbumLine(std::string_view(text).substr(start, end - start))) {
      entries.push_back(std::move(*e));
    }
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  return entries;
}

platform::FileResult WriteAlbumFile(const std::string& file,
                                    const std::vector<AlbumEntry>& entries) {
  std::string text;
  text.reserve(entries.size() * 64);
  for (const AlbumEntry& e : entries) {
    if (auto line = FormatAlbumLine(e)) {
      text += *line;
      text += "\r\n";
    }
  }
  return platform::WriteFileAtomically(file, text);
}

std::string ReadSyncFolder(const std::string& album_folder) {
  platform::ProfileFile ini(platform::WithTrailingSeparator(album_folder) + kAlbumIniName);
  return ini.ReadString("Album Properties", "Sync_Folder", "");
}

bool WriteSyncFolder(const std::string& album_folder, const std::string& sync_folder) {
  platform::ProfileFile ini(platform::WithTrailingSeparator(album_folder) + kAlbumIniName);
  ini.WriteString("Album Properties", "Sync_Folder", sync_folder);
  return ini.Flush();
}

std::string ReadComments(const std::string& album_folder) {
  std::string text;
  ReadWhole(platform::WithTrailingSeparator(album_folder) + kCommentsName, &text);
  return text;
}

platform::FileResult WriteComments(const std::string& album_folder, const std::string& text) {
  return platform::WriteFileAtomically(platform::WithTrailingSeparator(album_folder) + kCommentsName,
                                       text);
}

namespace {

// Sorts by a key made once per entry (not once per comparison): a hundred thousand entries sort
// without millions of temporary strings.
template <typename KeyFn>
void SortByKey(std::vector<AlbumEntry>* entries, KeyFn key) {
  std::vector<std::pair<std::string, size_t>> keys;
  keys.reserve(entries->size());
  for (size_t i = 0; i < entries->size(); ++i) keys.emplace_back(key((*entries)[i]), i);
  std::stable_sort(keys.begin(), keys.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<AlbumEntry> sorted;
  sorted.reserve(entries->size());
  for (const auto& k : keys) sorted.push_back(std::move((*entries)[k.second]));
  *entries = std::move(sorted);
}

}  // namespace

void SortByFileName(std::vector<AlbumEntry>* entries) {
  // The key is the name, a zero and the path, made in one piece; the case rule works on single
  // characters, so it applies to the whole key at once.
  const bool fold = platform::PathCaseRule() != platform::CaseRule::kExact;
  SortByKey(entries, [fold](const AlbumEntry& e) {
    const size_t slash = e.path.find_last_of(platform::kSeparator);
    const std::string_view name =
        slash == std::string::npos ? std::string_view(e.path)
                                   : std::string_view(e.path).substr(slash + 1);
    std::string key;
    key.reserve(name.size() + 1 + e.path.size());
    key.append(name);
    key.push_back('\0');
    key.append(e.path);
    return fold ? platform::UpperAscii(std::move(key)) : key;
  });
}

void SortAndDropDuplicatePaths(std::vector<AlbumEntry>* entries) {
  SortByKey(entries, [](const AlbumEntry& e) { return platform::PathKey(e.path); });
  auto last = std::unique(entries->begin(), entries->end(),
                          [](const AlbumEntry& a, const AlbumEntry& b) {
                            return platform::SamePath(a.path, b.path);
                          });
  entries->erase(last, entries->end());
}

}  // namespace vr::albums
