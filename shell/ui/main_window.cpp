#include "shell/navigation.h"
#include "shell/ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
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
#include <filesystem>
#include <fstream>
#include <optional>

#include "colour/reduce.h"
#include "colour/reduce_menu.h"
#include "colour/ui/dither_progress_window.h"
#include "lists/files_list.h"
#include "lists/load_menu.h"
#include "lists/search/ui/search_list_menu.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/preview_form.h"
#include "lists/recycle/recycle_bin.h"
#include "lists/recycle/ui/recycle_window.h"
#include "lists/ui/formats_window.h"
#include "notes/notes_database.h"
#include "notes/notes_text.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/fli/ui/movie_fli_menu.h"
#include "picture/codecs/gif/gif_graphics.h"
#include "picture/codecs/gif/gif_host.h"
#include "picture/codecs/gif/ui/gif_comments_menu.h"
#include "picture/convert.h"
#include "picture/decode_progress.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"
#include "picture/shrink.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "platform/please_wait.h"
#include "platform/shell_service.h"
#include "platform/sounds.h"
#include "platform/temp_sweep.h"
#include "platform/ui.h"
#include "shell/hand_over.h"
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
#include "shell/ui/setup_file_types.h"

// The built-in resources live in this static library; register them before first use.
static void InitVeldrimonResources() { Q_INIT_RESOURCE(veldrimon); }

namespace vr::shell::ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }


// The bin's button image: an outlined bin, holding paper when the bin holds files.
QIcon BinIcon(bool full) {
  QPixmap pixmap(kButtonSize, kButtonSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QPen(Qt::black, 1));
  if (full) {
    p.setBrush(Qt::white);
    p.drawRect(6, 1, 8, 6);
  }
  p.setBrush(full ? QColor(0x80, 0x80, 0x80) : QColor(0xc0, 0xc0, 0xc0));
  p.drawRect(3, 5, 13, 2);
  p.drawRect(5, 7, 9, 11);
  return QIcon(pixmap);
}

int64_t TodayFromClock() { return DayNumber(static_cast<int64_t>(std::time(nullptr))); }

// Frames of a playing GIF go to the fit pane; waits between frames keep the window alive.
class ViewerGifHost : public codecs::gif::GifHost {
 public:
  explicit ViewerGifHost(TVeldrimon69* window) : window_(window) {}
  void ChangedRect(const codecs::gif::GifRect&) override { window_->GifFrameChanged(); }
  void FullRepaint(int) override { window_->GifFrameChanged(); }
  void RowsDrawn(int) override { window_->GifFrameChanged(); }
  void ProcessMessages() override { QCoreApplication::processEvents(); }

 private:
  TVeldrimon69* window_;
};

}  // namespace

TVeldrimon69::TVeldrimon69(ViewerOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), services_(options_.services) {
  setObjectName("TVeldrimon69");
  InitVeldrimonResources();
  setAcceptDrops(true);
  if (!options_.exec_dialog) options_.exec_dialog = [](QDialog& d) { return d.exec(); };
  if (!options_.today) options_.today = TodayFromClock;

  lists::ListServices list_services;
  list_services.files = services_.files;
  list_services.please_wait = services_.please_wait;
  list_services.pump = services_.pump;
  list_services.ui = services_.ui;
  files_list_ = std::make_unique<lists::FilesList>(list_services);
  drives_ = std::make_unique<lists::DriveMenu>();

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
  full_screen_ = new TFullScreen(nullptr);
  nav_ = new TNavInput(*this);
  nav_->Watch(fit_pane_, TNavInput::Pane::kFit);
  nav_->Watch(ScrollBox1->viewport(), TNavInput::Pane::kScrollBox);
  nav_->Watch(PanelImage1, TNavInput::Pane::kActual);
  nav_->Watch(full_screen_, TNavInput::Pane::kFullScreen);
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
  delete dither_window_;
  delete gif_comments_;
  delete full_screen_;
}

QAction* TVeldrimon69::action(const std::string& name) const {
  for (const auto& [n, a] : actions_) {
    if (n == name) return a;
  }
  return nullptr;
}

QAction* TVeldrimon69::AddCheck(QMenu* menu, const std::string& name, const QString& caption,
                                bool checked) {
  QAction* a = menu->addAction(caption);
  a->setCheckable(true);
  a->setChecked(checked);
  actions_.emplace_back(name, a);
  return a;
}

