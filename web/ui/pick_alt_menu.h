#pragma once
// "Pick ALTernate Internet Browser & Editor programs" (TPickAltIEMenu): one browser and up to
// three HTML editors, each a program and a "Command Line Option", for the wizard's "View with"
// and "Edit with" entries.

#include <QDialog>

#include <array>
#include <string>

class QLineEdit;

namespace vr::web::ui {

// The "WebFolders" keys in their settings order: "LastPath", "AltBrowser", "AltBrowserParm",
// "AltHTMLEditor#1", "AltHTMLEditor#1Parm" ... "AltHTMLEditor#3Parm".
using WebFolderKeys = std::array<std::string, 9>;
inline constexpr size_t kLastPathKey = 0;
inline constexpr size_t kBrowserKey = 1;
// Program of editor n (1..3); its option is the next key.
inline constexpr size_t EditorKey(int n) { return static_cast<size_t>(1 + 2 * n); }

class TPickAltIEMenu : public QDialog {
  Q_OBJECT

 public:
  TPickAltIEMenu(QWidget* parent, const WebFolderKeys& keys);
  // The programs and options as edited (the folder key unchanged).
  WebFolderKeys Keys() const;
  QLineEdit* Program(int row) const { return programs_[row]; }  // 0 browser, 1-3 editors
  QLineEdit* Option(int row) const { return options_[row]; }

 protected:
  // A program file dropped on a program field sets it.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  WebFolderKeys keys_;
  std::array<QLineEdit*, 4> programs_{};
  std::array<QLineEdit*, 4> options_{};
};

}  // namespace vr::web::ui
