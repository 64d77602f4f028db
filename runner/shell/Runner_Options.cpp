// The player's options; see Runner_Options.h. One table says what each option takes, so the
// command line, the file of defaults and --help cannot drift apart.
#include "runner/shell/Runner_Options.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>

#include "runner/base/Option_Main.h"
#include "runner/sound/Sound_DirectX.h"

namespace {

enum class EOption { Fullscreen, Windowed, Scale, Vsync, NoVsync, Mute, Volume, TestMode, Steps, Seed, Record, Replay, Headless };

struct ROptionDef {
  std::string_view name;  // without the dashes
  EOption option;
  std::string_view value;  // what it takes, empty for none
  bool inConfig;           // may stand in the file of defaults
  std::string_view help;
};

constexpr ROptionDef kOptions[] = {
    {"fullscreen", EOption::Fullscreen, "", true, "start in full screen"},
    {"windowed", EOption::Windowed, "", true, "start in a window"},
    {"scale", EOption::Scale, "N", true, "draw at N percent (10..1000), or 'fit' (keep the aspect) or 'stretch'"},
    {"vsync", EOption::Vsync, "", true, "wait for the vertical blank"},
    {"no-vsync", EOption::NoVsync, "", true, "do not wait for the vertical blank"},
    {"mute", EOption::Mute, "", true, "play no sound"},
    {"volume", EOption::Volume, "N", true, "sound volume 0..100 percent"},
    {"test-mode", EOption::TestMode, "", false, "unattended, reproducible run (RUNNER_TEST_MODE=1)"},
    {"steps", EOption::Steps, "N", false, "end after N steps; implies --test-mode (RUNNER_TEST_STEPS)"},
    {"seed", EOption::Seed, "N", false, "random seed 0..4294967295; implies --test-mode (RUNNER_TEST_SEED)"},
    {"record", EOption::Record, "FILE", false, "write every input to FILE (RUNNER_RECORD)"},
    {"replay", EOption::Replay, "FILE", false, "play the input script FILE back (RUNNER_REPLAY)"},
    {"headless", EOption::Headless, "", false, "no video at all (RUNNER_HEADLESS=1)"},
};

const ROptionDef* Find(std::string_view name) {
  for (const ROptionDef& d : kOptions)
    if (d.name == name) return &d;
  return nullptr;
}

// A whole decimal number for the whole text, within lo..hi.
template <typename T>
bool Whole(std::string_view s, T lo, T hi, T& out) {
  if (s.empty() || s[0] == '-' || s[0] == '+') return false;
  T v{};
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool Take(const ROptionDef& d, std::string_view value, RPlayerOptions& o, std::string& problem) {
  const auto bad = [&](std::string_view wanted) {
    problem = "--" + std::string(d.name) + " \"" + std::string(value) + "\": " + std::string(wanted);
    return false;
  };
  switch (d.option) {
    case EOption::Fullscreen: o.fullscreen = true; return true;
    case EOption::Windowed: o.fullscreen = false; return true;
    case EOption::Vsync: o.vsync = true; return true;
    case EOption::NoVsync: o.vsync = false; return true;
    case EOption::Mute: o.mute = true; return true;
    case EOption::TestMode: o.testMode = true; return true;
    case EOption::Headless: o.headless = true; return true;
    case EOption::Scale: {
      int32_t v = 0;
      if (value == "fit") o.scale = -1;
      else if (value == "stretch") o.scale = 0;
      else if (Whole<int32_t>(value, 10, 1000, v)) o.scale = v;
      else return bad("not a scale: a percentage 10..1000, fit or stretch");
      return true;
    }
    case EOption::Volume: {
      int32_t v = 0;
      if (!Whole<int32_t>(value, 0, 100, v)) return bad("not a volume 0..100");
      o.volume = v;
      return true;
    }
    case EOption::Steps: {
      int64_t v = 0;
      if (!Whole<int64_t>(value, 0, INT64_MAX, v)) return bad("not a number of steps 0..9223372036854775807");
      o.steps = v;
      o.testMode = true;
      return true;
    }
    case EOption::Seed: {
      uint32_t v = 0;
      if (!Whole<uint32_t>(value, 0, UINT32_MAX, v)) return bad("not a number 0..4294967295");
      o.seed = v;
      o.testMode = true;
      return true;
    }
    case EOption::Record:
    case EOption::Replay:
      if (value.empty()) return bad("not a file name");
      (d.option == EOption::Record ? o.record : o.replay) = std::string(value);
      return true;
  }
  return false;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.string();
}

}  // namespace

bool IsPlayerOption(std::string_view arg) { return arg.starts_with("--") && Find(arg.substr(2)) != nullptr; }

bool ParsePlayerOptions(std::span<const std::string> args, RPlayerOptions& options, std::vector<std::string>& gameArgs,
                        std::string& problem) {
  gameArgs.clear();
  if (args.empty()) return true;
  const size_t last = args.size() - 1;
  if (IsPlayerOption(args[last])) {
    problem = "option " + args[last] + " after the game file: options go before it";
    return false;
  }
  bool optionsEnded = false;
  for (size_t i = 0; i < last; ++i) {
    const std::string& a = args[i];
    if (!optionsEnded && a == "--") {
      optionsEnded = true;
      continue;
    }
    const ROptionDef* d = optionsEnded || !a.starts_with("--") ? nullptr : Find(std::string_view(a).substr(2));
    if (!d) {
      // Not ours: the game reads it (and --ZTTrace the trace switch).
      gameArgs.push_back(a);
      continue;
    }
    std::string_view value;
    if (!d->value.empty()) {
      if (i + 1 >= last) {
        problem = a + " needs " + std::string(d->value) + " before the game file";
        return false;
      }
      value = args[++i];
    }
    if (!Take(*d, value, options, problem)) return false;
  }
  gameArgs.push_back(args[last]);
  return true;
}

bool ParsePlayerConfig(std::string_view text, RPlayerOptions& options, std::string& problem) {
  int line = 0;
  while (!text.empty()) {
    ++line;
    const size_t eol = text.find('\n');
    std::string_view s = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (const size_t hash = s.find('#'); hash != std::string_view::npos) s = s.substr(0, hash);
    s = Trim(s);
    if (s.empty()) continue;
    const size_t gap = s.find_first_of(" \t");
    const std::string_view name = s.substr(0, gap);
    const std::string_view value = gap == std::string_view::npos ? std::string_view() : Trim(s.substr(gap));
    const ROptionDef* d = Find(name);
    const std::string where = "line " + std::to_string(line) + ": ";
    if (!d || !d->inConfig) {
      problem = where + "\"" + std::string(name) + "\" is not a player option";
      return false;
    }
    if (d->value.empty() != value.empty()) {
      problem = where + std::string(name) + (value.empty() ? " needs " + std::string(d->value) : " takes no value");
      return false;
    }
    if (!Take(*d, value, options, problem)) {
      problem = where + problem.substr(2);  // the file has no dashes
      return false;
    }
  }
  return true;
}

std::string PlayerConfigPath(const char* xdgConfigHome, const char* home) {
  // Relative bases are ignored, as the desktop's rules say.
  if (xdgConfigHome && xdgConfigHome[0] == '/') return std::string(xdgConfigHome) + "/korvex-runner/options";
  if (home && home[0] == '/') return std::string(home) + "/.config/korvex-runner/options";
  return {};
}

RPlayerOptions MergePlayerOptions(const RPlayerOptions& config, const RPlayerOptions& commandLine) {
  RPlayerOptions o = commandLine;
  if (!o.fullscreen) o.fullscreen = config.fullscreen;
  if (!o.scale) o.scale = config.scale;
  if (!o.vsync) o.vsync = config.vsync;
  if (!o.mute) o.mute = config.mute;
  if (!o.volume) o.volume = config.volume;
  return o;
}

void ExportTestSwitches(const RPlayerOptions& o) {
  if (o.testMode) setenv("RUNNER_TEST_MODE", "1", 1);
  if (o.headless) setenv("RUNNER_HEADLESS", "1", 1);
  if (o.steps) setenv("RUNNER_TEST_STEPS", std::to_string(*o.steps).c_str(), 1);
  if (o.seed) setenv("RUNNER_TEST_SEED", std::to_string(*o.seed).c_str(), 1);
  if (!o.record.empty()) setenv("RUNNER_RECORD", Absolute(o.record).c_str(), 1);
  if (!o.replay.empty()) setenv("RUNNER_REPLAY", Absolute(o.replay).c_str(), 1);
  // A relative name set in the environment means the start folder as much as a flag's does.
  for (const char* name : {"RUNNER_RECORD", "RUNNER_REPLAY"})
    if (const char* value = std::getenv(name); value && *value) setenv(name, Absolute(value).c_str(), 1);
}

void ApplyPlayerSettings(const RPlayerOptions& o) {
  ROptions& s = SettingsState().options;
  if (o.fullscreen) s.opt_fullscreen = *o.fullscreen;
  if (o.scale) s.opt_scale = *o.scale;
  if (o.vsync) s.opt_vsync = *o.vsync;
  if (o.mute.value_or(false)) SoundSetPlayerGain(0.0);
  else if (o.volume) SoundSetPlayerGain(*o.volume / 100.0);
}

std::string PlayerOptionsHelp() {
  std::string out;
  for (const ROptionDef& d : kOptions) {
    std::string head = "  --" + std::string(d.name);
    if (!d.value.empty()) head += " " + std::string(d.value);
    head.resize(std::max<size_t>(head.size() + 1, 22), ' ');
    out += head + std::string(d.help) + "\n";
  }
  return out;
}
