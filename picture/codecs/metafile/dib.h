#pragma once
// Device-independent bitmaps as metafiles embed them: a BITMAPINFOHEADER (or the older core
// header), a colour table, then bottom-up (or, with a negative height, top-down) rows padded to
// 4 bytes. 1, 4, 8, 16, 24 and 32 bits, uncompressed or with bit fields. They go through the
// codecs' one DIB parser (the one BMP files and icons use); this adds what metafiles need on
// top: the split of header and rows over two blocks and colour tables of palette indices.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "picture/bitmap.h"

namespace vr::metafile {

// Largest picture a metafile may embed, in pixels; larger ones are skipped rather than allocated.
inline constexpr int64_t kMaxDibPixels = int64_t{64} << 20;

// Decodes a DIB whose header lies in [info, info + info_size) and whose rows lie in
// [bits, bits + bits_size). Null for anything malformed or truncated (nothing is drawn rather
// than a part). `palette_indices`: DIB_PAL_COLORS usage, where the colour table holds palette
// indices; those are drawn as grey levels of the index since no logical palette is kept.
std::shared_ptr<const picture::Bitmap> DecodeDibBitmap(const uint8_t* info, size_t info_size,
                                                       const uint8_t* bits, size_t bits_size,
                                                       bool palette_indices = false);

// A packed DIB (header, table and rows in one block), as WMF records carry it.
std::shared_ptr<const picture::Bitmap> DecodePackedDibBitmap(const uint8_t* data, size_t size,
                                                             bool palette_indices = false);

}  // namespace vr::metafile
