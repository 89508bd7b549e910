#pragma once
// Services the loader needs from layers above it, installed at start-up. Each hook has a default
// so the loader works alone (tools, tests): no metafile player, no protection, the program's own
// dithered colour reduction (colour::ReduceToScreen, which load_hooks.cpp calls directly), and a
// 32-bit screen.

#include <memory>
#include <string>

#include "picture/bitmap.h"
#include "picture/decode_options.h"
#include "picture/picture_holder.h"

namespace vr::picture {

// Metafiles (WMF, EMF) are played by a Qt-based player above this library. The loader asks this
// hook for the graphic of a path; null means the file cannot be played.
using MetafileLoader = std::shared_ptr<VectorGraphic> (*)(const std::string& path);
void SetMetafileLoader(MetafileLoader loader);
MetafileLoader GetMetafileLoader();

// "Open for viewing" of protected files: hands back the path to decode, which may be a temporary
// plain copy that the loader deletes afterwards; `ok` false when the file may not be viewed (the
// user cancelled the password, the copy failed). The default hands back the path itself.
struct ViewingPath {
  std::string path;
  bool temporary = false;
  bool ok = true;
};
using OpenForViewingFn = ViewingPath (*)(const std::string& path);
void SetOpenForViewing(OpenForViewingFn fn);

// The path to decode for one load; deletes a temporary copy when it goes out of scope.
class ViewingCopy {
 public:
  explicit ViewingCopy(const std::string& path);
  ~ViewingCopy();
  ViewingCopy(const ViewingCopy&) = delete;
  ViewingCopy& operator=(const ViewingCopy&) = delete;
  const std::string& Path() const { return viewing_.path; }
  bool Ok() const { return viewing_.ok; }

 private:
  ViewingPath viewing_;
};

// Reduction of a true-colour BMP or PNG to 256 dithered colours under reduced decoding (for
// screens of 256 colours). Returns true when it replaced the picture. The default reduces with
// colour::ReduceToScreen over a fresh palette; SetReduceForScreen(nullptr) leaves pictures as they
// are.
using ReduceForScreenFn = bool (*)(Bitmap& bitmap);
void SetReduceForScreen(ReduceForScreenFn fn);
ReduceForScreenFn GetReduceForScreen();

// The screen's bits per pixel, measured before each load (the user may change the screen mode
// while the program runs). The default reports a 32-bit screen.
using DisplayDepthFn = int (*)();
void SetDisplayDepthSource(DisplayDepthFn fn);
int DisplayDepth();

// Decoding options for the next load: the screen's depth now and the true-colour-on-256-colour
// setting.
DecodeOptions CurrentDecodeOptions(bool true_colour_on_256);

}  // namespace vr::picture
