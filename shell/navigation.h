#pragma once
// The viewer's navigation rules, free of any window: stepping through the files list, which
// navigation controls are usable, the main window's and the full-screen window's key maps, the
// next/previous zones at the picture's edges, presses on the picture, the drag-out threshold,
// the wheel amounts, the double-click timing of the fit pane and the delete-current-file flow.
//
// Keys are given as the program's key codes (the Windows virtual-key numbers): the request codes
// of the full-screen loop and the slide show are key codes too (33 Page Up = previous, 34 Page
// Down = next, 86 V = redisplay, 120 F9 = restart the GIF, 121 F10 = slide show).

#include <cstdint>
#include <functional>
#include <string>

namespace vr::shell {

inline constexpr const char* kEndOfListSound = "EOFLIST.WAV";
inline constexpr const char* kNoDeleteFileSound = "NODELETE.WAV";
inline constexpr const char* kSwishInSound = "Swishin.wav";
inline constexpr const char* kSwishOutSound = "Swishout.wav";

inline constexpr const char* kMiddleZoneTip =
    "Right-Click for menu, and DBL-CLICK to open seperate preview window for picture";
inline constexpr const char* kEdgeZoneTip =
    "Right-Click for NEXT picture/file, Left-Click for PREVIOUS picture/file";
inline constexpr const char* kDeleteCurrentQuestion =
    "To un-delete the file(s) you can click on the RECYCLE BIN button!\r\rDo you wish to DELETE "
    "the following file ?\r";

// Key codes.
namespace key {
inline constexpr int kEnter = 13;
inline constexpr int kShift = 16;
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kPageUp = 33;
inline constexpr int kPageDown = 34;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kDelete = 46;
inline constexpr int kV = 86;
inline constexpr int kF1 = 112;
inline constexpr int kF2 = 113;
inline constexpr int kF9 = 120;
inline constexpr int kF10 = 121;
inline constexpr int kF11 = 122;
inline constexpr int kF12 = 123;
}  // namespace key

// Request code of the slide show (the F10 key's code).
inline constexpr int kSlideShowRequest = key::kF10;

// ---- stepping through the list

// What the steps need from the viewer.
struct NavigationHost {
  std::function<int()> position;
  std::function<int()> count;
  std::function<void(int)> set_position;
  // Show current file; false when it was refused because another show is running.
  std::function<bool()> show;
  std::function<void(const char* sound)> play;
};

// Next and Previous: true when another file was shown. At the end of the list the position stays
// at the end and the end-of-list sound plays; a refused show puts the position back.
bool Next(const NavigationHost& host);
bool Previous(const NavigationHost& host);
// First and Last: show the first or last entry (nothing with an empty list).
void First(const NavigationHost& host);
void Last(const NavigationHost& host);

// Which navigation controls are usable at a position of a list of `count` entries.
struct NavigationButtons {
  bool previous = false;
  bool next = false;
  bool first = false;
  bool last = false;
  bool slide_show = false;   // the slide-show and reload controls
  bool full_screen = false;  // the full-screen entries
};
NavigationButtons ButtonsFor(int position, int count);

// ---- keys

enum class KeyAction {
  kNone,
  kRestart,    // F11: show the current file again
  kSlideShow,  // F12
  kNextView,   // V
  kScroll,     // arrows: scroll the actual-size pane by dx, dy
  kPrevious,   // Page Up
  kNext,       // Page Down
  kWheel,      // F1, F2: one wheel notch (wheel_delta)
  kDelete,     // Delete
  kToggleTag,  // Space
};

struct KeyResult {
  KeyAction action = KeyAction::kNone;
  int request = -1;             // the request code to set; -1 leaves it
  bool stop_animation = false;  // stop a running slide show or GIF animation first
  int dx = 0;
  int dy = 0;
  int wheel_delta = 0;
};

// The main window's key map. Every key is stored as the last key by the caller first.
KeyResult MainWindowKey(int key, bool alt, bool full_screen);

// The full-screen window's own keys; keys it passes on go to MainWindowKey with full screen on.
enum class FullScreenKeyAction { kNone, kScroll, kRestart, kDelete, kPassOn };
struct FullScreenKeyResult {
  FullScreenKeyAction action = FullScreenKeyAction::kNone;
  int dx = 0;
  int dy = 0;
  bool raise_list_window = false;  // Escape also brings the files list window forward
};
FullScreenKeyResult FullScreenKey(int key);

// ---- the picture under the pointer

inline constexpr int kEdgeZoneWidth = 40;
inline constexpr int kDragOutDistance = 20;

// True when x (in the reference pane's coordinates) lies in a next/previous zone of a pane `w`
// pixels wide; a pane of 100 pixels or less is all middle.
bool InEdgeZone(int x, int w);

enum class MouseButton { kLeft, kRight, kMiddle, kOther };
enum class PressAction { kNone, kPrevious, kNext, kRequestPrevious, kRequestNext };

// A press on the picture: only a lone left or right button in next/previous mode moves. In the
// full-screen window presses only set the loop's request codes.
PressAction PictureMouseDown(bool next_prev_mode, MouseButton button, bool modifiers,
                             bool full_screen);

// Dragging the current file out starts once the pointer is 20 pixels or more away from the press
// point in x or in y.
bool DragOutStarts(int press_x, int press_y, int x, int y);

// Wheel: the new scroll position after `delta` (120 per notch, positive away from the user)
// moving `step` pixels per notch; a turn toward the user scrolls down, and the position never goes
// above 0.
inline constexpr int kWheelNotch = 120;
inline constexpr int kScrollBoxWheelStep = 10;
inline constexpr int kWindowWheelStep = 20;
inline constexpr int kArrowStep = 15;
int WheelScroll(int position, int delta, int step);

// The fit pane's own double click: a press within the double-click interval of the previous
// press counts as a double click (the press after it starts afresh).
class DoubleClickTimer {
 public:
  bool Press(int64_t now_ms, int interval_ms);

 private:
  int64_t last_ = 0;
  bool armed_ = false;
};

// ---- deleting the current file

struct DeleteHost {
  std::function<int()> position;
  std::function<int()> count;
  std::function<std::string(int)> path_at;
  std::function<void(const char* sound)> play;
  // The Yes/No confirmation; true for Yes.
  std::function<bool(const std::string& text)> confirm;
  // Deletes through the recycle bin with yes to all held for companion files; false when the
  // system refused (the bin has shown why).
  std::function<bool(const std::string& path)> delete_through_bin;
  // Removes the entry from the files list and its window, and sets the new position.
  std::function<void(const std::string& path, int new_position)> remove;
  std::function<void()> clear_picture;
  std::function<void()> show;
};

enum class DeleteResult { kEmptyList, kDeclined, kRefused, kDeleted };

// The file name without its folder.
std::string FileNameOf(const std::string& path);
DeleteResult DeleteCurrentFile(const DeleteHost& host);

// The sound that plays along with a picture ("Play .WAV Files By Same Name"): a file of the same
// folder and name whose extension is ".wav" in any case ("photo.wav", "photo.WAV"), never the
// picture itself; empty when there is none. The name part compares by the platform's path rule.
std::string SameNameSound(const std::string& picture_path);

}  // namespace vr::shell
