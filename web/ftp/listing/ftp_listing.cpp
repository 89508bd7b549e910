#include "web/ftp/listing/ftp_listing.h"

#include <cctype>
#include <ctime>
#include <string_view>

namespace vr::ftp {
namespace {

constexpr const char* kMonths[12] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                     "MAY",       "JUNE",     "JULY",     "AUGUST",
                                     "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};

// Object types an AS/400 listing may show; anything else is not a file or folder.
constexpr const char* kAs400Types[] = {"*DDIR", "*DIR",   "*LIB",  "*MEM", "*FLR", "*BLKSF",
                                       "*DOC",  "*DSTMF", "*FILE", "*PGM", "*STMF"};

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Leading and trailing spaces and control characters go.
std::string Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

// Control characters (below 28) become spaces, then the text is trimmed.
std::string Clean(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 28) c = ' ';
  }
  return Trim(text);
}

// Removes the text up to the first space from the front of the line and trims the rest.
std::string TakeWord(std::string& line) {
  const size_t space = line.find(' ');
  if (space == std::string::npos) {
    std::string word = line;
    line.clear();
    return word;
  }
  std::string word = line.substr(0, space);
  line = Trim(line.substr(space + 1));
  return word;
}

// The space-separated words of a line.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// The number at the start of a word; 0 when there is none.
long long LeadingNumber(const std::string& word) {
  long long value = 0;
  for (size_t i = 0; i < word.size() && IsDigit(word[i]) && value < 100000000000000LL; ++i) {
    value = value * 10 + (word[i] - '0');
  }
  return value;
}

int CurrentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
#ifdef _WIN32
  localtime_s(&parts, &now);
#else
  localtime_r(&now, &parts);
#endif
  return parts.tm_year + 1900;
}

struct Entry {
  std::string name, size, kind, link, date, time;
};

bool ParseUnix(std::string rest, int current_year, Entry* entry) {
  const std::string permissions = TakeWord(rest);
  if (!permissions.empty() && permissions[0] == 'd') entry->kind = "<DIR>";
  // Link count, owner and group come next, but the group column is sometimes missing: the size
  // is the word just before the first month word found after them.
  const std::vector<std::string> words = Words(rest);
  size_t month_index = 0;
  for (size_t i = 3; i < words.size(); ++i) {
    if (FtpMonthNumber(words[i]) != 0) {
      month_index = i;
      break;
    }
  }
  if (month_index == 0) {
    // Not a listing line this parser knows; the caller may filter these out by name.
    entry->name = "BAD INPUT LINE!";
    return true;
  }
  // Rest of the line from the size word on.
  size_t position = 0;
  for (size_t i = 0; i < month_index - 1; ++i) {
    position = rest.find(words[i], position) + words[i].size();
  }
  position = rest.find(words[month_index - 1], position);
  rest = Trim(rest.substr(position));

  entry->size = TakeWord(rest);
  const std::string month = TakeWord(rest);
  const std::string day = TakeWord(rest);
  std::string date = day + "/" + month;
  const std::string time_or_year = TakeWord(rest);
  const std::string time = FtpNormalisedTime(time_or_year);
  if (time.find(':') != std::string::npos) {
    date = FtpNormalisedDate(date + "/" + std::to_string(current_year));
    entry->time = time;
  } else {
    date = FtpNormalisedDate(date + "/" + time_or_year);
    entry->time = "00:00";
  }
  entry->date = FtpNormalisedDate(date);
  const size_t arrow = rest.find("->");
  if (arrow != std::string::npos) {
    entry->name = Trim(rest.substr(0, arrow));
    entry->link = Trim(rest.substr(arrow + 2));
  } else {
    entry->name = rest;
  }
  return true;
}

void ParseDos(std::string rest, Entry* entry) {
  entry->date = FtpDosDate(TakeWord(rest));
  entry->time = FtpNormalisedTime(TakeWord(rest));
  const std::string third = TakeWord(rest);
  if (Upper(third) == "<DIR>") {
    entry->kind = "<DIR>";
  } else if (third.empty() || third[0] != '<') {
    entry->size = third;
  }
  entry->name = Trim(rest);
}

