#pragma once
// A picture fitted to the screen for full-screen display: the drawn box (centred, optionally
// shrink-only) and the picture scaled into it. Free of windows, so that the thread that decodes
// a slide show's next picture can fit it as well.

#include <cstdint>

#include "picture/bitmap.h"
#include "picture/picture_holder.h"
#include "shell/layout.h"

namespace vr::shell {

// The screen and the choices a fit depends on.
struct ScreenFit {
  int screen_width = 0;
  int screen_height = 0;
  bool shrink_only = false;
  bool smooth = true;  // smooth a picture that shrinks
  friend bool operator==(const ScreenFit&, const ScreenFit&) = default;
};

struct FittedPicture {
  ScreenFit fit;
  Box box;                // where the fitted picture goes on the screen
  picture::Bitmap bitmap;  // 24 bits, box.width x box.height
  // The pixels it was made from (a moved picture keeps them), to tell whether it still fits.
  const uint8_t* source_pixels = nullptr;
  int source_width = 0;
  int source_height = 0;
};

FittedPicture FitToScreen(const picture::PictureHolder& picture, const ScreenFit& fit);

// Whether `fitted` was made from these very pixels of `picture` for `fit`.
bool FittedFrom(const FittedPicture& fitted, const picture::PictureHolder& picture,
                const ScreenFit& fit);

}  // namespace vr::shell
