#pragma once
// The allowable file types: the checked extensions of "Select Formats For Loading", joined into
// one pattern string ("*" after each, at most 255 characters) that loading and dragging test
// extensions against.

#include <array>
#include <string>
#include <string_view>

namespace vr::lists {

// The later picture kinds follow the first 23, so the positions of those stay as they were.
inline constexpr std::array<std::string_view, 28> kKnownTypes = {
    ".AVI", ".BMP", ".EMF", ".ICO", ".FLC", ".FLI", ".GIF", ".JPG", ".JPE", ".JPEG", ".MID", ".MIDI",
    ".MOV", ".MPG", ".MPE", ".MPEG", ".PCX", ".PIC", ".PNG", ".TGA", ".TARGA", ".WAV", ".WMF",
    ".WEBP", ".TIF", ".TIFF", ".HEIC", ".HEIF"};

inline constexpr size_t kMaxPatternLength = 255;

// The pattern used by "Load ALL Images From All Hard Drives Into Files List".
inline constexpr std::string_view kAllImagesPattern =
    ".JPG*.GIF*.BMP*.PCX*.PIC*.DCX*.TGA*.TARGA*.ICO*.EMF*.WMF*.PNG*.JPEG*.JPE*.WEBP*.TIF*.TIFF*"
    ".HEIC*.HEIF*";

inline constexpr const char* kNoTypeCheckedWarning =
    "HEY!, it's not a good idea to have NO items checked.\r\rThat will result in NOT being able to "
    "DRAG files in, AND no files can load in from the \"Load .... From Drive(s)\"  Menu "
    "options.\r\rI would suggest clicking CANCEL and then checking at least one item.";

bool IsMovieExtension(std::string_view upper_ext);
bool IsSoundExtension(std::string_view upper_ext);

// The extension of a path (from its last dot in the file name), upper-cased; "" when none.
std::string UpperExtension(std::string_view path);

class AllowableTypes {
 public:
  AllowableTypes();

  bool Checked(size_t index) const { return checked_[index]; }
  void SetChecked(size_t index, bool on) { checked_[index] = on; }
  void UseAll();
  void UseNone();
  void UseMovies();
  void UseSounds();
  void UseImages();
  bool AnyChecked() const;

  // Rebuilds the pattern from the checked items (what closing the window does).
  void RebuildPattern();
  const std::string& pattern() const { return pattern_; }
  // Replaces the pattern for a while (the all-images drive load); RebuildPattern restores it.
  void SetPattern(std::string pattern) { pattern_ = std::move(pattern); }
  // While on, every extension is allowable (files picked in the open dialog).
  void SetAllowEverything(bool on) { allow_everything_ = on; }

  // An extension (with its dot, any case) is allowable when it is not empty and its upper-case
  // form followed by "*" occurs in the pattern.
  bool IsAllowableType(std::string_view extension) const;
  bool IsAllowablePath(std::string_view path) const { return IsAllowableType(UpperExtension(path)); }

 private:
  std::array<bool, kKnownTypes.size()> checked_{};
  std::string pattern_;
  bool allow_everything_ = false;
};

}  // namespace vr::lists
