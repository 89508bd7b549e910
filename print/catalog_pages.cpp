#include "print/catalog_pages.h"

#include <algorithm>
#include <cmath>

#include "lists/window/thumb_maker.h"
#include "picture/load/loader.h"
#include "platform/path_rules.h"

namespace vr::print {

void ThumbBox(int width, int height, int cell_width, int cell_height, int* box_width,
              int* box_height) {
  *box_width = std::max(1, cell_width);
  *box_height = std::max(1, cell_height);
  if (width <= 0 || height <= 0) return;
  const double k = std::max(static_cast<double>(width) / *box_width,
                            static_cast<double>(height) / *box_height);
  if (k >= 1.0) return;
  *box_width = std::max(1, static_cast<int>(std::lround(*box_width * k)));
  *box_height = std::max(1, static_cast<int>(std::lround(*box_height * k)));
}

DrawPageResult DrawCatalogPage(const std::vector<CatalogEntry>& entries, const TCatalogData& page,
                               const LayoutParams& params, PageSurface& surface,
                               const DrawPageRequest& request) {
  DrawPageResult result;
  surface.Clear();
  if (request.cells != nullptr) request.cells->clear();
  const Ellipsis ellipsis = page.to_printer ? Ellipsis::kMiddleOfPath : Ellipsis::kEnd;
  LayoutSink sink;
  sink.cell = [&](const CatalogCell& cell) {
    if (cell.page < request.page) return true;
    if (cell.page > request.page) return false;
    const CatalogEntry& entry = entries[cell.entry];
    if (request.progress && result.cells % 10 == 0 && !request.progress(entry)) {
      result.stopped = true;
      return false;
    }
    const PageRect thumb_rect{cell.left, cell.top, cell.right, cell.bottom};
    list_window::ThumbSettings thumb;
    const double k = request.thumb_scale > 0 && request.thumb_scale < 1 ? request.thumb_scale : 1;
    // A size the files list has not learnt yet comes from the file's header, so that a small
    // picture is never drawn larger than it is whether or not its facts were read.
    int width = entry.width;
    int height = entry.height;
    if (width <= 0 || height <= 0) {
      const picture::PictureInfo info = picture::ReadPictureInfo(entry.path);
      width = info.width;
      height = info.height;
    }
    ThumbBox(width, height, std::max(1, static_cast<int>(thumb_rect.Width() * k)),
             std::max(1, static_cast<int>(thumb_rect.Height() * k)), &thumb.width, &thumb.height);
    const list_window::ThumbResult made = list_window::MakeThumbnail(entry.path, thumb);
    if (!made.cell.Empty()) surface.StretchBitmap(made.cell, thumb_rect);
    const PageRect caption{cell.left, cell.bottom, cell.right, cell.caption_bottom};
    if (request.notes_in_captions && !entry.note.empty()) {
      surface.NotedCaption(caption, platform::NameOf(entry.path), entry.note, ellipsis);
    } else {
      surface.Caption(caption, platform::NameOf(entry.path), ellipsis);
    }
    surface.Frame(thumb_rect, page.to_printer);
    ++result.cells;
    if (request.cells != nullptr && request.scale_x > 0 && request.scale_y > 0 &&
        request.cells->size() < kMaxPreviewCells) {
      PreviewCell shown;
      shown.rect = PageRect{static_cast<int>(cell.left / request.scale_x),
                            static_cast<int>(cell.top / request.scale_y),
                            static_cast<int>(cell.right / request.scale_x),
                            static_cast<int>(cell.bottom / request.scale_y)};
      shown.name = platform::NameOf(entry.path);
      shown.list_index = entry.list_index;
      request.cells->push_back(std::move(shown));
    }
    return true;
  };
  const LayoutResult layout = RunLayout(entries, page, params, sink);
  result.ok = layout.ok;
  result.pages = layout.pages;
  return result;
}

}  // namespace vr::print
