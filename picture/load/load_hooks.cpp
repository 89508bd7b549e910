#include "picture/load/load_hooks.h"

#include <atomic>
#include <cstdio>

namespace vr::picture {
namespace {

// Hooks are read from the preview threads too, hence atomics.
std::atomic<MetafileLoader> g_metafile_loader{nullptr};
std::atomic<OpenForViewingFn> g_open_for_viewing{nullptr};
std::atomic<DisplayDepthFn> g_display_depth{nullptr};
thread_local int t_quiet_depth = 0;

}  // namespace

void SetMetafileLoader(MetafileLoader loader) { g_metafile_loader.store(loader); }
MetafileLoader GetMetafileLoader() { return g_metafile_loader.load(); }

void SetOpenForViewing(OpenForViewingFn fn) { g_open_for_viewing.store(fn); }
OpenForViewingFn GetOpenForViewing() { return g_open_for_viewing.load(); }

QuietViewing::QuietViewing() { ++t_quiet_depth; }
QuietViewing::~QuietViewing() { --t_quiet_depth; }
bool QuietViewing::Active() { return t_quiet_depth > 0; }

ViewingCopy::ViewingCopy(const std::string& path) {
  const OpenForViewingFn fn = g_open_for_viewing.load();
  if (fn != nullptr) {
    viewing_ = fn(path, !QuietViewing::Active());
  } else {
    viewing_.path = path;
  }
}

ViewingCopy::~ViewingCopy() {
  if (viewing_.temporary && !viewing_.path.empty()) std::remove(viewing_.path.c_str());
}


void SetDisplayDepthSource(DisplayDepthFn fn) { g_display_depth.store(fn); }
DisplayDepthFn GetDisplayDepthSource() { return g_display_depth.load(); }

int DisplayDepth() {
  const DisplayDepthFn fn = g_display_depth.load();
  return fn != nullptr ? fn() : 32;
}

DecodeOptions CurrentDecodeOptions(bool true_colour_on_256) {
  DecodeOptions options;
  options.display_depth = DisplayDepth();
  options.true_colour_on_256 = true_colour_on_256;
  return options;
}

}  // namespace vr::picture