void ParseAs400(std::string rest, Entry* entry) {
  TakeWord(rest);  // owner
  const std::string size = TakeWord(rest);
  if (size == "*MEM") {
    entry->size = entry->date = entry->time = "N/A";
    entry->kind = "*MEM";
    entry->name = rest;
    return;
  }
  entry->size = size;
  entry->date = TakeWord(rest);
  entry->time = TakeWord(rest);
  const std::string type = TakeWord(rest);
  bool known = false;
  for (const char* t : kAs400Types) known = known || type == t;
  if (!known) return;  // empty name: dropped
  entry->kind = (type == "*DIR" || type == "*DDIR" || type == "*LIB" || type == "*FLR")
                    ? "<DIR>"
                    : std::string();
  entry->name = rest;
}

// Returns false when the line holds no entry.
bool ParseVms(std::vector<std::string>& lines, size_t k, Entry* entry) {
  std::string rest = Clean(lines[k]);
  std::string name = TakeWord(rest);
  // Every VMS file name carries a version after ";": blank, header and "Total of" lines have
  // none, and must not swallow the line after them.
  if (name.find(';') == std::string::npos) return false;
  if (rest.empty() && k + 1 < lines.size()) {
    // Long names push the rest of the entry onto the next line.
    rest = Clean(lines[k + 1]);
    lines[k + 1].clear();
  }
  entry->size = std::to_string(LeadingNumber(TakeWord(rest)) * 512);
  const std::string date = TakeWord(rest);
  const std::string time = TakeWord(rest);
  entry->time = FtpNormalisedTime(time);
  entry->date = FtpNormalisedDate(date);
  const size_t bracket = rest.find(']');
  if (bracket != std::string::npos) rest = Trim(rest.substr(bracket + 1));
  TakeWord(rest);  // protection
  const std::string base = name.substr(0, name.find(';'));
  if (Upper(name).find(".DIR") != std::string::npos) {
    entry->kind = "<DIR>";
    const size_t dot = base.rfind('.');
    entry->name = dot == std::string::npos ? base : base.substr(0, dot);
  } else {
    entry->name = base;
  }
  return true;
}

bool IsUnixPermissions(const std::string& line) {
  if (line.size() < 8) return false;
  // Set-id and sticky bits (s, S, t, T) appear in permission columns too.
  static constexpr std::string_view kAllowed = "cldwrx-sStT";
  for (size_t i = 0; i < 8; ++i) {
    if (kAllowed.find(line[i]) == std::string_view::npos) return false;
  }
  return true;
}

}  // namespace

int FtpMonthNumber(const std::string& word) {
  if (word.empty()) return 0;
  const std::string upper = Upper(word);
  for (int m = 0; m < 12; ++m) {
    if (std::string_view(kMonths[m]).find(upper) != std::string_view::npos) return m + 1;
  }
  return 0;
}

std::string FtpNormalisedTime(const std::string& word) {
  const std::string upper = Upper(word);
  if (upper.size() < 6) return word;
  if (upper.find("PM") != std::string::npos) {
    long long hour = LeadingNumber(upper.substr(0, 2));
    if (hour <= 11) hour += 12;
    std::string text = std::to_string(hour);
    if (text.size() < 2) text = "0" + text;
    return text + upper.substr(2, 3);
  }
  return upper.substr(0, 5);
}

std::string FtpDosDate(const std::string& date) {
  std::string text = date;
  for (char& c : text) {
    if (c == '-') c = '/';
  }
  if (text.size() < 8) return text;
  // A four-digit year (MM-DD-YYYY, which IIS can be set to write) is kept as it is.
  if (text.size() >= 10 && IsDigit(text[6]) && IsDigit(text[7]) && IsDigit(text[8]) &&
      IsDigit(text[9])) {
    return text.substr(0, 10);
  }
  const int yy = static_cast<int>(LeadingNumber(text.substr(6, 2)));
  const int year = yy < 30 ? 2000 + yy : 1900 + yy;
  return text.substr(0, 6) + std::to_string(year);
}

