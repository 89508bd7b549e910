#include "app/loader_hooks.h"

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "colour/reduce.h"
#include "picture/load/load_hooks.h"
#include "picture/reduce_hook.h"

#if VR_HAVE_METAFILE_PLAYER
#include <QCoreApplication>
#include <QGuiApplication>

#include "picture/codecs/metafile/qt/metafile_player.h"
#endif

namespace vr::app {
namespace {

#if VR_HAVE_METAFILE_PLAYER
std::shared_ptr<picture::VectorGraphic> PlayMetafile(const std::string& path) {
  return metafile::LoadMetafile(path);
}

std::thread::id g_installing_thread;

// The tool runs without a display: its GUI application object uses the off-screen platform. It
// is made on the thread that installed the hooks (the main thread) only; false elsewhere while
// none exists.
bool MakeOffscreenGuiOnce() {
  if (QCoreApplication::instance() != nullptr) return true;
  if (std::this_thread::get_id() != g_installing_thread) return false;
  static std::once_flag once;
  std::call_once(once, [] {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 3;
    static char name[] = "veldrimon-tool";
    static char platform_switch[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, platform_switch, platform, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
  });
  return true;
}

// A worker thread of the tool that meets a metafile first gets none; the tool's own pass on the
// main thread plays it.
std::shared_ptr<picture::VectorGraphic> PlayMetafileWithOwnGui(const std::string& path) {
  if (!MakeOffscreenGuiOnce()) return nullptr;
  return metafile::LoadMetafile(path);
}
#endif

// No protected-file subsystem yet: every file is viewed from its own path.
picture::ViewingPath ViewFromOwnPath(const std::string& path, bool) {
  picture::ViewingPath viewing;
  viewing.path = path;
  return viewing;
}

}  // namespace

void InstallLoaderHooks(const LoaderHookOptions& options) {
#if VR_HAVE_METAFILE_PLAYER
  g_installing_thread = std::this_thread::get_id();
  picture::SetMetafileLoader(options.make_gui_for_metafiles ? &PlayMetafileWithOwnGui
                                                            : &PlayMetafile);
#else
  picture::SetMetafileLoader(nullptr);
#endif
  picture::SetReduceToScreenHook(&colour::ReduceToScreen);
  picture::SetDisplayDepthSource(options.display_depth);
  picture::SetOpenForViewing(&ViewFromOwnPath);
}

}  // namespace vr::app