void TVeldrimon69::BuildMenus() {
  auto add = [this](QMenu* menu, const std::string& name, const QString& caption,
                    std::function<void()> slot) {
    QAction* a = menu->addAction(caption);
    actions_.emplace_back(name, a);
    connect(a, &QAction::triggered, this, [slot] { slot(); });
    return a;
  };
  file_menu_ = menuBar()->addMenu("&File");
  add(file_menu_, "Open1", "Load File(s) From Current Folder", [this] { Open1Click(); })
      ->setShortcut(QKeySequence::Open);
  add(file_menu_, "LoadAllImages1", "Load ALL Images From All Hard Drives Into Files List",
      [this] { LoadAllImages1Click(); });
  drive_menu_ = file_menu_->addMenu("Load Allowable File Types From Drive(s)");
  recent_folders_menu_ = file_menu_->addMenu("Recent Folders");
  recent_files_menu_ = file_menu_->addMenu("Recent Files");
  file_menu_->addSeparator();
  add(file_menu_, "SaveAs1", "Save &As", [this] { SaveAs1Click(); });
  add(file_menu_, "Properties1", "P&roperties", [this] { Properties1Click(); });
  file_menu_->addSeparator();
  add(file_menu_, "ExportDataBase1", "&Export DataBase To Comma Delimited TEXT File",
      [this] { ExportDataBase1Click(); });
  add(file_menu_, "ImportDataBase1", "&Import DataBase From Comma Delimited TEXT File",
      [this] { ImportDataBase1Click(); });
  file_menu_->addSeparator();
  add(file_menu_, "Exit1", "E&xit", [this] { close(); });

  edit_menu_ = menuBar()->addMenu("&Edit");
  add(edit_menu_, "Previous1", "&Back (Previous File)   PgUp", [this] { GoPrevious(); });
  add(edit_menu_, "Next1", "&Forward (Next File)     PgDn", [this] { GoNext(); });
  add(edit_menu_, "First1", "&1st File In List", [this] { GoFirst(); });
  add(edit_menu_, "Last1", "&Last File in List", [this] { GoLast(); });
  edit_menu_->addSeparator();
  add(edit_menu_, "TagFile1", "Tag/UN-Tag &File         Key=SPACE", [this] { TBTagClick(); });
  add(edit_menu_, "DeleteFile1", "&Delete Current File", [this] { TBTrashClick(); });
  add(edit_menu_, "RecycleBin1", "&Recycle Bin", [this] { TBUnDeleteClick(); });
  QMenu* effects = menuBar()->addMenu("Effec&Ts");
  BuildEffectsMenu(effects);

  QMenu* view = menuBar()->addMenu("&View");
  add(view, "FileListWindow1", "Files List Window", [this] { FileListWindow1Click(); });
  add(view, "SearchList1", "Search File List By...", [this] { SearchList1Click(); });
  view->addSeparator();
  view_group_ = new QActionGroup(this);
  const std::pair<const char*, View> views[] = {
      {"&Re-Size To Fit            Key=V", View::kFit},
      {"&Actual Size                 Key=V", View::kActual},
      {"&2 Views (Split View)    Key=V", View::kSplit}};
  static const char* kViewNames[] = {"ViewFit", "ViewActual", "ViewSplit"};
  for (const auto& [caption, v] : views) {
    QAction* a = AddCheck(view, kViewNames[static_cast<int>(v)], caption, v == View::kFit);
    view_group_->addAction(a);
    const View chosen = v;
    connect(a, &QAction::triggered, this, [this, chosen] { SelectView(chosen); });
  }
  view->addSeparator();
  full_group_ = new QActionGroup(this);
  full_group_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  const struct {
    const char* name;
    const char* caption;
    int mode;
    bool shrink;
  } fulls[] = {{"FullShrink", "FULL Screen (Shrink If Needed)", 1, true},
               {"FullFit", "FULL Screen (RE-Size To Fit)     ", 1, false},
               {"FullActual", "FULL Screen (Actual Size)", 2, false}};
  for (const auto& f : fulls) {
    QAction* a = AddCheck(view, f.name, f.caption, false);
    full_group_->addAction(a);
    const int mode = f.mode;
    const bool shrink = f.shrink;
    connect(a, &QAction::triggered, this, [this, mode, shrink] { EnterFullScreen(mode, shrink); });
  }
  view->addSeparator();
  connect(AddCheck(view, "KeepAspect", "&Keep Aspect Ratio", false), &QAction::triggered, this,
          [this] { ToolButton1Click(); });
  connect(AddCheck(view, "Smooth", "Smooth SHRUNKEN Images On Screen?", false), &QAction::triggered,
          this, [this] { ToolButton2Click(); });
  AddCheck(view, "AutoSize", "Auto Size Window On Load", false);
  connect(AddCheck(view, "DisplayPath", "&Display Path In Title Bar", true), &QAction::triggered,
          this, [this] { UpdateStatusAndCaption(); });
  AddCheck(view, "GifContinuous", "GIF &Animation (Continuous)", true);
  AddCheck(view, "GifComments", "GIF &Comments (Show when picture loads)", false);
  AddCheck(view, "PlayWav", "Play .WAV Files By Same Name", false);
  view->addSeparator();
  // This platform keeps the screen's mode; the entries set the depth the loader decodes for.
  add(view, "Screen256", "Windows Screen 256 Colors", [this] {
    screen_depth_override_ = 8;
    ShowCurrentFile(false, 1);
  });
  add(view, "ScreenTrue", "Windows Screen TRUE or HI Color", [this] {
    screen_depth_override_ = 24;
    ShowCurrentFile(false, 1);
  });
  add(view, "ScreenBoot", "Windows Screen BootUp Mode", [this] {
    screen_depth_override_ = 0;
    ShowCurrentFile(false, 1);
  });

  previews_menu_ = menuBar()->addMenu("&Previews");  // filled by the preview windows
  QMenu* options = menuBar()->addMenu("&Options");
  auto* multi = new QActionGroup(this);
  static const char* kMultiNames[] = {"MultiYes", "MultiNo", "MultiAsk"};
  static const char* kMultiCaptions[] = {"Multi-Load (&YES)", "Multi-Load (&NO)",
                                         "Multi-Load (&ASK)"};
  for (int mode = 0; mode < 3; ++mode) {
    QAction* a = AddCheck(options, kMultiNames[mode], kMultiCaptions[mode], mode == 1);
    multi->addAction(a);
    connect(a, &QAction::triggered, this, [this, mode] { SetMultiLoad(mode); });
  }
  options->addSeparator();
  add(options, "SelectFormats", "Select Formats For Loading...", [this] { SelectFormatsClick(); });
  options->addSeparator();
  connect(AddCheck(options, "Sound", "&Play Sounds", true), &QAction::triggered, this,
          [this] { ToggleSoundOnOff1Click(); });
  connect(AddCheck(options, "IncludeFolders", "&Always Include Sub-Folders When LOADing In Folders",
                   false),
          &QAction::toggled, this, [this](bool on) { files_list_->set_always_subfolders(on); });
  BuildColourMenus(effects, options);

  QMenu* setup = menuBar()->addMenu("Set&up");
  add(setup, "SetupFileTypes", "Setup File Types...", [this] { SetupFileTypesClick(); });
  add(setup, "UnInstall", "&UN-Install", [this] { UnInstallClick(); });
  QMenu* paranoia = setup->addMenu("Paranoia Options");
  add(paranoia, "ClearHistory", "&Clear RECENT Folders/Files entries",
      [this] { ClearHistoryClick(); });

  QMenu* help = menuBar()->addMenu("&Help");
  add(help, "ReadMe", "README.TXT",
      [this] { services_.shell->OpenDocument(services_.folders->ProgramFolder() + "README.TXT"); });
}

void TVeldrimon69::BuildToolBars() {
  const std::vector<QIcon>& icons = button_icons_;
  auto button = [&](QToolBar* bar, const char* name, int image, const QString& tip,
                    std::function<void()> slot) {
    auto* b = new QToolButton(bar);
    b->setObjectName(name);
    b->setIcon(icons[image]);
    b->setToolTip(tip);
    b->setStatusTip(tip);
    bar->addWidget(b);
    connect(b, &QToolButton::clicked, this, [slot] { slot(); });
    return b;
  };
  load_bar_ = addToolBar("Load");
  load_bar_->setObjectName("LoadBar");
  TBLoad = button(load_bar_, "TBLoad", kImageLoad, "Load picture files", [this] { Open1Click(); });
  TBLoad->setText("Load");
  TBLoad->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  TBFirst = button(load_bar_, "TBFirst", kImageFirst, "First file in list", [this] { GoFirst(); });
  TBPrev = button(load_bar_, "TBPrev", kImagePrevious, "Previous file in list",
                  [this] { GoPrevious(); });
  TBNext = button(load_bar_, "TBNext", kImageNext, "Next file in list", [this] { GoNext(); });
  TBLast = button(load_bar_, "TBLast", kImageLast, "Last file  in list", [this] { GoLast(); });
  TBTag = button(load_bar_, "TBTag", kImageUntagged, "Click to Tag/UN-tag file",
                 [this] { TBTagClick(); });
  TBTrash = button(load_bar_, "TBTrash", kImageLoad,
                   "Delete Current Picture, cick RECYCLE BIN button to un-delete the file",
                   [this] { TBTrashClick(); });
  TBUnDelete =
      button(load_bar_, "TBUnDelete", kImageLoad, "Opens your RECYCLE BIN for un-deleting files",
             [this] { TBUnDeleteClick(); });
  TBSpeaker = button(load_bar_, "TBSpeaker", kImageSoundOn, "Turn program sounds ON/OFF",
                     [this] { ToggleSoundOnOff1Click(); });
  ShowBinState(false);
  view_bar_ = addToolBar("View");
  view_bar_->setObjectName("ViewBar");
  ToolButton1 = button(view_bar_, "ToolButton1", kImageKeepAspect, "Keep Aspect Ratio",
                       [this] { ToolButton1Click(); });
  ToolButton1->setCheckable(true);
  ToolButton2 = button(view_bar_, "ToolButton2", kImageSmooth, "Smooth SHRUNKEN Images On Screen",
                       [this] { ToolButton2Click(); });
  ToolButton2->setCheckable(true);
  ToolButton5 =
      button(view_bar_, "ToolButton5", kImageViewToggle,
             "Re-Size To Fit / Split / Actual Size (Key=V)", [this] { ToolButton5Click(); });
}

