#include "shell/ui/display_cache.h"

#include "picture/shrink.h"
#include "picture/ui/qimage_bridge.h"
#include "shell/ui/panes.h"

namespace vr::shell::ui {

const picture::Bitmap* DisplayCache::BitmapFor(picture::PictureHolder& shown, int width,
                                               int height, int depth, bool smooth_shrunken) {
  const bool vector = shown.kind == picture::GraphicKind::kMetafile && shown.vector;
  // Built once per paint-box size; metafiles are drawn afresh on each paint.
  if (!vector && !dirty_ && display_.Width() == width && display_.Height() == height) {
    return &display_;
  }
  display_ = picture::Bitmap();
  if (!display_.Create(width, height, picture::PixelFormat::k24)) return nullptr;
  if (vector) {
    shown.vector->Render(display_, width, height, picture::Rgb{0xD0, 0xC0, 0xC0});
  } else {
    picture::SmoothSettings smooth;
    smooth.display_depth = depth;
    smooth.smooth_shrunken = smooth_shrunken;
    picture::DrawPictureScaled(shown, display_, picture::Rect{0, 0, width, height}, false, smooth);
  }
  if (IsPaletteDepth(depth)) {
    // The picture's palette may have changed since the show (palette editor, colour reduction,
    // a GIF frame's own table): realise it again; an unchanged palette costs a comparison.
    screen_palette_.MapFor(shown.bitmap, display_);
  }
  ++rebuilds_;
  dirty_ = false;
  return &display_;
}

bool DisplayCache::Realise(const picture::Bitmap& picture, int depth) {
  // Only a palette screen holds one palette at a time; deeper screens show every colour.
  if (!IsPaletteDepth(depth)) return false;
  if (screen_palette_.Realise(PaletteToRealise(picture)) <= 0) return false;
  PictureChanged();
  return true;
}

QImage DisplayCache::ScreenImage(const picture::Bitmap& bitmap, const picture::Bitmap& picture,
                                 int depth) {
  return ScreenImageOf(bitmap, picture, IsPaletteDepth(depth) ? &screen_palette_ : nullptr);
}

ScreenPalette* DisplayCache::PaletteFor(int depth) {
  return IsPaletteDepth(depth) ? &screen_palette_ : nullptr;
}

}  // namespace vr::shell::ui
