#include "lists/recycle/recycle_index.h"

#include <limits>

namespace vr::recycle {

bool IsBlankLine(std::string_view line) {
  for (char c : line) {
    if (c != ' ' && c != '\t') return false;
  }
  return true;
}

std::optional<IndexEntry> ParseIndexLine(std::string_view line) {
  if (IsBlankLine(line)) return std::nullopt;
  if (line.front() == '"') {
    // Quoted former path: runs to the quote that is not doubled and must be followed by a comma.
    std::string former;
    size_t i = 1;
    while (i < line.size()) {
      if (line[i] == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          former.push_back('"');
          i += 2;
          continue;
        }
        break;
      }
      former.push_back(line[i++]);
    }
    if (i < line.size() && i + 1 < line.size() && line[i + 1] == ',') {
      return IndexEntry{std::move(former), std::string(line.substr(i + 2))};
    }
    // Not a well-formed quoted path: fall back to the plain split below.
  }
  const size_t comma = line.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  return IndexEntry{std::string(line.substr(0, comma)), std::string(line.substr(comma + 1))};
}

std::optional<std::string> FormatIndexLine(const std::string& former, const std::string& copy) {
  auto has_line_end = [](const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
  };
  if (former.empty() || copy.empty() || has_line_end(former) || has_line_end(copy)) {
    return std::nullopt;
  }
  std::string line;
  if (former.find(',') != std::string::npos || former.front() == '"') {
    line.push_back('"');
    for (char c : former) {
      if (c == '"') line.push_back('"');
      line.push_back(c);
    }
    line.push_back('"');
  } else {
    line = former;
  }
  line.push_back(',');
  line.append(copy);
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
