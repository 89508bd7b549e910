#include "colour/ui/dither_progress_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace vr::colour {

namespace {

constexpr int kStatusHeight = 24;

// A view of an 8-bit Bitmap without copying its pixels.
QImage ViewOf(const Bitmap& bitmap) {
  if (bitmap.Empty() || bitmap.Format() != picture::PixelFormat::k8) return QImage();
  QImage image(bitmap.Data(), bitmap.Width(), bitmap.Height(),
               static_cast<qsizetype>(bitmap.Stride()), QImage::Format_Indexed8);
  QList<QRgb> table;
  table.reserve(256);
  for (const Rgb& c : bitmap.Palette()) table.push_back(qRgb(c.r, c.g, c.b));
  while (table.size() < 256) table.push_back(qRgb(0, 0, 0));
  image.setColorTable(table);
  return image;
}

}  // namespace

TDitherProgressWindow::TDitherProgressWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Dither Progress Window (Press ESCape To Exit)"));
  setObjectName(QStringLiteral("DitherProgressWindow"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addStretch(1);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("StatusLabel"));
  status_->setFixedHeight(kStatusHeight);
  layout->addWidget(status_);
  resize(480, 360 + kStatusHeight);
  setFocusPolicy(Qt::StrongFocus);
}

QString TDitherProgressWindow::StatusText() const { return status_->text(); }

void TDitherProgressWindow::SetStatus(const QString& text) {
  status_->setText(text);
  if (status_sink_) status_sink_(text);
}

ReduceResult TDitherProgressWindow::Reduce(const Bitmap& source, Bitmap& destination,
                                           Palette6& palette, const ReduceRequest& request,
                                           bool show_window) {
  if (running_) {
    ReduceResult busy;
    busy.error = "A reduction is already running";
    return busy;
  }
  running_ = true;
  stop_ = false;
  picture_ = &destination;
  if (show_window) {
    show();
    raise();
    activateWindow();
  } else {
    hide();
  }
  ReduceRequest own = request;
  const ProgressFn outer = request.progress;
  own.progress = [this, outer](int percent, ProgressPhase phase) {
    const bool go_on = OnProgress(percent, phase);
    const bool outer_go_on = !outer || outer(percent, phase);
    return go_on && outer_go_on;
  };
  ReduceResult result = ReduceColours(source, destination, palette, own);
  running_ = false;
  if (!result.done) picture_ = nullptr;
  update();
  return result;
}

bool TDitherProgressWindow::OnProgress(int percent, ProgressPhase phase) {
  switch (phase) {
    case ProgressPhase::kStart:
      last_percent_ = -1;
      changes_ = 0;
      repaints_ = 0;
      break;
    case ProgressPhase::kProgress:
      if (percent != last_percent_) {
        last_percent_ = percent;
        ++changes_;
        // Only every fifth change is shown: repainting costs more than the rows between.
        if (changes_ % 5 == 0) {
          SetStatus(QStringLiteral("Dithering:") + QString::number(percent) +
                    QStringLiteral("% Done..."));
          if (isVisible()) {
            repaint();
            ++repaints_;
          }
          QCoreApplication::processEvents();
        }
      }
      break;
    case ProgressPhase::kDone:
      SetStatus(QStringLiteral(
          "Dithering: DONE!  You can TURN OFF this progress window from the OPTIONS MENU"));
      update();
      break;
  }
  return !stop_;
}

void TDitherProgressWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    if (running_) stop_ = true;
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TDitherProgressWindow::closeEvent(QCloseEvent* event) {
  if (running_) stop_ = true;
  QWidget::closeEvent(event);
}

void TDitherProgressWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area(0, 0, width(), height() - kStatusHeight);
  painter.fillRect(area, Qt::black);
  if (picture_ == nullptr || picture_->Empty()) return;
  const QImage image = ViewOf(*picture_);
  if (image.isNull()) return;
  // Fit the picture into the area, keeping its shape.
  QSize fitted = image.size().scaled(area.size(), Qt::KeepAspectRatio);
  if (image.width() <= area.width() && image.height() <= area.height()) fitted = image.size();
  const QRect target((area.width() - fitted.width()) / 2, (area.height() - fitted.height()) / 2,
                     fitted.width(), fitted.height());
  painter.drawImage(target, image);
}

}  // namespace vr::colour
