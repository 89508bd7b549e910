#pragma once
// The picture preview panel used by dialogs and windows: a caption with the picture's size and
// colours, the picture shrunk to fit, and the file's size and date.

#include <QFrame>
#include <QImage>
#include <QString>
#include <functional>
#include <string>

#include "picture/picture_holder.h"

namespace vr::picture {

// What the panel's loader hands back for one file.
struct PreviewLoadResult {
  PictureHolder holder;
  bool is_media = false;      // handed to the media player instead
  bool animated_gif = false;  // caption "GIF Animation"
  // From the header probe: size and colour count (16000 for true colour).
  int info_width = 0;
  int info_height = 0;
  int info_colours = 0;
};

// Loads `path` for a preview of at most `target` pixels on a side.
using PreviewLoader = std::function<PreviewLoadResult(const std::string& path, int target)>;

// The program's loader for a panel: the picture reduced to the panel (JPEGs decoded at a reduced
// scale), the header's facts for the caption; media files go to the player, and a failed load
// leaves the holder empty so that the panel says it cannot preview instead of showing the
// loader's failure pixel.
PreviewLoadResult LoadPanelPreview(const std::string& path, int target);

// " (WxH N Colors)", with 16000 colours written "16M".
QString PreviewSizeCaption(int width, int height, int colours);

class TPreviewPanel : public QFrame {
  Q_OBJECT

 public:
  explicit TPreviewPanel(PreviewLoader loader, QWidget* parent = nullptr);

  // Loads and shows a file; an empty path shows that there is nothing to preview.
  void ShowFile(const QString& path);
  void Clear();

  QString Caption() const { return caption_; }
  QString PanelText() const { return panel_text_; }
  QString SizeText() const { return size_text_; }
  QString DateText() const { return date_text_; }
  // The picture as drawn (already fitted to the panel, at device pixels); null when there is none.
  const QImage& Shown() const { return shown_; }

 signals:
  void MediaFileChosen(const QString& path);
  void CaptionChanged(const QString& caption);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void SetCaption(const QString& caption);

  PreviewLoader loader_;
  QString caption_;
  QString panel_text_;
  QString size_text_;
  QString date_text_;
  QImage shown_;
};

}  // namespace vr::picture
