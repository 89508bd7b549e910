#include "picture/ui/preview_panel.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>

#include "picture/fit.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"
#include "picture/ui/device_pixels.h"
#include "picture/ui/qimage_bridge.h"
#include "picture/ui/scaled_draw.h"

namespace vr::picture {

PreviewLoadResult LoadPanelPreview(const std::string& path, int target) {
  PreviewLoadResult result;
  if (IsMediaKind(KindFromName(path))) {
    result.is_media = true;
    return result;
  }
  PreviewRequest request;
  request.target_size = target;
  const PreviewOutcome outcome = LoadPreviewPicture(path, result.holder, request, DecodeOptions{});
  if (outcome.failed) result.holder.Reset();
  result.animated_gif = outcome.animated;
  const PictureInfo info = ReadPictureInfo(path);
  result.info_width = info.width;
  result.info_height = info.height;
  result.info_colours = info.colours;
  return result;
}

QString PreviewSizeCaption(int width, int height, int colours) {
  const QString count = colours == 16000 ? QStringLiteral("16M") : QString::number(colours);
  return QStringLiteral(" (%1x%2 %3 Colors)").arg(width).arg(height).arg(count);
}

TPreviewPanel::TPreviewPanel(PreviewLoader loader, QWidget* parent)
    : QFrame(parent), loader_(std::move(loader)) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setMinimumSize(64, 64);
  Clear();
}

void TPreviewPanel::SetCaption(const QString& caption) {
  caption_ = caption;
  emit CaptionChanged(caption_);
}

void TPreviewPanel::Clear() {
  shown_ = QImage();
  SetCaption(QStringLiteral("Nothing To Preview"));
  panel_text_ = QStringLiteral("No File To Display");
  size_text_ = QStringLiteral("N/A");
  date_text_ = QStringLiteral("N/A");
  update();
}

void TPreviewPanel::ShowFile(const QString& path) {
  if (path.isEmpty() || !loader_) {
    Clear();
    return;
  }
  shown_ = QImage();
  panel_text_ = QStringLiteral("Loading Image...");
  repaint();

  // The picture is loaded and fitted at device pixels, so that on a high-density screen it is
  // drawn one to one rather than made at the logical size and scaled up.
  const qreal ratio = devicePixelRatioF();
  const QSize area = DeviceSize(contentsRect().size(), ratio);
  const int target = std::max(1, std::min(area.width(), area.height()));
  PreviewLoadResult loaded = loader_(path.toStdString(), target);
  const QFileInfo info(path);
  size_text_ = info.exists() ? QString::number(info.size()) : QStringLiteral("N/A");
  date_text_ = info.exists() ? info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                             : QStringLiteral("N/A");
  if (loaded.is_media) {
    panel_text_.clear();
    SetCaption(QStringLiteral("Picture Preview"));
    emit MediaFileChosen(path);
    update();
    return;
  }
  panel_text_.clear();
  const QString title =
      loaded.animated_gif ? QStringLiteral("GIF Animation") : QStringLiteral("Picture Preview");
  SetCaption(title +
             PreviewSizeCaption(loaded.info_width, loaded.info_height, loaded.info_colours));

  // A picture larger than the panel is shrunk (always smoothly) to its fitted size.
  const PictureHolder& holder = loaded.holder;
  const int w = holder.Width();
  const int h = holder.Height();
  if (w < 1 || h < 1) {
    shown_ = QImage();
    panel_text_ = QStringLiteral("%1\n%2").arg(QString::fromLatin1(kCantPreviewLine1),
                                               QString::fromLatin1(kCantPreviewLine2));
    update();
    return;
  }
  Size size{w, h};
  if (w > area.width() || h > area.height()) size = FitInBox(w, h, area.width(), area.height());
  QImage image(size.width, size.height, QImage::Format_RGB32);
  if (!image.isNull()) {
    image.fill(palette().color(QPalette::Window));
    QPainter painter(&image);
    DrawPictureScaled(holder, painter, QRect(0, 0, size.width, size.height), true);
    painter.end();
    image.setDevicePixelRatio(ratio);
  }
  shown_ = image;
  update();
}

void TPreviewPanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const QRect area = contentsRect();
  if (!shown_.isNull()) {
    // Centred in device pixels, so the picture lands on whole screen pixels.
    const qreal ratio = shown_.devicePixelRatio();
    const QSize device = DeviceSize(area.size(), ratio);
    const QPointF corner = LogicalPoint((device.width() - shown_.width()) / 2,
                                        (device.height() - shown_.height()) / 2, ratio);
    painter.drawImage(QPointF(area.topLeft()) + corner, shown_);
  } else if (!panel_text_.isEmpty()) {
    painter.drawText(area, Qt::AlignCenter, panel_text_);
  }
}

}  // namespace vr::picture
