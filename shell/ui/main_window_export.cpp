// The main window's side of the export window: "Save &As", the shown GIF's facts the export
// window starts from, and the palette editor of the properties window.
#include <QFileInfo>
#include <algorithm>

#include "colour/export/export_tabs.h"
#include "colour/ui/dither_progress_window.h"
#include "colour/ui/export_file.h"
#include "colour/ui/palette_editor.h"
#include "lists/files_list.h"
#include "picture/codecs/codec_api.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"
#include "shell/ui/main_window.h"
#include "shell/ui/properties_dialog.h"

namespace vr::shell::ui {

colour::ExportSession& TVeldrimon69::ExportState() {
  if (!export_session_) export_session_ = std::make_shared<colour::ExportSession>();
  return *export_session_;
}

void TVeldrimon69::NoteShownForExport(const std::string& path) {
  colour::ExportSession& session = ExportState();
  session.gif_animated = false;
  session.gif_interlaced = false;
  session.transparent.reset();
  if (shown_kind_ != picture::kKindGif || path.empty()) return;
  PropertiesFacts facts;
  ReadGifExtras(path, &facts);
  if (facts.transparent) session.transparent = facts.transparent_colour;
  session.gif_interlaced = picture::ReadPictureInfo(path).interlaced;
  session.gif_animated = codecs::IsAnimatedGif(path);
}

colour::ExportFileHost TVeldrimon69::ExportHost() {
  colour::ExportFileHost host;
  host.ui = services_.ui;
  host.files = services_.files;
  host.clock = services_.clock != nullptr ? services_.clock : &own_clock_;
  host.temp_folder = services_.folders->TempFolder();
  host.picture = &shown_;
  host.depth = file_bits_ > 0 ? file_bits_ : (shown_.bitmap.Empty() ? 24 : shown_.bitmap.Bits());
  const std::string current = files_list_->FilePathAt(files_list_->Current());
  host.current_file = current == lists::kNoFile ? std::string() : current;
  host.session = &ExportState();
  host.comments = gif_comments_;
  host.dither = dither_window_;
  host.screen_depth = DisplayDepth();
  host.exec = options_.exec_dialog;
  host.add_and_show = [this](const std::string& path) {
    files_list_->AddFileToList(100, path);
    const int at = files_list_->FindInFilesList(path);
    if (at < 0) return;
    files_list_->SetCurrent(at);
    ShowCurrentFile(false, 1);
  };
  host.picture_changed = [this] {
    PictureChanged();
    LayOutFitPane(true);
  };
  return host;
}

void TVeldrimon69::SaveAs1Click() {
  if ((shown_.bitmap.Empty() && !shown_.vector) || !picture_shown_) {
    services_.ui->Information("There is no picture to save. Show a picture first.");
    return;
  }
  colour::RunSaveAs(ExportHost(), this);
}

void TVeldrimon69::RunPaletteEditor(const std::string& title) {
  picture::Bitmap& bitmap = shown_.bitmap;
  const bool transparency = title == colour::kSelectBackgroundTitle;
  colour::ExportSession& session = ExportState();
  // Entries past the colours the picture uses stay disabled (readers pad palettes to 256).
  const int colours =
      bitmap.Indexed() ? std::min(static_cast<int>(bitmap.Palette().size()),
                                  colour::SourceColourFigure(bitmap))
                       : 0;
  int selected = -1;
  if (transparency && session.transparent && colours > 0) {
    selected = colour::NearestEntry(bitmap.Palette(), colours, *session.transparent);
  }
  colour::TPaletteEditor editor(title, bitmap.Palette(), colours, selected, *services_.ui, this);
  if (options_.exec_dialog(editor) != QDialog::Accepted) return;
  if (transparency) {
    if (editor.Selected() < 0) {
      session.transparent.reset();
    } else {
      session.transparent = editor.Palette()[editor.Selected()];
    }
  }
  if (shown_.kind == picture::GraphicKind::kBitmap && bitmap.Indexed()) {
    // The Bitmap takes the edited palette (its own length kept).
    std::vector<picture::Rgb> edited = editor.Palette();
    edited.resize(bitmap.Palette().size());
    bitmap.SetPalette(std::move(edited));
    PictureChanged();
  }
}

bool TVeldrimon69::BeginConvert(std::string* extension) {
  colour::ExportSession& session = ExportState();
  // True-colour pictures are converted from their own pixels, not from a 256-colour screen copy.
  session.saved_true_colour_on_256 = settings_.true_colour_on_256;
  settings_.true_colour_on_256 = 0;
  session.viewer_was_visible = isVisible();
  colour::TExportFile window(ExportHost(), colour::TExportFile::kConvertMode, this);
  if (options_.exec_dialog(window) != QDialog::Accepted) return false;
  session.convert_choices = window.Choices();
  *extension = colour::ExportTabs()[session.convert_choices.tab].extension;
  return true;
}

std::string TVeldrimon69::ConvertFile(const std::string& source, const std::string& target) {
  if (picture::IsMediaKind(picture::KindFromName(source))) return "a sound or movie file";
  const int at = files_list_->FindInFilesList(source);
  if (at < 0) return "no longer in the files list";
  files_list_->SetCurrent(at);
  last_load_failed_ = false;
  ShowCurrentFile(false, 0);
  if (last_load_failed_) return "the picture cannot be read";
  colour::ExportNotify notify;
  notify.warn = [this](const std::string& text) { services_.ui->Warning(text); };
  if (dither_window_ != nullptr) {
    notify.reduce = [this](const picture::Bitmap& from, picture::Bitmap& to,
                           colour::Palette6& palette, const colour::ReduceRequest& request) {
      return dither_window_->Reduce(from, to, palette, request, true);
    };
  }
  colour::ExportSession& session = ExportState();
  colour::ExportChoices choices = session.convert_choices;
  choices.transparent = session.transparent;
  choices.source_file = source;
  const colour::ExportOutcome outcome =
      colour::ExportPicture(target, shown_, choices, session.gif_animated, notify);
  if (dither_window_ != nullptr && dither_window_->isVisible()) dither_window_->hide();
  if (!outcome.ok) {
    services_.ui->Error(outcome.message);
    return outcome.detail.empty() ? "the file could not be written" : outcome.detail;
  }
  return {};
}

void TVeldrimon69::EndConvert() {
  colour::ExportSession& session = ExportState();
  settings_.true_colour_on_256 = session.saved_true_colour_on_256;
  setVisible(session.viewer_was_visible);
}

}  // namespace vr::shell::ui
