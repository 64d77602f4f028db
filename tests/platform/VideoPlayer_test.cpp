// Video playback into frames: a clip the test writes plays picture by picture to its end, comes
// back after a rewind, and a missing or damaged file fails to open.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/media/VideoPlayer.h"
#include "tests/platform/TestClip.h"

namespace fs = std::filesystem;
using platform::media::RVideoFrame;
using platform::media::TVideoPlayer;

namespace {
fs::path Dir() {
  const fs::path dir = fs::path(TEST_BINARY_DIR) / "video-player";
  fs::create_directories(dir);
  return dir;
}

bool Red(const RVideoFrame& f) {
  const uint8_t* p = f.rgba.data() + (static_cast<size_t>(f.height / 2) * static_cast<size_t>(f.width) + static_cast<size_t>(f.width / 2)) * 4;
  return p[0] > 200 && p[1] < 60 && p[2] < 60 && p[3] == 255;
}

// Every picture until the end; bounded, so a player that never ends fails instead of hanging.
int PlayThrough(TVideoPlayer& player) {
  int frames = 0;
  RVideoFrame f;
  for (int turns = 0; turns < 200 && player.Playing(); ++turns)
    if (player.TakeFrame(f)) {
      ++frames;
      EXPECT_TRUE(Red(f));
    }
  return frames;
}
}  // namespace

TEST(VideoPlayer, PlaysAWrittenClipToItsEndAndAgainAfterARewind) {
  const std::string clip = (Dir() / "clip.avi").string();
  ASSERT_TRUE(WriteTestClip(clip, 10));
  TVideoPlayer player;
  ASSERT_TRUE(player.Open(clip, false));
  EXPECT_EQ(player.Width(), 32);
  EXPECT_EQ(player.Height(), 24);
  player.Play();
  EXPECT_EQ(PlayThrough(player), 10);
  EXPECT_FALSE(player.Playing());
  player.Rewind();
  EXPECT_TRUE(player.Playing());
  EXPECT_GE(PlayThrough(player), 1);
  EXPECT_FALSE(player.Playing());
}

// Sound is asked for on the system's output; a machine without one (or a clip without sound)
// still shows the pictures, paced.
TEST(VideoPlayer, AskingForSoundNeverFailsAVideo) {
  const std::string clip = (Dir() / "clip-sound.avi").string();
  ASSERT_TRUE(WriteTestClip(clip, 2));
  TVideoPlayer player;
  ASSERT_TRUE(player.Open(clip, true, true));
  EXPECT_EQ(player.Width(), 32);
  RVideoFrame f;
  EXPECT_TRUE(player.TakeFrame(f));
  EXPECT_TRUE(Red(f));
}

TEST(VideoPlayer, MissingAndDamagedFilesFailToOpen) {
  const fs::path dir = Dir();
  std::ofstream(dir / "garbage.avi", std::ios::binary) << std::string("RIFF\x10\0\0\0AVI LIST", 16) << std::string(500, '\x7f');
  std::ofstream(dir / "empty.avi", std::ios::binary).flush();
  for (const fs::path& file : {dir / "missing.avi", dir / "garbage.avi", dir / "empty.avi"}) {
    TVideoPlayer player;
    EXPECT_FALSE(player.Open(file.string(), false)) << file;
    EXPECT_FALSE(player.Playing());
    RVideoFrame f;
    EXPECT_FALSE(player.TakeFrame(f));
    EXPECT_EQ(player.Width(), 0);
  }
}
