#pragma once
// The "RECYCLE BIN" window: lists the bin's entries newest first, restores the highlighted ones
// (optionally adding them to the files list), empties the bin, previews one entry, and reads the
// bin again within 2000 ms of another copy of the program changing it.

#include <QDialog>
#include <QLabel>
#include <QPoint>
#include <functional>
#include <string>
#include <vector>

class QFileSystemWatcher;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace vr::platform {
class Ui;
}

namespace vr::recycle {

class RecycleBin;

// The preview picture of the selected entry; its copy can be dragged out to other programs.
class TRecyclePreview : public QLabel {
  Q_OBJECT
 public:
  explicit TRecyclePreview(QWidget* parent = nullptr) : QLabel(parent) {}
  void SetFile(const std::string& path) { path_ = path; }
  const std::string& file() const { return path_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  std::string path_;
  QPoint press_;
};

class TRecycleBinMenu : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kRefreshMs = 2000;

  TRecycleBinMenu(RecycleBin& bin, platform::Ui& ui, QWidget* parent = nullptr);

  // Hooks the rest of the program supplies.
  void SetAddToFilesList(std::function<void(const std::vector<std::string>&)> add) {
    add_to_files_list_ = std::move(add);
  }
  void SetOpenPreview(std::function<void(const std::string& path)> open) {
    open_preview_ = std::move(open);
  }
  void SetPreviewLoader(std::function<QPixmap(const std::string& path)> loader) {
    preview_loader_ = std::move(loader);
  }

  // Reads the bin again into the list.
  void ReloadList();
  // What the window's counts say ("Total files:" figure, "Total to Restore:" text).
  int ListedCount() const;
  QString ToRestoreText() const;

  // Controls, under their layout names, for the program and its tests.
  QTreeWidget* ListView1 = nullptr;
  QLabel* LSorted = nullptr;
  QLabel* LTotal = nullptr;
  QLabel* LToRestore = nullptr;
  QPushButton* BRestore = nullptr;
  QPushButton* BRestoreAdd = nullptr;
  QPushButton* BHiliteAll = nullptr;
  QPushButton* BEmpty = nullptr;
  QPushButton* BExit = nullptr;
  TRecyclePreview* Image1 = nullptr;
  QLabel* LDate = nullptr;
  QLabel* LSize = nullptr;

 public slots:
  void BRestoreClick();
  void BRestoreAddClick();
  void BHiliteAllClick();
  void BEmptyClick();
  void Timer1Timer();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void RestoreSelected(bool add_to_list);
  void SelectionChanged();
  void UpdateCounts();
  void OpenPreviewOfCurrent();

  RecycleBin& bin_;
  platform::Ui& ui_;
  QFileSystemWatcher* watcher_ = nullptr;
  QTimer* timer_ = nullptr;
  bool changed_ = false;
  std::function<void(const std::vector<std::string>&)> add_to_files_list_;
  std::function<void(const std::string&)> open_preview_;
  std::function<QPixmap(const std::string&)> preview_loader_;
};

}  // namespace vr::recycle
