#pragma once
// The please-wait window: a small shared window with a progress text, an optional progress figure
// and a stop button that long operations update and poll. Operations may relabel the button
// ("Skip Drive", "&Stop", "Cancel Sort") and put the default back when done.
//
// MessagePump lets the event loop run from inside a long loop, so the stop button and repaints
// work while the user-interface thread is busy.

#include <string>

namespace vr::platform {

class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // Handles pending window events and returns.
  virtual void PumpMessages() = 0;
};

class PleaseWait {
 public:
  static constexpr const char* kDefaultStopCaption = "&Cancel";

  virtual ~PleaseWait() = default;

  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;

  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;
  // Progress in percent 0..100; a negative value hides the figure.
  virtual void SetProgress(int percent) = 0;
  // Relabels the stop button; an empty caption restores kDefaultStopCaption.
  virtual void SetStopCaption(const std::string& caption) = 0;
  virtual std::string StopCaption() const = 0;

  // The stop flag: raised by the stop button (or Escape) and read between items.
  virtual bool StopRequested() const = 0;
  virtual void RequestStop() = 0;
  virtual void ClearStop() = 0;
};

// Shows the window with a text for the life of one operation, restoring the stop caption and
// hiding it again at the end (also on early returns).
class PleaseWaitScope {
 public:
  PleaseWaitScope(PleaseWait& window, const std::string& text, const std::string& stop_caption = {})
      : window_(window) {
    window_.ClearStop();
    window_.SetStopCaption(stop_caption);
    window_.SetText(text);
    window_.Show();
  }
  ~PleaseWaitScope() {
    window_.Hide();
    window_.SetStopCaption({});
  }
  PleaseWaitScope(const PleaseWaitScope&) = delete;
  PleaseWaitScope& operator=(const PleaseWaitScope&) = delete;

 private:
  PleaseWait& window_;
};

}  // namespace vr::platform
