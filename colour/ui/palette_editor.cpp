#include "colour/ui/palette_editor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vr::colour {

using picture::Rgb;

TSwatchGrid::TSwatchGrid(std::vector<Rgb>* palette, int enabled, QWidget* parent)
    : QWidget(parent), palette_(palette), enabled_(enabled) {
  setFixedSize(kCell * 16 + 1, kCell * 16 + 1);
}

void TSwatchGrid::Select(int index) {
  selected_ = index >= 0 && index < enabled_ ? index : -1;
  update();
  emit Selected(selected_);
}

QPoint TSwatchGrid::CellCentre(int index) const {
  return QPoint((index % 16) * kCell + kCell / 2, (index / 16) * kCell + kCell / 2);
}

int TSwatchGrid::CellAt(const QPoint& point) const {
  const int col = point.x() / kCell;
  const int row = point.y() / kCell;
  if (point.x() < 0 || point.y() < 0 || col > 15 || row > 15) return -1;
  const int index = row * 16 + col;
  return index < enabled_ ? index : -1;
}

void TSwatchGrid::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (int i = 0; i < 256; ++i) {
    const QRect cell((i % 16) * kCell, (i / 16) * kCell, kCell, kCell);
    if (i < enabled_ && i < static_cast<int>(palette_->size())) {
      const Rgb c = (*palette_)[i];
      painter.fillRect(cell, QColor(c.r, c.g, c.b));
    } else {
      // Past the picture's colours: greyed out and not selectable.
      painter.fillRect(cell, palette().color(QPalette::Disabled, QPalette::Window));
    }
    painter.setPen(i == selected_ ? Qt::white : Qt::black);
    painter.drawRect(cell.adjusted(0, 0, -1, -1));
  }
}

void TSwatchGrid::mousePressEvent(QMouseEvent* event) {
  const int index = CellAt(event->position().toPoint());
  if (index >= 0) Select(index);
}

void TSwatchGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  const int index = CellAt(event->position().toPoint());
  if (index >= 0) {
    Select(index);
    emit EditRequested(index);
  }
}

TPaletteEditor::TPaletteEditor(const std::string& title, std::vector<Rgb> palette, int colours,
                               int selected, platform::Ui& ui, QWidget* parent)
    : QDialog(parent), ui_(ui), palette_(std::move(palette)) {
  setWindowTitle(QString::fromStdString(title));
  setModal(true);
  transparency_ = title == kPickTransparentTitle || title == kChooseTransparentTitle ||
                  title == kSelectBackgroundTitle;
  palette_.resize(256, Rgb{});
  auto* layout = new QVBoxLayout(this);
  grid_ = new TSwatchGrid(&palette_, std::clamp(colours, 0, 256), this);
  layout->addWidget(grid_);
  selection_ = new QLabel(this);
  layout->addWidget(selection_);
  auto* buttons = new QHBoxLayout();
  none_ = new QPushButton("None", this);
  none_->setVisible(transparency_);
  ok_ = new QPushButton("OK", this);
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  buttons->addWidget(none_);
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);
  connect(grid_, &TSwatchGrid::Selected, this, [this](int) { ShowSelection(); });
  connect(grid_, &TSwatchGrid::EditRequested, this, [this](int index) { EditEntry(index); });
  connect(none_, &QPushButton::clicked, this, [this] { grid_->Select(-1); });
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  grid_->Select(selected);
}

QString TPaletteEditor::SelectionText() const { return selection_->text(); }

void TPaletteEditor::ShowSelection() {
  const int index = grid_->selected();
  if (index < 0) {
    selection_->setText(transparency_ ? "None" : "");
    return;
  }
  const Rgb c = palette_[index];
  selection_->setText(QString("Color %1: R=%2 G=%3 B=%4").arg(index).arg(c.r).arg(c.g).arg(c.b));
}

void TPaletteEditor::EditEntry(int index) {
  const Rgb c = palette_[index];
  const auto picked = ui_.PickColour(windowTitle().toStdString(), platform::PickedColour{c.r, c.g, c.b});
  if (!picked) return;
  palette_[index] = Rgb{picked->r, picked->g, picked->b};
  grid_->update();
  ShowSelection();
}

}  // namespace vr::colour
