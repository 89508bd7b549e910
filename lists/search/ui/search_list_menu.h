#pragma once
// "Search File List By...": the duplicate and given-text searches, the look-alike search and the
// "Search RESULTS Panel" with its commands (preview line, byte compare of two files, cutting,
// saving, loading and finding lines, teaching the learned mis-match list).

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lists/search/exclusion.h"
#include "lists/search/learned.h"
#include "lists/window/tag_ops.h"
#include "picture/ui/preview_panel.h"
#include "platform/services.h"

class QButtonGroup;
class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vr::lists {
class FilesList;
}
namespace vr::notes {
class NotesDatabase;
}
namespace vr::recycle {
class RecycleBin;
}

namespace vr::search_ui {

inline constexpr const char* kSearchCaption = "Search File List By...";
// Played when the window shows and hides, as for the files list window.
inline constexpr const char* kSwishIn = "Swishin.wav";
inline constexpr const char* kSwishOut = "Swishout.wav";
inline constexpr const char* kResultsCaption = "Search RESULTS Panel";
inline constexpr const char* kClearQuestion =
    "The results will be added on to the end of the results window. Do you wish to CLEAR the "
    "results window first?";
inline constexpr const char* kAbortFirst =
    "You need to ABORT the search process before you can close this window";
inline constexpr const char* kNeedTwoFiles =
    "You NEED to have ONLY 2 Files HI-LITED in the results window for the comparison feature to "
    "work!";
inline constexpr const char* kDifferentSizes = "Files have DIFFERENT SIZES";
inline constexpr const char* kDifferentData = "Files have DIFFERENT DATA";
inline constexpr const char* kCantBeFound = "Files can't be found";
inline constexpr const char* kSameFiles =
    "Files COMPARE. They are THE SAME!\r\rYou COULD consider deleting one of these files if they "
    "are YOUR files and not files needed by some application on your system :)";
inline constexpr const char* kOneFileTwice = "Both lines name the SAME file.";
inline constexpr const char* kCutQuestion =
    "Are you sure you want to REMOVE the HI-LITED LINES from the RESULTS WINDOW?";
inline constexpr const char* kLearnEmpty =
    "ERROR: If you don't HI-LITE at least 2 filenames from the Results Window, the list of "
    "MIS-MATCHES to ADD to the Mis-Match List will be empty!\r\rPress OK to continue to edit the "
    "MIS-MATCH List.";
inline constexpr const char* kLearnNotFiles =
    "ERROR: You must make sure that all HI-LITED items are actual filenames.\r\rGo back and "
    "HI-LITE some filenames that you know don't match with each other.";

struct SearchWindowServices {
  platform::Services platform;            // ui, files, folders and clock required
  notes::NotesDatabase* notes = nullptr;  // the print cache and the DB field
  // Rows highlighted in the files list window ("Search &HI-LITED"); empty: all only.
  std::function<std::vector<int>()> highlighted_rows;
  // After a tag set while searching: the files list window and the viewer follow.
  std::function<void(int row)> tag_toggled;
  // The settings file whose section "Recent List" holds the folders left out with "Use
  // EXCLUSION List" (read at each search); empty: the box is disabled.
  std::string settings_path;
  // Runs a modal window (QDialog::exec when empty); tests answer here.
  std::function<int(QDialog&)> exec_dialog;
  // The program's recycle bin: "&Delete" deletes through it (disabled without it), and its
  // state shows on that button.
  recycle::RecycleBin* bin = nullptr;
  // After a delete or a move from the report: the files list window and the viewer follow.
  std::function<void()> list_edited;
  // Loads the previewed file for the preview panel; empty: the program's preview loader.
  picture::PreviewLoader preview_loader;
  // Files its "Move & Rename Functions" moved, old path to new (the albums follow).
  std::function<void(const std::vector<std::pair<std::string, std::string>>&)> files_moved;
};

class TSearchListMenu : public QWidget {
  Q_OBJECT

 public:
  // `list` gives the files list of the moment (the viewer replaces it on a hand-over).
  TSearchListMenu(std::function<lists::FilesList&()> list, SearchWindowServices services,
                  QWidget* parent = nullptr);
  ~TSearchListMenu() override;

