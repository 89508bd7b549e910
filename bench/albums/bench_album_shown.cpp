// How long the album manager takes to show a loaded album: the same 100,000-entry album that
// bench_albums writes (run that first) is loaded by the real window on the offscreen platform.
// Measured from the load's last progress text to the list's first paint afterwards: what showing
// the album adds (the model's reset, totals, the highlight, the paint), plus the end of the load
// itself (the last 99 lines looked at and the sort by file name), so it is an upper bound. The whole click and LoadAlbum alone are
// printed beside it. Medians of the runs, in milliseconds.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QStatusBar>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "albums/album_ops.h"
#include "albums/ui/album_list_menu.h"
#include "lists/allowable_types.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

// Notes the first paint of the list after it is armed.
class PaintWatch : public QObject {
 public:
  bool armed = false;
  bool painted = false;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (armed && event->type() == QEvent::Paint) {
      painted = true;
      armed = false;
    }
    return QObject::eventFilter(watched, event);
  }
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string base = fs::temp_directory_path().string() + "/vr_bench_albums/";
  const std::string album = base + "Albums_Veldrimon/Big/";
  if (!fs::exists(album + vr::albums::kAlbumFileName)) {
    std::fprintf(stderr, "no album at %s: run bench_albums first\n", album.c_str());
    return 1;
  }
  vr::platform::PosixFiles files;
  const vr::lists::AllowableTypes allowable;
  vr::albums::ui::AlbumWindowServices services;
  services.platform.files = &files;
  services.allowable = &allowable;
  services.base_folder = [base] { return base; };
  vr::albums::ui::TAlbumListMenu window(services);
  window.resize(760, 480);
  window.show();
  QApplication::processEvents();
  PaintWatch watch;
  window.List()->viewport()->installEventFilter(&watch);
  QElapsedTimer clock;
  clock.start();
  qint64 last_progress = -1;
  auto* status = window.findChild<QStatusBar*>("StatusBar1");
  QObject::connect(status, &QStatusBar::messageChanged, [&](const QString& text) {
    if (text.startsWith("Loading Album:[")) last_progress = clock.nsecsElapsed();
  });

  vr::albums::LoadHooks hooks;
  hooks.files = &files;
  hooks.allowable = &allowable;
  hooks.temp_folder = fs::temp_directory_path().string() + "/";
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  std::vector<double> bare, whole, shown;
  size_t count = 0;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    count = vr::albums::LoadAlbum(album, hooks).entries.size();
    bare.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

    watch.painted = false;
    watch.armed = true;
    last_progress = -1;
    timer.restart();
    if (i == 0) {
      window.SelectAlbum("Big");
    } else {
      window.LoadSelected(true);
    }
    while (!watch.painted) QApplication::processEvents(QEventLoop::AllEvents);
    const qint64 painted = clock.nsecsElapsed();
    whole.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    if (last_progress < 0) {
      std::fprintf(stderr, "the load showed no progress\n");
      return 1;
    }
    shown.push_back(static_cast<double>(painted - last_progress) / 1e6);
    if (window.Entries().size() != count) {
      std::fprintf(stderr, "the window shows %zu entries of %zu\n", window.Entries().size(), count);
      return 1;
    }
  }
  std::printf("album of %zu entries, median of %d runs: LoadAlbum alone %.1f ms, click to painted "
              "list %.1f ms, list painted %.1f ms after the load's end (limit 100)\n",
              count, runs, Median(bare), Median(whole), Median(shown));
  return 0;
}
