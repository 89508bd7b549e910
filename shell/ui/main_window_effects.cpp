// The main window's "Effec&Ts" transforms (mirror, flip, rotate, zoom), the wallpaper entries and
// the movie player window that FLI/FLC files open in. The entries themselves are rows of the
// action table (main_window_menus.cpp); the logic lives in shell/transforms.
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include "colour/reduce.h"
#include "colour/reduce_menu.h"
#include "colour/ui/dither_progress_window.h"
#include "lists/files_list.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/fli/ui/movie_fli_menu.h"
#include "picture/kinds.h"
#include "platform/folders.h"
#include "platform/shell_service.h"
#include "platform/ui.h"
#include "shell/transforms/transforms.h"
#include "shell/ui/main_window.h"
#include "shell/ui/notice_window.h"
#include "shell/ui/panes.h"
#include "shell/ui/zoom_window.h"

namespace vr::shell::ui {
namespace {

QSize ScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->size() : QSize(1024, 768);
}

// The wallpaper command's needs, met by the viewer's services.
class ViewerWallpaperHost : public transforms::WallpaperHost {
 public:
  ViewerWallpaperHost(const platform::Services& services, std::function<void()> notice)
      : services_(services), notice_(std::move(notice)) {}
  void Inform(const std::string& text) override { services_.ui->Information(text); }
  bool AskYesNo(const std::string& text) override {
    return services_.ui->Ask(platform::MessageKind::kInformation, "Information", text,
                             platform::kYesNo) == platform::Answer::kYes;
  }
  void ShowError(const std::string& text) override { services_.ui->Error(text); }
  int ScreenWidth() const override { return ScreenSize().width(); }
  int ScreenHeight() const override { return ScreenSize().height(); }
  SaveOutcome SaveBmp(const std::string& path, const picture::Bitmap& bitmap) override {
    const codecs::WriteResult written = codecs::SaveBmp(path, bitmap);
    return SaveOutcome{written.ok, false, written.error};
  }
  bool Run(const std::vector<std::string>& argv) override {
    if (argv.empty() || services_.shell == nullptr) return false;
    const std::vector<std::string> args(argv.begin() + 1, argv.end());
    return services_.shell->RunAndWait(argv[0], args, std::string()) == 0;
  }
  void ShowWallpaperNotice() override { notice_(); }

 private:
  platform::Services services_;
  std::function<void()> notice_;
};

}  // namespace

namespace {

// The wallpaper style kept in the settings ('0' centre, '1' tile, '2' stretch) and its entry.
constexpr Act kStyleEntries[] = {Act::kStyle11, Act::kStyle21, Act::kStretchToFit1};

}  // namespace

bool TVeldrimon69::CanTransform() const {
  // Never while a load, an animation or a reduction is using the picture, nor with nothing shown.
  return !show_pipeline_.busy() && !gif_.playing() && !dither_window_->Running() &&
         shown_kind_ != 0;
}

bool TVeldrimon69::BeginTransform() {
  if (!CanTransform()) return false;
  // JPEG, PNG, icon and metafile pictures become a Bitmap of their depth first.
  transforms::MakeBitmapForTransform(shown_);
  shown_kind_ = picture::kKindBmp;
  return !shown_.bitmap.Empty();
}

void TVeldrimon69::EndTransform(bool replace_actual) {
  PictureChanged();
  if (replace_actual) {
    PanelImage1->SetBitmap(&shown_.bitmap);
  } else {
    PanelImage1->update();
  }
  LayOutFitPane(true);
}

void TVeldrimon69::Mirror1Click() {
  if (!BeginTransform()) return;
  transforms::Mirror(shown_.bitmap);
  shown_.turned = true;
  EndTransform(false);
}

void TVeldrimon69::Flip1Click() {
  if (!BeginTransform()) return;
  transforms::Flip(shown_.bitmap);
  shown_.turned = true;
  EndTransform(false);
}

void TVeldrimon69::Rotate1Click() {
  if (!BeginTransform()) return;
  const transforms::RotateResult result =
      transforms::Rotate(shown_.bitmap, services_.folders->TempFolder());
  // A failed rotation leaves (or puts back) the picture as it was; it is shown again either way.
  if (!result.ok) services_.ui->Warning(result.error);
  if (result.ok) shown_.turned = true;
  if (!result.warning.empty()) services_.ui->Warning(result.warning);
  EndTransform(true);
}

void TVeldrimon69::Zoom1Click() {
  if (!CanTransform()) return;
  const QSize screen = ScreenSize();
  TZoomMenu window(shown_.Width(), shown_.Height(), screen.width(), screen.height(), services_.ui,
                   this);
  options_.exec_dialog(window);
  // Cancelled: the picture stays as it was loaded (a metafile keeps its vector form).
  if (window.result() != kZoomOk || !BeginTransform()) return;
  if (!transforms::ResizePicture(shown_.bitmap, window.edits().FinalWidth(),
                                 window.edits().FinalHeight(), window.edits().Smoothing(),
                                 DisplayDepth())) {
    services_.ui->Warning(kZoomNoMemory);
  }
  EndTransform(true);
}

