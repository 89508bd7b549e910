#pragma once
// The wizard's picture of a page: 640 x 960, drawn from the options with the chosen background and
// main images, so the user sees colours, sizes and layout before any page is made.

#include <QImage>
#include <QStringList>

#include <string>
#include <vector>

#include "web/web_options.h"

class QFontMetrics;

namespace vr::web::ui {

inline constexpr int kPreviewWidth = 640;
inline constexpr int kPreviewHeight = 960;

// Where the thumbnail frames go: columns of thumb_width from x = 30 as many as fit in 580
// pixels, rows of thumb_height from `top` as many as fit above `bottom`.
struct PreviewGrid {
  int columns = 0;
  int rows = 0;
};
PreviewGrid ThumbGrid(int top, int bottom, int thumb_width, int thumb_height);

// The description as the preview draws it: a new line at every line break (CR LF, CR or LF),
// and where a line would reach `width` pixels it breaks at the last blank before that point (the
// blank goes), or inside a word that alone is that wide.
QStringList WrapDescription(const std::vector<std::string>& lines, const QFontMetrics& metrics,
                            int width = 600);

// `background` and `main_image` may be null images (not chosen or not used).
QImage DrawWebPreview(const WebOptions& options, const QImage& background, const QImage& main_image,
                      PreviewGrid* grid = nullptr);

}  // namespace vr::web::ui
