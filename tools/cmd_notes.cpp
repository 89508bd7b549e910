// veldrimon-tool notes: the Notes database on the command line.
//   notes export DB OUT.TXT | import DB IN.TXT | get DB PATH | set DB PATH [options]
//   notes delete DB PATH | compact DB [--relink ROOT...]
//   notes search DB [--filename T] [--category T] [--type1 T] [--type2 T] [--value1 T]
//                   [--value2 T] [--keywords T] [--notes T] [--deleted|--either]
// DB is the base path without extension. The status of the operation is the exit code.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "notes/notes_database.h"
#include "notes/notes_relink.h"
#include "notes/notes_search.h"
#include "lists/search/fingerprint.h"
#include "picture/load/loader.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "notes/notes_text.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

using vr::notes::NotesDatabase;
using vr::notes::NotesRecord;

// The re-link walks the given folders as the fixed drives, and nothing else.
class RootsAsDrives : public vr::platform::PosixFiles {
 public:
  explicit RootsAsDrives(const std::vector<std::string>& roots) {
    for (const std::string& root : roots) {
      vr::platform::Drive d;
      d.root = vr::platform::WithTrailingSeparator(root);
      d.type = vr::platform::DriveType::kFixed;
      drives_.push_back(d);
    }
  }
  std::vector<vr::platform::Drive> Drives() override { return drives_; }

 private:
  std::vector<vr::platform::Drive> drives_;
};

