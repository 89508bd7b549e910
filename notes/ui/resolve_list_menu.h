#pragma once
// "Resolve Bad Links For ShortCuts In Albums": the album files that were missing when an album
// loaded, each with the shortcut file that stands for it. "&Resolve/Fix" searches for the
// selected file by size and stamp (the "Missing Shortcut" window, whose buttons stay live while
// it searches), offers the candidates ("List of possible files that matched") or the open dialog,
// and hands the new location to the album's fix-entries step. The pairs still listed are read
// back by the caller when the window closes.

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "notes/resolve_search.h"
#include "platform/services.h"

class QLabel;
class QListWidget;
class QPushButton;
class QStatusBar;

namespace vr::notes {

class TResolveListMenu : public QDialog {
 public:
  TResolveListMenu(std::vector<ResolvePair> pairs, FixEntriesFn fix,
                   const platform::Services& services, QWidget* parent = nullptr);

  // Resolves the selected path (the first when none is selected).
  void ResolveClick();

  const std::vector<ResolvePair>& Pairs() const { return pairs_; }
  QListWidget* List() const { return list_; }
  std::string StatusText() const;
  // The "Missing Shortcut" window while a search runs (null otherwise).
  QDialog* MissingWindow() const { return missing_; }

  static constexpr const char* kCaption = "Resolve Bad Links For ShortCuts In Albums";
  static constexpr const char* kStillLeftText =
      "You still have some un-resolved links left to fix. It is suggested that you fix the "
      "remaining links. If you choose to exit, then those bad links will just show blank when you "
      "choose to view the file! Maybe you might want to remove those files from the Album "
      "later.\r\rDo you wish to exit?";

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  enum class Pressed { kNone, kBrowse, kCancel };
  std::optional<std::string> Locate(const Shortcut& missing);
  // The candidates window: the chosen path, or nothing; `browse` set when "&Browse" was pressed.
  std::optional<std::string> ChooseCandidate(const std::vector<std::string>& found, bool* browse);
  std::optional<std::string> BrowseFor(const std::string& path);
  void Status(const std::string& text);
  void Refill();
  bool MayClose();

  std::vector<ResolvePair> pairs_;
  FixEntriesFn fix_;
  platform::Services services_;
  QListWidget* list_ = nullptr;
  QPushButton* resolve_ = nullptr;
  QStatusBar* status_ = nullptr;
  QDialog* missing_ = nullptr;
  Pressed pressed_ = Pressed::kNone;
  bool closing_ok_ = false;
};

}  // namespace vr::notes
