#pragma once
// The File menu's "&Export DataBase To Comma Delimited TEXT File" and "&Import DataBase From
// Comma Delimited TEXT File": the file dialogs, the run with its progress in the compaction
// window ("EXPORTING DATABASE..." / "IMPORTING DATABASE..."), and the closing message.

#include <functional>
#include <string>

#include "platform/services.h"

class QWidget;

namespace vr::notes {

class NotesDatabase;

class NotesTextController {
 public:
  // `database` gives the open Notes database (null when there is none); `enable_menus` is
  // called with false before a run and with true after it; `parent` owns the progress window.
  NotesTextController(platform::Services services, std::function<NotesDatabase*()> database,
                      std::function<void(bool on)> enable_menus, QWidget* parent = nullptr);

  void ExportClick();
  void ImportClick();
  // Runs an export to, or an import from, `path`.
  void Run(bool exporting, const std::string& path);

 private:
  NotesDatabase* OpenDatabase() const;

  platform::Services services_;
  std::function<NotesDatabase*()> database_;
  std::function<void(bool)> enable_menus_;
  QWidget* parent_;
};

}  // namespace vr::notes
