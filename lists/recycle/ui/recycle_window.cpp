#include "lists/recycle/ui/recycle_window.h"

#include <QApplication>
#include <QDateTime>
#include <QDrag>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "lists/recycle/recycle_bin.h"
#include "lists/recycle/recycle_index.h"
#include "platform/ui.h"

namespace vr::recycle {
namespace {

constexpr int kLineRole = Qt::UserRole;
constexpr int kFormerRole = Qt::UserRole + 1;
constexpr int kCopyRole = Qt::UserRole + 2;

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

void TRecyclePreview::mousePressEvent(QMouseEvent* event) {
  press_ = event->position().toPoint();
  QLabel::mousePressEvent(event);
}

void TRecyclePreview::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || path_.empty() ||
      (event->position().toPoint() - press_).manhattanLength() <
          QApplication::startDragDistance()) {
    return;
  }
  // Dragging the bin copy out hands other programs a copy; the bin keeps its own.
  auto* drag = new QDrag(this);
  auto* mime = new QMimeData;
  mime->setUrls({QUrl::fromLocalFile(Q(path_))});
  drag->setMimeData(mime);
  drag->exec(Qt::CopyAction);
}

TRecycleBinMenu::TRecycleBinMenu(RecycleBin& bin, platform::Ui& ui, QWidget* parent)
    : QDialog(parent), bin_(bin), ui_(ui) {
  setWindowTitle("Select File(s) To Recover From Veldrimon's RECYCLE BIN");
  setAttribute(Qt::WA_DeleteOnClose, false);

  LSorted = new QLabel("List is sorted by WHEN the files were deleted", this);
  ListView1 = new QTreeWidget(this);
  ListView1->setColumnCount(1);
  ListView1->setHeaderLabels(
      {"Files available to be restored (HI-LITE some files, then click to restore)"});
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setRootIsDecorated(false);
  ListView1->setUniformRowHeights(true);

  LTotal = new QLabel(this);
  LToRestore = new QLabel(this);
  BRestore = new QPushButton("&Restore Files", this);
  BRestoreAdd = new QPushButton("Restore Files && Add To &Files List", this);
  BHiliteAll = new QPushButton("&HI-LITE ALL", this);
  BEmpty = new QPushButton("&Delete All (EMPTY)", this);
  BExit = new QPushButton("&Exit", this);
  Image1 = new TRecyclePreview(this);
  Image1->setMinimumSize(160, 120);
  Image1->setAlignment(Qt::AlignCenter);
  LDate = new QLabel("Date:", this);
  LSize = new QLabel("Size:", this);

  auto* counts = new QHBoxLayout;
  counts->addWidget(LTotal);
  counts->addWidget(LToRestore);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {BRestore, BRestoreAdd, BHiliteAll, BEmpty}) buttons->addWidget(b);
  buttons->addWidget(Image1);
  buttons->addWidget(LDate);
  buttons->addWidget(LSize);
  buttons->addStretch();
  buttons->addWidget(BExit);
  auto* left = new QVBoxLayout;
  left->addWidget(LSorted);
  left->addWidget(ListView1);
  left->addLayout(counts);
  auto* all = new QHBoxLayout(this);
  all->addLayout(left, 1);
  all->addLayout(buttons);

  connect(BRestore, &QPushButton::clicked, this, &TRecycleBinMenu::BRestoreClick);
  connect(BRestoreAdd, &QPushButton::clicked, this, &TRecycleBinMenu::BRestoreAddClick);
  connect(BHiliteAll, &QPushButton::clicked, this, &TRecycleBinMenu::BHiliteAllClick);
  connect(BEmpty, &QPushButton::clicked, this, &TRecycleBinMenu::BEmptyClick);
  connect(BExit, &QPushButton::clicked, this, &QDialog::close);
  connect(ListView1, &QTreeWidget::itemSelectionChanged, this, &TRecycleBinMenu::SelectionChanged);
  connect(ListView1, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem*, int) { OpenPreviewOfCurrent(); });

  // Another copy of the program changing the bin renames or adds files in its folder.
  watcher_ = new QFileSystemWatcher(this);
  watcher_->addPath(Q(bin_.folder()));
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { changed_ = true; });
  timer_ = new QTimer(this);
  timer_->setInterval(kRefreshMs);
  connect(timer_, &QTimer::timeout, this, &TRecycleBinMenu::Timer1Timer);
  timer_->start();

  resize(720, 420);
  ReloadList();
}

