// Where input comes from and where it goes: the window system's events (or keys the game
// injects) or, in replay, an input script; every input is handed to the window handlers at a
// message pump and, while recording, written to an input script. Also the input part of the
// step hooks and the waits of the keyboard and mouse functions.
#pragma once

#include <cstdint>
#include <string>

#include "platform/events/InputEvents.h"
#include "runner/run/IO_Script.h"

// Fills the input hooks of the step, attaches the input variables. Idempotent.
void InstallInput();

// RUNNER_RECORD=file records, RUNNER_REPLAY=file replays. False after a problem, whose message
// has been shown.
bool StartInputFromEnvironment();
bool StartRecording(const std::string& file, std::string& error);
bool StartReplay(const std::string& file, std::string& error);
void StartReplay(RInputScript script);
// Closes the recording, drops the replay and every queued input; back to live devices.
void StopInputScripts();
bool Replaying();
// Every block of the replayed script has been delivered (false when not replaying).
bool ReplayFinished();

// The message pump between steps (main loop) and inside a step (functions that pump).
void PumpInputBetweenSteps();
void PumpInputInStep();

// Live input that did not come through the window system (tests, or keys injected without its events).
void QueueLiveInput(const platform::RInputEvent& event);
// keyboard_key_press / keyboard_key_release: into the runner's own queue only.
void InjectKey(int32_t key, bool down);

// The platform's view of the keyboard: held keys as events reported them, sided modifiers
// (160..165) and generic ones alike, untouched by the key map and by clearing.
bool KeyHeldDirect(int32_t key);
bool NumLockOn();
void SetNumLock(bool on);

// Whether the game window has the focus (as the window or the replayed script says).
bool InputWindowActive();

// Waits of keyboard_wait and mouse_wait: pump, sleep 50 ms, until done() or the wait cannot end
// otherwise (a close request, or a replay with nothing more for this step).
void WaitForInput(bool (*done)());

// Counting of steps for the delivery points; the step hooks call it.
int64_t InputStepNumber();
