#pragma once
// "Compact/Fix/Re-Link Notes DataBase": runs the compaction with its counters and the re-link of
// orphans. "&Start" closes the main database (the caller's `run` does the work and reopens it);
// the window cannot be closed while it runs. The text export and import show their progress in
// the same window, with their own caption and without the start button.

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;

namespace vr::notes {

class TCompactMenu : public QDialog {
 public:
  // What the window shows while `run` works, and the choice made in it; `run` gives the
  // re-linked count.
  struct Reports {
    std::function<void(const std::string&)> error;
    std::function<void(long)> number;
    std::function<void(const std::string&)> line;
    bool link_sure_matches = false;  // "Link sure matches without asking"
  };
  using Runner = std::function<long(const Reports& reports)>;

  TCompactMenu(long total_records, Runner run, std::function<void()> pump,
               std::function<void(const std::string&)> show_error, QWidget* parent = nullptr);

  void StartClick();

  // A text export or import: shows the window (not modal) with `caption`, `status`, the counters
  // at "0", `total` and no start button; it cannot be closed until EndTextRun hides it again.
  void BeginTextRun(const std::string& caption, const std::string& status,
                    const std::string& total);
  // The number of the record or line being handled.
  void ShowNumber(long n);
  void EndTextRun();

  QPushButton* StartButton() const { return start_; }
  QPushButton* DoneButton() const { return done_; }
  QCheckBox* SureMatchesBox() const { return sure_; }
  std::string LastError() const;
  std::string Status() const;
  std::string Counter(const char* name) const;  // "Removed", "Kept", "ReLinked", "Number"
  bool running() const { return running_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void Report();
  QLabel* Value(const char* name, const QString& initial, QGridLayout* grid, int row,
                const char* label);

  Runner run_;
  std::function<void()> pump_;
  std::function<void(const std::string&)> show_error_;
  QLabel* error_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* number_ = nullptr;
  QLabel* total_ = nullptr;
  QLabel* removed_ = nullptr;
  QLabel* kept_ = nullptr;
  QLabel* relinked_ = nullptr;
  QCheckBox* sure_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* done_ = nullptr;
  bool running_ = false;
  long reports_ = 0;
  long removed_count_ = 0;
  long kept_count_ = 0;
};

}  // namespace vr::notes
