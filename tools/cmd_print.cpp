// Either command takes --printer QUEUE in place of a PDF to print to a queue of the system's
// printers (CUPS_SERVER chooses the server).
//
// veldrimon-tool print FILE --out X.pdf [--landscape] [--no-aspect] [--true-size | --margins LR TB]
//   [--paper letter|a4] [--dpi N] [--margin IN]
// Prints one picture into a PDF as the viewer's "&Print" would (Letter, 300 dpi, quarter-inch
// margins unless told otherwise) and prints its rectangle: "left top right bottom".
//
// veldrimon-tool catalog FILE... --rows N --shape poster|landscape|square|bestfit --dest paper|WxH
//   [--pages all|RANGES | --page N] --out NAME.bmp|.jpg|.pdf [--paper letter|a4] [--dpi N]
//   [--margin IN] [--layout]
// Lays the files out as tagged entries of a thumbnail catalogue. Paper goes to a PDF of that
// paper, WxH pages to page files NAME_1.ext, NAME_2.ext...; --layout prints
// "page left top right bottom path" for each cell and draws nothing.
// Built only with the Qt print surfaces (the tool made without the GUI has no printing).
#if defined(VR_HAVE_PRINT_QT)
#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "picture/decode_options.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"
#include "platform/qt/printer_qt.h"
#include "platform/ui.h"
#include "print/catalog_output.h"
#include "print/placement.h"
#include "print/ui/painter_surface.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

// Messages go to the standard error; questions are answered with their first button.
class ConsoleUi : public platform::Ui {
 public:
  std::optional<std::string> PromptText(const std::string&, const std::string&,
                                        const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> PromptPassword(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::vector<std::string> OpenFiles(const platform::FileDialogOptions&) override { return {}; }
  std::optional<std::string> SaveFile(const platform::FileDialogOptions&) override {
    return std::nullopt;
  }
  std::optional<std::string> PickFolder(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  int messages = 0;

 protected:
  platform::Answer ShowMessage(platform::MessageKind, const std::string& title,
                               const std::string& text, unsigned buttons) override {
    ++messages;
    std::string shown = text;
    for (char& c : shown) {
      if (c == '\r') c = '\n';
    }
    std::fprintf(stderr, "%s: %s\n", title.c_str(), shown.c_str());
    if (buttons & platform::kButtonYes) return platform::Answer::kYes;
    return platform::Answer::kOk;
  }
  int ShowChoice(const std::string&, platform::ChoiceKind, const std::string& text,
                 const std::vector<std::string>&) override {
    std::fprintf(stderr, "%s\n", text.c_str());
    return 1;
  }
};

// QPrinter and QPainter's fonts need a GUI application; the tool has no screen.
void EnsureGui() {
  if (QCoreApplication::instance() != nullptr) return;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "veldrimon-tool";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[text.size() - tail.size() + i])) !=
        std::toupper(static_cast<unsigned char>(tail[i]))) {
      return false;
    }
  }
  return true;
}

// Reads the paper options shared by both commands; false on a bad value.
bool PaperOption(const std::vector<std::string>& args, size_t* i, platform::PdfPaper* paper) {
  const std::string& arg = args[*i];
  if (*i + 1 >= args.size()) return false;
  if (arg == "--paper") {
    const std::string& v = args[++*i];
    if (v != "letter" && v != "a4") return false;
    paper->letter = v == "letter";
  } else if (arg == "--dpi") {
    paper->dpi = std::atoi(args[++*i].c_str());
    if (paper->dpi < 36 || paper->dpi > 1200) return false;
  } else if (arg == "--margin") {
    paper->margin_inches = std::atof(args[++*i].c_str());
    if (paper->margin_inches < 0 || paper->margin_inches > 3) return false;
  } else {
    return false;
  }
  return true;
}

int PrintUsage() {
  std::fprintf(stderr,
               "usage: veldrimon-tool print FILE --out X.pdf [--landscape] [--no-aspect] "
               "[--true-size | --margins LR TB] [--paper letter|a4] [--dpi N] [--margin IN]\n");
  return 2;
}

