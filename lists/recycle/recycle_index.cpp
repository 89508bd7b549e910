#include "lists/recycle/recycle_index.h"

#include <limits>

namespace vr::recycle {

bool IsBlankLine(std::string_view line) {
  for (char c : line) {
    if (c != ' ' && c != '\t') return false;
  }
  return true;
}

LeadingPath SplitLeadingPath(std::string_view line) {
  if (!line.empty() && line.front() == '"') {
    std::string path;
    size_t i = 1;
    while (i < line.size()) {
      if (line[i] == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          path.push_back('"');
          i += 2;
          continue;
        }
        break;
      }
      path.push_back(line[i++]);
    }
    if (i < line.size() && i + 1 == line.size()) return {std::move(path), std::nullopt};
    if (i < line.size() && line[i + 1] == ',') return {std::move(path), line.substr(i + 2)};
    // Not a well-formed quoted path: read plainly.
  }
  const size_t comma = line.find(',');
  if (comma == std::string_view::npos) return {std::string(line), std::nullopt};
  return {std::string(line.substr(0, comma)), line.substr(comma + 1)};
}

std::optional<std::string> FormatLeadingPath(const std::string& path) {
  if (path.empty() || path.find_first_of("\r\n") != std::string::npos) return std::nullopt;
  if (path.find(',') == std::string::npos && path.front() != '"') return path;
  std::string field = "\"";
  for (char c : path) {
    if (c == '"') field.push_back('"');
    field.push_back(c);
  }
  field.push_back('"');
  return field;
}

std::optional<IndexEntry> ParseIndexLine(std::string_view line) {
  if (IsBlankLine(line)) return std::nullopt;
  LeadingPath split = SplitLeadingPath(line);
  if (!split.rest) return std::nullopt;
  return IndexEntry{std::move(split.path), std::string(*split.rest)};
}

std::optional<std::string> FormatIndexLine(const std::string& former, const std::string& copy) {
  if (copy.empty() || copy.find_first_of("\r\n") != std::string::npos) return std::nullopt;
  std::optional<std::string> line = FormatLeadingPath(former);
  if (!line) return std::nullopt;
  line->push_back(',');
  line->append(copy);
  return line;
}

std::vector<std::string> SplitIndexLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    if (!IsBlankLine(line)) lines.emplace_back(line);
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::optional<int64_t> CopyNumber(std::string_view copy_path) {
  const size_t slash = copy_path.find_last_of('/');
  const std::string_view name =
      slash == std::string_view::npos ? copy_path : copy_path.substr(slash + 1);
  const size_t dot = name.find('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;
  int64_t value = 0;
  for (size_t i = 0; i < dot; ++i) {
    const char c = name[i];
    if (c < '0' || c > '9') return std::nullopt;
    if (value > (std::numeric_limits<int64_t>::max() - 9) / 10) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

int64_t NextCopyNumber(const std::vector<std::string>& lines) {
  int64_t next = 0;
  for (const std::string& line : lines) {
    const auto entry = ParseIndexLine(line);
    if (!entry) continue;
    const auto number = CopyNumber(entry->copy);
    if (number && *number >= next) next = *number + 1;
  }
  return next;
}

}  // namespace vr::recycle
