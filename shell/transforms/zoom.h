#pragma once
// The edits of the "Select ZOOMing options" window and how they follow one another: new width,
// new height and zoom factor, kept in proportion while "Keep Aspect Ratio" is checked.

#include <string>

namespace vr::transforms {

inline constexpr const char* kZoomAspectHint =
    "It is highly suggested that you have the \"KEEP ASPECT RATIO\" checked so that the image "
    "isn't distored wide or tall. You can do so by checking it, then clicking on this button "
    "again!";
inline constexpr const char* kZoomShrinkQuestion =
    "If you are planning on SHRINKING the image, then it is highly suggested that you use the "
    "\"SMOOTHING ON\" option. This makes reduced images look much better and less jagged on "
    "curved or diagonal objects.";
inline constexpr const char* kZoomNowButton = "+Zoom Now";
inline constexpr const char* kZoomCancelButton = "-CANCEL Zoom";

class ZoomEdits {
 public:
  // Opens on a picture of the given size: edits filled and brought into line, smoothing on,
  // "&Ok" disabled.
  ZoomEdits(int current_width, int current_height);

  const std::string& WidthText() const { return width_; }
  const std::string& HeightText() const { return height_; }
  const std::string& FactorText() const { return factor_; }
  bool OkEnabled() const { return ok_enabled_; }
  bool KeepAspect() const { return keep_aspect_; }
  bool Smoothing() const { return smoothing_; }
  const char* SmoothingCaption() const { return smoothing_ ? "Smoothing ON" : "Smoothing OFF"; }
  const char* SmoothingGlyph() const { return smoothing_ ? "SMOOTHING_ON" : "SMOOTHING_OFF"; }

  void SetKeepAspect(bool on) { keep_aspect_ = on; }
  void ToggleSmoothing() { smoothing_ = !smoothing_; }

  // The user typed into an edit.
  void WidthEdited(const std::string& text);
  void HeightEdited(const std::string& text);
  void FactorEdited(const std::string& text);

  // "Use &Screen Size". Returns true when the aspect hint must be shown first (aspect unchecked).
  bool UseScreenSize(int screen_width, int screen_height);

  // Closing with smoothing off asks kZoomShrinkQuestion unless the picture grows both ways.
  bool NeedsShrinkQuestion() const;

  // The size "&Ok" resizes to: the edits' values, anything below 2 raised to 2.
  int FinalWidth() const;
  int FinalHeight() const;

 private:
  void BringIntoLine();
  void SetSize(long width, long height);

  int current_width_;
  int current_height_;
  std::string width_;
  std::string height_;
  std::string factor_;
  bool keep_aspect_ = true;
  bool smoothing_ = true;
  bool ok_enabled_ = false;
};

}  // namespace vr::transforms
