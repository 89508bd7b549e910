#pragma once
// Password-protected files.
//
// A protected file keeps its bytes behind a fixed text header, each byte XORed with a one-byte
// key made from the password. This is obfuscation, not encryption: anyone holding the file can
// undo it without the password (there are only 256 keys). It keeps casual programs and viewers
// from showing the picture, nothing more.
//
// Layout (offsets in bytes, L the password length):
//
//   0          27     "Veldrimon Protected File!\r\n"
//   27         2L     the stored password text, exactly as the settings file holds it
//   27+2L      3      CR, LF, 0x1A
//   30+2L      rest   the source bytes XORed with the content key
//
// The stored password text ("General" / "Password" in the settings file) is each password
// character XORed with kStoredPasswordKey, written as two upper-case hexadecimal digits. The
// content key is the sum of the password's character codes modulo 256.
//
// Protecting "name" gives "!_name" in the same folder; unprotecting drops the prefix (a file
// without it is unprotected under its own name). A view copy, for showing a protected file while
// the file stays protected, goes to the temporary folder as "~LS_Special_" + four digits + "_" +
// the plain name, created exclusively (mode 0600; the next number when the name is taken).

#include <cstdint>
#include <optional>
#include <string>

namespace vr::platform {
class Clock;
class Files;
class Folders;
}  // namespace vr::platform

namespace vr::extras {

inline constexpr const char kProtectedMarker[] = "Veldrimon Protected File!\r\n";
inline constexpr size_t kMarkerSize = sizeof(kProtectedMarker) - 1;  // 27
inline constexpr uint8_t kStoredPasswordKey = 0xA7;
// The header stays within 255 bytes: 27 + 2 * 112 + 3 = 254.
inline constexpr size_t kMaxPasswordLength = 112;
inline constexpr size_t kProtectBlock = 65536;
inline constexpr const char* kProtectedPrefix = "!_";
inline constexpr const char* kViewCopyPrefix = "~LS_Special_";
inline constexpr const char* kPasswordSection = "General";
inline constexpr const char* kPasswordKey = "Password";

// Error numbers of ProtectOrUnprotect; kOtherPassword and kNoPassword are this program's own
// additions to the seven long-standing ones.
enum ProtectError : int {
  kProtectOk = 0,
  kErrorSource = 1,
  kErrorTemp = 2,
  kErrorSpace = 3,
  kErrorRead = 4,
  kErrorWrite = 5,
  kErrorComplete = 6,
  kErrorState = 7,
  kErrorOtherPassword = 8,
  kErrorNoPassword = 9,
};
// "Error:" + the text of the error; empty for kProtectOk.
std::string ProtectErrorText(int error);

inline constexpr const char* kNeedPasswordText =
    "You need to enter a password first. Use the MAIN FILE menu pulldown and select Paranoia "
    "Options. Then Setup Password.";

std::string EncodePassword(const std::string& password);
// Nothing when the text is not an even number of hexadecimal digits.
std::optional<std::string> DecodePassword(const std::string& stored);
uint8_t ContentKey(const std::string& password);
std::string ProtectedHeader(const std::string& stored_text);

// The file's extension (from the last dot of its name, the dot included) is longer than one
// character and its first 27 bytes are the marker. A file that cannot be read is not protected.
bool IsProtected(const std::string& path);

// "!_" + name in the same folder.
std::string ProtectedPath(const std::string& path);
// The name without a leading "!_" in the same folder (the path itself without one).
std::string UnprotectedPath(const std::string& path);
// The file name part of a path.
std::string FileNameOf(const std::string& path);

// The password of the settings file, read once and kept for the run.
class PasswordStore {
 public:
  explicit PasswordStore(std::string settings_path) : settings_path_(std::move(settings_path)) {}

  // Reads the stored text when not yet in memory.
  void Load();
  bool HasPassword();
  const std::string& password();
  const std::string& stored_text();

  enum class SetResult { kSaved, kAlreadySet, kEmpty, kTooLong, kZeroKey, kWriteFailed };
  // Stores a password once: a stored one is never replaced. A password whose content key is 0
  // would leave the data readable as it is, so it is refused.
  SetResult Set(const std::string& password);
  static const char* SetResultText(SetResult result);

 private:
  std::string settings_path_;
  bool loaded_ = false;
  std::string password_;
  std::string stored_;
};

struct ProtectServices {
  platform::Files* files = nullptr;           // free space
  const platform::Folders* folders = nullptr;  // the temporary folder (view copies)
  const platform::Clock* clock = nullptr;      // the view copy's number
};

struct ProtectResult {
  int error = kProtectOk;
  std::string message;  // ProtectErrorText(error)
  std::string path;     // the resulting file on success
  bool ok() const { return error == kProtectOk; }
};

// Protects (`protect` true) or unprotects `path`. With `keep_source` the result is a view copy
// in the temporary folder and the source stays. On success the source is gone (unless kept) and
// the result has the source's permissions and times; on any failure the source is untouched and
// no temporary file is left behind. Unprotecting compares the file's header with the stored
// password first. Never throws.
ProtectResult ProtectOrUnprotect(PasswordStore& store, const ProtectServices& services,
                                 const std::string& path, bool protect, bool keep_source);

}  // namespace vr::extras
