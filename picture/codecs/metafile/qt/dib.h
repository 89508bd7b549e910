#pragma once
// Device-independent bitmaps as metafiles embed them: a BITMAPINFOHEADER (or the older core
// header), a colour table, then bottom-up (or, with a negative height, top-down) rows padded to
// 4 bytes. 1, 4, 8, 16, 24 and 32 bits, uncompressed or with bit fields.

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace vr::metafile {

// Largest picture a metafile may embed, in pixels; larger ones are skipped rather than allocated.
inline constexpr int64_t kMaxDibPixels = int64_t{64} << 20;

// Decodes a DIB whose header lies in [info, info + info_size) and whose rows lie in
// [bits, bits + bits_size). Returns a null QImage for anything malformed or truncated.
// `palette_indices`: DIB_PAL_COLORS usage, where the colour table holds palette indices; those
// are drawn as grey levels of the index since no logical palette is kept.
QImage DecodeDib(const uint8_t* info, size_t info_size, const uint8_t* bits, size_t bits_size,
                 bool palette_indices = false);

// A packed DIB (header, table and rows in one block), as WMF records carry it.
QImage DecodePackedDib(const uint8_t* data, size_t size, bool palette_indices = false);

}  // namespace vr::metafile
