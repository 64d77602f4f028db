// FluidSynth, opened the first time a MIDI song is rendered or streamed instead of when the
// program starts: the library and the dozen it brings along (GLib, JACK, PulseAudio clients,
// readline...) cost about a third of the runner's start-up, and most games play no MIDI.
#pragma once

#include <fluidsynth.h>

namespace platform::audio {

#define FLUID_LIBRARY_FUNCTIONS(X)                                                                     \
  X(fluid_set_log_function) X(new_fluid_settings) X(delete_fluid_settings) X(fluid_settings_setnum)    \
  X(fluid_settings_setstr) X(fluid_settings_setint) X(new_fluid_synth) X(delete_fluid_synth)           \
  X(fluid_synth_sfload) X(fluid_synth_system_reset) X(fluid_synth_write_float) X(new_fluid_player)     \
  X(delete_fluid_player) X(fluid_player_add_mem) X(fluid_player_set_tempo) X(fluid_player_play)       \
  X(fluid_player_stop) X(fluid_player_get_status) X(fluid_player_get_total_ticks)                     \
  X(fluid_player_get_current_tick)

struct RFluidLibrary {
#define FLUID_LIBRARY_MEMBER(name) decltype(&::name) name = nullptr;
  FLUID_LIBRARY_FUNCTIONS(FLUID_LIBRARY_MEMBER)
#undef FLUID_LIBRARY_MEMBER
};

// The library's functions, opened once for the process; null when the library or one of its
// functions is missing, and then no MIDI plays, as without a soundfont.
const RFluidLibrary* FluidLibrary();

}  // namespace platform::audio
