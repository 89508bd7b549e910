#pragma once
// "Slide Show Options": the delay, full screen and its kind, looping, where to start, random
// order and waiting for the same-name sound. Made once at start-up and shown modally; the values
// live in shell::Settings (section "SlideShow").

#include <QDialog>

#include "shell/settings.h"
#include "shell/slide_show.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vr::shell::ui {

inline constexpr const char* kSlideOptionsTitle = "Slide Show Options";

class TSlideShowMenu : public QDialog {
  Q_OBJECT
 public:
  explicit TSlideShowMenu(QWidget* parent = nullptr);

  // Puts the settings' values into the controls, and reads them back.
  void Load(const Settings& settings);
  void Store(Settings& settings) const;

  QSpinBox* SpinEdit1 = nullptr;   // "Delay Time:" (seconds)
  QCheckBox* CheckBox1 = nullptr;  // "Full Screen:"
  QGroupBox* RadioGroup1 = nullptr;  // "Full Screen Options"
  QCheckBox* CheckBox2 = nullptr;  // "Continuous Looping (Never Ending)"
  QSpinBox* SETimes = nullptr;     // "Loop How Many Times?"
  QGroupBox* RadioGroup2 = nullptr;  // "Where To Start From"
  QCheckBox* CBRandom = nullptr;
  QCheckBox* CBWavWait = nullptr;
  QPushButton* ok_button = nullptr;

  QRadioButton* full_screen_choice(int index) const;
  QRadioButton* start_choice(int index) const;

 private:
  QButtonGroup* full_screen_group_ = nullptr;
  QButtonGroup* start_group_ = nullptr;
};

// The options a show runs with, from the settings.
SlideShowOptions SlideOptionsOf(const Settings& settings);

}  // namespace vr::shell::ui
