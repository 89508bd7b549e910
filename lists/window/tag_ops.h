#pragma once
// Operations on the tagged files of the files list window: tagging the highlighted rows, removing
// from the list, deleting through the recycle bin, copying and moving to a folder, renaming, and
// adding to or deleting from the Notes database.
//
// Every operation walks the entries from the last to the first, shows the current file in the
// please-wait window, lets the message loop run every 5 entries and stops when the stop button is
// pressed. Questions offer Yes / No / Yes to all / No to all; an answer "to all" holds until the
// operation ends. A file's companion (its path + ".LSAssoc") follows moves, copies, renames and
// deletions after its own question. Afterwards the current sort is applied again.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "lists/files_list.h"

namespace vr::notes {
class NotesDatabase;
}
namespace vr::recycle {
class RecycleBin;
}
namespace vr::platform {
class ConfirmScope;
class Files;
class MessagePump;
class PleaseWait;
class Ui;
}  // namespace vr::platform

namespace vr::list_window {

inline constexpr const char* kAssocSuffix = ".LSAssoc";
inline constexpr int kHistorySize = 15;

enum class RenameMethod {
  kAddToFront = 0,    // "Add to FRONT of filename"
  kAddToEnd = 1,      // "Add to END of filename"
  kReplaceFirst = 2,  // "Replace FIRST few characters"
  kDeleteFirst = 3,   // "Delete FIRST few characters"
  kDeleteLast = 4,    // "Delete LAST few characters"
};
inline constexpr const char* kRenameMethodCaptions[] = {
    "Add to FRONT of filename", "Add to END of filename", "Replace FIRST few characters",
    "Delete FIRST few characters", "Delete LAST few characters"};

// The new file name by a rename method; the extension (from the last ".") always stays. Empty
// when the result would have no base name or would leave the folder (a separator in the text).
std::string RenamedName(const std::string& name, RenameMethod method, const std::string& text,
                        int count);

// A drop-down history of target folders: at most 15, newest first, each with a trailing
// separator; a folder already listed keeps its place.
class FolderHistory {
 public:
  // Adds a folder (a separator is appended when missing) and gives it back as stored.
  std::string Use(const std::string& folder);
  const std::vector<std::string>& items() const { return items_; }
  void SetItems(std::vector<std::string> items);

 private:
  std::vector<std::string> items_;
};

struct TagServices {
  platform::Ui* ui = nullptr;                   // required
  platform::Files* files = nullptr;             // required
  platform::PleaseWait* please_wait = nullptr;  // optional
  platform::MessagePump* pump = nullptr;        // optional
  notes::NotesDatabase* notes = nullptr;        // optional
  recycle::RecycleBin* bin = nullptr;           // required for Delete
  // The table repaints and the search window refreshes after an operation.
  std::function<void()> refresh;
  // Files moved or renamed, old path to new: once at the end of an operation (or of a
  // MoveBatch), else once per TransferOne.
  std::function<void(const std::vector<std::pair<std::string, std::string>>&)> files_moved;
};

struct OperationResult {
  int done = 0;          // files the operation changed
  int failed = 0;        // files reported as failed
  bool stopped = false;  // the stop button ended the walk
};

inline constexpr const char* kNotConvertedHeading = "These files were NOT converted:";

// One conversion of the tagged files.
struct ConvertRequest {
  std::string extension;  // of the export window's active tab (".GIF")
  std::string into;       // target folder; empty: beside each source
  bool overwrite = false;  // the page's overwrite box: existing targets without asking
  // Shows the file in the viewer and writes the target; gives "" when written, else why not.
  std::function<std::string(const std::string& source, const std::string& target)> convert;
};

struct ConvertResult : OperationResult {
  std::vector<std::string> not_converted;  // sources that could not be converted
};

class TagOperations {
 public:
  TagOperations(lists::FilesList& list, TagServices services);

