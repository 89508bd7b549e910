#pragma once
// Services the loader needs from layers above it, installed by the programs at start-up
// (app/loader_hooks.h). Each hook defaults to "none", so the loader works alone in tests: no
// metafile player (metafiles fail to load), no protection, no colour reduction, a 32-bit screen.

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
// `may_ask` is false inside a QuietViewing scope: background work (idle jobs, preview threads,
// decoding ahead) never asks the user for a password.
struct ViewingPath {
  std::string path;
  bool temporary = false;
  bool ok = true;
};
using OpenForViewingFn = ViewingPath (*)(const std::string& path, bool may_ask);
void SetOpenForViewing(OpenForViewingFn fn);
OpenForViewingFn GetOpenForViewing();

// Loads on this thread inside the scope never ask for a password. Scopes nest.
class QuietViewing {
 public:
  QuietViewing();
  ~QuietViewing();
  QuietViewing(const QuietViewing&) = delete;
  QuietViewing& operator=(const QuietViewing&) = delete;
  static bool Active();
};

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
// screens of 256 colours) goes through picture::ReduceToScreen (picture/reduce_hook.h), the
// same hook the codecs use.

// The screen's bits per pixel, measured before each load (the user may change the screen mode
// while the program runs). The default reports a 32-bit screen.
using DisplayDepthFn = int (*)();
void SetDisplayDepthSource(DisplayDepthFn fn);
DisplayDepthFn GetDisplayDepthSource();
int DisplayDepth();

// Decoding options for the next load: the screen's depth now and the true-colour-on-256-colour
// setting.
DecodeOptions CurrentDecodeOptions(bool true_colour_on_256);

}  // namespace vr::picture
