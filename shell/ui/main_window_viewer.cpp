// The main window's screen-dependent looks: the hint colour, large fonts, palette realisation on
// screens of 256 colours (kept in the display cache), and the media pane.
#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QMenu>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/preview_form.h"
#include "picture/convert.h"
#include "picture/kinds.h"
#include "picture/ui/qimage_bridge.h"
#include "shell/ui/main_window.h"
#include "shell/ui/media_pane.h"
#include "shell/ui/panes.h"

namespace vr::shell::ui {

void TVeldrimon69::ApplyHintColour() {
  QPalette tips = QToolTip::palette();
  tips.setColor(QPalette::ToolTipBase, kHintColour);
  tips.setColor(QPalette::ToolTipText, Qt::black);
  QToolTip::setPalette(tips);
  // Hints stay up for five seconds.
  for (QWidget* w : findChildren<QWidget*>()) {
    if (!w->toolTip().isEmpty()) w->setToolTipDuration(kHintShowMs);
  }
}

void TVeldrimon69::ReadLargeFonts() {
  large_fonts_ = IsLargeFontHeight(QFontInfo(font()).pixelSize());
}

void TVeldrimon69::ApplyLargeFonts() {
  if (!large_fonts_) return;
  for (QToolBar* bar : findChildren<QToolBar*>()) bar->setMinimumHeight(kLargeFontRowSize);
  TBLoad->setFixedWidth(TBLoad->sizeHint().width() + kLargeFontLoadWider);
  WidenListWindowButtons();
}

void TVeldrimon69::WidenListWindowButtons() {
  if (!large_fonts_ || list_window_ == nullptr) return;
  if (QToolButton* thumbs = list_window_->TBThumbs()) {
    thumbs->setFixedWidth(thumbs->sizeHint().width() + kLargeFontViewToggleWider);
  }
  for (QToolButton* b : list_window_->findChildren<QToolButton*>()) {
    if (b->defaultAction() != nullptr && b->defaultAction()->text() == "DB EDIT") {
      b->setFixedWidth(b->sizeHint().width() + kLargeFontNotesWider);
    }
  }
}

void TVeldrimon69::RealisePalette() {
  if (display_cache_.Realise(shown_.bitmap, DisplayDepth())) {
    if (fit_pane_->isVisible()) fit_pane_->RepaintPicture();
    if (ScrollBox1->isVisible()) PanelImage1->update();
  }
}

QImage TVeldrimon69::ActualScreenImage(const picture::Bitmap& bitmap) {
  return display_cache_.ScreenImage(bitmap, shown_.bitmap, DisplayDepth());
}

void TVeldrimon69::ShowMedia(const std::string& path) {
  // Both picture panes give way to the media pane, which takes the client area.
  PanelMedia->show();
  PanelMedia->raise();
  LayOutClient();
  if (!isMaximized() && !isFullScreen()) {
    const QSize want = PanelMedia->sizeHint();
    resize(width() + std::max(0, want.width() - client_->width()),
           height() + std::max(0, want.height() - client_->height()));
  }
  PanelMedia->Play(path, picture::KindFromName(path));
}

void TVeldrimon69::HideMedia() {
  if (PanelMedia->file().empty() && PanelMedia->isHidden()) return;
  PanelMedia->Stop();
  PanelMedia->hide();
  LayOutClient();
}

}  // namespace vr::shell::ui
