#include "shell/ui/app_hook.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace vr::shell::ui {

AppHook::AppHook(KeyHandler on_key, QObject* parent)
    : QObject(parent), on_key_(std::move(on_key)) {}

AppHook::~AppHook() {
  if (installed_ && QCoreApplication::instance() != nullptr) {
    QCoreApplication::instance()->removeEventFilter(this);
  }
}

void AppHook::Install() {
  if (installed_ || QCoreApplication::instance() == nullptr) return;
  QCoreApplication::instance()->installEventFilter(this);
  installed_ = true;
}

bool AppHook::IsPreviewKey(const QKeyEvent& event) {
  const int key = event.key();
  return (event.modifiers() & Qt::ControlModifier) != 0 && key >= Qt::Key_F9 &&
         key <= Qt::Key_F12;
}

bool AppHook::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) {
    return QObject::eventFilter(watched, event);
  }
  auto* key = static_cast<QKeyEvent*>(event);
  if (!IsPreviewKey(*key) || !on_key_) return QObject::eventFilter(watched, event);
  if (type == QEvent::ShortcutOverride) {
    // Claimed before any shortcut: the key press itself comes here next.
    event->accept();
    return true;
  }
  if (!on_key_(key->key(), key->modifiers())) return false;
  ++handled_;
  event->accept();
  return true;
}

}  // namespace vr::shell::ui
