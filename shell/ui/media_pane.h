#pragma once
// The media pane PanelMedia: the label "Multi-Media Player", the media player's display panel
// PanelMM0 and its controls (Play, Pause, Stop, Rewind). AVI, MOV, MPEG, MIDI and WAV files play
// through Qt Multimedia; FLI and FLC movies through the program's own movie player. A file the
// player cannot play leaves a clear message in the pane instead of a picture.

#include <QFrame>
#include <QString>
#include <cstdint>
#include <string>

class QLabel;
class QToolButton;
class QStackedLayout;
class QMediaPlayer;
class QAudioOutput;

namespace vr::codecs::fli {
class TFliPlayerWidget;
}

namespace vr::shell::ui {

// Qt 6.4 picks its GStreamer media backend first on Linux, and that backend crashes on a file it
// cannot play when some GStreamer elements are missing. When the FFmpeg backend is installed and
// the user chose none (QT_MEDIA_BACKEND), it is chosen instead. Call before anything uses Qt
// Multimedia (the program's sounds included); later calls change nothing once a backend runs.
void PreferPlayableMediaBackend();

class TMediaPane : public QFrame {
  Q_OBJECT
 public:
  explicit TMediaPane(QWidget* parent = nullptr);
  ~TMediaPane() override;

  // Plays `path` of the media kind `kind` in the display panel (the pane shows itself separately).
  void Play(const std::string& path, uint16_t kind);
  // Stops whatever plays and forgets the file.
  void Stop();
  // The message shown when the file cannot be played; empty while it plays or when idle.
  QString message() const;
  // The file being played (empty when idle).
  const std::string& file() const { return file_; }
  QWidget* display() const { return PanelMM0; }

  // The buttons, for the window and tests.
  QToolButton* play_button() const { return play_; }
  QToolButton* pause_button() const { return pause_; }
  QToolButton* stop_button() const { return stop_; }
  QToolButton* rewind_button() const { return rewind_; }

 private:
  void PlayClick();
  void PauseClick();
  void StopClick();
  void RewindClick();
  void ShowMessage(const QString& reason);
  void EnsurePlayer();

  QLabel* title_ = nullptr;
  QLabel* name_ = nullptr;
  QWidget* PanelMM0 = nullptr;
  QStackedLayout* stack_ = nullptr;
  QLabel* message_ = nullptr;
  QWidget* video_ = nullptr;  // the video surface (a plain panel without Qt Multimedia)
  codecs::fli::TFliPlayerWidget* fli_ = nullptr;
  QToolButton* play_ = nullptr;
  QToolButton* pause_ = nullptr;
  QToolButton* stop_ = nullptr;
  QToolButton* rewind_ = nullptr;
  QMediaPlayer* player_ = nullptr;
  QAudioOutput* audio_ = nullptr;
  std::string file_;
  bool fli_active_ = false;
};

}  // namespace vr::shell::ui
