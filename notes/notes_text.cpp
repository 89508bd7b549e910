#include "notes/notes_text.h"

#include <cstdio>
#include <memory>

namespace vr::notes {
namespace {

// Longest line the import keeps; a real record line is a few kilobytes at most.
constexpr size_t kMaxLine = 1 << 20;

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Decimal text of the whole field or 0, within 32 bits.
int64_t ParseDecimal(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return 0;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) return 0;
  }
  value = negative ? -value : value;
  return value > INT32_MAX ? 0 : value;
}

int32_t ParseInt32(std::string_view text) { return static_cast<int32_t>(ParseDecimal(text)); }

std::string Cut(std::string text, size_t width) {
  if (text.size() > width) text.resize(width);
  return text;
}

bool IsRootedKey(std::string_view key) {
#ifdef _WIN32
  return key.size() >= 2 && key[1] == ':';
#else
  return !key.empty() && key[0] == '/';
#endif
}

void AppendQuoted(std::string* line, std::string_view text) {
  line->push_back('"');
  *line += text;
  line->push_back('"');
}

}  // namespace

std::string NotesHeaderLine() {
  static const char* const kNames[] = {
      "FileNameKey[360]",    "Category[15]",         "SubCategory1[10]", "SubCategory2[10]",
      "Number1[10]",         "Number2[10]",          "KeyWords[128]",    "Notes[200]",
      "FileModifiedDate[4]", "FingerPrintData[192]", "ResX[4]",          "ResY[4]"};
  std::string line;
  for (const char* name : kNames) {
    if (!line.empty()) line.push_back(',');
    AppendQuoted(&line, name);
  }
  return line;
}

