// The files list window's "Convert To A New Graphics Format" run, timed: the real main window and
// files list window on the offscreen platform (scripted answers), N tagged JPEGs converted to
// 256-colour dithered GIFs into a folder, as the convert page's button starts it.
// Usage: vr_export_window_bench OUT_DIR FILE...   prints "window N files wall S cpu S".
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/viewer_parts.h"
#include "colour/export/export_tabs.h"
#include "colour/ui/export_file.h"
#include "fakes/fake_services.h"
#include "lists/files_list.h"
#include "lists/window/ui/file_list_menu.h"
#include "shell/settings.h"
#include "shell/ui/main_window.h"
#include "test_support/temp_dir.h"

namespace {

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUT_DIR FILE...\n", argv[0]);
    return 2;
  }
  const std::string out_dir = argv[1];
  std::vector<std::string> files(argv + 2, argv + argc);
  vr::test_support::TempDir dir;
  vr::fakes::FakeServices services(dir.Path(), dir.Path());
  dir.WriteText("VELDR.INI",
                "[General]\nSetup=YES\nVersion=Veldrimon 2.1.3\nDate_UpdateMessageShown=99999\n");
  int exported = 0;
  vr::shell::ui::ViewerOptions options;
  options.services = services.services();
  options.parts = vr::app::MakeViewerParts(options.services);
  options.register_file_types = false;
  options.exec_dialog = [&exported](QDialog& dialog) {
    auto* window = dynamic_cast<vr::colour::TExportFile*>(&dialog);
    if (window == nullptr) return static_cast<int>(QDialog::Rejected);
    window->pages()->setCurrentIndex(vr::colour::kTabGif);
    window->item_button(vr::colour::kTabGif,
                        vr::colour::FindExportItem(vr::colour::kTabGif, "256 Colors"))
        ->click();
    window->save_button()->click();
    ++exported;
    return static_cast<int>(QDialog::Accepted);
  };
  auto viewer = std::make_unique<vr::shell::ui::TVeldrimon69>(std::move(options));
  viewer->RunStartupSequence();
  viewer->show();
  QCoreApplication::processEvents();
  for (const std::string& path : files) viewer->files_list().AddFileToList(100, path);
  viewer->FileListWindow1Click();
  const int count = viewer->files_list().Count();
  for (int i = 0; i < count; ++i) viewer->files_list().SetTag(i, true);
  vr::list_window::TFileListMenu* list = viewer->list_window();
  if (list == nullptr || list->convert_button() == nullptr) {
    std::fprintf(stderr, "no convert page\n");
    return 1;
  }
  list->convert_folder_edit()->setText(QString::fromStdString(out_dir));
  list->convert_overwrite_box()->setChecked(true);
  const auto wall_start = std::chrono::steady_clock::now();
  const double cpu_start = CpuSeconds();
  list->convert_button()->click();
  const double cpu = CpuSeconds() - cpu_start;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  std::printf("window %d files wall %.2f cpu %.2f (export window answered %d time%s)\n", count,
              wall, cpu, exported, exported == 1 ? "" : "s");
  viewer.reset();
  return exported == 1 ? 0 : 1;
}
