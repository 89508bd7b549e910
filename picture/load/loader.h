#pragma once
// The loader: a path into a picture holder, the lighter preview loader for thumbnails, and the
// header-only probe that reports size, colours and flags without decoding.

#include <cstdint>
#include <string>

#include "picture/bitmap.h"
#include "picture/decode_options.h"
#include "picture/fast_file_io.h"
#include "picture/picture_holder.h"

namespace vr::picture {

struct LoadDetails {
  int file_depth = 0;  // bits per pixel as stored in the file (0 when unknown)
  bool failed = false;
  std::string error;
};

// Fills `holder` from `path` by the kind its name gives and returns that kind. Never fails: a
// picture that cannot be read leaves the 1 x 1 failure Bitmap (details->failed set). GIF, DCX,
// media and unknown kinds leave the holder as it was; their callers handle them.
// `png_blending_off` is the menu choice "PNG &Transparency && Blending OFF". `options.progress`,
// when set, receives the row progress of the decoders that report it (BMP, JPEG, PCX, PIC, PNG,
// TGA) as whole percentages, each only once.
uint16_t LoadPicture(const std::string& path, PictureHolder& holder, const DecodeOptions& options,
                     LoadDetails* details = nullptr, bool png_blending_off = false);

struct PreviewRequest {
  int target_size = 128;          // thumbnail size in pixels
  Rgb background{255, 255, 255};  // behind GIF stills and icons
  bool keep_jpeg_format = false;  // keep 24-bit JPEG output whatever the decoding mode
  bool reduce_jpeg = true;        // decode JPEGs at the smallest scale the size allows
};

struct PreviewOutcome {
  uint16_t kind = 0;
  bool was_jpeg = false;
  bool animated = false;  // the GIF is an animation
  bool metafile = false;  // the preview panel takes the metafile background
  bool failed = false;
};

// Loads a picture for a thumbnail or preview: JPEGs at a reduced scale, GIFs as their first
// frame on the background, icons blended onto the background. The path goes through the
// open-for-viewing hook first.
PreviewOutcome LoadPreviewPicture(const std::string& path, PictureHolder& holder,
                                  const PreviewRequest& request, const DecodeOptions& options);

struct PictureInfo {
  bool opened = false;  // the file could be opened at all
  uint16_t kind = 0;
  int width = 0;
  int height = 0;
  int colours = 0;  // 2^bits up to 256 colours, 16000 for true colour
  bool interlaced = false;
  bool compressed = false;
  bool animated = false;
  std::string error;  // "Error In GIF Descriptor:" + path for a damaged GIF
};

// Header-only facts of a file (through the open-for-viewing hook). An unreadable file gives
// zeros. `screen_ppi` scales metafile sizes.
PictureInfo ReadPictureInfo(const std::string& path, int screen_ppi = 96);
// The same from an open reader; `name` gives the kind by name, `decode_path` (may be empty) is
// used by the probes that need the file itself (PNG, GIF animation).
PictureInfo ReadPictureInfoFrom(TFastFileIO& io, const std::string& name,
                                const std::string& decode_path, int screen_ppi = 96);

}  // namespace vr::picture
