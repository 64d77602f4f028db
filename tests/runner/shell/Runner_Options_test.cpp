// The player's options: what each flag sets, what is refused and why, the file of defaults and
// which choice wins.
#include "runner/shell/Runner_Options.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "runner/base/Option_Main.h"

using V = std::vector<std::string>;

namespace {

RPlayerOptions Parsed(const V& args, V* gameArgs = nullptr) {
  RPlayerOptions o;
  V rest;
  std::string problem;
  EXPECT_TRUE(ParsePlayerOptions(args, o, rest, problem)) << problem;
  if (gameArgs) *gameArgs = rest;
  return o;
}

TEST(PlayerOptions, EachFlagSetsItsChoice) {
  EXPECT_EQ(Parsed({"--fullscreen", "g"}).fullscreen, true);
  EXPECT_EQ(Parsed({"--windowed", "g"}).fullscreen, false);
  EXPECT_EQ(Parsed({"--fullscreen", "--windowed", "g"}).fullscreen, false);  // the last one counts
  EXPECT_EQ(Parsed({"--scale", "200", "g"}).scale, 200);
  EXPECT_EQ(Parsed({"--scale", "fit", "g"}).scale, -1);
  EXPECT_EQ(Parsed({"--scale", "stretch", "g"}).scale, 0);
  EXPECT_EQ(Parsed({"--vsync", "g"}).vsync, true);
  EXPECT_EQ(Parsed({"--no-vsync", "g"}).vsync, false);
  EXPECT_EQ(Parsed({"--mute", "g"}).mute, true);
  EXPECT_EQ(Parsed({"--volume", "0", "g"}).volume, 0);
  EXPECT_EQ(Parsed({"--volume", "100", "g"}).volume, 100);
  EXPECT_TRUE(Parsed({"--test-mode", "g"}).testMode);
  EXPECT_TRUE(Parsed({"--headless", "g"}).headless);
  const RPlayerOptions steps = Parsed({"--steps", "300", "g"});
  EXPECT_EQ(steps.steps, 300);
  EXPECT_TRUE(steps.testMode);  // a step limit only means something in test mode
  EXPECT_EQ(Parsed({"--seed", "4294967295", "g"}).seed, 4294967295u);
  EXPECT_EQ(Parsed({"--record", "in.txt", "g"}).record, "in.txt");
  EXPECT_EQ(Parsed({"--replay", "in.txt", "g"}).replay, "in.txt");
  const RPlayerOptions none = Parsed({"g"});
  EXPECT_FALSE(none.fullscreen || none.scale || none.vsync || none.mute || none.volume || none.testMode);
}

TEST(PlayerOptions, TheGameKeepsWhatIsNotOursAndTheGameFile) {
  V game;
  Parsed({"--ZTTrace", "--fullscreen", "level2", "--volume", "5", "--custom", "g.kvx"}, &game);
  EXPECT_EQ(game, (V{"--ZTTrace", "level2", "--custom", "g.kvx"}));
  // After "--" even our names are the game's.
  const RPlayerOptions o = Parsed({"--mute", "--", "--fullscreen", "g.kvx"}, &game);
  EXPECT_EQ(game, (V{"--fullscreen", "g.kvx"}));
  EXPECT_FALSE(o.fullscreen.has_value());
  EXPECT_EQ(o.mute, true);
}

TEST(PlayerOptions, BadValuesAndLateOptionsAreRefusedWithAMessage) {
  const std::pair<V, std::string> rows[] = {
      {{"--scale", "0", "g"}, "--scale \"0\": not a scale"},
      {{"--scale", "1001", "g"}, "--scale \"1001\": not a scale"},
      {{"--scale", "2x", "g"}, "--scale \"2x\": not a scale"},
      {{"--volume", "101", "g"}, "--volume \"101\": not a volume 0..100"},
      {{"--volume", "-1", "g"}, "--volume \"-1\": not a volume"},
      {{"--volume", "", "g"}, "--volume \"\": not a volume"},
      {{"--steps", "ten", "g"}, "--steps \"ten\": not a number of steps"},
      {{"--seed", "4294967296", "g"}, "--seed \"4294967296\": not a number 0..4294967295"},
      {{"--record", "", "g"}, "--record \"\": not a file name"},
      {{"--scale", "g"}, "--scale needs N before the game file"},
      {{"--replay", "g"}, "--replay needs FILE before the game file"},
      {{"g.kvx", "--fullscreen"}, "option --fullscreen after the game file: options go before it"},
      {{"--mute"}, "option --mute after the game file"},
  };
  for (const auto& [args, message] : rows) {
    RPlayerOptions o;
    V game;
    std::string problem;
    EXPECT_FALSE(ParsePlayerOptions(args, o, game, problem)) << message;
    EXPECT_EQ(problem.rfind(message, 0), 0u) << problem;
  }
}

TEST(PlayerOptions, TheFileOfDefaultsTakesTheWindowAndSoundOptionsOnly) {
  RPlayerOptions o;
  std::string problem;
  ASSERT_TRUE(ParsePlayerConfig("# mine\n\nfullscreen\r\n  scale   fit  # keep it\nvolume 40\nno-vsync", o, problem))
      << problem;
  EXPECT_EQ(o.fullscreen, true);
  EXPECT_EQ(o.scale, -1);
  EXPECT_EQ(o.volume, 40);
  EXPECT_EQ(o.vsync, false);

  const std::pair<std::string, std::string> rows[] = {
      {"fullscreen\nloud\n", "line 2: \"loud\" is not a player option"},
      {"test-mode\n", "line 1: \"test-mode\" is not a player option"},  // a test run is never a default
      {"--mute\n", "line 1: \"--mute\" is not a player option"},
      {"volume\n", "line 1: volume needs N"},
      {"mute yes\n", "line 1: mute takes no value"},
      {"scale 5\n", "line 1: scale \"5\": not a scale"},
  };
  for (const auto& [text, message] : rows) {
    RPlayerOptions bad;
    EXPECT_FALSE(ParsePlayerConfig(text, bad, problem)) << text;
    EXPECT_EQ(problem.rfind(message, 0), 0u) << problem;
  }
}

TEST(PlayerOptions, CommandLineOverFileOverTheGamesSettings) {
  RPlayerOptions file, line;
  std::string problem;
  ASSERT_TRUE(ParsePlayerConfig("fullscreen\nscale 300\nvsync\n", file, problem));
  V game;
  ASSERT_TRUE(ParsePlayerOptions(V{"--windowed", "g"}, line, game, problem));
  const RPlayerOptions o = MergePlayerOptions(file, line);

  ROptions settings;
  settings.opt_fullscreen = true;
  settings.opt_scale = 100;
  settings.opt_vsync = false;
  settings.opt_interpolate = true;
  Option_Set(settings);
  ApplyPlayerSettings(o);
  EXPECT_FALSE(Options().opt_fullscreen);  // the command line over the file
  EXPECT_EQ(Options().opt_scale, 300);     // the file over the game
  EXPECT_TRUE(Options().opt_vsync);
  EXPECT_TRUE(Options().opt_interpolate);  // what nobody chose stays the game's

  // Nothing chosen: the game's settings as they are.
  Option_Set(settings);
  ApplyPlayerSettings(MergePlayerOptions({}, {}));
  EXPECT_TRUE(Options().opt_fullscreen);
  EXPECT_EQ(Options().opt_scale, 100);
}

// Relative input-script names mean the folder the runner was started in, from a flag or from
// the environment alike: the runner moves into the game's folder before it opens them.
TEST(PlayerOptions, InputScriptPathsAreTakenFromTheStartFolder) {
  const std::string here = std::filesystem::current_path().string();
  struct Case {
    const char* flag;  // --record and --replay ("" when not given)
    const char* env;   // RUNNER_RECORD and RUNNER_REPLAY before (null when unset)
    const char* want;  // both after, relative to here unless absolute (null when unset)
  };
  const Case cases[] = {
      {"", "in.txt", "in.txt"},
      {"", "sub/../in.txt", "sub/../in.txt"},
      {"", "/abs/in.txt", "/abs/in.txt"},
      {"a.txt", "b.txt", "a.txt"},  // the flag wins
      {"a.txt", nullptr, "a.txt"},
      {"", nullptr, nullptr},
      {"", "", ""},                 // empty: none
  };
  for (const Case& c : cases) {
    for (const char* name : {"RUNNER_RECORD", "RUNNER_REPLAY"}) {
      if (c.env)
        setenv(name, c.env, 1);
      else
        unsetenv(name);
    }
    RPlayerOptions o;
    o.record = o.replay = c.flag;
    ExportTestSwitches(o);
    for (const char* name : {"RUNNER_RECORD", "RUNNER_REPLAY"}) {
      const char* got = std::getenv(name);
      if (!c.want) {
        EXPECT_EQ(got, nullptr) << name;
        continue;
      }
      ASSERT_NE(got, nullptr) << name;
      const std::string want = *c.want == '/' || !*c.want ? c.want : here + "/" + c.want;
      EXPECT_EQ(got, want) << name << " from " << (c.env ? c.env : "(unset)") << ", flag " << c.flag;
    }
  }
  unsetenv("RUNNER_RECORD");
  unsetenv("RUNNER_REPLAY");
}

TEST(PlayerOptions, TheFileOfDefaultsLivesUnderTheUsersConfigFolder) {
  EXPECT_EQ(PlayerConfigPath("/x/cfg", "/home/p"), "/x/cfg/korvex-runner/options");
  EXPECT_EQ(PlayerConfigPath(nullptr, "/home/p"), "/home/p/.config/korvex-runner/options");
  EXPECT_EQ(PlayerConfigPath("relative", "/home/p"), "/home/p/.config/korvex-runner/options");
  EXPECT_EQ(PlayerConfigPath("", nullptr), "");
}

}  // namespace
