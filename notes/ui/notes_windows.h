#pragma once
// The viewer's ways into the Notes database: the "DB Field" column's field and the files list's
// view of the database, the record editor ("DB EDIT"), the quick store from the files list's
// one-line field, the search window, the compaction window and deleting the database. The main
// window owns one and calls into it from its menus and the files list window.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/services.h"

class QDialog;
class QWidget;

namespace vr::lists {
class FilesList;
class DatabaseNotesAccess;
}  // namespace vr::lists

namespace vr::notes {

class NotesDatabase;

struct NotesWindowsHost {
  platform::Services services;                   // ui, please_wait, pump used
  lists::FilesList* files_list = nullptr;        // required
  std::function<NotesDatabase*()> database;      // the main database (null or closed: none)
  std::function<bool()> reopen;                  // closes and opens the main database again
  std::function<std::string()> base_path;        // the main database's base path
  std::function<void()> fields_changed;          // entries' DB fields changed: redraw them
  std::function<void()> list_loaded;             // entries were added or the list cleared
  std::function<int(QDialog&)> exec;             // runs a modal window; absent: exec()
  QWidget* parent = nullptr;
};

// Shown when a command needs the database and none is open.
inline constexpr const char* kNoDatabaseText =
    "The Notes DataBase is not open, so this can't be done now. Restart Veldrimon, or use "
    "\"&Delete NOTES DataBase\" to start a new, empty one.";

// The threshold above which adding asks whether to go on.
inline constexpr int kAddThreshold = 6000;

inline constexpr const char* kDeleteFirstQuestion =
    "This will EMPTY the Files List first. If you had files TAGged and don't want to EMPTY the "
    "Files List, then press CANCEL, otherwise press OK";
inline constexpr const char* kDeleteSecondQuestion =
    "You are about to DELETE the Notes DataBase. ARE YOU SURE YOU WISH TO DO THIS?";

class NotesWindows {
 public:
  explicit NotesWindows(NotesWindowsHost host);
  ~NotesWindows();

  // The field (0 to 6) shown in the "DB Field" column, kept for the run.
  int db_field() const { return db_field_; }
  // Installs the files list's view of `db` (null: none) with the current field. Called after
  // every open, reopen and close of the main database.
  void Attach(NotesDatabase* db);
  // The viewer replaced its files list (a hand-over): the old one is gone and is not touched.
  void SetFilesList(lists::FilesList* list) { host_.files_list = list; }

  // "DB EDIT": the record editor for one file.
  void OpenEditor(const std::string& path);
  // The one-line field of the files list: stores `text` into the column's field of the note.
  // False (message shown) when there is no database or the store failed.
  bool WriteDbField(const std::string& path, const std::string& text);
  // Gives `value` to the field of every tagged file's note, in list order ("Processing File:").
  int ApplyToTagged(int field, const std::string& value);
  // Makes the column show `field` and reloads every entry's DB field from the database.
  void ChooseDbField(int field);
  // "&Search/Edit  && Load From DataBase": the search window.
  void OpenSearch();
  // The found files into the files list after the Yes (clear first) / No (add) / Cancel
  // question; shows the last one. False when cancelled.
  bool AddToFilesList(const std::vector<std::string>& paths);
  // "&Compact/Fix/Re-Link DataBase": the compaction window.
  void OpenCompaction();
  // "&Delete NOTES DataBase": after two OKs empties the files list, makes a new empty database
  // over the main one and opens it again.
  void DeleteDatabase();

 private:
  NotesDatabase* OpenDatabase(bool tell);
  int Exec(QDialog& dialog);
  void RefreshEntry(const std::string& path);
  void ReloadDbFields();
  void StoreFailed(const std::string& message);

  NotesWindowsHost host_;
  int db_field_;
  std::unique_ptr<lists::DatabaseNotesAccess> access_;
};

}  // namespace vr::notes
