#pragma once
// The main window's menu entries and tool buttons by kind. Each entry is a typed index into the
// window's action array; its caption, shortcut, check state, image, handler, tool button and the
// settings field it shows are declared once in the action table (main_window_menus.cpp).

#include <cstddef>

namespace vr::shell {
struct Settings;
}

namespace vr::shell::ui {

class TVeldrimon69;

enum class Act : int {
  // "&File" (the wallpaper styles sit in its "Use file as &Windows WALL-PAPER" sub-menu and in
  // the picture's "Wall-Paper" sub-menu)
  kOpen1,
  kLoadAllImages1,
  kStyle11,
  kStyle21,
  kStretchToFit1,
  kSaveAs1,
  kProperties1,
  kPrinterSetup1,  // the print entries, also in the picture menu's "&Print" sub-menu
  kPrint1,
  kPrintPreview1,
  kPrintOptions1,
  kPrintCatalog1,
  kExportDataBase1,
  kImportDataBase1,
  kSearchDataBase1,
  kCompactDataBase1,
  kDeleteDataBase1,
  kExit1,
  // "&Edit"
  kPrevious1,
  kNext1,
  kFirst1,
  kLast1,
  kTagFile1,
  kDeleteFile1,
  kRecycleBin1,
  // "Effec&Ts"
  kMirror1,
  kFlip1,
  kRotate1,
  kZoom1,
  // "&View"
  kFileListWindow1,
  kSearchList1,
  kWebPagesFromFiles1,
  kInternetWebSiteTool1,
  kAlbumManager1,
  kViewFit,
  kViewActual,
  kViewSplit,
  kFullShrink,
  kFullFit,
  kFullActual,
  kDoSlideShow1,   // "Slide Show" sub-menu
  kChangeOptions1,
  kKeepAspect,
  kSmooth,
  kAutoSize,
  kDisplayPath,
  kGifContinuous,
  kGifComments,
  kPlayWav,
  kScreen256,
  kScreenTrue,
  kScreenBoot,
  // "&Options"
  kMultiYes,
  kMultiNo,
  kMultiAsk,
  kSelectFormats,
  kSound,
  kIncludeFolders,
  kDitherOn,
  kDitherOff,
  kShowDitherProgress,
  kTrueColour256,
  kTurnUpright,
  // "Set&up" and "&Help"
  kSetupFileTypes,
  kUnInstall,
  kClearHistory,
  kPuzzle1,
  kPasswordSetup,
  kReadMe,
  // The picture's right-click menu
  kPopNormal,
  kPopFullShrink,
  kPopFullFit,
  kPopFullActual,
  kPopTips,
  kPopSlideShow,
  kPopGifStart,
  kPopStop,
  kPopPuzzle,
  kPopDelete,
  kPopProperties,
  // Tool buttons with no menu entry
  kViewCycle,
  kCount
};

inline constexpr size_t kActCount = static_cast<size_t>(Act::kCount);

// How an entry's check mark follows a settings field.
enum class SettingLinkKind {
  kNone,
  kFlag,    // the check mark is the field (true: checked)
  kChoice,  // one of a radio group: checked when the field holds `value`
};

struct SettingLink {
  SettingLinkKind kind = SettingLinkKind::kNone;
  int (*get)(const Settings&) = nullptr;
  // Null when the field is written at the click and not read back from the menu at shutdown.
  void (*set)(Settings&, int) = nullptr;
  int value = 0;
};

// An entry's tool button; an entry without a button name has none. The tool bar it sits on and
// its place there are given where the bars are built.
struct ToolButtonInfo {
  const char* name = nullptr;  // the button's object name
  int image = -1;              // the button image slot (artwork.h)
  const char* tip = nullptr;   // its hint and status text
  bool checkable = false;
};

// One row of the action table.
struct ActionRow {
  Act id;
  const char* name;     // the entry's object name
  const char* caption;  // the menu text, as shown
  int shortcut = 0;     // a QKeySequence::StandardKey, 0 for none
  bool checkable = false;
  bool checked = false;  // before the settings are read
  int image = -1;        // the menu image slot (artwork.h), -1 for none
  const char* status_tip = nullptr;
  SettingLink setting{};
  // Runs on a click (with the new check state); null for entries another part connects.
  void (*handler)(TVeldrimon69&, bool checked) = nullptr;
  bool on_toggle = false;  // run the handler on every change of the check mark, not only clicks
  // The entry's tool button; a click on it runs the handler too (with the button's check state).
  ToolButtonInfo button{};
};

}  // namespace vr::shell::ui
