#pragma once
// TPaletteEditor: the palette and transparency editor. 256 swatches in a 16 x 16 grid; entries
// past the picture's colours are disabled. A click selects an entry, a double click edits its
// colour through the colour dialog, "None" (offered when picking a transparent colour) selects no
// entry. OK keeps the edits and the selection; Cancel changes nothing.

#include <QDialog>
#include <QWidget>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "platform/ui.h"

class QLabel;
class QPushButton;

namespace vr::colour {

inline constexpr const char* kPickTransparentTitle = "Pick the transparent color";
inline constexpr const char* kChooseTransparentTitle = "Choose the transparent color";
inline constexpr const char* kEditPaletteTitle = "Edit the palette colors";
inline constexpr const char* kSelectBackgroundTitle = "Select the background/transparency color";

// The grid of swatches; cells are kCell pixels square.
class TSwatchGrid : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kCell = 16;
  TSwatchGrid(std::vector<picture::Rgb>* palette, int enabled, QWidget* parent);
  int selected() const { return selected_; }
  void Select(int index);
  // The centre of a cell in the grid's coordinates.
  QPoint CellCentre(int index) const;

 signals:
  void Selected(int index);
  void EditRequested(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  int CellAt(const QPoint& point) const;
  std::vector<picture::Rgb>* palette_;
  int enabled_;
  int selected_ = -1;
};

class TPaletteEditor : public QDialog {
  Q_OBJECT
 public:
  // `palette` is padded to 256 entries; `colours` entries are enabled. `selected` may be -1.
  TPaletteEditor(const std::string& title, std::vector<picture::Rgb> palette, int colours,
                 int selected, platform::Ui& ui, QWidget* parent = nullptr);

  bool transparency_title() const { return transparency_; }
  int Selected() const { return grid_->selected(); }
  const std::vector<picture::Rgb>& Palette() const { return palette_; }
  TSwatchGrid* grid() const { return grid_; }
  QPushButton* none_button() const { return none_; }
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }
  QString SelectionText() const;

 private:
  void EditEntry(int index);
  void ShowSelection();

  platform::Ui& ui_;
  std::vector<picture::Rgb> palette_;
  bool transparency_;
  TSwatchGrid* grid_ = nullptr;
  QLabel* selection_ = nullptr;
  QPushButton* none_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace vr::colour
