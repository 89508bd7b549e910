#include "albums/ui/album_list_menu.h"
#include "extras/ui/extras_controller.h"
#include "shell/navigation.h"
#include "shell/ui/main_window.h"
#include "shell/ui/edited_file_watch.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "colour/reduce.h"
#include "colour/reduce_menu.h"
#include "colour/ui/dither_progress_window.h"
#include "lists/files_list.h"
#include "lists/load_menu.h"
#include "picture/load/load_hooks.h"
#include "lists/search/ui/search_list_menu.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/preview_form.h"
#include "lists/recycle/recycle_bin.h"
#include "lists/recycle/ui/recycle_controller.h"
#include "notes/notes_database.h"
#include "notes/ui/notes_text_controller.h"
#include "notes/ui/notes_windows.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/fli/ui/movie_fli_menu.h"
#include "picture/codecs/gif/ui/gif_comments_menu.h"
#include "picture/convert.h"
#include "picture/kinds.h"
#include "platform/files.h"
#include "platform/please_wait.h"
#include "platform/shell_service.h"
#include "platform/sounds.h"
#include "platform/ui.h"
#include "shell/install.h"
#include "shell/ui/artwork.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/nav_input.h"
#include "shell/ui/idle_driver.h"
#include "shell/ui/list_window_settings.h"
#include "shell/ui/media_pane.h"
#include "shell/ui/notice_window.h"
#include "shell/ui/panes.h"
#include "shell/ui/properties_dialog.h"

// The built-in resources live in this static library; register them before first use.
static void InitVeldrimonResources() { Q_INIT_RESOURCE(veldrimon); }

namespace vr::shell::ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }


int64_t TodayFromClock() { return DayNumber(static_cast<int64_t>(std::time(nullptr))); }

}  // namespace

TVeldrimon69::TVeldrimon69(ViewerOptions options, QWidget* parent)
    : QMainWindow(parent),
      options_(std::move(options)),
      services_(options_.services),
      show_pipeline_(ShowServices{services_.folders, services_.sounds, options_.prefetch}),
      gif_(services_.clock != nullptr ? *services_.clock : own_clock_) {
  setObjectName("TVeldrimon69");
  InitVeldrimonResources();
  setAcceptDrops(true);
  if (!options_.exec_dialog) options_.exec_dialog = [](QDialog& d) { return d.exec(); };
  if (!options_.today) options_.today = TodayFromClock;

  if (!options_.parts.files_list || !options_.parts.notes) {
    throw std::invalid_argument("the main window needs the files list and the Notes service");
  }
  files_list_ = std::move(options_.parts.files_list);
  notes_ = std::move(options_.parts.notes);
  // The files list's view of the database follows every open and close, with the "DB Field"
  // column's field that the Notes windows keep.
  notes_->SetOnChange([this](lists::NotesAccess* access) {
    if (notes_windows_) {
      notes_windows_->Attach(access != nullptr ? notes_->database() : nullptr);
    } else if (files_list_) {
      files_list_->services().notes = access;
    }
  });
  drives_ = std::make_unique<lists::DriveMenu>();
  recycle_ = std::make_unique<recycle::RecycleController>(services_, this, kButtonSize,
                                                          std::move(options_.parts.recycle_bin));
  notes_text_ = std::make_unique<notes::NotesTextController>(
      services_, [this] { return notes_->database(); }, [this](bool on) { EnableMenus(on); },
      this);
  MakeNotesWindows();

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  title_strip_ = new TTitleStrip(central);
  column->addWidget(title_strip_);
  client_ = new QWidget(central);
  client_->setObjectName("ClientArea");
  column->addWidget(client_, 1);
  setCentralWidget(central);

  ScrollBox1 = new QScrollArea(client_);
  ScrollBox1->setObjectName("ScrollBox1");
  ScrollBox1->setBackgroundRole(QPalette::Dark);
  QPalette black = ScrollBox1->palette();
  black.setColor(QPalette::Window, Qt::black);
  black.setColor(QPalette::Dark, Qt::black);
  ScrollBox1->setPalette(black);
  PanelImage1 = new TActualPane(this);
  ScrollBox1->setWidget(PanelImage1);
  ScrollBox1->setWidgetResizable(false);
  fit_pane_ = new TFitPane(this);
  fit_pane_->setParent(client_);
  PanelMedia = new TMediaPane(client_);
  PanelMedia->hide();

  static const char* kPanelNames[] = {"Loading Status:", "File:", "Width:", "Height:"};
  for (int i = 0; i < 4; ++i) {
    status_panels_[i] = new QLabel(this);
    status_panels_[i]->setObjectName(kPanelNames[i]);
    statusBar()->addWidget(status_panels_[i]);
  }

  load_progress_ = std::make_unique<LoadProgress>(
      [this](const std::string& text, bool repaint_now) {
        SetStatusPanel(0, text);
        if (repaint_now) status_panels_[0]->repaint();
      },
      services_.clock != nullptr ? *services_.clock : own_clock_);
  BuildMenus();
  button_icons_ = LoadButtonImages();
  BuildToolBars();
  recycle_->SetButtons(TBTrash, TBUnDelete);
  ShowBinState(false);
  full_screen_ = new TFullScreen(nullptr);
  full_session_ = std::make_unique<FullScreenSession>(FullScreenHostFor());
  BuildSlideShow();
  nav_ = new NavInput(InputHost(), this);
  nav_->Watch(fit_pane_, NavInput::Pane::kFit);
  nav_->Watch(ScrollBox1->viewport(), NavInput::Pane::kScrollBox);
  nav_->Watch(PanelImage1, NavInput::Pane::kActual);
  nav_->Watch(full_screen_, NavInput::Pane::kFullScreen);
  full_screen_->SetKeyPassOn([this](int code) { nav_->FullScreenKeyPassed(code); });
  full_screen_->SetDeleteKey([this] {
    TBTrashClick();
    full_screen_->SetRequest(kRequestNone);  // draws the picture now shown, in the same mode
  });
  gif_comments_ = new codecs::gif::TGifCommentsMenu(nullptr);
  dither_window_ = new colour::TDitherProgressWindow(nullptr);
  dither_window_->SetStatusSink(
      [this](const QString& text) { SetStatusPanel(0, text.toStdString()); });
  resize(640, 480);
}

