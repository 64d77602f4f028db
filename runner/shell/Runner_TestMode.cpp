// The test mode's settings and their effect; see Runner_TestMode.h.
#include "runner/shell/Runner_TestMode.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/clock/Clock.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/video/Video.h"
#include "runner/graphics/Graphics_Transition.h"
#include "runner/run/Run_Main.h"
#include "runner/shell/Runner_Game.h"

namespace {
// A whole decimal number for the whole text; false otherwise (signs, blanks, overflow).
template <typename T>
bool ParseWhole(std::string_view s, T& out) {
  if (s.empty() || s[0] == '-' || s[0] == '+') return false;
  T value{};
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  out = value;
  return true;
}
// A comma-separated list of frame numbers; a malformed one drops the whole list.
void ReadFrames(const char* name, std::vector<int32_t>& out) {
  const char* text = std::getenv(name);
  if (!text || !*text) return;
  std::vector<int32_t> frames;
  std::string_view s(text);
  while (true) {
    const size_t comma = s.find(',');
    const std::string_view item = s.substr(0, comma);
    int32_t frame = 0;
    auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), frame);
    if (ec != std::errc() || end != item.data() + item.size() || frame < 0) {
      std::fprintf(stderr, "runner: ignoring %s=\"%s\": not a list of frame numbers\n", name, text);
      return;
    }
    frames.push_back(frame);
    if (comma == std::string_view::npos) break;
    s.remove_prefix(comma + 1);
  }
  out = std::move(frames);
}
}  // namespace

bool ParseTestMode(bool on, const char* seed, const char* steps, RTestMode& mode, std::string& problem) {
  mode = {};
  mode.on = on;
  if (!on) {
    // Without test mode neither is used: a run meant to end after its steps would go on for
    // ever, and one meant to be repeatable would draw from the clock, without a word.
    for (const auto& [name, value] : {std::pair{"RUNNER_TEST_SEED", seed}, std::pair{"RUNNER_TEST_STEPS", steps}})
      if (value && *value) {
        problem = std::string(name) + "=\"" + value + "\" is set but test mode is off: set RUNNER_TEST_MODE=1 as well";
        return false;
      }
    return true;
  }
  // A value that cannot be used refuses the run: a test that meant a limit must not run without one.
  if (seed && *seed && !ParseWhole(seed, mode.seed)) {
    problem = std::string("RUNNER_TEST_SEED=\"") + seed + "\" is not a number 0..4294967295";
    return false;
  }
  if (steps && *steps && !ParseWhole(steps, mode.maxSteps)) {
    problem = std::string("RUNNER_TEST_STEPS=\"") + steps + "\" is not a number of steps 0..9223372036854775807";
    return false;
  }
  return true;
}

bool ReadTestMode(RTestMode& mode, std::string& problem) {
  if (!ParseTestMode(platform::TestMode(), std::getenv("RUNNER_TEST_SEED"), std::getenv("RUNNER_TEST_STEPS"), mode,
                     problem))
    return false;
  if (mode.on) ReadFrames("RUNNER_TEST_TRANSITION_FRAMES", mode.transitionFrames);
  return true;
}

RTestMode ReadTestMode() {
  RTestMode mode;
  std::string problem;
  if (!ReadTestMode(mode, problem)) mode.maxSteps = 0;  // refused at start-up already; never runs unlimited
  return mode;
}

void ApplyTestMode(const RTestMode& mode) {
  ShellState().testMode = mode;
  platform::UseVirtualClock(mode.on);
  RunLimits().maxSteps = mode.on ? mode.maxSteps : -1;
  RunLimits().unattended = mode.on;
  // Nobody watches a test run: render off screen unless a test asked for a real display.
  if (mode.on) platform::PreferOffscreenVideo();
  TransitionState().shotFrames = mode.transitionFrames;
}

const RTestMode& TestModeSettings() { return ShellState().testMode; }
