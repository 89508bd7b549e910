// The main window's menus and tool bars. Every menu entry and tool button is one row of the action
// table below (caption, shortcut, check, image, handler, tool button, settings field); the
// functions after it only place them. Settings go to the menus and back in one loop over it.
#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>
#include <array>

#include "colour/reduce_menu.h"
#include "lists/files_list.h"
#include "lists/load_menu.h"
#include "lists/window/ui/file_list_menu.h"
#include "picture/kinds.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/shell_service.h"
#include "shell/navigation.h"
#include "shell/ui/artwork.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/main_window.h"
#include "shell/ui/panes.h"

namespace vr::shell::ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Settings links of the table.
int DisplayPathOf(const Settings& s) { return s.display_path; }
int IncludeFoldersOf(const Settings& s) { return s.include_folders; }
int SoundOf(const Settings& s) { return s.sound; }
int PlayWavOf(const Settings& s) { return s.play_wav; }
int MultiLoadOf(const Settings& s) { return s.multi_load; }
int DitherOf(const Settings& s) { return s.dither; }
int ShowDitherProgressOf(const Settings& s) { return s.show_dither_progress; }
int TrueColourOn256Of(const Settings& s) { return s.true_colour_on_256 != 0; }
// Anything but tile and stretch centres the wallpaper.
int WallpaperStyleOf(const Settings& s) {
  return s.wallpaper_style == '1' || s.wallpaper_style == '2' ? s.wallpaper_style : '0';
}
void SetDisplayPath(Settings& s, int v) { s.display_path = v != 0; }
void SetIncludeFolders(Settings& s, int v) { s.include_folders = v != 0; }
void SetSound(Settings& s, int v) { s.sound = v != 0; }
void SetPlayWav(Settings& s, int v) { s.play_wav = v != 0; }
void SetDither(Settings& s, int v) { s.dither = v != 0; }
void SetShowDitherProgress(Settings& s, int v) { s.show_dither_progress = v != 0; }
int TurnUprightOf(const Settings& s) { return s.turn_photos_upright; }
void SetTurnUpright(Settings& s, int v) { s.turn_photos_upright = v != 0; }
void SetWallpaperStyle(Settings& s, int v) { s.wallpaper_style = static_cast<char>(v); }

constexpr SettingLink Flag(int (*get)(const Settings&), void (*set)(Settings&, int)) {
  return SettingLink{SettingLinkKind::kFlag, get, set, 0};
}
constexpr SettingLink Choice(int (*get)(const Settings&), void (*set)(Settings&, int),
                             int value) {
  return SettingLink{SettingLinkKind::kChoice, get, set, value};
}

}  // namespace

