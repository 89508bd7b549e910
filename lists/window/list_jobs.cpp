#include "lists/window/list_jobs.h"

#include "picture/kinds.h"
#include "platform/folders.h"
#include "platform/sounds.h"

namespace vr::list_window {

ListJobs::ListJobs(lists::FilesList& list, ThumbCache& cache, JobEnvironment environment)
    : list_(list), cache_(cache), env_(std::move(environment)), maker_(MakeThumbnail) {}

void ListJobs::Restart(bool building) {
  scan_on_ = true;
  scan_cursor_ = 0;
  thumb_cursor_ = 0;
  SetState(building ? BuilderState::kBuilding : BuilderState::kStopped);
}

void ListJobs::SwitchOff() {
  scan_on_ = false;
  scan_cursor_ = 0;
  thumb_cursor_ = 0;
  SetState(BuilderState::kStopped);
}

void ListJobs::SetState(BuilderState state) {
  if (state == state_) return;
  state_ = state;
  if (env_.state_changed) env_.state_changed(state_);
}

void ListJobs::BuilderClick() {
  switch (state_) {
    case BuilderState::kStopped:
      SetState(BuilderState::kBuilding);
      break;
    case BuilderState::kBuilding:
      SetState(BuilderState::kStopped);
      break;
    case BuilderState::kDone:
      if (env_.sounds != nullptr) env_.sounds->Play(kCompletionSound);
      break;
  }
}

bool ListJobs::HasWork() const { return scan_on_ || state_ == BuilderState::kBuilding; }

bool ListJobs::IdleStep() {
  if (Busy()) return false;
  if (scan_on_) {
    ScanStep();
  } else if (state_ == BuilderState::kBuilding) {
    ThumbStep();
  }
  const bool visible = !env_.window_visible || env_.window_visible();
  return scan_on_ || (state_ == BuilderState::kBuilding && visible);
}

int ListJobs::NextUnscanned(int from) const {
  const int count = list_.Count();
  for (int i = from; i < count; ++i) {
    if (!list_.Peek(i)->scanned) return i;
  }
  for (int i = 0; i < from && i < count; ++i) {
    if (!list_.Peek(i)->scanned) return i;
  }
  return -1;
}

int ListJobs::NextWanted(int from) const {
  const int count = list_.Count();
  for (int i = from; i < count; ++i) {
    if (list_.Peek(i)->thumb_wanted) return i;
  }
  for (int i = 0; i < from && i < count; ++i) {
    if (list_.Peek(i)->thumb_wanted) return i;
  }
  return -1;
}

bool ListJobs::ScanStep() {
  if (!scan_on_ || Busy()) return false;
  const int position = NextUnscanned(scan_cursor_);
  if (position < 0) {
    scan_on_ = false;
    scan_cursor_ = 0;
    return false;
  }
  Status(std::string("Scanning") + ":File " + std::to_string(position + 1));
  list_.EntryAt(position);
  if (env_.row_scanned) env_.row_scanned(position);
  scan_cursor_ = position + 1;
  return true;
}

bool ListJobs::ThumbStep() {
  if (scan_on_ || state_ != BuilderState::kBuilding || Busy()) return false;
  if (env_.window_visible && !env_.window_visible()) return false;
  const int position = NextWanted(thumb_cursor_);
  if (position < 0) {
    thumb_cursor_ = 0;
    SetState(BuilderState::kDone);
    if (env_.sounds != nullptr) env_.sounds->Play(kCompletionSound);
    return false;
  }
  Status(std::string("Making Thumbs") + ":File " + std::to_string(position + 1));
  lists::FileEntry* entry = list_.EntryAt(position);
  if (entry != nullptr) {
    const uint16_t kind = entry->type != 0 ? entry->type : picture::KindFromName(entry->name);
    if (WantsCachedThumb(kind, entry->size)) {
      const ThumbResult made = maker_(entry->Path(), AtScreenPixels(settings_));
      const CacheRecord record =
          cache_.Append(entry->stamp, made.cell,
                        env_.quality_list_size > 0 ? env_.quality_list_size : list_.Count(),
                        env_.palette_display);
      entry->thumb_offset = record.offset;
      entry->thumb_length = record.length;
    } else {
      entry->thumb_offset = -1;
      entry->thumb_length = -1;
    }
    entry->thumb_wanted = false;
    if (env_.thumb_made) env_.thumb_made(position);
  }
  thumb_cursor_ = position + 1;
  return true;
}

bool ListJobs::ChangeThumbSize(int width, int height, const platform::Folders& folders) {
  settings_.width = width;
  settings_.height = height;
  for (const auto& entry : list_.entries()) {
    entry->thumb_wanted = true;
    entry->thumb_offset = -1;
    entry->thumb_length = -1;
  }
  const bool created = cache_.Create(folders);
  thumb_cursor_ = 0;
  SetState(BuilderState::kBuilding);
  return created;
}

bool ListJobs::CachedThumb(int position, picture::Bitmap* out) {
  lists::FileEntry* entry = list_.MutablePeek(position);
  if (entry == nullptr || entry->thumb_offset < 0) return false;
  const RecordStatus status =
      cache_.Read(entry->thumb_offset, entry->thumb_length, entry->stamp, out);
  if (status == RecordStatus::kOk) return true;
  // The file changed since (or the record is unusable): build it again in the background.
  entry->thumb_offset = -1;
  entry->thumb_length = -1;
  if (status == RecordStatus::kStale) {
    entry->thumb_wanted = true;
    if (state_ == BuilderState::kDone) SetState(BuilderState::kBuilding);
  }
  return false;
}

}  // namespace vr::list_window
