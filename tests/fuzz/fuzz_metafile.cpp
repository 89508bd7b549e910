// Fuzz entry point of the metafile player (WMF and EMF, each with its own corpus): parse, then
// play onto a small picture.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <vector>

#include "picture/bitmap.h"
#include "picture/codecs/metafile/qt/metafile_player.h"

namespace {
void EnsureApplication() {
  static QGuiApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_metafile";
    static char* argv[] = {name, nullptr};
    auto* made = new QGuiApplication(argc, argv);
    // Font look-ups fill process-wide caches on first use; doing it here keeps those out of the
    // per-input leak checks.
    QImage warm(8, 8, QImage::Format_RGB32);
    QPainter painter(&warm);
    painter.setFont(QFont(QStringLiteral("Sans Serif"), 8));
    painter.drawText(0, 8, QStringLiteral("x"));
    return made;
  }();
  (void)app;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnsureApplication();
  auto meta = vr::metafile::MetafilePlayer::FromBytes(std::vector<uint8_t>(data, data + size));
  if (meta) {
    vr::picture::Bitmap out;
    meta->Render(out, 48, 48, vr::picture::Rgb{0xD0, 0xC0, 0xC0});
  }
  return 0;
}