void TRecycleBinMenu::ReloadList() {
  ListView1->clear();
  QList<QTreeWidgetItem*> items;
  for (const std::string& line : bin_.ReadEntries()) {
    const auto entry = ParseIndexLine(line);
    if (!entry) continue;
    auto* item = new QTreeWidgetItem({"DELETED: " + Q(entry->former)});
    item->setData(0, kLineRole, Q(line));
    item->setData(0, kFormerRole, Q(entry->former));
    item->setData(0, kCopyRole, Q(entry->copy));
    items.append(item);
  }
  ListView1->addTopLevelItems(items);
  changed_ = false;
  SelectionChanged();
}

int TRecycleBinMenu::ListedCount() const { return ListView1->topLevelItemCount(); }

QString TRecycleBinMenu::ToRestoreText() const {
  const auto selected = ListView1->selectedItems().size();
  return selected == 0 ? QString("NONE") : QString::number(selected);
}

void TRecycleBinMenu::UpdateCounts() {
  LTotal->setText("Total files: " + QString::number(ListedCount()));
  LToRestore->setText("Total to Restore: " + ToRestoreText());
}

void TRecycleBinMenu::SelectionChanged() {
  const auto selected = ListView1->selectedItems();
  BRestore->setEnabled(!selected.isEmpty());
  BRestoreAdd->setEnabled(!selected.isEmpty());
  UpdateCounts();
  Image1->clear();
  Image1->SetFile({});
  LDate->setText("Date:");
  LSize->setText("Size:");
  if (selected.size() != 1) return;
  const QString copy = selected.front()->data(0, kCopyRole).toString();
  Image1->SetFile(S(copy));
  const QFileInfo info(copy);
  if (info.exists()) {
    LDate->setText("Date: " + info.lastModified().toString("yyyy-MM-dd hh:mm:ss"));
    LSize->setText("Size: " + QString::number(info.size()));
  }
  if (preview_loader_) {
    const QPixmap picture = preview_loader_(S(copy));
    if (!picture.isNull()) {
      Image1->setPixmap(
          picture.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
  }
}

void TRecycleBinMenu::RestoreSelected(bool add_to_list) {
  std::vector<std::string> restored;
  int done = 0;
  // From the bottom up, so removing rows leaves the ones still to do in place.
  for (int row = ListView1->topLevelItemCount() - 1; row >= 0; --row) {
    QTreeWidgetItem* item = ListView1->topLevelItem(row);
    if (!item->isSelected()) continue;
    const std::string line = S(item->data(0, kLineRole).toString());
    const std::string former = S(item->data(0, kFormerRole).toString());
    const RestoreResult result = bin_.Restore(line);
    if (!result.restored) ui_.Error(std::string(kRestoreFailedText) + "\r\r" + former);
    if (result.restored) restored.push_back(former);
    if (result.dropped) delete ListView1->takeTopLevelItem(row);
    ++done;
    UpdateCounts();
    if (done % 5 == 0) LTotal->repaint();
    if (done % 15 == 0) repaint();
  }
  SelectionChanged();
  if (add_to_list && add_to_files_list_ && !restored.empty()) add_to_files_list_(restored);
  bin_.RefreshState();
}

void TRecycleBinMenu::BRestoreClick() { RestoreSelected(false); }
void TRecycleBinMenu::BRestoreAddClick() { RestoreSelected(true); }
void TRecycleBinMenu::BHiliteAllClick() { ListView1->selectAll(); }

void TRecycleBinMenu::BEmptyClick() {
  const platform::Answer answer =
      ui_.Ask(platform::MessageKind::kWarning, "Warning", kEmptyBinQuestion, platform::kYesNo);
  if (answer == platform::Answer::kYes) {
    bin_.Empty();
    ListView1->clear();
    SelectionChanged();
  }
  bin_.RefreshState();
}

void TRecycleBinMenu::Timer1Timer() {
  if (changed_) ReloadList();
}

void TRecycleBinMenu::OpenPreviewOfCurrent() {
  QTreeWidgetItem* item = ListView1->currentItem();
  if (item != nullptr && open_preview_) open_preview_(S(item->data(0, kCopyRole).toString()));
}

void TRecycleBinMenu::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && ListView1->hasFocus()) {
    OpenPreviewOfCurrent();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace vr::recycle
