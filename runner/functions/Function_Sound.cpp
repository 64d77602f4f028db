// Built-in sound functions: playing, volume, pan, effects and 3D parameters of sounds, the
// global volume and tempo, CD audio with its actions, and media control commands.
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/sound/Sound_DirectX.h"
#include "runner/sound/Sound_Main.h"
#include "runner/sound/Support_CD.h"

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

// CD audio: arguments are whole numbers; truth values are 1 and 0.
double Truth(bool b) { return b ? 1.0 : 0.0; }
int64_t Whole(const RValue& v) { return RoundToInt64(v.val()); }

void cd_init(CInstance*, CInstance*, int32_t, RValue*, RValue&) { SystemCd().Init(); }
void cd_present(CInstance*, CInstance*, int32_t, RValue*, RValue& r) { r.SetReal(Truth(SystemCd().Present())); }
void cd_number(CInstance*, CInstance*, int32_t, RValue*, RValue& r) {
  r.SetReal(static_cast<double>(SystemCd().NumberOfTracks()));
}
void cd_playing(CInstance*, CInstance*, int32_t, RValue*, RValue& r) { r.SetReal(Truth(SystemCd().Playing())); }
void cd_paused(CInstance*, CInstance*, int32_t, RValue*, RValue& r) { r.SetReal(Truth(SystemCd().Paused())); }
void cd_track(CInstance*, CInstance*, int32_t, RValue*, RValue& r) {
  r.SetReal(static_cast<double>(SystemCd().Track()));
}
void cd_length(CInstance*, CInstance*, int32_t, RValue*, RValue& r) {
  r.SetReal(static_cast<double>(SystemCd().Length()));
}
void cd_track_length(CInstance*, CInstance*, int32_t, RValue* argv, RValue& r) {
  r.SetReal(static_cast<double>(SystemCd().TrackLength(Whole(argv[0]))));
}
void cd_position(CInstance*, CInstance*, int32_t, RValue*, RValue& r) {
  r.SetReal(static_cast<double>(SystemCd().Position()));
}
void cd_track_position(CInstance*, CInstance*, int32_t, RValue*, RValue& r) {
  r.SetReal(static_cast<double>(SystemCd().TrackPosition()));
}
void cd_play(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) { SystemCd().Play(Whole(argv[0]), Whole(argv[1])); }
void cd_stop(CInstance*, CInstance*, int32_t, RValue*, RValue&) { SystemCd().Stop(); }
void cd_pause(CInstance*, CInstance*, int32_t, RValue*, RValue&) { SystemCd().Pause(); }
void cd_resume(CInstance*, CInstance*, int32_t, RValue*, RValue&) { SystemCd().Resume(); }
void cd_set_position(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SystemCd().SetPosition(Whole(argv[0]));
}
void cd_set_track_position(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SystemCd().SetTrackPosition(Whole(argv[0]));
}
void cd_open_door(CInstance*, CInstance*, int32_t, RValue*, RValue&) { SystemCd().OpenDoor(); }
void cd_close_door(CInstance*, CInstance*, int32_t, RValue*, RValue&) { SystemCd().CloseDoor(); }
// Commands a game writes itself go nowhere: there is no media control interface to take them,
// and the one device this runner answers for, the CD drive, is absent. The reply is empty.
void MCI_command(CInstance*, CInstance*, int32_t, RValue*, RValue& r) { r.SetString(""); }

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
    {"cd_init", 0, cd_init},
    {"cd_present", 0, cd_present},
    {"cd_number", 0, cd_number},
    {"cd_playing", 0, cd_playing},
    {"cd_paused", 0, cd_paused},
    {"cd_track", 0, cd_track},
    {"cd_length", 0, cd_length},
    {"cd_track_length", 1, cd_track_length},
    {"cd_position", 0, cd_position},
    {"cd_track_position", 0, cd_track_position},
    {"cd_play", 2, cd_play},
    {"cd_stop", 0, cd_stop},
    {"cd_pause", 0, cd_pause},
    {"cd_resume", 0, cd_resume},
    {"cd_set_position", 1, cd_set_position},
    {"cd_set_track_position", 1, cd_set_track_position},
    {"cd_open_door", 0, cd_open_door},
    {"cd_close_door", 0, cd_close_door},
    {"MCI_command", 1, MCI_command},
    // The CD actions do what the functions do.
    {"action_cd_play", 2, cd_play},
    {"action_cd_stop", 0, cd_stop},
    {"action_cd_pause", 0, cd_pause},
    {"action_cd_resume", 0, cd_resume},
    {"action_cd_present", 0, cd_present},
    {"action_cd_playing", 0, cd_playing},
};
}  // namespace

FunctionFamily SoundFunctions() {
  return kSoundFunctions;
}
