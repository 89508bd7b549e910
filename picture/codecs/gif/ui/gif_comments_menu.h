#pragma once
// The "GIF Comments" window: the comment lines of the GIF on show.

#include <QPlainTextEdit>
#include <QWidget>
#include <string>
#include <vector>

namespace vr::codecs::gif {

class TGifCommentsMenu : public QWidget {
  Q_OBJECT

 public:
  explicit TGifCommentsMenu(QWidget* parent = nullptr);

  void SetLines(const std::vector<std::string>& lines);
  void Clear();
  bool HasLines() const { return !lines_.empty(); }
  QString Text() const { return Memo1->toPlainText(); }

 private:
  QPlainTextEdit* Memo1;
  std::vector<std::string> lines_;
};

}  // namespace vr::codecs::gif
