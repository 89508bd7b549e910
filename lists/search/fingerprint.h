#pragma once
// Fingerprints of the look-alike search: a picture reduced to 8 x 8 pixels by area average, kept
// planar (64 red, 64 green, 64 blue and 64 grey bytes) so the comparison tests 16 pixels per
// vector step. The Notes record holds the same 64 pixels interleaved (red, green, blue, row by
// row) with the picture's own size and the file stamp it was made from.

#include <array>
#include <cstdint>
#include <string>

#include "notes/notes_record.h"

namespace vr::search {

inline constexpr int kPrintPixels = 64;
inline constexpr int kPrintSide = 8;

struct FingerPrint {
  alignas(16) uint8_t r[kPrintPixels] = {};
  alignas(16) uint8_t g[kPrintPixels] = {};
  alignas(16) uint8_t b[kPrintPixels] = {};
  alignas(16) uint8_t grey[kPrintPixels] = {};
  int32_t res_x = 0;  // the picture's width, 0 when 4 or less (or unreadable)
  int32_t res_y = 0;
};

// (32 R + 64 G + 12 B) / 108 in integers.
inline uint8_t GreyOf(int r, int g, int b) {
  return static_cast<uint8_t>((32 * r + 64 * g + 12 * b) / 108);
}

// The stored 192 bytes into a planar print (grey filled in) and back.
void PrintFromStored(const std::array<uint8_t, notes::kFingerPrintBytes>& stored, FingerPrint* out);
void PrintToStored(const FingerPrint& print, std::array<uint8_t, notes::kFingerPrintBytes>* out);
// Sets one pixel (grey included).
void SetPrintPixel(FingerPrint* print, int index, uint8_t r, uint8_t g, uint8_t b);

// A print made from the file itself.
struct MadePrint {
  FingerPrint print;
  bool failed = false;  // the picture could not be read: black print, no size
};

// Decodes `path` small (JPEGs through the scaled decode, other kinds through the preview loader)
// and reduces it to 8 x 8. Touches no shared state, so worker threads may call it.
MadePrint MakeFingerPrint(const std::string& path);

}  // namespace vr::search