std::string EscapeNotesText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out.push_back('\xFF');
      ++i;
    } else if (c == '\n') {
      // A lone line feed cannot be told apart from a line end: it is dropped.
    } else if (c == '"') {
      out += "\"\"";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string NotesRecordLine(const NotesRecord& r) {
  std::string line;
  line.reserve(1024);
  // The key is written as stored; only its quotes are doubled, which a path with a quote needs
  // (no path where the key is upper-cased can hold one, so those lines are unchanged).
  std::string key;
  for (char c : r.file_name_key) {
    key.push_back(c);
    if (c == '"') key.push_back('"');
  }
  AppendQuoted(&line, key);
  for (const std::string* text : {&r.category, &r.sub_category1, &r.sub_category2}) {
    line.push_back(',');
    AppendQuoted(&line, EscapeNotesText(*text));
  }
  line.push_back(',');
  AppendQuoted(&line, std::to_string(r.number1));
  line.push_back(',');
  AppendQuoted(&line, std::to_string(r.number2));
  for (const std::string* text : {&r.key_words, &r.notes}) {
    line.push_back(',');
    AppendQuoted(&line, EscapeNotesText(*text));
  }
  line.push_back(',');
  AppendQuoted(&line, std::to_string(r.file_modified_date));
  std::string print;
  for (size_t i = 0; i < r.finger_print_data.size(); ++i) {
    if (i > 0) print.push_back(',');
    print += std::to_string(r.finger_print_data[i]);
  }
  line.push_back(',');
  AppendQuoted(&line, print);
  line.push_back(',');
  AppendQuoted(&line, std::to_string(r.res_x));
  line.push_back(',');
  AppendQuoted(&line, std::to_string(r.res_y));
  return line;
}

std::string ReadNotesField(std::string_view* rest) {
  std::string field;
  std::string_view& s = *rest;
  if (!s.empty() && s[0] == '"') {
    size_t i = 1;
    while (i < s.size()) {
      if (s[i] == '"') {
        if (i + 1 < s.size() && s[i + 1] == '"') {
          field.push_back('"');
          i += 2;
          continue;
        }
        ++i;  // the closing quote; what follows it up to the comma is dropped
        break;
      }
      field.push_back(s[i++]);
    }
    const size_t comma = s.find(',', i);
    s = comma == std::string_view::npos ? std::string_view() : s.substr(comma + 1);
  } else {
    const size_t comma = s.find(',');
    field.assign(s.substr(0, comma));
    s = comma == std::string_view::npos ? std::string_view() : s.substr(comma + 1);
  }
  std::string out;
  out.reserve(field.size());
  for (char c : field) {
    if (c == '\xFF') {
      out += "\r\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool ParseNotesLine(std::string_view line, NotesRecord* record) {
  // Padding so that missing trailing fields read as empty ones.
  std::string padded(line);
  padded.push_back(',');
  for (int i = 0; i < 20; ++i) padded += "\"\",";
  std::string_view rest = padded;
  *record = NotesRecord{};
  record->file_name_key = NoteKey(ReadNotesField(&rest));
  record->category = Cut(ReadNotesField(&rest), kMaxCategory);
  record->sub_category1 = Cut(ReadNotesField(&rest), kMaxSubCategory);
  record->sub_category2 = Cut(ReadNotesField(&rest), kMaxSubCategory);
  record->number1 = ParseInt32(ReadNotesField(&rest));
  record->number2 = ParseInt32(ReadNotesField(&rest));
  record->key_words = Cut(ReadNotesField(&rest), kMaxKeyWords);
  record->notes = Cut(ReadNotesField(&rest), kMaxNotes);
  record->file_modified_date = ParseInt32(ReadNotesField(&rest));
  const std::string print = ReadNotesField(&rest);
  std::string_view p = print;
  for (size_t i = 0; i < kFingerPrintBytes && !p.empty(); ++i) {
    const size_t comma = p.find(',');
    // Each number is stored as a byte: only its low eight bits are kept.
    record->finger_print_data[i] = static_cast<uint8_t>(ParseDecimal(p.substr(0, comma)));
    p = comma == std::string_view::npos ? std::string_view() : p.substr(comma + 1);
  }
  record->res_x = ParseInt32(ReadNotesField(&rest));
  record->res_y = ParseInt32(ReadNotesField(&rest));
  return IsRootedKey(record->file_name_key);
}

NotesTextResult ExportNotesText(NotesDatabase& db, const std::string& path,
                                const NotesTextProgress& progress) {
  NotesTextResult result;
  const std::string disk_full =
      "ERROR: DISK FULL while Exporting DataBase. Export file is NOT complete!";
  FilePtr file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    result.status = 1;
    result.message = "ERROR: Could not create " + path;
    return result;
  }
  bool ok = true;
  const auto put = [&](const std::string& line) {
    ok = ok && std::fwrite(line.data(), 1, line.size(), file.get()) == line.size() &&
         std::fwrite("\r\n", 1, 2, file.get()) == 2;
  };
  put(NotesHeaderLine());
  NotesRecord record;
  std::string folder;
  long n = 0;
  for (unsigned s = db.FirstNote(&record, &folder); s == 0 && ok;
       s = db.NextNote(&record, &folder)) {
    ++n;
    if (progress) progress(n);
    if (record.live_flag != kLive || folder.empty()) continue;
    if (record.file_name_key.find_first_of("\n\xFF") != std::string::npos) {
      ++result.skipped;  // a line break or byte 255 in a path would not come back as it was
      continue;
    }
    put(NotesRecordLine(record));
    if (ok) ++result.records;
  }
  ok = ok && std::fflush(file.get()) == 0;
  ok = (std::fclose(file.release()) == 0) && ok;
  if (!ok) {
    std::remove(path.c_str());
    result.status = 1;
    result.message = disk_full;
    return result;
  }
  result.message = "Export of DataBase to comma delimited text file is now complete!";
  if (result.skipped > 0) {
    result.message.push_back('\r');
    result.message.append(std::to_string(result.skipped));
    result.message.append(" note(s) whose path holds a line break could not be exported.");
  }
  return result;
}

NotesTextResult ImportNotesText(NotesDatabase& db, const std::string& path,
                                const NotesTextProgress& progress) {
  NotesTextResult result;
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    result.status = 1;
    result.message = "ERROR: Could not open " + path;
    return result;
  }
  std::string line;
  std::vector<char> buffer(1 << 16);
  bool overlong = false;
  bool more = true;
  const auto handle_line = [&]() -> bool {
    ++result.lines;
    if (progress) progress(result.lines);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    NotesRecord record;
    if (ParseNotesLine(line, &record)) {
      const NotesStatus stored = db.WriteNote(record.file_name_key, record);
      if (stored.status != 0) {
        result.status = 1;
        result.message = stored.message;
        return false;
      }
      ++result.records;
    }
    line.clear();
    overlong = false;
    return true;
  };
  while (more) {
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) {
      const char c = buffer[i];
      if (c == '\n') {
        if (!handle_line()) {
          more = false;
          break;
        }
      } else if (line.size() < kMaxLine) {
        line.push_back(c);
      } else {
        overlong = true;  // the rest of an over-long line is dropped
      }
    }
  }
  if (more && std::ferror(file.get())) {
    result.status = 1;
    result.message = "ERROR: Could not read " + path;
    return result;
  }
  if (more && (!line.empty() || overlong)) handle_line();
  if (result.status == 0) {
    result.message = "Import of DataBase(using comma delimited text file) is now complete!";
  }
  return result;
}

}  // namespace vr::notes
