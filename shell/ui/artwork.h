#pragma once
// The program's cursors and image lists, drawn by our own code: the cursors at their fixed slots
// of the cursor table, the tool-button list ("0_LIST_BUTTONS", 20 x 20) and the menu list
// ("0_LIST_ICONS", 16 x 16), each cut from one vertical strip of images with its mask strip.

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <map>
#include <string>
#include <vector>

namespace vr::shell::ui {

struct CursorSlot {
  const char* name;
  int slot;
};
inline constexpr CursorSlot kCursorSlots[] = {
    {"NEXTPREV", 10}, {"TACK1", 11}, {"CHECK1", 12}, {"MAGNIFY1", 13}, {"COPY", 14},
    {"MOVE", 15},     {"LINK", 16},  {"COPYsc", 17}, {"MOVEsc", 18},   {"LINKsc", 19}};

// Button images in strip order.
enum ButtonImage {
  kImageLoad = 0,
  kImagePrevious,
  kImageNext,
  kImageKeepAspect,
  kImageSmooth,
  kImageViewToggle,
  kImageFullScreen,
  kImageFirst,
  kImageLast,
  kImageTagged,    // the tag button of a tagged entry
  kImageUntagged,  // and of an entry without a tag
  kImageSoundOn,   // the sound switch on (tool button and menu entry)
  kImageSoundOff,
  kImageSlideShow,  // TBSlide: a picture frame with a play mark
  kImageStop,       // TBStop
  kImageReload,     // SpeedButton14: a turning arrow
  kButtonImageCount
};

inline constexpr int kButtonSize = 20;

// Menu images in list order. The first five are the drive images by drive type; the next five
// are the same drawn in the sixteen standard colours, used instead on screens of 256 colours or
// fewer; the last five are the slots for the icons of the five external editors (empty until an
// editor's own icon is put there).
enum MenuImage {
  kIconDriveFixed = 0,
  kIconDriveRemovable,
  kIconDriveRemote,
  kIconDriveCdRom,
  kIconDriveRam,
  kIconLowColourDrives,  // five entries
  kIconOpen = kIconLowColourDrives + 5,
  kIconFolder,
  kIconProperties,
  kIconExit,
  kIconPrevious,
  kIconNext,
  kIconFirst,
  kIconLast,
  kIconTag,
  kIconDelete,
  kIconRecycleBin,
  kIconFilesList,
  kIconFullScreen,
  kIconHelp,
  kIconEditorSlots,  // five entries
  kMenuImageCount = kIconEditorSlots + 5
};

inline constexpr int kMenuImageSize = 16;
inline constexpr int kDriveImageCount = 5;

// The cursor table: slot -> cursor.
std::map<int, QCursor> LoadCursors();
// The button list, cut from its strip of images stacked vertically with the mask of that strip.
std::vector<QIcon> LoadButtonImages();
// The menu list for a screen of `screen_depth` bits per pixel: at 8 bits or fewer the
// sixteen-colour drive images take the places of the others.
std::vector<QIcon> LoadMenuImages(int screen_depth);

}  // namespace vr::shell::ui
