#pragma once
// The viewer's idle handler (MyIdle). Qt has no "message queue is empty" notification, so a zero
// timer stands in for it: each time it fires, one step of the files list window's background
// jobs runs, and only while nothing else is busy (a picture being shown, an animation, a long
// load, the please-wait window, the full-screen loop). While work is left the timer stays armed;
// while something is busy it looks again a little later instead of spinning.

#include <QObject>
#include <QTimer>
#include <functional>

namespace vr::shell::ui {

class IdleDriver : public QObject {
  Q_OBJECT

 public:
  // `busy`: something else runs, so the jobs wait.
  explicit IdleDriver(std::function<bool()> busy, QObject* parent = nullptr);

  // One step of the background jobs; true while they have work left. Empty: no jobs.
  void SetJob(std::function<bool()> step);
  // Work arrived: the handler runs at the next idle moment.
  void Wake();
  // One call of the idle handler: nothing while busy, else exactly one job step. True while the
  // handler wants to be called again.
  bool MyIdle();

  bool armed() const { return timer_.isActive(); }
  int steps_run() const { return steps_; }
  // Calls that found something busy and ran no step.
  int busy_calls() const { return busy_calls_; }

 private:
  void Fire();

  std::function<bool()> busy_;
  std::function<bool()> step_;
  QTimer timer_;
  bool waiting_ = false;  // the last call found something busy
  int steps_ = 0;
  int busy_calls_ = 0;
};

// How long a busy viewer is left alone before the jobs look again.
inline constexpr int kIdleBusyPollMs = 100;

}  // namespace vr::shell::ui
