#include "picture/codecs/gif/ui/gif_comments_menu.h"

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

void TGifCommentsMenu::Clear() {
  lines_.clear();
  Memo1->clear();
}

}  // namespace vr::codecs::gif
