#include "lists/ui/subfolder_notice.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vr::lists {

TSubfolderNotice::TSubfolderNotice(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Optional Information Notice Window");
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  setModal(true);
  // The program's texts separate lines with a lone carriage return.
  Memo1 = new QLabel(QString::fromLatin1(kSubfolderQuestion).replace('\r', '\n'), this);
  Memo1->setWordWrap(true);
  Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse);
  BYes = new QPushButton("YES", this);
  BNo = new QPushButton("NO", this);
  BAlways = new QPushButton("ALWAYS", this);
  BYes->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {BYes, BNo, BAlways}) buttons->addWidget(b);
  auto* all = new QVBoxLayout(this);
  all->addWidget(Memo1);
  all->addLayout(buttons);
  auto answer_with = [this](SubfolderAnswer answer) {
    return [this, answer] {
      answer_ = answer;
      accept();
    };
  };
  connect(BYes, &QPushButton::clicked, this, answer_with(SubfolderAnswer::kYes));
  connect(BNo, &QPushButton::clicked, this, answer_with(SubfolderAnswer::kNo));
  connect(BAlways, &QPushButton::clicked, this, answer_with(SubfolderAnswer::kAlways));
}

SubfolderAnswer AskSubfoldersQuestion(QWidget* parent) {
  TSubfolderNotice notice(parent);
  notice.exec();
  return notice.answer();
}

}  // namespace vr::lists
