#pragma once
// "Pick a format to save the SCREEN Snap Shot" (TSnapShotMenu): GIF, JPG or BMP for a snapshot.

#include <QDialog>

class QButtonGroup;
class QPushButton;

namespace vr::extras::ui {

class TSnapShotMenu : public QDialog {
  Q_OBJECT

 public:
  explicit TSnapShotMenu(QWidget* parent = nullptr);
  // The format of a finished run of the window: the item + 1 after "&Save Now", else 2 (JPG),
  // as closing the window always did.
  int Format(int exec_result) const;

  QButtonGroup* RGFormat = nullptr;
  QPushButton* BSave = nullptr;
};

}  // namespace vr::extras::ui
