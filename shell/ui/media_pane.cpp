#include "shell/ui/media_pane.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLibraryInfo>
#include <QLabel>
#include <QStackedLayout>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "picture/codecs/fli/ui/movie_fli_menu.h"
#include "picture/kinds.h"
#include "shell/navigation.h"

#if VR_HAVE_QT_MULTIMEDIA
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QVideoWidget>
#endif

namespace vr::shell::ui {
namespace {

constexpr int kDisplayWidth = 320;
constexpr int kDisplayHeight = 240;

QString NameOf(const std::string& path) { return QString::fromStdString(FileNameOf(path)); }

}  // namespace

void PreferPlayableMediaBackend() {
  if (qEnvironmentVariableIsSet("QT_MEDIA_BACKEND")) return;
  const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                         "/multimedia/libffmpegmediaplugin.so";
  if (QFileInfo::exists(plugin)) qputenv("QT_MEDIA_BACKEND", "ffmpeg");
}

TMediaPane::TMediaPane(QWidget* parent) : QFrame(parent) {
  PreferPlayableMediaBackend();
  setObjectName("PanelMedia");
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Raised);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(8, 8, 8, 8);
  title_ = new QLabel("Multi-Media Player", this);
  title_->setAlignment(Qt::AlignCenter);
  column->addWidget(title_);
  name_ = new QLabel(this);
  name_->setAlignment(Qt::AlignCenter);
  column->addWidget(name_);

  PanelMM0 = new QWidget(this);
  PanelMM0->setObjectName("PanelMM0");
  PanelMM0->setMinimumSize(kDisplayWidth, kDisplayHeight);
  QPalette black = PanelMM0->palette();
  black.setColor(QPalette::Window, Qt::black);
  black.setColor(QPalette::WindowText, Qt::white);
  PanelMM0->setPalette(black);
  PanelMM0->setAutoFillBackground(true);
  stack_ = new QStackedLayout(PanelMM0);
  // The video surface is made with the player on the first media file: a video widget starts
  // the media framework, which start-up should not wait for.
  video_ = new QWidget(PanelMM0);
  stack_->addWidget(video_);
  fli_ = new codecs::fli::TFliPlayerWidget(PanelMM0);
  stack_->addWidget(fli_);
  message_ = new QLabel(PanelMM0);
  message_->setObjectName("MediaMessage");
  message_->setAlignment(Qt::AlignCenter);
  message_->setWordWrap(true);
  stack_->addWidget(message_);
  column->addWidget(PanelMM0, 1);

  auto* buttons = new QHBoxLayout();
  auto button = [this, buttons](const char* name, const QString& text, void (TMediaPane::*slot)()) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(text);
    buttons->addWidget(b);
    connect(b, &QToolButton::clicked, this, [this, slot] { (this->*slot)(); });
    return b;
  };
  buttons->addStretch(1);
  play_ = button("MediaPlay", "Play", &TMediaPane::PlayClick);
  pause_ = button("MediaPause", "Pause", &TMediaPane::PauseClick);
  stop_ = button("MediaStop", "Stop", &TMediaPane::StopClick);
  rewind_ = button("MediaRewind", "Rewind", &TMediaPane::RewindClick);
  buttons->addStretch(1);
  column->addLayout(buttons);
}

TMediaPane::~TMediaPane() { Stop(); }

void TMediaPane::EnsurePlayer() {
#if VR_HAVE_QT_MULTIMEDIA
  // Made on the first media file, so that start-up does not pay for the media framework.
  if (player_ != nullptr) return;
  player_ = new QMediaPlayer(this);
  audio_ = new QAudioOutput(this);
  player_->setAudioOutput(audio_);
  auto* video = new QVideoWidget(PanelMM0);
  stack_->addWidget(video);
  video_ = video;  // the plain panel stays behind, unused
  player_->setVideoOutput(video);
  connect(player_, &QMediaPlayer::errorOccurred, this,
          [this](QMediaPlayer::Error error, const QString& text) {
            if (error != QMediaPlayer::NoError && !file_.empty()) ShowMessage(text);
          });
  connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus s) {
    if (s == QMediaPlayer::InvalidMedia && !file_.empty() && message().isEmpty()) {
      ShowMessage("The file holds nothing the media player can play.");
    }
  });
#endif
}

void TMediaPane::Play(const std::string& path, uint16_t kind) {
  Stop();
  file_ = path;
  name_->setText(NameOf(path));
  message_->clear();
  if (kind == picture::kKindFli) {
    fli_active_ = true;
    stack_->setCurrentWidget(fli_);
    fli_->Player().SetFileName(path);
    fli_->Player().OpenAndPlay();
    if (fli_->Player().Frames() <= 0) ShowMessage("It is not a movie the FLI/FLC player can read.");
    return;
  }
#if VR_HAVE_QT_MULTIMEDIA
  EnsurePlayer();
  stack_->setCurrentWidget(video_);
  if (!player_->isAvailable()) {
    ShowMessage("No media player is available on this system.");
    return;
  }
  player_->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
  if (!message().isEmpty()) return;  // refused at once
  player_->play();
#else
  ShowMessage("This program was built without a media player.");
#endif
}

void TMediaPane::ShowMessage(const QString& reason) {
  message_->setText("This file cannot be played here:\n" + NameOf(file_) +
                    (reason.isEmpty() ? QString() : "\n\n" + reason));
  stack_->setCurrentWidget(message_);
}

QString TMediaPane::message() const {
  return stack_->currentWidget() == message_ ? message_->text() : QString();
}

void TMediaPane::Stop() {
  if (fli_active_) {
    fli_->Player().Stop();
    fli_active_ = false;
  }
#if VR_HAVE_QT_MULTIMEDIA
  if (player_ != nullptr) {
    player_->stop();
    player_->setSource(QUrl());
  }
#endif
  file_.clear();
  if (stack_ != nullptr) stack_->setCurrentWidget(video_);
}

void TMediaPane::PlayClick() {
  if (file_.empty() || !message().isEmpty()) return;
  if (fli_active_) {
    fli_->Player().Play();
    return;
  }
#if VR_HAVE_QT_MULTIMEDIA
  if (player_ != nullptr) player_->play();
#endif
}

void TMediaPane::PauseClick() {
  if (fli_active_) {
    fli_->Player().Pause();
    return;
  }
#if VR_HAVE_QT_MULTIMEDIA
  if (player_ != nullptr) player_->pause();
#endif
}

void TMediaPane::StopClick() {
  // The button stops playing and goes back to the start; the file stays loaded.
  if (fli_active_) {
    fli_->Player().Pause();
    fli_->Player().GoToFrame(1);
    return;
  }
#if VR_HAVE_QT_MULTIMEDIA
  if (player_ != nullptr) player_->stop();
#endif
}

void TMediaPane::RewindClick() {
  if (fli_active_) {
    fli_->Player().GoToFrame(1);
    return;
  }
#if VR_HAVE_QT_MULTIMEDIA
  if (player_ != nullptr) player_->setPosition(0);
#endif
}

}  // namespace vr::shell::ui
