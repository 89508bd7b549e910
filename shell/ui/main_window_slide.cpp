// The main window's slide show: its tool buttons, the options window, starting and stopping a
// show, and the viewer's side of each step (loading, displaying in the window or full screen,
// the same-name sound, input during the waits). The rules of the show are in shell/slide_show.h.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "lists/files_list.h"
#include "picture/codecs/gif/ui/gif_comments_menu.h"
#include "picture/kinds.h"
#include "picture/pixel_recycling.h"
#include "platform/clock.h"
#include "platform/sounds.h"
#include "platform/ui.h"
#include "shell/navigation.h"
#include "shell/picture_prefetch.h"
#include "shell/screen_fit.h"
#include "shell/slide_show.h"
#include "shell/ui/artwork.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/main_window.h"
#include "shell/ui/nav_input.h"
#include "shell/ui/panes.h"
#include "shell/ui/screen_saver_inhibit.h"
#include "shell/ui/slide_show_options.h"

namespace vr::shell::ui {
namespace {

// Input while a show runs: Escape, Page Up and Page Down (through the key map), a secondary
// press in any of the program's windows and a primary press on the stop button stop it; every
// other press and key waits for the show's end, so nothing else moves the viewer meanwhile.
class SlideInputFilter : public QObject {
 public:
  SlideInputFilter(QToolButton* stop_button, std::function<void()> stop,
                   std::function<void()> pointer_moved)
      : stop_button_(stop_button), stop_(std::move(stop)), moved_(std::move(pointer_moved)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Events reach the platform window first and then the widget; the widget decides.
    if (!watched->isWidgetType()) return false;
    switch (event->type()) {
      case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        const KeyResult r = MainWindowKey(NavInput::KeyCodeOf(*key),
                                          key->modifiers() & Qt::AltModifier, false);
        if (r.stop_animation) stop_();
        return true;
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
          stop_();
          return true;
        }
        return watched != stop_button_;
      }
      case QEvent::MouseButtonRelease:
        return watched != stop_button_;
      case QEvent::ContextMenu:
      case QEvent::Wheel:
        return true;
      case QEvent::MouseMove:
        moved_();
        return false;
      default:
        return false;
    }
  }

 private:
  QToolButton* stop_button_;
  std::function<void()> stop_;
  std::function<void()> moved_;
};

// A full-screen show hides the pointer after this long without movement.
constexpr uint32_t kPointerHideMs = 2000;

// The pointer over the full-screen window of a show: hidden once it has rested kPointerHideMs
// by the show's clock (looked at whenever the show runs pending input), shown again, with the
// shape it had, on the next movement.
class PointerIdle {
 public:
  void Begin(QWidget* window, const platform::Clock& clock, bool on) {
    window_ = window;
    clock_ = &clock;
    on_ = on;
    moved_at_ = clock.TickCount();
  }
  void Moved() {
    if (!on_) return;
    moved_at_ = clock_->TickCount();
    Restore();
  }
  void Check() {
    if (!on_ || hidden_ || !window_->isVisible() ||
        clock_->TickCount() - moved_at_ < kPointerHideMs) {
      return;
    }
    hidden_ = true;
    had_shape_ = window_->testAttribute(Qt::WA_SetCursor);
    shape_ = window_->cursor();
    window_->setCursor(Qt::BlankCursor);
  }
  void End() {
    Restore();
    on_ = false;
  }

 private:
  void Restore() {
    if (!hidden_) return;
    hidden_ = false;
    if (had_shape_) {
      window_->setCursor(shape_);
    } else {
      window_->unsetCursor();
    }
  }

  QWidget* window_ = nullptr;
  const platform::Clock* clock_ = nullptr;
  bool on_ = false;
  bool hidden_ = false;
  bool had_shape_ = false;
  QCursor shape_;
  uint32_t moved_at_ = 0;
};

}  // namespace

