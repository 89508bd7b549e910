#include "picture/codecs/gif/ui/qt_gif_host.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include "platform/sounds.h"
#include "platform/ui.h"

namespace vr::codecs::gif {
namespace {

QFont TextFont(int cell_height) {
  QFont font(QStringLiteral("Arial"));
  font.setFixedPitch(true);
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(cell_height > 0 ? cell_height : 1);
  return font;
}

}  // namespace

QtGifHost::QtGifHost(platform::Ui* ui, platform::Sounds* sounds, QObject* parent)
    : QObject(parent), ui_(ui), sounds_(sounds) {}

QtGifHost::~QtGifHost() {
  if (window_ != nullptr) window_->removeEventFilter(this);
}

void QtGifHost::WatchKeys(QWidget* window) {
  if (window_ != nullptr) window_->removeEventFilter(this);
  window_ = window;
  if (window_ != nullptr) window_->installEventFilter(this);
}

bool QtGifHost::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) key_pending_ = true;
  return QObject::eventFilter(watched, event);
}

void QtGifHost::ChangedRect(const GifRect& rect) {
  if (on_changed_rect) on_changed_rect(rect);
}

void QtGifHost::FullRepaint(int top_row) {
  if (on_full_repaint) on_full_repaint(top_row);
}

void QtGifHost::RowsDrawn(int top_row) {
  if (on_rows_drawn) on_rows_drawn(top_row);
}

void QtGifHost::CompositionSize(int width, int height, int screen_width, int screen_height) {
  if (on_size) on_size(width, height, screen_width, screen_height);
}

void QtGifHost::PaletteChanged(const picture::Bitmap& composition) {
  if (on_palette) on_palette(composition);
}

void QtGifHost::ProcessMessages() { QCoreApplication::processEvents(); }

bool QtGifHost::KeyPending() {
  const bool pending = key_pending_;
  key_pending_ = false;
  return pending;
}

bool QtGifHost::PrimaryButtonDown() {
  // Qt already reports the swapped button as the left one.
  return (QGuiApplication::mouseButtons() & Qt::LeftButton) != 0;
}

void QtGifHost::Beep() {
  if (sounds_ != nullptr) {
    sounds_->Play("SYSTEMBEEP");
  } else {
    QApplication::beep();
  }
}

void QtGifHost::ShowMessage(const std::string& text) {
  if (ui_ != nullptr)
    ui_->Ask(platform::MessageKind::kInformation, "Veldrimon", text, platform::kOkOnly);
}

int QtGifHost::TextWidth(const std::string& text, int cell_height) {
  const QFontMetrics metrics(TextFont(cell_height));
  return metrics.horizontalAdvance(QString::fromLatin1(text.data(), static_cast<int>(text.size())));
}

TextMask QtGifHost::RenderText(const std::string& text, int cell_height) {
  TextMask mask;
  mask.width = TextWidth(text, cell_height);
  mask.height = cell_height > 0 ? cell_height : 1;
  if (mask.width <= 0) {
    mask.width = 0;
    return mask;
  }
  QImage image(mask.width, mask.height, QImage::Format_Grayscale8);
  image.fill(0);
  {
    QPainter painter(&image);
    painter.setFont(TextFont(cell_height));
    painter.setPen(Qt::white);
    const QFontMetrics metrics(painter.font());
    painter.drawText(0, metrics.ascent(),
                     QString::fromLatin1(text.data(), static_cast<int>(text.size())));
  }
  mask.ink.resize(static_cast<size_t>(mask.width) * mask.height);
  for (int y = 0; y < mask.height; ++y) {
    const uchar* row = image.constScanLine(y);
    for (int x = 0; x < mask.width; ++x)
      mask.ink[static_cast<size_t>(y) * mask.width + x] = row[x] >= 128 ? 1 : 0;
  }
  return mask;
}

}  // namespace vr::codecs::gif
