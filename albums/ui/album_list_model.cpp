#include "albums/ui/album_list_model.h"

#include "platform/path_rules.h"

namespace vr::albums::ui {

int AlbumListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries_->size());
}

int AlbumListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant AlbumListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(entries_->size())) return {};
  const AlbumEntry& e = (*entries_)[static_cast<size_t>(index.row())];
  if (role == Qt::DisplayRole) {
    const std::string text =
        index.column() == 0 ? platform::NameOf(e.path) : platform::FolderOf(e.path);
    return QString::fromStdString(text);
  }
  if (role == Qt::CheckStateRole && index.column() == 0) {
    return e.tagged ? Qt::Checked : Qt::Unchecked;
  }
  return {};
}

bool AlbumListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || index.column() != 0 ||
      index.row() >= static_cast<int>(entries_->size())) {
    return false;
  }
  (*entries_)[static_cast<size_t>(index.row())].tagged =
      value.toInt() == static_cast<int>(Qt::Checked);
  emit dataChanged(index, index, {Qt::CheckStateRole});
  return true;
}

Qt::ItemFlags AlbumListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
  if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
  return f;
}

QVariant AlbumListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == 0 ? QStringLiteral("Filename") : QStringLiteral("Folder");
}

void AlbumListModel::Reset() {
  beginResetModel();
  endResetModel();
}

void AlbumListModel::TagsChanged() {
  if (entries_->empty()) return;
  emit dataChanged(index(0, 0), index(static_cast<int>(entries_->size()) - 1, 0),
                   {Qt::CheckStateRole});
}

}  // namespace vr::albums::ui
