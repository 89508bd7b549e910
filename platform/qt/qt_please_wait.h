#pragma once
// The please-wait window: a small tool window with the progress text, a progress bar shown only
// while an operation reports a figure, and the stop button (Escape presses it too).

#include <QDialog>

#include "platform/please_wait.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vr::platform {

class QtPleaseWait : public QDialog, public PleaseWait {
  Q_OBJECT

 public:
  explicit QtPleaseWait(QWidget* parent = nullptr);

  void Show() override;
  void Hide() override;
  bool IsVisible() const override { return isVisible(); }
  void SetText(const std::string& text) override;
  std::string Text() const override;
  void SetProgress(int percent) override;
  void SetStopCaption(const std::string& caption) override;
  std::string StopCaption() const override;
  bool StopRequested() const override { return stop_; }
  void RequestStop() override { stop_ = true; }
  void ClearStop() override { stop_ = false; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* label_;
  QProgressBar* bar_;
  QPushButton* stop_button_;
  bool stop_ = false;
};

// Lets pending window events through from inside a long loop.
class QtMessagePump : public MessagePump {
 public:
  void PumpMessages() override;
};

}  // namespace vr::platform
