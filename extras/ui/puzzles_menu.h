#pragma once
// "Puzzle-Fun" (TPuzzlesMenu): the shown picture as a sliding, swapping or memory puzzle. The
// games themselves are extras::PuzzleModel; this window draws the tiles, slides them on the
// platform clock, plays the sounds and keeps the buttons in step.

#include <QMainWindow>
#include <vector>

#include "extras/puzzle_model.h"
#include "picture/bitmap.h"
#include "platform/services.h"

class QButtonGroup;
class QLabel;
class QPushButton;
class QGroupBox;

namespace vr::extras::ui {

inline constexpr const char* kShowOrderText =
    "Click OK, when done looking at the proper order for the puzzle.\r\rThe numbers are in "
    "ROW,COLUMN fashion. So [2,3] would be ROW 2 and Column 3.";
inline constexpr const char* kWonText = "CONGRATULATIONS, Game Won!\r\rSCORE:";
inline constexpr const char* kSwapPrompt =
    "Use Arrow Key To Pick Swap Direction (Up/Down/Left/Right)";

class TPuzzlesMenu : public QMainWindow {
  Q_OBJECT

 public:
  explicit TPuzzlesMenu(const platform::Services& services, QWidget* parent = nullptr);

  // Takes a copy of the viewer's picture, fits it and shows the window idle.
  void Open(const picture::Bitmap& picture);

  void BStartClick();
  void BJumbleClick();
  void BCheatClick();
  void BNumbersClick();
  void BSwapClick();
  void BExitClick();
  // A click on the square at a 1-based position.
  void PlaySquare(int position);

  const PuzzleModel& model() const { return model_; }
  QWidget* PanelMain = nullptr;
  QButtonGroup* RGGame = nullptr;
  QButtonGroup* RGLevel = nullptr;
  QPushButton* BStart = nullptr;
  QPushButton* BJumble = nullptr;
  QPushButton* BCheat = nullptr;
  QPushButton* BNumbers = nullptr;
  QPushButton* BSwap = nullptr;
  QPushButton* BExit = nullptr;
  QLabel* LScore = nullptr;
  // The tile widget whose home is `home` (0-based), or null.
  QLabel* TileWidget(int home) const;

 protected:
  void keyReleaseEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Fit();
  void SetButtonsForPlay(bool playing);
  void BuildTiles();
  void PlaceTiles();
  void PaintTile(int position);
  QRect CellRect(int position) const;
  void Slide(int from, int to, int slide_ms);
  void Sound(const char* name);
  void ShowScore();
  void Won();
  void EndGame();

  platform::Services services_;
  PuzzleModel model_;
  picture::Bitmap original_;
  picture::Bitmap fitted_;
  QLabel* whole_ = nullptr;
  std::vector<QLabel*> tiles_;  // by home index; null for the empty square
  int origin_x_ = 0;
  int origin_y_ = 0;
  int tile_w_ = 0;
  int tile_h_ = 0;
  int step_ms_ = 10;
  bool show_order_ = false;
};

}  // namespace vr::extras::ui
