#pragma once
// Small rules of the FTP tool: which listed files describe the others and how their lines are
// read, the automatic transfer type, the folder-name filter, and which listed names may become
// local file names.

#include <string>
#include <vector>

namespace vr::ftp {

inline constexpr const char* kFolderNameWarning =
    "The only valid characters are A-Z and 0-9 and the / ~ - . \\ _  symbols.";

// "INDEX", "00INDEX", "00_INDEX", "00-INDEX", "000INDEX", "000_INDEX", "000-INDEX", with or
// without ".TXT", in any case.
bool IsDescriptionFileName(const std::string& name);
// The description of `name` in a description file's lines: the rest of the first line that
// begins with the name (any case) after its first word, trimmed; each following line that
// begins with a blank is appended trimmed, until an empty line or one that does not.
std::string DescriptionOf(const std::vector<std::string>& lines, const std::string& name);

// Automatic type: ".TXT", ".TEXT", ".ME" and ".RTF" (any case) go as ASCII, all else binary.
bool AutoTransferIsAscii(const std::string& name);

// Keeps only "-", ".", "/", "0"-"9", "A"-"Z", "\\", "_", "a"-"z" and "~".
std::string FilterFolderName(const std::string& text);

// A listed name that may become a local file name: not empty, not "." or "..", and without
// "/", "\\" or NUL (a server could otherwise write outside the download folder).
bool SafeLocalName(const std::string& name);

// The FTP window's check (every 15 seconds) before it opens more transfer windows: free file
// descriptors of this process and the system's available memory.
struct SystemResources {
  long free_descriptors = -1;   // -1: unknown
  long mem_available_kb = -1;   // -1: unknown
};
inline constexpr const char* kLowResourcesText =
    "Low System Resources! Exit some programs or windows to free up some system resources. "
    "Otherwise you won't be able to open up any more Upload/Download Windows!";
// Low when fewer than 32 descriptors are left (a transfer window needs a few sockets and a
// file) or less than 32 MB of memory is available. Unknown figures count as enough.
bool ResourcesLow(const SystemResources& resources);
// Reads the figures: descriptors from /proc/self/fd against RLIMIT_NOFILE, memory from the
// "MemAvailable:" line of `meminfo_path`.
SystemResources MeasureResources(const std::string& meminfo_path = "/proc/meminfo");

}  // namespace vr::ftp
