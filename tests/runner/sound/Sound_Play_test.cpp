// What the player mixes, rendered through the loopback device: each kind plays and stops,
// loops, volume and pan, effects, 3D distance, MIDI music, damaged files and no device at all.
#include <filesystem>

#include "SoundFixture.h"
#include "runner/base/Runner_Process.h"
#include "runner/sound/Media_Player.h"

using namespace soundtest;

namespace {

struct KindCase {
  int32_t kind;
  const char* label;
};

class EachKind : public SoundTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(EachKind, PlaysAtItsFrequencyAndStopsToSilence) {
  const int32_t id = AddSound(SineWave(440, 1000), GetParam().kind);
  ASSERT_GE(id, 0);
  SoundPlay(id, false);
  EXPECT_TRUE(SoundIsPlaying(id));
  Mix on = Render(100);
  EXPECT_GT(on.Level(440, 0), 0.1);
  EXPECT_LT(on.Level(1000, 0), 0.01);
  SoundStop(id);
  EXPECT_FALSE(SoundIsPlaying(id));
  Mix off = Render(50);
  EXPECT_LT(off.Rms(0, Frames(10)), 1e-4);
  EXPECT_LT(off.Rms(1, Frames(10)), 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Kinds, EachKind,
                         ::testing::Values(KindCase{0, "normal"}, KindCase{1, "background"},
                                           KindCase{2, "spatial"}, KindCase{3, "multimedia"}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(SoundTest, ASoundPlayedOnceEndsAndALoopedOneGoesOn) {
  const int32_t once = AddSound(SineWave(440, 50), 0);
  const int32_t loop = AddSound(SineWave(660, 50), 0);
  SoundPlay(once, false);
  SoundPlay(loop, true);
  Mix m = Render(300);
  EXPECT_LT(m.Level(440, 0, Frames(150), Frames(300)), 0.005);
  EXPECT_GT(m.Level(660, 0, Frames(150), Frames(300)), 0.1);
  EXPECT_FALSE(SoundIsPlaying(once));
  EXPECT_TRUE(SoundIsPlaying(loop));
}

TEST_F(SoundTest, PlaysOfOneNormalSoundOverlapAndStopTogether) {
  const int32_t id = AddSound(SineWave(440, 1000), 0);
  SoundPlay(id, false);
  const double single = Render(100).Rms(0);
  SoundPlay(id, false);
  // The second play starts 100 ms later, so the two sines do not sum in phase; their energy adds.
  const double both = Render(100).Rms(0);
  EXPECT_GT(both, single * 1.2);
  SoundStop(id);
  EXPECT_LT(Render(50).Rms(0, Frames(10)), 1e-4);
}

struct LevelCase {
  double volume, pan;
  double left, right;  // expected gains against full volume and centre
};

class VolumeAndPan : public SoundTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(VolumeAndPan, SetTheSideLevelsInDecibels) {
  const int32_t ref = AddSound(SineWave(440, 1000), 0);
  SoundPlay(ref, false);
  Mix r = Render(100);
  SoundStop(ref);
  const int32_t id = AddSound(SineWave(440, 1000), 0);
  SoundSetVolume(id, GetParam().volume, 0);
  SoundSetPan(id, GetParam().pan);
  SoundPlay(id, false);
  Mix m = Render(100);
  EXPECT_NEAR(m.Level(440, 0) / r.Level(440, 0), GetParam().left, GetParam().left * 0.02 + 1e-4);
  EXPECT_NEAR(m.Level(440, 1) / r.Level(440, 1), GetParam().right, GetParam().right * 0.02 + 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Levels, VolumeAndPan,
                         ::testing::Values(LevelCase{1, 0, 1, 1},
                                           LevelCase{0.5, 0, 0.003981, 0.003981},  // -48 dB
                                           LevelCase{0.9, 0, 0.331131, 0.331131},  // -9.6 dB
                                           LevelCase{1, 0.5, 0.003162, 1},         // left -50 dB
                                           LevelCase{1, -0.25, 1, 0.056234},       // right -25 dB
                                           LevelCase{1, 1, 0, 1}, LevelCase{0, 0, 1.585e-5, 1.585e-5}));

TEST_F(SoundTest, AStereoSoundKeepsItsSides) {
  const int32_t id = AddSound(SineWave(440, 500, true), 0);
  SoundPlay(id, false);
  Mix m = Render(100);
  EXPECT_GT(m.Level(440, 0), 0.1);
  EXPECT_LT(m.Level(440, 1), 1e-3);
}

TEST_F(SoundTest, AFadeMovesTheVolumeOverItsTime) {
  const int32_t id = AddSound(SineWave(440, 2000), 0);
  SoundPlay(id, true);
  const double full = Render(50).Level(440, 0);
  SoundSetVolume(id, 0.0, 200);
  Mix m = Render(300);
  const double mid = m.Level(440, 0, Frames(90), Frames(110));
  EXPECT_LT(mid, full * 0.1);
  EXPECT_GT(mid, full * 1e-4);
  EXPECT_LT(m.Level(440, 0, Frames(220), Frames(300)), 1e-5);
}

TEST_F(SoundTest, GlobalVolumeScalesEverythingUpToFullScale) {
  const int32_t id = AddSound(SineWave(440, 1000), 0);
  SoundPlay(id, true);
  const double full = Render(100).Level(440, 0);
  SoundSetGlobalVolume(10.0 / 11.0 - 2000.0 / 11000.0);  // -20 dB
  EXPECT_NEAR(Render(100).Level(440, 0, Frames(50)) / full, 0.1, 0.005);
  SoundSetGlobalVolume(1.0);  // +10 dB is held at 0 dB
  EXPECT_NEAR(Render(100).Level(440, 0, Frames(50)) / full, 1.0, 0.02);
}

TEST_F(SoundTest, EffectsChangeTheOutput) {
  // Gargle, our own processing: a triangle between 0 and 1 takes the level down to 1/sqrt(3).
  const int32_t ref = AddSound(SineWave(440, 1000), 0);
  SoundPlay(ref, false);
  const double level = Render(200).Rms(0);
  SoundStop(ref);
  const int32_t garg = AddSound(SineWave(440, 1000), 0);
  SoundSetEffects(garg, 8);
  SoundSetEffectParams(garg, platform::audio::EEffect::Gargle, {10, 0});
  SoundPlay(garg, false);
  EXPECT_NEAR(Render(200).Rms(0) / level, 1 / std::sqrt(3.0), 0.03);
  SoundStop(garg);

  // An equalizer at its defaults changes nothing audible until its gain is set.
  const int32_t eq = AddSound(SineWave(440, 1000), 0);
  SoundSetEffects(eq, 64);
  SoundPlay(eq, true);
  EXPECT_NEAR(Render(200).Rms(0, Frames(20)) / level, 1.0, 0.05);
  SoundSetEffectParams(eq, platform::audio::EEffect::Equalizer, {440, 12, -12});
  EXPECT_NEAR(Render(200).Rms(0, Frames(50)) / level, 0.25, 0.05);
  SoundStop(eq);

  // Echo: a 50 ms burst is heard again after it ended.
  const int32_t plain = AddSound(SineWave(440, 50), 0);
  SoundPlay(plain, false);
  const double dry = Render(400).Rms(0, Frames(150), Frames(400));
  const int32_t echo = AddSound(SineWave(440, 50), 0);
  SoundSetEffects(echo, 2);
  SoundPlay(echo, false);
  const double wet = Render(400).Rms(0, Frames(150), Frames(400));
  EXPECT_LT(dry, 1e-4);
  EXPECT_GT(wet, 0.01);

  // Parameters of an effect that is not in the chain change nothing; bits 0 clear the chain.
  SoundSetEffects(echo, 0);
  SoundSetEffectParams(echo, platform::audio::EEffect::Echo, {100, 100, 100, 100, 0});
  SoundPlay(echo, false);
  EXPECT_LT(Render(400).Rms(0, Frames(150), Frames(400)), 1e-4);
}

TEST_F(SoundTest, ASpatialSoundFallsOffWithDistanceFromItsMinimum) {
  const int32_t id = AddSound(SineWave(440, 1000), 2);
  SoundSet3DDistance(id, 1, 100);
  SoundSet3DPosition(id, 0, 0, 1);
  SoundPlay(id, true);
  const double near = Render(100).Level(440, 0);
  SoundSet3DPosition(id, 0, 0, 4);
  const double far = Render(100).Level(440, 0, Frames(20));
  EXPECT_NEAR(far / near, 0.25, 0.01);
}

TEST_F(SoundTest, MidiMusicRendersAndLoopsAndANewMusicReplacesIt) {
  const int32_t a = AddSound(OneNoteMidi(69), 1, ".mid");  // A4, 440 Hz
  ASSERT_GE(a, 0);
  ASSERT_EQ(SoundSample(a)->kind, 1);
  SoundPlay(a, true);
  Mix m = Render(1300);
  // The note is held for the first half of each pass of 0.5 s.
  EXPECT_GT(m.Rms(0, Frames(50), Frames(400)), 0.01);
  EXPECT_GT(m.Rms(0, Frames(550), Frames(900)), 0.01);
  EXPECT_TRUE(SoundIsPlaying(a));

  const int32_t b = AddSound(OneNoteMidi(81), 1, ".mid");  // A5
  SoundPlay(b, false);
  EXPECT_FALSE(SoundIsPlaying(a));
  Mix n = Render(300);
  EXPECT_GT(n.Level(880, 0, Frames(50), Frames(300)), n.Level(440, 0, Frames(50), Frames(300)) * 3);
  Render(1000);
  EXPECT_FALSE(SoundIsPlaying(b));
}

TEST_F(SoundTest, TheBackgroundTempoSpeedsMusicUp) {
  const int32_t id = AddSound(OneNoteMidi(69), 1, ".mid");  // a song of 0.5 s
  SoundPlay(id, false);
  Render(400);
  EXPECT_TRUE(SoundIsPlaying(id));
  SoundSetTempo(2.0);
  SoundPlay(id, false);
  Render(400);
  EXPECT_FALSE(SoundIsPlaying(id));
}

TEST_F(SoundTest, MultimediaSoundsPlayOneAtATime) {
  const int32_t a = AddSound(SineWave(440, 1000), 3);
  const int32_t b = AddSound(SineWave(660, 1000), 3);
  SoundPlay(a, true);
  SoundStop(b);  // not the media player's file: a goes on
  EXPECT_TRUE(SoundIsPlaying(a));
  SoundPlay(b, false);
  EXPECT_FALSE(SoundIsPlaying(a));
  EXPECT_TRUE(SoundIsPlaying(b));
  Mix m = Render(100);
  EXPECT_GT(m.Level(660, 0), 0.1);
  EXPECT_LT(m.Level(440, 0), 0.01);
  // Volume, pan and effects are not for the media player.
  SoundSetVolume(b, 0, 0);
  EXPECT_GT(Render(100).Level(660, 0), 0.1);
}

TEST_F(SoundTest, AMediaFileOfAnyKindPlaysThroughTheMediaPlayer) {
  // Only wave and MIDI data go to the performance; anything else ends with the media player.
  const int32_t id = AddSound(SineWave(440, 300), 0);
  ASSERT_EQ(SoundSample(id)->kind, 0);
  std::vector<uint8_t> notWave = SineWave(440, 300);
  std::memcpy(notWave.data() + 8, "WAVX", 4);
  AddSound(notWave, 0, ".xyz");
  EXPECT_EQ(Sounds().Get(1)->s_kind, 3);
}

struct DamagedCase {
  const char* label;
  std::vector<uint8_t> bytes;
};

class DamagedFile : public SoundTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedFile, BecomesAMultimediaSoundThatPlaysNothing) {
  for (int32_t kind : {0, 1, 2, 3}) {
    AddSound(GetParam().bytes, kind);
    CSound* s = Sounds().Get(Sounds().Count() - 1);
    EXPECT_EQ(s->s_kind, 3);
    EXPECT_FALSE(s->s_sound);
    ASSERT_FALSE(s->s_fname.empty());
    EXPECT_EQ(s->s_fname.find(".wav"), s->s_fname.size() - 4);
    const int32_t id = s->GetSoundId();
    SoundPlay(id, true);
    EXPECT_FALSE(SoundIsPlaying(id));
    EXPECT_LT(Render(50).Rms(0), 1e-6);
  }
  EXPECT_TRUE(messages.empty());
}

std::vector<uint8_t> Truncated() {
  auto b = SineWave(440, 100);
  b.resize(40);
  return b;
}
std::vector<uint8_t> BadMidi() {
  std::vector<uint8_t> b = {'M',  'T',  'h', 'd', 0,   0,   0,    6,    0,    0,    0, 1,
                            0x01, 0xE0, 'M', 'T', 'r', 'k', 0xFF, 0xFF, 0xFF, 0xF0, 1, 2};
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFile,
    ::testing::Values(DamagedCase{"garbage", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
                      DamagedCase{"empty", {}}, DamagedCase{"truncated_wave", Truncated()},
                      DamagedCase{"bad_midi", BadMidi()}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SoundTest, ARestoredFileHasAPlainNameInTheTemporaryDirectory) {
  AddSound({1, 2, 3}, 3, "/../../x");
  const std::string& f = Sounds().Get(0)->s_fname;
  ASSERT_FALSE(f.empty());
  EXPECT_EQ(std::filesystem::path(f).parent_path().string(), GetTempDirectory());
  EXPECT_EQ(std::filesystem::path(f).filename().string().find_first_not_of("a0123456789"), std::string::npos);
}

TEST_F(SoundTest, WithoutADeviceEverySoundIsSilentAndTheMessageComesOnce) {
  SetAudioDeviceFactory([] { return std::unique_ptr<platform::audio::AudioDevice>(); });
  const int32_t a = AddSound(SineWave(440, 200), 0);
  const int32_t b = AddSound(OneNoteMidi(60), 1, ".mid");
  ASSERT_EQ(messages, std::vector<std::string>{"No sound device detected. Sounds might not play."});
  EXPECT_FALSE(SoundHasPerformance());
  EXPECT_EQ(Sounds().Get(0)->s_kind, 3);
  for (int32_t id : {a, b}) {
    SoundPlay(id, true);
    SoundSetVolume(id, 0.5, 100);
    SoundSetEffects(id, 511);
    EXPECT_FALSE(SoundIsPlaying(id));
    SoundStop(id);
  }
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(SoundTest, ALongMediaFileNameIsRefused) {
  const int32_t id = SoundLoadFromFile(std::string(GetTempDirectory()), 3);  // a folder is no file
  EXPECT_EQ(id, -1);
  const std::string longName = GetTempDirectory() + "/" + std::string(130, 'n') + ".wav";
  const auto bytes = SineWave(440, 100);
  CStream data = CStream::FromBytes(bytes.data(), bytes.size());
  ASSERT_TRUE(data.SaveToFile(longName));
  const int32_t m = SoundLoadFromFile(longName, 3);
  SoundPlay(m, false);
  EXPECT_EQ(messages, std::vector<std::string>{"Music file name too long for player."});
  EXPECT_FALSE(SoundIsPlaying(m));
}

TEST_F(SoundTest, TheMediaPlayerPlaysSongsAndKnowsTheirLength) {
  const int32_t id = AddSound(OneNoteMidi(69), 3, ".mid");
  SoundPlay(id, true);
  EXPECT_EQ(SoundMediaPlayer().LengthMs(), 500);
  Mix m = Render(800);
  EXPECT_GT(m.Level(440, 0, Frames(50), Frames(400)), 0.005);
  EXPECT_GT(m.Level(440, 0, Frames(550), Frames(800)), 0.005);
  EXPECT_TRUE(SoundIsPlaying(id));
}

TEST(MidiLength, FollowsTheTempoMapAndRefusesDamage) {
  std::vector<uint8_t> slow = OneNoteMidi(60);
  // A tempo of one second a quarter note, set at the start.
  const uint8_t tempo[] = {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40};
  slow.insert(slow.begin() + 22, std::begin(tempo), std::end(tempo));
  slow[21] = static_cast<uint8_t>(slow[21] + sizeof tempo);
  std::vector<uint8_t> noStatus = OneNoteMidi(60);
  noStatus[23] = 0x40;  // data where the first event's status belongs
  std::vector<uint8_t> cut = OneNoteMidi(60);
  cut.resize(cut.size() - 3);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    int64_t ms;
  };
  for (const Case& c :
       {Case{"plain", OneNoteMidi(60), 500}, Case{"slow", slow, 1000}, Case{"no status", noStatus, -1},
        Case{"cut short", cut, -1}, Case{"wave", SineWave(440, 10), -1}})
    EXPECT_EQ(platform::audio::MidiLengthMs(c.bytes.data(), c.bytes.size()), c.ms) << c.what;
}

TEST(MediaCommand, OnlyTheCdPresenceQuestionHasAnAnswer) {
  EXPECT_EQ(MediaCommand("status cdaudio media present"), "false");
  EXPECT_EQ(MediaCommand("  STATUS  cdaudio media   present "), "false");
  EXPECT_EQ(MediaCommand("status cdaudio mode"), "");
  EXPECT_EQ(MediaCommand(""), "");
}

TEST(SoundUnits, ConvertAsThePlayerNeeds) {
  struct Case {
    double value;
    int32_t volume, pan, global;
  };
  for (const Case& c : {Case{1, 0, 10000, 1000}, Case{0, -9600, 0, -10000}, Case{10.0 / 11.0, -873, 9091, 0},
                        Case{-1, -10000, -10000, -10000}, Case{2, 0, 10000, 1000},
                        Case{NAN, -10000, 0, -10000}, Case{1e300, 0, 10000, 1000}}) {
    EXPECT_EQ(VolumeToMillibels(c.value), c.volume) << c.value;
    EXPECT_EQ(PanToMillibels(c.value), c.pan) << c.value;
    EXPECT_EQ(GlobalVolumeToMillibels(c.value), c.global) << c.value;
  }
}

}  // namespace
