#pragma once
// The recycle bin's index "RECYCLE.TXT": one line per entry, oldest first, each ended by CR LF.
// A line is the file's former full path, a comma, and the full path of its copy in the bin:
//
//   /home/ann/pics/cat.jpg,/home/ann/.local/share/veldrimon/LS_RecycleBin/7.cat.jpg
//
// The first comma separates the two paths. A former path that itself holds a comma (or begins
// with a double quote) is written in double quotes, inner quotes doubled, so it survives the
// split; every other line is exactly the plain form above. Lines that are empty or blank are no
// entries. Copy names are the bin folder + a number + "." + the file's own name.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vr::recycle {

struct IndexEntry {
  std::string former;  // where the file was
  std::string copy;    // its copy in the bin
};

// The leading path field of a comma-separated line, shared with the album files: a path holding a
// comma (or beginning with a double quote) is written in double quotes with inner quotes doubled;
// every other path is written as it is. Nothing for an empty path or one holding CR or LF.
std::optional<std::string> FormatLeadingPath(const std::string& path);
// Splits a line's leading path field: the path and the rest after its comma (nothing when the
// line has no comma). A quoted path runs to the quote that is not doubled and must be followed by
// a comma or the line's end; anything else reads plainly up to the first comma.
struct LeadingPath {
  std::string path;
  std::optional<std::string_view> rest;
};
LeadingPath SplitLeadingPath(std::string_view line);

// True when a line holds only blanks (spaces, tabs) or nothing.
bool IsBlankLine(std::string_view line);
// Splits one line (without its line end); nothing for a blank line or one without a comma.
std::optional<IndexEntry> ParseIndexLine(std::string_view line);
// The line for an entry (without its line end). Paths holding CR or LF cannot be written.
std::optional<std::string> FormatIndexLine(const std::string& former, const std::string& copy);

// The lines of an index text (CR LF, LF or a lone CR end a line), blank ones left out, oldest
// first. A NUL byte is kept as part of its line.
std::vector<std::string> SplitIndexLines(std::string_view text);

// The number of a copy name: the decimal digits before the first "." of the name without
// folder; nothing when there are none or they overflow.
std::optional<int64_t> CopyNumber(std::string_view copy_path);
// 1 + the largest copy number among the lines, 0 when none has one.
int64_t NextCopyNumber(const std::vector<std::string>& lines);

}  // namespace vr::recycle
