#pragma once
// Program sounds. Names are the program's own: the built-in waves "BRAKES" (before warnings) and
// "ALARM" (before errors), the system sounds "SYSTEMQUESTION" and "SYSTEMBEEP", and any other
// name is a sound file of the program folder ("EOFLIST.WAV", "NODELETE.WAV", ...).
//
// Everything plays asynchronously and only while the sound switch is on. A file sound is skipped
// while another file sound is still being started, so a burst of events never queues up noise.
//
// SoundPlayer holds these rules over a small backend that only knows how to make a noise; the Qt
// backend plays through QSoundEffect, the tests use a recording backend.

#include <cstdint>
#include <string>
#include <vector>

namespace vr::platform {

inline constexpr const char* kSoundBrakes = "BRAKES";
inline constexpr const char* kSoundAlarm = "ALARM";
inline constexpr const char* kSoundQuestion = "SYSTEMQUESTION";
inline constexpr const char* kSoundBeep = "SYSTEMBEEP";

class Sounds {
 public:
  virtual ~Sounds() = default;

  // The sound switch (settings key "Sound").
  virtual void SetEnabled(bool on) = 0;
  virtual bool Enabled() const = 0;

  // Plays a built-in, system or program-folder sound by name; nothing while switched off.
  virtual void Play(const std::string& name) = 0;
  // Plays a sound file by full path (e.g. a ".WAV" of the same name as a picture).
  virtual void PlayFile(const std::string& path) = 0;
  // True while a file sound is still playing (the slide show may wait for it).
  virtual bool IsPlaying() const = 0;
  virtual void StopAll() = 0;
};

// Where sounds come out. Calls never block.
class SoundBackend {
 public:
  virtual ~SoundBackend() = default;
  // A wave held in memory (the built-in ones); `name` identifies it for caching.
  virtual void PlayWave(const std::string& name, const std::vector<uint8_t>& wav) = 0;
  // A system sound by alias ("SYSTEMQUESTION", "SYSTEMBEEP").
  virtual void PlaySystem(const std::string& alias) = 0;
  // A sound file; false when it cannot be started (missing, unreadable).
  virtual bool PlayFile(const std::string& path) = 0;
  // True while the last file sound is still loading, before it makes a noise.
  virtual bool FileStarting() const = 0;
  virtual bool FilePlaying() const = 0;
  virtual void Stop() = 0;
};

// The rules of the program's sounds over a backend.
class SoundPlayer : public Sounds {
 public:
  // `program_folder` ends in a separator; file names are looked up there.
  SoundPlayer(SoundBackend& backend, std::string program_folder);

  void SetEnabled(bool on) override { enabled_ = on; }
  bool Enabled() const override { return enabled_; }
  void Play(const std::string& name) override;
  void PlayFile(const std::string& path) override;
  bool IsPlaying() const override;
  void StopAll() override;

  // The built-in waves ("BRAKES", "ALARM") as complete RIFF/WAVE files; empty for other names.
  static const std::vector<uint8_t>& BuiltInWave(const std::string& name);
  static bool IsSystemSound(const std::string& name);

 private:
  SoundBackend& backend_;
  std::string program_folder_;
  bool enabled_ = true;
  bool starting_ = false;  // a file sound is being started right now (re-entry guard)
};

}  // namespace vr::platform
