#pragma once
// The sectioned settings files ("VELDR.INI", "LSFTP.INI", album and web files):
//
//   [Section]
//   Key=Value
//
// Section and key names compare without regard to ASCII case. Values are text; integers are
// written in decimal; booleans are written "1" and "0" and read true for any non-zero integer. A
// missing file, section or key, or a value that is not a number where one is asked for, gives the
// caller's default. Lines that are neither sections nor keys (comments, blanks, junk) are kept as
// they are, and so is the order of sections and keys.
//
// The file is read once at construction; writes change the copy in memory and Flush() (also run
// by the destructor) writes it back through a temporary file renamed over the old one, so a
// crash never leaves a half-written settings file. Nothing here throws.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vr::platform {

class ProfileFile {
 public:
  // Reads `path` (a missing or unreadable file reads as empty).
  explicit ProfileFile(std::string path);
  // An in-memory profile over text, never written (for parsing and tests).
  static ProfileFile FromText(std::string_view text);
  ~ProfileFile();
  ProfileFile(ProfileFile&& other) noexcept;
  ProfileFile& operator=(ProfileFile&& other) noexcept;
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  const std::string& path() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;
  // ReadString with one pair of enclosing double quotes dropped (values written quoted, such as
  // comma text, so that their outer blanks survive).
  std::string ReadQuotedString(std::string_view section, std::string_view key,
                               std::string_view default_value) const;
  int64_t ReadInteger(std::string_view section, std::string_view key, int64_t default_value) const;
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  bool SectionExists(std::string_view section) const;
  bool KeyExists(std::string_view section, std::string_view key) const;
  // Section names in file order.
  std::vector<std::string> Sections() const;
  // The keys of a section in file order (empty when there is no such section).
  std::vector<std::string> SectionKeys(std::string_view section) const;
  // Key and value pairs of a section in file order.
  std::vector<std::pair<std::string, std::string>> SectionValues(std::string_view section) const;

  void EraseSection(std::string_view section);
  void EraseKey(std::string_view section, std::string_view key);

  // Writes pending changes; false when the file could not be written (the old file is then left
  // untouched). Does nothing when nothing changed or the profile has no path.
  bool Flush();
  bool dirty() const { return dirty_; }
  // The file's text as it would be written.
  std::string ToText() const;

 private:
  struct Line {
    std::string key;    // empty for a kept raw line
    std::string value;  // or the raw text
    bool raw = false;
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };

  ProfileFile() = default;
  void Parse(std::string_view text);
  const Line* FindKey(std::string_view section, std::string_view key) const;
  Section* FindSection(std::string_view section);
  const Section* FindSection(std::string_view section) const;

  std::string path_;
  std::vector<Section> sections_;  // sections_[0] holds the lines before the first section
  bool dirty_ = false;
  bool crlf_ = false;  // the file was written with CR LF line ends; keep them
};

// Comma text, a list of lines in one value: items joined by commas; an item holding a blank, a
// control character, a comma or a double quote is enclosed in double quotes with inner quotes
// doubled; an empty line is an empty item.
std::string JoinCommaText(const std::vector<std::string>& lines);
// The lines of comma text. Blanks and commas outside quotes separate items; a quoted item may
// hold anything. (A trailing empty item is not seen, as in the form's other readers.)
std::vector<std::string> SplitCommaText(std::string_view text);

// Parses a whole decimal integer (optional sign, surrounding blanks allowed); false on anything
// else or on overflow.
bool ParseProfileInteger(std::string_view text, int64_t* value);

}  // namespace vr::platform
