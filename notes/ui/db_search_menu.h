#pragma once
// "Notes DataBase Search" (TDBSearchMenu): eight search fields and the three search types, the
// found list with its check boxes and commands, and the record panel that shows, walks and
// updates any record of the database in key order.

#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "notes/notes_fields.h"
#include "notes/notes_record.h"
#include "notes/notes_search.h"
#include "platform/services.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace vr::picture {
class TPreviewPanel;
}

namespace vr::notes {

class NotesDatabase;

struct SearchMenuServices {
  platform::Services platform;  // ui required; please_wait and pump optional
  // Adds paths to the files list after the question (the caller asks it); absent: the Add
  // buttons are disabled.
  std::function<void(const std::vector<std::string>& paths)> add_to_files_list;
  // Shows a picture preview of a file in the panel; absent: no preview.
  std::function<picture::TPreviewPanel*(QWidget* parent)> make_preview;
};

inline constexpr const char* kNotTaggedText =
    "This operation is for tagged files. It appears like you have NOT tagged any files. Try "
    "tagging some files first  :)";

class TDBSearchMenu : public QDialog {
 public:
  TDBSearchMenu(NotesDatabase& db, SearchMenuServices services, QWidget* parent = nullptr);

  // "&Search DataBase Now".
  void SearchClick();
  // Found list commands.
  void AddClick();
  void DeleteClick();
  void UnDeleteClick();
  void TagAll(int mode);  // 1 tag all, 0 untag all, -1 reverse
  // Record panel.
  void ShowPosition(long n);  // 1-based; clamped to the records there are
  void GoToClick();           // "Record #:"
  void UpdateClick();
  void PanelAddClick();

  QLineEdit* SearchField(int field) const { return search_[static_cast<size_t>(field)]; }
  QRadioButton* SearchType(int type) const { return types_[static_cast<size_t>(type)]; }
  QListWidget* FoundList() const { return found_; }
  QLineEdit* PanelField(int field) const { return fields_[static_cast<size_t>(field)]; }
  QCheckBox* DeletedStatus() const { return deleted_; }
  QLineEdit* RecordNumber() const { return record_number_; }
  QLabel* FileLabel() const { return file_; }
  QLabel* PositionLabel() const { return position_; }
  QStackedWidget* PanelStack() const { return panel_stack_; }
  std::string StatusText(int panel) const;
  std::vector<std::string> FoundKeys() const;
  std::vector<std::string> CheckedKeys() const;
  const std::string& ShownKey() const { return shown_key_; }

 private:
  void BuildSearchSide(QWidget* side);
  QWidget* BuildPanel();
  void SetStatus(int panel, const std::string& text);
  void Pump();
  void ShowRecord(const NotesRecord& record);
  void ShowFoundRow(int row);
  void RefreshTotals();
  void UpdateTagged();

  NotesDatabase& db_;
  SearchMenuServices services_;
  std::array<QLineEdit*, kSearchFieldCount> search_{};
  std::array<QRadioButton*, 3> types_{};  // SearchType order: deleted only, live only, either
  QListWidget* found_ = nullptr;
  std::array<QLineEdit*, kNoteFieldCount> fields_{};
  QCheckBox* deleted_ = nullptr;
  QLineEdit* record_number_ = nullptr;
  QLabel* file_ = nullptr;
  QLabel* position_ = nullptr;
  QStackedWidget* panel_stack_ = nullptr;
  picture::TPreviewPanel* preview_ = nullptr;
  std::array<QLabel*, 3> status_{};
  NotesRecord shown_;
  std::string shown_key_;
};

}  // namespace vr::notes