struct TVeldrimon69::SlideShowState {
  std::unique_ptr<SlideShow> show;
  TSlideShowMenu* options = nullptr;  // made at start-up, owned by the window
  std::unique_ptr<SlideInputFilter> filter;
  // The show's own "GIF Comments" window, at the screen's top left while a show runs.
  std::unique_ptr<codecs::gif::TGifCommentsMenu> comments;
  bool running = false;      // the "show running" mark that show current file reads
  bool full_screen = false;  // this show displays full screen
  int mode = 1;
  bool shrink_only = false;
  const lists::FilesList* list = nullptr;  // the list the show walks; a new list stops it
  bool saved_auto_size = false;
  bool saved_play_wav = false;
  uint32_t seed_base = 0;
  int final_position = -1;
  // The bench hook's log (null otherwise), the tick its show began and the last load's time.
  std::FILE* bench = nullptr;
  uint32_t bench_start = 0;
  double load_ms = 0;
  // The pictures decoding on second threads: the one this step loads, and the one after it,
  // started before this step's load so that the two decodes overlap.
  std::unique_ptr<PicturePrefetch> ahead;
  std::unique_ptr<PicturePrefetch> next;
  // Decodes a stop left running: joined after the show has left full screen.
  std::vector<std::unique_ptr<PicturePrefetch>> abandoned;
  ScreenSaverInhibit screen_saver;
  PointerIdle pointer;
  // The bench's Escape: when it was posted and when full screen was left (steady clock).
  std::chrono::steady_clock::time_point escape_posted{};
  std::chrono::steady_clock::time_point left_full_screen{};
  // The file whose decode is on screen (empty: none, or a GIF), the depth it was decoded for and
  // the picture-change count right after: a show skips decoding it again while nothing changed.
  std::string shown_path;
  int shown_depth = 0;
  bool shown_true_colour = false;
  int shown_change = -1;
};

