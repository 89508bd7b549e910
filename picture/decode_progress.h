#pragma once
// Row progress of a picture decode. The caller installs a DecodeProgress for the duration of one
// load (ProgressScope); each decoder calls ReportDecodeRow once per row of its row loop. The
// percentage goes to the callback only when it changes, so a decoder may report every row: the
// cost per row is a thread-local load, a compare and one division. Other threads (thumbnail
// builders) have no progress installed and pay only the load.

namespace vr::picture {

struct DecodeProgress {
  // Called with 0..100 as rows complete; `context` is handed back unchanged.
  void (*report)(void* context, int percent) = nullptr;
  void* context = nullptr;
  int last = -1;  // the percentage reported last (-1: none yet)
};

// Installs `progress` for this thread until the scope ends (nested scopes restore the outer one).
class ProgressScope {
 public:
  explicit ProgressScope(DecodeProgress* progress);
  ~ProgressScope();
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

 private:
  DecodeProgress* previous_;
};

// The progress installed on this thread (nullptr when none).
DecodeProgress* CurrentDecodeProgress();

// `done` rows of `total` are decoded. Out-of-range values are clamped; total <= 0 reports nothing.
void ReportRowTo(DecodeProgress& progress, long long done, long long total);
inline void ReportDecodeRow(long long done, long long total) {
  if (DecodeProgress* p = CurrentDecodeProgress()) ReportRowTo(*p, done, total);
}

}  // namespace vr::picture
