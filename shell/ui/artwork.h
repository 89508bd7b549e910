#pragma once
// The program's cursors and tool-button images, drawn by our own code: the cursors at their fixed
// slots of the cursor table, and the button image list cut from one vertical strip of 20 x 20
// images with its mask strip.

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
  kImageDriveFixed,
  kImageDriveRemovable,
  kImageDriveRemote,
  kImageDriveCdRom,
  kImageDriveRam,
  kImageFirst,
  kImageLast,
  kImageTagged,    // the tag button of a tagged entry
  kImageUntagged,  // and of an entry without a tag
  kImageSoundOn,   // the sound switch on (tool button and menu entry)
  kImageSoundOff,
  kButtonImageCount
};

inline constexpr int kButtonSize = 20;

// The cursor table: slot -> cursor.
std::map<int, QCursor> LoadCursors();
// The strip of button images (stacked vertically) and its mask of the same shape.
QPixmap ButtonStrip();
QPixmap ButtonStripMask(const QPixmap& strip);
// Cuts a strip into images of `size` x `size`, each with its mask applied.
std::vector<QIcon> CutStrip(const QPixmap& strip, const QPixmap& mask, int size);

}  // namespace vr::shell::ui
