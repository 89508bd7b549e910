#pragma once
// "Setup File Types": which picture types the desktop opens with this viewer.

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace vr::shell::ui {

class TSetupFileTypes : public QDialog {
  Q_OBJECT
 public:
  explicit TSetupFileTypes(QWidget* parent);
  // The MIME types of the checked entries.
  std::vector<std::string> CheckedMimeTypes() const;
  QListWidget* list() const { return list_; }

 private:
  QListWidget* list_ = nullptr;
};

}  // namespace vr::shell::ui
