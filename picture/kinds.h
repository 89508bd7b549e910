#pragma once
// Picture kinds: the 16-bit file-type codes shared by the viewer, the files list and the export.

#include <cstdint>
#include <string>

#include "platform/path_rules.h"

namespace vr::picture {

class TFastFileIO;

enum PictureKind : uint16_t {
  kKindUnknown = 0,
  kKindAvi = 1,
  kKindBmp = 2,
  kKindDcx = 3,
  kKindEmf = 4,
  kKindFli = 5,
  kKindGif = 6,
  kKindIcon = 7,
  kKindJpeg = 8,
  kKindMidi = 9,
  kKindMov = 10,
  kKindMpeg = 11,
  kKindPcx = 12,
  kKindPic = 13,
  kKindPng = 14,
  kKindTga = 15,
  kKindWav = 16,
  kKindWmf = 17,
  // Kinds read through their own libraries, after the codes stored files already use.
  kKindWebp = 18,
  kKindTiff = 19,
  kKindHeif = 20,
};

// Media kinds go to the media player instead of the loader.
bool IsMediaKind(uint16_t kind);

// Kind from the name alone: the upper-cased path is searched anywhere for each extension, and
// when several match the fixed ranking decides (".MOV" first, ".GIF" last).
uint16_t KindFromName(const std::string& path);

// KindFromName, then the first bytes when the name says nothing. Leaves the reader at offset 0
// with an empty buffer.
uint16_t ProbeKind(TFastFileIO& io, const std::string& path);

// ASCII upper-casing (for names and extensions; paths compare through platform::SamePath).
using platform::UpperAscii;

}  // namespace vr::picture