int RunPrint(const std::vector<std::string>& args) {
  std::string file;
  platform::PdfPaper paper;
  print::PrintOptions options;
  std::string queue;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--printer" && i + 1 < args.size()) {
      queue = args[++i];
    } else if (arg == "--out" && i + 1 < args.size()) {
      paper.file = args[++i];
    } else if (arg == "--landscape") {
      options.landscape = true;
    } else if (arg == "--no-aspect") {
      options.keep_aspect = false;
    } else if (arg == "--true-size") {
      options.placement = print::Placement::kTrueSize;
    } else if (arg == "--margins" && i + 2 < args.size()) {
      options.placement = print::Placement::kMargins;
      options.margin_lr = args[++i];
      options.margin_tb = args[++i];
    } else if (arg == "--paper" || arg == "--dpi" || arg == "--margin") {
      if (!PaperOption(args, &i, &paper)) return PrintUsage();
    } else if (!arg.empty() && arg[0] == '-') {
      return PrintUsage();
    } else if (file.empty()) {
      file = arg;
    } else {
      return PrintUsage();
    }
  }
  if (file.empty() || paper.file.empty() == queue.empty()) return PrintUsage();

  // Media files are not pictures; a file that cannot be read is not printed as the failure dot.
  const uint16_t kind = picture::KindFromName(file);
  if (picture::IsMediaKind(kind)) {
    std::fprintf(stderr, "not a picture: %s\n", file.c_str());
    return 1;
  }
  picture::PictureHolder holder;
  picture::LoadDetails details;
  picture::LoadPicture(file, holder, picture::DecodeOptions{}, &details);
  if (details.failed || holder.AsBitmap().Empty()) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return 1;
  }
  EnsureGui();
  platform::PrinterQt printer(paper);
  if (!queue.empty()) printer.SetQueue(queue);
  if (options.landscape) printer.SetOrientation(platform::PageOrientation::kLandscape);
  platform::PrinterGeometry g;
  if (!printer.Geometry(&g)) {
    std::fprintf(stderr, "%s\n", print::kNoPrinterMessage);
    return 1;
  }
  const print::PlacedPicture placed = print::PlacePicture(
      holder.Width(), holder.Height(), {g.page_width, g.page_height, g.dpi_x, g.dpi_y}, options);
  if (placed.no_room) {
    std::fprintf(stderr, "%s\n", print::kNoRoomMessage);
    return 1;
  }
  std::string title = file.substr(file.find_last_of('/') + 1);
  if (!printer.BeginDocument(title) || printer.painter() == nullptr) {
    std::fprintf(stderr, "%s\n", print::kNoPrinterMessage);
    return 1;
  }
  print::ui::PainterSurface surface(*printer.painter(), g.page_width, g.page_height,
                                    print::ui::PrinterCaptionFont());
  surface.StretchBitmap(holder.AsBitmap(),
                        {placed.left, placed.top, placed.right, placed.bottom});
  if (!printer.EndDocument()) {
    std::fprintf(stderr, "%s\n", print::kNoPrinterMessage);
    return 1;
  }
  std::printf("%d %d %d %d\n", placed.left, placed.top, placed.right, placed.bottom);
  return 0;
}

int CatalogUsage() {
  std::fprintf(stderr,
               "usage: veldrimon-tool catalog FILE... --rows N --shape "
               "poster|landscape|square|bestfit --dest paper|WxH [--pages all|RANGES | --page N] "
               "--out NAME.bmp|.jpg|.pdf [--paper letter|a4] [--dpi N] [--margin IN] "
               "[--layout]\n");
  return 2;
}

