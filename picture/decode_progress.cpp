#include "picture/decode_progress.h"

namespace vr::picture {
namespace {
thread_local DecodeProgress* g_progress = nullptr;
}  // namespace

ProgressScope::ProgressScope(DecodeProgress* progress) : previous_(g_progress) {
  g_progress = progress;
}

ProgressScope::~ProgressScope() { g_progress = previous_; }

DecodeProgress* CurrentDecodeProgress() { return g_progress; }

void ReportRowTo(DecodeProgress& progress, long long done, long long total) {
  if (total <= 0 || progress.report == nullptr) return;
  if (done < 0) done = 0;
  if (done > total) done = total;
  const int percent = static_cast<int>(done * 100 / total);
  if (percent == progress.last) return;
  progress.last = percent;
  progress.report(progress.context, percent);
}

}  // namespace vr::picture
