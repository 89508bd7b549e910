#pragma once
// The files list as a virtual table: rows are answered from the list's entries when the view
// asks for them, so 100,000 entries cost no item objects. The same model feeds the detailed view
// (nine columns) and the thumbnail view (column 0 with a thumbnail decoration).

#include <QAbstractTableModel>
#include <QPixmap>
#include <functional>

#include "lists/files_list.h"

namespace vr::list_window {

inline constexpr int kColumnCount = 9;
inline constexpr const char* kColumnCaptions[kColumnCount] = {
    "Filename", "Size", "Modified", "Colors", "Dimension", "Type", "Movie", "DB Field", "Folder"};
// The sort kind of each column's header.
inline constexpr int kColumnSortKind[kColumnCount] = {
    lists::kSortName,    lists::kSortSize,      lists::kSortModified,
    lists::kSortColours, lists::kSortDimension, lists::kSortType,
    lists::kSortMovie,   lists::kSortDbField,   lists::kSortFolder};
inline constexpr int kDbFieldColumn = 7;

// The text of one cell (also used by tests and printing).
std::string CellText(const lists::FileEntry& entry, int column);

class FilesTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit FilesTableModel(lists::FilesList& list, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  Qt::DropActions supportedDragActions() const override;

  // The thumbnail of a row for the icon view (null: none yet).
  void SetThumbnailProvider(std::function<QPixmap(int row)> provider) {
    thumbnails_ = std::move(provider);
  }
  // Freezes the row count during a bulk update.
  void Freeze(bool frozen);
  // The list changed as a whole (load, sort, operation).
  void Refresh();
  void RowChanged(int row);
  // Tags toggled through the check box (the status bar follows).
  std::function<void(int row)> on_tag_toggled;

 private:
  lists::FilesList& list_;
  std::function<QPixmap(int)> thumbnails_;
  bool frozen_ = false;
  int frozen_rows_ = 0;
};

}  // namespace vr::list_window
