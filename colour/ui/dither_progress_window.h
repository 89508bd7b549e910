#pragma once
// "Dither Progress Window (Press ESCape To Exit)": shows the picture while it is being reduced,
// with a status line; Escape (or closing the window) ends a running reduction.

#include <QString>
#include <QWidget>
#include <functional>

#include "colour/reduce.h"

class QLabel;

namespace vr::colour {

class TDitherProgressWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TDitherProgressWindow(QWidget* parent = nullptr);

  // Runs one reduction into `destination`, shown live when `show_window` is set. The request's
  // own progress callback, if any, is still told every step.
  ReduceResult Reduce(const Bitmap& source, Bitmap& destination, Palette6& palette,
                      const ReduceRequest& request, bool show_window);

  // Where the status texts also go (the main window's status display).
  void SetStatusSink(std::function<void(const QString&)> sink) { status_sink_ = std::move(sink); }

  QString StatusText() const;
  bool Running() const { return running_; }
  // How many times the picture was repainted during the last run.
  int Repaints() const { return repaints_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool OnProgress(int percent, ProgressPhase phase);
  void SetStatus(const QString& text);

  QLabel* status_ = nullptr;
  const Bitmap* picture_ = nullptr;
  std::function<void(const QString&)> status_sink_;
  bool running_ = false;
  bool stop_ = false;
  int last_percent_ = -1;
  int changes_ = 0;
  int repaints_ = 0;
};

}  // namespace vr::colour
