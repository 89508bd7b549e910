#pragma once
// Status panel 0 during a decode: "Loading Status:%00 done...   " when the load starts, then
// "Loading Status:%" with the percentage and " done..." as the decoder reports rows. The text is
// handed on for every new percentage; a repaint of the panel (the load runs on the window thread,
// so nothing is painted unless asked) is asked for at most once per interval, and always for the
// last row.

#include <cstdint>
#include <functional>
#include <string>

#include "picture/decode_progress.h"
#include "platform/clock.h"

namespace vr::shell {

class LoadProgress {
 public:
  // `show(text, repaint_now)` sets the panel's text and repaints it at once when asked.
  using Show = std::function<void(const std::string& text, bool repaint_now)>;
  LoadProgress(Show show, const platform::Clock& clock, uint32_t repaint_interval_ms = 40);
  LoadProgress(const LoadProgress&) = delete;
  LoadProgress& operator=(const LoadProgress&) = delete;

  // Shows the starting text and gives the hook to hand to the loader for this load.
  picture::DecodeProgress* Start();

 private:
  static void Report(void* context, int percent);
  void Percent(int percent);

  Show show_;
  const platform::Clock& clock_;
  uint32_t interval_;
  uint32_t last_repaint_ = 0;
  picture::DecodeProgress hook_;
};

}  // namespace vr::shell
