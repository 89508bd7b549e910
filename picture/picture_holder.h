#pragma once
// The picture holder: what the viewer, the files list window, previews and the export hold.
// It carries a Bitmap, and remembers what kind of graphic it came from, since several rules
// (conversion depth, preview background, JPEG output format) depend on that. A metafile stays a
// vector graphic until a Bitmap is asked for.

#include <memory>

#include "picture/bitmap.h"

namespace vr::picture {

enum class GraphicKind { kBitmap, kJpeg, kPng, kIcon, kMetafile };

// A graphic drawn on demand at any size (metafiles). Implemented above this library.
class VectorGraphic {
 public:
  virtual ~VectorGraphic() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Draws the graphic stretched over a 24-bit `target` of the given size on `background`.
  virtual bool Render(Bitmap& target, int width, int height, Rgb background) const = 0;
};

struct PictureHolder {
  GraphicKind kind = GraphicKind::kBitmap;
  Bitmap bitmap;
  // JPEG: output pixel format 8 or 24 bits, grayscale.
  int jpeg_output_bits = 24;
  bool jpeg_grayscale = false;
  // PNG: bit depth per pixel as stored (1, 4, 8, 15, 16, 24, 32), transparency blending.
  int png_bits = 0;
  bool png_blend = true;
  // The pixels no longer stand as the file stores them: turned upright by the camera's
  // orientation when loaded, or mirrored, flipped or rotated since. A saved copy's Exif block
  // then says orientation 1.
  bool turned = false;
  // Metafiles: the vector graphic; `bitmap` is empty until converted.
  std::shared_ptr<const VectorGraphic> vector;

  int Width() const { return vector && bitmap.Empty() ? vector->Width() : bitmap.Width(); }
  int Height() const { return vector && bitmap.Empty() ? vector->Height() : bitmap.Height(); }
  // Turns the holder into a plain Bitmap holder (renders a vector graphic at its own size).
  Bitmap& AsBitmap();
  void Reset() { *this = PictureHolder(); }
};

}  // namespace vr::picture
