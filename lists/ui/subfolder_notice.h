#pragma once
// The sub-folder question panel of the "Optional Information Notice Window": asked before a
// folder is loaded unless the sub-folder option is checked or "ALWAYS" was answered in this run.

#include <QDialog>

#include "lists/files_list.h"

class QLabel;
class QPushButton;

namespace vr::lists {

inline constexpr const char* kSubfolderQuestion =
    "Do you want folders & sub-folders to be loaded into the Files List?\r\r"
    "YES = process the sub-folders of this folder too.\r"
    "NO = only load the files of this folder, not its sub-folders.\r"
    "ALWAYS = process sub-folders on this and every other loading operation, until you run the "
    "program again.";

class TSubfolderNotice : public QDialog {
  Q_OBJECT
 public:
  explicit TSubfolderNotice(QWidget* parent = nullptr);

  SubfolderAnswer answer() const { return answer_; }

  QLabel* Memo1 = nullptr;
  QPushButton* BYes = nullptr;
  QPushButton* BNo = nullptr;
  QPushButton* BAlways = nullptr;

 private:
  SubfolderAnswer answer_ = SubfolderAnswer::kNo;  // closing the window means NO
};

// Shows the panel modally and gives the answer; suitable as ListServices::ask_subfolders.
SubfolderAnswer AskSubfoldersQuestion(QWidget* parent);

}  // namespace vr::lists
