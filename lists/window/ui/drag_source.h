#pragma once
// Dragging files out of the program as a file drop (copy or move).

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace vr::platform {
class Ui;
}

namespace vr::list_window {

// Files of a drag after a last look (protected files may become plain copies).
using DragFilter = std::function<std::vector<std::string>(const std::vector<std::string>& paths)>;

// Asks about companion files, passes the files through `usable` when given, then runs the drag; `status` sees "COPY", "MOVE" or "NONE" as the
// target under the mouse changes. Gives the action the drop target took.
Qt::DropAction StartFileDrag(QWidget* source, const std::vector<std::string>& paths,
                             platform::Ui* ui,
                             const std::function<void(const std::string&)>& status = {},
                             const DragFilter& usable = {});

}  // namespace vr::list_window
