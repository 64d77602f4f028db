// Built-in sound functions: playing, volume, pan, effects and 3D parameters of sounds, and the
// global volume and tempo.
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/sound/Sound_DirectX.h"
#include "runner/sound/Sound_Main.h"

namespace {
using platform::audio::EEffect;

// The sample of the sound named by the argument; -2 after reporting a missing sound (-1 is a
// sound that exists but cannot play, which every player operation ignores).
int32_t SampleOf(const RValue& arg) {
  CSound* s = Sounds().Get(RoundToInt32(arg.val()));
  if (!s) {
    ShowActionError("Sound does not exist.", false);
    return -2;
  }
  return s->GetSoundId();
}

double Int(const RValue& v) {
  return RoundToInt32(v.val());
}

void sound_play(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (int32_t id = SampleOf(argv[0]); id != -2) SoundPlay(id, false);
}
void sound_loop(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (int32_t id = SampleOf(argv[0]); id != -2) SoundPlay(id, true);
}
void sound_stop(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (int32_t id = SampleOf(argv[0]); id != -2) SoundStop(id);
}
void sound_stop_all(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  SoundStopAll();
}
void sound_isplaying(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  CSound* s = Sounds().Get(RoundToInt32(argv[0].val()));
  result.SetReal(BoolReal(s && SoundIsPlaying(s->GetSoundId())));
}
void sound_volume(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (int32_t id = SampleOf(argv[0]); id != -2) SoundSetVolume(id, argv[1].val(), 0);
}
void sound_fade(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (int32_t id = SampleOf(argv[0]); id != -2)
    SoundSetVolume(id, argv[1].val(), RoundToInt32(argv[2].val()));
}
void sound_pan(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (int32_t id = SampleOf(argv[0]); id != -2) SoundSetPan(id, argv[1].val());
}
void sound_background_tempo(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SoundSetTempo(argv[0].val());
}
void sound_global_volume(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SoundSetGlobalVolume(argv[0].val());
}
void sound_set_search_directory(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SoundSetSearchDirectory(std::string(argv[0].str()));
}
void sound_effect_set(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (int32_t id = SampleOf(argv[0]); id != -2) SoundSetEffects(id, RoundToInt32(argv[1].val()));
}

// The effect's parameters from argv[1..]; the listed positions are integers.
void SetParams(RValue* argv, EEffect type, int32_t count, std::initializer_list<int32_t> integers) {
  int32_t id = SampleOf(argv[0]);
  if (id == -2) return;
  std::vector<double> params;
  for (int32_t i = 0; i < count; ++i) params.push_back(argv[1 + i].val());
  for (int32_t i : integers) params[static_cast<size_t>(i)] = Int(argv[1 + i]);
  SoundSetEffectParams(id, type, params);
}
void sound_effect_chorus(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SetParams(argv, EEffect::Chorus, 7, {4, 6});
}
void sound_effect_echo(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SetParams(argv, EEffect::Echo, 5, {4});
}
void sound_effect_flanger(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SetParams(argv, EEffect::Flanger, 7, {4, 6});
}
void sound_effect_gargle(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SetParams(argv, EEffect::Gargle, 2, {0, 1});
}
void sound_effect_reverb(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SetParams(argv, EEffect::Reverb, 4, {});
}
void sound_effect_compressor(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SetParams(argv, EEffect::Compressor, 6, {});
}
void sound_effect_equalizer(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SetParams(argv, EEffect::Equalizer, 3, {});
}

void sound_3d_set_sound_position(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (int32_t id = SampleOf(argv[0]); id != -2)
    SoundSet3DPosition(id, argv[1].val(), argv[2].val(), argv[3].val());
}
void sound_3d_set_sound_velocity(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (int32_t id = SampleOf(argv[0]); id != -2)
    SoundSet3DVelocity(id, argv[1].val(), argv[2].val(), argv[3].val());
}
void sound_3d_set_sound_distance(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (int32_t id = SampleOf(argv[0]); id != -2) SoundSet3DDistance(id, argv[1].val(), argv[2].val());
}
void sound_3d_set_sound_cone(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (int32_t id = SampleOf(argv[0]); id != -2)
    SoundSet3DCone(id, argv[1].val(), argv[2].val(), argv[3].val(), RoundToInt32(argv[4].val()),
                   RoundToInt32(argv[5].val()), argv[6].val());
}

constexpr RFunctionDef kSoundFunctions[] = {
    {"sound_play", 1, sound_play},
    {"sound_loop", 1, sound_loop},
    {"sound_stop", 1, sound_stop},
    {"sound_stop_all", 0, sound_stop_all},
    {"sound_isplaying", 1, sound_isplaying},
    {"sound_volume", 2, sound_volume},
    {"sound_fade", 3, sound_fade},
    {"sound_pan", 2, sound_pan},
    {"sound_background_tempo", 1, sound_background_tempo},
    {"sound_global_volume", 1, sound_global_volume},
    {"sound_set_search_directory", 1, sound_set_search_directory},
    {"sound_effect_set", 2, sound_effect_set},
    {"sound_effect_chorus", 8, sound_effect_chorus},
    {"sound_effect_echo", 6, sound_effect_echo},
    {"sound_effect_flanger", 8, sound_effect_flanger},
    {"sound_effect_gargle", 3, sound_effect_gargle},
    {"sound_effect_reverb", 5, sound_effect_reverb},
    {"sound_effect_compressor", 7, sound_effect_compressor},
    {"sound_effect_equalizer", 4, sound_effect_equalizer},
    {"sound_3d_set_sound_position", 4, sound_3d_set_sound_position},
    {"sound_3d_set_sound_velocity", 4, sound_3d_set_sound_velocity},
    {"sound_3d_set_sound_distance", 3, sound_3d_set_sound_distance},
    {"sound_3d_set_sound_cone", 7, sound_3d_set_sound_cone},
};
}  // namespace

FunctionFamily SoundFunctions() {
  return kSoundFunctions;
}
