#pragma once
// The viewer's layout figures, kept free of windows so they can be checked on their own: the fit
// pane's paint box, the split view's heights, auto-sizing the window to a picture, the
// full-screen placement, the placement of a second window, the caption and the status texts.

#include <string>

namespace vr::shell {

struct Box {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Box&, const Box&) = default;
};

// A side outside 1..30000 is laid out as 10.
int LayoutSide(int value);

// The paint box inside the fit pane's inner box. With keep-aspect the picture keeps its shape and
// is centred (free space halved, rounded down); without it the box is filled. A negative picture
// width counts by its absolute value.
Box LayOutFitPane(int picture_width, int picture_height, int box_width, int box_height,
                  bool keep_aspect);

// Height of each pane of the split view: max(free height, 100) / 2, where the free height is the
// client height less the tool bar area and the status bar.
int SplitPaneHeight(int client_height, int toolbar_height, int status_height);

// The views and the V-key cycle fit -> split -> actual -> fit.
enum class View { kFit = 0, kActual = 1, kSplit = 2 };
View NextView(View view);
const char* ViewStatusText(View view);

struct AutoSizeInput {
  int picture_width = 0;
  int picture_height = 0;
  int margin_x = 0;          // twice the inner panel's left offset
  int margin_y = 0;          // twice its top offset
  int tool_height = 0;       // tool bar area top + height + margin_y + status bar height
  int frame_horizontal = 0;  // twice the frame width
  int frame_vertical = 0;    // menu + caption + twice the frame height
  int work_width = 0;
  int work_height = 0;
};
struct ClientSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const ClientSize&, const ClientSize&) = default;
};
// The client size that shows the picture whole, bounded by the work area.
ClientSize AutoSizeClient(const AutoSizeInput& in);

// Full screen, fit mode: the drawn rectangle on a screen. In shrink-only mode a picture that fits
// the screen in both directions keeps its own size. Centring offsets round toward zero.
Box FullScreenFit(int picture_width, int picture_height, int screen_width, int screen_height,
                  bool shrink_only);
// Full screen, actual size: the picture's own size, centred where the screen is larger.
Box FullScreenActual(int picture_width, int picture_height, int screen_width, int screen_height);

struct WindowPlace {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};
// A new viewer beside a running one (inclusive right and bottom edges of the other window):
// same size, moved 24 down and right, or to 0 when the other sits at 500 / 400 or beyond.
WindowPlace SecondWindowPlacement(int other_left, int other_top, int other_right, int other_bottom);

// The caption: title label, "| (", path or name, ")"; "Veldrimon" when there is no file.
std::string CaptionText(const std::string& title_label, const std::string& path, bool display_path);
// The task-bar title: the file name inside "| (...)", or the whole caption without one.
std::string TaskbarTitle(const std::string& caption);
// The two parts of the painted title: before "|" (serif) and from "|" on (sans).
struct CaptionParts {
  std::string head;
  std::string rest;
};
CaptionParts SplitCaption(const std::string& caption);

// Status bar texts for panels 1 to 3; all empty when the list is empty.
struct StatusTexts {
  std::string file;
  std::string width;
  std::string height;
};
StatusTexts MakeStatusTexts(int position, int count, int width, int height);
// Panel 0 during a decode.
std::string LoadingStatusText(int percent);
inline constexpr const char* kLoadingStart = "Loading Status:%00 done...   ";

// "File BPP:", "Internal BPP:" and "Screen mode:" texts of the properties window.
std::string DepthText(int bits);

}  // namespace vr::shell
