#include "extras/ui/puzzles_menu.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "picture/ui/qimage_bridge.h"
#include "platform/clock.h"
#include "platform/sounds.h"
#include "platform/ui.h"
#include "shell/transforms/transforms.h"

namespace vr::extras::ui {
namespace {

QPushButton* MakeButton(const char* name, const char* caption, QVBoxLayout* column) {
  auto* b = new QPushButton(caption);
  b->setObjectName(name);
  column->addWidget(b);
  return b;
}

// A game can end inside a click on one of its own tiles: tiles go once that event is over.
void DropTile(QLabel* tile) {
  if (tile == nullptr) return;
  tile->hide();
  tile->removeEventFilter(tile->parent());
  tile->deleteLater();
}

}  // namespace

TPuzzlesMenu::TPuzzlesMenu(const platform::Services& services, QWidget* parent)
    : QMainWindow(parent), services_(services) {
  setObjectName("PuzzlesMenu");
  setWindowTitle("Puzzle-Fun");
  auto* central = new QWidget(this);
  auto* row = new QHBoxLayout(central);
  PanelMain = new QWidget(central);
  PanelMain->setObjectName("PanelMain");
  PanelMain->setMinimumSize(50, 50);
  PanelMain->setStyleSheet("#PanelMain { background: black; }");
  PanelMain->setAttribute(Qt::WA_StyledBackground);
  PanelMain->installEventFilter(this);
  row->addWidget(PanelMain, 1);
  auto* panel = new QWidget(central);
  panel->setObjectName("PanelButtons");
  auto* column = new QVBoxLayout(panel);
  auto* games = new QGroupBox("Game To Play");
  auto* games_column = new QVBoxLayout(games);
  RGGame = new QButtonGroup(this);
  int id = 0;
  for (const char* caption : {"Slide-It", "Jig-Saw", "Guess-It"}) {
    auto* radio = new QRadioButton(caption);
    radio->setChecked(id == 0);
    RGGame->addButton(radio, id++);
    games_column->addWidget(radio);
  }
  column->addWidget(games);
  auto* levels = new QGroupBox("Difficulty");
  auto* levels_column = new QVBoxLayout(levels);
  RGLevel = new QButtonGroup(this);
  id = 0;
  for (const char* caption : {"Easy", "Hard", "Expert"}) {
    auto* radio = new QRadioButton(caption);
    radio->setChecked(id == 0);
    RGLevel->addButton(radio, id++);
    levels_column->addWidget(radio);
  }
  column->addWidget(levels);
  BStart = MakeButton("BStart", "&Start Game", column);
  BJumble = MakeButton("BJumble", "&Jumble", column);
  BCheat = MakeButton("BCheat", "&Cheat", column);
  BNumbers = MakeButton("BNumbers", "Show &Order", column);
  BSwap = MakeButton("BSwap", "&Swap", column);
  LScore = new QLabel;
  LScore->setObjectName("LScore");
  column->addWidget(LScore);
  column->addStretch();
  BExit = MakeButton("BExit", "&Exit", column);
  row->addWidget(panel);
  setCentralWidget(central);
  whole_ = new QLabel(PanelMain);
  whole_->setObjectName("WholePicture");

  connect(BStart, &QPushButton::clicked, this, [this] { BStartClick(); });
  connect(BJumble, &QPushButton::clicked, this, [this] { BJumbleClick(); });
  connect(BCheat, &QPushButton::clicked, this, [this] { BCheatClick(); });
  connect(BNumbers, &QPushButton::clicked, this, [this] { BNumbersClick(); });
  connect(BSwap, &QPushButton::clicked, this, [this] { BSwapClick(); });
  connect(BExit, &QPushButton::clicked, this, [this] { BExitClick(); });

  PuzzleModel::Hooks hooks;
  hooks.moved = [this](int from, int to, int slide_ms) {
    if (slide_ms > 0) {
      Slide(from, to, slide_ms);
    } else {
      PaintTile(from);
      PaintTile(to);
    }
  };
  hooks.sound = [this](const char* name) { Sound(name); };
  hooks.pump = [] { QCoreApplication::processEvents(); };
  model_ = PuzzleModel(hooks);
  SetButtonsForPlay(false);
  resize(560, 420);
}

void TPuzzlesMenu::Open(const picture::Bitmap& picture) {
  if (model_.playing()) EndGame();
  original_ = picture;
  Fit();
  SetButtonsForPlay(false);
  show();
  raise();
}

void TPuzzlesMenu::Fit() {
  if (original_.Width() <= 0) return;
  const FittedSize size = FitPuzzlePicture(original_.Width(), original_.Height(),
                                           PanelMain->width(), PanelMain->height());
  fitted_ = original_;
  transforms::ResizePicture(fitted_, size.width, size.height, true);
  origin_x_ = (PanelMain->width() - fitted_.Width()) / 2;
  origin_y_ = (PanelMain->height() - fitted_.Height()) / 2;
  whole_->setPixmap(QPixmap::fromImage(picture::BitmapToQImage(fitted_).copy()));
  whole_->setGeometry(origin_x_, origin_y_, fitted_.Width(), fitted_.Height());
  if (model_.playing()) {
    tile_w_ = fitted_.Width() / model_.n();
    tile_h_ = fitted_.Height() / model_.n();
    PlaceTiles();
  }
}

void TPuzzlesMenu::SetButtonsForPlay(bool playing) {
  BStart->setText(playing ? "&Quit Game" : "&Start Game");
  BStart->setToolTip(playing ? "Quit current game so you can play another"
                             : "Start to play the selected game");
  const bool slide = model_.game() == PuzzleGame::kSlideIt;
  BJumble->setEnabled(playing);
  BNumbers->setEnabled(playing);
  BCheat->setEnabled(playing && slide);
  BSwap->setEnabled(playing && slide);
  for (QAbstractButton* b : RGGame->buttons()) b->setEnabled(!playing);
  for (QAbstractButton* b : RGLevel->buttons()) b->setEnabled(!playing);
  whole_->setVisible(!playing);
  ShowScore();
}

void TPuzzlesMenu::ShowScore() {
  LScore->setText(model_.playing() ? QString("Score: %1").arg(model_.score()) : QString());
}

QRect TPuzzlesMenu::CellRect(int position) const {
  const int n = model_.n();
  const int row = (position - 1) / n;
  const int column = (position - 1) % n;
  return QRect(origin_x_ + column * tile_w_, origin_y_ + row * tile_h_, tile_w_, tile_h_);
}

QLabel* TPuzzlesMenu::TileWidget(int home) const {
  return home >= 0 && static_cast<size_t>(home) < tiles_.size() ? tiles_[static_cast<size_t>(home)]
                                                                  : nullptr;
}

void TPuzzlesMenu::BuildTiles() {
  for (QLabel* t : tiles_) DropTile(t);
  tiles_.assign(static_cast<size_t>(model_.cells()), nullptr);
  const QString hint = GameHint(model_.game());
  for (int home = 0; home < model_.cells(); ++home) {
    if (model_.game() == PuzzleGame::kSlideIt && home == 0) continue;
    const int row = home / model_.n() + 1;
    const int column = home % model_.n() + 1;
    auto* tile = new QLabel(PanelMain);
    tile->setObjectName(QString("P_%1_%2").arg(row).arg(column));
    tile->setProperty("caption", QString("[%1,%2]").arg(row).arg(column));
    tile->setProperty("tag", column + (row << 16));
    tile->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    tile->setScaledContents(true);
    tile->setAlignment(Qt::AlignCenter);
    tile->setCursor(Qt::PointingHandCursor);
    tile->setToolTip(hint);
    tile->setAutoFillBackground(true);
    tile->installEventFilter(this);
    tile->show();
    tiles_[static_cast<size_t>(home)] = tile;
  }
}

void TPuzzlesMenu::PaintTile(int position) {
  const int home = model_.TileAt(position);
  QLabel* tile = TileWidget(home);
  if (tile == nullptr) return;
  tile->setGeometry(CellRect(position));
  const bool down = model_.FaceDown(position);
  QPalette palette = tile->palette();
  palette.setColor(QPalette::Window, down || !show_order_ ? Qt::black : palette.color(QPalette::Button));
  tile->setPalette(palette);
  if (show_order_) {
    tile->setPixmap(QPixmap());
    tile->setText(tile->property("caption").toString());
  } else if (down) {
    tile->setPixmap(QPixmap());
    tile->setText(QString());
  } else {
    const int row = home / model_.n();
    const int column = home % model_.n();
    const QImage part = picture::BitmapToQImage(fitted_).copy(column * tile_w_, row * tile_h_,
                                                               tile_w_, tile_h_);
    tile->setText(QString());
    tile->setPixmap(QPixmap::fromImage(part));
  }
}

void TPuzzlesMenu::PlaceTiles() {
  for (int p = 1; p <= model_.cells(); ++p) PaintTile(p);
}

void TPuzzlesMenu::Slide(int from, int to, int slide_ms) {
  QLabel* tile = TileWidget(model_.TileAt(to));
  if (tile == nullptr) return;
  const QRect target = CellRect(to);
  const QRect start = CellRect(from);
  const int distance = std::max(std::abs(target.x() - start.x()), std::abs(target.y() - start.y()));
  const int step = SlideStep(std::max(tile_w_, tile_h_), step_ms_, slide_ms);
  platform::Clock* clock = services_.clock;
  const uint32_t began = clock != nullptr ? clock->TickCount() : 0;
  int steps = 0;
  QPoint at = start.topLeft();
  const int dx = target.x() > start.x() ? 1 : target.x() < start.x() ? -1 : 0;
  const int dy = target.y() > start.y() ? 1 : target.y() < start.y() ? -1 : 0;
  for (int moved = step; moved < distance; moved += step) {
    at = start.topLeft() + QPoint(dx * moved, dy * moved);
    tile->move(at);
    tile->repaint();
    ++steps;
    if (clock != nullptr) clock->Sleep(static_cast<uint32_t>(std::max(1, step_ms_)));
  }
  tile->setGeometry(target);
  if (steps > 0 && clock != nullptr) {
    const int measured = static_cast<int>((clock->TickCount() - began) / static_cast<uint32_t>(steps));
    if (measured > 0) step_ms_ = measured;
  }
}

void TPuzzlesMenu::Sound(const char* name) {
  if (services_.sounds != nullptr) services_.sounds->Play(name);
}

void TPuzzlesMenu::BStartClick() {
  if (model_.busy() > 0) return;
  if (model_.playing()) {
    EndGame();
    return;
  }
  const auto game = static_cast<PuzzleGame>(RGGame->checkedId());
  const auto level = static_cast<PuzzleLevel>(RGLevel->checkedId());
  const uint32_t now = services_.clock != nullptr ? services_.clock->TickCount() : 0;
  // The grid exists before the jumble so that its slides are seen.
  model_.Build(game, level);
  tile_w_ = fitted_.Width() / model_.n();
  tile_h_ = fitted_.Height() / model_.n();
  BuildTiles();
  PlaceTiles();
  SetButtonsForPlay(true);
  model_.Start(game, level, now ^ 0x9E3779B9u, now);
  if (services_.clock != nullptr) model_.SetStartTime(services_.clock->TickCount());
  PlaceTiles();
  ShowScore();
}

void TPuzzlesMenu::BJumbleClick() {
  if (model_.busy() > 0 || !model_.playing()) return;
  model_.Jumble();
  PlaceTiles();
  ShowScore();
}

void TPuzzlesMenu::BCheatClick() {
  if (model_.busy() > 0 || !model_.playing()) return;
  model_.Cheat();
  PlaceTiles();
  ShowScore();
}

void TPuzzlesMenu::BNumbersClick() {
  if (model_.busy() > 0 || !model_.playing()) return;
  model_.ShowOrder();
  show_order_ = true;
  PlaceTiles();
  ShowScore();
  if (services_.ui != nullptr) services_.ui->Information(kShowOrderText);
  show_order_ = false;
  PlaceTiles();
}

void TPuzzlesMenu::BSwapClick() {
  if (model_.busy() > 0 || !model_.playing()) return;
  model_.BeginSwap();
  if (model_.swap_pending()) statusBar()->showMessage(kSwapPrompt);
  ShowScore();
}

void TPuzzlesMenu::BExitClick() { close(); }

void TPuzzlesMenu::PlaySquare(int position) {
  if (!model_.playing()) return;
  const uint32_t now = services_.clock != nullptr ? services_.clock->TickCount() : 0;
  const bool won = model_.Click(position, now);
  PlaceTiles();
  ShowScore();
  if (won) Won();
}

void TPuzzlesMenu::Won() {
  Sound(kWinMusic);
  if (services_.ui != nullptr) {
    services_.ui->Information(kWonText + std::to_string(model_.score()));
  }
  if (services_.sounds != nullptr) services_.sounds->StopAll();
  EndGame();
}

void TPuzzlesMenu::EndGame() {
  model_.End();
  for (QLabel* t : tiles_) DropTile(t);
  tiles_.clear();
  statusBar()->clearMessage();
  SetButtonsForPlay(false);
  Fit();
}

void TPuzzlesMenu::keyReleaseEvent(QKeyEvent* event) {
  PuzzleModel::Arrow arrow;
  switch (event->key()) {
    case Qt::Key_Up: arrow = PuzzleModel::Arrow::kUp; break;
    case Qt::Key_Down: arrow = PuzzleModel::Arrow::kDown; break;
    case Qt::Key_Left: arrow = PuzzleModel::Arrow::kLeft; break;
    case Qt::Key_Right: arrow = PuzzleModel::Arrow::kRight; break;
    default:
      QMainWindow::keyReleaseEvent(event);
      return;
  }
  if (!model_.playing() || event->isAutoRepeat()) return;
  const bool swapping = model_.swap_pending();
  const uint32_t now = services_.clock != nullptr ? services_.clock->TickCount() : 0;
  const bool won = model_.Key(arrow, now);
  if (swapping) statusBar()->clearMessage();
  PlaceTiles();
  ShowScore();
  if (won) Won();
}

void TPuzzlesMenu::closeEvent(QCloseEvent* event) {
  if (model_.busy() > 0) {
    event->ignore();
    return;
  }
  if (model_.playing()) EndGame();
  QMainWindow::closeEvent(event);
}

bool TPuzzlesMenu::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PanelMain && event->type() == QEvent::Resize) {
    Fit();
    return false;
  }
  if (event->type() == QEvent::MouseButtonPress) {
    for (int p = 1; p <= model_.cells(); ++p) {
      if (TileWidget(model_.TileAt(p)) == watched) {
        PlaySquare(p);
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace vr::extras::ui
