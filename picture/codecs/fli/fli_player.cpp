#include "picture/codecs/fli/fli_player.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vr::codecs::fli {

TFliPlayerTimer::TFliPlayerTimer(FliPlayerHost* host)
    : host_(host), display_(std::make_unique<TUniDIB>(320, 200, 8)) {}

TFliPlayerTimer::~TFliPlayerTimer() { Stop(); }

void TFliPlayerTimer::SetStretch(bool on) {
  stretch_ = on;
  host_->ClearArea();
  host_->Repaint();
}

void TFliPlayerTimer::SetFliPos(FliPos pos) {
  position_ = pos;
  host_->ClearArea();
  host_->Repaint();
}

void TFliPlayerTimer::SetFileName(const std::string& name) {
  if (name != file_name_ || memory_ != nullptr) Stop();
  file_name_ = name;
  memory_ = nullptr;
  memory_size_ = 0;
}

void TFliPlayerTimer::SetMemory(const uint8_t* data, size_t size) {
  Stop();
  memory_ = data;
  memory_size_ = size;
}

void TFliPlayerTimer::OpenAndPlay() {
  Stop();
  const bool opened =
      memory_ != nullptr ? file_.OpenMemory(memory_, memory_size_) : file_.Open(file_name_);
  if (!opened) {
    host_->DrawText(5, 5, file_.ErrorText());
    return;
  }
  file_.on_message = [this](const std::string& text) { host_->ShowMessage(text); };
  const FliHeader& header = file_.Header();
  if (AutoSize) host_->ResizeControl(header.width, header.height);
  display_ = std::make_unique<TUniDIB>(header.width, header.height, 8);
  period_ = header.FramePeriod();
  host_->StartTimer(TimerInterval);
  timer_running_ = true;
  state_ = kPlaying;
  pending_ = true;
  shown_frame_ = 0;
  painted_frame_ = -1;
  next_time_ = host_->TickCount();
}

void TFliPlayerTimer::Pause() {
  if (state_ == kPlaying) state_ = kPaused;
}

void TFliPlayerTimer::Play() {
  if (state_ == kPaused) {
    state_ = kPlaying;
    next_time_ = host_->TickCount();
    return;
  }
  OpenAndPlay();
}

void TFliPlayerTimer::Stop() {
  file_.Close();
  if (timer_running_) host_->StopTimer();
  timer_running_ = false;
  state_ = kStopped;
  pending_ = false;
}

bool TFliPlayerTimer::DecodePending() {
  const FliFile::Step step = file_.DecodeNext(Loop || seeking_);
  if (step == FliFile::Step::kEnded) {
    pending_ = false;
    if (OnFliEnd) OnFliEnd(*this);
    Stop();
    return false;
  }
  if (step == FliFile::Step::kLost) {
    Stop();
    return false;
  }
  pending_ = false;
  return true;
}

void TFliPlayerTimer::ShowDecoded() {
  const FliHeader& header = file_.Header();
  shown_frame_ = file_.FrameNumber();
  display_->CopyFrame(file_.FrameBuffer().data(), header.width, header.height);
  // The palette goes with the frame it was decoded for, not the one decoded ahead.
  bool changed = false;
  for (int i = 0; i < 256 && !changed; ++i)
    changed = !(display_->PaletteEntry(i) == file_.Palette()[i]);
  if (changed) display_->SetPalette(file_.Palette());
}

void TFliPlayerTimer::Tick() {
  if (state_ != kPlaying) return;
  if (pending_ && !DecodePending()) return;
  const uint32_t now = host_->TickCount();
  if (!pending_ && static_cast<int32_t>(now - next_time_) >= 0) {
    next_time_ += SpeedOverride != 0 ? static_cast<uint32_t>(SpeedOverride) : period_;
    pending_ = true;
    ShowDecoded();
    if (OnFliNextFrame) OnFliNextFrame(*this);
  }
  // Decode the next frame now so that showing it only copies the buffer.
  if (pending_ && !DecodePending()) return;
  if (shown_frame_ != painted_frame_) host_->Repaint();
}

void TFliPlayerTimer::GoToFrame(int n) {
  seeking_ = true;
  if (state_ != kStopped) {
    if (n == 1 || n < file_.FrameNumber()) file_.Rewind();
    bool ok = true;
    while (n <= Frames() && file_.FrameNumber() < n) {
      if (file_.DecodeNext(true) != FliFile::Step::kDecoded) {
        ok = false;
        break;
      }
    }
    if (!ok) {
      Stop();
    } else if (n >= 1 && file_.FrameNumber() == n) {
      ShowDecoded();
      pending_ = true;
      host_->Repaint();
    }
    if (OnFliNextFrame) OnFliNextFrame(*this);
  }
  seeking_ = false;
}

int TFliPlayerTimer::FasterOverride(int current) {
  if (current == 0) return 70;
  return std::max(kFasterFloor, static_cast<int>(std::lround(current * 0.9)));
}

int TFliPlayerTimer::SlowerOverride(int current) {
  if (current == 0) return 70;
  return std::min(kSlowerCeiling, static_cast<int>(std::lround(current * 1.2)));
}

void TFliPlayerTimer::Faster() {
  SpeedOverride = FasterOverride(SpeedOverride);
  Pause();
  Play();
}

void TFliPlayerTimer::Slower() {
  SpeedOverride = SlowerOverride(SpeedOverride);
  Pause();
  Play();
}

PaintRect TFliPlayerTimer::PaintArea(int control_width, int control_height) const {
  if (!HasShownFrame()) return PaintRect{};
  if (stretch_) return PaintRect{0, 0, control_width, control_height};
  const int w = display_->Width();
  const int h = display_->Height();
  switch (position_) {
    case FliCentre:
      return PaintRect{(control_width - w) / 2, (control_height - h) / 2, w, h};
    case FliRight:
      return PaintRect{control_width - w, 0, w, h};
    case FliLeft:
    default:
      return PaintRect{0, 0, w, h};
  }
}

void TFliPlayerTimer::Paint() {
  if (OnFliPaint) OnFliPaint(*this);
  painted_frame_ = shown_frame_;
}

}  // namespace vr::codecs::fli