const ActionRow* TVeldrimon69::ActionRowOf(Act id) {
  using W = TVeldrimon69;
  static const ActionRow kRows[] = {
      {.id = Act::kOpen1, .name = "Open1", .caption = "Load File(s) From Current Folder",
       .shortcut = QKeySequence::Open, .image = kIconOpen,
       .handler = [](W& w, bool) { w.Open1Click(); },
       .button = {"TBLoad", kImageLoad, "Load picture files"}},
      {.id = Act::kLoadAllImages1, .name = "LoadAllImages1",
       .caption = "Load ALL Images From All Hard Drives Into Files List",
       .handler = [](W& w, bool) { w.LoadAllImages1Click(); }},
      {.id = Act::kStyle11, .name = "Style11", .caption = "&Center WallPaper", .checkable = true,
       .checked = true, .setting = Choice(WallpaperStyleOf, SetWallpaperStyle, '0'),
       .handler = [](W& w, bool) { w.Style11Click(); }},
      {.id = Act::kStyle21, .name = "Style21", .caption = "&Tile WallPaper", .checkable = true,
       .setting = Choice(WallpaperStyleOf, SetWallpaperStyle, '1'),
       .handler = [](W& w, bool) { w.Style21Click(); }},
      {.id = Act::kStretchToFit1, .name = "StretchToFit1", .caption = "&Stretch To Fit Wall Paper",
       .checkable = true, .setting = Choice(WallpaperStyleOf, SetWallpaperStyle, '2'),
       .handler = [](W& w, bool) { w.StretchToFit1Click(); }},
      {.id = Act::kSaveAs1, .name = "SaveAs1", .caption = "Save &As",
       .handler = [](W& w, bool) { w.SaveAs1Click(); }},
      {.id = Act::kProperties1, .name = "Properties1", .caption = "P&roperties",
       .image = kIconProperties, .handler = [](W& w, bool) { w.Properties1Click(); }},
      {.id = Act::kPrinterSetup1, .name = "PrinterSetup1", .caption = "Printer &Setup",
       .handler = [](W& w, bool) { w.PrinterSetup1Click(); }},
      {.id = Act::kPrint1, .name = "Print1", .caption = "&Print",
       .handler = [](W& w, bool) { w.Print1Click(); }},
      {.id = Act::kPrintPreview1, .name = "PrintPreview1", .caption = "Print Pre&view",
       .handler = [](W& w, bool) { w.PrintPreview1Click(); }},
      {.id = Act::kPrintOptions1, .name = "PrintOptions1", .caption = "Print &Options",
       .handler = [](W& w, bool) { w.PrintOptions1Click(); }},
      {.id = Act::kPrintCatalog1, .name = "PrintCatalog1",
       .caption = "Print/Save Tagged Images As Thumbnail Catalogs",
       .handler = [](W& w, bool) { w.PrintCatalog1Click(); }},
      {.id = Act::kExportDataBase1, .name = "ExportDataBase1",
       .caption = "&Export DataBase To Comma Delimited TEXT File",
       .handler = [](W& w, bool) { w.ExportDataBase1Click(); }},
      {.id = Act::kImportDataBase1, .name = "ImportDataBase1",
       .caption = "&Import DataBase From Comma Delimited TEXT File",
       .handler = [](W& w, bool) { w.ImportDataBase1Click(); }},
      {.id = Act::kSearchDataBase1, .name = "SearchDataBase1",
       .caption = "&Search/Edit  && Load From DataBase",
       .handler = [](W& w, bool) { w.SearchDataBase1Click(); }},
      {.id = Act::kCompactDataBase1, .name = "CompactDataBase1",
       .caption = "&Compact/Fix/Re-Link DataBase",
       .handler = [](W& w, bool) { w.CompactDataBase1Click(); }},
      {.id = Act::kDeleteDataBase1, .name = "DeleteDataBase1", .caption = "&Delete NOTES DataBase",
       .handler = [](W& w, bool) { w.DeleteNotesDataBase1Click(); }},
      {.id = Act::kExit1, .name = "Exit1", .caption = "E&xit", .image = kIconExit,
       .handler = [](W& w, bool) { w.close(); }},

      {.id = Act::kPrevious1, .name = "Previous1", .caption = "&Back (Previous File)   PgUp",
       .image = kIconPrevious, .handler = [](W& w, bool) { w.GoPrevious(); },
       .button = {"TBPrev", kImagePrevious, "Previous file in list"}},
      {.id = Act::kNext1, .name = "Next1", .caption = "&Forward (Next File)     PgDn",
       .image = kIconNext, .handler = [](W& w, bool) { w.GoNext(); },
       .button = {"TBNext", kImageNext, "Next file in list"}},
      {.id = Act::kFirst1, .name = "First1", .caption = "&1st File In List", .image = kIconFirst,
       .handler = [](W& w, bool) { w.GoFirst(); },
       .button = {"TBFirst", kImageFirst, "First file in list"}},
      {.id = Act::kLast1, .name = "Last1", .caption = "&Last File in List", .image = kIconLast,
       .handler = [](W& w, bool) { w.GoLast(); },
       .button = {"TBLast", kImageLast, "Last file  in list"}},
      {.id = Act::kTagFile1, .name = "TagFile1", .caption = "Tag/UN-Tag &File         Key=SPACE",
       .image = kIconTag, .handler = [](W& w, bool) { w.TBTagClick(); },
       .button = {"TBTag", kImageUntagged, "Click to Tag/UN-tag file"}},
      {.id = Act::kDeleteFile1, .name = "DeleteFile1", .caption = "&Delete Current File",
       .image = kIconDelete, .handler = [](W& w, bool) { w.TBTrashClick(); },
       .button = {"TBTrash", kImageLoad,
                   "Delete Current Picture, cick RECYCLE BIN button to un-delete the file"}},
      {.id = Act::kRecycleBin1, .name = "RecycleBin1", .caption = "&Recycle Bin",
       .image = kIconRecycleBin, .handler = [](W& w, bool) { w.TBUnDeleteClick(); },
       .button = {"TBUnDelete", kImageLoad, "Opens your RECYCLE BIN for un-deleting files"}},

      {.id = Act::kMirror1, .name = "Mirror1", .caption = "&Mirror",
       .handler = [](W& w, bool) { w.Mirror1Click(); }},
      {.id = Act::kFlip1, .name = "Flip1", .caption = "&Flip",
       .handler = [](W& w, bool) { w.Flip1Click(); }},
      {.id = Act::kRotate1, .name = "Rotate1", .caption = "&Rotate",
       .handler = [](W& w, bool) { w.Rotate1Click(); }},
      {.id = Act::kZoom1, .name = "Zoom1", .caption = "&Zoom",
       .handler = [](W& w, bool) { w.Zoom1Click(); }},

      {.id = Act::kFileListWindow1, .name = "FileListWindow1", .caption = "Files List Window",
       .image = kIconFilesList, .handler = [](W& w, bool) { w.FileListWindow1Click(); }},
      {.id = Act::kSearchList1, .name = "SearchList1", .caption = "Search File List By...",
       .handler = [](W& w, bool) { w.SearchList1Click(); }},
      {.id = Act::kWebPagesFromFiles1, .name = "WebPagesFromFiles1",
       .caption = "&Web Pages From Files...",
       .handler = [](W& w, bool) { w.WebPagesFromFiles1Click(); },
       .button = {"TBWebPages", kImageLoad, "Make Web Pages From Files"}},
      {.id = Act::kInternetWebSiteTool1, .name = "InternetWebSiteTool1",
       .caption = "Internet Web Site Tool (FTP)...",
       .handler = [](W& w, bool) { w.InternetWebSiteTool1Click(); }},
      {.id = Act::kAlbumManager1, .name = "AlbumManager1",
       .caption = "Album Manager (Group Related Files)",
       .handler = [](W& w, bool) { w.TBAlbumClick(); },
       .button = {"TBAlbum", kImageLoad, "Album Manager (Group Related Files)"}},
      {.id = Act::kViewFit, .name = "ViewFit", .caption = "&Re-Size To Fit            Key=V",
       .checkable = true, .checked = true,
       .handler = [](W& w, bool) { w.SelectView(View::kFit); }},
      {.id = Act::kViewActual, .name = "ViewActual", .caption = "&Actual Size                 Key=V",
       .checkable = true, .handler = [](W& w, bool) { w.SelectView(View::kActual); }},
      {.id = Act::kViewSplit, .name = "ViewSplit", .caption = "&2 Views (Split View)    Key=V",
       .checkable = true, .handler = [](W& w, bool) { w.SelectView(View::kSplit); }},
      {.id = Act::kFullShrink, .name = "FullShrink", .caption = "FULL Screen (Shrink If Needed)",
       .checkable = true, .image = kIconFullScreen,
       .handler = [](W& w, bool) { w.EnterFullScreen(1, true); }},
      {.id = Act::kFullFit, .name = "FullFit", .caption = "FULL Screen (RE-Size To Fit)     ",
       .checkable = true, .image = kIconFullScreen,
       .handler = [](W& w, bool) { w.EnterFullScreen(1, false); }},
      {.id = Act::kFullActual, .name = "FullActual", .caption = "FULL Screen (Actual Size)",
       .checkable = true, .image = kIconFullScreen,
       .handler = [](W& w, bool) { w.EnterFullScreen(2, false); }},
      {.id = Act::kDoSlideShow1, .name = "DoSlideShow1",
       .caption = "&Start Slide Show Now   (F12)",
       .handler = [](W& w, bool) { w.DoSlideShow1Click(); }},
      {.id = Act::kChangeOptions1, .name = "ChangeOptions1", .caption = "&Change Options",
       .handler = [](W& w, bool) { w.ChangeOptions1Click(); }},
      {.id = Act::kKeepAspect, .name = "KeepAspect", .caption = "&Keep Aspect Ratio",
       .checkable = true, .handler = [](W& w, bool) { w.ToolButton1Click(); },
       .button = {"ToolButton1", kImageKeepAspect, "Keep Aspect Ratio", true}},
      {.id = Act::kSmooth, .name = "Smooth", .caption = "Smooth SHRUNKEN Images On Screen?",
       .checkable = true, .handler = [](W& w, bool) { w.ToolButton2Click(); },
       .button = {"ToolButton2", kImageSmooth, "Smooth SHRUNKEN Images On Screen", true}},
      {.id = Act::kAutoSize, .name = "AutoSize", .caption = "Auto Size Window On Load",
       .checkable = true},
      {.id = Act::kDisplayPath, .name = "DisplayPath", .caption = "&Display Path In Title Bar",
       .checkable = true, .checked = true, .setting = Flag(DisplayPathOf, SetDisplayPath),
       .handler = [](W& w, bool) { w.UpdateStatusAndCaption(); }},
      {.id = Act::kGifContinuous, .name = "GifContinuous", .caption = "GIF &Animation (Continuous)",
       .checkable = true, .checked = true},
      {.id = Act::kGifComments, .name = "GifComments",
       .caption = "GIF &Comments (Show when picture loads)", .checkable = true},
      {.id = Act::kPlayWav, .name = "PlayWav", .caption = "Play .WAV Files By Same Name",
       .checkable = true, .setting = Flag(PlayWavOf, SetPlayWav)},
      // This platform keeps the screen's mode; the entries set the depth the loader decodes for.
      {.id = Act::kScreen256, .name = "Screen256", .caption = "Windows Screen 256 Colors",
       .handler = [](W& w, bool) { w.SetScreenDepth(8); }},
      {.id = Act::kScreenTrue, .name = "ScreenTrue", .caption = "Windows Screen TRUE or HI Color",
       .handler = [](W& w, bool) { w.SetScreenDepth(24); }},
      {.id = Act::kScreenBoot, .name = "ScreenBoot", .caption = "Windows Screen BootUp Mode",
       .handler = [](W& w, bool) { w.SetScreenDepth(0); }},

      // The multi-load choice is written to the settings file at the click.
      {.id = Act::kMultiYes, .name = "MultiYes", .caption = "Multi-Load (&YES)", .checkable = true,
       .setting = Choice(MultiLoadOf, nullptr, 0),
       .handler = [](W& w, bool) { w.SetMultiLoad(0); }},
      {.id = Act::kMultiNo, .name = "MultiNo", .caption = "Multi-Load (&NO)", .checkable = true,
       .checked = true, .setting = Choice(MultiLoadOf, nullptr, 1),
       .handler = [](W& w, bool) { w.SetMultiLoad(1); }},
      {.id = Act::kMultiAsk, .name = "MultiAsk", .caption = "Multi-Load (&ASK)", .checkable = true,
       .setting = Choice(MultiLoadOf, nullptr, 2),
       .handler = [](W& w, bool) { w.SetMultiLoad(2); }},
      {.id = Act::kSelectFormats, .name = "SelectFormats", .caption = "Select Formats For Loading...",
       .handler = [](W& w, bool) { w.SelectFormatsClick(); }},
      {.id = Act::kSound, .name = "Sound", .caption = "&Play Sounds", .checkable = true,
       .checked = true, .setting = Flag(SoundOf, SetSound),
       .handler = [](W& w, bool) { w.ToggleSoundOnOff1Click(); },
       .button = {"TBSpeaker", kImageSoundOn, "Turn program sounds ON/OFF"}},
      {.id = Act::kIncludeFolders, .name = "IncludeFolders",
       .caption = "&Always Include Sub-Folders When LOADing In Folders", .checkable = true,
       .setting = Flag(IncludeFoldersOf, SetIncludeFolders),
       .handler = [](W& w, bool on) { w.files_list_->set_always_subfolders(on); },
       .on_toggle = true},
      {.id = Act::kDitherOn, .name = "DitherOn", .caption = "Dither (Best On Photos)",
       .checkable = true, .checked = true, .setting = Choice(DitherOf, SetDither, 1)},
      {.id = Act::kDitherOff, .name = "DitherOff", .caption = "REMAP, No Dither (Best On Line Art)",
       .checkable = true, .setting = Choice(DitherOf, SetDither, 0)},
      {.id = Act::kShowDitherProgress, .name = "ShowDitherProgress",
       .caption = "Show Dither Progress Window", .checkable = true, .checked = true,
       .setting = Flag(ShowDitherProgressOf, SetShowDitherProgress)},
      // The choice lives in the settings only; the click changes them and the check follows.
      {.id = Act::kTrueColour256, .name = "TrueColour256",
       .caption = "Make TRUE-COLOR images load as 256 DITHERED Colors", .checkable = true,
       .setting = Flag(TrueColourOn256Of, nullptr),
       .handler = [](W& w, bool) { w.TrueColourOn256Click(); }},
      {.id = Act::kTurnUpright, .name = "TurnUpright",
       .caption = "Turn Photos Upright (Camera Orientation)", .checkable = true, .checked = true,
       .setting = Flag(TurnUprightOf, SetTurnUpright),
       .handler = [](W& w, bool on) { w.TurnPhotosUprightToggled(on); }, .on_toggle = true},

      {.id = Act::kSetupFileTypes, .name = "SetupFileTypes", .caption = "Setup File Types...",
       .handler = [](W& w, bool) { w.SetupFileTypesClick(); }},
      {.id = Act::kUnInstall, .name = "UnInstall", .caption = "&UN-Install",
       .handler = [](W& w, bool) { w.UnInstallClick(); }},
      {.id = Act::kClearHistory, .name = "ClearHistory",
       .caption = "&Clear RECENT Folders/Files entries",
       .handler = [](W& w, bool) { w.ClearHistoryClick(); }},
      {.id = Act::kPuzzle1, .name = "MakeImageAPuzzle1", .caption = "Puzzle-Fun (Turn Image Into Puzzle)",
       .handler = [](W& w, bool) { w.MakeImageAPuzzle1Click(); }, .button = {"TBPuzzle", kImageFullScreen, "Puzzle-Fun"}},
      {.id = Act::kPasswordSetup, .name = "PasswordSetup", .caption = "&Password Setup",
       .handler = [](W& w, bool) { w.PasswordSetupClick(); }},
      {.id = Act::kReadMe, .name = "ReadMe", .caption = "README.TXT", .image = kIconHelp,
       .handler = [](W& w, bool) { w.OpenReadMe(); }},

      {.id = Act::kPopNormal, .name = "PopNormal",
       .caption = "Normal Window                         Key=ESCAPE",
       .handler = [](W& w, bool) { w.LeaveFullScreenOrAnimation(); }},
      {.id = Act::kPopFullShrink, .name = "PopFullShrink",
       .caption = "FULL Screen (Shrink If Needed)", .checkable = true,
       .handler = [](W& w, bool) { w.PictureMenuFullScreen(1, true); }},
      {.id = Act::kPopFullFit, .name = "PopFullFit", .caption = "FULL Screen (RE-Size To Fit)     ",
       .checkable = true, .handler = [](W& w, bool) { w.PictureMenuFullScreen(1, false); }},
      {.id = Act::kPopFullActual, .name = "PopFullActual", .caption = "FULL Screen (Actual Size)",
       .checkable = true, .handler = [](W& w, bool) { w.PictureMenuFullScreen(2, false); }},
      {.id = Act::kPopTips, .name = "PopTips", .caption = "Display Tool Tips Off",
       .checkable = true,
       .handler = [](W& w, bool off) {
         w.fit_pane_->setToolTip(off ? QString() : QString(kMiddleZoneTip));
       },
       .on_toggle = true},
      {.id = Act::kPopSlideShow, .name = "PopSlideShow", .caption = "&Start Slide Show Now   (F12)",
       .status_tip = "Start the slide show", .handler = [](W& w, bool) { w.DoSlideShow1Click(); }},
      {.id = Act::kPopGifStart, .name = "PopGifStart",
       .caption = "START GIF Animation                       F11",
       .handler = [](W& w, bool) { w.RestartGif(); }},
      {.id = Act::kPopStop, .name = "PopStop", .caption = "STOP SlideShow or GIF Animation",
       .handler = [](W& w, bool) { w.StopAnimation(); }},
      {.id = Act::kPopPuzzle, .name = "PopPuzzle", .caption = "Puzzle-Fun (Turn Image Into Puzzle)",
       .handler = [](W& w, bool) { w.MakeImageAPuzzle1Click(); }},
      {.id = Act::kPopDelete, .name = "PopDelete", .caption = "&Delete Current File",
       .status_tip = "Delete Current Picture, cick RECYCLE BIN button to un-delete the file",
       .handler = [](W& w, bool) { w.TBTrashClick(); }},
      {.id = Act::kPopProperties, .name = "PopProperties", .caption = "P&roperties",
       .handler = [](W& w, bool) { w.Properties1Click(); }},

      {.id = Act::kViewCycle, .name = "ViewCycle",
       .caption = "Re-Size To Fit / Split / Actual Size (Key=V)",
       .handler = [](W& w, bool) { w.ToolButton5Click(); },
       .button = {"ToolButton5", kImageViewToggle, "Re-Size To Fit / Split / Actual Size (Key=V)"}},
  };
  static const std::array<const ActionRow*, kActCount> kById = [] {
    std::array<const ActionRow*, kActCount> by_id{};
    for (const ActionRow& row : kRows) by_id[static_cast<size_t>(row.id)] = &row;
    return by_id;
  }();
  const auto index = static_cast<size_t>(id);
  return index < kActCount ? kById[index] : nullptr;
}

