#pragma once
// Reduction of a finished true-colour picture to 256 colours for screens of at most 8 bits.
// Codecs and the loader call ReduceToScreen; the reducer itself belongs to the colour subsystem
// above them and is installed by the program at start-up. Until one is installed nothing is
// reduced, so a codec or tool working alone keeps the picture as decoded.

#include "picture/bitmap.h"
#include "picture/palette.h"

namespace vr::picture {

// `palette` is the caller's 6-bit palette buffer, which the reducer may replace. Returns true
// when the picture was replaced by its reduced form.
using ReduceToScreenHook = bool (*)(Bitmap& bitmap, Palette6& palette);
void SetReduceToScreenHook(ReduceToScreenHook hook);
ReduceToScreenHook GetReduceToScreenHook();

// Runs the installed reducer; false when none is installed or it left the picture alone.
bool ReduceToScreen(Bitmap& bitmap, Palette6& palette);

}  // namespace vr::picture
