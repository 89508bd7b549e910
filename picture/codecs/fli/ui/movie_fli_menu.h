#pragma once
// The "Movie Player (FLI/FLC)" window: one player control driven by a QTimer, the media
// controls, the frame counters and the view modes.

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <string>

#include "picture/codecs/fli/fli_player.h"

namespace vr::codecs::fli {

inline constexpr char kMovieHint[] =
    "Double Click to Toggle between FULL-SCREEN and NORMAL view modes. Press ESCape to close "
    "window.";

// The visual control: paints the player's display bitmap and runs its timer.
class TFliPlayerWidget : public QWidget, public FliPlayerHost {
  Q_OBJECT

 public:
  explicit TFliPlayerWidget(QWidget* parent = nullptr);
  ~TFliPlayerWidget() override;

  TFliPlayerTimer& Player() { return player_; }
  const QString& Notice() const { return notice_; }

  uint32_t TickCount() override;
  void StartTimer(int interval_ms) override;
  void StopTimer() override;
  void Repaint() override { update(); }
  void ClearArea() override { update(); }
  void DrawText(int x, int y, const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  void ResizeControl(int width, int height) override { resize(width, height); }

 signals:
  void DoubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  TFliPlayerTimer player_;
  QString notice_;
  QPoint notice_at_;
};

class TMovieFLIMenu : public QWidget {
  Q_OBJECT

 public:
  explicit TMovieFLIMenu(QWidget* parent = nullptr);

  // Opens the movie in normal view and plays it.
  void OpenMovie(const std::string& path);
  TFliPlayerWidget* PlayerControl() { return FliPlayer1; }
  bool FullScreenView() const { return full_screen_; }

 public slots:
  void PlayClick();
  void PauseClick();
  void FasterClick();
  void SlowerClick();
  void NextFrameClick();
  void PrevFrameClick();
  void StopClick();
  void NormalViewClick();
  void FullScreenClick();
  void UpdateLabels();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QToolButton* AddButton(const QString& text, const QString& hint, void (TMovieFLIMenu::*slot)());

  TFliPlayerWidget* FliPlayer1;
  QWidget* PanelControls;
  QLabel* LabelFrames;
  QLabel* LabelFrame;
  QLabel* LabelHint;
  bool full_screen_ = false;
};

}  // namespace vr::codecs::fli
