#include "lists/window/ui/files_table_model.h"

#include <QDateTime>
#include <QMimeData>
#include <ctime>

#include "platform/files.h"

namespace vr::list_window {

namespace {

const char* const kKindNames[] = {"",    "AVI", "BMP",  "DCX", "EMF", "FLI", "GIF",  "ICO",
                                  "JPEG", "MID", "MOV", "MPEG", "PCX", "PIC", "PNG", "TGA",
                                  "WAV", "WMF", "WEBP", "TIFF", "HEIF"};

std::string DateText(int32_t stamp) {
  if (stamp < 0) return {};
  const std::time_t when = platform::UnpackDosStamp(static_cast<uint32_t>(stamp));
  if (when < 0) return {};
  return QDateTime::fromSecsSinceEpoch(when).toString("yyyy-MM-dd hh:mm:ss").toStdString();
}

}  // namespace

std::string CellText(const lists::FileEntry& entry, int column) {
  switch (column) {
    case 0:
      return entry.name;
    case 1:
      return entry.size >= 0 ? std::to_string(entry.size) : std::string();
    case 2:
      return DateText(entry.stamp);
    case 3:
      if (!entry.scanned) return {};
      return entry.colours == 16000 ? std::string("16M") : std::to_string(entry.colours);
    case 4:
      if (entry.width < 0 || entry.height < 0) return {};
      return std::to_string(entry.width) + "x" + std::to_string(entry.height);
    case 5:
      if (!entry.scanned) return {};
      return entry.type < std::size(kKindNames) ? kKindNames[entry.type]
                                                : std::to_string(entry.type);
    case 6:
      if (!entry.scanned) return {};
      return entry.movie ? "Yes" : "No";
    case 7:
      return entry.db_field;
    case 8:
      return entry.folder;
    default:
      return {};
  }
}

FilesTableModel::FilesTableModel(lists::FilesList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {}

int FilesTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return frozen_ ? frozen_rows_ : list_.Count();
}

int FilesTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant FilesTableModel::data(const QModelIndex& index, int role) const {
  const lists::FileEntry* entry = list_.Peek(index.row());
  if (entry == nullptr || !index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return QString::fromStdString(CellText(*entry, index.column()));
    case Qt::CheckStateRole:
      if (index.column() == 0) return entry->tagged ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::DecorationRole:
      if (index.column() == 0 && thumbnails_) {
        QPixmap pixmap = thumbnails_(index.row());
        if (!pixmap.isNull()) return pixmap;
      }
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() >= 1 && index.column() <= 4) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      }
      return {};
    default:
      return {};
  }
}

bool FilesTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || index.column() != 0) return false;
  const lists::FileEntry* entry = list_.Peek(index.row());
  if (entry == nullptr) return false;
  const bool tagged = value.toInt() == Qt::Checked;
  if (tagged != entry->tagged) {
    list_.SetTag(index.row(), tagged);
    if (on_tag_toggled) on_tag_toggled(index.row());
  }
  emit dataChanged(index, index, {Qt::CheckStateRole});
  return true;
}

QVariant FilesTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < kColumnCount) {
    return QString::fromLatin1(kColumnCaptions[section]);
  }
  if (orientation == Qt::Vertical && role == Qt::DisplayRole) return section + 1;
  return {};
}

Qt::ItemFlags FilesTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags =
      Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
  if (index.column() == 0) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

QStringList FilesTableModel::mimeTypes() const { return {"text/uri-list"}; }

Qt::DropActions FilesTableModel::supportedDragActions() const {
  return Qt::CopyAction | Qt::MoveAction;
}

void FilesTableModel::Freeze(bool frozen) {
  if (frozen) {
    frozen_rows_ = rowCount();
    frozen_ = true;
  } else {
    frozen_ = false;
    Refresh();
  }
}

void FilesTableModel::Refresh() {
  beginResetModel();
  endResetModel();
}

void FilesTableModel::RowChanged(int row) {
  if (row < 0 || row >= rowCount()) return;
  emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

}  // namespace vr::list_window
