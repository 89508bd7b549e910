#pragma once
// The "Select ZOOMing options" window behind "&Zoom": the current size, the new width, height
// and zoom factor kept in line by ZoomEdits, "Keep Aspect Ratio", "Use &Screen Size", the
// smoothing toggle and the question about shrinking without smoothing.

#include <QDialog>

#include "shell/transforms/zoom.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace vr::platform {
class Ui;
}

namespace vr::shell::ui {

inline constexpr const char* kZoomTitle = "Select ZOOMing options";
// The window's results: "&Ok" and "&Cancel".
inline constexpr int kZoomOk = 1;
inline constexpr int kZoomCancel = 2;

class TZoomMenu : public QDialog {
  Q_OBJECT
 public:
  // `ui` asks the shrink question and shows the aspect hint; the screen size serves
  // "Use &Screen Size".
  TZoomMenu(int current_width, int current_height, int screen_width, int screen_height,
            platform::Ui* ui, QWidget* parent = nullptr);

  const transforms::ZoomEdits& edits() const { return edits_; }
  // Closing with "&Ok" asks about shrinking without smoothing; "-CANCEL Zoom" keeps it open.
  void done(int result) override;

  QLineEdit* EWidth = nullptr;
  QLineEdit* EHeight = nullptr;
  QLineEdit* EZoom = nullptr;
  QCheckBox* CBAspect = nullptr;
  QPushButton* BScreenSize = nullptr;
  QToolButton* SBSmoothing = nullptr;
  QPushButton* BOk = nullptr;
  QPushButton* BCancel = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows the edits' texts (the rules only run on the user's own edits, so setting the texts
  // here does not trigger them again) and the state of "&Ok" and the smoothing toggle.
  void ShowEdits(const QLineEdit* typed_in);
  void ScreenSizeClick();

  transforms::ZoomEdits edits_;
  int screen_width_;
  int screen_height_;
  platform::Ui* ui_;
};

}  // namespace vr::shell::ui
