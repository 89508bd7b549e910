#include "picture/codecs/fli/ui/movie_fli_menu.h"

#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QVBoxLayout>

namespace vr::codecs::fli {
namespace {

// Wraps the display bitmap's rows without copying them.
QImage ImageOf(const TUniDIB& dib) {
  QImage image(dib.Row(0), dib.Width(), dib.Height(), static_cast<qsizetype>(dib.Stride()),
               QImage::Format_Indexed8);
  QList<QRgb> colours(256);
  for (int i = 0; i < 256; ++i) {
    const picture::Rgb c = dib.PaletteEntry(i);
    colours[i] = qRgb(c.r, c.g, c.b);
  }
  image.setColorTable(colours);
  return image;
}

}  // namespace

TFliPlayerWidget::TFliPlayerWidget(QWidget* parent) : QWidget(parent), player_(this) {
  setObjectName(QStringLiteral("FliPlayer1"));
  resize(320, 200);
  setMinimumSize(16, 16);
  setAutoFillBackground(false);
  clock_.start();
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this]() { player_.Tick(); });
}

TFliPlayerWidget::~TFliPlayerWidget() { player_.Stop(); }

uint32_t TFliPlayerWidget::TickCount() { return static_cast<uint32_t>(clock_.elapsed()); }

void TFliPlayerWidget::StartTimer(int interval_ms) {
  notice_.clear();
  timer_.start(interval_ms);
}

void TFliPlayerWidget::StopTimer() { timer_.stop(); }

void TFliPlayerWidget::DrawText(int x, int y, const std::string& text) {
  notice_ = QString::fromStdString(text);
  notice_at_ = QPoint(x, y);
  update();
}

void TFliPlayerWidget::ShowMessage(const std::string& text) {
  QMessageBox::information(this, QStringLiteral("Veldrimon"), QString::fromStdString(text));
}

void TFliPlayerWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!notice_.isEmpty()) {
    painter.setPen(Qt::white);
    painter.drawText(notice_at_.x(), notice_at_.y() + painter.fontMetrics().ascent(), notice_);
  }
  const PaintRect area = player_.PaintArea(width(), height());
  if (area.width <= 0 || area.height <= 0) return;
  player_.Paint();
  painter.drawImage(QRect(area.left, area.top, area.width, area.height),
                    ImageOf(player_.Display()));
}

void TFliPlayerWidget::mouseDoubleClickEvent(QMouseEvent*) { emit DoubleClicked(); }

TMovieFLIMenu::TMovieFLIMenu(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("MovieFLIMenu"));
  setWindowTitle(QStringLiteral("Movie Player (FLI/FLC)"));
  FliPlayer1 = new TFliPlayerWidget(this);
  FliPlayer1->setToolTip(QString::fromLatin1(kMovieHint));
  TFliPlayerTimer& player = FliPlayer1->Player();
  player.TimerInterval = 10;
  player.OnFliNextFrame = [this](TFliPlayerTimer&) { UpdateLabels(); };
  player.OnFliEnd = [this](TFliPlayerTimer&) { UpdateLabels(); };
  connect(FliPlayer1, &TFliPlayerWidget::DoubleClicked, this, [this]() {
    if (full_screen_) {
      NormalViewClick();
    } else {
      FullScreenClick();
    }
  });

  PanelControls = new QWidget(this);
  auto* buttons = new QHBoxLayout(PanelControls);
  buttons->setContentsMargins(2, 2, 2, 2);
  buttons->setSpacing(2);
  AddButton(QStringLiteral(">"), QStringLiteral("Play movie"), &TMovieFLIMenu::PlayClick);
  AddButton(QStringLiteral("||"), QStringLiteral("Pause movie"), &TMovieFLIMenu::PauseClick);
  AddButton(QStringLiteral(">>"), QStringLiteral("Play FASTER, more clicks, more faster :)"),
            &TMovieFLIMenu::FasterClick);
  AddButton(QStringLiteral("<<"), QStringLiteral("Play SLOWER, more clicks, more slower :)"),
            &TMovieFLIMenu::SlowerClick);
  AddButton(QStringLiteral("+1"), QStringLiteral("Next FRAME"), &TMovieFLIMenu::NextFrameClick);
  AddButton(QStringLiteral("-1"), QStringLiteral("Previous FRAME"), &TMovieFLIMenu::PrevFrameClick);
  AddButton(QStringLiteral("[]"), QStringLiteral("STOP movie"), &TMovieFLIMenu::StopClick);
  AddButton(QStringLiteral("1:1"), QStringLiteral("Normal view"), &TMovieFLIMenu::NormalViewClick);
  AddButton(QStringLiteral("Full"), QStringLiteral("Full-screen view"),
            &TMovieFLIMenu::FullScreenClick);
  LabelFrames = new QLabel(PanelControls);
  LabelFrame = new QLabel(PanelControls);
  buttons->addSpacing(8);
  buttons->addWidget(LabelFrames);
  buttons->addSpacing(8);
  buttons->addWidget(LabelFrame);
  buttons->addStretch(1);
  LabelHint = new QLabel(QString::fromLatin1(kMovieHint), this);
  LabelHint->setWordWrap(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(FliPlayer1, 1);
  layout->addWidget(PanelControls);
  layout->addWidget(LabelHint);
  UpdateLabels();
}

