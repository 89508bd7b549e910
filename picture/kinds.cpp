#include "picture/kinds.h"

#include <array>
#include <cstring>
#include <string_view>

#include "picture/fast_file_io.h"

namespace vr::picture {
namespace {

struct NameRule {
  std::string_view ext;
  uint16_t kind;
};

// Ranked: the first rule whose extension occurs in the name wins.
constexpr std::array<NameRule, 29> kNameRules = {{
    {".MOV", kKindMov},  {".MPG", kKindMpeg}, {".MPE", kKindMpeg}, {".MPEG", kKindMpeg},
    {".FLI", kKindFli},  {".FLC", kKindFli},  {".AVI", kKindAvi},  {".MID", kKindMidi},
    {".MIDI", kKindMidi}, {".WAV", kKindWav}, {".PNG", kKindPng},  {".JPG", kKindJpeg},
    {".JPE", kKindJpeg}, {".JPEG", kKindJpeg}, {".DCX", kKindDcx}, {".TGA", kKindTga},
    {".TARGA", kKindTga}, {".PIC", kKindPic}, {".PCX", kKindPcx},  {".BMP", kKindBmp},
    {".EMF", kKindEmf},  {".WMF", kKindWmf},  {".ICO", kKindIcon}, {".GIF", kKindGif},
    // After every older rule, so no name changes the kind it had.
    {".WEBP", kKindWebp}, {".TIFF", kKindTiff}, {".TIF", kKindTiff}, {".HEIC", kKindHeif},
    {".HEIF", kKindHeif},
}};

// HEIF brands of the "ftyp" box (HEVC stills and sequences, the general image brands, AV1).
bool IsHeifBrand(const uint8_t* brand) {
  static constexpr std::array<std::string_view, 9> kBrands = {
      "heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif"};
  const std::string_view b(reinterpret_cast<const char*>(brand), 4);
  for (std::string_view k : kBrands) {
    if (b == k) return true;
  }
  return false;
}

}  // namespace

bool IsMediaKind(uint16_t kind) {
  return kind == kKindAvi || kind == kKindFli || kind == kKindMidi || kind == kKindMov ||
         kind == kKindMpeg || kind == kKindWav;
}

uint16_t KindFromName(const std::string& path) {
  const std::string upper = UpperAscii(path);
  for (const NameRule& rule : kNameRules) {
    if (upper.find(rule.ext) != std::string::npos) return rule.kind;
  }
  return kKindUnknown;
}

uint16_t ProbeKind(TFastFileIO& io, const std::string& path) {
  uint16_t kind = KindFromName(path);
  if (kind != kKindUnknown) return kind;
  io.Seek(0);
  io.Empty();
  uint8_t head[132] = {};
  io.ReadBlock(head, sizeof head);
  const auto is_gif = [&](size_t at) {
    return head[at] == 'G' && head[at + 1] == 'I' && head[at + 2] == 'F' && head[at + 3] == '8';
  };
  if (is_gif(0) || is_gif(128)) kind = kKindGif;
  if (head[0] == 'B' && head[1] == 'M') kind = kKindBmp;
  if (head[0] == 0x0A) kind = kKindPcx;
  if ((head[0] | (head[1] << 8)) == 0x1234) kind = kKindPic;
  if (head[0] == 0xB1 && head[1] == 0x68 && head[2] == 0xDE && head[3] == 0x3A) kind = kKindDcx;
  if (head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) kind = kKindJpeg;
  if (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0) kind = kKindWebp;
  // Classic and big TIFF, in either byte order.
  if ((head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
      (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43))) {
    kind = kKindTiff;
  }
  if (std::memcmp(head + 4, "ftyp", 4) == 0 && IsHeifBrand(head + 8)) kind = kKindHeif;
  io.Seek(0);
  io.Empty();
  return kind;
}

}  // namespace vr::picture