void TVeldrimon69::BuildColourMenus(QMenu* effects, QMenu* options) {
  QMenu* reduce = effects->addMenu("Reduce &Colors to...");
  const std::vector<colour::ReduceMenuItem>& items = colour::ReduceMenuItems();
  for (size_t i = 0; i < items.size(); ++i) {
    QAction* a = reduce->addAction(QString::fromLatin1(items[i].caption));
    actions_.emplace_back("Reduce" + std::to_string(i + 1), a);
    const int index = static_cast<int>(i);
    connect(a, &QAction::triggered, this, [this, index] { ReduceColorsClick(index); });
  }
  options->addSeparator();
  auto* mode = new QActionGroup(this);
  mode->addAction(AddCheck(options, "DitherOn", "Dither (Best On Photos)", true));
  mode->addAction(AddCheck(options, "DitherOff", "REMAP, No Dither (Best On Line Art)", false));
  AddCheck(options, "ShowDitherProgress", "Show Dither Progress Window", true);
  connect(AddCheck(options, "TrueColour256", "Make TRUE-COLOR images load as 256 DITHERED Colors",
                   false),
          &QAction::triggered, this, [this] { TrueColourOn256Click(); });
}

void TVeldrimon69::TrueColourOn256Click() {
  settings_.true_colour_on_256 = colour::ToggleTrueColourOn256(
      settings_.true_colour_on_256, DisplayDepth(),
      [this](const std::string& text) { services_.ui->Information(text); },
      [this](const std::string& text) { return services_.ui->AskYesNo(text); });
  action("TrueColour256")->setChecked(settings_.true_colour_on_256 != 0);
}

