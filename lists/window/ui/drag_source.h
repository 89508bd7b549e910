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

// Asks about companion files, then runs the drag; `status` sees "COPY", "MOVE" or "NONE" as the
// target under the mouse changes. Gives the action the drop target took.
Qt::DropAction StartFileDrag(QWidget* source, const std::vector<std::string>& paths,
                             platform::Ui* ui,
                             const std::function<void(const std::string&)>& status = {});

}  // namespace vr::list_window
