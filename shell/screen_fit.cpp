#include "shell/screen_fit.h"

#include <algorithm>

#include "picture/shrink.h"

namespace vr::shell {

FittedPicture FitToScreen(const picture::PictureHolder& picture, const ScreenFit& fit) {
  FittedPicture out;
  out.fit = fit;
  out.source_pixels = picture.bitmap.Data();
  out.source_width = picture.Width();
  out.source_height = picture.Height();
  const int pw = std::max(1, picture.Width());
  const int ph = std::max(1, picture.Height());
  out.box = FullScreenFit(pw, ph, fit.screen_width, fit.screen_height, fit.shrink_only);
  picture::SmoothSettings settings;
  settings.smooth_shrunken = fit.smooth;
  out.bitmap.Create(out.box.width, out.box.height, picture::PixelFormat::k24);
  picture::DrawPictureScaled(picture, out.bitmap,
                             picture::Rect{0, 0, out.box.width, out.box.height}, false, settings);
  return out;
}

bool FittedFrom(const FittedPicture& fitted, const picture::PictureHolder& picture,
                const ScreenFit& fit) {
  return fitted.fit == fit && !fitted.bitmap.Empty() && fitted.source_pixels != nullptr &&
         fitted.source_pixels == picture.bitmap.Data() && fitted.source_width == picture.Width() &&
         fitted.source_height == picture.Height();
}

}  // namespace vr::shell
