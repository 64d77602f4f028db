// The sound functions as game code calls them: the missing-sound message, rounding of their
// arguments, and their effect on what is mixed.
#include "SoundFixture.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/functions/Function_Families.h"

using namespace soundtest;

namespace {
std::vector<std::string> g_errors;
void Capture(std::string_view m, bool) {
  g_errors.emplace_back(m);
}

class SoundFunctions : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    InitFunctions(AllFunctionFamilies());
    SetErrorSink(Capture);
    g_errors.clear();
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SoundTest::TearDown();
  }
  double Call(const std::string& name, std::vector<double> args) {
    int32_t id = -1;
    EXPECT_TRUE(FindBuiltinFunction(name, id)) << name;
    if (id < 0) return -1;
    EXPECT_EQ(FunctionAt(id)->f_argnumb, static_cast<int32_t>(args.size())) << name;
    std::vector<RValue> argv;
    for (double a : args) argv.emplace_back(a);
    argv.resize(kMaxFunctionArgs);
    RValue result;
    FunctionAt(id)->f_routine(nullptr, nullptr, static_cast<int32_t>(args.size()), argv.data(), result);
    return result.val();
  }
};

TEST_F(SoundFunctions, EachFunctionOfASoundReportsAMissingOne) {
  const std::pair<const char*, int> kTakeASound[] = {
      {"sound_play", 1},
      {"sound_loop", 1},
      {"sound_stop", 1},
      {"sound_volume", 2},
      {"sound_fade", 3},
      {"sound_pan", 2},
      {"sound_effect_set", 2},
      {"sound_effect_chorus", 8},
      {"sound_effect_echo", 6},
      {"sound_effect_flanger", 8},
      {"sound_effect_gargle", 3},
      {"sound_effect_reverb", 5},
      {"sound_effect_compressor", 7},
      {"sound_effect_equalizer", 4},
      {"sound_3d_set_sound_position", 4},
      {"sound_3d_set_sound_velocity", 4},
      {"sound_3d_set_sound_distance", 3},
      {"sound_3d_set_sound_cone", 7},
  };
  AddSound(SineWave(440, 100), 0);
  for (const auto& [name, argc] : kTakeASound) {
    for (double missing : {-1.0, 1.0, 1e300}) {
      g_errors.clear();
      std::vector<double> args(static_cast<size_t>(argc), 0.0);
      args[0] = missing;
      Call(name, args);
      EXPECT_EQ(g_errors, std::vector<std::string>{"Sound does not exist."}) << name << " " << missing;
    }
  }
  g_errors.clear();
  EXPECT_EQ(Call("sound_isplaying", {7}), 0);
  for (const char* name : {"sound_stop_all", "sound_background_tempo", "sound_global_volume"})
    Call(name, std::vector<double>(std::string(name) == "sound_stop_all" ? 0 : 1, 1.0));
  EXPECT_TRUE(g_errors.empty());
}

TEST_F(SoundFunctions, TheSoundActionsHaveTheirOwnMessages) {
  ActionPlaySound(3, true);
  ActionStopSound(-1);
  EXPECT_FALSE(ActionSoundPlaying(3));
  EXPECT_EQ(g_errors, (std::vector<std::string>{"Trying to play non-existing sound.",
                                                "Trying to stop non-existing sound."}));
  AddSound(SineWave(440, 50), 0);
  ActionPlaySound(0, true);
  EXPECT_TRUE(ActionSoundPlaying(0));
  ActionStopSound(0);
  EXPECT_FALSE(ActionSoundPlaying(0));
  EXPECT_EQ(g_errors.size(), 2u);
}

TEST_F(SoundFunctions, PlayLoopStopAndAskWithTheSoundsIndex) {
  AddSound(SineWave(440, 50), 0);
  AddSound(SineWave(660, 50), 0);
  Call("sound_loop", {1.4});  // rounds to 1
  EXPECT_EQ(Call("sound_isplaying", {1}), 1);
  EXPECT_EQ(Call("sound_isplaying", {0}), 0);
  Mix m = Render(200);
  EXPECT_GT(m.Level(660, 0, Frames(100)), 0.1);
  Call("sound_stop", {1});
  EXPECT_EQ(Call("sound_isplaying", {1}), 0);
  Call("sound_play", {0});
  Call("sound_loop", {1});
  Call("sound_stop_all", {});
  EXPECT_EQ(Call("sound_isplaying", {0}) + Call("sound_isplaying", {1}), 0);
  EXPECT_TRUE(g_errors.empty());
}

TEST_F(SoundFunctions, VolumeAndPanReachTheMix) {
  AddSound(SineWave(440, 1000), 0);
  Call("sound_play", {0});
  const Mix ref = Render(100);
  Call("sound_volume", {0, 0.75});  // -24 dB
  Call("sound_pan", {0, -1});       // right silent
  const Mix m = Render(100);
  EXPECT_NEAR(m.Level(440, 0, Frames(50)) / ref.Level(440, 0), 0.0631, 0.002);
  EXPECT_LT(m.Level(440, 1, Frames(50)), 1e-6);
}

TEST_F(SoundFunctions, EffectParametersGoToTheFirstEffectOfTheirTypeWithIntegersRounded) {
  AddSound(SineWave(440, 100), 0);
  Call("sound_effect_set", {0, 1 + 2 + 64.4});
  const RSoundSample* s = SoundSample(Sounds().Get(0)->GetSoundId());
  ASSERT_EQ(s->chain.size(), 3u);
  EXPECT_EQ(s->chain[2].type, platform::audio::EEffect::Equalizer);  // the chain keeps its own order
  Call("sound_effect_chorus", {0, 40, 20, -10, 2.5, 0.6, 8.25, 2.5});
  EXPECT_EQ(std::vector<double>(s->chain[0].params.begin(), s->chain[0].params.begin() + 7),
            (std::vector<double>{40, 20, -10, 2.5, 1, 8.25, 2}));
  Call("sound_effect_reverb", {0, -3, -6, 500, 0.5});  // not in the chain
  EXPECT_EQ(s->chain.size(), 3u);
  Call("sound_effect_equalizer", {0, 1000, 6, -12});
  EXPECT_EQ(s->chain[2].params[2], -12);
}

}  // namespace