bool TVeldrimon69::ReduceColorsClick(int index) {
  const std::vector<colour::ReduceMenuItem>& items = colour::ReduceMenuItems();
  if (index < 0 || static_cast<size_t>(index) >= items.size()) return false;
  // Never while a load, an animation or another reduction is using the picture.
  if (show_state_.busy() || active_gif_ != nullptr || dither_window_->Running()) return false;
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
  request.dither = action("DitherOn")->isChecked();
  picture::Bitmap reduced;
  colour::Palette6 palette{};
  setEnabled(false);
  const colour::ReduceResult result = dither_window_->Reduce(
      source, reduced, palette, request, action("ShowDitherProgress")->isChecked());
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

void TVeldrimon69::BuildPictureMenu() {
  picture_menu_ = new QMenu(this);
  picture_menu_->setObjectName("PicturePopup");
  QAction* normal = picture_menu_->addAction("Normal Window                         Key=ESCAPE");
  connect(normal, &QAction::triggered, this, [this] {
    StopAnimation();
    if (full_screen_->looping()) full_screen_->SetRequest(kRequestStop);
  });
  actions_.emplace_back("PopNormal", normal);
  // The copy of the "&Previews" entries; the preview windows fill it like the main menu's.
  picture_previews_ = picture_menu_->addMenu("&Previews");
  const struct {
    const char* name;
    const char* caption;
    int mode;
    bool shrink;
  } fulls[] = {{"PopFullShrink", "FULL Screen (Shrink If Needed)", 1, true},
               {"PopFullFit", "FULL Screen (RE-Size To Fit)     ", 1, false},
               {"PopFullActual", "FULL Screen (Actual Size)", 2, false}};
  auto* group = new QActionGroup(picture_menu_);
  for (const auto& f : fulls) {
    QAction* a = picture_menu_->addAction(f.caption);
    a->setCheckable(true);
    group->addAction(a);
    actions_.emplace_back(f.name, a);
    const int mode = f.mode;
    const bool shrink = f.shrink;
    connect(a, &QAction::triggered, this, [this, mode, shrink] {
      if (full_screen_->looping()) {
        // Inside the loop the entry sets the mode and asks for a redisplay.
        full_screen_view_ = mode;
        full_screen_->SetRequest(kRequestRedisplay);
      } else {
        EnterFullScreen(mode, shrink);
      }
    });
  }
  picture_menu_->addSeparator();
  QAction* tips = picture_menu_->addAction("Display Tool Tips Off");
  tips->setCheckable(true);
  actions_.emplace_back("PopTips", tips);
  connect(tips, &QAction::toggled, this,
          [this](bool off) { fit_pane_->setToolTip(off ? QString() : QString(kMiddleZoneTip)); });
  picture_menu_->addSeparator();
  FillWallpaperPopup(picture_menu_->addMenu("Wall-Paper"));
  picture_menu_->addSeparator();
  QAction* slide = picture_menu_->addAction("&Start Slide Show Now   (F12)");
  slide->setStatusTip("Start the slide show");
  actions_.emplace_back("PopSlideShow", slide);
  QAction* gif_start = picture_menu_->addAction("START GIF Animation                       F11");
  actions_.emplace_back("PopGifStart", gif_start);
  connect(gif_start, &QAction::triggered, this, [this] {
    if (!show_state_.busy() && shown_kind_ == picture::kKindGif) ShowCurrentFile(false, 1);
  });
  QAction* stop = picture_menu_->addAction("STOP SlideShow or GIF Animation");
  stop->setEnabled(false);
  connect(stop, &QAction::triggered, this, [this] { StopAnimation(); });
  actions_.emplace_back("PopStop", stop);
  picture_menu_->addSeparator();
  QAction* puzzle = picture_menu_->addAction("Puzzle-Fun (Turn Image Into Puzzle)");
  puzzle->setEnabled(false);  // no puzzle window yet
  actions_.emplace_back("PopPuzzle", puzzle);
  QAction* del = picture_menu_->addAction("&Delete Current File");
  del->setStatusTip("Delete Current Picture, cick RECYCLE BIN button to un-delete the file");
  actions_.emplace_back("PopDelete", del);
  connect(del, &QAction::triggered, this, [this] { TBTrashClick(); });
  QMenu* print = picture_menu_->addMenu("&Print");
  print->setEnabled(false);
  QAction* props = picture_menu_->addAction("P&roperties");
  actions_.emplace_back("PopProperties", props);
  connect(props, &QAction::triggered, this, [this] { Properties1Click(); });
  fit_pane_->setToolTip(kMiddleZoneTip);
}

void TVeldrimon69::AttachMenuImages() {
  if (menu_icons_.empty()) return;
  static constexpr struct {
    const char* action;
    int image;
  } kImages[] = {
      {"Open1", kIconOpen},           {"Properties1", kIconProperties},
      {"Exit1", kIconExit},           {"Previous1", kIconPrevious},
      {"Next1", kIconNext},           {"First1", kIconFirst},
      {"Last1", kIconLast},           {"TagFile1", kIconTag},
      {"DeleteFile1", kIconDelete},   {"RecycleBin1", kIconRecycleBin},
      {"FileListWindow1", kIconFilesList},
      {"FullShrink", kIconFullScreen}, {"FullFit", kIconFullScreen},
      {"FullActual", kIconFullScreen}, {"ReadMe", kIconHelp}};
  for (const auto& entry : kImages) {
    if (QAction* a = action(entry.action)) a->setIcon(menu_icons_[entry.image]);
  }
  recent_folders_menu_->menuAction()->setIcon(menu_icons_[kIconFolder]);
  drive_menu_->menuAction()->setIcon(menu_icons_[kIconDriveFixed]);
  AttachListWindowImages();
}

void TVeldrimon69::AttachListWindowImages() {
  if (!list_window_ || menu_icons_.empty()) return;
  list_window_->SetMenuImages(menu_icons_[kIconFullScreen], menu_icons_[kIconExit],
                              menu_icons_[kIconTag]);
}

QCursor TVeldrimon69::CursorAt(int slot) const {
  const auto found = cursors_.find(slot);
  return found != cursors_.end() ? found->second : QCursor(Qt::ArrowCursor);
}

void TVeldrimon69::BuildDriveMenu() {
  drive_menu_->clear();
  std::vector<platform::Drive> drives;
  if (services_.files != nullptr) drives = services_.files->Drives();
  drives_->Build(drives);
  const std::vector<lists::DriveMenuItem>& items = drives_->items();
  QAction* notes_only = nullptr;
  for (size_t index = 0; index < items.size(); ++index) {
    const lists::DriveMenuItem& item = items[index];
    QAction* a = drive_menu_->addAction(Q(item.caption));
    a->setStatusTip(Q(item.hint));
    int image = -1;
    switch (item.type) {
      case platform::DriveType::kFixed:
        image = kIconDriveFixed;
        break;
      case platform::DriveType::kRemovable:
        image = kIconDriveRemovable;
        break;
      case platform::DriveType::kRemote:
        image = kIconDriveRemote;
        break;
      case platform::DriveType::kCdRom:
        image = kIconDriveCdRom;
        break;
      case platform::DriveType::kRamDisk:
        image = kIconDriveRam;
        break;
      case platform::DriveType::kUnknown:
        break;
    }
    if (item.kind == lists::DriveItemKind::kDrive && image >= 0 &&
        image < static_cast<int>(menu_icons_.size())) {
      a->setIcon(menu_icons_[image]);
    }
    if (item.kind == lists::DriveItemKind::kNotesOnly) {
      a->setCheckable(true);
      a->setChecked(drives_->notes_only());
      connect(a, &QAction::toggled, this, [this](bool on) { drives_->set_notes_only(on); });
      notes_only = a;
      continue;
    }
    connect(a, &QAction::triggered, this, [this, index, notes_only] {
      EnableMenus(false);
      // Drive loads add to the list; only the open dialog's load replaces it.
      drives_->Load(*files_list_, index);
      // Every drive load clears the notes-only mark.
      if (notes_only != nullptr) notes_only->setChecked(drives_->notes_only());
      files_list_->SetCurrent(0);
      FinishListLoad();
    });
  }
}

void TVeldrimon69::RefreshRecentMenus() {
  recent_folders_menu_->clear();
  recent_files_menu_->clear();
  for (int i = 0; i < kRecentCount; ++i) {
    QAction* folder = recent_folders_menu_->addAction(Q(settings_.recent_folders[i]));
    folder->setEnabled(!IsUnusedEntry(settings_.recent_folders[i]));  // an unused slot opens nothing
    connect(folder, &QAction::triggered, this, [this, i] { OpenRecentFolder(i); });
    QAction* file = recent_files_menu_->addAction(Q(settings_.recent_files[i]));
    file->setEnabled(!IsUnusedEntry(settings_.recent_files[i]));
    connect(file, &QAction::triggered, this, [this, i] { OpenRecentFile(i); });
  }
}

void TVeldrimon69::ApplySettingsToMenus() {
  action("DisplayPath")->setChecked(settings_.display_path);
  action("IncludeFolders")->setChecked(settings_.include_folders);
  action("Sound")->setChecked(settings_.sound);
  action("PlayWav")->setChecked(settings_.play_wav);
  static const char* kMultiNames[] = {"MultiYes", "MultiNo", "MultiAsk"};
  action(kMultiNames[settings_.multi_load])->setChecked(true);
  ShowSoundState();
  files_list_->set_always_subfolders(settings_.include_folders);
  ApplyEffectsSettings();
  RefreshRecentMenus();
}

void TVeldrimon69::ReadMenusIntoSettings() {
  settings_.display_path = action("DisplayPath")->isChecked();
  settings_.include_folders = action("IncludeFolders")->isChecked();
  settings_.sound = action("Sound")->isChecked();
  settings_.play_wav = action("PlayWav")->isChecked();
  ReadEffectsSettings();
}

void TVeldrimon69::RunStartupSequence() {
  try {
    // Step 1: the hint colour.
    ApplyHintColour();
    // Steps 2 to 4: the settings name, depth, large fonts and folders.
    ReadLargeFonts();
    settings_name_ = SettingsFileName(options_.args);
    settings_path_ = SettingsPath(services_.folders->ProgramFolder(), settings_name_);
    // Step 5: the cursors and the menu images (the button images were cut when the tool bars
    // were built).
    cursors_ = LoadCursors();
    menu_icons_ = LoadMenuImages(DisplayDepth());
    // Step 6.
    ClearPicture();
    UpdateStatusAndCaption();
    // Step 8: the drive-loading menu.
    BuildDriveMenu();
    // Step 9: the settings.
    settings_ = ReadSettings(settings_path_);
    ApplySettingsToMenus();
    // Steps 10 to 12.
    TBPrev->setEnabled(false);
    TBNext->setEnabled(false);
    files_list_->SetCurrent(0);
    setMinimumWidth(load_bar_->geometry().left() + TBLoad->geometry().left() + 16);
    SelectView(View::kFit);
    // Step 14: the scratch file and the Notes database.
    scratch_ = services_.folders->CreateTempFile("~LS", ".TMP");
    OpenNotes(services_.folders->ProgramFolder() + settings_.database_name);
    StartRecycleBin();
    // Step 15: large fonts widen the tool bars.
    ApplyLargeFonts();
    // Step 16: the command line, the "/INI:" switch left out.
    const std::vector<std::string> paths = CommandLinePaths(options_.args);
    if (!paths.empty()) {
      files_list_->LoadPaths(paths, 100, 0);
      files_list_->SetCurrent(0);
    }
    // Step 17: the menu images on the menus.
    AttachMenuImages();
    // Step 18: the version and install check, and the first-run setup.
    if (options_.register_file_types) {
      registrar_ = std::make_unique<FileTypeRegistrar>(
          *services_.shell, FileTypeRegistrar::DefaultDataHome(), options_.program_path);
    }
    if (RunVersionCheck(*services_.ui, services_.sounds, registrar_.get(), settings_path_,
                        settings_)) {
      RunFirstRunSetup();
    }
    // Steps 19 and 20.
    BuildPictureMenu();
    keep_aspect_ = false;
    smooth_ = false;
    ToolButton1Click();
    ToolButton2Click();
    // Step 21.
    RefreshNavigation();
    UpdateStatusAndCaption();
    // Step 22: the update reminder.
    RunUpdateReminder(*services_.ui, *services_.shell, settings_path_, settings_, options_.today());
  } catch (...) {
    // Start-up goes on with what was prepared.
  }
  if (picture_menu_ == nullptr) BuildPictureMenu();
  if (bin_ == nullptr) StartRecycleBin();
  StartListWindow();
  if (!files_list_->Empty()) {
    // Shown from the message loop; the show makes a hidden window visible with its picture.
    QTimer::singleShot(0, this, [this] {
      ShowCurrentFile(false, 1);
      if (isHidden()) show();
    });
  }
}

void TVeldrimon69::RunFirstRunSetup() {
  const std::string readme = services_.folders->ProgramFolder() + "README.TXT";
  if (!QFileInfo::exists(Q(readme))) {
    // The program's own copy is built in; put it where the user can find it.
    QFile::copy(":/veldrimon/README.TXT", Q(readme));
    QFile::setPermissions(
        Q(readme), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  }
  services_.shell->OpenDocument(readme);
  RunSetupFileTypesWindow();
}

bool TVeldrimon69::RunSetupFileTypesWindow() {
  TSetupFileTypes window(this);
  if (options_.exec_dialog(window) != QDialog::Accepted) return false;
  if (registrar_ != nullptr && registrar_->Register(window.CheckedMimeTypes())) {
    WriteRegistrationVersion(settings_path_, kProgramVersion);
  }
  return true;
}

void TVeldrimon69::SetupFileTypesClick() { RunSetupFileTypesWindow(); }

void TVeldrimon69::UnInstallClick() {
  if (Uninstall(*services_.ui, registrar_.get(), services_.folders->ProgramFolder(), settings_path_,
                settings_name_, settings_)) {
    uninstalled_ = true;
    close();
  }
}

void TVeldrimon69::ClearHistoryClick() {
  if (ClearHistory(*services_.ui, settings_, settings_path_)) {
    RefreshRecentMenus();
    if (list_window_) ApplyTagFolders(settings_, *list_window_);
  }
}

void TVeldrimon69::SetMultiLoad(int mode) {
  settings_.multi_load = mode;
  WriteMultiLoad(settings_path_, mode);
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

void TVeldrimon69::LoadIntoShown(const std::string& path) {
  picture::PictureHolder loaded;
  picture::DecodeOptions decode;
  decode.display_depth = DisplayDepth();
  decode.true_colour_on_256 = settings_.true_colour_on_256 != 0;
  decode.progress = load_progress_->Start();
  picture::LoadDetails details;
  const uint16_t kind = picture::KindFromName(path);
  bool failed = false;
  int bits = -1;
  try {
    if (kind == picture::kKindGif) {
      bool animated = false;
      // Only for the decode: the warning box below runs an event loop of its own.
      const picture::ProgressScope progress(decode.progress);
      const codecs::ReadResult r =
          codecs::LoadGifStill(path, loaded.bitmap, picture::Rgb{0, 0, 0}, &animated);
      failed = !r.ok();
      bits = r.depth;
    } else {
      std::optional<shell::PrefetchedPicture> ready;
      if (options_.prefetch != nullptr) ready = options_.prefetch->Take(path, decode);
      if (ready) {
        loaded = std::move(ready->holder);
        details = std::move(ready->details);
      } else {
        picture::LoadPicture(path, loaded, decode, &details);
      }
      failed = details.failed;
      bits = details.file_depth;
    }
  } catch (...) {
    failed = true;
  }
  last_load_failed_ = failed;
  if (failed) {
    services_.ui->Warning("Error loading file:" + path);
    return;  // the previous picture stays
  }
  shown_ = std::move(loaded);
  shown_kind_ = kind;
  if (shown_.Width() == 0 || shown_.Height() == 0) {
    shown_.Reset();
    shown_.bitmap.Create(1, 1, picture::PixelFormat::k24);
  }
  switch (shown_.kind) {
    case picture::GraphicKind::kIcon:
    case picture::GraphicKind::kJpeg:
      file_bits_ = 24;
      break;
    case picture::GraphicKind::kMetafile:
      file_bits_ = 8;
      break;
    case picture::GraphicKind::kPng:
      file_bits_ = shown_.png_bits;
      break;
    default:
      file_bits_ = bits > 0 ? bits : shown_.bitmap.Bits();
  }
  // Metafiles stay vector graphics; the actual-size pane needs pixels.
  if (shown_.bitmap.Empty()) (void)shown_.AsBitmap();
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

void TVeldrimon69::AnimateGif(const std::string& path) {
  ViewerGifHost host(this);
  codecs::gif::TGifGraphics gif;
  gif.SetHost(&host);
  gif.SetBackground(picture::Rgb{0, 0, 0});
  active_gif_ = &gif;
  gif_stop_ = false;
  for (;;) {
    gif.SetStopKey(0);
    gif.LoadGif(path, shown_.bitmap);
    // Another pass only while continuous play is on and nobody asked to stop.
    if (gif_stop_ || closing_ || !action("GifContinuous")->isChecked()) break;
    QCoreApplication::processEvents();
    if (gif_stop_ || closing_) break;
  }
  active_gif_ = nullptr;
  PictureChanged();
  PanelImage1->SetBitmap(&shown_.bitmap);
  LayOutFitPane(true);
}

void TVeldrimon69::StopAnimation() {
  if (active_gif_ == nullptr) return;
  gif_stop_ = true;
  active_gif_->SetStopKey(codecs::gif::kStopKeyEscape);
}

void TVeldrimon69::GifFrameChanged() {
  ++gif_frames_;
  PictureChanged();
  if (view_ == View::kActual || view_ == View::kSplit) PanelImage1->update();
  if (fit_pane_->isVisible()) fit_pane_->RepaintPicture();
}

bool TVeldrimon69::ShowCurrentFile(bool remember_if_busy, int animate) {
  std::string name = files_list_->FilePathAt(files_list_->Current());
  if (!show_state_.Begin(remember_if_busy, name)) return false;
  loading_ = true;
  if (movie_window_) movie_window_->StopClick();  // the media player stops on every show
  for (;;) {
    EnableMenus(false);
    platform::SweepSpecialTempFiles();  // plain copies of protected files from earlier shows
    if (name != lists::kNoFile && action("PlayWav")->isChecked() && services_.sounds != nullptr) {
      // A sound file of the same name plays along with the picture.
      if (const std::string wav = SameNameSound(name); !wav.empty()) services_.sounds->PlayFile(wav);
    }
    HideMedia();
    if (animate != 2) {
      // Each load starts without the comments of the picture before.
      gif_comments_->Clear();
      gif_comments_->close();
    }
    if (name == lists::kNoFile) {
      ClearPicture();
    } else if (picture::IsMediaKind(picture::KindFromName(name))) {
      ClearPicture();
      ShowMedia(name);
    } else if (animate != 2) {
      LoadIntoShown(name);
      if (shown_kind_ == picture::kKindGif) {
        PropertiesFacts facts;
        ReadGifExtras(name, &facts);
        gif_comments_->SetLines(facts.comments);
      }
      NoteShownForExport(name);
      ScreenColourNotice();
    }
    PictureChanged();
    PanelImage1->SetBitmap(&shown_.bitmap);
    if (!full_screen_->looping()) RealisePalette();
    // Each show is a first pass here (the animation's later passes run in AnimateGif).
    AutoSizeWindow();
    if (isHidden()) show();
    LayOutFitPane(true);
    loading_ = false;
    picture_shown_ = name != lists::kNoFile;
    if (animate == 1 && shown_kind_ == picture::kKindGif && name != lists::kNoFile &&
        codecs::IsAnimatedGif(name)) {
      AnimateGif(name);
    }
    if (gif_comments_->HasLines() && action("GifComments")->isChecked() &&
        !full_screen_->looping()) {
      gif_comments_->show();
    } else {
      gif_comments_->close();
    }
    SetStatusPanel(0, ViewStatusText(view_));
    EnableMenus(true);
    const std::string next = show_state_.End();
    UpdateStatusAndCaption();
    RefreshNavigation();
    if (next.empty()) break;
    // A request that came in meanwhile: serve it now.
    const int at = files_list_->FindInFilesList(next);
    if (at >= 0) files_list_->SetCurrent(at);
    name = files_list_->FilePathAt(files_list_->Current());
    show_state_.Begin(false, name);
    loading_ = true;
  }
  WriteStateFile();
  return true;
}

void TVeldrimon69::AutoSizeWindow() {
  if (view_ != View::kFit || !action("AutoSize")->isChecked() || isMaximized()) return;
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
  if (force) display_dirty_ = true;
  fit_pane_->SetPaintBox(box);
  if (force && fit_pane_->isVisible()) fit_pane_->RepaintPicture();
}

const picture::Bitmap* TVeldrimon69::DisplayBitmapFor(int width, int height) {
  if (loading_ || width <= 0 || height <= 0) return nullptr;
  const bool vector = shown_.kind == picture::GraphicKind::kMetafile && shown_.vector;
  const bool animating = active_gif_ != nullptr;
  // Built once per paint-box size; metafiles are drawn afresh on each paint.
  if (!vector && !display_dirty_ && display_.Width() == width && display_.Height() == height) {
    return &display_;
  }
  display_ = picture::Bitmap();
  if (!display_.Create(width, height, picture::PixelFormat::k24)) return nullptr;
  if (vector) {
    shown_.vector->Render(display_, width, height, picture::Rgb{0xD0, 0xC0, 0xC0});
  } else {
    picture::SmoothSettings smooth;
    smooth.display_depth = DisplayDepth();
    // Frames of a playing animation are plainly stretched.
    smooth.smooth_shrunken = smooth_ && !animating;
    picture::DrawPictureScaled(shown_, display_, picture::Rect{0, 0, width, height}, false, smooth);
  }
  MapDisplayToScreen();
  ++display_rebuilds_;
  display_dirty_ = false;
  return &display_;
}

void TVeldrimon69::FirstPaintDone() {
  if (first_paint_seen_ || !picture_shown_ || files_list_->Empty() || show_state_.busy()) return;
  first_paint_seen_ = true;
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
  static const char* kViewNames[] = {"ViewFit", "ViewActual", "ViewSplit"};
  if (QAction* a = action(kViewNames[static_cast<int>(view)])) a->setChecked(true);
  LayOutClient();
  SetStatusPanel(0, ViewStatusText(view));
}

void TVeldrimon69::ToolButton1Click() {
  keep_aspect_ = !keep_aspect_;
  ToolButton1->setChecked(keep_aspect_);
  action("KeepAspect")->setChecked(keep_aspect_);
  LayOutFitPane(true);
}

void TVeldrimon69::ToolButton2Click() {
  smooth_ = !smooth_;
  ToolButton2->setChecked(smooth_);
  action("Smooth")->setChecked(smooth_);
  LayOutFitPane(true);
}

void TVeldrimon69::ToolButton5Click() { SelectView(NextView(view_)); }

void TVeldrimon69::EnterFullScreen(int mode, bool shrink_only) {
  if (full_screen_->looping()) return;
  full_screen_view_ = mode;
  const QPoint remembered = pos();
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int screen_height = screen != nullptr ? screen->geometry().height() : 768;
  move(remembered.x(), screen_height);
  std::string shown_path = files_list_->FilePathAt(files_list_->Current());
  if (QAction* a = action("PopSlideShow")) a->setEnabled(false);
  full_screen_->SetScreenPalette(IsPaletteDepth(DisplayDepth()) ? &screen_palette_ : nullptr);
  full_screen_->ShowPicture(shown_, mode, shrink_only, false, smooth_);
  for (;;) {
    const int request = full_screen_->RunLoop();
    if (request == kRequestStop || request == kRequestSlideShow || closing_) break;
    if (request == kRequestNext) {
      GoNext();
    } else if (request == kRequestPrevious) {
      GoPrevious();
    } else if (request == kRequestTag) {
      TBTagClick();
      continue;
    } else if (request == kRequestRestartGif) {
      ShowCurrentFile(false, 1);
    } else if (request == kRequestRedisplay) {
      // V switches between fit and actual; a menu entry has set the mode already.
      if (full_screen_->mode() == full_screen_view_) full_screen_view_ = mode == 1 ? 2 : 1;
      mode = full_screen_view_;
    }
    const std::string now = files_list_->FilePathAt(files_list_->Current());
    full_screen_->ShowPicture(shown_, mode, shrink_only, now == shown_path, smooth_);
    shown_path = now;
  }
  full_screen_view_ = 0;
  full_screen_->hide();
  RefreshNavigation();  // the slide-show entry follows the list again
  for (QAction* a : full_group_->actions()) a->setChecked(false);
  move(remembered);
  activateWindow();
  update();
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
  const QAction* display_path = action("DisplayPath");
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
  if (QAction* stop = action("PopStop")) stop->setEnabled(!on);
  load_bar_->setEnabled(on);
  if (on) RefreshNavigation();
}

void TVeldrimon69::StartRecycleBin() {
  if (bin_ != nullptr || services_.files == nullptr || services_.folders == nullptr) return;
  recycle::BinServices bin_services;
  bin_services.files = services_.files;
  bin_services.ui = services_.ui;
  bin_services.delete_note = [this](const std::string& path) {
    if (notes_ != nullptr && notes_->IsOpen()) notes_->DeleteNote(path);
  };
  bin_ = std::make_unique<recycle::RecycleBin>(
      bin_services, recycle::RecycleBin::FolderIn(services_.folders->ProgramFolder()));
  bin_->SetStateObserver([this](bool full) { ShowBinState(full); });
  bin_->Start();
  ShowBinState(bin_->IsFull());
}

void TVeldrimon69::ShowBinState(bool full) {
  bin_shown_full_ = full;
  const QIcon icon = BinIcon(full);
  if (TBTrash != nullptr) TBTrash->setIcon(icon);
  if (TBUnDelete != nullptr) TBUnDelete->setIcon(icon);
}

void TVeldrimon69::TBUnDeleteClick() {
  if (bin_ == nullptr) return;
  if (recycle_window_ != nullptr) {
    recycle_window_->raise();
    recycle_window_->activateWindow();
    return;
  }
  auto* window = new recycle::TRecycleBinMenu(*bin_, *services_.ui, this);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->SetAddToFilesList([this](const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    files_list_->LoadPaths(paths, 100);
    RefreshNavigation();
    UpdateStatusAndCaption();
  });
  connect(window, &QObject::destroyed, this, [this] {
    if (bin_ != nullptr) ShowBinState(bin_->IsFull());
  });
  recycle_window_ = window;
  window->show();
}

void TVeldrimon69::SelectFormatsClick() {
  // Made for each opening: a hand-over replaces the files list, and with it the types.
  lists::TFormatsMenu window(files_list_->allowable(), *services_.ui, 3, this);
  options_.exec_dialog(window);
}

void TVeldrimon69::Open1Click() {
  platform::FileDialogOptions dialog;
  dialog.title = "Open";
  dialog.multiple = true;
  dialog.filters = {{"All Pictures",
                     "*.bmp *.gif *.jpg *.jpe *.jpeg *.pcx *.pic *.png *.tga *.targa *.ico *.emf "
                     "*.wmf *.fli *.flc *.avi *.mov *.mpg *.mpe *.mpeg *.wav *.mid *.midi"},
                    {"All Files", "*"}};
  if (!IsUnusedEntry(settings_.recent_folders[0])) dialog.folder = settings_.recent_folders[0];
  const std::vector<std::string> picked = services_.ui->OpenFiles(dialog);
  if (picked.empty()) return;
  RememberLoad(settings_, picked.front());
  RefreshRecentMenus();
  EnableMenus(false);
  // The picked files replace the list; a name holding "+" stands for the filter's files.
  lists::DialogChoice choice;
  choice.files = picked;
  choice.filter_patterns = dialog.filters.front().patterns;
  lists::LoadDialogChoice(*files_list_, choice, /*append=*/false);
  if (picked.size() == 1 && picked.front().find('+') == std::string::npos) {
    const int at = files_list_->FindInFilesList(picked.front());
    if (at >= 0) files_list_->SetCurrent(at);
  }
  FinishListLoad();
}

void TVeldrimon69::FileListWindow1Click() {
  EnsureListWindow();
  list_window_->show();
  list_window_->raise();
}

// After a load that replaced or extended the list: menus back, buttons, status, and the current
// file shown (or the picture cleared for an empty list).
void TVeldrimon69::FinishListLoad() {
  EnableMenus(true);
  RefreshNavigation();
  UpdateStatusAndCaption();
  if (files_list_->Empty()) {
    ClearPicture();
  } else {
    ShowCurrentFile(false, 1);
  }
}

void TVeldrimon69::LoadAllImages1Click() {
  EnableMenus(false);
  drives_->LoadAllImages(*files_list_);
  files_list_->SetCurrent(0);
  FinishListLoad();
}

void TVeldrimon69::OpenRecentFolder(int index) {
  const std::string folder = settings_.recent_folders[index];
  if (IsUnusedEntry(folder)) return;
  platform::FileDialogOptions dialog;
  dialog.title = "Open";
  dialog.folder = folder;
  dialog.file_name = "+";
  dialog.multiple = true;
  const std::vector<std::string> picked = services_.ui->OpenFiles(dialog);
  if (picked.empty()) return;
  RememberLoad(settings_, picked.front());
  RefreshRecentMenus();
  files_list_->LoadPaths(picked, 100, -1);
  ShowCurrentFile(false, 1);
}

void TVeldrimon69::OpenRecentFile(int index) {
  const std::string file = settings_.recent_files[index];
  if (IsUnusedEntry(file)) return;
  files_list_->LoadPaths({file}, 100, -1);
  const int at = files_list_->FindInFilesList(file);
  if (at < 0) return;
  files_list_->SetCurrent(at);
  RememberLoad(settings_, file);
  RefreshRecentMenus();
  ShowCurrentFile(false, 1);
}

// Export and import run with the menus disabled and their progress in the please-wait window.
void TVeldrimon69::RunNotesText(bool exporting, const std::string& path) {
  platform::PleaseWait* wait = services_.please_wait;
  EnableMenus(false);
  if (wait != nullptr) {
    wait->ClearStop();
    wait->SetText(exporting ? "EXPORTING DATABASE...\rExporting records..."
                            : "IMPORTING DATABASE...\rImporting records...");
    wait->Show();
  }
  const long total = notes_->NoteCount();
  auto progress = [&](long n) {
    if (n % 200 != 0) return;
    if (wait != nullptr) {
      wait->SetText((exporting ? "Exporting records... " : "Importing records... ") +
                    std::to_string(n) + (exporting ? " of " + std::to_string(total) : ""));
    }
    if (services_.pump != nullptr) services_.pump->PumpMessages();
  };
  const notes::NotesTextResult result = exporting ? notes::ExportNotesText(*notes_, path, progress)
                                                  : notes::ImportNotesText(*notes_, path, progress);
  if (wait != nullptr) wait->Hide();
  EnableMenus(true);
  if (result.status == 0) {
    services_.ui->Information(result.message);
  } else {
    services_.ui->Warning(result.message);
  }
}

void TVeldrimon69::ExportDataBase1Click() {
  if (!notes_ || !notes_->IsOpen()) return;
  platform::FileDialogOptions options;
  options.title = "Export DataBase To Comma Delimited TEXT File";
  options.folder = services_.folders->ProgramFolder();
  options.file_name = "*.TXT";
  options.filters = {{"Text File", "*.txt *.TXT"}};
  const auto path = services_.ui->SaveFile(options);
  if (path && !path->empty()) RunNotesText(true, *path);
}

void TVeldrimon69::ImportDataBase1Click() {
  if (!notes_ || !notes_->IsOpen()) return;
  platform::FileDialogOptions options;
  options.title = "Import DataBase From Comma Delimited TEXT File";
  options.folder = services_.folders->ProgramFolder();
  options.filters = {{"Text File", "*.txt *.TXT"}};
  const auto paths = services_.ui->OpenFiles(options);
  if (!paths.empty()) RunNotesText(false, paths.front());
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
  TPropertiesMenu window(facts, this);
  window.SetPaletteEditor([this](const std::string& title) { RunPaletteEditor(title); });
  options_.exec_dialog(window);
  LayOutFitPane(true);  // the palette may have changed
}

void TVeldrimon69::HandOverSetFlag() {
  // A second viewer is about to hand its files over: stop what runs (slide show, animation).
  StopAnimation();
  if (full_screen_->looping()) full_screen_->SetRequest(kRequestStop);
}

void TVeldrimon69::HandOverCommandLine(const std::string& text) {
  if (handing_over_) return;  // the acknowledgement still goes out
  handing_over_ = true;
  received_.push_back(text);
  const std::vector<std::string> args = SplitCommandLine(text);
  const std::vector<std::string> paths = HandOverPaths(
      args, [this](const std::string& p) { return files_list_->allowable().IsAllowablePath(p); },
      [this](const std::string& p) { return services_.files->IsFile(p); });
  if (!paths.empty()) {
    auto list = std::make_unique<lists::FilesList>(files_list_->services());
    list->set_always_subfolders(files_list_->always_subfolders());
    // Keep the checked types of the old list.
    list->allowable() = files_list_->allowable();
    // The files list window shows the old list: it is made again for the new one, with what
    // the user set in it.
    if (list_window_) ReadListWindowSettings(*list_window_, settings_);
    list_window_.reset();
    files_list_ = std::move(list);
    EnsureListWindow();
    files_list_->LoadPaths(paths, 100, 0);
    files_list_->SetCurrent(0);
    UpdateStatusAndCaption();
    RefreshNavigation();
    if (!files_list_->Empty()) ShowCurrentFile(true, 1);
  }
  handing_over_ = false;
  WriteStateFile();
}

void TVeldrimon69::RecordDroppedFiles(const std::vector<std::string>& paths, bool on_main_window) {
  if (search_ui::SearchRunning(search_window_)) return;  // the search walks the list
  if (isVisible()) raise();
  StopAnimation();  // the dropped file is shown once the animation has ended
  EnableMenus(false);
  std::string to_show;
  try {
    to_show = files_list_->LoadDroppedFiles(paths);
  } catch (...) {
    // The loading ends quietly.
  }
  EnableMenus(true);
  if (on_main_window && !to_show.empty()) {
    const int at = files_list_->FindInFilesList(to_show);
    if (at >= 0) files_list_->SetCurrent(at);
    ShowCurrentFile(true, 1);
  }
  RefreshNavigation();
  UpdateStatusAndCaption();
}

void TVeldrimon69::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TVeldrimon69::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  event->acceptProposedAction();
  if (!paths.empty()) RecordDroppedFiles(paths, true);
}

void TVeldrimon69::keyPressEvent(QKeyEvent* event) {
  // Keys normally reach FormKeyDown through the key preview before any control sees them.
  if (!nav_->FormKeyDown(TNavInput::KeyCodeOf(*event), event->modifiers() & Qt::AltModifier)) {
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

bool TVeldrimon69::FormCloseQuery() {
  if (!menus_enabled_ || show_state_.busy()) {
    services_.ui->Warning(kBusyCloseWarning);
    StopAnimation();
    if (full_screen_->looping()) full_screen_->SetRequest(kRequestStop);
    return false;
  }
  if (recycle_window_ != nullptr || (sub_window_open_ && sub_window_open_())) {
    services_.ui->Warning(kSubWindowCloseWarning);
    return false;
  }
  return true;
}

void TVeldrimon69::FormClose() {
  closing_ = true;
  if (full_screen_->looping()) full_screen_->SetRequest(kRequestStop);
  if (uninstalled_ || !settings_.installed) return;
  try {
    // The picture preview windows go first.
    if (list_window_ != nullptr) list_window_->previews().RemoveAllPreviews();
    CloseNotes();
    scratch_.Remove();
    const std::string temp = services_.folders->TempFolder();
    platform::SweepSpecialTempFiles();
    if (bin_ != nullptr && recycle::ShutdownReminder(*services_.ui, *bin_)) {
      if (recycle_window_ != nullptr) delete recycle_window_.data();
      recycle::TRecycleBinMenu window(*bin_, *services_.ui, this);
      options_.exec_dialog(window);
    }
    auto delete_matching = [&temp](const std::string& prefix, const std::string& suffix) {
      std::error_code ec;
      for (const auto& entry : std::filesystem::directory_iterator(temp, ec)) {
        const std::string n = picture::UpperAscii(entry.path().filename().string());
        if (n.rfind(prefix, 0) == 0 && n.size() >= prefix.size() + suffix.size() &&
            n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0) {
          std::filesystem::remove(entry.path(), ec);
        }
      }
    };
    if (scanned_ && services_.ui->Choice("Warning", platform::ChoiceKind::kWarning, kScansQuestion,
                                         {"+Delete Temp Scans", "-Leave Temp Scans"}) == 1) {
      delete_matching("~SCAN", ".BMP");
    }
    if (snapshots_ &&
        services_.ui->Choice("Warning", platform::ChoiceKind::kWarning, kSnapshotsQuestion,
                             {"+Delete Temp SnapShots", "-Leave Temp SnapShots"}) == 1) {
      delete_matching("~SCREEN", "");
    }
    ReadMenusIntoSettings();
    SaveListWindowState();
    WriteSettings(settings_path_, settings_);
    RecordRegistrationVersion(settings_path_);
  } catch (...) {
    // Shutdown goes on.
  }
  WriteStateFile();
}

void TVeldrimon69::closeEvent(QCloseEvent* event) {
  if (!uninstalled_ && !FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TVeldrimon69::WriteStateFile() const {
  if (options_.state_file.empty()) return;
  std::string text;
  text += "count=" + std::to_string(files_list_->Count()) + "\n";
  text += "current=" + std::to_string(files_list_->Current()) + "\n";
  text += "caption=" + caption_ + "\n";
  text += "closing=" + std::string(closing_ ? "1" : "0") + "\n";
  text += "minimised=" + std::string(isMinimized() ? "1" : "0") + "\n";
  const QRect frame = frameGeometry();
  text += "window=" + std::to_string(frame.left()) + " " + std::to_string(frame.top()) + " " +
          std::to_string(frame.width()) + " " + std::to_string(frame.height()) + "\n";
  for (int i = 0; i < files_list_->Count(); ++i) {
    text += "entry=" + files_list_->FilePathAt(i) + "\n";
  }
  for (const std::string& arg : options_.args) text += "argument=" + arg + "\n";
  for (const std::string& line : received_) text += "received=" + line + "\n";
  // Written aside and renamed, so a reader never sees half a state.
  const std::string temp = options_.state_file + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::error_code ec;
  std::filesystem::rename(temp, options_.state_file, ec);
}

}  // namespace vr::shell::ui