QToolButton* TMovieFLIMenu::AddButton(const QString& text, const QString& hint,
                                      void (TMovieFLIMenu::*slot)()) {
  auto* button = new QToolButton(PanelControls);
  button->setText(text);
  button->setToolTip(hint);
  button->setStatusTip(hint);
  PanelControls->layout()->addWidget(button);
  connect(button, &QToolButton::clicked, this, slot);
  return button;
}

void TMovieFLIMenu::OpenMovie(const std::string& path) {
  TFliPlayerTimer& player = FliPlayer1->Player();
  player.SetFileName(path);
  player.OpenAndPlay();
  NormalViewClick();
  UpdateLabels();
}

void TMovieFLIMenu::UpdateLabels() {
  const TFliPlayerTimer& player = FliPlayer1->Player();
  LabelFrames->setText(QStringLiteral("FLI Frames :") + QString::number(player.Frames()));
  LabelFrame->setText(QStringLiteral("FLI Frame #:") + QString::number(player.ShownFrame()));
}

void TMovieFLIMenu::PlayClick() { FliPlayer1->Player().Play(); }
void TMovieFLIMenu::PauseClick() { FliPlayer1->Player().Pause(); }
void TMovieFLIMenu::FasterClick() { FliPlayer1->Player().Faster(); }
void TMovieFLIMenu::SlowerClick() { FliPlayer1->Player().Slower(); }

void TMovieFLIMenu::NextFrameClick() {
  TFliPlayerTimer& player = FliPlayer1->Player();
  player.GoToFrame(player.ShownFrame() + 1);
}

void TMovieFLIMenu::PrevFrameClick() {
  TFliPlayerTimer& player = FliPlayer1->Player();
  player.GoToFrame(std::max(player.ShownFrame() - 1, 0));
}

void TMovieFLIMenu::StopClick() {
  FliPlayer1->Player().Stop();
  UpdateLabels();
}

void TMovieFLIMenu::NormalViewClick() {
  full_screen_ = false;
  setWindowFlags(Qt::Window);
  showNormal();
  TFliPlayerTimer& player = FliPlayer1->Player();
  player.SetStretch(false);
  PanelControls->show();
  LabelHint->show();
  if (player.Frames() > 0) {
    const int w = std::max(player.MovieWidth(), PanelControls->sizeHint().width());
    resize(w, player.MovieHeight() + PanelControls->sizeHint().height() +
                  LabelHint->sizeHint().height());
  }
}

void TMovieFLIMenu::FullScreenClick() {
  full_screen_ = true;
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  PanelControls->hide();
  LabelHint->hide();
  FliPlayer1->Player().SetStretch(true);
  showFullScreen();
}

void TMovieFLIMenu::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TMovieFLIMenu::closeEvent(QCloseEvent* event) {
  FliPlayer1->Player().Stop();
  UpdateLabels();
  QWidget::closeEvent(event);
}

}  // namespace vr::codecs::fli