QAction* TVeldrimon69::Add(QMenu* menu, Act id, QActionGroup* group) {
  const ActionRow* row = ActionRowOf(id);
  QAction* a = menu->addAction(QString::fromLatin1(row->caption));
  a->setObjectName(row->name);
  if (row->shortcut != 0) {
    a->setShortcut(QKeySequence(static_cast<QKeySequence::StandardKey>(row->shortcut)));
  }
  if (row->checkable) {
    a->setCheckable(true);
    a->setChecked(row->checked);
  }
  if (row->status_tip != nullptr) a->setStatusTip(row->status_tip);
  if (group != nullptr) group->addAction(a);
  actions_[static_cast<size_t>(id)] = a;
  if (row->handler != nullptr) {
    auto handler = row->handler;
    if (row->on_toggle) {
      connect(a, &QAction::toggled, this, [this, handler](bool on) { handler(*this, on); });
    } else {
      connect(a, &QAction::triggered, this, [this, handler](bool on) { handler(*this, on); });
    }
  }
  return a;
}

void TVeldrimon69::BuildMenus() {
  file_menu_ = menuBar()->addMenu("&File");
  Add(file_menu_, Act::kOpen1);
  Add(file_menu_, Act::kLoadAllImages1);
  drive_menu_ = file_menu_->addMenu("Load Allowable File Types From Drive(s)");
  recent_folders_menu_ = file_menu_->addMenu("Recent Folders");
  recent_files_menu_ = file_menu_->addMenu("Recent Files");
  file_menu_->addSeparator();
  // The wallpaper styles: one radio group, shown in the File menu and in the picture's menu.
  QMenu* wall = file_menu_->addMenu("Use file as &Windows WALL-PAPER");
  wallpaper_group_ = new QActionGroup(this);
  for (Act style : {Act::kStyle11, Act::kStyle21, Act::kStretchToFit1}) {
    Add(wall, style, wallpaper_group_);
  }
  Add(file_menu_, Act::kSaveAs1);
  Add(file_menu_, Act::kProperties1);
  Add(file_menu_, Act::kWebPagesFromFiles1);
  Add(file_menu_, Act::kInternetWebSiteTool1);
  AddPrintEntries(file_menu_);
  file_menu_->addSeparator();
  Add(file_menu_, Act::kExportDataBase1);
  Add(file_menu_, Act::kImportDataBase1);
  Add(file_menu_, Act::kSearchDataBase1);
  Add(file_menu_, Act::kCompactDataBase1);
  Add(file_menu_, Act::kDeleteDataBase1);
  file_menu_->addSeparator();
  Add(file_menu_, Act::kExit1);

  edit_menu_ = menuBar()->addMenu("&Edit");
  for (Act id : {Act::kPrevious1, Act::kNext1, Act::kFirst1, Act::kLast1}) Add(edit_menu_, id);
  edit_menu_->addSeparator();
  for (Act id : {Act::kTagFile1, Act::kDeleteFile1, Act::kRecycleBin1}) Add(edit_menu_, id);

  QMenu* effects = menuBar()->addMenu("Effec&Ts");
  for (Act id : {Act::kMirror1, Act::kFlip1, Act::kRotate1, Act::kZoom1}) Add(effects, id);
  Add(effects, Act::kPuzzle1);
  effects->addSeparator();
  BuildReduceMenu(effects->addMenu("Reduce &Colors to..."));

  QMenu* view = menuBar()->addMenu("&View");
  Add(view, Act::kFileListWindow1);
  Add(view, Act::kSearchList1);
  Add(view, Act::kAlbumManager1);
  AddAlbumDockMenu(view);
  view->addSeparator();
  view_group_ = new QActionGroup(this);
  for (Act id : {Act::kViewFit, Act::kViewActual, Act::kViewSplit}) Add(view, id, view_group_);
  view->addSeparator();
  full_group_ = new QActionGroup(this);
  full_group_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (Act id : {Act::kFullShrink, Act::kFullFit, Act::kFullActual}) Add(view, id, full_group_);
  QMenu* slide = view->addMenu("Slide Show");
  for (Act id : {Act::kDoSlideShow1, Act::kChangeOptions1}) Add(slide, id);
  view->addSeparator();
  for (Act id : {Act::kKeepAspect, Act::kSmooth, Act::kAutoSize, Act::kDisplayPath,
                 Act::kGifContinuous, Act::kGifComments, Act::kPlayWav}) {
    Add(view, id);
  }
  view->addSeparator();
  for (Act id : {Act::kScreen256, Act::kScreenTrue, Act::kScreenBoot}) Add(view, id);

  previews_menu_ = menuBar()->addMenu("&Previews");  // filled by the preview windows
  QMenu* options = menuBar()->addMenu("&Options");
  auto* multi = new QActionGroup(this);
  for (Act id : {Act::kMultiYes, Act::kMultiNo, Act::kMultiAsk}) Add(options, id, multi);
  options->addSeparator();
  Add(options, Act::kSelectFormats);
  options->addSeparator();
  Add(options, Act::kSound);
  Add(options, Act::kIncludeFolders);
  options->addSeparator();
  auto* mode = new QActionGroup(this);
  Add(options, Act::kDitherOn, mode);
  Add(options, Act::kDitherOff, mode);
  Add(options, Act::kShowDitherProgress);
  Add(options, Act::kTrueColour256);
  Add(options, Act::kTurnUpright);

  QMenu* setup = menuBar()->addMenu("Set&up");
  Add(setup, Act::kSetupFileTypes);
  Add(setup, Act::kUnInstall);
  QMenu* paranoia = setup->addMenu("Paranoia Options");
  for (Act id : {Act::kClearHistory, Act::kPasswordSetup}) Add(paranoia, id);

  QMenu* help = menuBar()->addMenu("&Help");
  Add(help, Act::kReadMe);
}

