// veldrimon-tool webpages FOLDER [--first-page-only] [--make-template] [--clean]
//                [--upload-list MODE] [--now "YYYY-MM-DD HH:MM:SS"] [--notes DB]
// Runs the web page wizard's page-making over a Web Folder with the options of its
// "webpages/WebInfo.INI": the messages the wizard would show go to standard error word for word,
// one line per page written to standard output ("page N PATH"); exit 1 when no page was written.
// --make-template writes "WP_Template.Html" instead, --clean deletes what the wizard made, and
// --upload-list prints the files an upload mode (1-5) hands to publishing, one path a line.
// --notes names a Notes database whose notes become captions (with "Notes_Captions" on).
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "notes/notes_database.h"
#include "platform/files.h"
#include "tools/tool_command.h"
#include "web/web_folder.h"
#include "web/web_run.h"

namespace vr::tool {
namespace {

void ToErr(const std::string& text) {
  std::string shown = text;
  for (char& c : shown) {
    if (c == '\r') c = '\n';
  }
  std::fprintf(stderr, "%s\n", shown.c_str());
}

bool ParseNow(const std::string& text, web::PageTime* time) {
  std::tm tm{};
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 6) {
    return false;
  }
  time->year = tm.tm_year;
  time->month = tm.tm_mon;
  time->day = tm.tm_mday;
  time->hour = tm.tm_hour;
  time->minute = tm.tm_min;
  time->second = tm.tm_sec;
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  tm.tm_isdst = -1;
  if (std::mktime(&tm) == -1) return false;
  time->weekday = tm.tm_wday;
  return true;
}

web::PageTime LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return web::PageTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
                       tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

int RunWebPages(const std::vector<std::string>& args) {
  std::string folder_path;
  bool first_only = false;
  bool make_template = false;
  bool clean = false;
  int upload_mode = 0;
  bool fixed_now = false;
  web::PageTime now;
  std::string notes_base;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
    if (a == "--first-page-only") {
      first_only = true;
    } else if (a == "--make-template") {
      make_template = true;
    } else if (a == "--clean") {
      clean = true;
    } else if (a == "--upload-list") {
      const std::string* v = value();
      upload_mode = v ? std::atoi(v->c_str()) : 0;
      if (upload_mode < web::kUploadAll || upload_mode > web::kUploadNeeded) {
        std::fprintf(stderr, "webpages: --upload-list takes a mode from 1 to 5\n");
        return 2;
      }
    } else if (a == "--now") {
      const std::string* v = value();
      if (v == nullptr || !ParseNow(*v, &now)) {
        std::fprintf(stderr, "webpages: --now takes \"YYYY-MM-DD HH:MM:SS\"\n");
        return 2;
      }
      fixed_now = true;
    } else if (a == "--notes") {
      const std::string* v = value();
      if (v == nullptr) return 2;
      notes_base = *v;
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "webpages: unknown option %s\n", a.c_str());
      return 2;
    } else if (folder_path.empty()) {
      folder_path = a;
    } else {
      std::fprintf(stderr, "webpages: one Web Folder only\n");
      return 2;
    }
  }
  if (folder_path.empty()) {
    std::fprintf(stderr, "webpages: a Web Folder is needed\n");
    return 2;
  }
  platform::PosixFiles files;
  const web::WebFolder folder(folder_path);
  if (!web::MakeSubfolders(folder, files)) {
    std::fprintf(stderr, "webpages: cannot make the sub-folders of %s\n", folder.root.c_str());
    return 1;
  }
  const web::WebOptions options = web::LoadWebOptions(folder);
  if (upload_mode != 0) {
    for (const std::string& path : web::UploadFiles(folder, upload_mode, files).All()) {
      std::printf("%s\n", path.c_str());
    }
    return 0;
  }
  if (clean) {
    web::CleanUp(folder, files);
    std::printf("cleaned %s\n", folder.root.c_str());
    return 0;
  }
  if (make_template) {
    std::string error;
    if (!web::MakeTemplate(folder, options, &error)) {
      std::fprintf(stderr, "webpages: %s: %s\n", folder.TemplatePath().c_str(), error.c_str());
      return 1;
    }
    std::printf("template %s\n", folder.TemplatePath().c_str());
    return 0;
  }

  notes::NotesDatabase db;
  const bool have_notes = !notes_base.empty() && db.OpenNotesDatabase(notes_base) == 0;
  if (!notes_base.empty() && !have_notes) {
    std::fprintf(stderr, "webpages: cannot open the Notes database %s\n", notes_base.c_str());
    return 1;
  }
  web::RunHooks hooks;
  hooks.warn = ToErr;
  hooks.inform = ToErr;
  hooks.now = [&]() { return fixed_now ? now : LocalNow(); };
  if (have_notes) {
    hooks.caption = [&db](const std::string& path) {
      notes::NotesRecord record;
      if (db.ReadNote(path, &record).status != 0 || record.live_flag != notes::kLive) return std::string();
      return record.notes;
    };
  }
  const web::RunResult result = web::MakePages(folder, options, first_only, files, hooks);
  if (have_notes) db.CloseNotesDatabase();
  for (size_t i = 0; i < result.written.size(); ++i) {
    std::printf("page %d %s\n", result.written[i].first, result.written[i].second.c_str());
  }
  if (result.pages_written > 0) ToErr(web::CompletedText(result.pages_written));
  return result.pages_written > 0 ? 0 : 1;
}

Registration reg("webpages",
                 "webpages FOLDER [--first-page-only] [--make-template] [--clean] "
                 "[--upload-list MODE] [--now \"YYYY-MM-DD HH:MM:SS\"] [--notes DB]",
                 RunWebPages);

}  // namespace
}  // namespace vr::tool
