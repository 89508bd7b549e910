#pragma once
// The "Optional Information Notice Window": a stay-on-top box with one short notice, "Ok", and
// the check box that silences the notice for the rest of the run. The screen-colour panel adds
// "Switch to True/Hi Color video mode now.".

#include <QDialog>
#include <string>

class QCheckBox;

namespace vr::shell::ui {

inline constexpr const char* kNoticeTitle = "Optional Information Notice Window";
inline constexpr const char* kNoticeTurnOff =
    "Turns off this message UNTIL you RUN the program again.";
inline constexpr const char* kNoticeSwitchMode = "Switch to True/Hi Color video mode now.";
inline constexpr const char* kScreenColourNotice =
    "The screen shows fewer colours than this picture holds. The picture looks its best in "
    "HI-COLOR or TRUE-COLOR screen mode.";

class TNoticeWindow : public QDialog {
  Q_OBJECT
 public:
  TNoticeWindow(const std::string& text, bool offer_switch, QWidget* parent);
  QCheckBox* turn_off() const { return turn_off_; }
  QCheckBox* switch_mode() const { return switch_mode_; }

 private:
  QCheckBox* turn_off_ = nullptr;
  QCheckBox* switch_mode_ = nullptr;
};

}  // namespace vr::shell::ui