TVeldrimon69::~TVeldrimon69() {
  // The service outlives the Notes windows (members go in reverse order): it closes the
  // database without telling them.
  if (notes_) notes_->SetOnChange({});
  // The album manager is a child window that watches the recycle bin and may be docked in the
  // files list window: it goes while both still stand, not after the members.
  delete album_window_;
  album_window_ = nullptr;
  delete dither_window_;
  delete gif_comments_;
  delete full_screen_;
}

int ScreenDepthNow() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int depth = screen != nullptr ? screen->depth() : 24;
  return depth > 0 ? depth : 24;
}

int TVeldrimon69::DisplayDepth() const {
  if (screen_depth_override_ != 0) return screen_depth_override_;
  return ScreenDepthNow();
}

void TVeldrimon69::ClearPicture() {
  shown_.Reset();
  shown_.bitmap.Create(1, 1, picture::PixelFormat::k24);
  shown_kind_ = 0;
  file_bits_ = -1;
  PictureChanged();
  PanelImage1->SetBitmap(&shown_.bitmap);
}

std::vector<std::string> TVeldrimon69::LoadIntoShown(const std::string& path) {
  picture::DecodeOptions decode;
  decode.display_depth = DisplayDepth();
  decode.true_colour_on_256 = settings_.true_colour_on_256 != 0;
  decode.progress = load_progress_->Start();
  LoadedPicture loaded = show_pipeline_.Load(path, decode);
  last_load_failed_ = !loaded.ok;
  if (!loaded.ok) {
    services_.ui->Warning(kLoadErrorText + path);
    return loaded.gif_comments;  // the previous picture stays
  }
  shown_ = std::move(loaded.holder);
  shown_kind_ = loaded.kind;
  file_bits_ = loaded.file_bits;
  return loaded.gif_comments;
}

void TVeldrimon69::ScreenColourNotice() {
  const int depth = DisplayDepth();
  const int picture_bits = file_bits_ > 0 ? file_bits_ : shown_.bitmap.Bits();
  if (colour_notice_off_ || depth >= 15 || depth >= picture_bits) return;
  TNoticeWindow notice(kScreenColourNotice, true, this);
  options_.exec_dialog(notice);
  if (notice.turn_off()->isChecked()) colour_notice_off_ = true;
  // The screen's mode is the desktop's here; the switch lifts the depth the viewer decodes for.
  if (notice.switch_mode()->isChecked()) screen_depth_override_ = 24;
}

void TVeldrimon69::AnimateGif(const std::string& name) {
  const picture::ViewingCopy path(name);  // a protected GIF plays from its plain copy
  if (!path.Ok() || !codecs::IsAnimatedGif(path.Path())) return;
  AnimationBusy(true);
  gif_.Play(
      path.Path(), shown_.bitmap, [this] { GifFrameChanged(); }, [this] { return closing_; },
      [this] { return action(Act::kGifContinuous)->isChecked(); });
  AnimationBusy(false);
  PictureChanged();
  PanelImage1->SetBitmap(&shown_.bitmap);
  LayOutFitPane(true);
}

