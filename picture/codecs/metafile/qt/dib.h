#pragma once
// Metafile bitmaps as QImages, for the QPainter player; the decoding itself is dib.h's.

#include <QImage>
#include <cstddef>
#include <cstdint>

#include "picture/bitmap.h"
#include "picture/codecs/metafile/dib.h"

namespace vr::metafile {

// A decoded bitmap as 32-bit rows (null for an empty bitmap).
QImage ToImage(const picture::Bitmap& bitmap);

// DecodeDibBitmap and DecodePackedDibBitmap as QImages; null for anything malformed.
QImage DecodeDib(const uint8_t* info, size_t info_size, const uint8_t* bits, size_t bits_size,
                 bool palette_indices = false);
QImage DecodePackedDib(const uint8_t* data, size_t size, bool palette_indices = false);

}  // namespace vr::metafile