namespace {

// Waits for the picture decoding ahead, letting input through meanwhile so that a stop is seen at
// once; false when the show was stopped before the decode ended.
// The decode runs on a real thread, so this waits in real time whatever clock the show runs on.
bool AwaitDecode(const PicturePrefetch& ahead, const SlideShow& show, PointerIdle& pointer) {
  while (!ahead.Ready()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    pointer.Check();
    if (show.stopping()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace

void TVeldrimon69::NoteShownFile(const std::string& path, bool loaded) {
  if (slide_ == nullptr) return;
  SlideShowState& st = *slide_;
  st.shown_path = loaded && shown_kind_ != picture::kKindGif ? path : std::string();
  st.shown_depth = DisplayDepth();
  st.shown_true_colour = settings_.true_colour_on_256 != 0;
  st.shown_change = picture_changes();
}

void TVeldrimon69::AnimationBusy(bool on) {
  if (on) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    for (Act id : {Act::kFullShrink, Act::kFullFit, Act::kFullActual, Act::kPopGifStart,
                   Act::kPopSlideShow, Act::kDoSlideShow1}) {
      if (QAction* a = action(id)) a->setEnabled(false);
    }
    for (QToolButton* b : {TBSlide, SpeedButton14}) {
      if (b != nullptr) b->setEnabled(false);
    }
  } else {
    QGuiApplication::restoreOverrideCursor();
    RefreshNavigation();
  }
}

bool TVeldrimon69::FileOnScreen(const std::string& path) const {
  const SlideShowState& st = *slide_;
  return !path.empty() && path == st.shown_path && st.shown_change == picture_changes() &&
         st.shown_depth == DisplayDepth() &&
         st.shown_true_colour == (settings_.true_colour_on_256 != 0);
}

void TVeldrimon69::BuildSlideShow() {
  slide_ = std::make_shared<SlideShowState>();
  SlideShowState& st = *slide_;
  st.options = new TSlideShowMenu(this);
  TBSlide = new QToolButton(load_bar_);
  TBSlide->setObjectName("TBSlide");
  TBSlide->setIcon(button_icons_[kImageSlideShow]);
  TBSlide->setToolTip("Do slide show now");
  TBSlide->setStatusTip("Do slide show now");
  load_bar_->addWidget(TBSlide);
  connect(TBSlide, &QToolButton::clicked, this, [this] { DoSlideShow1Click(); });
  // Shows the current file again: any file is read anew, a GIF animates from its start.
  SpeedButton14 = new QToolButton(load_bar_);
  SpeedButton14->setObjectName("SpeedButton14");
  SpeedButton14->setIcon(button_icons_[kImageReload]);
  SpeedButton14->setToolTip("Reload File / START GIF Animation (Key=F11)");
  SpeedButton14->setStatusTip("Reload File / START GIF Animation (Key=F11)");
  load_bar_->addWidget(SpeedButton14);
  connect(SpeedButton14, &QToolButton::clicked, this, [this] { RestartGif(); });
  // The stop button lives outside the tool bar that is disabled while a show or an animation
  // runs; it is usable exactly then.
  auto* stop_bar = addToolBar("Stop");
  stop_bar->setObjectName("StopBar");
  TBStop = new QToolButton(stop_bar);
  TBStop->setObjectName("TBStop");
  TBStop->setIcon(button_icons_[kImageStop]);
  TBStop->setToolTip("Stops Slide Show or GIF Animations");
  TBStop->setStatusTip("Stops Slide Show or GIF Animations");
  TBStop->setEnabled(false);
  stop_bar->addWidget(TBStop);
  connect(TBStop, &QToolButton::clicked, this, [this] { StopAnimation(); });
  st.filter = std::make_unique<SlideInputFilter>(
      TBStop, [this] { StopSlideShow(); },
      [this] { slide_->pointer.Moved(); });

  SlideShowHost host;
  host.count = [this] { return files_list_->Count(); };
  host.position = [this] { return files_list_->Current(); };
  host.set_position = [this](int at) { files_list_->SetCurrent(at); };
  host.entry_ids = [this](bool tagged_only) {
    std::vector<int32_t> ids;
    for (int i = 0; i < files_list_->Count(); ++i) {
      const lists::FileEntry* entry = files_list_->Peek(i);
      if (entry != nullptr && (!tagged_only || entry->tagged)) ids.push_back(entry->id);
    }
    return ids;
  };
  host.position_of_id = [this](int32_t id) {
    // A hand-over that replaced the list ends the show: the ids belong to the old one.
    if (files_list_.get() != slide_->list) {
      StopSlideShow();
      return -1;
    }
    return files_list_->PositionOfId(id);
  };
  host.information = [this](const std::string& text) { services_.ui->Information(text); };
  host.load = [this] {
    // The picture appears when the show displays it, not while it loads; in full screen the
    // window stays unpainted throughout (it is off the screen), so nothing fits it twice.
    client_->setUpdatesEnabled(false);
    SlideShowState& s = *slide_;
    const auto begun = std::chrono::steady_clock::now();
    // The picture already on screen (the show's usual first one) is not decoded again; a stop
    // that comes while the next picture still decodes keeps the one on screen.
    const bool stopped = s.ahead && !AwaitDecode(*s.ahead, *s.show, s.pointer);
    if (stopped) {
      // Unfinished decodes are joined after the show has left full screen, not now.
      s.abandoned.push_back(std::move(s.ahead));
      if (s.next) s.abandoned.push_back(std::move(s.next));
    }
    std::optional<FittedPicture> fitted;
    if (!stopped && !FileOnScreen(files_list_->FilePathAt(files_list_->Current()))) {
      // The decode made ahead is taken when it is of this file with today's options.
      PicturePrefetch* start_up = show_pipeline_.prefetch();
      if (s.ahead) show_pipeline_.SetPrefetch(s.ahead.get());
      ShowCurrentFile(false, 0);
      show_pipeline_.SetPrefetch(start_up);
      if (s.ahead) fitted = s.ahead->TakeFitted();
    }
    // The fitted picture is made ready now, before the wait, so that when it is due only a paint
    // is left (the decoding thread fitted it already when it could). After a stop the window
    // keeps what it shows.
    if (!stopped && s.full_screen && full_session_->active()) {
      full_session_->Prepare(s.mode, fitted ? &*fitted : nullptr);
    }
    s.ahead = std::move(s.next);
    s.load_ms = std::chrono::duration<double, std::milli>(
                    std::chrono::steady_clock::now() - begun).count();
  };
  host.upcoming = [this](int position) { StartDecodeAhead(position); };
  host.display = [this] { DisplaySlide(); };
  host.play_sound = [this] {
    if (services_.sounds == nullptr) return false;
    const std::string wav = SameNameSound(files_list_->FilePathAt(files_list_->Current()));
    if (wav.empty()) return false;
    services_.sounds->PlayFile(wav);
    return true;
  };
  host.sound_playing = [this] {
    return services_.sounds != nullptr && services_.sounds->IsPlaying();
  };
  host.poll = [this] {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Events posted while those ran (a timer's key, say) are taken now, not a slice later.
    QCoreApplication::sendPostedEvents();
    slide_->pointer.Check();
  };
  host.seed = [this](int cycle) { return slide_->seed_base + static_cast<uint32_t>(cycle); };
  host.finish = [this](int position) { FinishSlideShow(position); };
  host.stepped = [this](const SlideStep& step) {
    SlideShowState& s = *slide_;
    if (s.bench == nullptr) return;
    std::fprintf(s.bench, "%d\t%s\t%u\t%u\t%u\t%.1f\n", step.position,
                 files_list_->FilePathAt(step.position).c_str(), step.t0 - s.bench_start,
                 step.due - s.bench_start, step.shown - s.bench_start, s.load_ms);
    std::fflush(s.bench);
  };
  st.show = std::make_unique<SlideShow>(std::move(host),
                                        services_.clock != nullptr ? *services_.clock : own_clock_);
}

void TVeldrimon69::StartDecodeAhead(int position) {
  SlideShowState& st = *slide_;
  if (!options_.decode_ahead || position < 0 || st.show->stopping()) return;
  const std::string path = files_list_->FilePathAt(position);
  // GIFs (read with their animation facts) and media files load in line.
  if (!PicturePrefetch::Worthwhile(path)) return;
  picture::DecodeOptions decode;
  decode.display_depth = DisplayDepth();
  decode.true_colour_on_256 = settings_.true_colour_on_256 != 0;
  if (st.full_screen && st.mode == 1) {
    // Fitted full screen: the thread fits the picture too, so that its display costs a paint.
    const QSize screen = full_screen_->ScreenSize();
    st.next = std::make_unique<PicturePrefetch>(
        path, decode, ScreenFit{screen.width(), screen.height(), st.shrink_only, smooth_});
  } else {
    st.next = std::make_unique<PicturePrefetch>(path, decode);
  }
}

bool TVeldrimon69::slide_show_running() const { return slide_ != nullptr && slide_->running; }

TSlideShowMenu* TVeldrimon69::slide_options() const {
  return slide_ != nullptr ? slide_->options : nullptr;
}

void TVeldrimon69::StopSlideShow() {
  if (slide_ != nullptr && slide_->show->running()) slide_->show->Stop();
}

void TVeldrimon69::ChangeOptions1Click() {
  SlideShowState& st = *slide_;
  st.options->Load(settings_);
  options_.exec_dialog(*st.options);
  // "Ok" is the window's only way out; closing it keeps what was set as well.
  st.options->Store(settings_);
}

void TVeldrimon69::DoSlideShow1Click() {
  SlideShowState& st = *slide_;
  // A second start, or one during a load, an animation or the full-screen loop, is ignored.
  if (st.show->running() || closing_ || show_pipeline_.busy() || gif_.playing() ||
      full_screen_->looping() || full_session_->active()) {
    return;
  }
  st.running = true;
  st.list = files_list_.get();
  st.full_screen = settings_.slide_full_screen;
  const int type = std::clamp(settings_.slide_full_screen_type, 0, 2);
  st.mode = type == 0 ? 2 : 1;
  st.shrink_only = type == 2;
  st.final_position = -1;
  st.seed_base = std::random_device{}();
  EnableMenus(false);
  RefreshNavigation();
  for (Act id : {Act::kFullShrink, Act::kFullFit, Act::kFullActual, Act::kPopGifStart}) {
    if (QAction* a = action(id)) a->setEnabled(false);
  }
  QAction* auto_size = action(Act::kAutoSize);
  QAction* play_wav = action(Act::kPlayWav);
  st.saved_auto_size = auto_size->isChecked();
  st.saved_play_wav = play_wav->isChecked();
  auto_size->setChecked(false);
  play_wav->setChecked(false);
  qApp->installEventFilter(st.filter.get());
  st.screen_saver.Inhibit();
  st.pointer.Begin(full_screen_, services_.clock != nullptr ? *services_.clock : own_clock_,
                   st.full_screen);

  {
    // Each picture's pixels go to the one decoded after it instead of back to the system.
    const picture::PixelRecycling recycling;
    st.show->Run(SlideOptionsOf(settings_));
  }

  qApp->removeEventFilter(st.filter.get());
  st.screen_saver.Release();
  st.pointer.End();
  client_->setUpdatesEnabled(true);
  auto_size->setChecked(st.saved_auto_size);
  play_wav->setChecked(st.saved_play_wav);
  st.comments.reset();
  st.ahead.reset();
  st.next.reset();
  st.abandoned.clear();
  st.running = false;
  EnableMenus(true);
  // The entry shown one step before the last comes back, animating when it is a GIF.
  if (st.final_position >= 0 && !closing_) {
    files_list_->SetCurrent(st.final_position);
    ShowCurrentFile(false, 1);
  }
  RefreshNavigation();
  UpdateStatusAndCaption();
  WriteStateFile();
}

void TVeldrimon69::DisplaySlide() {
  SlideShowState& st = *slide_;
  if (st.full_screen) {
    if (!full_session_->active()) {
      full_session_->Enter(st.mode, st.shrink_only);
    } else {
      full_session_->Present();
    }
    full_screen_->repaint();
  } else {
    client_->setUpdatesEnabled(true);
    LayOutFitPane(true);
    if (fit_pane_->isVisible()) fit_pane_->repaint();
    if (ScrollBox1->isVisible()) PanelImage1->repaint();
  }
  // The comment lines of a GIF, in the show's own window at the top left of the screen.
  if (action(Act::kGifComments)->isChecked() && gif_comments_->HasLines()) {
    if (!st.comments) st.comments = std::make_unique<codecs::gif::TGifCommentsMenu>(nullptr);
    st.comments->SetLines(gif_comments_->Lines());
    const QScreen* screen = QGuiApplication::primaryScreen();
    st.comments->move(screen != nullptr ? screen->geometry().topLeft() : QPoint(0, 0));
    st.comments->show();
    st.comments->raise();
  } else if (st.comments) {
    st.comments->close();
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  st.pointer.Check();
}

void TVeldrimon69::FinishSlideShow(int position) {
  SlideShowState& st = *slide_;
  if (full_session_->active()) {
    full_session_->Leave();
    st.left_full_screen = std::chrono::steady_clock::now();
  }
  if (position < 0 && files_list_->Empty()) files_list_->SetCurrent(0);
  st.final_position = position;
}

}  // namespace vr::shell::ui

namespace vr::shell::ui {

void TVeldrimon69::RunBenchSlideShow() {
  SlideShowState& st = *slide_;
  st.bench = std::fopen(options_.bench_slideshow_log.c_str(), "w");
  if (st.bench == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", options_.bench_slideshow_log.c_str());
    QCoreApplication::exit(1);
    return;
  }
  const platform::Clock& clock = services_.clock != nullptr ? *services_.clock : own_clock_;
  st.bench_start = clock.TickCount();
  if (options_.bench_slideshow_escape_ms >= 0) {
    // Posted as the platform would deliver the key, to the window that has the focus.
    QTimer::singleShot(options_.bench_slideshow_escape_ms, this, [this] {
      QWidget* target = QApplication::focusWidget();
      if (target == nullptr) {
        target = full_screen_->isVisible() ? static_cast<QWidget*>(full_screen_) : this;
      }
      slide_->escape_posted = std::chrono::steady_clock::now();
      QCoreApplication::postEvent(target,
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    });
  }
  DoSlideShow1Click();
  if (st.escape_posted != std::chrono::steady_clock::time_point{}) {
    const double left = st.left_full_screen == std::chrono::steady_clock::time_point{}
                            ? -1.0
                            : std::chrono::duration<double, std::milli>(st.left_full_screen -
                                                                        st.escape_posted)
                                  .count();
    std::fprintf(st.bench, "escape_to_left_ms\t%.1f\n", left);
  }
  std::fclose(st.bench);
  st.bench = nullptr;
  QCoreApplication::exit(0);
}

}  // namespace vr::shell::ui
