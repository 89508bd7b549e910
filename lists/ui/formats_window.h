#pragma once
// The window "Select Formats For Loading": the allowable file types with a check mark each,
// "Use All", "Use None", "Use Movies", "Use Sounds", "Use Images" and "OK". Closing it with no
// item checked warns first ("CANCEL" stays open); closing rebuilds the allowable pattern.

#include <QDialog>

#include "lists/allowable_types.h"

class QListWidget;
class QPushButton;

namespace vr::platform {
class Ui;
}

namespace vr::lists {

class TFormatsMenu : public QDialog {
  Q_OBJECT
 public:
  // `columns` matches the "Setup File Types" list's column count.
  TFormatsMenu(AllowableTypes& types, platform::Ui& ui, int columns = 3, QWidget* parent = nullptr);

  // Shows the model's check marks again (after it was changed elsewhere).
  void LoadChecks();

  QListWidget* CheckListBox1 = nullptr;
  QPushButton* BUseAll = nullptr;
  QPushButton* BUseNone = nullptr;
  QPushButton* BUseMovies = nullptr;
  QPushButton* BUseSounds = nullptr;
  QPushButton* BUseImages = nullptr;
  QPushButton* BOk = nullptr;

 public slots:
  void BUseAllClick();
  void BUseNoneClick();
  void BUseMoviesClick();
  void BUseSoundsClick();
  void BUseImagesClick();

 protected:
  // Every way of closing (OK, Escape, the title bar) ends here.
  void done(int result) override;

 private:
  void StoreChecks();
  // False when the user chose to stay (no item checked and "CANCEL").
  bool MayClose();

  AllowableTypes& types_;
  platform::Ui& ui_;
};

}  // namespace vr::lists
