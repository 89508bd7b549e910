#pragma once
// TFliPlayerTimer: the timer-driven logic of the movie player. It owns the movie file, the
// display bitmap and the play state; the window gives it a clock, a timer and a paint hook, so
// the same logic runs under a real QTimer and under a test's fake clock.
//
// States: stopped -> (OpenAndPlay) -> playing <-> (Pause / Play) paused; playing or paused ->
// (Stop, end without Loop, lost frame marker) -> stopped.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "picture/codecs/fli/fli_file.h"
#include "picture/codecs/fli/uni_dib.h"

namespace vr::codecs::fli {

// Where an unstretched movie sits in its control.
enum FliPos { FliLeft, FliCentre, FliRight };

struct PaintRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PaintRect&, const PaintRect&) = default;
};

class FliPlayerHost {
 public:
  virtual ~FliPlayerHost() = default;
  virtual uint32_t TickCount() = 0;
  virtual void StartTimer(int /*interval_ms*/) {}
  virtual void StopTimer() {}
  // The control should repaint (it then calls Paint()).
  virtual void Repaint() {}
  // Clears the control's area (position or stretch changed).
  virtual void ClearArea() {}
  // Text drawn on the control, e.g. the missing-file notice at (5, 5).
  virtual void DrawText(int /*x*/, int /*y*/, const std::string& /*text*/) {}
  virtual void ShowMessage(const std::string& /*text*/) {}
  // AutoSize: the control takes the movie's size.
  virtual void ResizeControl(int /*width*/, int /*height*/) {}
};

class TFliPlayerTimer {
 public:
  enum State { kPlaying = 0, kPaused = 1, kStopped = 2 };
  static constexpr int kFasterFloor = 5;
  static constexpr int kSlowerCeiling = 2000;

  explicit TFliPlayerTimer(FliPlayerHost* host);
  ~TFliPlayerTimer();

  // Published properties.
  bool AutoSize = false;
  bool Loop = true;
  int SpeedOverride = 0;  // ms per frame; 0 = the file's speed
  int TimerInterval = 1;
  std::function<void(TFliPlayerTimer&)> OnFliEnd;
  std::function<void(TFliPlayerTimer&)> OnFliNextFrame;
  std::function<void(TFliPlayerTimer&)> OnFliPaint;

  bool Stretch() const { return stretch_; }
  void SetStretch(bool on);
  FliPos GetFliPos() const { return position_; }
  void SetFliPos(FliPos pos);
  const std::string& FileName() const { return file_name_; }
  // A different name stops the running movie first.
  void SetFileName(const std::string& name);
  // Plays from memory instead of a file (tests, fuzzing); the bytes must outlive the player.
  void SetMemory(const uint8_t* data, size_t size);

  void OpenAndPlay();
  void Pause();
  void Play();
  void Stop();
  void GoToFrame(int n);
  // One timer tick.
  void Tick();

  // Media controls: faster / slower change the override and restart timing.
  void Faster();
  void Slower();
  static int FasterOverride(int current);
  static int SlowerOverride(int current);

  State GetState() const { return state_; }
  int Frames() const { return file_.IsOpen() ? file_.Header().frames : 0; }
  int ShownFrame() const { return shown_frame_; }
  int DecodedFrame() const { return file_.FrameNumber(); }
  uint32_t FramePeriod() const { return period_; }
  int MovieWidth() const { return file_.Header().width; }
  int MovieHeight() const { return file_.Header().height; }
  const TUniDIB& Display() const { return *display_; }
  const FliFile& File() const { return file_; }
  bool HasShownFrame() const { return shown_frame_ > 0; }

  // Where the movie goes in a control of this size (empty before the first frame).
  PaintRect PaintArea(int control_width, int control_height) const;
  // Raises OnFliPaint and marks the shown frame as painted.
  void Paint();

 private:
  bool DecodePending();
  void ShowDecoded();

  FliPlayerHost* host_;
  FliFile file_;
  std::unique_ptr<TUniDIB> display_;
  std::string file_name_;
  const uint8_t* memory_ = nullptr;
  size_t memory_size_ = 0;
  State state_ = kStopped;
  bool stretch_ = false;
  FliPos position_ = FliLeft;
  uint32_t period_ = 0;
  uint32_t next_time_ = 0;
  bool pending_ = false;
  bool seeking_ = false;
  bool timer_running_ = false;
  int shown_frame_ = 0;
  int painted_frame_ = -1;
};

}  // namespace vr::codecs::fli
