#include "notes/ui/db_edit_menu.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/ui.h"

namespace vr::notes {
namespace {

constexpr std::array<const char*, kNoteFieldCount> kLabels = {
    "Category:", "Type 1:", "Type 2:", "Value 1:", "Value 2:", "Keywords:", "Notes:"};

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

const char* NoteFieldLabel(int field) {
  return field >= 0 && field < kNoteFieldCount ? kLabels[static_cast<size_t>(field)] : "";
}

QLineEdit* MakeNoteFieldEdit(int field, QObject* validator_parent) {
  auto* edit = new QLineEdit;
  edit->setObjectName(QString("Field%1").arg(field));
  if (IsNumberField(field)) {
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), validator_parent));
  } else {
    edit->setMaxLength(static_cast<int>(NoteFieldWidth(field)));
  }
  return edit;
}

bool CollectNoteFields(const std::array<QLineEdit*, kNoteFieldCount>& edits,
                       const NotesRecord& shown, NotesRecord* record, std::string* message) {
  NotesRecord out = *record;
  for (int f = 0; f < kNoteFieldCount; ++f) {
    const std::string text = edits[static_cast<size_t>(f)]->text().toStdString();
    // An untouched value keeps the stored number, which may be one the digits cannot write.
    if (IsNumberField(f) && text == NoteFieldText(shown, f)) {
      (f == kFieldValue1 ? out.number1 : out.number2) =
          f == kFieldValue1 ? shown.number1 : shown.number2;
      continue;
    }
    if (!SetNoteFieldText(&out, f, text, message)) return false;
  }
  *record = out;
  return true;
}

TDBEditMenu::TDBEditMenu(const std::string& shown_name, const NotesRecord& record, int db_field,
                         platform::Ui& ui, QWidget* parent)
    : QDialog(parent), ui_(ui), original_(record) {
  setObjectName("TDBEditMenu");
  setWindowTitle("DataBase Editor");
  setModal(true);
  auto* column = new QVBoxLayout(this);
  auto* name = new QLabel(Q(shown_name));
  name->setObjectName("FileName");
  name->setTextInteractionFlags(Qt::TextSelectableByMouse);
  column->addWidget(name);

  auto* grid = new QGridLayout;
  for (int f = 0; f < kNoteFieldCount; ++f) {
    const size_t i = static_cast<size_t>(f);
    QLineEdit* edit = MakeNoteFieldEdit(f, this);
    edit->setText(Q(NoteFieldText(record, f)));
    auto* check = new QToolButton;
    check->setObjectName(QString("Check%1").arg(f));
    check->setText(QString::fromUtf8("\u2714"));
    check->setToolTip(QString("Give this %1 to every TAGGED file").arg(NoteFieldName(f)));
    connect(check, &QToolButton::clicked, this, [this, f] { CheckClicked(f); });
    grid->addWidget(new QLabel(kLabels[i]), f, 0);
    grid->addWidget(edit, f, 1);
    grid->addWidget(check, f, 2);
    fields_[i] = edit;
    checks_[i] = check;
  }
  column->addLayout(grid);

  auto* box = new QGroupBox("Field To Use For DB FIELD");
  auto* radios = new QHBoxLayout(box);
  auto* group = new QButtonGroup(this);
  for (int f = 0; f < kNoteFieldCount; ++f) {
    auto* radio = new QRadioButton(NoteFieldName(f));
    radio->setObjectName(QString("Choice%1").arg(f));
    radio->setChecked(f == db_field);
    group->addButton(radio, f);
    radios->addWidget(radio);
    choices_[static_cast<size_t>(f)] = radio;
  }
  column->addWidget(box);

  auto* buttons = new QHBoxLayout;
  accept_record_ = new QPushButton("&Accept Record");
  accept_field_ = new QPushButton("Accept &Field");
  delete_record_ = new QPushButton("&Delete Record");
  cancel_ = new QPushButton("&Cancel");
  for (QPushButton* b : {accept_record_, accept_field_, delete_record_, cancel_}) {
    buttons->addWidget(b);
  }
  accept_record_->setDefault(true);
  column->addLayout(buttons);
  connect(accept_record_, &QPushButton::clicked, this, [this] { AcceptRecordClicked(); });
  connect(accept_field_, &QPushButton::clicked, this, [this] { done(kAcceptField); });
  connect(delete_record_, &QPushButton::clicked, this, [this] { done(kDeleteRecord); });
  connect(cancel_, &QPushButton::clicked, this, [this] { done(kCancel); });
}

bool TDBEditMenu::Collect(NotesRecord* record, std::string* message) const {
  return CollectNoteFields(fields_, original_, record, message);
}

int TDBEditMenu::ChosenField() const {
  for (int f = 0; f < kNoteFieldCount; ++f) {
    if (choices_[static_cast<size_t>(f)]->isChecked()) return f;
  }
  return kDefaultDbField;
}

void TDBEditMenu::AcceptRecordClicked() {
  NotesRecord probe = original_;
  std::string message;
  if (!Collect(&probe, &message)) {
    ui_.Warning(message);
    return;
  }
  done(kAcceptRecord);
}

void TDBEditMenu::CheckClicked(int field) {
  const std::string value = fields_[static_cast<size_t>(field)]->text().toStdString();
  NotesRecord probe;
  std::string message;
  if (!SetNoteFieldText(&probe, field, value, &message)) {
    ui_.Warning(message);
    return;
  }
  const std::string question = "Do you wish to make all TAGGED files have \"" + value +
                               "\" as it's " + NoteFieldName(field) + " Field.";
  if (!ui_.AskYesNo(question)) return;
  if (check_handler_) check_handler_(field, value);
}

}  // namespace vr::notes
