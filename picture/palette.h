#pragma once
// Palette routines and the standard colour tables the codecs share.
//
// The codecs keep palettes in "6-bit form": 256 entries of red, green, blue in 0..63, as the old
// VGA DAC did. Bitmaps carry 8-bit palettes. These routines convert between the two and build
// the fixed tables (grey ramps, colour cubes, the 16 standard colours, EGA colour bytes).

#include <array>
#include <cstdint>
#include <vector>

#include "picture/bitmap.h"

namespace vr::picture {

// 256 entries, channels 0..63.
using Palette6 = std::array<Rgb, 256>;

// c8 = (c6 * 255 + 31) / 63, and back c6 = (c8 * 63 + 127) / 255.
constexpr uint8_t Expand6To8(int c6) { return static_cast<uint8_t>((c6 * 255 + 31) / 63); }
constexpr uint8_t Shrink8To6(int c8) { return static_cast<uint8_t>((c8 * 63 + 127) / 255); }
Rgb Expand6To8(Rgb c6);
Rgb Shrink8To6(Rgb c8);

// Standard 6-bit tables of 16 entries.
extern const std::array<Rgb, 16> kTableA;
extern const std::array<Rgb, 16> kTableB;  // the 16 standard Windows colours

// Grey ramp in 6-bit units: entry i has every channel (i * 63 + 127) / 255.
Palette6 GreyRamp6();
// Black and white (8-bit).
std::vector<Rgb> TwoColourPalette();
// 3-3-2 cube in 6-bit units: index r*32 + g*4 + b, values (8r + 7, 8g + 7, 16b + 15).
Palette6 Cube332();
// 6 x 8 x 5 cube of 240 colours in 8-bit units (blue fastest), entries 240..255 black.
std::vector<Rgb> Cube685();
// Grey level of a 6-bit colour: (r*32 + g*64 + b*12) / 108.
int GreyLevel6(Rgb c6);

// Table B expanded to 8 bits (16 entries).
std::vector<Rgb> Standard16();
// Table B's black followed by its entries 9..15, expanded to 8 bits (8 entries).
std::vector<Rgb> Standard8();
// Writes table B expanded to 8 bits at entries k..k+15 of `table`, which grows to 256 entries.
// Entries past 255 are not written.
void InsertStandard16(std::vector<Rgb>& table, int k);

// 17 EGA colour bytes (bits 0..5 = b, g, r high; b, g, r low) to 6-bit colours:
// red = 32*bit2 + 16*bit5, green = 32*bit1 + 16*bit4, blue = 32*bit0 + 16*bit3.
Rgb EgaByteTo6(uint8_t ega);
std::array<Rgb, 17> EgaBytesTo6(const uint8_t* ega17);

// The first `count` (at most 256) 6-bit entries, expanded, as a Bitmap palette.
std::vector<Rgb> PaletteFrom6(const Rgb* c6, int count = 256);
// The first `count` (at most 256) 8-bit entries as a Bitmap palette.
std::vector<Rgb> PaletteFrom8(const Rgb* c8, int count);
// Puts a 6-bit palette on a Bitmap. An indexed Bitmap gets as many entries as its depth holds;
// a true-colour Bitmap keeps the palette as its logical palette (all 256 entries).
void ApplyPalette6(Bitmap& bitmap, const Palette6& palette);
// A Bitmap's palette as 256 triples (missing entries black) in 6-bit or 8-bit form.
Palette6 ReadPalette6(const Bitmap& bitmap);
std::array<Rgb, 256> ReadPalette8(const Bitmap& bitmap);
// Drops a Bitmap's palette: a true-colour Bitmap then carries none. An indexed Bitmap keeps its
// colour table since its pixels cannot be read without one.
void DropPalette(Bitmap& bitmap);

}  // namespace vr::picture
