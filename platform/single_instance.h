#pragma once
// One viewer per desktop: the start-up lock, finding the running viewer and handing it a command
// line. Two processes meet through a lock file (released by the kernel when its holder dies, so a
// killed viewer never blocks the next start) and a local socket named after the main window's
// class. The hand-over keeps its two message codes: 96 asks the viewer to raise its flag, 69
// hands it the command-line text, which the viewer acknowledges with "QR42" in double quotes.

#include <functional>
#include <optional>
#include <string>

namespace vr::platform {

inline constexpr int kHandOverSetFlag = 96;
inline constexpr int kHandOverCommandLine = 69;
inline constexpr const char* kHandOverAck = "\"QR42\"";
// Longest single argument the receiving side takes (its argument buffer holds 300 bytes).
inline constexpr size_t kMaxHandOverArgument = 299;

struct WindowRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

enum class HandOverResult {
  kDone,         // the viewer took the command line and acknowledged it
  kNoFlag,       // nobody raised the flag in time
  kNoAck,        // the flag came up but the acknowledgement did not
};

// What the running viewer does with hand-over messages; called on its UI thread.
struct HandOverReceiver {
  std::function<void()> on_set_flag;                                 // code 96
  std::function<void(const std::string& command_line)> on_command_line;  // code 69
  std::function<void()> on_bring_forward;
  std::function<WindowRect()> window_rect;
};

class SingleInstance {
 public:
  virtual ~SingleInstance() = default;

  // The start-up lock ("MYSPECIALTHING"): waits up to timeout_ms; true when this process owns it.
  virtual bool AcquireStartupLock(int timeout_ms) = 0;
  virtual void ReleaseStartupLock() = 0;

  // Whether a viewer answers on the socket right now.
  virtual bool ViewerAnswers() = 0;
  // The running viewer's main window rectangle, when it answers.
  virtual std::optional<WindowRect> ViewerRect() = 0;
  // Asks the running viewer to come forward (shown normally when minimised).
  virtual void BringViewerForward() = 0;

  // Sender side: code 96, wait up to flag_wait_ms for the flag (retrying the connection while a
  // viewer is still starting), then code 69 with the text and wait up to ack_wait_ms for the
  // acknowledgement.
  virtual HandOverResult HandOver(const std::string& command_line, int flag_wait_ms,
                                  int ack_wait_ms) = 0;

  // Receiver side: start answering. A stale socket left by a killed viewer is replaced.
  virtual bool Listen(HandOverReceiver receiver) = 0;
};

}  // namespace vr::platform
