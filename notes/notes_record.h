#pragma once
// The 1024-byte record of the Notes database and the small helpers that make keys and folders
// from paths. Pure data: no files are touched here.
//
// NotesRecord on disk (.NAM), little-endian, no header:
//   off  width field
//     0   361  FileNameKey: key, NUL-terminated, at most 360 characters
//   361     4  FolderNumber: signed, folder record number (-1 in the sentinel)
//   365     1  LiveFlag: 255 live, 0 deleted
//   366    16  Category       (length byte + 15)
//   382    11  SubCategory1   (length byte + 10)
//   393    11  SubCategory2   (length byte + 10)
//   404     4  Number1
//   408     4  Number2
//   412   129  KeyWords       (length byte + 128)
//   541   201  Notes          (length byte + 200)
//   742   192  FingerPrintData: 8 x 8 pixels, red green blue
//   934     4  FileModifiedDate (packed DOS stamp, 0 = none)
//   938     4  ResX
//   942     4  ResY
//   946    78  reserved, zero
//
// FolderRecord on disk (.DIR): 361 bytes of folder path (NUL-padded) + 16-bit folder number.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vr::notes {

inline constexpr size_t kRecordSize = 1024;
inline constexpr size_t kFolderRecordSize = 363;
inline constexpr size_t kMaxPathChars = 360;
inline constexpr size_t kMaxFolders = 10000;
inline constexpr size_t kMaxIndexEntries = 200000;

// Field offsets inside a NotesRecord.
inline constexpr size_t kOffFileNameKey = 0;
inline constexpr size_t kOffFolderNumber = 361;
inline constexpr size_t kOffLiveFlag = 365;
inline constexpr size_t kOffCategory = 366;
inline constexpr size_t kOffSubCategory1 = 382;
inline constexpr size_t kOffSubCategory2 = 393;
inline constexpr size_t kOffNumber1 = 404;
inline constexpr size_t kOffNumber2 = 408;
inline constexpr size_t kOffKeyWords = 412;
inline constexpr size_t kOffNotes = 541;
inline constexpr size_t kOffFingerPrintData = 742;
inline constexpr size_t kOffFileModifiedDate = 934;
inline constexpr size_t kOffResX = 938;
inline constexpr size_t kOffResY = 942;
inline constexpr size_t kOffReserved = 946;

// Longest text each length-prefixed field holds.
inline constexpr size_t kMaxCategory = 15;
inline constexpr size_t kMaxSubCategory = 10;
inline constexpr size_t kMaxKeyWords = 128;
inline constexpr size_t kMaxNotes = 200;
inline constexpr size_t kFingerPrintBytes = 192;

inline constexpr uint8_t kLive = 255;
inline constexpr uint8_t kDeleted = 0;

struct NotesRecord {
  std::string file_name_key;
  int32_t folder_number = 0;
  uint8_t live_flag = 0;
  std::string category;
  std::string sub_category1;
  std::string sub_category2;
  int32_t number1 = 0;
  int32_t number2 = 0;
  std::string key_words;
  std::string notes;
  std::array<uint8_t, kFingerPrintBytes> finger_print_data{};
  int32_t file_modified_date = 0;
  int32_t res_x = 0;
  int32_t res_y = 0;

  bool operator==(const NotesRecord&) const = default;

  // Empties the user and derived fields (bytes 366 to 1023), keeping key, folder and flag.
  void ClearFields();
  // True when any user field or the modification stamp is set (what compaction keeps).
  bool HasUserData() const;
};

// Writes the record into 1024 bytes; texts longer than their field are cut, unused bytes are 0.
void EncodeNotesRecord(const NotesRecord& record, uint8_t* out);
// Reads 1024 bytes; over-long length bytes are clamped to the field and a key without NUL is cut
// at 360 characters, so a damaged record still decodes to something bounded.
NotesRecord DecodeNotesRecord(const uint8_t* in);

// The sentinel record 0: key of 360 bytes 0xFF, folder -1, all else 0.
void EncodeSentinel(uint8_t* out);
bool IsSentinelKey(std::string_view key);
const std::string& SentinelKey();

// A folder record: path NUL-padded to 361 bytes, then the number as 16 bits.
void EncodeFolderRecord(std::string_view folder, uint16_t number, uint8_t* out);

// Key order: bytes compared as unsigned values, a prefix sorting first.
inline int CompareKeys(std::string_view a, std::string_view b) {
  return a.compare(b);  // char_traits<char>::compare works as memcmp, i.e. unsigned bytes
}

// The key of a path under the platform's case rule.
std::string NoteKey(std::string_view path);
// The folder of a key: up to and including its last separator (either slash, or a colon for a
// bare drive path); empty when there is none.
std::string_view FolderOfKey(std::string_view key);
// The file name of a key: what follows its folder.
std::string_view FileNameOfKey(std::string_view key);
// Sum of the bytes of a folder path in 16 bits.
uint16_t FolderHash(std::string_view folder);

// Little-endian helpers shared by the files of this library.
inline void PutLe32(uint8_t* p, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
  p[2] = static_cast<uint8_t>(u >> 16);
  p[3] = static_cast<uint8_t>(u >> 24);
}
inline int32_t GetLe32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) |
                              (static_cast<uint32_t>(p[3]) << 24));
}

}  // namespace vr::notes