void TVeldrimon69::BuildReduceMenu(QMenu* reduce) {
  const std::vector<colour::ReduceMenuItem>& items = colour::ReduceMenuItems();
  for (size_t i = 0; i < items.size(); ++i) {
    QAction* a = reduce->addAction(QString::fromLatin1(items[i].caption));
    a->setObjectName(QString("Reduce%1").arg(i + 1));
    reduce_actions_.push_back(a);
    const int index = static_cast<int>(i);
    connect(a, &QAction::triggered, this, [this, index] { ReduceColorsClick(index); });
  }
}

QAction* TVeldrimon69::reduce_action(int index) const {
  return index >= 0 && static_cast<size_t>(index) < reduce_actions_.size()
             ? reduce_actions_[static_cast<size_t>(index)]
             : nullptr;
}

QToolButton* TVeldrimon69::AddButton(QToolBar* bar, Act id) {
  const ToolButtonInfo& button = ActionRowOf(id)->button;
  auto* b = new QToolButton(bar);
  b->setObjectName(button.name);
  b->setIcon(button_icons_[button.image]);
  b->setToolTip(button.tip);
  b->setStatusTip(button.tip);
  b->setCheckable(button.checkable);
  bar->addWidget(b);
  auto handler = ActionRowOf(id)->handler;
  connect(b, &QToolButton::clicked, this, [this, handler](bool on) { handler(*this, on); });
  return b;
}