  // --- commands
  void SearchClick();       // the chosen option over the scope
  void ImageSearchClick();  // "Find Duplicate Images  By APPEARANCE :)"
  void AbortClick();
  void CompareClick();
  void CutLinesClick();
  void SaveClick();
  void LoadClick();
  void FindClick();
  void LearnClick();
  // Deletes the files of the highlighted lines through the recycle bin; their lines leave the
  // report.
  void DeleteClick();
  // "Move & Rename Functions" for the previewed file; its lines then name the new path.
  void MoveRenameClick();
  // The files list changed (a tag, a move): the preview and the delete button follow.
  void Refresh();
  // "Tag All But Best In Each Group": in each group of the report, every file except the one
  // with the most pixels (then the largest file, then the first listed); gives the count tagged.
  int TagAllButBestClick();
  // Opens "List of Folders to EXCLUDE or INCLUDE while searching for Duplicates".
  void ExclusionClick();

  // --- state, also for tests
  bool searching() const { return searching_; }
  std::vector<std::string> ReportLines() const;
  void SetReportLines(const std::vector<std::string>& lines);
  void SelectReportRows(const std::vector<int>& rows);
  QListWidget* ListBox1() const { return report_; }
  QButtonGroup* SearchOptions() const { return options_; }
  QButtonGroup* HowClose() const { return levels_; }
  QSpinBox* SESearchCol1() const { return column_; }
  QSpinBox* SESearch() const { return minimum_; }
  QLineEdit* ESearch() const { return text_; }
  QCheckBox* Check(int n) const { return checks_[static_cast<size_t>(n)]; }
  QCheckBox* UseExclusion() const { return use_exclusion_; }
  QCheckBox* TagWhileSearching() const { return tag_found_; }
  QRadioButton* ScopeHighlighted() const { return scope_highlighted_; }
  QPushButton* BAbort() const { return abort_; }
  QLabel* PreviewLabel() const { return preview_; }
  picture::TPreviewPanel* PreviewPanel() const { return preview_panel_; }
  QPushButton* DeleteButton() const { return delete_; }
  QPushButton* MoveButton() const { return move_; }
  // The file of the selected line ("" when none or several lines are selected).
  const std::string& previewed() const { return previewed_; }
  QLabel* ProgressLabel() const { return progress_; }
  // Called once per progress step of a running search (tests abort or drop files from here).
  void SetProgressHook(std::function<void(const std::string&)> hook) { hook_ = std::move(hook); }

  // The check boxes, in order.
  enum CheckBoxes {
    kBlackAndWhite, kBrightness, kAspect, kSmall, kTaggedOnly, kLearned, kForce, kQuality,
  };

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  std::vector<int> ScopeRows();
  bool BeginSearch();
  void EndSearch(const std::vector<std::string>& body, bool completed);
  void ShowProgress(const std::string& text);
  void TagFound(const lists::FilesList* searched, int32_t id);
  void SetBusy(bool busy);
  void PreviewSelected();
  std::vector<std::string> SelectedLines() const;
  std::string MemorizedPath() const;
  std::vector<std::string> SelectedFiles() const;
  // Rewrites (empty `to`: removes) every report line naming `from`.
  void ReplaceFileLines(const std::string& from, const std::string& to);
  void ShowBinState();
  void UpdateFileButtons();
  list_window::TagServices FileServices() const;
  void AfterFileChange();
  int RunDialog(QDialog& dialog);

  std::function<lists::FilesList&()> list_;
  SearchWindowServices services_;
  bool searching_ = false;
  bool abort_requested_ = false;
  std::string find_text_;
  std::string previewed_;
  std::function<void(const std::string&)> hook_;
  search::LearnedList learned_;
  search::ExclusionList exclusion_;

  QButtonGroup* options_ = nullptr;
  QButtonGroup* levels_ = nullptr;
  QSpinBox* column_ = nullptr;
  QSpinBox* minimum_ = nullptr;
  QLineEdit* text_ = nullptr;
  std::vector<QCheckBox*> checks_;
  QCheckBox* use_exclusion_ = nullptr;
  QCheckBox* tag_found_ = nullptr;
  QRadioButton* scope_all_ = nullptr;
  QRadioButton* scope_highlighted_ = nullptr;
  QPushButton* search_ = nullptr;
  QPushButton* image_ = nullptr;
  QPushButton* abort_ = nullptr;
  std::vector<QPushButton*> report_buttons_;
  QListWidget* report_ = nullptr;
  QLabel* preview_ = nullptr;
  picture::TPreviewPanel* preview_panel_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* move_ = nullptr;
  QLabel* progress_ = nullptr;
};

// Makes the window on first use and shows it.
TSearchListMenu& ShowSearchListMenu(std::unique_ptr<TSearchListMenu>& holder,
                                    std::function<lists::FilesList&()> list,
                                    SearchWindowServices services);
// True while the window exists and searches (drops onto the viewer wait for it).
inline bool SearchRunning(const std::unique_ptr<TSearchListMenu>& holder) {
  return holder && holder->searching();
}

}  // namespace vr::search_ui
