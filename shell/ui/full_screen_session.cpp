#include "shell/ui/full_screen_session.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "shell/ui/full_screen.h"

namespace vr::shell::ui {

void FullScreenSession::Enter(int mode, bool shrink_only) {
  view_ = mode;
  shrink_only_ = shrink_only;
  remembered_ = host_.window->pos();
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int screen_height = screen != nullptr ? screen->geometry().height() : 768;
  host_.window->move(remembered_.x(), screen_height);
  shown_path_ = host_.current_path();
  host_.entries_enabled(false);
  host_.full_screen->SetScreenPalette(host_.palette());
  host_.full_screen->ShowPicture(host_.shown(), mode, shrink_only, false, host_.smooth());
}

void FullScreenSession::Show(int mode) {
  const std::string now = host_.current_path();
  host_.full_screen->ShowPicture(host_.shown(), mode, shrink_only_, now == shown_path_,
                                 host_.smooth());
  shown_path_ = now;
}

void FullScreenSession::Prepare(int mode, FittedPicture* ready) {
  const std::string now = host_.current_path();
  host_.full_screen->Prepare(host_.shown(), mode, shrink_only_, now == shown_path_,
                             host_.smooth(), ready);
  shown_path_ = now;
}

void FullScreenSession::Present() { host_.full_screen->Present(); }

void FullScreenSession::Leave() {
  view_ = 0;
  host_.full_screen->hide();
  host_.entries_enabled(true);
  host_.window->move(remembered_);
  host_.window->activateWindow();
  host_.window->update();
}

int FullScreenSession::Run(int mode, bool shrink_only) {
  if (host_.full_screen->looping() || active()) return kRequestNone;
  Enter(mode, shrink_only);
  int request = kRequestNone;
  for (;;) {
    request = host_.full_screen->RunLoop();
    if (request == kRequestStop || request == kRequestSlideShow || host_.closing()) break;
    if (request == kRequestNext) {
      host_.next();
    } else if (request == kRequestPrevious) {
      host_.previous();
    } else if (request == kRequestTag) {
      host_.toggle_tag();
      continue;
    } else if (request == kRequestRestartGif) {
      host_.restart();
    } else if (request == kRequestRedisplay) {
      // V switches between fit and actual; a menu entry has set the mode already.
      if (host_.full_screen->mode() == view_) view_ = mode == 1 ? 2 : 1;
      mode = view_;
    }
    Show(mode);
  }
  Leave();
  return request;
}

}  // namespace vr::shell::ui
