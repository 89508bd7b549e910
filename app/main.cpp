// Veldrimon's composition root: installs the loader's hooks, reads the test hooks, builds the Qt
// platform services and the single-instance service, says how the window's parts (files list,
// recycle bin, Notes database service) are made, then hands over to the shell.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/loader_hooks.h"
#include "app/test_hooks.h"
#include "app/viewer_parts.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/single_instance_qt.h"
#include "shell/ui/main_window.h"
#include "shell/ui/media_pane.h"
#include "shell/ui/viewer_process.h"

int main(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  std::vector<std::string> args(argv + 1, argv + argc);
  bool refused = false;
  vr::shell::ui::TestHooks hooks =
      vr::app::ReadTestHooks([](const char* name) { return std::getenv(name); }, args, &refused);
  if (refused) {
    std::fprintf(stderr, "veldrimon: %s is not available in this build\n",
                 vr::app::kTestHooksSwitch);
    return 2;
  }
  vr::shell::ui::PreferPlayableMediaBackend();
  QApplication app(argc, argv);
  QApplication::setApplicationName("Veldrimon");
  vr::app::LoaderHookOptions loader;
  loader.display_depth = &vr::shell::ui::ScreenDepthNow;
  vr::app::InstallLoaderHooks(loader);
  auto services = vr::platform::MakeQtServices();
  vr::platform::QtSingleInstance instance;

  vr::shell::ui::ProcessOptions options;
  options.services = services->services();
  options.instance = &instance;
  options.program_path = QApplication::applicationFilePath().toStdString();
  options.args = std::move(args);
  options.started = started;
  options.hooks = std::move(hooks);
  options.make_parts = &vr::app::MakeViewerParts;
  return vr::shell::ui::RunViewerProcess(options);
}
