#pragma once
// Start-up of both programs: every service the loader and the codecs take from the layers above
// them is installed here and only here (the metafile player, the reducer for 256-colour screens,
// the screen depth, the open-for-viewing step). The libraries themselves default to "none".

namespace vr::app {

struct LoaderHookOptions {
  // The screen's depth in bits per pixel, measured before each load; null reports 32 bits
  // (the tool has no screen).
  int (*display_depth)() = nullptr;
  // The metafile player draws text with Qt's fonts, which need a GUI application object. The
  // viewer has one; the tool makes an off-screen one the first time a metafile is played.
  bool make_gui_for_metafiles = false;
};

void InstallLoaderHooks(const LoaderHookOptions& options);

}  // namespace vr::app
