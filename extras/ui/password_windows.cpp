#include "extras/ui/password_windows.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui.h"

namespace vr::extras::ui {

TPasswordMenu::TPasswordMenu(PasswordStore& store, platform::Ui& ui, QWidget* parent)
    : QDialog(parent), store_(store), ui_(ui) {
  setObjectName("PasswordMenu");
  setWindowTitle("Password Options");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Password:"));
  EPassword = new QLineEdit;
  EPassword->setObjectName("EPassword");
  EPassword->setEchoMode(QLineEdit::Password);
  EPassword->setMaxLength(static_cast<int>(kMaxPasswordLength));
  layout->addWidget(EPassword);
  layout->addWidget(new QLabel("Password again (to verify):"));
  EPassword2 = new QLineEdit;
  EPassword2->setObjectName("EPassword2");
  EPassword2->setEchoMode(QLineEdit::Password);
  EPassword2->setMaxLength(static_cast<int>(kMaxPasswordLength));
  layout->addWidget(EPassword2);
  auto* note = new QLabel(kObfuscationNote);
  note->setObjectName("LNote");
  note->setWordWrap(true);
  layout->addWidget(note);
  auto* buttons = new QHBoxLayout;
  BPassword = new QPushButton("&Set Password");
  BPassword->setObjectName("BPassword");
  auto* close = new QPushButton("&Close");
  buttons->addWidget(BPassword);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(BPassword, &QPushButton::clicked, this, [this] { BPasswordClick(); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  ShowStored();
}

void TPasswordMenu::ShowStored() {
  if (!store_.HasPassword()) return;
  // A password is set once; the window shows it and offers no change.
  const QString stored = QString::fromStdString(store_.password());
  EPassword->setText(stored);
  EPassword2->setText(stored);
  EPassword->setEnabled(false);
  EPassword2->setEnabled(false);
  BPassword->setEnabled(false);
}

void TPasswordMenu::BPasswordClick() {
  const std::string first = EPassword->text().toStdString();
  if (first != EPassword2->text().toStdString()) {
    ui_.Warning(kPasswordsDiffer);
    return;
  }
  if (!ui_.AskYesNo(kSetPasswordQuestion)) {
    ui_.Information(kPasswordNotSaved);
    return;
  }
  const PasswordStore::SetResult result = store_.Set(first);
  if (result == PasswordStore::SetResult::kSaved) {
    ui_.Information(PasswordStore::SetResultText(result));
    ShowStored();
  } else {
    ui_.Warning(PasswordStore::SetResultText(result));
  }
}

TPassEnterMenu::TPassEnterMenu(QWidget* parent) : QDialog(parent) {
  setObjectName("PassEnterMenu");
  setWindowTitle("Enter Password");
  auto* layout = new QVBoxLayout(this);
  LPassMess = new QLabel;
  LPassMess->setObjectName("LPassMess");
  layout->addWidget(LPassMess);
  LFileName = new QLabel;
  LFileName->setObjectName("LFileName");
  LFileName->setMinimumWidth(280);
  layout->addWidget(LFileName);
  EPassword = new QLineEdit;
  EPassword->setObjectName("EPassword");
  EPassword->setEchoMode(QLineEdit::Password);
  layout->addWidget(EPassword);
  LComplaint = new QLabel;
  LComplaint->setObjectName("LComplaint");
  layout->addWidget(LComplaint);
  auto* buttons = new QHBoxLayout;
  BAccept = new QPushButton("&Accept Password");
  BAccept->setObjectName("BAccept");
  BAccept->setDefault(true);
  BCancel = new QPushButton("&Cancel");
  BCancel->setObjectName("BCancel");
  buttons->addWidget(BAccept);
  buttons->addWidget(BCancel);
  layout->addLayout(buttons);
  connect(BAccept, &QPushButton::clicked, this, &QDialog::accept);
  connect(BCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TPassEnterMenu::Prepare(const std::string& message, const std::string& file,
                             const std::string& complaint) {
  LPassMess->setText(QString::fromStdString(message));
  const int width = std::max(40, LFileName->width() - 20);
  LFileName->setText(QFontMetrics(LFileName->font())
                         .elidedText(QString::fromStdString(file), Qt::ElideMiddle, width));
  LFileName->setVisible(!file.empty());
  LComplaint->setText(QString::fromStdString(complaint));
  EPassword->clear();
  EPassword->setFocus();
}

std::string TPassEnterMenu::Typed() const { return EPassword->text().toStdString(); }

PasswordDialog EnterDialog(QWidget* parent, std::function<int(QDialog&)> exec) {
  return [parent, exec](const std::string& message, const std::string& file,
                        const std::string& complaint) -> std::optional<std::string> {
    TPassEnterMenu window(parent);
    window.Prepare(message, file, complaint);
    const int result = exec ? exec(window) : window.exec();
    if (result != QDialog::Accepted) return std::nullopt;
    return window.Typed();
  };
}

}  // namespace vr::extras::ui
