#include "platform/profile_file.h"

#include <fstream>
#include <sstream>

#include "platform/files.h"

namespace vr::platform {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) {
    --end;
  }
  return text.substr(begin, end - begin);
}

// A line break inside a name or value would split it into two lines of the file.
std::string OneLine(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

// A name or value as written: one line with no blanks around it. Line breaks become blanks before
// the trim, so that a break at either end goes rather than being written as a blank that the
// next reading would drop (the value read back would differ from the one written).
std::string Clean(std::string_view text) {
  const std::string one = OneLine(text);
  return std::string(Trim(one));
}

}  // namespace

bool ParseProfileInteger(std::string_view text, int64_t* value) {
  text = Trim(text);
  if (text.empty()) return false;
  size_t i = 0;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return false;
  uint64_t magnitude = 0;
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  *value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {
  sections_.push_back(Section{});
  std::ifstream in(path_, std::ios::binary);
  if (!in) return;
  std::ostringstream text;
  text << in.rdbuf();
  Parse(text.str());
}

ProfileFile ProfileFile::FromText(std::string_view text) {
  ProfileFile profile;
  profile.sections_.push_back(Section{});
  profile.Parse(text);
  return profile;
}

ProfileFile::~ProfileFile() { Flush(); }

ProfileFile::ProfileFile(ProfileFile&& other) noexcept
    : path_(std::move(other.path_)),
      sections_(std::move(other.sections_)),
      dirty_(other.dirty_),
      crlf_(other.crlf_) {
  other.path_.clear();
  other.dirty_ = false;
}

ProfileFile& ProfileFile::operator=(ProfileFile&& other) noexcept {
  if (this != &other) {
    Flush();
    path_ = std::move(other.path_);
    sections_ = std::move(other.sections_);
    dirty_ = other.dirty_;
    crlf_ = other.crlf_;
    other.path_.clear();
    other.dirty_ = false;
  }
  return *this;
}

void ProfileFile::Parse(std::string_view text) {
  size_t pos = 0;
  bool first_line = true;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
      if (first_line) crlf_ = true;
    }
    first_line = false;

    const std::string_view trimmed = Trim(line);
    if (!trimmed.empty() && trimmed[0] == '[') {
      const size_t close = trimmed.find(']');
      if (close != std::string_view::npos) {
        sections_.push_back(Section{std::string(Trim(trimmed.substr(1, close - 1))), {}});
        continue;
      }
    }
    Line entry;
    const size_t equals = trimmed.find('=');
    const bool comment = !trimmed.empty() && (trimmed[0] == ';' || trimmed[0] == '#');
    if (!comment && equals != std::string_view::npos && equals > 0) {
      entry.key = std::string(Trim(trimmed.substr(0, equals)));
      entry.value = std::string(Trim(trimmed.substr(equals + 1)));
    }
    if (entry.key.empty()) {
      entry.raw = true;
      entry.value = std::string(line);
    }
    sections_.back().lines.push_back(std::move(entry));
  }
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view section) const {
  for (size_t i = 1; i < sections_.size(); ++i) {
    if (SameName(sections_[i].name, section)) return &sections_[i];
  }
  return nullptr;
}

ProfileFile::Section* ProfileFile::FindSection(std::string_view section) {
  return const_cast<Section*>(std::as_const(*this).FindSection(section));
}

const ProfileFile::Line* ProfileFile::FindKey(std::string_view section,
                                              std::string_view key) const {
  // The first section and key of a name win, as readers of such files have always done.
  for (size_t i = 1; i < sections_.size(); ++i) {
    if (!SameName(sections_[i].name, section)) continue;
    for (const Line& line : sections_[i].lines) {
      if (!line.raw && SameName(line.key, key)) return &line;
    }
  }
  return nullptr;
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view default_value) const {
  const Line* line = FindKey(section, key);
  return line != nullptr ? line->value : std::string(default_value);
}

std::string ProfileFile::ReadQuotedString(std::string_view section, std::string_view key,
                                          std::string_view default_value) const {
  const Line* line = FindKey(section, key);
  if (line == nullptr) return std::string(default_value);
  const std::string& v = line->value;
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return v.substr(1, v.size() - 2);
  return v;
}

