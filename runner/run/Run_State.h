// The runtime's game-wide state that lasts from start-up to the end of the game, a restart
// included: the game-wide values the built-in variables show, the hooks and lookups the higher
// layers filled in, the limits of unattended runs, the step count and the loop's clock, the
// instance id counter, and the context of the running event. What a restart begins anew is the
// play state of Run_Main.cpp.
#pragma once

#include <cstdint>

#include "runner/base/Game.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"

struct RRunState {
  static constexpr EGameSlot kSlot = EGameSlot::Run;

  RGameState game;
  RRunHooks hooks;
  RRunLimits limits;
  int64_t steps = 0;  // since the game started
  // The main loop's timing: the scheduled start of the step just run, the start of the current
  // whole second and the steps counted in it.
  struct RClock {
    int64_t t = 0;
    int64_t w = 0;
    int32_t count = 0;
  } clock;
  // The last instance id used. The rooms chunk sets it; a restart goes on counting from it.
  int32_t lastInstanceId = 100000;
  REventContext event;
  int32_t displayAA = 0;
  RRunLookups lookups;
};
inline RRunState& RunState() { return TheGame().State<RRunState>(); }
