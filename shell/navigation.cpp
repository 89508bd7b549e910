#include "shell/navigation.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "platform/path_rules.h"
#include "platform/sounds.h"

namespace vr::shell {

namespace {

// One step of Next or Previous from `position`: with `can_step` it shows `target`, and a refused
// show (another one is still running) puts the position back; otherwise the position is pinned
// to `end` and the end-of-list sound plays.
bool Step(const NavigationHost& host, int position, bool can_step, int target, int end) {
  if (can_step) {
    host.set_position(target);
    if (host.show()) return true;
    host.set_position(position);
    return false;
  }
  host.set_position(end);
  host.play(kEndOfListSound);
  return false;
}

// An arrow key's scroll: kArrowStep pixels its way; other keys leave dx and dy alone.
void ArrowScroll(int code, int* dx, int* dy) {
  if (code == key::kLeft) *dx = -kArrowStep;
  if (code == key::kRight) *dx = kArrowStep;
  if (code == key::kUp) *dy = -kArrowStep;
  if (code == key::kDown) *dy = kArrowStep;
}

// The keys the full-screen window hands on to the main window's key map.
bool IsPassedOnFromFullScreen(int code) {
  switch (code) {
    case key::kEnter:
    case key::kShift:
    case key::kEscape:
    case key::kSpace:
    case key::kPageUp:
    case key::kPageDown:
    case key::kV:
    case key::kF9:
    case key::kF10:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool Next(const NavigationHost& host) {
  const int position = host.position();
  const int count = host.count();
  return Step(host, position, position + 1 < count, position + 1, std::max(0, count - 1));
}

bool Previous(const NavigationHost& host) {
  const int position = host.position();
  return Step(host, position, position > 0, position - 1, 0);
}

// A refused show puts the position back here too, so that it always names the shown entry.
void First(const NavigationHost& host) {
  const int before = host.position();
  host.set_position(0);
  if (host.count() > 0 && !host.show()) host.set_position(before);
}

void Last(const NavigationHost& host) {
  const int count = host.count();
  if (count <= 0) return;
  const int before = host.position();
  host.set_position(count - 1);
  if (!host.show()) host.set_position(before);
}

NavigationButtons ButtonsFor(int position, int count) {
  NavigationButtons b;
  b.previous = count > 0 && position > 0;
  b.next = position + 1 < count;
  b.first = b.last = count > 0;
  b.slide_show = b.full_screen = count > 0;
  return b;
}

KeyResult MainWindowKey(int code, bool alt, bool full_screen) {
  KeyResult r;
  r.stop_animation = code == key::kEscape || code == key::kPageUp || code == key::kPageDown;
  if (full_screen) {
    if (IsPassedOnFromFullScreen(code)) r.request = code;
    return r;
  }
  r.request = code;
  switch (code) {
    case key::kF11:
      r.action = KeyAction::kRestart;
      break;
    case key::kF12:
      r.action = KeyAction::kSlideShow;
      r.request = kSlideShowRequest;
      break;
    case key::kV:
      if (!alt) r.action = KeyAction::kNextView;
      break;
    case key::kRight:
    case key::kLeft:
    case key::kDown:
    case key::kUp:
      r.action = KeyAction::kScroll;
      ArrowScroll(code, &r.dx, &r.dy);
      break;
    case key::kPageUp:
      r.action = KeyAction::kPrevious;
      break;
    case key::kPageDown:
      r.action = KeyAction::kNext;
      break;
    case key::kF1:
      r.action = KeyAction::kWheel;
      r.wheel_delta = -kWheelNotch;
      break;
    case key::kF2:
      r.action = KeyAction::kWheel;
      r.wheel_delta = kWheelNotch;
      break;
    case key::kDelete:
      r.action = KeyAction::kDelete;
      break;
    case key::kSpace:
      r.action = KeyAction::kToggleTag;
      break;
    default:
      break;
  }
  return r;
}

FullScreenKeyResult FullScreenKey(int code) {
  FullScreenKeyResult r;
  switch (code) {
    case key::kLeft:
    case key::kRight:
    case key::kUp:
    case key::kDown:
      r.action = FullScreenKeyAction::kScroll;
      ArrowScroll(code, &r.dx, &r.dy);
      break;
    case key::kF1:  // a wheel notch down
      r.action = FullScreenKeyAction::kScroll;
      r.dy = kWindowWheelStep;
      break;
    case key::kF2:
      r.action = FullScreenKeyAction::kScroll;
      r.dy = -kWindowWheelStep;
      break;
    case key::kF11:
      r.action = FullScreenKeyAction::kRestart;
      break;
    case key::kDelete:
      r.action = FullScreenKeyAction::kDelete;
      break;
    case key::kEscape:
      r.action = FullScreenKeyAction::kPassOn;
      r.raise_list_window = true;
      break;
    default:
      if (IsPassedOnFromFullScreen(code)) r.action = FullScreenKeyAction::kPassOn;
      break;
  }
  return r;
}

bool InEdgeZone(int x, int w) {
  if (w <= 100) return false;
  return x < kEdgeZoneWidth || x > w - kEdgeZoneWidth;
}

PressAction PictureMouseDown(bool next_prev_mode, MouseButton button, bool modifiers,
                             bool full_screen) {
  if (!next_prev_mode || modifiers) return PressAction::kNone;
  if (button == MouseButton::kLeft) {
    return full_screen ? PressAction::kRequestPrevious : PressAction::kPrevious;
  }
  if (button == MouseButton::kRight) {
    return full_screen ? PressAction::kRequestNext : PressAction::kNext;
  }
  return PressAction::kNone;
}

bool DragOutStarts(int press_x, int press_y, int x, int y) {
  return std::abs(x - press_x) >= kDragOutDistance || std::abs(y - press_y) >= kDragOutDistance;
}

int WheelScroll(int position, int delta, int step) {
  // Whole notches only; a high-resolution wheel's part notches add up in its own delta.
  const int notches = delta / kWheelNotch;
  return std::max(0, position - notches * step);
}

bool DoubleClickTimer::Press(int64_t now_ms, int interval_ms) {
  if (armed_ && now_ms >= last_ && now_ms - last_ <= interval_ms) {
    armed_ = false;
    return true;
  }
  armed_ = true;
  last_ = now_ms;
  return false;
}

std::string FileNameOf(const std::string& path) { return platform::NameOf(path); }

std::string SameNameSound(const std::string& picture_path) {
  const std::string folder = platform::FolderOf(picture_path);
  const std::string name = platform::NameOf(picture_path);
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  if (stem.empty()) return {};
  auto usable = [&](const std::string& candidate) {
    struct stat st {};
    return !platform::SamePath(candidate, picture_path) && ::stat(candidate.c_str(), &st) == 0 &&
           S_ISREG(st.st_mode);
  };
  // The two usual spellings first; a folder is listed only for the rarer ones (".Wav").
  for (const char* ext : {".WAV", ".wav"}) {
    const std::string candidate = folder + stem + ext;
    if (usable(candidate)) return candidate;
  }
  const std::string list_folder = folder.empty() ? std::string(".") : folder;
  std::vector<std::string> found;
  if (DIR* dir = ::opendir(list_folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string other = entry->d_name;
      if (other.size() != stem.size() + 4) continue;
      if (!platform::EqualIgnoringAsciiCase(other.substr(stem.size()), ".WAV")) continue;
      if (!platform::SamePath(folder + other.substr(0, stem.size()), folder + stem)) continue;
      found.push_back(folder + other);
    }
    ::closedir(dir);
  }
  std::sort(found.begin(), found.end());  // the same choice on every show
  for (const std::string& candidate : found) {
    if (usable(candidate)) return candidate;
  }
  return {};
}

DeleteResult DeleteCurrentFile(const DeleteHost& host) {
  const int count = host.count();
  if (count <= 0) {
    host.play(kNoDeleteFileSound);
    return DeleteResult::kEmptyList;
  }
  const int position = std::clamp(host.position(), 0, count - 1);
  const std::string path = host.path_at(position);
  host.play(platform::kSoundBrakes);
  if (!host.confirm(kDeleteCurrentQuestion + FileNameOf(path))) return DeleteResult::kDeclined;
  if (!host.delete_through_bin(path)) return DeleteResult::kRefused;  // the entry stays
  // The entry after the deleted one takes its place; deleting the last steps back one.
  const int left = count - 1;
  const int next = position >= left ? std::max(0, left - 1) : position;
  host.remove(path, next);
  if (left == 0) {
    host.clear_picture();
  } else {
    host.show();
  }
  return DeleteResult::kDeleted;
}

}  // namespace vr::shell
