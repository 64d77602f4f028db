// What the player chose for a run: the window, the sound, and the switches of unattended test
// runs. They come from the command line (before the game file) and from the player's file of
// defaults; whatever the player leaves unset is as the game's settings say.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct RPlayerOptions {
  std::optional<bool> fullscreen;
  std::optional<int32_t> scale;  // as the game's scale setting: percent, 0 stretch, -1 keep the aspect
  std::optional<bool> vsync;
  std::optional<bool> mute;
  std::optional<int32_t> volume;  // percent, 0..100
  // The test mode's switches; each stands for its environment variable.
  bool testMode = false;
  bool headless = false;
  std::optional<uint32_t> seed;
  std::optional<int64_t> steps;
  std::string record, replay;
};

// Whether the name is one of the player's options (with its dashes), so that one given after
// the game file can be refused rather than taken for the game.
bool IsPlayerOption(std::string_view arg);

// Takes the player's options out of args (all but the last, the game file; "--" ends them);
// what is left belongs to the game. False, with the problem, for an unknown value or an option
// missing its value.
bool ParsePlayerOptions(std::span<const std::string> args, RPlayerOptions& options,
                        std::vector<std::string>& gameArgs, std::string& problem);

// The file of defaults: one option a line without its dashes ("fullscreen", "scale 200"), "#"
// starts a comment. Only the window and sound options belong there. False, with the problem
// and its line, for anything else.
bool ParsePlayerConfig(std::string_view text, RPlayerOptions& options, std::string& problem);

// Where the file of defaults lives: $XDG_CONFIG_HOME/korvex-runner/options, else under
// $HOME/.config. Empty when neither is set.
std::string PlayerConfigPath(const char* xdgConfigHome, const char* home);

// The options in force: the file's, then the command line's over them.
RPlayerOptions MergePlayerOptions(const RPlayerOptions& config, const RPlayerOptions& commandLine);

// Puts the test switches where the runner reads them: the environment variables they stand
// for (so child runners and every layer see one truth). Paths, the flags' and those already in
// RUNNER_RECORD and RUNNER_REPLAY, are made absolute against the current folder, since the
// runner moves into the game's folder before it reads them.
void ExportTestSwitches(const RPlayerOptions& options);

// The window and sound choices over the game's settings; run after the settings are read.
void ApplyPlayerSettings(const RPlayerOptions& options);

// The --help text of the options, one a line.
std::string PlayerOptionsHelp();
