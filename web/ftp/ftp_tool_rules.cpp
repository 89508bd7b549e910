#include "web/ftp/ftp_tool_rules.h"

#include <dirent.h>
#include <sys/resource.h>

#include <cstdlib>
#include <fstream>

#include "platform/path_rules.h"

namespace vr::ftp {
namespace {

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool IsDescriptionFileName(const std::string& name) {
  std::string upper = platform::UpperAscii(name);
  if (EndsWith(upper, ".TXT")) upper.resize(upper.size() - 4);
  for (const char* known :
       {"INDEX", "00INDEX", "00_INDEX", "00-INDEX", "000INDEX", "000_INDEX", "000-INDEX"}) {
    if (upper == known) return true;
  }
  return false;
}

std::string DescriptionOf(const std::vector<std::string>& lines, const std::string& name) {
  if (name.empty()) return "";
  const std::string upper_name = platform::UpperAscii(name);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (platform::UpperAscii(lines[i]).rfind(upper_name, 0) != 0) continue;
    const std::string& line = lines[i];
    const size_t word_end = line.find_first_of(" \t");
    std::string text = word_end == std::string::npos ? "" : Trim(line.substr(word_end));
    for (size_t k = i + 1; k < lines.size(); ++k) {
      const std::string& next = lines[k];
      if (next.empty() || (next[0] != ' ' && next[0] != '\t')) break;
      text += Trim(next);
    }
    return text;
  }
  return "";
}

bool AutoTransferIsAscii(const std::string& name) {
  const std::string upper = platform::UpperAscii(name);
  for (const char* ext : {".TXT", ".TEXT", ".ME", ".RTF"}) {
    if (EndsWith(upper, ext)) return true;
  }
  return false;
}

std::string FilterFolderName(const std::string& text) {
  std::string out;
  for (char c : text) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
        c == '.' || c == '/' || c == '\\' || c == '_' || c == '~') {
      out += c;
    }
  }
  return out;
}

bool SafeLocalName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

bool ResourcesLow(const SystemResources& r) {
  return (r.free_descriptors >= 0 && r.free_descriptors < 32) ||
         (r.mem_available_kb >= 0 && r.mem_available_kb < 32 * 1024);
}

SystemResources MeasureResources(const std::string& meminfo_path) {
  SystemResources r;
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    long open = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
      while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') ++open;
      }
      ::closedir(dir);
      r.free_descriptors = static_cast<long>(limit.rlim_cur) - open;
    }
  }
  std::ifstream in(meminfo_path);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("MemAvailable:", 0) == 0) {
      r.mem_available_kb = std::strtol(line.c_str() + 13, nullptr, 10);
      break;
    }
  }
  return r;
}

}  // namespace vr::ftp
