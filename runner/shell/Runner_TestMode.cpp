// The test mode's settings and their effect; see Runner_TestMode.h.
#include "runner/shell/Runner_TestMode.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/clock/Clock.h"
#include "platform/dialogs/MessageBox.h"
#include "runner/graphics/Graphics_Transition.h"
#include "runner/run/Run_Main.h"
#include "runner/shell/Runner_Game.h"

namespace {
template <typename T>
bool ReadNumber(const char* name, T& out) {
  const char* text = std::getenv(name);
  if (!text || !*text) return false;
  const std::string_view s(text);
  T value{};
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) {
    std::fprintf(stderr, "runner: ignoring %s=\"%s\": not a number\n", name, text);
    return false;
  }
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

RTestMode ReadTestMode() {
  RTestMode mode;
  mode.on = platform::TestMode();
  if (!mode.on) return mode;
  ReadNumber("RUNNER_TEST_SEED", mode.seed);
  int64_t steps = -1;
  if (ReadNumber("RUNNER_TEST_STEPS", steps) && steps >= 0) mode.maxSteps = steps;
  ReadFrames("RUNNER_TEST_TRANSITION_FRAMES", mode.transitionFrames);
  return mode;
}

void ApplyTestMode(const RTestMode& mode) {
  ShellState().testMode = mode;
  platform::UseVirtualClock(mode.on);
  RunLimits().maxSteps = mode.on ? mode.maxSteps : -1;
  RunLimits().unattended = mode.on;
  // Nobody watches a test run: render off screen unless a test asked for a real display.
  if (mode.on) setenv("SDL_VIDEODRIVER", "offscreen", 0);
  TransitionState().shotFrames = mode.transitionFrames;
}

const RTestMode& TestModeSettings() { return ShellState().testMode; }
