#pragma once
// Saving a picture in another format: the reduction to the chosen item's colours and the writer
// picked by the target's extension, with each format's mode and depth rules; the simple save of
// thumbnails and web pages.
//
// Every write goes to an exclusively created temporary file beside the target and is renamed over
// it only once complete, so a failed write (disk full, a writer error) leaves an existing target
// as it was, even when the target is the source itself.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "colour/export/export_tabs.h"
#include "colour/reduce.h"
#include "picture/bitmap.h"
#include "picture/picture_holder.h"

namespace vr::colour {

// What the window's controls (or the command line) chose.
struct ExportChoices {
  int tab = kTabJpg;
  int item = -1;  // -1: the tab's default item
  bool force_236 = false;  // counts only where Force236Applies
  bool closest = false;    // "Closest Color Match" instead of "Dither"
  int jpeg_quality = 90;   // 0..100
  bool jpeg_grayscale = false;
  bool interlaced = false;
  // The transparent colour picked (or loaded with the GIF); written as the nearest entry of the
  // written palette.
  std::optional<picture::Rgb> transparent;
  bool use_comments = false;
  std::vector<std::string> comments;
  // The file the picture was read from (empty: none). A JPEG saved from a JPEG keeps its Exif
  // block and ICC colour profile.
  std::string source_file;
};

// The reduction the chosen item asks for; `colours` is kTrueColourCount when none applies.
struct ExportReduction {
  int colours = kTrueColourCount;
  ReduceRequest request;
};
ExportReduction ReductionFor(const ExportChoices& choices);

struct ExportNotify {
  // Shown before an animated GIF is written as its single frame (caller plays "BRAKES").
  std::function<void(const std::string& text)> warn;
  // Reduction progress; may be empty.
  ProgressFn progress;
  // Runs the reduction in place of ReduceColours (the dither window shows it grow); may be empty.
  std::function<ReduceResult(const picture::Bitmap& source, picture::Bitmap& destination,
                             Palette6& palette, const ReduceRequest& request)>
      reduce;
};

struct ExportOutcome {
  bool ok = false;
  bool reduced = false;    // a reduction took place
  std::string message;     // the user's error text on failure
  std::string detail;      // the writer's or reducer's own reason
  uint64_t bytes = 0;      // size of the written file
  int written_bits = 0;    // depth handed to the writer
  int transparent_index = -1;  // GIF: index written as transparent
};

inline constexpr const char* kAnimatedGifWarning =
    "Veldrimon does NOT save ANIMATED GIFs, it will only save the single image you see!";
// "Error EXPORTING file:" + name and the two lines after it.
std::string ExportErrorText(const std::string& name);

// Upper-cased extension of a path's name with its dot ("" when the name has none).
std::string UpperExtension(const std::string& path);

// The name a save is made under: a name without an extension gets the tab's; an extension no
// writer takes gives nothing and `refusal` the text to show.
std::optional<std::string> ResolveExportName(const std::string& chosen, int tab,
                                             std::string* refusal);

// Writes `source` to `target` as the choices say. `animated_gif` tells that the shown GIF was an
// animation (warned about before a GIF is written).
ExportOutcome ExportPicture(const std::string& target, const picture::PictureHolder& source,
                            const ExportChoices& choices, bool animated_gif = false,
                            const ExportNotify& notify = {});

// The palette the transparency picker offers for `source` with these choices: the picture's own
// for palette pictures that the item leaves alone, else the palette of the reduction to the item.
std::vector<picture::Rgb> PickerPalette(const picture::PictureHolder& source,
                                        const ExportChoices& choices);

// Thumbnails and web pages: ".JPG" (quality 92), ".BMP" (24-bit pictures without palette), ".GIF"
// (256 dithered colours). Any other extension writes nothing and gives false, as a failed write.
bool SavePictureAs(const std::string& target, const picture::PictureHolder& source,
                   std::string* error = nullptr);

// Runs `write` on a fresh temporary file beside `target` and renames it over the target when the
// write succeeded; removes it otherwise. False with the reason in `error` on failure.
bool WriteReplacing(const std::string& target,
                    const std::function<bool(const std::string& temp, std::string* error)>& write,
                    std::string* error);

// Index of the palette entry nearest to `colour` among the first `count` entries.
int NearestEntry(const std::vector<picture::Rgb>& palette, int count, picture::Rgb colour);

}  // namespace vr::colour
