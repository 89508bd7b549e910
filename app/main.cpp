// Veldrimon's composition root: builds the Qt platform services and the single-instance service,
// installs the metafile player for the loader, then hands over to the shell.
#include <QApplication>
#include <chrono>
#include <string>
#include <vector>

#include "picture/codecs/metafile/qt/metafile_player.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/single_instance_qt.h"
#include "shell/ui/media_pane.h"
#include "shell/ui/viewer_process.h"

int main(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  vr::shell::ui::PreferPlayableMediaBackend();
  QApplication app(argc, argv);
  QApplication::setApplicationName("Veldrimon");
  auto services = vr::platform::MakeQtServices();
  vr::metafile::InstallMetafilePlayer();
  vr::platform::QtSingleInstance instance;

  vr::shell::ui::ProcessOptions options;
  options.services = services->services();
  options.instance = &instance;
  options.program_path = QApplication::applicationFilePath().toStdString();
  for (int i = 1; i < argc; ++i) options.args.emplace_back(argv[i]);
  options.started = started;
  return vr::shell::ui::RunViewerProcess(options);
}