void TVeldrimon69::Style11Click() { MakeWallpaperClick('0'); }
void TVeldrimon69::Style21Click() { MakeWallpaperClick('1'); }
void TVeldrimon69::StretchToFit1Click() { MakeWallpaperClick('2'); }

void TVeldrimon69::MakeWallpaperClick(char style) {
  action(kStyleEntries[style - '0'])->setChecked(true);
  settings_.wallpaper_style = style;
  if (show_pipeline_.busy() || gif_.playing() || shown_kind_ == 0) return;
  const std::string shown_file = files_list_->FilePathAt(files_list_->Current());
  const transforms::DesktopFacts facts =
      desktop_facts_ ? *desktop_facts_ : transforms::DesktopFactsFromProcess();
  ViewerWallpaperHost host(services_, [this] {
    if (wallpaper_notice_off_) return;
    TNoticeWindow notice(kWallpaperNotice, false, this);
    options_.exec_dialog(notice);
    if (notice.turn_off()->isChecked()) wallpaper_notice_off_ = true;
  });
  EnableMenus(false);
  // The shown picture as it is drawn (a metafile has its Bitmap since the load).
  const picture::Bitmap& picture = shown_.bitmap.Empty() ? shown_.AsBitmap() : shown_.bitmap;
  transforms::MakeWallpaper(picture, shown_file,
                            static_cast<transforms::WallpaperStyle>(style),
                            services_.folders->WindowsFolder(), facts, host);
  EnableMenus(true);
}

void TVeldrimon69::SetDesktopFacts(transforms::DesktopFacts facts) {
  desktop_facts_ = std::make_unique<transforms::DesktopFacts>(std::move(facts));
}

void TVeldrimon69::OpenMovieWindow(const std::string& path) {
  if (!movie_window_) {
    movie_window_ = std::make_unique<codecs::fli::TMovieFLIMenu>(nullptr);
    movie_window_->setAttribute(Qt::WA_QuitOnClose, false);
  }
  movie_window_->OpenMovie(path);
  movie_window_->show();
  movie_window_->raise();
}

codecs::fli::TMovieFLIMenu* TVeldrimon69::movie_window() const { return movie_window_.get(); }

// Reduce Colors to... and the true-colour-on-256 switch.
void TVeldrimon69::TrueColourOn256Click() {
  settings_.true_colour_on_256 = colour::ToggleTrueColourOn256(
      settings_.true_colour_on_256, DisplayDepth(),
      [this](const std::string& text) { services_.ui->Information(text); },
      [this](const std::string& text) { return services_.ui->AskYesNo(text); });
  action(Act::kTrueColour256)->setChecked(settings_.true_colour_on_256 != 0);
}

bool TVeldrimon69::ReduceColorsClick(int index) {
  const std::vector<colour::ReduceMenuItem>& items = colour::ReduceMenuItems();
  if (index < 0 || static_cast<size_t>(index) >= items.size()) return false;
  // Never while a load, an animation or another reduction is using the picture.
  if (show_pipeline_.busy() || gif_.playing() || dither_window_->Running()) return false;
  if (shown_kind_ == 0 && shown_.bitmap.Width() <= 1 && shown_.bitmap.Height() <= 1) return false;
  const colour::ReduceMenuItem& item = items[static_cast<size_t>(index)];
  picture::Bitmap& source = shown_.AsBitmap();
  if (source.Empty() ||
      !colour::ReductionApplies(source.Bits(), item.colours, item.standard_colours)) {
    return false;
  }
  colour::ReduceRequest request;
  request.colours = item.colours;
  request.standard_colours = item.standard_colours;
  request.windows_236 = item.windows_236;
  request.dither = action(Act::kDitherOn)->isChecked();
  picture::Bitmap reduced;
  colour::Palette6 palette{};
  setEnabled(false);
  const colour::ReduceResult result = dither_window_->Reduce(
      source, reduced, palette, request, action(Act::kShowDitherProgress)->isChecked());
  setEnabled(true);
  if (!result.done) {
    // A stop by Escape leaves the picture as it was; a failure says why.
    if (!result.stopped && !result.error.empty()) services_.ui->Warning(result.error);
    return false;
  }
  shown_.bitmap = std::move(reduced);
  PictureChanged();
  PanelImage1->SetBitmap(&shown_.bitmap);
  LayOutFitPane(true);
  UpdateStatusAndCaption();
  return true;
}

}  // namespace vr::shell::ui
