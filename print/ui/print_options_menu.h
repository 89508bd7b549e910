#pragma once
// "Print Options": landscape (which turns the printer at once), keep aspect, the placement, the
// margins in inches (shown with their labels only for "Use Margins") and "Print Tagged ONLY". The
// choices live for the run.

#include <QDialog>

#include "platform/printer.h"
#include "print/placement.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace vr::print::ui {

class TPrintOptionsMenu : public QDialog {
 public:
  TPrintOptionsMenu(PrintOptions& options, platform::Printer* printer, QWidget* parent = nullptr);

  QCheckBox* CheckBox2 = nullptr;  // "Landscape"
  QCheckBox* CheckBox4 = nullptr;  // "Keep Aspect"
  QRadioButton* RadioButton1 = nullptr;  // "Full Page"
  QRadioButton* RadioButton2 = nullptr;  // "Keep True Size"
  QRadioButton* RadioButton3 = nullptr;  // "Use Margins"
  QLineEdit* MaskEdit1 = nullptr;  // left and right
  QLineEdit* MaskEdit2 = nullptr;  // top and bottom
  QLabel* Label1 = nullptr;        // "Left/Right"
  QLabel* Label2 = nullptr;        // "Top/Bottom"
  QCheckBox* CBTag = nullptr;      // "Print Tagged ONLY"

 private:
  void ShowMargins();
  void Store();

  PrintOptions& options_;
  platform::Printer* printer_;
};

}  // namespace vr::print::ui
