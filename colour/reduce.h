#pragma once
// Reduction of a picture of any depth to an 8-bit Bitmap of at most N palette colours
// (N = 2, 4, 8, 16, 32, 64, 128, 236 or 256), by plain nearest-colour remapping or by serpentine
// Floyd-Steinberg error diffusion.
//
// The palette comes from fixed tables for 2 and 4 colours and for the standard 8 and 16, from the
// picture's own colours (counted at 6-bit precision, each kept as the mean of its 6-bit cell, so
// exact when alone there) when they fit, else it is optimised for the picture
// (colour/optimised_palette.h) and the pixels are matched to it at full precision.

#include <array>
#include <functional>
#include <string>

#include "picture/bitmap.h"
#include "picture/palette.h"

namespace vr::colour {

using picture::Bitmap;
using picture::Rgb;

// 256 entries of red, green, blue in 0..63: the caller's palette buffer.
using picture::Palette6;

enum class ProgressPhase { kStart = 0, kProgress = 1, kDone = 2 };

// Told the percentage done every 20 rows; returning false stops the reduction at once.
using ProgressFn = std::function<bool(int percent, ProgressPhase phase)>;

struct ReduceRequest {
  int colours = 256;              // N
  bool windows_236 = false;       // 236 picture colours plus the 16 standard ones at 236-251
  bool standard_colours = false;  // the standard 8 or 16 colours
  bool dither = true;             // false: nearest colour only
  ProgressFn progress;            // may be empty
};

struct ReduceResult {
  bool done = false;     // false when nothing had to be done, or on a stop or failure
  bool stopped = false;  // the progress callback asked to stop
  std::string error;     // why the reduction failed, empty otherwise
};

// Reduces `source` into `destination` (8 bits, the palette set). `palette` is cleared and on
// success holds the palette in 6-bit form. `destination` is written row by row while the work
// runs so that a progress window can show it grow; it may be the same object as `source`.
ReduceResult ReduceColours(const Bitmap& source, Bitmap& destination, Palette6& palette,
                           const ReduceRequest& request);

// Replaces `bitmap` by its 256-colour dithered form when the reduction worked (loaders for
// 256-colour screens). True when it was replaced.
bool ReduceToScreen(Bitmap& bitmap, Palette6& palette);

// The source colour figure: 2 for 1 bit, 16 for 4 bits, the highest palette index in use + 1 for
// 8 bits (and, in `distinct`, the number of different indices in use), 16000 for deeper pictures.
int SourceColourFigure(const Bitmap& source, int* distinct = nullptr);

// Whether a "Reduce Colors" menu item acts on a picture of `bits` per pixel.
bool ReductionApplies(int bits, int colours, bool standard_colours);

// The error-limit value of the colour class of `colours` for an error `e` (any sign, |e| <= 800).
int ErrorLimit(int colours, int e);

// Palette choice through libjpeg's quantizer (the reduction makes its own; this one stays for
// comparison): the picture (24 bits) is compressed in memory at `quality` and decoded with
// two-pass 8-bit output of `colours` colours. False on failure.
bool QuantizerPalette(const Bitmap& bgr24, int colours, int quality, std::vector<Rgb>* palette);

}  // namespace vr::colour