void TVeldrimon69::BuildToolBars() {
  load_bar_ = addToolBar("Load");
  load_bar_->setObjectName("LoadBar");
  TBLoad = AddButton(load_bar_, Act::kOpen1);
  TBFirst = AddButton(load_bar_, Act::kFirst1);
  TBPrev = AddButton(load_bar_, Act::kPrevious1);
  TBNext = AddButton(load_bar_, Act::kNext1);
  TBLast = AddButton(load_bar_, Act::kLast1);
  TBTag = AddButton(load_bar_, Act::kTagFile1);
  TBTrash = AddButton(load_bar_, Act::kDeleteFile1);
  TBUnDelete = AddButton(load_bar_, Act::kRecycleBin1);
  TBSpeaker = AddButton(load_bar_, Act::kSound);
  AddAlbumButton();
  AddWebPagesButton();
  view_bar_ = addToolBar("View");
  view_bar_->setObjectName("ViewBar");
  ToolButton1 = AddButton(view_bar_, Act::kKeepAspect);
  ToolButton2 = AddButton(view_bar_, Act::kSmooth);
  AddButton(view_bar_, Act::kPuzzle1);
  BuildExtrasMenus();  // snapshots: File and Edit entries and a tool button
  ToolButton5 = AddButton(view_bar_, Act::kViewCycle);
  TBLoad->setText("Load");
  TBLoad->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

void TVeldrimon69::BuildPictureMenu() {
  picture_menu_ = new QMenu(this);
  picture_menu_->setObjectName("PicturePopup");
  Add(picture_menu_, Act::kPopNormal);
  // The copy of the "&Previews" entries; the preview windows fill it like the main menu's.
  picture_previews_ = picture_menu_->addMenu("&Previews");
  auto* group = new QActionGroup(picture_menu_);
  for (Act id : {Act::kPopFullShrink, Act::kPopFullFit, Act::kPopFullActual}) {
    Add(picture_menu_, id, group);
  }
  picture_menu_->addSeparator();
  Add(picture_menu_, Act::kPopTips);
  picture_menu_->addSeparator();
  QMenu* wall = picture_menu_->addMenu("Wall-Paper");
  for (QAction* a : wallpaper_group_->actions()) wall->addAction(a);
  picture_menu_->addSeparator();
  Add(picture_menu_, Act::kPopSlideShow);
  Add(picture_menu_, Act::kPopGifStart);
  Add(picture_menu_, Act::kPopStop)->setEnabled(false);
  picture_menu_->addSeparator();
  Add(picture_menu_, Act::kPopPuzzle);
  Add(picture_menu_, Act::kPopDelete);
  AddPrintEntries(picture_menu_->addMenu("&Print"));
  Add(picture_menu_, Act::kPopProperties);
  fit_pane_->setToolTip(kMiddleZoneTip);
}

void TVeldrimon69::PictureMenuFullScreen(int mode, bool shrink) {
  if (full_screen_->looping()) {
    // Inside the loop the entry sets the mode and asks for a redisplay.
    full_session_->set_view(mode);
    full_screen_->SetRequest(kRequestRedisplay);
  } else {
    EnterFullScreen(mode, shrink);
  }
}

void TVeldrimon69::LeaveFullScreenOrAnimation() {
  StopAnimation();
  if (full_screen_->looping()) full_screen_->SetRequest(kRequestStop);
}

void TVeldrimon69::RestartGif() {
  // Any file is read again; a GIF animates from its first frame.
  if (!show_pipeline_.busy() && !slide_show_running()) ShowCurrentFile(false, 1);
}

void TVeldrimon69::SetScreenDepth(int depth) {
  screen_depth_override_ = depth;
  ShowCurrentFile(false, 1);
}

void TVeldrimon69::OpenReadMe() {
  services_.shell->OpenDocument(services_.folders->ProgramFolder() + "README.TXT");
}

void TVeldrimon69::AttachMenuImages() {
  if (menu_icons_.empty()) return;
  for (size_t i = 0; i < kActCount; ++i) {
    const ActionRow* row = ActionRowOf(static_cast<Act>(i));
    if (row == nullptr || row->image < 0 || actions_[i] == nullptr) continue;
    actions_[i]->setIcon(menu_icons_[row->image]);
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
  settings_.true_colour_on_256 = settings_.true_colour_on_256 != 0 ? 1 : 0;
  for (size_t i = 0; i < kActCount; ++i) {
    const ActionRow* row = ActionRowOf(static_cast<Act>(i));
    if (row == nullptr || actions_[i] == nullptr) continue;
    const SettingLink& link = row->setting;
    if (link.kind == SettingLinkKind::kFlag) {
      actions_[i]->setChecked(link.get(settings_) != 0);
    } else if (link.kind == SettingLinkKind::kChoice && link.get(settings_) == link.value) {
      actions_[i]->setChecked(true);
    }
  }
  ShowSoundState();
  ShowAlbumDockSettings();
  files_list_->set_always_subfolders(settings_.include_folders);
  RefreshRecentMenus();
}

void TVeldrimon69::ReadMenusIntoSettings() {
  for (size_t i = 0; i < kActCount; ++i) {
    const ActionRow* row = ActionRowOf(static_cast<Act>(i));
    if (row == nullptr || actions_[i] == nullptr || row->setting.set == nullptr) continue;
    const SettingLink& link = row->setting;
    const bool checked = actions_[i]->isChecked();
    if (link.kind == SettingLinkKind::kFlag) {
      link.set(settings_, checked ? 1 : 0);
    } else if (link.kind == SettingLinkKind::kChoice && checked) {
      link.set(settings_, link.value);
    }
  }
}

}  // namespace vr::shell::ui
