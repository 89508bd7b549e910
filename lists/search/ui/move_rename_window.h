#pragma once
// "Move & Rename Functions": where the search report's previewed file goes. Method 1, "MANUAL
// (Move / Rename)", takes a folder and a name as typed; method 2 moves the file, under its own
// name, to a folder picked from the history of earlier targets (settings "Recent List",
// MoveList_0 to MoveList_14, newest first).

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace vr::platform {
class ProfileFile;
}

namespace vr::search_ui {

inline constexpr const char* kMoveRenameCaption = "Move & Rename Functions";
inline constexpr const char* kManualMethod = "MANUAL (Move / Rename)";
inline constexpr const char* kHistoryMethod = "Move To A Folder From The History List";
inline constexpr const char* kMoveHistoryKey = "MoveList_";
inline constexpr const char* kBadNewName =
    "The new file name must not be empty and must not hold a folder separator.";

// The move history as the settings file holds it; entries that are not folders of this system
// (the "C:\" a cleared history writes) are left out.
std::vector<std::string> ReadMoveHistory(const platform::ProfileFile& settings);
void WriteMoveHistory(platform::ProfileFile& settings, const std::vector<std::string>& folders);

class TMoveRenameWindow : public QDialog {
  Q_OBJECT

 public:
  TMoveRenameWindow(const std::string& path, const std::vector<std::string>& history,
                    QWidget* parent = nullptr);

  QRadioButton* Manual() const { return manual_; }
  QRadioButton* FromHistory() const { return from_history_; }
  QLineEdit* FolderEdit() const { return folder_; }
  QLineEdit* NameEdit() const { return name_; }
  QComboBox* HistoryBox() const { return history_; }

  // The folder (with its trailing separator) and the name chosen; the name is empty when it
  // would leave the folder.
  std::string TargetFolder() const;
  std::string TargetName() const;

 private:
  std::string source_name_;
  std::string source_folder_;
  QRadioButton* manual_ = nullptr;
  QRadioButton* from_history_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QLineEdit* name_ = nullptr;
  QComboBox* history_ = nullptr;
};

}  // namespace vr::search_ui