void TVeldrimon69::StopAnimation() {
  gif_.Stop();
  StopSlideShow();
}

void TVeldrimon69::GifFrameChanged() {
  PictureChanged();
  // Full screen sizes each frame as it sizes a picture: fitted and centred, or natural size.
  if (full_session_->active()) full_session_->Show(full_session_->view());
  if (view_ == View::kActual || view_ == View::kSplit) PanelImage1->update();
  if (fit_pane_->isVisible()) fit_pane_->RepaintPicture();
}

bool TVeldrimon69::ShowCurrentFile(bool remember_if_busy, int animate) {
  std::string name = files_list_->FilePathAt(files_list_->Current());
  if (!show_pipeline_.Begin(remember_if_busy, name)) return false;
  loading_ = true;
  if (movie_window_) movie_window_->StopClick();  // the media player stops on every show
  for (;;) {
    EnableMenus(false);
    const ShowStep step =
        show_pipeline_.Prepare(name, animate, action(Act::kPlayWav)->isChecked());
    HideMedia();
    if (step.clear_comments) {
      gif_comments_->Clear();
      gif_comments_->close();
    }
    switch (step.as) {
      case ShowAs::kNothing:
        ClearPicture();
        break;
      case ShowAs::kMedia:
        ClearPicture();
        ShowMedia(name);
        break;
      case ShowAs::kPicture: {
        const std::vector<std::string> comments = LoadIntoShown(name);
        if (shown_kind_ == picture::kKindGif) gif_comments_->SetLines(comments);
        NoteShownForExport(name);
        ScreenColourNotice();
        break;
      }
      case ShowAs::kAgain:
        break;
    }
    PictureChanged();
    NoteShownFile(name, step.as == ShowAs::kPicture && !last_load_failed_);
    if (edit_watch_ != nullptr) edit_watch_->Shown(name);
    PanelImage1->SetBitmap(&shown_.bitmap);
    if (!full_screen_->looping()) RealisePalette();
    // Each show is a first pass here (the animation's later passes run in AnimateGif).
    AutoSizeWindow();
    if (isHidden()) show();
    LayOutFitPane(true);
    loading_ = false;
    picture_shown_ = name != lists::kNoFile;
    if (animate == 1 && shown_kind_ == picture::kKindGif && name != lists::kNoFile) {
      AnimateGif(name);
    }
    // A running slide show keeps the menus off and shows the comments in a window of its own.
    if (gif_comments_->HasLines() && action(Act::kGifComments)->isChecked() &&
        !full_screen_->looping() && !slide_show_running()) {
      gif_comments_->show();
    } else {
      gif_comments_->close();
    }
    SetStatusPanel(0, ViewStatusText(view_));
    if (!slide_show_running()) EnableMenus(true);
    const std::string next = show_pipeline_.End();
    UpdateStatusAndCaption();
    RefreshNavigation();
    if (next.empty()) break;
    // A request that came in meanwhile: serve it now.
    const int at = files_list_->FindInFilesList(next);
    if (at >= 0) files_list_->SetCurrent(at);
    name = files_list_->FilePathAt(files_list_->Current());
    show_pipeline_.Begin(false, name);
    loading_ = true;
  }
  WriteStateFile();
  return true;
}

void TVeldrimon69::AutoSizeWindow() {
  if (view_ != View::kFit || !action(Act::kAutoSize)->isChecked() || isMaximized() ||
      slide_show_running()) {
    return;
  }
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect work = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  AutoSizeInput in;
  in.picture_width = shown_.Width();
  in.picture_height = shown_.Height();
  in.margin_x = 2 * TFitPane::kMargin;
  in.margin_y = 2 * TFitPane::kMargin;
  // Everything above the client area (menu bar, tool bars, title strip) in window coordinates.
  in.tool_height = client_->mapTo(this, QPoint(0, 0)).y() + in.margin_y + statusBar()->height();
  in.frame_horizontal = frameGeometry().width() - width();
  // The menu bar is counted in tool_height already (it lies inside this window's size).
  in.frame_vertical = frameGeometry().height() - height();
  in.work_width = work.width();
  in.work_height = work.height();
  const ClientSize size = AutoSizeClient(in);
  resize(size.width, size.height);
}

