// Printing from the viewer: "Printer &Setup", "&Print" (the shown picture or every tagged file),
// "Print Pre&view", "Print &Options" and the catalogue window of tagged files. The printer is the
// system's default one; VELDRIMON_PRINT_TO_PDF names a PDF file to print into instead, with the
// printer dialogs answered OK (tests and scripted runs).
#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <cstdlib>

#include "lists/files_list.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/preview_form.h"
#include "picture/kinds.h"
#include "platform/path_rules.h"
#include "platform/please_wait.h"
#include "platform/qt/printer_qt.h"
#include "platform/ui.h"
#include "print/ui/picture_print.h"
#include "print/ui/print_cat_menu.h"
#include "print/ui/print_options_menu.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

inline constexpr const char* kNoTaggedText =
    "This operation is for tagged files. It appears like you have NOT tagged any files. Try "
    "tagging some files first  :)";

// The print options for the run, the printer, and the preview window while it is open.
struct TVeldrimon69::PrintState {
  print::PrintOptions options;
  std::unique_ptr<platform::PrinterQt> printer;
  QPointer<print::ui::TPrintPreview> preview;

  platform::PrinterQt& Printer(QWidget* parent) {
    if (!printer) {
      const char* pdf = std::getenv("VELDRIMON_PRINT_TO_PDF");
      if (pdf != nullptr && *pdf != '\0') {
        platform::PdfPaper paper;
        paper.file = pdf;
        printer = std::make_unique<platform::PrinterQt>(paper, parent);
        printer->answer_dialogs = [](bool) { return true; };
      } else {
        printer = std::make_unique<platform::PrinterQt>(parent);
      }
    }
    return *printer;
  }

  // Whether the viewer shows a picture that can be printed (not a media file, not a failed load).
  static bool ShowsPrintable(const TVeldrimon69& w) {
    return !w.files_list_->Empty() && w.picture_shown_ && !w.last_load_failed_ &&
           !picture::IsMediaKind(w.shown_kind_);
  }

  // Prints the shown picture as one document titled by its file name; false when the printer
  // failed (its message has been shown). Media files and pictures that failed to load are
  // skipped.
  bool PrintShown(TVeldrimon69& w) {
    if (!ShowsPrintable(w)) return true;
    picture::PictureHolder copy = w.shown_;
    const std::string name =
        platform::NameOf(w.files_list_->FilePathAt(w.files_list_->Current()));
    return print::ui::PrintPicture(Printer(&w), copy.AsBitmap(), name, options,
                                   *w.services_.ui) != print::ui::PrintOutcome::kNoPrinter;
  }
};

void TVeldrimon69::AddPrintEntries(QMenu* menu) {
  if (!print_) print_ = std::make_shared<PrintState>();
  // Rows of the action table; the picture menu's "&Print" sub-menu holds the File menu's entries.
  for (Act id : {Act::kPrinterSetup1, Act::kPrint1, Act::kPrintPreview1, Act::kPrintOptions1,
                 Act::kPrintCatalog1}) {
    if (QAction* entry = action(id)) {
      menu->addAction(entry);
    } else {
      Add(menu, id);
    }
  }
}

void TVeldrimon69::PrinterSetup1Click() {
  platform::PrinterQt& printer = print_->Printer(this);
  if (!printer.SetupDialog() && !printer.Present()) {
    services_.ui->Information(print::kNoPrinterMessage);
  }
}

void TVeldrimon69::PrintOptions1Click() {
  print::ui::TPrintOptionsMenu window(print_->options, &print_->Printer(this), this);
  options_.exec_dialog(window);
}

void TVeldrimon69::Print1Click() {
  // Without a picture to print the printer dialog would lead to nothing; say so instead.
  if (!print_->options.tagged_only && !PrintState::ShowsPrintable(*this)) {
    services_.ui->Information("There is no picture to print. Show a picture first.");
    return;
  }
  platform::PrinterQt& printer = print_->Printer(this);
  if (!printer.PrintDialog()) return;
  if (!print_->options.tagged_only) {
    print_->PrintShown(*this);
    return;
  }
  // Every tagged file in list order, each shown and printed as a document of its own; into one
  // PDF file they go as its pages.
  const int before = files_list_->Current();
  platform::PleaseWait* wait = services_.please_wait;
  std::unique_ptr<platform::PleaseWaitScope> scope;
  if (wait != nullptr) {
    scope = std::make_unique<platform::PleaseWaitScope>(*wait, "Printing tagged files...");
  }
  printer.BeginBatch();
  for (int i = 0; i < files_list_->Count(); ++i) {
    if (wait != nullptr && wait->StopRequested()) break;
    const lists::FileEntry* entry = files_list_->Peek(i);
    if (entry == nullptr || !entry->tagged) continue;
    if (wait != nullptr) wait->SetText("Printing:" + entry->name);
    if (services_.pump != nullptr) services_.pump->PumpMessages();
    if (picture::IsMediaKind(picture::KindFromName(entry->Path()))) continue;
    files_list_->SetCurrent(i);
    ShowCurrentFile(false, 0);
    if (!print_->PrintShown(*this)) break;
  }
  printer.EndBatch();
  scope.reset();
  files_list_->SetCurrent(before);
  ShowCurrentFile(false, 0);
}

void TVeldrimon69::PrintPreview1Click() {
  if (files_list_->Empty() || !picture_shown_ || picture::IsMediaKind(shown_kind_)) return;
  bool fallback = false;
  const print::PageMetrics page = print::ui::PrinterPage(&print_->Printer(this), &fallback);
  if (fallback) services_.ui->Information(print::kNoPrinterMessage);
  picture::PictureHolder copy = shown_;
  const picture::Bitmap& bitmap = copy.AsBitmap();
  const print::PlacedPicture placed =
      print::PlacePicture(bitmap.Width(), bitmap.Height(), page, print_->options);
  if (placed.no_room) services_.ui->Information(print::kNoRoomMessage);
  QSize screen(1024, 768);
  if (QScreen* s = QGuiApplication::primaryScreen()) screen = s->availableGeometry().size();
  if (print_->preview) print_->preview->close();
  const std::string name = platform::NameOf(files_list_->FilePathAt(files_list_->Current()));
  print_->preview = new print::ui::TPrintPreview(bitmap, name, page, placed, screen, this);
  print_->preview->show();
}

void TVeldrimon69::PrintCatalog1Click() {
  // The files list's check: nothing tagged offers to tag everything.
  if (files_list_->TaggedCount() == 0) {
    if (files_list_->Empty()) {
      services_.ui->Information(kNoTaggedText);
      return;
    }
    if (!services_.ui->AskYesNo("Tag ALL files to CATALOG now?")) return;
    for (int i = 0; i < files_list_->Count(); ++i) files_list_->SetTag(i, true);
    if (list_window_) list_window_->update();
  }
  print::ui::CatalogHost host;
  host.services = services_;
  host.files = files_list_.get();
  host.printer = &print_->Printer(this);
  int rows = settings_.print_rows;
  int shape = settings_.print_style;
  host.rows = &rows;
  host.shape = &shape;
  host.open_preview = [this](int position) {
    if (position < 0 || position >= files_list_->Count()) return;
    files_list_->SetCurrent(position);
    ShowCurrentFile(false, 0);
    EnsureListWindow().previews().OpenPreview(files_list_->FilePathAt(position));
  };
  print::ui::TPrintCatMenu window(std::move(host), this);
  options_.exec_dialog(window);
  settings_.print_rows = static_cast<uint16_t>(rows);
  settings_.print_style = static_cast<uint16_t>(shape);
}

}  // namespace vr::shell::ui
