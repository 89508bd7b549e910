#pragma once
// "DataBase Editor" (TDBEditMenu): the seven fields of one file's note with their limits, the
// choice of the field shown in the files list's "DB Field" column, and a check button beside each
// field that gives its value to every tagged file (the caller does that work).
//
// The window ends with one of the results below; the caller stores what it says. Values accept
// digits only; a value the user did not touch keeps the stored number, even a negative one.

#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "notes/notes_fields.h"
#include "notes/notes_record.h"

class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace vr::platform {
class Ui;
}

namespace vr::notes {

// A line edit for one user field with its limit: text fields their width, value fields digits
// only. Shared by the editor and the search window's record panel.
QLineEdit* MakeNoteFieldEdit(int field, QObject* validator_parent);
// Puts the texts of the seven edits onto `record`; a value whose text still equals what
// `shown` gave keeps the stored number (a negative one too). False with *message when a value is
// refused; the record is then unchanged.
bool CollectNoteFields(const std::array<QLineEdit*, kNoteFieldCount>& edits,
                       const NotesRecord& shown, NotesRecord* record, std::string* message);
// The labels beside the fields: "Category:" ... "Notes:".
const char* NoteFieldLabel(int field);

class TDBEditMenu : public QDialog {
 public:
  enum Result { kCancel = 0, kAcceptRecord = 1, kAcceptField = 2, kDeleteRecord = 3 };

  // `shown_name` is the file's name as shown; `record` the note (empty fields when none);
  // `db_field` the column's current field.
  TDBEditMenu(const std::string& shown_name, const NotesRecord& record, int db_field,
              platform::Ui& ui, QWidget* parent = nullptr);

  // Called by a field's check button with the field and its current text, after the question
  // has been answered Yes.
  void SetCheckHandler(std::function<void(int field, const std::string& value)> handler) {
    check_handler_ = std::move(handler);
  }

  // Puts the seven fields onto `record` (texts cut to their widths). False with *message when
  // a value is refused; the record is then unchanged.
  bool Collect(NotesRecord* record, std::string* message) const;
  // The field picked in "Field To Use For DB FIELD".
  int ChosenField() const;

  QLineEdit* Field(int field) const { return fields_[static_cast<size_t>(field)]; }
  QToolButton* CheckButton(int field) const { return checks_[static_cast<size_t>(field)]; }
  QRadioButton* FieldChoice(int field) const { return choices_[static_cast<size_t>(field)]; }
  QPushButton* AcceptRecordButton() const { return accept_record_; }
  QPushButton* AcceptFieldButton() const { return accept_field_; }
  QPushButton* DeleteRecordButton() const { return delete_record_; }
  QPushButton* CancelButton() const { return cancel_; }

  // The check button's work for one field (public so tests reach it without a click).
  void CheckClicked(int field);

 private:
  void AcceptRecordClicked();

  platform::Ui& ui_;
  NotesRecord original_;
  std::array<QLineEdit*, kNoteFieldCount> fields_{};
  std::array<QToolButton*, kNoteFieldCount> checks_{};
  std::array<QRadioButton*, kNoteFieldCount> choices_{};
  QPushButton* accept_record_ = nullptr;
  QPushButton* accept_field_ = nullptr;
  QPushButton* delete_record_ = nullptr;
  QPushButton* cancel_ = nullptr;
  std::function<void(int, const std::string&)> check_handler_;
};

}  // namespace vr::notes
