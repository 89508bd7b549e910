#pragma once
// The main window's side of the recycle bin: starting the bin at start-up, the delete and recycle
// tool buttons that show whether it holds files, the "RECYCLE BIN" window (one at a time, not
// modal) and the reminder at shutdown.

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lists/recycle/recycle_bin.h"
#include "lists/recycle/ui/recycle_window.h"
#include "platform/services.h"

class QDialog;
class QToolButton;
class QWidget;

namespace vr::recycle {

class RecycleController : public QObject {
 public:
  // `owner` is the window the recycle window belongs to; `button_size` the tool buttons' size;
  // `bin` the bin made by the composition root (null: the program runs without one).
  RecycleController(platform::Services services, QWidget* owner, int button_size,
                    std::unique_ptr<RecycleBin> bin);
  ~RecycleController() override;

  // Starts the bin (once): its folder and index are read, and the buttons show its state.
  void Start();
  // The bin once started, else null.
  RecycleBin* bin() const { return started_ ? bin_.get() : nullptr; }

  // The buttons that show the bin's state.
  void SetButtons(QToolButton* trash, QToolButton* undelete);
  // Shows `full` on the buttons (true: the bin holds files), or the bin's own state.
  void ShowState(bool full);
  void ShowBinState();
  bool shown_full() const { return shown_full_; }
  // The buttons' image: an outlined bin, holding paper when the bin holds files.
  static QIcon BinIcon(bool full, int size);

  // Opens the "RECYCLE BIN" window, or raises the one open. `add_to_list` takes restored files.
  void OpenWindow(std::function<void(const std::vector<std::string>&)> add_to_list);
  TRecycleBinMenu* window() const { return window_; }

  // At shutdown: when the bin asks to be looked at, its window runs modally by `exec_dialog`.
  void ShutdownReminder(const std::function<int(QDialog&)>& exec_dialog);

 private:
  platform::Services services_;
  QWidget* owner_;
  int button_size_;
  std::unique_ptr<RecycleBin> bin_;
  bool started_ = false;
  QPointer<TRecycleBinMenu> window_;
  QToolButton* trash_ = nullptr;
  QToolButton* undelete_ = nullptr;
  bool shown_full_ = false;
};

}  // namespace vr::recycle