void TVeldrimon69::LayOutFitPane(bool force) {
  if (fit_pane_ == nullptr) return;
  const Box box = shell::LayOutFitPane(shown_.Width(), shown_.Height(), fit_pane_->BoxWidth(),
                                       fit_pane_->BoxHeight(), keep_aspect_);
  if (force) display_cache_.Invalidate();
  fit_pane_->SetPaintBox(box);
  if (force && fit_pane_->isVisible()) fit_pane_->RepaintPicture();
}

const picture::Bitmap* TVeldrimon69::DisplayBitmapFor(int width, int height) {
  if (loading_ || width <= 0 || height <= 0) return nullptr;
  // Frames of a playing animation are plainly stretched.
  return display_cache_.BitmapFor(shown_, width, height, DisplayDepth(),
                                  smooth_ && !gif_.playing());
}

void TVeldrimon69::FirstPaintDone() {
  if (first_paint_seen_ || !picture_shown_ || files_list_->Empty() || show_pipeline_.busy()) return;
  first_paint_seen_ = true;
  if (!options_.bench_slideshow_log.empty()) {
    QTimer::singleShot(0, this, [this] { RunBenchSlideShow(); });
  }
  if (options_.quit_on_first_paint) {
    const auto elapsed = std::chrono::steady_clock::now() - options_.started;
    std::printf("first_paint_ms %.3f\n",
                std::chrono::duration<double, std::milli>(elapsed).count());
    std::fflush(stdout);
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
  }
}

void TVeldrimon69::LayOutClient() {
  if (client_ == nullptr) return;
  const QRect area = client_->rect();
  // Whether the pane is set to show, also while the window itself is not shown yet.
  if (!PanelMedia->isHidden()) {
    // The media pane holds the client area; the picture panes stay out of the way.
    fit_pane_->hide();
    ScrollBox1->hide();
    PanelMedia->setGeometry(area);
    return;
  }
  switch (view_) {
    case View::kFit:
      ScrollBox1->hide();
      fit_pane_->setGeometry(area);
      fit_pane_->show();
      break;
    case View::kActual:
      fit_pane_->hide();
      ScrollBox1->setGeometry(area);
      ScrollBox1->show();
      break;
    case View::kSplit: {
      // The client area here already excludes the tool bars and the status bar.
      const int h = SplitPaneHeight(area.height(), 0, 0);
      fit_pane_->setUpdatesEnabled(false);
      ScrollBox1->setGeometry(0, 0, area.width(), h);
      ScrollBox1->show();
      fit_pane_->setGeometry(0, h, area.width(), h);
      fit_pane_->show();
      fit_pane_->setUpdatesEnabled(true);
      break;
    }
  }
  LayOutFitPane(false);
}

void TVeldrimon69::SelectView(View view) {
  view_ = view;
  static constexpr Act kViews[] = {Act::kViewFit, Act::kViewActual, Act::kViewSplit};
  if (QAction* a = action(kViews[static_cast<int>(view)])) a->setChecked(true);
  LayOutClient();
  SetStatusPanel(0, ViewStatusText(view));
}

void TVeldrimon69::ToolButton1Click() {
  keep_aspect_ = !keep_aspect_;
  ToolButton1->setChecked(keep_aspect_);
  action(Act::kKeepAspect)->setChecked(keep_aspect_);
  LayOutFitPane(true);
}

void TVeldrimon69::ToolButton2Click() {
  smooth_ = !smooth_;
  ToolButton2->setChecked(smooth_);
  action(Act::kSmooth)->setChecked(smooth_);
  LayOutFitPane(true);
}

void TVeldrimon69::ToolButton5Click() { SelectView(NextView(view_)); }

void TVeldrimon69::EnterFullScreen(int mode, bool shrink_only) {
  // F10 in full screen leaves it and starts the slide show.
  if (full_session_->Run(mode, shrink_only) == kRequestSlideShow && !closing_) {
    DoSlideShow1Click();
  }
}

FullScreenHost TVeldrimon69::FullScreenHostFor() {
  FullScreenHost host;
  host.window = this;
  host.full_screen = full_screen_;
  host.shown = [this]() -> const picture::PictureHolder& { return shown_; };
  host.current_path = [this] { return files_list_->FilePathAt(files_list_->Current()); };
  host.smooth = [this] { return smooth_; };
  host.palette = [this] { return display_cache_.PaletteFor(DisplayDepth()); };
  host.closing = [this] { return closing_; };
  host.next = [this] { GoNext(); };
  host.previous = [this] { GoPrevious(); };
  host.toggle_tag = [this] { TBTagClick(); };
  host.restart = [this] { ShowCurrentFile(false, 1); };
  host.entries_enabled = [this](bool on) {
    if (on) {
      RefreshNavigation();  // the slide-show entry follows the list again
    } else if (QAction* a = action(Act::kPopSlideShow)) {
      a->setEnabled(false);
    }
    if (on) {
      for (QAction* a : full_group_->actions()) a->setChecked(false);
    }
  };
  return host;
}

