#pragma once
// The "GIF Comments" window: the comment lines of the GIF on show.

#include <QPlainTextEdit>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QDialog;

namespace vr::codecs::gif {

class TGifCommentsMenu : public QWidget {
  Q_OBJECT

 public:
  explicit TGifCommentsMenu(QWidget* parent = nullptr);

  void SetLines(const std::vector<std::string>& lines);
  void Clear();
  bool HasLines() const { return !lines_.empty(); }
  QString Text() const { return Memo1->toPlainText(); }
  const std::vector<std::string>& Lines() const { return lines_; }

  // The editable modal mode (the export window's "Comments"): the lines in an editable box run
  // through `exec` (QDialog::exec in production); OK makes the edited text the lines, one per
  // line of text, empty lines at the end dropped. True when OK was pressed.
  bool EditModal(const std::function<int(QDialog&)>& exec);
  // The modal box while it runs (null otherwise), for tests that type into it.
  QPlainTextEdit* edit_box() const { return edit_box_; }

 private:
  QPlainTextEdit* Memo1;
  std::vector<std::string> lines_;
  QPlainTextEdit* edit_box_ = nullptr;
};

}  // namespace vr::codecs::gif
