// What the player is told about sound: one line for data nothing decodes, one line once a game
// when MIDI must play without a soundfont, and nothing when all is well.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "runner/sound/Sound_Class.h"
#include "tests/runner/sound/SoundFixture.h"
#include "tests/support/TempFolder.h"

namespace {

using soundtest::SoundTest;

TEST_F(SoundTest, DataNothingDecodesIsNamedOnceItIsPrepared) {
  TempFolder dir;
  const std::string junk = (dir.path / "boom.wav").string(), good = (dir.path / "ping.wav").string();
  std::ofstream(junk, std::ios::binary) << "RIFF....WAVEthis is not a sound";
  const std::vector<uint8_t> wave = soundtest::SineWave(440, 50);
  std::ofstream(good, std::ios::binary).write(reinterpret_cast<const char*>(wave.data()), static_cast<std::streamsize>(wave.size()));

  CSound bad, fine;
  testing::internal::CaptureStderr();
  ASSERT_TRUE(fine.LoadFromFile(good, kSoundNormal, true));
  ASSERT_TRUE(bad.LoadFromFile(junk, kSoundNormal, true));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "runner: the sound \"" + junk + "\" cannot be decoded; it stays silent\n");
}

TEST_F(SoundTest, AMissingSoundFontIsToldOnceAGame) {
  TempFolder dir;
  const char* saved = std::getenv("RUNNER_SOUNDFONT");
  const std::string keep = saved ? saved : "";
  const std::string font = (dir.path / "gm.sf2").string();
  std::ofstream(font) << "present";
  setenv("RUNNER_SOUNDFONT", font.c_str(), 1);
  testing::internal::CaptureStderr();
  TellIfNoSoundFont();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  const std::string missing = (dir.path / "none.sf2").string();
  setenv("RUNNER_SOUNDFONT", missing.c_str(), 1);
  testing::internal::CaptureStderr();
  TellIfNoSoundFont();
  TellIfNoSoundFont();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "runner: the soundfont \"" + missing + "\" (RUNNER_SOUNDFONT) cannot be read, so MIDI music is silent\n");
  if (saved) setenv("RUNNER_SOUNDFONT", keep.c_str(), 1);
  else unsetenv("RUNNER_SOUNDFONT");
}

}  // namespace
