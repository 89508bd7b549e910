#include "notes/notes_record.h"

#include <algorithm>
#include <cstring>

#include "platform/path_rules.h"

namespace vr::notes {
namespace {

void PutText(uint8_t* field, size_t max_chars, const std::string& text) {
  const size_t n = std::min(text.size(), max_chars);
  field[0] = static_cast<uint8_t>(n);
  std::memcpy(field + 1, text.data(), n);
}

std::string GetText(const uint8_t* field, size_t max_chars) {
  const size_t n = std::min<size_t>(field[0], max_chars);
  return std::string(reinterpret_cast<const char*>(field + 1), n);
}

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == vr::platform::kSeparator;
#endif
}

}  // namespace

void NotesRecord::ClearFields() {
  category.clear();
  sub_category1.clear();
  sub_category2.clear();
  number1 = 0;
  number2 = 0;
  key_words.clear();
  notes.clear();
  finger_print_data.fill(0);
  file_modified_date = 0;
  res_x = 0;
  res_y = 0;
}

bool NotesRecord::HasUserData() const {
  return !category.empty() || !sub_category1.empty() || !sub_category2.empty() ||
         !key_words.empty() || !notes.empty() || number1 != 0 || number2 != 0 ||
         file_modified_date != 0;
}

void EncodeNotesRecord(const NotesRecord& record, uint8_t* out) {
  std::memset(out, 0, kRecordSize);
  const size_t key_len = std::min(record.file_name_key.size(), kMaxPathChars);
  std::memcpy(out + kOffFileNameKey, record.file_name_key.data(), key_len);
  PutLe32(out + kOffFolderNumber, record.folder_number);
  out[kOffLiveFlag] = record.live_flag;
  PutText(out + kOffCategory, kMaxCategory, record.category);
  PutText(out + kOffSubCategory1, kMaxSubCategory, record.sub_category1);
  PutText(out + kOffSubCategory2, kMaxSubCategory, record.sub_category2);
  PutLe32(out + kOffNumber1, record.number1);
  PutLe32(out + kOffNumber2, record.number2);
  PutText(out + kOffKeyWords, kMaxKeyWords, record.key_words);
  PutText(out + kOffNotes, kMaxNotes, record.notes);
  std::memcpy(out + kOffFingerPrintData, record.finger_print_data.data(), kFingerPrintBytes);
  PutLe32(out + kOffFileModifiedDate, record.file_modified_date);
  PutLe32(out + kOffResX, record.res_x);
  PutLe32(out + kOffResY, record.res_y);
}

NotesRecord DecodeNotesRecord(const uint8_t* in) {
  NotesRecord r;
  const auto* key = reinterpret_cast<const char*>(in + kOffFileNameKey);
  r.file_name_key.assign(key, strnlen(key, kMaxPathChars));
  r.folder_number = GetLe32(in + kOffFolderNumber);
  r.live_flag = in[kOffLiveFlag];
  r.category = GetText(in + kOffCategory, kMaxCategory);
  r.sub_category1 = GetText(in + kOffSubCategory1, kMaxSubCategory);
  r.sub_category2 = GetText(in + kOffSubCategory2, kMaxSubCategory);
  r.number1 = GetLe32(in + kOffNumber1);
  r.number2 = GetLe32(in + kOffNumber2);
  r.key_words = GetText(in + kOffKeyWords, kMaxKeyWords);
  r.notes = GetText(in + kOffNotes, kMaxNotes);
  std::memcpy(r.finger_print_data.data(), in + kOffFingerPrintData, kFingerPrintBytes);
  r.file_modified_date = GetLe32(in + kOffFileModifiedDate);
  r.res_x = GetLe32(in + kOffResX);
  r.res_y = GetLe32(in + kOffResY);
  return r;
}

const std::string& SentinelKey() {
  static const std::string key(kMaxPathChars, '\xFF');
  return key;
}

bool IsSentinelKey(std::string_view key) { return key == SentinelKey(); }

void EncodeSentinel(uint8_t* out) {
  std::memset(out, 0, kRecordSize);
  std::memset(out, 0xFF, kMaxPathChars);
  PutLe32(out + kOffFolderNumber, -1);
}

void EncodeFolderRecord(std::string_view folder, uint16_t number, uint8_t* out) {
  std::memset(out, 0, kFolderRecordSize);
  std::memcpy(out, folder.data(), std::min(folder.size(), kMaxPathChars));
  out[361] = static_cast<uint8_t>(number);
  out[362] = static_cast<uint8_t>(number >> 8);
}

std::string NoteKey(std::string_view path) { return vr::platform::PathKey(std::string(path)); }

std::string_view FolderOfKey(std::string_view key) {
  for (size_t i = key.size(); i > 0; --i) {
    if (IsSeparator(key[i - 1])) return key.substr(0, i);
  }
  // A bare drive path such as "C:" has its colon as the folder's end.
  const size_t colon = key.rfind(':');
  if (colon != std::string_view::npos) return key.substr(0, colon + 1);
  return {};
}

std::string_view FileNameOfKey(std::string_view key) { return key.substr(FolderOfKey(key).size()); }

uint16_t FolderHash(std::string_view folder) {
  uint16_t h = 0;
  for (char c : folder) {
    if (c == '\0') break;
    h = static_cast<uint16_t>(h + static_cast<uint8_t>(c));
  }
  return h;
}

}  // namespace vr::notes
