#include "shell/ui/idle_driver.h"

namespace vr::shell::ui {

IdleDriver::IdleDriver(std::function<bool()> busy, QObject* parent)
    : QObject(parent), busy_(std::move(busy)) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &IdleDriver::Fire);
}

void IdleDriver::SetJob(std::function<bool()> step) {
  step_ = std::move(step);
  if (!step_) timer_.stop();
}

void IdleDriver::Wake() {
  if (!step_ || timer_.isActive()) return;
  timer_.start(0);
}

bool IdleDriver::MyIdle() {
  if (!step_) return false;
  waiting_ = busy_ && busy_();
  if (waiting_) {
    ++busy_calls_;
    return true;  // come back once the other job is over
  }
  ++steps_;
  return step_();
}

void IdleDriver::Fire() {
  if (MyIdle()) timer_.start(waiting_ ? kIdleBusyPollMs : 0);
}

}  // namespace vr::shell::ui
