#pragma once
// One QApplication for the whole test program (offscreen platform).
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>

namespace vr::list_window {

class QtAppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (QApplication::instance() == nullptr) {
      static int argc = 1;
      static char name[] = "vr_list_window_ui_tests";
      static char* argv[] = {name, nullptr};
      app_ = new QApplication(argc, argv);
    }
  }

 private:
  QApplication* app_ = nullptr;
};

// Runs the event loop until `done` holds or `ms` pass; gives whether it held.
template <typename Fn>
bool WaitFor(Fn done, int ms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

}  // namespace vr::list_window
