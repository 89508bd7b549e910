#pragma once
// AppHook, the application-wide message hook (AppMessage): an event filter on the application
// that sees every key of every window of the viewer before the window itself. It takes
// Ctrl+F9 .. Ctrl+F12 for the preview windows (display next, hide all, show all, tile all), so
// these keys act the same whichever window of the program has the focus, and no menu shortcut
// or window key handler gets them first.

#include <QObject>
#include <functional>

class QKeyEvent;

namespace vr::shell::ui {

class AppHook : public QObject {
  Q_OBJECT

 public:
  // `on_key` gets the key (Qt::Key_F9 .. Qt::Key_F12) and the modifiers; true marks it handled.
  using KeyHandler = std::function<bool(int key, Qt::KeyboardModifiers modifiers)>;
  explicit AppHook(KeyHandler on_key, QObject* parent = nullptr);
  ~AppHook() override;

  // Installs the hook on the running application (once).
  void Install();
  int keys_handled() const { return handled_; }

  // Ctrl held with one of F9 .. F12.
  static bool IsPreviewKey(const QKeyEvent& event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  KeyHandler on_key_;
  bool installed_ = false;
  int handled_ = 0;
};

}  // namespace vr::shell::ui
