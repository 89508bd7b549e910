#pragma once
// The files list's view of the Notes database.

#include <functional>
#include <string>

#include "lists/files_list.h"

namespace vr::notes {
class NotesDatabase;
struct NotesRecord;
}  // namespace vr::notes

namespace vr::lists {

class DatabaseNotesAccess : public NotesAccess {
 public:
  // `field` picks the text shown in the "DB Field" column; the category by default.
  explicit DatabaseNotesAccess(notes::NotesDatabase& db,
                               std::function<std::string(const notes::NotesRecord&)> field = {});

  bool HasNote(const std::string& path) override;
  std::string DbField(const std::string& path) override;
  void WalkKeys(const std::function<bool(const std::string& key, bool live)>& visit) override;

 private:
  notes::NotesDatabase& db_;
  std::function<std::string(const notes::NotesRecord&)> field_;
};

}  // namespace vr::lists