int RunCatalog(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  platform::PdfPaper paper;
  std::string out;
  int rows = 3;
  int shape = print::kBestFit;
  bool to_paper = true;
  int width = 0;
  int height = 0;
  print::PageChoice choice = print::PageChoice::kAll;
  std::string ranges;
  int current = 1;
  bool layout_only = false;
  std::string queue;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool has_value = i + 1 < args.size();
    if (arg == "--printer" && has_value) {
      queue = args[++i];
    } else if (arg == "--rows" && has_value) {
      rows = std::atoi(args[++i].c_str());
      if (rows < print::kMinRows || rows > print::kMaxRows) return CatalogUsage();
    } else if (arg == "--shape" && has_value) {
      const std::string& v = args[++i];
      static const char* const kShapes[] = {"poster", "landscape", "square", "bestfit"};
      shape = -1;
      for (int s = 0; s < 4; ++s) {
        if (v == kShapes[s]) shape = s;
      }
      if (shape < 0) return CatalogUsage();
    } else if (arg == "--dest" && has_value) {
      const std::string& v = args[++i];
      to_paper = v == "paper";
      if (!to_paper && (std::sscanf(v.c_str(), "%dx%d", &width, &height) != 2 || width < 1 ||
                        height < 1 || width > 10000 || height > 10000)) {
        return CatalogUsage();
      }
    } else if (arg == "--pages" && has_value) {
      const std::string& v = args[++i];
      if (v == "all") {
        choice = print::PageChoice::kAll;
      } else {
        choice = print::PageChoice::kRanges;
        ranges = v;
      }
    } else if (arg == "--page" && has_value) {
      choice = print::PageChoice::kCurrent;
      current = std::atoi(args[++i].c_str());
    } else if (arg == "--out" && has_value) {
      out = args[++i];
    } else if (arg == "--paper" || arg == "--dpi" || arg == "--margin") {
      if (!PaperOption(args, &i, &paper)) return CatalogUsage();
    } else if (arg == "--layout") {
      layout_only = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return CatalogUsage();
    } else {
      files.push_back(arg);
    }
  }
  if (!queue.empty() && (!to_paper || !out.empty())) return CatalogUsage();
  if (files.empty() || (out.empty() && queue.empty() && !layout_only)) return CatalogUsage();
  if (!layout_only && queue.empty() && to_paper != EndsWithNoCase(out, ".pdf")) {
    return CatalogUsage();
  }

  std::vector<print::CatalogEntry> entries;
  for (size_t i = 0; i < files.size(); ++i) {
    const picture::PictureInfo info = picture::ReadPictureInfo(files[i]);
    print::CatalogEntry entry;
    entry.path = files[i];
    entry.width = info.width > 0 ? info.width : -1;
    entry.height = info.height > 0 ? info.height : -1;
    entry.list_index = static_cast<int>(i);
    entries.push_back(std::move(entry));
  }

  EnsureGui();
  std::unique_ptr<platform::PrinterQt> printer;
  print::TCatalogData page;
  print::LayoutParams params;
  params.rows = rows;
  params.shape = shape;
  if (to_paper) {
    paper.file = out.empty() ? std::string("/dev/null") : out;
    printer = std::make_unique<platform::PrinterQt>(paper);
    if (!queue.empty()) printer->SetQueue(queue);
    page = print::ui::PrinterCatalogPage(printer.get());
    params.caption_height = print::PaperCaptionHeight(print::ui::PrinterFontHeight(printer.get()));
  } else {
    page = print::TCatalogData{width, height, 0, 0, false};
    params.caption_height = print::kFileCaptionHeight;
  }

  if (layout_only) {
    print::LayoutSink sink;
    sink.cell = [&](const print::CatalogCell& cell) {
      std::printf("%d %d %d %d %d %s\n", cell.page, cell.left, cell.top, cell.right, cell.bottom,
                  entries[cell.entry].path.c_str());
      return true;
    };
    const print::LayoutResult result = print::RunLayout(entries, page, params, sink);
    if (!result.ok) {
      std::fprintf(stderr, "%s\n", print::kBuildError);
      return 1;
    }
    return 0;
  }

  const print::LayoutResult counted = print::RunLayout(entries, page, params);
  if (!counted.ok) {
    std::fprintf(stderr, "%s\n", print::kBuildError);
    return 1;
  }
  ConsoleUi ui;
  if (!to_paper && !print::CheckCatalogFileName(ui, out)) return 1;
  print::CatalogOutputRequest request;
  request.entries = &entries;
  request.page = page;
  request.params = params;
  request.jobs = print::PagesToOutput(choice, counted.pages, current, ranges);
  request.file_name = out;
  print::CatalogOutputServices services;
  services.ui = &ui;
  std::unique_ptr<print::ui::PrinterDevice> device;
  if (to_paper) {
    device = std::make_unique<print::ui::PrinterDevice>(*printer);
    services.printer = device.get();
  } else {
    services.bitmap_surface = print::ui::MakeBitmapSurfaces();
  }
  const print::CatalogOutputResult result = print::OutputCatalog(request, services);
  if (result.failed || ui.messages > 0) return 1;
  for (const std::string& written : result.files) std::printf("%s\n", written.c_str());
  if (to_paper) {
    std::printf("%s %d pages\n", queue.empty() ? out.c_str() : queue.c_str(), result.pages_done);
  }
  return 0;
}

static Registration print_reg("print", "print FILE --out X.pdf [options]  print a picture to PDF",
                              RunPrint);
static Registration catalog_reg("catalog",
                                "catalog FILE... --rows N --shape S --dest paper|WxH --out NAME  "
                                "thumbnail catalogue pages",
                                RunCatalog);

}  // namespace
}  // namespace vr::tool

#endif  // VR_HAVE_PRINT_QT
