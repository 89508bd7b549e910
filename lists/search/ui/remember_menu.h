#pragma once
// "Memorized (Learned) List Of Mistaken-Matches  ": the learned mis-match list, the files about
// to be added as one group, and removal of entries. Every change rewrites "MEMORIZED.TXT".

#include <QDialog>
#include <string>
#include <vector>

#include "lists/search/learned.h"

class QListWidget;
class QPushButton;

namespace vr::platform {
class Ui;
}

namespace vr::search_ui {

inline constexpr const char* kRememberCaption = "Memorized (Learned) List Of Mistaken-Matches  ";
inline constexpr const char* kToAddText = "BELOW is a List of files to add to the MEMORIZED list above.";
inline constexpr const char* kOnceAddedText = "Once added, these files NO LONGER match with each other";

class TRememberMenu : public QDialog {
  Q_OBJECT

 public:
  TRememberMenu(search::LearnedList& list, std::string file, std::vector<std::string> to_add,
                platform::Ui& ui, QWidget* parent = nullptr);

  // Adds the files below as one group and rewrites the file.
  void AddClick();
  // Removes the highlighted entry of the list above after the question.
  void RemoveClick();

  QListWidget* ListBox1() const { return list_box_; }
  QListWidget* ListBox2() const { return add_box_; }
  QPushButton* BAdd() const { return add_; }

 private:
  void Fill();
  bool SaveList();

  search::LearnedList& list_;
  std::string file_;
  std::vector<std::string> to_add_;
  platform::Ui& ui_;
  QListWidget* list_box_ = nullptr;
  QListWidget* add_box_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* remove_ = nullptr;
};

}  // namespace vr::search_ui
