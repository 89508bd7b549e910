// The local files named by a drop's data, in the order given; web addresses are left out.
#pragma once

#include <QDropEvent>
#include <QEvent>
#include <QMimeData>
#include <QUrl>
#include <string>
#include <vector>

namespace vr::platform {

inline std::vector<std::string> DroppedLocalPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
}

// Takes a drag that enters or moves over a drop target when it carries files; false for any other
// event, which the target handles as before.
inline bool AcceptFileDrag(QEvent* event) {
  if (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove) return false;
  auto* drag = static_cast<QDragMoveEvent*>(event);
  if (!drag->mimeData()->hasUrls()) return false;
  drag->acceptProposedAction();
  return true;
}

}  // namespace vr::platform
