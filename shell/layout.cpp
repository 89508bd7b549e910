#include "shell/layout.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "picture/fit.h"
#include "platform/path_rules.h"

namespace vr::shell {

int LayoutSide(int value) { return value >= 1 && value <= 30000 ? value : 10; }

Box LayOutFitPane(int picture_width, int picture_height, int box_width, int box_height,
                  bool keep_aspect) {
  const int pw = LayoutSide(picture_width == INT32_MIN ? 0 : std::abs(picture_width));
  const int ph = LayoutSide(picture_height);
  const int bw = LayoutSide(box_width);
  const int bh = LayoutSide(box_height);
  if (!keep_aspect) return {0, 0, bw, bh};
  const double r = static_cast<double>(pw) / ph;
  if (static_cast<double>(bw) / bh > r) {
    const int w = static_cast<int>(r * bh);
    return {(bw - w) / 2, 0, w, bh};
  }
  const int h = static_cast<int>(bw / r);
  return {0, (bh - h) / 2, bw, h};
}

int SplitPaneHeight(int client_height, int toolbar_height, int status_height) {
  return std::max(client_height - toolbar_height - status_height, 100) / 2;
}

View NextView(View view) {
  switch (view) {
    case View::kFit:
      return View::kSplit;
    case View::kSplit:
      return View::kActual;
    case View::kActual:
      return View::kFit;
  }
  return View::kFit;
}

const char* ViewStatusText(View view) {
  switch (view) {
    case View::kFit:
      return "View:RE-Size To Fit";
    case View::kActual:
      return "View:Actual Size";
    case View::kSplit:
      return "View:Split Screen";
  }
  return "";
}

ClientSize AutoSizeClient(const AutoSizeInput& in) {
  const int pw = std::max(1, std::abs(in.picture_width));
  const int ph = std::max(1, std::abs(in.picture_height));
  const int o = in.tool_height;
  int w = pw + in.margin_x;
  if (in.work_width < w + in.frame_horizontal) w = in.work_width - in.frame_horizontal;
  int client_h = o + ph;
  if (in.work_height < client_h + in.frame_vertical) client_h = in.work_height - in.frame_vertical;
  // The whole window (frame included) must not be taller than the work area.
  const int excess = client_h + in.frame_vertical - in.work_height;
  if (excess > 0) client_h -= excess;
  const double r = static_cast<double>(pw) / ph;
  const int free_h = std::max(1, client_h - o);
  const double q = static_cast<double>(w - in.margin_x) / free_h;
  if (q > r) return {static_cast<int>(free_h * r + in.margin_x), client_h};
  return {w, static_cast<int>((w - in.margin_x) / r + o)};
}

Box FullScreenFit(int picture_width, int picture_height, int screen_width, int screen_height,
                  bool shrink_only) {
  const int pw = std::abs(picture_width);
  const int ph = std::abs(picture_height);
  int box_w = screen_width;
  int box_h = screen_height;
  if (shrink_only && pw <= screen_width && ph <= screen_height) {
    box_w = pw;
    box_h = ph;
  }
  const picture::Size size = picture::FitInBox(pw, ph, box_w, box_h);
  return {(screen_width - size.width) / 2, (screen_height - size.height) / 2, size.width,
          size.height};
}

Box FullScreenActual(int picture_width, int picture_height, int screen_width, int screen_height) {
  const int pw = std::max(1, std::abs(picture_width));
  const int ph = std::max(1, std::abs(picture_height));
  return {pw < screen_width ? (screen_width - pw) / 2 : 0,
          ph < screen_height ? (screen_height - ph) / 2 : 0, pw, ph};
}

WindowPlace SecondWindowPlacement(int other_left, int other_top, int other_right,
                                  int other_bottom) {
  WindowPlace p;
  p.width = other_right - other_left + 1;
  p.height = other_bottom - other_top + 1;
  p.left = other_left >= 500 ? 0 : other_left + 24;
  p.top = other_top >= 400 ? 0 : other_top + 24;
  return p;
}

std::string CaptionText(const std::string& title_label, const std::string& path,
                        bool display_path) {
  if (path.empty() || path == "None") return "Veldrimon";
  std::string shown = path;
  if (!display_path) {
    shown = platform::NameOf(path);
  }
  return title_label + "| (" + shown + ")";
}

std::string TaskbarTitle(const std::string& caption) {
  const size_t open = caption.find("| (");
  if (open == std::string::npos) return caption;
  std::string inner = caption.substr(open + 3);
  if (!inner.empty() && inner.back() == ')') inner.pop_back();
  return platform::NameOf(inner);
}

CaptionParts SplitCaption(const std::string& caption) {
  const size_t bar = caption.find('|');
  if (bar == std::string::npos) return {caption, {}};
  return {caption.substr(0, bar), caption.substr(bar)};
}

StatusTexts MakeStatusTexts(int position, int count, int width, int height) {
  if (count <= 0) return {};
  return {"File:" + std::to_string(position + 1) + " of " + std::to_string(count),
          "Width:" + std::to_string(width == INT32_MIN ? 0 : std::abs(width)),
          "Height:" + std::to_string(height)};
}

std::string LoadingStatusText(int percent) {
  return "Loading Status:%" + std::to_string(percent) + " done...";
}

std::string DepthText(int bits) {
  switch (bits) {
    case 1:
      return "Monochrome 1 Bit (2 Colors)";
    case 2:
      return "CGA 2 BPP (4 Colors)";
    case 3:
      return "VGA 3 BPP (8 Colors)";
    case 4:
      return "EGA 4 BPP (16 Colors)";
    case 5:
      return "VGA 5 BPP (32 Colors)";
    case 6:
      return "VGA 6 BPP (64 Colors)";
    case 7:
      return "VGA 7 BPP (128 Colors)";
    case 8:
      return "VGA 8 BPP (256 Colors)";
    case 15:
      return "HI-Color 15 BPP (32K Colors)";
    case 16:
      return "HI-Color 16 BPP (64K Colors)";
    case 24:
      return "True Color 24 BPP (16M Colors)";
    case 32:
      return "True Color 32 BPP (16M Colors)";
    default:
      return std::to_string(bits);
  }
}

}  // namespace vr::shell
