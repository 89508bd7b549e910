#include "picture/codecs/gif/ui/gif_comments_menu.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace vr::codecs::gif {

TGifCommentsMenu::TGifCommentsMenu(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("GIF Comments"));
  setObjectName(QStringLiteral("GifCommentsMenu"));
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(Memo1);
  resize(420, 260);
}

void TGifCommentsMenu::SetLines(const std::vector<std::string>& lines) {
  lines_ = lines;
  QStringList text;
  for (const std::string& line : lines)
    text << QString::fromLatin1(line.data(), static_cast<int>(line.size()));
  Memo1->setPlainText(text.join(QLatin1Char('\n')));
}

bool TGifCommentsMenu::EditModal(const std::function<int(QDialog&)>& exec) {
  QDialog dialog(parentWidget());
  dialog.setWindowTitle(QStringLiteral("GIF Comments"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* box = new QPlainTextEdit(&dialog);
  box->setObjectName(QStringLiteral("Memo1"));
  box->setLineWrapMode(QPlainTextEdit::NoWrap);
  box->setPlainText(Memo1->toPlainText());
  layout->addWidget(box);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog.resize(420, 260);
  edit_box_ = box;
  const int result = exec ? exec(dialog) : dialog.exec();
  edit_box_ = nullptr;
  if (result != QDialog::Accepted) return false;
  QStringList lines = box->toPlainText().split(QLatin1Char('\n'));
  while (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  std::vector<std::string> kept;
  for (const QString& line : lines) kept.push_back(line.toLatin1().toStdString());
  SetLines(kept);
  return true;
}

void TGifCommentsMenu::Clear() {
  lines_.clear();
  Memo1->clear();
}

}  // namespace vr::codecs::gif
