#include "fakes/fake_sounds.h"

namespace vr::fakes {

bool FakeSoundBackend::PlayFile(const std::string& path) {
  events_.push_back({Event::Type::kFile, path, 0});
  if (slow_start_) {
    starting_ = true;
  } else {
    playing_ = true;
  }
  if (on_play_file) on_play_file();
  return true;
}

std::vector<std::string> FakeSoundBackend::Names() const {
  std::vector<std::string> names;
  for (const Event& event : events_) {
    if (event.type != Event::Type::kStop) names.push_back(event.name);
  }
  return names;
}

}  // namespace vr::fakes
