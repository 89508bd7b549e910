#pragma once
// Making one thumbnail cell of the files list window: the picture reduced to fit the cell keeping
// its aspect, centred in a white 24-bit cell. Sounds and movies get built-in pictures; a picture
// that cannot be read gets a red cell with the words "  IMAGE" / "  PROBLEM!".
//
// JPEGs take a fast road: they are decoded at the smallest of the 1/8, 1/4, 1/2 scales that still
// covers the cell, with the fast DCT and plain upsampling, and the area-average shrink does the
// rest. At 1/8 (most photos) the quick decoder of codecs/jpeg/jpeg_eighth.h gives libjpeg's pixels
// for the common files at a fraction of libjpeg's cost; the others, and the larger scales, go to
// libjpeg. Every other kind goes through the preview loader.

#include <cstdint>
#include <functional>
#include <string>

#include "picture/bitmap.h"
#include "picture/codecs/gif/gif_host.h"

namespace vr::list_window {

inline constexpr int kDefaultThumbWidth = 64;
inline constexpr int kDefaultThumbHeight = 64;
inline constexpr const char* kProblemLine1 = "  IMAGE";
inline constexpr const char* kProblemLine2 = "  PROBLEM!";
inline constexpr const char* kSoundPicture = "SOUNDEAR";
inline constexpr const char* kMoviePicture = "MOVIE";

// Files of a kind up to this many bytes are drawn from the file itself instead of the cache.
int64_t ThumbThreshold(uint16_t kind);
bool WantsCachedThumb(uint16_t kind, int64_t size);

// Draws one line of text as an ink mask; the window installs a Qt font renderer, the default is
// the block font of the GIF text renderer.
using TextInk = std::function<codecs::gif::TextMask(const std::string& text, int cell_height)>;

struct ThumbSettings {
  int width = kDefaultThumbWidth;  // the cell as the window lays it out (logical pixels)
  int height = kDefaultThumbHeight;
  bool frame = false;  // a grey line round the cell
  TextInk text;        // empty: the block font
  // Screen pixels per cell pixel: on a high-density screen the cells are made at the size the
  // screen shows them, so that a thumbnail fills its cell one to one.
  double density = 1.0;
};

// The settings a cell is made with: the cell size in screen pixels.
ThumbSettings AtScreenPixels(const ThumbSettings& settings);

struct ThumbResult {
  picture::Bitmap cell;   // 24 bits, width x height
  bool failed = false;    // the picture could not be read (the red cell)
  bool built_in = false;  // a sound or movie picture
};

// Makes the cell of one file (kind from its name).
ThumbResult MakeThumbnail(const std::string& path, const ThumbSettings& settings);

// Pieces, also used by the window for files drawn without the cache.
// A white 24-bit cell with `picture` reduced to fit (never enlarged) and centred.
bool ComposeCell(const picture::Bitmap& picture, const ThumbSettings& settings,
                 picture::Bitmap* cell);
// The red failure cell.
picture::Bitmap ProblemCell(const ThumbSettings& settings);
// The built-in picture ("SOUNDEAR" or "MOVIE") centred in a white cell.
picture::Bitmap BuiltInCell(const std::string& name, const ThumbSettings& settings);
// Scaled JPEG decode for a box: the result covers `box_width` x `box_height` where the picture
// allows. False (and `out` untouched) when the file is no JPEG libjpeg can read in colour.
bool DecodeJpegForBox(const std::string& path, int box_width, int box_height, picture::Bitmap* out);

}  // namespace vr::list_window
