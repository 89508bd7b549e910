#pragma once
// The parts of the viewer that the composition root (app/) makes and hands to the main window:
// the files list, the recycle bin and the Notes database's opening. The window uses them; it
// makes none of them itself.

#include <functional>
#include <memory>
#include <string>

namespace vr::lists {
class FilesList;
class NotesAccess;
}  // namespace vr::lists
namespace vr::notes {
class NotesDatabase;
}
namespace vr::recycle {
class RecycleBin;
}

namespace vr::shell::ui {

// Opens and closes the Notes database. The window opens it at start-up from the settings' name
// and again whenever a later change names another one; whoever reads notes through the files
// list hears of each change.
class NotesService {
 public:
  virtual ~NotesService() = default;
  // Opens the database at `base` (closing the one open); false when it cannot be opened, and
  // then none is open.
  virtual bool Open(const std::string& base) = 0;
  virtual void Close() = 0;
  // The open database, or null.
  virtual notes::NotesDatabase* database() const = 0;
  // Called after every open and close with the files list's view of the database (null: none).
  virtual void SetOnChange(std::function<void(lists::NotesAccess*)> on_change) = 0;
};

struct ViewerParts {
  // Out of line: the parts' classes are only declared here.
  ViewerParts();
  ~ViewerParts();
  ViewerParts(ViewerParts&&) noexcept;
  ViewerParts& operator=(ViewerParts&&) noexcept;

  std::unique_ptr<lists::FilesList> files_list;  // required
  // The bin in the program folder, not yet started (the window starts it once its settings are
  // read); null when the services cannot hold one.
  std::unique_ptr<recycle::RecycleBin> recycle_bin;
  std::unique_ptr<NotesService> notes;  // required
};

}  // namespace vr::shell::ui