  // "Tag HI-LITED" / "UN-Tag HI-LITED" over the highlighted positions.
  void TagHighlighted(const std::vector<int>& positions, bool tag);
  void FlipTags();
  void NoTags();
  void SortByTag();

  OperationResult RemoveTagged();
  OperationResult DeleteTagged();
  OperationResult CopyTagged(const std::string& folder);
  OperationResult MoveTagged(const std::string& folder);
  OperationResult RenameTagged(RenameMethod method, const std::string& text, int count);
  OperationResult DbAddTagged();
  OperationResult DbDeleteTagged();
  // Converts the tagged files: "Converting:" + name in the please-wait window, the overwrite
  // question for existing targets (not for media files, which are not converted at all), and at
  // the end one message naming every file that was not converted.
  ConvertResult ConvertTagged(const ConvertRequest& request);

  // Protects (or un-protects) the tagged files after the question for each (Yes, No, Yes to
  // all, No to all). `process` does one file and gives "" with the new path, or the error text;
  // on an error the user may go on or skip the rest. A processed file's note and list entry
  // follow it to its new name.
  using ProtectFn = std::function<std::string(const std::string& path, std::string* new_path)>;
  OperationResult ProtectTagged(bool protect, const ProtectFn& process);

  // The single-file steps of the walks above, for any window that deletes or moves one file of
  // the list (the search window's report does): the files list and the Notes database follow.
  enum class Outcome { kDone, kFailed, kSkipped };
  // Asks (through `confirm`), deletes `path` through the recycle bin (its companion after the
  // question in `companions`), then drops its note and its list entry.
  Outcome DeleteOne(const std::string& path, platform::ConfirmScope& confirm,
                    platform::ConfirmScope& companions);
  // Moves or copies `source` to `target`: an existing target only after the overwrite question;
  // the note moves (or is copied), the list entry of a moved file takes the new path and the
  // companion follows after its question.
  Outcome TransferOne(const std::string& source, const std::string& target, bool move,
                      platform::ConfirmScope& overwrite, platform::ConfirmScope& companions);
  // Overwrites an existing target after the user agreed; false (reported) when it failed.
  bool ReplaceTarget(const std::string& source, const std::string& target, bool move);
  // Moves (or copies) a companion file after its question; `target` is the main file's target.
  void FollowCompanion(const std::string& source, const std::string& target, const char* operation,
                       platform::ConfirmScope& answers, bool copy);

  // Collects the moves of several TransferOne calls into one files_moved report, handed over
  // when the outermost batch ends.
  class MoveBatch {
   public:
    explicit MoveBatch(TagOperations& ops) : ops_(ops) { ++ops_.batch_depth_; }
    ~MoveBatch() { ops_.EndBatch(); }
    MoveBatch(const MoveBatch&) = delete;
    MoveBatch& operator=(const MoveBatch&) = delete;

   private:
    TagOperations& ops_;
  };

  FolderHistory& copy_history() { return copy_history_; }
  FolderHistory& move_history() { return move_history_; }
  bool busy() const { return busy_; }

 private:
  using Visit = std::function<Outcome(int position, lists::FileEntry& entry)>;
  // Walks the given entries (by id, from the last to the first) until the stop button: entries
  // gone meanwhile are passed over, the message loop runs every 5 entries.
  OperationResult WalkTagged(const std::vector<int32_t>& ids, const Visit& visit);
  // One whole operation over the tagged entries: busy, the please-wait window, the walk, and
  // the sort applied again at the end.
  OperationResult RunWalk(const Visit& visit);
  OperationResult Transfer(const std::string& folder, bool move);
  void ShowFile(const std::string& text);
  void Pump(int step);
  bool Stopped() const;
  void Finish();
  void Moved(const std::string& source, const std::string& target);
  void EndBatch();

  lists::FilesList& list_;
  TagServices services_;
  FolderHistory copy_history_;
  FolderHistory move_history_;
  bool busy_ = false;
  int batch_depth_ = 0;
  std::vector<std::pair<std::string, std::string>> moves_;
};

}  // namespace vr::list_window
