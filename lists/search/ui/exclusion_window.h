#pragma once
// "List of Folders to EXCLUDE or INCLUDE while searching for Duplicates": the folders "Use
// EXCLUSION List" leaves out of a search, and those searched even inside an excluded folder. A
// checked folder covers its sub-folders too.

#include <QDialog>

#include "lists/search/exclusion.h"

class QListWidget;

namespace vr::platform {
class Ui;
}

namespace vr::search_ui {

inline constexpr const char* kExclusionCaption =
    "List of Folders to EXCLUDE or INCLUDE while searching for Duplicates";

class TExclusionWindow : public QDialog {
  Q_OBJECT

 public:
  TExclusionWindow(const search::ExclusionList& lists, platform::Ui& ui, QWidget* parent = nullptr);

  // Adds a folder chosen in the folder dialog to the list (checked), unless already listed.
  void AddClick(bool exclude);
  // Removes the highlighted folders of the list.
  void RemoveClick(bool exclude);
  // The lists as the window shows them (a blank folder is dropped).
  search::ExclusionList Result() const;

  QListWidget* ExcludeBox() const { return exclude_; }
  QListWidget* IncludeBox() const { return include_; }

 private:
  QListWidget* Box(bool exclude) const { return exclude ? exclude_ : include_; }

  platform::Ui& ui_;
  QListWidget* exclude_ = nullptr;
  QListWidget* include_ = nullptr;
};

}  // namespace vr::search_ui
