#pragma once
// Sound doubles. FakeSounds stands in for the whole service and records the names played while
// the switch is on. FakeSoundBackend sits under the real SoundPlayer and records what reached the
// speaker; a test decides how long a file sound stays "starting".

#include <functional>
#include <string>
#include <vector>

#include "platform/sounds.h"

namespace vr::fakes {

class FakeSounds : public platform::Sounds {
 public:
  void SetEnabled(bool on) override { enabled_ = on; }
  bool Enabled() const override { return enabled_; }
  void Play(const std::string& name) override {
    requested_.push_back(name);
    if (enabled_) played_.push_back(name);
  }
  void PlayFile(const std::string& path) override { Play(path); }
  bool IsPlaying() const override { return playing_; }
  void StopAll() override { playing_ = false; }

  void SetPlaying(bool playing) { playing_ = playing; }
  // Names that made a noise (switch on), and every request (switch on or off).
  const std::vector<std::string>& played() const { return played_; }
  const std::vector<std::string>& requested() const { return requested_; }
  void Clear() {
    played_.clear();
    requested_.clear();
  }

 private:
  bool enabled_ = true;
  bool playing_ = false;
  std::vector<std::string> played_;
  std::vector<std::string> requested_;
};

class FakeSoundBackend : public platform::SoundBackend {
 public:
  struct Event {
    enum class Type { kWave, kSystem, kFile, kStop } type;
    std::string name;  // wave name, alias or path
    size_t bytes = 0;  // wave size
  };

  void PlayWave(const std::string& name, const std::vector<uint8_t>& wav) override {
    events_.push_back({Event::Type::kWave, name, wav.size()});
  }
  void PlaySystem(const std::string& alias) override {
    events_.push_back({Event::Type::kSystem, alias, 0});
  }
  bool PlayFile(const std::string& path) override;
  bool FileStarting() const override { return starting_; }
  bool FilePlaying() const override { return playing_; }
  void Stop() override {
    events_.push_back({Event::Type::kStop, {}, 0});
    starting_ = playing_ = false;
  }

  // When set, a started file stays "starting" until FinishStarting().
  void SetSlowStart(bool slow) { slow_start_ = slow; }
  void FinishStarting() {
    starting_ = false;
    playing_ = true;
  }
  void FinishPlaying() { playing_ = false; }
  // Runs inside PlayFile, as a backend's callbacks might (re-entry checks).
  std::function<void()> on_play_file;

  const std::vector<Event>& events() const { return events_; }
  std::vector<std::string> Names() const;

 private:
  std::vector<Event> events_;
  bool slow_start_ = false;
  bool starting_ = false;
  bool playing_ = false;
};

}  // namespace vr::fakes
