// veldrimon-tool export FILE... --tab bmp|ico|png|jpg|gif|pcx|tga|pic [--item CAPTION|default]
//   [--closest] [--force-236] [--quality N] [--gray] [--interlaced] [--transparent N]
//   [--comment LINE]... [--into DIR] [--yes-to-all|--no-to-all] [--save OUT]
// Saves pictures as the export window does: each FILE becomes FILE's name with the tab's
// extension (in DIR when given, else beside FILE), or the one FILE is saved as OUT. One line per
// file: "written TARGET BYTES" or "skipped SOURCE: why"; exit 1 when any file failed.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "colour/export/export_picture.h"
#include "colour/export/export_source.h"
#include "colour/export/export_tabs.h"
#include "picture/picture_holder.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

struct ExportArgs {
  std::vector<std::string> files;
  int tab = -1;
  std::string item;  // empty: the tab's own default; "default": by the picture's depth
  colour::ExportChoices choices;
  int transparent = -1;
  std::string into;
  int overwrite = 0;  // 0: keep existing targets, 1: yes to all, -1: no to all
  std::string save;
};

bool ParseInt(const std::string& text, int low, int high, int* value) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || end == nullptr || *end != '\0' || v < low || v > high) return false;
  *value = static_cast<int>(v);
  return true;
}

// False with the message printed for bad arguments.
bool Parse(const std::vector<std::string>& args, ExportArgs& out) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--tab" && has_value) {
      out.tab = colour::FindExportTab(args[++i]);
      if (out.tab < 0) {
        std::fprintf(stderr, "export: unknown tab %s (bmp ico png jpg gif pcx tga pic)\n",
                     args[i].c_str());
        return false;
      }
    } else if (a == "--item" && has_value) {
      out.item = args[++i];
    } else if (a == "--closest") {
      out.choices.closest = true;
    } else if (a == "--force-236") {
      out.choices.force_236 = true;
    } else if (a == "--quality" && has_value) {
      if (!ParseInt(args[++i], 0, 100, &out.choices.jpeg_quality)) {
        std::fprintf(stderr, "export: quality must be 0 to 100\n");
        return false;
      }
    } else if (a == "--gray") {
      out.choices.jpeg_grayscale = true;
    } else if (a == "--interlaced") {
      out.choices.interlaced = true;
    } else if (a == "--transparent" && has_value) {
      if (!ParseInt(args[++i], 0, 255, &out.transparent)) {
        std::fprintf(stderr, "export: the transparent index must be 0 to 255\n");
        return false;
      }
    } else if (a == "--comment" && has_value) {
      out.choices.use_comments = true;
      out.choices.comments.push_back(args[++i]);
    } else if (a == "--into" && has_value) {
      out.into = args[++i];
    } else if (a == "--yes-to-all") {
      out.overwrite = 1;
    } else if (a == "--no-to-all") {
      out.overwrite = -1;
    } else if (a == "--save" && has_value) {
      out.save = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "export: unknown option %s\n", a.c_str());
      return false;
    } else {
      out.files.push_back(a);
    }
  }
  if (out.tab < 0 || out.files.empty()) {
    std::fprintf(stderr, "export: name the files and a --tab\n");
    return false;
  }
  if (!out.save.empty() && (out.files.size() != 1 || !out.into.empty())) {
    std::fprintf(stderr, "export: --save takes one file and no --into\n");
    return false;
  }
  if (!out.item.empty() && out.item != "default" &&
      colour::FindExportItem(out.tab, out.item) < 0) {
    std::string list;
    for (const char* caption : colour::ExportTabs()[out.tab].items) {
      list += std::string(list.empty() ? "" : ", ") + "\"" + caption + "\"";
    }
    std::fprintf(stderr, "export: the tab has no item \"%s\"%s%s\n", out.item.c_str(),
                 list.empty() ? "" : "; its items: ", list.c_str());
    return false;
  }
  if (out.transparent >= 0 && out.tab != colour::kTabGif) {
    std::fprintf(stderr, "export: --transparent is a GIF option\n");
    return false;
  }
  return true;
}

bool Exists(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

int RunExport(const std::vector<std::string>& args) {
  ExportArgs run;
  if (!Parse(args, run)) {
    std::fprintf(stderr,
                 "usage: veldrimon-tool export FILE... --tab bmp|ico|png|jpg|gif|pcx|tga|pic "
                 "[--item CAPTION|default] [--closest] [--force-236] [--quality N] [--gray] "
                 "[--interlaced] [--transparent N] [--comment LINE]... [--into DIR] "
                 "[--yes-to-all|--no-to-all] [--save OUT]\n");
    return 2;
  }
  const colour::ExportTab& tab = colour::ExportTabs()[run.tab];
  bool any_failed = false;
  picture::PictureHolder holder;
  for (const std::string& source : run.files) {
    const colour::ExportSourceFacts facts = colour::LoadExportSource(source, holder);
    if (!facts.ok) {
      std::printf("skipped %s: %s\n", source.c_str(), facts.why.c_str());
      any_failed = true;
      continue;
    }
    std::string target;
    if (!run.save.empty()) {
      std::string refusal;
      const auto resolved = colour::ResolveExportName(run.save, run.tab, &refusal);
      if (!resolved) {
        std::printf("skipped %s: %s\n", source.c_str(), refusal.c_str());
        any_failed = true;
        continue;
      }
      target = *resolved;
    } else {
      target = colour::ConvertTarget(source, run.into, tab.extension);
      if (Exists(target) && run.overwrite != 1) {
        std::printf("skipped %s: %s exists (--yes-to-all overwrites)\n", source.c_str(),
                    target.c_str());
        continue;
      }
    }
    colour::ExportChoices choices = run.choices;
    choices.tab = run.tab;
    choices.source_file = source;
    choices.item = run.item.empty()       ? tab.default_item
                   : run.item == "default" ? colour::DefaultItemForDepth(run.tab, facts.depth,
                                                                         tab.default_item)
                                           : colour::FindExportItem(run.tab, run.item);
    if (run.transparent >= 0) {
      const std::vector<picture::Rgb> palette = colour::PickerPalette(holder, choices);
      if (run.transparent >= static_cast<int>(palette.size())) {
        std::printf("skipped %s: the picker's palette has %zu colours\n", source.c_str(),
                    palette.size());
        any_failed = true;
        continue;
      }
      choices.transparent = palette[run.transparent];
    }
    colour::ExportNotify notify;
    notify.warn = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
    const colour::ExportOutcome outcome =
        colour::ExportPicture(target, holder, choices, facts.animated, notify);
    if (!outcome.ok) {
      std::printf("skipped %s: %s\n", source.c_str(), outcome.detail.c_str());
      any_failed = true;
      continue;
    }
    std::printf("written %s %llu\n", target.c_str(),
                static_cast<unsigned long long>(outcome.bytes));
  }
  return any_failed ? 1 : 0;
}

const Registration kExport("export",
                           "export FILE... --tab bmp|ico|png|jpg|gif|pcx|tga|pic [--item CAPTION|"
                           "default] [...]  save as the export window does",
                           RunExport);

}  // namespace
}  // namespace vr::tool
