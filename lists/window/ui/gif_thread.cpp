#include "lists/window/ui/gif_thread.h"

#include <QMetaObject>

#include "lists/window/ui/preview_form.h"
#include "picture/load/load_hooks.h"

namespace vr::list_window {

TGifThread::TGifThread(std::string path, TMyForm* form)
    : path_(std::move(path)), form_(form), host_(*this) {
  graphics_.SetHost(&host_);
  graphics_.SetThreadMode(true);
}

TGifThread::~TGifThread() {
  RequestStop();
  wait();
}

void TGifThread::RequestStop() {
  stop_.store(true);
  graphics_.SetStopKey(codecs::gif::kStopKeyEscape);
}

void TGifThread::Host::Sleep(int milliseconds) {
  // Short slices so a stop request is seen at once.
  while (milliseconds > 0 && !thread_.stop_.load()) {
    const int slice = milliseconds < 10 ? milliseconds : 10;
    QThread::msleep(static_cast<unsigned long>(slice));
    milliseconds -= slice;
  }
}

void TGifThread::HandFrame() {
  if (stop_.load()) return;
  TMyForm* form = form_.data();
  if (form == nullptr) return;
  // The window stays alive while this thread is attached (its close is refused), so the
  // blocking call cannot outlive it; the user-interface thread never waits for this thread.
  QMetaObject::invokeMethod(
      form, [form, this] { form->ShowGifFrame(frame_); }, Qt::BlockingQueuedConnection);
  frames_.fetch_add(1);
}

void TGifThread::run() {
  // A protected GIF plays from its plain copy (this thread never asks for the password).
  const picture::ViewingCopy copy(path_);
  if (!copy.Ok()) return;
  while (!stop_.load()) {
    const bool ok = graphics_.LoadGif(copy.Path(), frame_);
    if (!ok || stop_.load() || !graphics_.Animated() ||
        graphics_.StopKey() == codecs::gif::kStopKeyEscape) {
      break;
    }
  }
}

}  // namespace vr::list_window
