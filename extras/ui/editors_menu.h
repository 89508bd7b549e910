#pragma once
// "Editor's Configuration Setup Window" (TEditorsMenu): the five editor slots (a program or a
// desktop entry each, typed, dropped or browsed for), their "Quotes Needed" flags, and the
// editor number of every known file type.

#include <QDialog>
#include <QIcon>
#include <array>
#include <string>
#include <vector>

#include "extras/editors.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;

namespace vr::platform {
class Ui;
}

namespace vr::extras::ui {

inline constexpr const char* kPickTypeFirst =
    "Please HI-LITE at least one FILE TYPE before picking an Editor #";

// An editor slot's icon: a desktop entry's Icon (a file, or a name of the icon theme), else the
// file's own icon; none for a free slot.
QIcon EditorIcon(const std::string& path);

struct EditorSettings {
  std::array<std::string, kEditorSlots> paths;
  std::array<bool, kEditorSlots> quoted{true, true, true, true, true};
  std::vector<std::string> type_entries;  // "[n] .EXT"
};

class TEditorsMenu : public QDialog {
  Q_OBJECT

 public:
  TEditorsMenu(const EditorSettings& settings, platform::Ui& ui, QWidget* parent = nullptr);
  // The window's fields as settings (taken back on close).
  EditorSettings Result() const;

  std::array<QLineEdit*, kEditorSlots> Edit{};
  std::array<QCheckBox*, kEditorSlots> CB{};
  std::array<QLabel*, kEditorSlots> Image{};
  QListWidget* ListBox1 = nullptr;
  QSpinBox* SpinEdit1 = nullptr;

  void ListBox1Click();
  void SpinEdit1Change(int number);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowIcon(int slot);

  platform::Ui& ui_;
  bool filling_ = false;
};

}  // namespace vr::extras::ui
