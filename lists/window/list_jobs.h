#pragma once
// The files list window's two background jobs, run from idle time one step per call: the scan
// that fills in every entry's facts, and the thumbnail builder that appends a cached thumbnail
// for every file too large to be drawn from itself. Both do nothing while another long job (a
// load, an animation, a slide show, a sort, a tag operation) is busy.
//
// Builder states: stopped (red) -> building (yellow) -> done (green). A click on red starts
// building, on yellow stops it, on green plays the completion sound.

#include <cstdint>
#include <functional>
#include <string>

#include "lists/files_list.h"
#include "lists/window/thumb_cache.h"
#include "lists/window/thumb_maker.h"

namespace vr::platform {
class Folders;
class Sounds;
}  // namespace vr::platform

namespace vr::list_window {

enum class BuilderState { kStopped, kBuilding, kDone };

inline constexpr const char* kBuilderHint =
    "Start / Stop building of the ThumbNails in the background (Green=Done, Red=Stopped, "
    "Yellow=Building)";
inline constexpr const char* kCompletionSound = "ICONDONE.WAV";

struct JobEnvironment {
  std::function<bool()> busy;                      // another long job runs; empty: never
  std::function<bool()> window_visible;            // empty: visible
  std::function<void(const std::string&)> status;  // status bar text
  platform::Sounds* sounds = nullptr;
  std::function<void(int position)> thumb_made;   // a row's thumbnail changed
  std::function<void(int position)> row_scanned;  // a row's facts were filled in
  std::function<void(BuilderState)> state_changed;
  // Stores thumbnails as 256-colour BMPs (a palette screen).
  bool palette_display = false;
  // The list size that picks the JPEG quality; 0 takes the files list's own count.
  int quality_list_size = 0;
};

using ThumbMakerFn = std::function<ThumbResult(const std::string& path, const ThumbSettings&)>;

class ListJobs {
 public:
  ListJobs(lists::FilesList& list, ThumbCache& cache, JobEnvironment environment);

  ThumbSettings& settings() { return settings_; }
  const ThumbSettings& settings() const { return settings_; }
  JobEnvironment& environment() { return env_; }
  void SetMaker(ThumbMakerFn maker) { maker_ = std::move(maker); }

  // End of a load: the scan restarts from the first entry, the builder too, building or (in the
  // detailed view) stopped.
  void Restart(bool building);
  // The list was cleared: both jobs off.
  void SwitchOff();

  // One step of each job that is on (the idle handler). True while a job has work left, so the
  // handler asks to be called again at once.
  bool IdleStep();
  // Single steps; true when an entry was worked on.
  bool ScanStep();
  bool ThumbStep();

  bool scan_on() const { return scan_on_; }
  bool HasWork() const;
  BuilderState state() const { return state_; }
  void BuilderClick();
  void SetState(BuilderState state);

  // New cell size: every entry wants a thumbnail again, the cache starts empty, the builder
  // starts from the first entry.
  bool ChangeThumbSize(int width, int height, const platform::Folders& folders);

  // The cached thumbnail of a row. False when there is none (draw from the file); a stale record
  // is dropped and the entry wanted again.
  bool CachedThumb(int position, picture::Bitmap* out);

 private:
  bool Busy() const { return env_.busy && env_.busy(); }
  void Status(const std::string& text) {
    if (env_.status) env_.status(text);
  }
  int NextUnscanned(int from) const;
  int NextWanted(int from) const;

  lists::FilesList& list_;
  ThumbCache& cache_;
  JobEnvironment env_;
  ThumbSettings settings_;
  ThumbMakerFn maker_;
  bool scan_on_ = false;
  int scan_cursor_ = 0;
  int thumb_cursor_ = 0;
  BuilderState state_ = BuilderState::kStopped;
};

}  // namespace vr::list_window
