#pragma once
// The shown picture as the screen gets it: the display bitmap the fit pane paints (built once per
// paint-box size and kept until the picture changes), the palette realised on screens of 256
// colours, and the actual-size picture mapped through that palette.

#include <QImage>

#include "picture/bitmap.h"
#include "picture/picture_holder.h"
#include "shell/screen_palette.h"

namespace vr::shell::ui {

class DisplayCache {
 public:
  // The shown picture's pixels or the realised palette changed: the display bitmap is built
  // again, and the actual-size pane rebuilds its screen image (picture_changes moves).
  void PictureChanged() {
    dirty_ = true;
    ++picture_changes_;
  }
  // The display bitmap is built again at the next paint (a new layout, a new smoothing).
  void Invalidate() { dirty_ = true; }

  // The display bitmap of `shown` at width x height for a screen of `depth` bits; nullptr when
  // it cannot be made. Metafiles are drawn afresh on each call.
  const picture::Bitmap* BitmapFor(picture::PictureHolder& shown, int width, int height,
                                   int depth, bool smooth_shrunken);
  // On palette screens: realises `picture`'s palette. True when the realised palette changed
  // (the caller repaints what shows the picture).
  bool Realise(const picture::Bitmap& picture, int depth);
  // `bitmap` as the screen shows it: 32-bit, and on a palette screen every pixel the nearest
  // colour of the palette realised for `picture`. Null for an empty bitmap.
  QImage ScreenImage(const picture::Bitmap& bitmap, const picture::Bitmap& picture, int depth);

  const picture::Bitmap& bitmap() const { return display_; }
  int rebuilds() const { return rebuilds_; }
  int picture_changes() const { return picture_changes_; }
  const ScreenPalette& screen_palette() const { return screen_palette_; }
  // For the full-screen window on palette screens (nullptr on deeper screens).
  ScreenPalette* PaletteFor(int depth);

 private:
  picture::Bitmap display_;
  ScreenPalette screen_palette_;
  bool dirty_ = true;
  int rebuilds_ = 0;
  int picture_changes_ = 0;
};

}  // namespace vr::shell::ui