void Fail(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

// Shows a message with its "\r" line breaks as real ones.
std::string Lines(std::string text) {
  for (char& c : text) {
    if (c == '\r') c = '\n';
  }
  return text;
}

bool Open(NotesDatabase& db, const std::string& base) {
  if (db.OpenNotesDatabase(base) != 0) {
    Fail(db.LastOpenReport().message.empty() ? "cannot open " + base
                                             : Lines(db.LastOpenReport().message));
    return false;
  }
  if (!db.LastOpenReport().message.empty()) Fail(db.LastOpenReport().message);
  return true;
}

int Close(NotesDatabase& db, int status) {
  const auto closed = db.CloseNotesDatabase();
  if (closed.status != 0) {
    Fail(closed.message);
    return status != 0 ? status : static_cast<int>(closed.status);
  }
  return status;
}

bool ParseNumber(const std::string& text, int32_t* out) {
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
  *out = static_cast<int32_t>(v);
  return true;
}

void PrintRecord(const NotesRecord& r) {
  std::printf("FileNameKey=%s\n", r.file_name_key.c_str());
  std::printf("FolderNumber=%d\n", r.folder_number);
  std::printf("LiveFlag=%d\n", r.live_flag);
  std::printf("Category=%s\n", r.category.c_str());
  std::printf("SubCategory1=%s\n", r.sub_category1.c_str());
  std::printf("SubCategory2=%s\n", r.sub_category2.c_str());
  std::printf("Number1=%d\n", r.number1);
  std::printf("Number2=%d\n", r.number2);
  std::printf("KeyWords=%s\n", r.key_words.c_str());
  std::printf("Notes=%s\n", r.notes.c_str());
  std::printf("FileModifiedDate=%d\n", r.file_modified_date);
  std::string print;
  for (size_t i = 0; i < r.finger_print_data.size(); ++i) {
    if (i > 0) print.push_back(',');
    print += std::to_string(r.finger_print_data[i]);
  }
  std::printf("FingerPrintData=%s\n", print.c_str());
  std::printf("ResX=%d\n", r.res_x);
  std::printf("ResY=%d\n", r.res_y);
}

int RunNotes(const std::vector<std::string>& args) {
  if (args.size() < 2) {
    Fail("usage: notes export|import|get|set|delete|compact|search DB ...");
    return 2;
  }
  const std::string& verb = args[0];
  const std::string& base = args[1];
  NotesDatabase db;

  const bool relink = args.size() >= 4 && args[2] == "--relink";
  if (verb == "compact" && (args.size() == 2 || relink)) {
    long kept = 0;
    long removed = 0;
    vr::notes::CompactionCallbacks callbacks;
    callbacks.report_error = [](const std::string& text) { Fail(text); };
    callbacks.report_line = [&](const std::string& text) {
      if (text.empty()) return;
      if (text[0] == '+') ++kept;
      if (text[0] == '-') ++removed;
      if (text[0] == '<') {
        ++kept;
        --removed;
      }
    };
    RootsAsDrives files(relink ? std::vector<std::string>(args.begin() + 3, args.end())
                               : std::vector<std::string>{});
    vr::notes::RelinkHooks hooks;
    hooks.files = &files;
    hooks.ask_link = [](const std::string& found, const std::string& orphan) {
      std::printf("link %s -> %s\n", orphan.c_str(), found.c_str());
      return true;
    };
    // Files of another name are offered when stamp, picture size and fingerprint agree.
    hooks.ask_renamed = [](const std::string& found, const std::string& orphan,
                           const std::string& why) {
      std::printf("link %s -> %s (%s)\n", orphan.c_str(), found.c_str(), why.c_str());
      return true;
    };
    hooks.picture_size = [](const std::string& path, int* width, int* height) {
      const vr::picture::PictureInfo info = vr::picture::ReadPictureInfo(path);
      *width = info.width;
      *height = info.height;
      return info.opened && info.width > 0 && info.height > 0;
    };
    hooks.make_print = [](const std::string& path,
                          std::array<uint8_t, vr::notes::kFingerPrintBytes>* print) {
      const vr::search::MadePrint made = vr::search::MakeFingerPrint(path);
      if (made.failed) return false;
      vr::search::PrintToStored(made.print, print);
      return true;
    };
    hooks.report_line = callbacks.report_line;
    hooks.inform = [](const std::string&) {};
    hooks.open_text_file = [](const std::string& path) {
      std::printf("missing list %s\n", path.c_str());
    };
    std::error_code ec;
    hooks.temp_folder =
        vr::platform::WithTrailingSeparator(std::filesystem::temp_directory_path(ec).string());
    if (relink) {
      callbacks.relink = [&hooks](std::vector<std::string>* orphans, NotesDatabase& main,
                                  NotesDatabase& temp) {
        return vr::notes::RelinkOrphans(orphans, main, temp, hooks);
      };
    }
    const auto result = vr::notes::CompactNotesDatabase(base, callbacks);
    std::printf("kept %ld removed %ld re-linked %ld\n", kept, removed, result.relinked);
    return static_cast<int>(result.status);
  }
  if (verb == "search") {
    vr::notes::NotesQuery query;
    static const char* const kOptions[vr::notes::kSearchFieldCount] = {
        "--filename", "--category", "--type1",    "--type2",
        "--value1",   "--value2",   "--keywords", "--notes"};
    for (size_t i = 2; i < args.size(); ++i) {
      if (args[i] == "--deleted") {
        query.type = vr::notes::SearchType::kDeletedOnly;
        continue;
      }
      if (args[i] == "--either") {
        query.type = vr::notes::SearchType::kEither;
        continue;
      }
      const auto* at = std::find(std::begin(kOptions), std::end(kOptions), args[i]);
      if (at == std::end(kOptions) || i + 1 >= args.size()) {
        Fail("bad search option: " + args[i]);
        return 2;
      }
      query.texts[static_cast<size_t>(at - std::begin(kOptions))] = args[++i];
    }
    if (!Open(db, base)) return 1;
    const std::vector<std::string> found = vr::notes::SearchNotes(db, query);
    for (const std::string& key : found) std::printf("%s\n", key.c_str());
    std::printf("Found:%zu\n", found.size());
    return Close(db, 0);
  }
  if ((verb == "export" || verb == "import") && args.size() == 3) {
    if (!Open(db, base)) return 1;
    const auto result = verb == "export" ? vr::notes::ExportNotesText(db, args[2])
                                         : vr::notes::ImportNotesText(db, args[2]);
    (result.status == 0 ? std::printf("%s\n", Lines(result.message).c_str())
                        : std::fprintf(stderr, "%s\n", Lines(result.message).c_str()));
    std::printf("records %ld\n", result.records);
    return Close(db, static_cast<int>(result.status));
  }
  if (verb == "get" && args.size() == 3) {
    if (!Open(db, base)) return 1;
    NotesRecord record;
    const auto status = db.ReadNote(args[2], &record);
    PrintRecord(record);
    return Close(db, static_cast<int>(status.status));
  }
  if (verb == "delete" && args.size() == 3) {
    if (!Open(db, base)) return 1;
    const auto status = db.DeleteNote(args[2]);
    if (status.status != 0) Fail(status.message);
    return Close(db, static_cast<int>(status.status));
  }
  if (verb == "set" && args.size() >= 3 && args.size() % 2 == 1) {
    if (!Open(db, base)) return 1;
    NotesRecord record;
    db.ReadNote(args[2], &record);  // keep the fields that are not given
    for (size_t i = 3; i + 1 < args.size(); i += 2) {
      const std::string& option = args[i];
      const std::string& value = args[i + 1];
      if (option == "--category") {
        record.category = value;
      } else if (option == "--type1") {
        record.sub_category1 = value;
      } else if (option == "--type2") {
        record.sub_category2 = value;
      } else if (option == "--keywords") {
        record.key_words = value;
      } else if (option == "--notes") {
        record.notes = value;
      } else if ((option == "--value1" && ParseNumber(value, &record.number1)) ||
                 (option == "--value2" && ParseNumber(value, &record.number2))) {
      } else {
        Fail("bad option or value: " + option + " " + value);
        return Close(db, 2);
      }
    }
    const auto status = db.WriteNote(args[2], record);
    if (status.status != 0) Fail(status.message);
    return Close(db, static_cast<int>(status.status));
  }
  Fail("usage: notes export|import|get|set|delete|compact|search DB ...");
  return 2;
}

Registration reg("notes",
                 "notes export DB OUT.TXT | import DB IN.TXT | get DB PATH | delete DB PATH | "
                 "compact DB [--relink ROOT...] | set DB PATH [--category T] [--type1 T] [--type2 T] [--value1 N] "
                 "[--value2 N] [--keywords T] [--notes T] | search DB [--filename T] "
                 "[--category T] [--type1 T] [--type2 T] [--value1 T] [--value2 T] "
                 "[--keywords T] [--notes T] [--deleted|--either]",
                 RunNotes);

}  // namespace
}  // namespace vr::tool
