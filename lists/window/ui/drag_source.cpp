#include "lists/window/ui/drag_source.h"

#include <QDrag>
#include <QList>
#include <QMimeData>
#include <QUrl>

#include "lists/window/drag_files.h"

namespace vr::list_window {

Qt::DropAction StartFileDrag(QWidget* source, const std::vector<std::string>& paths,
                             platform::Ui* ui,
                             const std::function<void(const std::string&)>& status,
                             const DragFilter& usable) {
  std::vector<std::string> kept = DraggedFiles(paths, ui);
  if (usable && !kept.empty()) kept = usable(kept);
  if (kept.empty()) return Qt::IgnoreAction;
  QList<QUrl> urls;
  for (const std::string& path : kept)
    urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
  auto* mime = new QMimeData;
  mime->setUrls(urls);
  auto* drag = new QDrag(source);
  drag->setMimeData(mime);
  if (status) {
    QObject::connect(drag, &QDrag::actionChanged, source, [status](Qt::DropAction action) {
      status(action == Qt::CopyAction   ? kDragCopy
             : action == Qt::MoveAction ? kDragMove
                                        : kDragNone);
    });
  }
  return drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

}  // namespace vr::list_window
