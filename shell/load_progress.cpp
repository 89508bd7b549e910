#include "shell/load_progress.h"

#include "shell/layout.h"

namespace vr::shell {

LoadProgress::LoadProgress(Show show, const platform::Clock& clock, uint32_t repaint_interval_ms)
    : show_(std::move(show)), clock_(clock), interval_(repaint_interval_ms) {
  hook_.report = &LoadProgress::Report;
  hook_.context = this;
}

picture::DecodeProgress* LoadProgress::Start() {
  hook_.last = 0;  // the starting text already says 00
  last_repaint_ = clock_.TickCount();
  show_(kLoadingStart, true);
  return &hook_;
}

void LoadProgress::Report(void* context, int percent) {
  static_cast<LoadProgress*>(context)->Percent(percent);
}

void LoadProgress::Percent(int percent) {
  const uint32_t now = clock_.TickCount();
  const bool repaint = percent >= 100 || now - last_repaint_ >= interval_;
  if (repaint) last_repaint_ = now;
  show_(LoadingStatusText(percent), repaint);
}

}  // namespace vr::shell
