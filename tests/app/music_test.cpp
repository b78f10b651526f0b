// Background music through SDL's disk audio driver, which writes what it would play to a file.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "app/music.h"
#include "support/prerequisites.h"
#include "support/test_files.h"

namespace {
constexpr int SILENCE_THRESHOLD = 328;  // 1% of full scale

struct Recording {
  double firstSound = -1;  // seconds from the start of the recording
  double lastSound = -1;
};


// First and last sample above the threshold in interleaved signed 16-bit PCM.
Recording findSound(const std::string& pcm, int rate, int channels) {
  Recording found;
  const size_t samples = pcm.size() / sizeof(int16_t);
  for (size_t i = 0; i < samples; ++i) {
    int16_t sample;
    memcpy(&sample, pcm.data() + i * sizeof(int16_t), sizeof sample);
    if (std::abs(sample) <= SILENCE_THRESHOLD) continue;
    const double when = static_cast<double>(i / channels) / rate;
    if (found.firstSound < 0) found.firstSound = when;
    found.lastSound = when;
  }
  return found;
}

void recordToDisk(const std::string& file) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);  // mix as fast as possible instead of in real time
}

// Plays `tune` through startMusic into a disk recording until it ends; returns the
// recording's sound span and the tune's own length.
void playThrough(const TempDir& dir, const std::string& tune, Recording* heard, double* length) {
  recordToDisk(dir.path("out.raw"));
  ASSERT_TRUE(startMusic(tune.c_str())) << SDL_GetError();
  int rate = 0, channels = 0;
  Uint16 format = 0;
  ASSERT_TRUE(Mix_QuerySpec(&rate, &format, &channels));
  ASSERT_EQ(format, AUDIO_S16LSB);
  Mix_Music* probe = Mix_LoadMUS(tune.c_str());
  ASSERT_NE(probe, nullptr);
  *length = Mix_MusicDuration(probe);
  Mix_FreeMusic(probe);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (musicPlaying() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(musicPlaying()) << "the tune did not end";
  stopMusic();
  *heard = findSound(readFile(dir.path("out.raw")), rate, channels);
}

// The tools among sox and lame that are not on the PATH ("sox", "lame", "sox and lame"), or "".
std::string missingTuneTools() {
  std::string missing;
  for (const std::string tool : {"sox", "lame"}) {
    if (system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0) continue;
    missing += (missing.empty() ? "" : " and ") + tool;
  }
  return missing;
}

// Each test gets a 2.5-second tune of four notes of its own, made with sox and lame.
class TestTune : public testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = missingTuneTools();
    if (!missing.empty()) SKIP_FOR_LACK_OF(missing << ", needed to make a test tune");
    const std::string wav = dir_.path("tune.wav");
    tune_ = dir_.path("tune.mp3");
    const std::string command = "sox -n -r 44100 -c 2 -b 16 '" + wav +
                                "' synth 0.5 sine 440 : synth 0.5 sine 554 : synth 0.5 sine 659 : synth 1.0 sine 880 "
                                "gain -6 && lame --quiet -b 128 '" + wav + "' '" + tune_ + "'";
    ASSERT_EQ(system(command.c_str()), 0) << command;
  }

  TempDir dir_;
  std::string tune_;
};

TEST_F(TestTune, PlaysOnceFromStartToEnd) {
  Recording heard;
  double length = 0;
  playThrough(dir_, tune_, &heard, &length);
  EXPECT_NEAR(length, 2.5, 0.1);
  // The device mixes silence from the moment it opens, so the tune starts a little in.
  EXPECT_NEAR(heard.lastSound - heard.firstSound, length, 0.15);  // all of it, and only once
}

TEST(Music, TheShippedTunePlaysForItsWholeLength) {
  const std::string tune = std::string(KERB_MEDIA_DIR) + "/22.mp3";
  if (access(tune.c_str(), R_OK) != 0) SKIP_FOR_LACK_OF("the demo's music " << tune);
  TempDir dir;
  Recording heard;
  double length = 0;
  playThrough(dir, tune, &heard, &length);
  EXPECT_GE(length, 30);
  EXPECT_LE(length, 60);
  EXPECT_GT(heard.lastSound - heard.firstSound, length - 3.0);  // quiet ends may fall under the threshold
  EXPECT_LT(heard.lastSound - heard.firstSound, length + 0.2);
}

TEST(Music, AMissingFileIsSilentlyNoMusic) {
  TempDir dir;
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(startMusic(dir.path("22.mp3").c_str()));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(musicPlaying());
  stopMusic();
}

TEST_F(TestTune, AMissingAudioDriverIsSilentlyNoMusic) {
  setenv("SDL_AUDIODRIVER", "nosuch", 1);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(startMusic(tune_.c_str()));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(musicPlaying());
}

TEST_F(TestTune, StoppingTwiceIsHarmless) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_TRUE(startMusic(tune_.c_str()));
  EXPECT_TRUE(musicPlaying());
  stopMusic();
  stopMusic();
  EXPECT_FALSE(musicPlaying());
}
}  // namespace