std::string FtpNormalisedDate(const std::string& date) {
  const size_t first = date.find_first_of("-/");
  if (first == std::string::npos) return date;
  const size_t second = date.find_first_of("-/", first + 1);
  if (second == std::string::npos) return date;
  std::string a = date.substr(0, first);
  const std::string b = date.substr(first + 1, second - first - 1);
  const std::string c = date.substr(second + 1);
  if (a.size() == 1) a = "0" + a;
  if (!b.empty() && IsDigit(b[0])) return a + "/" + b + "/" + c;
  const int month = FtpMonthNumber(b);
  std::string month_text = Upper(b);
  if (month != 0) month_text = (month < 10 ? "0" : "") + std::to_string(month);
  return month_text + "/" + a + "/" + c;
}

int ParseFtpListing(std::vector<std::string>& lines, std::vector<std::string>& sizes,
                    std::vector<std::string>& kinds, std::vector<std::string>& links,
                    std::vector<std::string>& dates, std::vector<std::string>& times) {
  return ParseFtpListing(lines, sizes, kinds, links, dates, times, CurrentYear());
}

int ParseFtpListing(std::vector<std::string>& lines, std::vector<std::string>& sizes,
                    std::vector<std::string>& kinds, std::vector<std::string>& links,
                    std::vector<std::string>& dates, std::vector<std::string>& times,
                    int current_year) {
  int style = kListingNone;
  const size_t count = lines.size();
  for (auto* list : {&sizes, &kinds, &links, &dates, &times}) list->assign(count, std::string());
  if (count == 0) return style;

  // A VMS listing opens with a disk and folder line such as DISK$USER:[WEB].
  bool vms = false;
  size_t header = count;
  for (size_t k = 0; k < count; ++k) {
    const std::string first = Clean(lines[k]);
    if (first.empty()) continue;
    const size_t colon = first.find(':');
    vms = colon != std::string::npos && colon + 1 < first.size() && first[colon + 1] == '[' &&
          first.back() == ']';
    header = k;
    break;
  }

  for (size_t k = 0; k < count; ++k) {
    Entry entry;
    if (vms) {
      if (k != header && ParseVms(lines, k, &entry)) style = kListingVms;
    } else {
      const std::string line = Clean(lines[k]);
      const std::vector<std::string> words = Words(line);
      const std::string second = words.size() > 1 ? words[1] : "-";
      const std::string fifth = words.size() > 4 ? words[4] : "-";
      if (IsUnixPermissions(line)) {
        style = kListingUnix;
        ParseUnix(line, current_year, &entry);
      } else if (line.size() >= 6 &&
                 ((line[2] == '-' && line[5] == '-') || (line[2] == '/' && line[5] == '/'))) {
        style = kListingDos;
        ParseDos(line, &entry);
      } else if (fifth[0] == '*' || second[0] == '*') {
        style = kListingAs400;
        ParseAs400(line, &entry);
      }
    }
    if (!entry.name.empty()) {
      lines[k] = entry.name;
      sizes[k] = entry.size;
      kinds[k] = entry.kind;
      links[k] = entry.link;
      dates[k] = entry.date;
      times[k] = entry.time;
    } else {
      lines[k].clear();
      sizes[k].clear();
      kinds[k].clear();
      links[k].clear();
      dates[k].clear();
      times[k].clear();
    }
  }

  // Empty positions go from every list together, so the lists stay parallel.
  size_t kept = 0;
  for (size_t k = 0; k < count; ++k) {
    if (Clean(lines[k]).empty()) continue;
    if (kept != k) {
      for (auto* list : {&lines, &sizes, &kinds, &links, &dates, &times}) {
        (*list)[kept] = std::move((*list)[k]);
      }
    }
    ++kept;
  }
  for (auto* list : {&lines, &sizes, &kinds, &links, &dates, &times}) list->resize(kept);
  return style;
}

}  // namespace vr::ftp
