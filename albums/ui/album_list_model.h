#pragma once
// The album's file list as a virtual table over the entries held in memory: rows are asked for
// when drawn, so an album of a hundred thousand files makes no row objects. Columns "Filename"
// and "Folder"; the first carries the entry's tag as a check box.

#include <QAbstractTableModel>
#include <vector>

#include "albums/album_file.h"

namespace vr::albums::ui {

class AlbumListModel : public QAbstractTableModel {
 public:
  explicit AlbumListModel(std::vector<AlbumEntry>* entries, QObject* parent = nullptr)
      : QAbstractTableModel(parent), entries_(entries) {}

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The entries changed as a whole (load, removal, sort).
  void Reset();
  // Tags changed in place.
  void TagsChanged();

 private:
  std::vector<AlbumEntry>* entries_;
};

}  // namespace vr::albums::ui