void TVeldrimon69::SetStatusPanel(int index, const std::string& text) {
  QLabel* panel = status_panels_[index];
  panel->setText(Q(text));
  panel->setFixedWidth(panel->fontMetrics().horizontalAdvance(Q(text)) + 15);
}

std::string TVeldrimon69::StatusPanel(int index) const {
  return status_panels_[index]->text().toStdString();
}

void TVeldrimon69::UpdateStatusAndCaption() {
  const int count = files_list_->Count();
  const int position = files_list_->Current();
  int w = 0;
  int h = 0;
  if (const lists::FileEntry* entry = files_list_->Peek(position)) {
    // The entry's facts when it was scanned, else the shown picture's size.
    w = entry->width > 0 ? entry->width : shown_.Width();
    h = entry->height > 0 ? entry->height : shown_.Height();
  }
  const StatusTexts texts = MakeStatusTexts(position, count, w, h);
  SetStatusPanel(1, texts.file);
  SetStatusPanel(2, texts.width);
  SetStatusPanel(3, texts.height);
  RebuildCaption();
}

void TVeldrimon69::RebuildCaption() {
  const QAction* display_path = action(Act::kDisplayPath);
  caption_ = CaptionText(kTitleLabel, files_list_->FilePathAt(files_list_->Current()),
                         display_path == nullptr || display_path->isChecked());
  // The window's own text stays empty: the caption is painted by the program.
  setWindowTitle(QString());
  title_strip_->SetCaption(caption_);
  QGuiApplication::setApplicationDisplayName(Q(TaskbarTitle(caption_)));
}

void TVeldrimon69::EnableMenus(bool on) {
  menus_enabled_ = on;
  file_menu_->setEnabled(on);
  edit_menu_->setEnabled(on);
  if (QAction* stop = action(Act::kPopStop)) stop->setEnabled(!on);
  if (TBStop != nullptr) TBStop->setEnabled(!on);
  load_bar_->setEnabled(on);
  if (on) RefreshNavigation();
}

void TVeldrimon69::Properties1Click() {
  const std::string path = files_list_->FilePathAt(files_list_->Current());
  PropertiesFacts facts;
  facts.file_name = path == lists::kNoFile ? path : FileNameOf(path);
  facts.width = shown_.Width();
  facts.height = shown_.Height();
  facts.file_bits = file_bits_;
  facts.internal_bits = shown_.bitmap.Bits();
  facts.screen_bits = DisplayDepth();
  facts.colours = picture::CountColours(shown_);
  const QFileInfo info(Q(path));
  if (info.exists()) {
    facts.file_size = info.size();
    facts.modified = info.lastModified().toString("yyyy-MM-dd hh:mm:ss").toStdString();
  }
  facts.position = files_list_->Current();
  facts.count = files_list_->Count();
  if (shown_kind_ == picture::kKindGif) {
    facts.gif = true;
    const picture::PictureInfo header = picture::ReadPictureInfo(path);
    facts.interlaced = header.interlaced;
    facts.animated = codecs::IsAnimatedGif(path);
    ReadGifExtras(path, &facts);
  }
  if (shown_kind_ == picture::kKindJpeg) facts.camera = CameraFactRows(path);
  TPropertiesMenu window(facts, this);
  window.SetPaletteEditor([this](const std::string& title) { RunPaletteEditor(title); });
  options_.exec_dialog(window);
  LayOutFitPane(true);  // the palette may have changed
}

void TVeldrimon69::keyPressEvent(QKeyEvent* event) {
  // Keys normally reach FormKeyDown through the key preview before any control sees them.
  if (!nav_->FormKeyDown(NavInput::KeyCodeOf(*event), event->modifiers() & Qt::AltModifier)) {
    QMainWindow::keyPressEvent(event);
  }
}

void TVeldrimon69::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  LayOutClient();
}

bool TVeldrimon69::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    // Panel 0 shows the hint, or the view's text when there is none.
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    SetStatusPanel(0, tip.isEmpty() ? ViewStatusText(view_) : tip.toStdString());
    return true;
  }
  if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show) {
    const bool handled = QMainWindow::event(event);
    LayOutClient();
    return handled;
  }
  if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
    title_strip_->update();
  }
  return QMainWindow::event(event);
}

}  // namespace vr::shell::ui
