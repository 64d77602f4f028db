// The runner's test mode: unattended, reproducible runs for tests and tools. Started from the
// environment (never from the game's own arguments, which games read): RUNNER_TEST_MODE=1
// switches it on; RUNNER_TEST_SEED fixes the random seed (default 0); RUNNER_TEST_STEPS ends
// the game after that many steps; RUNNER_TEST_TRANSITION_FRAMES saves frames of transitions.
// The clock is virtual, so steps run back to back while the game sees time pass as if the
// runner had waited; dialogs answer from the environment and nothing needs a display.
#pragma once

#include <cstdint>
#include <vector>

struct RTestMode {
  bool on = false;
  uint32_t seed = 0;
  int64_t maxSteps = -1;
  // Frames of every transition shown to save as "transition<n>_<frame>.png" (n counts the
  // transitions from 1): RUNNER_TEST_TRANSITION_FRAMES, numbers separated by commas.
  std::vector<int32_t> transitionFrames{};
};

#include <string>

// The settings from the variables' texts (null or empty when unset). False, with the problem,
// when a number is malformed, negative or out of range, or when either is set outside test
// mode: the runner refuses to start (status 2) rather than run without what a test asked for.
bool ParseTestMode(bool on, const char* seed, const char* steps, RTestMode& mode, std::string& problem);
// The same from the environment.
bool ReadTestMode(RTestMode& mode, std::string& problem);
RTestMode ReadTestMode();
// Puts the mode in force: the clock, the step limit, headless video when none was chosen.
void ApplyTestMode(const RTestMode& mode);
const RTestMode& TestModeSettings();
