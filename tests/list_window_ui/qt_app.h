#pragma once
// One QApplication for the whole test program (offscreen platform).
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>

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

// Acts on the next modal window of object name `name` once it is up (the code under test runs
// it with exec()).
inline void WhenModal(const char* name, std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, name, act] {
    QWidget* w = QApplication::activeModalWidget();
    if (w == nullptr || w->objectName() != name) return;
    timer->stop();
    timer->deleteLater();
    act(w);
  });
  timer->start();
}

}  // namespace vr::list_window
