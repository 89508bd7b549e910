#include "print/catalog_output.h"

#include "colour/export/export_picture.h"
#include "picture/picture_holder.h"
#include "platform/path_rules.h"

namespace vr::print {
namespace {

bool DefaultSave(const std::string& path, const picture::Bitmap& page) {
  picture::PictureHolder holder;
  holder.bitmap = page;
  return colour::SavePictureAs(path, holder);
}

// The stop button: asks whether to go on; true when the rest is cancelled.
bool AskCancel(const CatalogOutputServices& services, const std::string& word) {
  platform::PleaseWait* wait = services.please_wait;
  if (wait == nullptr || !wait->StopRequested()) return false;
  const platform::Answer answer = services.ui->Ask(platform::MessageKind::kQuestion, "Confirm",
                                                   CancelQuestion(word), platform::kOkCancel);
  wait->ClearStop();
  return answer == platform::Answer::kCancel;
}

}  // namespace

bool CheckCatalogFileName(platform::Ui& ui, const std::string& chosen) {
  if (!ValidCatalogExtension(chosen)) {
    ui.Information(kExtensionMessage);
    return false;
  }
  if (PageFilesMayExist(chosen)) {
    const platform::Answer answer = ui.Ask(platform::MessageKind::kQuestion, "Confirm",
                                           kOverwriteQuestion,
                                           platform::kButtonYes | platform::kButtonCancel);
    return answer == platform::Answer::kYes;
  }
  return true;
}

CatalogOutputResult OutputCatalog(const CatalogOutputRequest& request,
                                  const CatalogOutputServices& services) {
  CatalogOutputResult result;
  const bool paper = request.page.to_printer;
  const std::string word = paper ? "PRINT" : "SAVE";
  const std::string doing = paper ? "Printing:" : "Saving:";
  platform::PleaseWait* wait = services.please_wait;
  std::unique_ptr<platform::PleaseWaitScope> scope;
  if (wait != nullptr) scope = std::make_unique<platform::PleaseWaitScope>(*wait, doing,
                                                                           "&Stop " + doing);
  auto pump = [&] {
    if (services.pump != nullptr) services.pump->PumpMessages();
  };
  bool cancel_after_page = false;
  DrawPageRequest draw;
  draw.notes_in_captions = request.notes_in_captions;
  draw.progress = [&](const CatalogEntry& entry) {
    if (wait != nullptr && paper) wait->SetText(doing + platform::NameOf(entry.path));
    pump();
    if (AskCancel(services, word)) cancel_after_page = true;
    return true;
  };

  PageSurface* printer_surface = nullptr;
  if (paper) {
    if (services.printer == nullptr ||
        (printer_surface = services.printer->BeginDocument(kCatalogDocumentTitle)) == nullptr) {
      services.ui->Information(kPrintError);
      result.failed = true;
      return result;
    }
  }
  bool first = true;
  for (const PageJob& job : request.jobs) {
    draw.page = job.page;
    std::string target;
    DrawPageResult drawn;
    if (paper) {
      if (!first) {
        if (wait != nullptr) wait->SetText(PreparingPageText(job.page));
        pump();
        if (!services.printer->NewPage()) {
          services.printer->Abort();
          services.ui->Information(kPrintError);
          result.failed = true;
          return result;
        }
      }
      drawn = DrawCatalogPage(*request.entries, request.page, request.params, *printer_surface,
                              draw);
    } else {
      target = PageFileName(request.file_name, job.file_number);
      if (wait != nullptr) wait->SetText(doing + platform::NameOf(target));
      pump();
      picture::Bitmap bitmap;
      if (!bitmap.Create(request.page.PW(), request.page.PH(), picture::PixelFormat::k24)) {
        services.ui->Information(kBuildError);
        result.failed = true;
        return result;
      }
      std::unique_ptr<PageSurface> surface = services.bitmap_surface(bitmap);
      drawn = DrawCatalogPage(*request.entries, request.page, request.params, *surface, draw);
      surface.reset();  // the painter lets go of the page before it is written
      if (drawn.ok) {
        const bool saved = services.save ? services.save(target, bitmap)
                                         : DefaultSave(target, bitmap);
        if (saved) {
          result.files.push_back(target);
        } else {
          // An error box sounds the alarm first; output goes on with the next page.
          services.ui->Error(kSaveErrorMessage);
        }
      }
    }
    if (!drawn.ok) {
      if (paper) services.printer->Abort();
      services.ui->Information(kBuildError);
      result.failed = true;
      return result;
    }
    ++result.pages_done;
    first = false;
    if (cancel_after_page || AskCancel(services, word)) {
      result.cancelled = true;
      break;
    }
  }
  if (paper && !services.printer->EndDocument()) {
    services.ui->Information(kPrintError);
    result.failed = true;
  }
  return result;
}

}  // namespace vr::print
