#pragma once
// Re-linking orphans during compaction: notes whose file is gone are matched by file name against
// the files of every drive, so a note follows a file that was moved outside this program.
//
// Each drive is walked depth first on its own: never into a folder where another drive is
// mounted, never through a symbolic link. A file is looked up once by its name (case ignored) in
// a table of the orphans, so the cost is one lookup per file, not one comparison per orphan. A
// file that already has a live note in the new database is not offered (linking would overwrite
// that note), and a file takes at most one orphan.
//
// A file of another name is offered too when it looks like a renamed one: its stamp and picture
// size equal the note's (notes hold no file size), and where the note has a fingerprint and a
// fingerprint maker is given, the file's print agrees. Such files are found through a table of
// the orphans' stamps, so only files with a matching stamp have their picture read. The question
// then says why the file is offered; same-name candidates are always offered first. With
// `link_sure_matches`, a file whose name, stamp and picture size all agree is linked without the
// question.
//
// After the walk, orphans on fixed disks are dropped; the rest (network, removable, CD-ROM, or on
// a removable-media mount that is absent now) are kept, listed in "~MISSING.TXT" and carried over
// by the compaction.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "notes/notes_record.h"
#include "platform/files.h"

namespace vr::notes {

class NotesDatabase;

struct RelinkHooks {
  platform::Files* files = nullptr;  // required: drives, listings
  // The question "Do you wish to LINK the file named ..."; true for Yes.
  std::function<bool(const std::string& found, const std::string& orphan)> ask_link;
  // The same question for a file of another name, with the reason it is offered (see
  // RenamedReason); absent: `ask_link` is asked.
  std::function<bool(const std::string& found, const std::string& orphan, const std::string& why)>
      ask_renamed;
  // The picture size of a file; false when it cannot be read. Absent: files of another name are
  // not looked at and no match counts as sure.
  std::function<bool(const std::string& path, int* width, int* height)> picture_size;
  // The fingerprint of a file in the stored form; false when it cannot be made. Absent: the
  // renamed match rests on stamp and picture size.
  std::function<bool(const std::string& path, std::array<uint8_t, kFingerPrintBytes>* print)>
      make_print;
  // Name, stamp and picture size agreeing link without the question.
  bool link_sure_matches = false;
  // After a No: the choice box and its confirmation. Gives the chosen action and whether it was
  // confirmed.
  enum class Action { kSkipAll = 1, kSkipDrive = 2, kSkipFolder = 3, kContinue = 4 };
  std::function<Action(const std::string& orphan, bool* confirmed)> choose_action;
  // "Resolving (" + orphans left + "):" + folder.
  std::function<void(const std::string& text)> status;
  // Runs the message loop (every 20 items); true when the user asked to skip the current drive.
  std::function<bool()> pump_and_poll_stop;
  // A compaction line ("<" moves one record from removed to kept).
  std::function<void(const std::string& line)> report_line;
  // The message before the list of orphans that stay, and showing that list's text file.
  std::function<void(const std::string& text)> inform;
  std::function<void(const std::string& path)> open_text_file;
  std::string temp_folder;  // where "~MISSING.TXT" goes (with a trailing separator)
};

// Whether `path` lies on a fixed disk by the drive table: the drive whose root is the longest
// prefix of the path decides, except that a path under a removable-media or share mount area
// (/media, /run/media, /mnt without `areas`; Files::MountAreas names them all) whose own mount
// is absent is not on a fixed disk.
bool OnFixedDisk(const std::string& path, const std::vector<platform::Drive>& drives);
bool OnFixedDisk(const std::string& path, const std::vector<platform::Drive>& drives,
                 const std::vector<std::string>& areas);
// The root of the drive holding `path` ("" when none does).
std::string DriveRootOf(const std::string& path, const std::vector<platform::Drive>& drives);

inline constexpr const char* kRelinkIntroText =
    "We are about to scan ALL of your drives, looking for filenames that match those ORPHANS "
    "found in the DataBase. ORPHANS are records in the DataBase that aren't LINKED to a valid "
    "file anymore. This can happen if you MOVED or RENAMED files without Veldrimon and these files "
    "had records in the DataBase. This process will try to find where those files were MOVED. Any "
    "files that were RENAMED of course will stay remaining missing from the DataBase because of "
    "course Veldrimon doesn't know what you may have renamed the file(s) to.";
inline constexpr const char* kStillUnlinkedText =
    "There were some files that are STILL un-linked from the Notes DataBase. These files were from "
    "either NETWORK, FLOPPY, ZIP, REMOVABLE or CD-ROM Drives. If you wish to get rid of these, use "
    "the \"Search/Edit DataBase\" Window from the Main Menu pulldown.\r\rThe files in question "
    "will now be shown as a .TXT file that you can save or whatever.";
inline constexpr const char* kMissingFileName = "~MISSING.TXT";
inline constexpr const char* kMissingFirstLine =
    "Files that possibly need removing from the Notes DataBase...";

// Why a file of another name is offered for an orphan's note.
std::string RenamedReason(int width, int height, bool print_checked);
// Whether two stored fingerprints are of the same picture (a re-decode may differ by rounding).
bool PrintsAgree(const std::array<uint8_t, kFingerPrintBytes>& a,
                 const std::array<uint8_t, kFingerPrintBytes>& b);
// One depth-first walk of a folder tree, shared by the re-link and the resolve window: a
// folder's entries in listing order, then its sub-folders; never into a folder where another
// drive of `drives` is mounted, never through a symbolic link.
struct FolderWalk {
  platform::Files* files = nullptr;                     // required
  const std::vector<platform::Drive>* drives = nullptr;  // mounts not to enter (may be null)
  std::string own_root;  // the drive being walked: its own mount point is entered
  bool sub_folders = true;
  // Told each folder as it is entered; false stops the walk.
  std::function<bool(const std::string& folder)> enter;
  // Told each entry of a folder (links and folders too); false stops the walk.
  std::function<bool(const std::string& folder, const platform::DirEntry& entry)> visit;
};
// Walks `folder` (with a trailing separator); false when a callback stopped the walk.
bool WalkFolders(const std::string& folder, const FolderWalk& walk);

// The re-link step (CompactionCallbacks::relink). Gives the number re-linked.
long RelinkOrphans(std::vector<std::string>* orphans, NotesDatabase& main, NotesDatabase& temp,
                   const RelinkHooks& hooks);

}  // namespace vr::notes