int64_t ProfileFile::ReadInteger(std::string_view section, std::string_view key,
                                 int64_t default_value) const {
  const Line* line = FindKey(section, key);
  int64_t value = 0;
  if (line == nullptr || !ParseProfileInteger(line->value, &value)) return default_value;
  return value;
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key,
                           bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  const std::string clean_key = Clean(key);
  if (clean_key.empty()) return;
  const std::string clean_value = Clean(value);

  // Update the first line of that key wherever its section appears.
  for (size_t i = 1; i < sections_.size(); ++i) {
    if (!SameName(sections_[i].name, section)) continue;
    for (Line& line : sections_[i].lines) {
      if (!line.raw && SameName(line.key, clean_key)) {
        if (line.value != clean_value) {
          line.value = clean_value;
          dirty_ = true;
        }
        return;
      }
    }
  }

  Section* target = FindSection(section);
  if (target == nullptr) {
    // A blank line between the last section and the new one, as people write these files.
    std::vector<Line>& last = sections_.back().lines;
    if (sections_.size() > 1 &&
        (last.empty() || !last.back().raw || !Trim(last.back().value).empty())) {
      last.push_back(Line{{}, {}, true});
    }
    sections_.push_back(Section{Clean(section), {}});
    target = &sections_.back();
  }
  // New keys go after the section's last key, before its trailing blank or comment lines.
  auto insert_at = target->lines.end();
  while (insert_at != target->lines.begin() && std::prev(insert_at)->raw) --insert_at;
  target->lines.insert(insert_at, Line{clean_key, clean_value, false});
  dirty_ = true;
}

void ProfileFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool ProfileFile::SectionExists(std::string_view section) const {
  return FindSection(section) != nullptr;
}

bool ProfileFile::KeyExists(std::string_view section, std::string_view key) const {
  return FindKey(section, key) != nullptr;
}

std::vector<std::string> ProfileFile::Sections() const {
  std::vector<std::string> names;
  for (size_t i = 1; i < sections_.size(); ++i) {
    bool seen = false;
    for (const std::string& name : names) seen = seen || SameName(name, sections_[i].name);
    if (!seen) names.push_back(sections_[i].name);
  }
  return names;
}

std::vector<std::string> ProfileFile::SectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  for (const auto& [key, value] : SectionValues(section)) keys.push_back(key);
  return keys;
}

std::vector<std::pair<std::string, std::string>> ProfileFile::SectionValues(
    std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> values;
  for (size_t i = 1; i < sections_.size(); ++i) {
    if (!SameName(sections_[i].name, section)) continue;
    for (const Line& line : sections_[i].lines) {
      if (line.raw) continue;
      bool seen = false;
      for (const auto& known : values) seen = seen || SameName(known.first, line.key);
      if (!seen) values.emplace_back(line.key, line.value);
    }
  }
  return values;
}

void ProfileFile::EraseSection(std::string_view section) {
  for (size_t i = sections_.size(); i-- > 1;) {
    if (SameName(sections_[i].name, section)) {
      sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(i));
      dirty_ = true;
    }
  }
}

void ProfileFile::EraseKey(std::string_view section, std::string_view key) {
  for (size_t i = 1; i < sections_.size(); ++i) {
    if (!SameName(sections_[i].name, section)) continue;
    std::vector<Line>& lines = sections_[i].lines;
    const size_t before = lines.size();
    std::erase_if(lines, [&](const Line& line) { return !line.raw && SameName(line.key, key); });
    if (lines.size() != before) dirty_ = true;
  }
}

std::string ProfileFile::ToText() const {
  const char* eol = crlf_ ? "\r\n" : "\n";
  std::string text;
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (i > 0) {
      text += '[';
      text += sections_[i].name;
      text += ']';
      text += eol;
    }
    for (const Line& line : sections_[i].lines) {
      if (line.raw) {
        text += line.value;
      } else {
        text += line.key;
        text += '=';
        text += line.value;
      }
      text += eol;
    }
  }
  return text;
}

bool ProfileFile::Flush() {
  if (!dirty_ || path_.empty()) return true;
  try {
    if (!WriteFileAtomically(path_, ToText())) return false;
  } catch (...) {
    return false;  // settings writes never raise to their callers
  }
  dirty_ = false;
  return true;
}


std::string JoinCommaText(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += ',';
    const std::string& line = lines[i];
    bool quote = false;
    for (unsigned char c : line) {
      if (c <= ' ' || c == ',' || c == '"') quote = true;
    }
    if (!quote) {
      out += line;
      continue;
    }
    out += '"';
    for (char c : line) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

std::vector<std::string> SplitCommaText(std::string_view text) {
  std::vector<std::string> lines;
  size_t p = 0;
  const size_t n = text.size();
  auto blank = [&](size_t i) { return static_cast<unsigned char>(text[i]) <= ' '; };
  while (p < n && blank(p)) ++p;
  while (p < n) {
    std::string item;
    if (text[p] == '"') {
      ++p;
      while (p < n) {
        if (text[p] == '"') {
          if (p + 1 < n && text[p + 1] == '"') {
            item += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item += text[p++];
      }
    } else {
      const size_t start = p;
      while (p < n && !blank(p) && text[p] != ',') ++p;
      item.assign(text.substr(start, p - start));
    }
    lines.push_back(std::move(item));
    while (p < n && blank(p)) ++p;
    if (p < n && text[p] == ',') {
      do {
        ++p;
      } while (p < n && blank(p));
    }
  }
  return lines;
}

}  // namespace vr::platform
