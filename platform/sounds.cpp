#include "platform/sounds.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace vr::platform {
namespace {

constexpr uint32_t kRate = 22050;
constexpr double kPi = std::numbers::pi;

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutTag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

// A RIFF/WAVE file of 16-bit mono samples.
std::vector<uint8_t> MakeWave(const std::vector<int16_t>& samples) {
  const uint32_t data_bytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> out;
  out.reserve(44 + data_bytes);
  PutTag(out, "RIFF");
  Put32(out, 36 + data_bytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, kRate);
  Put32(out, kRate * 2);
  Put16(out, 2);
  Put16(out, 16);
  PutTag(out, "data");
  Put32(out, data_bytes);
  for (int16_t s : samples) Put16(out, static_cast<uint16_t>(s));
  return out;
}

// A squeal sliding down from 2400 Hz to 700 Hz with a tremble, fading out: tyres braking.
std::vector<uint8_t> MakeBrakes() {
  const size_t count = kRate * 45 / 100;
  std::vector<int16_t> samples(count);
  double phase = 0.0;
  for (size_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / count;
    const double freq = 2400.0 - 1700.0 * t + 120.0 * std::sin(2 * kPi * 31.0 * t);
    phase += 2 * kPi * freq / kRate;
    const double envelope = (i < 200 ? i / 200.0 : 1.0) * (1.0 - t);
    const double wave = std::sin(phase) + 0.35 * std::sin(2.0 * phase);
    samples[i] = static_cast<int16_t>(std::lround(9000.0 * envelope * wave));
  }
  return MakeWave(samples);
}

// Four short beeps alternating between 880 Hz and 660 Hz.
std::vector<uint8_t> MakeAlarm() {
  const size_t beep = kRate / 10;
  const size_t gap = kRate / 40;
  std::vector<int16_t> samples;
  samples.reserve(4 * (beep + gap));
  for (int b = 0; b < 4; ++b) {
    const double freq = (b % 2 == 0) ? 880.0 : 660.0;
    for (size_t i = 0; i < beep; ++i) {
      const double ramp = std::min({1.0, i / 100.0, (beep - i) / 100.0});
      const double s = std::sin(2 * kPi * freq * i / kRate) >= 0 ? 1.0 : -1.0;
      samples.push_back(static_cast<int16_t>(std::lround(7000.0 * ramp * s)));
    }
    samples.insert(samples.end(), gap, 0);
  }
  return MakeWave(samples);
}

bool EqualsAscii(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = a[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != b[i]) return false;
  }
  return true;
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The shipped sound files may differ from the program's names in case on a case-sensitive file
// system; find "EOFLIST.WAV" as "eoflist.wav" too.
std::string FindInFolder(const std::string& folder, const std::string& name) {
  std::string exact = folder + name;
  if (IsRegularFile(exact)) return exact;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return exact;
  std::string found;
  while (const dirent* entry = ::readdir(dir)) {
    if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
      found = folder + entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found.empty() ? exact : found;
}

}  // namespace

SoundPlayer::SoundPlayer(SoundBackend& backend, std::string program_folder)
    : backend_(backend), program_folder_(std::move(program_folder)) {}

const std::vector<uint8_t>& SoundPlayer::BuiltInWave(const std::string& name) {
  static const std::vector<uint8_t> brakes = MakeBrakes();
  static const std::vector<uint8_t> alarm = MakeAlarm();
  static const std::vector<uint8_t> none;
  if (EqualsAscii(name, kSoundBrakes)) return brakes;
  if (EqualsAscii(name, kSoundAlarm)) return alarm;
  return none;
}

bool SoundPlayer::IsSystemSound(const std::string& name) {
  return EqualsAscii(name, kSoundQuestion) || EqualsAscii(name, kSoundBeep);
}

void SoundPlayer::Play(const std::string& name) {
  if (!enabled_ || name.empty()) return;
  const std::vector<uint8_t>& wave = BuiltInWave(name);
  if (!wave.empty()) {
    backend_.PlayWave(EqualsAscii(name, kSoundBrakes) ? kSoundBrakes : kSoundAlarm, wave);
    return;
  }
  if (IsSystemSound(name)) {
    backend_.PlaySystem(EqualsAscii(name, kSoundBeep) ? kSoundBeep : kSoundQuestion);
    return;
  }
  PlayFile(FindInFolder(program_folder_, name));
}

void SoundPlayer::PlayFile(const std::string& path) {
  if (!enabled_ || path.empty()) return;
  // Skipped, not queued: a file sound that is still being started wins.
  if (starting_ || backend_.FileStarting()) return;
  starting_ = true;
  backend_.PlayFile(path);
  starting_ = false;
}

bool SoundPlayer::IsPlaying() const { return backend_.FileStarting() || backend_.FilePlaying(); }

void SoundPlayer::StopAll() { backend_.Stop(); }

}  // namespace vr::platform
