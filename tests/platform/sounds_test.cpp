#include "platform/sounds.h"

#include <gtest/gtest.h>

#include "fakes/fake_sounds.h"
#include "test_support/temp_dir.h"

namespace vr::platform {
namespace {

using fakes::FakeSoundBackend;
using test_support::TempDir;
using Type = FakeSoundBackend::Event::Type;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

TEST(SoundsTest, NamesRouteToWavesSystemSoundsAndProgramFolderFiles) {
  TempDir dir;
  dir.WriteText("EOFLIST.WAV", "RIFF");
  dir.WriteText("wwwdone.wav", "RIFF");
  FakeSoundBackend backend;
  SoundPlayer player(backend, dir.Path() + "/");
  player.Play("BRAKES");
  player.Play("alarm");
  player.Play("SYSTEMQUESTION");
  player.Play("SYSTEMBEEP");
  player.Play("EOFLIST.WAV");
  backend.FinishPlaying();
  player.Play("WWWdone.wav");  // shipped in another case: still found

  const auto& events = backend.events();
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].type, Type::kWave);
  EXPECT_EQ(events[0].name, "BRAKES");
  EXPECT_EQ(events[1].name, "ALARM");
  EXPECT_EQ(events[1].bytes, SoundPlayer::BuiltInWave("ALARM").size());
  EXPECT_EQ(events[2].type, Type::kSystem);
  EXPECT_EQ(events[3].name, "SYSTEMBEEP");
  EXPECT_EQ(events[4].type, Type::kFile);
  EXPECT_EQ(events[4].name, dir.File("EOFLIST.WAV"));
  EXPECT_EQ(events[5].name, dir.File("wwwdone.wav"));
}

TEST(SoundsTest, NothingPlaysWhileTheSwitchIsOff) {
  FakeSoundBackend backend;
  SoundPlayer player(backend, "/nowhere/");
  player.SetEnabled(false);
  EXPECT_FALSE(player.Enabled());
  player.Play("BRAKES");
  player.Play("SYSTEMQUESTION");
  player.Play("NODELETE.WAV");
  player.PlayFile("/x/picture.wav");
  EXPECT_TRUE(backend.events().empty());
  player.SetEnabled(true);
  player.Play("ALARM");
  EXPECT_EQ(backend.Names(), std::vector<std::string>{"ALARM"});
}

TEST(SoundsTest, FileSoundIsSkippedWhileAnotherIsStarting) {
  FakeSoundBackend backend;
  backend.SetSlowStart(true);
  SoundPlayer player(backend, "/p/");
  player.Play("Swishin.wav");
  player.Play("Swishout.wav");  // skipped: the first is still starting
  player.Play("BRAKES");        // built-in waves are not file sounds
  EXPECT_TRUE(player.IsPlaying());
  backend.FinishStarting();
  player.Play("ICONDONE.WAV");  // the first is playing now, no longer starting
  EXPECT_EQ(backend.Names(),
            (std::vector<std::string>{"/p/Swishin.wav", "BRAKES", "/p/ICONDONE.WAV"}));
  player.StopAll();
  EXPECT_FALSE(player.IsPlaying());
}

TEST(SoundsTest, FileSoundStartedFromInsideAnotherStartIsSkipped) {
  FakeSoundBackend backend;
  SoundPlayer player(backend, "/p/");
  backend.on_play_file = [&] {
    backend.on_play_file = nullptr;
    player.Play("NODELETE.WAV");
  };
  player.Play("EOFLIST.WAV");
  EXPECT_EQ(backend.Names(), std::vector<std::string>{"/p/EOFLIST.WAV"});
  player.Play("NODELETE.WAV");  // after the start, free again
  EXPECT_EQ(backend.Names().size(), 2u);
}

TEST(SoundsTest, BuiltInWavesAreWellFormedPcm) {
  for (const char* name : {"BRAKES", "ALARM"}) {
    const auto& wav = SoundPlayer::BuiltInWave(name);
    ASSERT_GT(wav.size(), 44u) << name;
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(wav[20], 1);  // PCM
    EXPECT_EQ(Le32(wav, 24), 22050u);
    EXPECT_EQ(Le32(wav, 40), wav.size() - 44);
    // Not silence, and short enough to be a cue.
    bool loud = false;
    for (size_t i = 44; i + 1 < wav.size(); i += 2) {
      const int16_t s = static_cast<int16_t>(wav[i] | (wav[i + 1] << 8));
      loud = loud || s > 3000 || s < -3000;
    }
    EXPECT_TRUE(loud) << name;
    EXPECT_LT(wav.size(), 64u * 1024u) << name;
  }
  EXPECT_TRUE(SoundPlayer::BuiltInWave("EOFLIST.WAV").empty());
}

}  // namespace
}  // namespace vr::platform
