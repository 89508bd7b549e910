#pragma once
// The optimised palette of a rich picture: a weighted colour histogram, split box by box where
// the squared error is largest, then refined by Lloyd's method (each entry moved to the mean of
// the colours it serves) until the error stops falling. On a picture of few colours the entries
// then settle on its exact colours, and entries that serve little are moved into the groups of
// largest error while that lowers the error.

#include <cstdint>
#include <vector>

#include "picture/bitmap.h"

namespace vr::colour {

// The picture's colours grouped in cells of 4 x 4 x 4 values (a 6-bit colour cube), each cell
// with its pixel count and the exact mean of its pixels.
class ColourHistogram {
 public:
  struct Cell {
    float r, g, b;  // mean of the cell's pixels, 0..255
    uint32_t count;
    uint32_t key;  // (r6 << 12) | (g6 << 6) | b6
  };

  // Counts a 24-bit (blue, green, red) picture. False when memory runs out.
  bool Count(const picture::Bitmap& bgr24);

  // Non-empty cells in key order (red, then green, then blue).
  const std::vector<Cell>& Cells() const { return cells_; }

 private:
  std::vector<Cell> cells_;
};

// At most `colours` entries (2..256) for the cells, ordered as the splits left them; fewer when
// the picture has fewer cells. With `pixels` (the 24-bit picture counted), the entries are then
// placed finer than the cells can: on the picture's exact colours when they are few enough, else
// by a few more rounds over the pixels themselves (every row, or evenly spaced rows of a large
// picture). Deterministic: the same input gives the
// same palette.
// `mean_error`, when given, receives the mean squared distance (summed over the three channels)
// from a pixel to its nearest entry.
std::vector<picture::Rgb> OptimisedPalette(const ColourHistogram& histogram, int colours,
                                           const picture::Bitmap* pixels = nullptr,
                                           double* mean_error = nullptr);

// The cell width (as a shift, for NearestEntry) that matches pixels fastest to a palette whose
// mean squared error is `mean_error`: close-set entries (a small error) make long lists in wide
// cells, so they take cells of 4 values; others cells of 8, whose table stays in cache.
inline int NearestCellShift(double mean_error) { return mean_error < 20 ? 2 : 3; }

// Whether the picture's colours repeat enough (few 6-bit cells: a smooth or flat picture) for
// NearestEntry to remember the answers for exact colours; a noisy photograph fills tens of
// thousands of cells with colours met once or twice, where remembering only costs.
inline bool ColoursRepeat(const ColourHistogram& histogram) {
  return histogram.Cells().size() < 16'000;
}

}  // namespace vr::colour
