// The fit view's repaint cost: painting the picture again at the same pane size (a plain copy of
// the display bitmap) against the bare copies and against painting after a resize (the display
// bitmap rebuilt), with the bare JPEG decode of the same picture beside them. VR_BENCH_PICTURE
// names the picture (default the corpus's big.jpg).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <memory>
#include <string>
#include <utility>

#include "app/viewer_parts.h"
#include "fakes/fake_services.h"
#include "picture/load/loader.h"
#include "picture/ui/qimage_bridge.h"
#include "shell/ui/main_window.h"
#include "shell/ui/panes.h"
#include "test_support/temp_dir.h"

namespace {

std::string PicturePath() {
  const char* path = std::getenv("VR_BENCH_PICTURE");
  return path != nullptr ? path : "/tmp/vcorpus/big.jpg";
}

struct Viewer {
  vr::test_support::TempDir dir;
  vr::fakes::FakeServices services{dir.Path(), dir.Path()};
  std::unique_ptr<vr::shell::ui::TVeldrimon69> window;

  Viewer() {
    dir.WriteText("VELDR.INI",
                  "[General]\nSetup=YES\nVersion=Veldrimon 2.1.3\nDate_UpdateMessageShown=99999\n");
    vr::shell::ui::ViewerOptions options;
    options.services = services.services();
    options.parts = vr::app::MakeViewerParts(options.services);
    options.args = {PicturePath()};
    options.register_file_types = false;
    options.exec_dialog = [](QDialog&) { return 0; };
    window = std::make_unique<vr::shell::ui::TVeldrimon69>(std::move(options));
    window->resize(600, 450);
    window->RunStartupSequence();
    window->show();
    QCoreApplication::processEvents();
    window->ShowCurrentFile(false, 1);
    QCoreApplication::processEvents();
  }
};

// Made on first use and ended in main() while the application object still exists (a static
// window would be destroyed after it, and crash on exit).
std::unique_ptr<Viewer> g_viewer;
Viewer& SharedViewer() {
  if (!g_viewer) g_viewer = std::make_unique<Viewer>();
  return *g_viewer;
}

// A repaint without a size change: the paint box copies the display bitmap it already has.
void BM_RepaintSameSize(benchmark::State& state) {
  Viewer& v = SharedViewer();
  QWidget* box = v.window->fit_pane()->paint_box_widget();
  box->repaint();
  const int before = v.window->display_rebuilds();
  for (auto _ : state) box->repaint();
  state.counters["rebuilds"] = v.window->display_rebuilds() - before;
}
BENCHMARK(BM_RepaintSameSize)->Unit(benchmark::kMillisecond);

// The whole fit pane, bevel and black margins included.
void BM_RepaintPaneSameSize(benchmark::State& state) {
  Viewer& v = SharedViewer();
  vr::shell::ui::TFitPane* pane = v.window->fit_pane();
  pane->repaint();
  for (auto _ : state) pane->repaint();
}
BENCHMARK(BM_RepaintPaneSameSize)->Unit(benchmark::kMillisecond);

// The floors a repaint without a size change is held to: copying the display bitmap's bytes, and
// drawing it (wrapped, not converted) onto a picture of its size as the paint does.
void BM_CopyDisplayBitmap(benchmark::State& state) {
  Viewer& v = SharedViewer();
  v.window->fit_pane()->paint_box_widget()->repaint();
  const vr::picture::Bitmap& display = v.window->display_bitmap();
  const size_t bytes = display.Stride() * static_cast<size_t>(display.Height());
  std::vector<uint8_t> copy(bytes);
  for (auto _ : state) {
    std::memcpy(copy.data(), display.Data(), bytes);
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.counters["pixels"] = static_cast<double>(display.Width()) * display.Height();
}
BENCHMARK(BM_CopyDisplayBitmap)->Unit(benchmark::kMillisecond);

void BM_DrawDisplayBitmap(benchmark::State& state) {
  Viewer& v = SharedViewer();
  v.window->fit_pane()->paint_box_widget()->repaint();
  const QImage source =
      vr::picture::BitmapToQImage(v.window->display_bitmap()).convertToFormat(QImage::Format_RGB32);
  QImage target(source.size(), QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&target);
    painter.drawImage(QPoint(0, 0), source);
    painter.end();
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(BM_DrawDisplayBitmap)->Unit(benchmark::kMillisecond);

// The same copy as a repaint through the window system: a bare opaque widget in the paint box's
// place whose paint does nothing but draw the display bitmap.
class BareCopyWidget : public QWidget {
 public:
  BareCopyWidget(QWidget* parent, QImage image) : QWidget(parent), image_(std::move(image)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), image_);
  }

 private:
  QImage image_;
};

void BM_RepaintBareCopy(benchmark::State& state) {
  Viewer& v = SharedViewer();
  QWidget* box = v.window->fit_pane()->paint_box_widget();
  box->repaint();
  const QImage source =
      vr::picture::BitmapToQImage(v.window->display_bitmap()).convertToFormat(QImage::Format_RGB32);
  BareCopyWidget bare(box->parentWidget(), source);
  bare.setGeometry(box->geometry());
  bare.show();
  QCoreApplication::processEvents();
  for (auto _ : state) bare.repaint();
}
BENCHMARK(BM_RepaintBareCopy)->Unit(benchmark::kMillisecond);

void BM_RepaintAfterResize(benchmark::State& state) {
  Viewer& v = SharedViewer();
  QWidget* box = v.window->fit_pane()->paint_box_widget();
  int step = 0;
  const int before = v.window->display_rebuilds();
  for (auto _ : state) {
    v.window->resize(600 + (step % 2) * 40, 450 + (step % 2) * 40);
    ++step;
    QCoreApplication::processEvents();
    box->repaint();
  }
  // Each iteration must have rebuilt the display bitmap, else this measures the plain copy.
  state.counters["rebuilds_per_iteration"] =
      static_cast<double>(v.window->display_rebuilds() - before) / state.iterations();
}
BENCHMARK(BM_RepaintAfterResize)->Unit(benchmark::kMillisecond);

void BM_JpegDecode(benchmark::State& state) {
  for (auto _ : state) {
    vr::picture::PictureHolder holder;
    vr::picture::LoadPicture(PicturePath(), holder, vr::picture::DecodeOptions{});
    benchmark::DoNotOptimize(holder.bitmap.Row(0));
  }
}
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  g_viewer.reset();
  return 0;
}
