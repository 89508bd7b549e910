#pragma once
// Drawing catalogue pages: the cells of one page made into thumbnails (the files list window's
// thumbnail maker, at the cell's proportions and never larger than the picture) stretched over
// their cells, with captions and frames. Also the cells remembered for the preview.

#include <functional>
#include <string>
#include <vector>

#include "print/catalog_layout.h"
#include "print/page_surface.h"

namespace vr::print {

inline constexpr size_t kMaxPreviewCells = 1025;

// A cell of the preview, in preview pixels, for pointing and double-clicking.
struct PreviewCell {
  PageRect rect;
  std::string name;
  int list_index = -1;
};

struct DrawPageRequest {
  int page = 1;
  bool notes_in_captions = false;  // the entry's note on the caption's second line
  // Called every 10 cells drawn with the entry; false stops the drawing (the page is left as far
  // as it got).
  std::function<bool(const CatalogEntry& entry)> progress;
  // Preview: cells are also remembered scaled by 1 / scale_x and 1 / scale_y (0: not kept).
  double scale_x = 0.0;
  double scale_y = 0.0;
  std::vector<PreviewCell>* cells = nullptr;
  // Thumbnails are made at the cell's size times this (a small preview needs no full-size ones).
  double thumb_scale = 1.0;
};

struct DrawPageResult {
  bool ok = false;       // false: a layout error
  bool stopped = false;  // progress asked to stop
  int pages = 0;
  int cells = 0;         // cells drawn on the page
};

// Draws page `request.page` of the layout on `surface` (cleared first). The surface covers the
// printable area; cell coordinates are used as they are.
DrawPageResult DrawCatalogPage(const std::vector<CatalogEntry>& entries, const TCatalogData& page,
                               const LayoutParams& params, PageSurface& surface,
                               const DrawPageRequest& request);

// The thumbnail box for a picture of `width` x `height` (unknown: <= 0) in a cell of
// `cell_width` x `cell_height`: the cell's proportions, scaled down so that it is never larger
// than the picture.
void ThumbBox(int width, int height, int cell_width, int cell_height, int* box_width,
              int* box_height);

}  // namespace vr::print
