// A panel docked into the files list window (the album tree): the window's own content and the
// panel share a splitter, the panel on top, at the bottom or on the right.
#include <QSplitter>
#include <algorithm>

#include "lists/window/ui/file_list_menu.h"

namespace vr::list_window {

void TFileListMenu::DockPanel(QWidget* panel, DockSide side, std::function<void()> released) {
  if (panel == nullptr) return;
  if (docked_panel_ != nullptr) {
    std::function<void()> before = std::move(dock_released_);
    UndockPanel();
    if (before) before();
  }
  QWidget* content = takeCentralWidget();
  const bool right = side == DockSide::kRight;
  const int across = content == nullptr ? 0 : (right ? content->width() : content->height());
  dock_splitter_ = new QSplitter(right ? Qt::Horizontal : Qt::Vertical);
  dock_splitter_->setObjectName("DockSplitter");
  dock_splitter_->setChildrenCollapsible(false);
  if (side == DockSide::kTop) dock_splitter_->addWidget(panel);
  if (content != nullptr) dock_splitter_->addWidget(content);
  if (side != DockSide::kTop) dock_splitter_->addWidget(panel);
  const int panel_index = dock_splitter_->indexOf(panel);
  // The files take what the window gains; the panel keeps its size.
  dock_splitter_->setStretchFactor(panel_index, 0);
  if (content != nullptr) dock_splitter_->setStretchFactor(dock_splitter_->indexOf(content), 1);
  const int rest = std::max(across - kDockedPanelSize - dock_splitter_->handleWidth(), 60);
  dock_splitter_->setSizes(side == DockSide::kTop ? QList<int>{kDockedPanelSize, rest}
                                                  : QList<int>{rest, kDockedPanelSize});
  panel->show();
  if (content != nullptr) content->show();
  setCentralWidget(dock_splitter_);
  docked_panel_ = panel;
  dock_content_ = content;
  dock_side_ = side;
  dock_released_ = std::move(released);
}

QWidget* TFileListMenu::UndockPanel() {
  if (dock_splitter_ == nullptr) return nullptr;
  QWidget* panel = docked_panel_;
  QSplitter* splitter = dock_splitter_;
  takeCentralWidget();
  if (panel != nullptr) {
    panel->hide();
    panel->setParent(nullptr);
  }
  if (dock_content_ != nullptr) {
    setCentralWidget(dock_content_);
    dock_content_->show();
  }
  delete splitter;
  dock_splitter_ = nullptr;
  dock_content_ = nullptr;
  docked_panel_ = nullptr;
  dock_released_ = nullptr;
  return panel;
}

}  // namespace vr::list_window
