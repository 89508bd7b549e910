#pragma once
// "Album Properties": the album type (NORMAL or FOLDER) and the folder a FOLDER album is locked
// to, kept as "Sync_Folder" in the album's "AlbumINI.TXT". "Album.Txt" is never touched here, so
// unlocking returns the album to its last stored list.

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vr::platform {
class Ui;
}

namespace vr::albums::ui {

class TAlbumPropMenu : public QDialog {
 public:
  TAlbumPropMenu(std::string album_folder, bool new_album, platform::Ui& ui,
                 QWidget* parent = nullptr);

  void ApplyClick();
  void CancelClick();
  void BrowseClick();
  // True after "&Apply" changed the type or the folder.
  bool changed() const { return changed_; }
  bool folder_album() const;

  QRadioButton* NormalButton() const { return normal_; }
  QRadioButton* FolderButton() const { return folder_; }
  QLineEdit* FolderEdit() const { return edit_; }

  static constexpr const char* kUnlockText =
      "Since you are UN-LOCKING the Album with a specific folder, the Album will be empty or "
      "contain files that were in that Album at the time you had changed it's property to "
      "\"FOLDER\". Select \"Folder\" if you don't want that to happen.";
  static constexpr const char* kLockText =
      "Since you are LOCKING the Album with a specific folder, the Album will now only contain "
      "files that are in the specified folder. Any files you had put into this Album will be "
      "removed from the Album. If you don't want this to happen, select \"NORMAL\".";

 private:
  void TypeChosen(bool folder);

  std::string album_folder_;
  std::string old_value_;
  bool new_album_;
  bool opened_as_folder_;
  bool changed_ = false;
  platform::Ui& ui_;
  QRadioButton* normal_ = nullptr;
  QRadioButton* folder_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QPushButton* browse_ = nullptr;
};

}  // namespace vr::albums::ui
