// The built runner program end to end: usage, version, game-file errors and exit statuses.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;
  std::string out, err;
};

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Runs the runner with the given arguments; the environment is ours plus overrides, and
// anything the runner leaves in a temporary folder lands under tmp.
Result RunRunner(const std::vector<std::string>& args, const TempFolder& tmp,
                 const std::vector<std::string>& extraEnv = {}) {
  const std::string runner = TEST_BINARY_DIR "/bin/runner";
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string_view v = *e;
    if (v.starts_with("TMPDIR=") || v.starts_with("ZTLOG_TRACE=") || v.starts_with("RUNNER_")) continue;
    env.emplace_back(v);
  }
  env.push_back("TMPDIR=" + tmp.str());
  env.push_back("RUNNER_TEST_MODE=1");
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());

  std::vector<char*> argv{const_cast<char*>(runner.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  const fs::path out = tmp.path / "stdout.txt", err = tmp.path / "stderr.txt";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  Result r;
  const int rc = posix_spawn(&pid, runner.c_str(), &fa, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) {
    r.err = std::strerror(rc);
    return r;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) == -1 && errno == EINTR) {
  }
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = Slurp(out);
  r.err = Slurp(err);
  fs::remove(out);
  fs::remove(err);
  return r;
}

}  // namespace

TEST(RunnerProgram, HelpAndVersionPrintToStandardOutput) {
  TempFolder tmp;
  Result help = RunRunner({"--help"}, tmp);
  EXPECT_EQ(help.status, 0) << help.err;
  EXPECT_NE(help.out.find("Usage: runner"), std::string::npos) << help.out;
  EXPECT_EQ(help.err, "");

  Result version = RunRunner({"--version"}, tmp);
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, std::string("runner ") + RUNNER_VERSION + "\n");
}

TEST(RunnerProgram, NoArgumentsGivesUsageOnStandardErrorAndStatusTwo) {
  TempFolder tmp;
  Result r = RunRunner({}, tmp);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Usage: runner"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST(RunnerProgram, AMissingGameFileIsNamedInTheError) {
  TempFolder tmp;
  const std::string missing = (tmp.path / "no-such-game.kvx").string();
  for (const std::vector<std::string>& args : {std::vector<std::string>{missing},
                                                std::vector<std::string>{"--ZTTrace", missing},
                                                std::vector<std::string>{tmp.str()}}) {
    Result r = RunRunner(args, tmp);
    EXPECT_NE(r.status, 0) << args.back();
    EXPECT_NE(r.err.find("\"" + args.back() + "\""), std::string::npos) << r.err;
  }
}

TEST(RunnerProgram, AFileWithoutGameDataFailsWithStatusOneAndLeavesNoTemporaryDirectory) {
  TempFolder tmp;
  TempFolder games;
  const fs::path game = games.path / "junk.kvx";
  std::ofstream(game, std::ios::binary) << "not a game";
  // With whatever SDL video the environment offers, and with none at all.
  for (const std::vector<std::string>& env : {std::vector<std::string>{}, std::vector<std::string>{"RUNNER_HEADLESS=1"}}) {
    Result r = RunRunner({game.string()}, tmp, env);
    EXPECT_EQ(r.status, 1) << r.err;
    for (const auto& e : fs::directory_iterator(tmp.path))
      EXPECT_EQ(e.path().filename().string().rfind("kv_ttt_", 0), std::string::npos) << e.path();
  }
}

// What refuses a run before anything starts: a game file that is not a regular file (a FIFO
// would block the open for ever), and test-mode numbers that cannot be used.
TEST(RunnerProgram, UnusableGameFilesAndTestNumbersAreRefused) {
  TempFolder tmp;
  TempFolder games;
  const fs::path fifo = games.path / "fifo.kvx";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Result r = RunRunner({fifo.string()}, tmp);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "runner: cannot open game file \"" + fifo.string() + "\": not a regular file\n");

  const fs::path game = games.path / "junk.kvx";
  std::ofstream(game, std::ios::binary) << "not a game";
  const std::pair<std::string, std::string> rows[] = {
      {"RUNNER_TEST_STEPS=-1", "runner: RUNNER_TEST_STEPS=\"-1\" is not a number of steps"},
      {"RUNNER_TEST_STEPS=ten", "runner: RUNNER_TEST_STEPS=\"ten\" is not a number of steps"},
      {"RUNNER_TEST_SEED=4294967296", "runner: RUNNER_TEST_SEED=\"4294967296\" is not a number 0..4294967295"},
  };
  for (const auto& [env, message] : rows) {
    Result bad = RunRunner({game.string()}, tmp, {env});
    EXPECT_EQ(bad.status, 2) << env;
    EXPECT_EQ(bad.err.rfind(message, 0), 0u) << bad.err;
  }
}

// The player's options reach the program: --help names each, and what cannot be used refuses
// the run with one line before anything starts, whether on the command line or in the file of
// defaults.
TEST(RunnerProgram, PlayerOptionsAreListedAndUnusableOnesRefused) {
  TempFolder tmp;
  Result help = RunRunner({"--help"}, tmp);
  for (const char* name : {"--fullscreen", "--windowed", "--scale N", "--vsync", "--no-vsync", "--mute", "--volume N",
                           "--test-mode", "--steps N", "--seed N", "--record FILE", "--replay FILE", "--headless",
                           "korvex-runner/options", "RUNNER_SOUNDFONT"})
    EXPECT_NE(help.out.find(name), std::string::npos) << name;

  TempFolder games;
  const fs::path game = games.path / "junk.kvx";
  std::ofstream(game, std::ios::binary) << "not a game";
  const fs::path config = tmp.path / "config";
  fs::create_directories(config / "korvex-runner");
  const std::string xdg = "XDG_CONFIG_HOME=" + config.string();
  struct Row {
    std::vector<std::string> args;
    std::string configText;
    std::string message;
  };
  const Row rows[] = {
      {{game.string(), "--fullscreen"}, "", "runner: option --fullscreen after the game file: options go before it\n"},
      {{"--volume", "loud", game.string()}, "", "runner: --volume \"loud\": not a volume 0..100\n"},
      {{game.string()}, "mute\nshout\n",
       "runner: " + (config / "korvex-runner/options").string() + ": line 2: \"shout\" is not a player option\n"},
  };
  for (const Row& r : rows) {
    std::ofstream(config / "korvex-runner/options") << r.configText;
    Result bad = RunRunner(r.args, tmp, {xdg});
    EXPECT_EQ(bad.status, 2) << r.message;
    EXPECT_EQ(bad.err, r.message);
  }
  // A good file and good options pass on to the game (which here is junk: status 1).
  std::ofstream(config / "korvex-runner/options") << "# mine\nscale fit\nvolume 50\n";
  Result ok = RunRunner({"--windowed", "--steps", "5", game.string()}, tmp, {xdg});
  EXPECT_EQ(ok.status, 1) << ok.err;
}
