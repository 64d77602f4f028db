// Game code end to end: scripts, constants and library initialisation code written by
// gamebuild, loaded, compiled and run by the runner program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>

#include "GameFixture.h"

using namespace fixture;

namespace {
struct Outcome {
  int status;
  std::string err;
  std::string log;  // game_errors.log
};

// The scripted error window answers ignore unless told otherwise. The build leaves code faults
// in: what the runner does with them is under test here.
Outcome BuildAndRun(const Project& project, const std::string& answer = "ignore") {
  ScratchDir out;
  const std::string game = (out.path() / "game").string();
  const std::string gamebuild = TEST_BINARY_DIR "/bin/gamebuild";
  EXPECT_EQ(std::system((gamebuild + " " + project.path().string() + " -o " + game + " --data-only --no-code-check 2>/dev/null").c_str()), 0);
  const std::string errFile = (out.path() / "stderr.txt").string();
  const int status = std::system(
      ("cd " + out.path().string() + " && RUNNER_TEST_MODE=1 RUNNER_TEST_STEPS=2 SDL_VIDEODRIVER=offscreen RUNNER_ERROR_ANSWER=" + answer + " " TEST_BINARY_DIR "/bin/runner " + game + " 2>" + errFile + " >/dev/null").c_str());
  const auto text = ReadBytes(errFile);
  const fs::path logFile = out.path() / "game_errors.log";
  const auto log = fs::exists(logFile) ? ReadBytes(logFile) : std::vector<uint8_t>{};
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(text.begin(), text.end()),
          std::string(log.begin(), log.end())};
}

// One script, two constants (the second built on the first) and library initialisation code.
Outcome RunCode(const std::string& libinit, const std::string& script) {
  std::string json = GameJson("\"library_init\": [\"libinit/a.kvs\"]");
  json.replace(json.find("\"rooms\""), 0, "\"scripts\": [\"scr_add\"], ");
  const Project p({{"game.json", json},
                   {"constants.json", "[[\"BASE\", \"21\"], [\"TWICE\", \"2 * BASE\"]]\n"},
                   {"libinit/a.kvs", libinit},
                   {"scripts/scr_add.kvs", script}});
  return BuildAndRun(p);
}
}  // namespace

TEST(GameCode, LibraryInitCallsScriptsWithConstants) {
  const Outcome r = RunCode("show_error(\"sum=\" + string(scr_add(TWICE, 1)), false);\n",
                                        "return argument0 + argument1;\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("sum=43"), std::string::npos) << r.err;
}

TEST(GameCode, CompilationErrorsEndTheGame) {
  const Outcome script = RunCode("x = 1;\n", "return (;\n");
  EXPECT_NE(script.status, 0);
  EXPECT_NE(script.err.find("COMPILATION ERROR in Script: scr_add"), std::string::npos) << script.err;

  const Outcome init = RunCode("x = ;\n", "return 0;\n");
  EXPECT_NE(init.status, 0);
  EXPECT_NE(init.err.find("COMPILATION ERROR in library initialization code"), std::string::npos) << init.err;
}

TEST(GameCode, RunTimeErrorInAScriptIsShownAfterTheCall) {
  const Outcome r = RunCode("a = scr_add(1, 2);\n", "return missing_variable;\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("In script scr_add:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Unknown variable missing_variable"), std::string::npos) << r.err;
}

TEST(GameCode, AbortingInTheErrorWindowEndsTheGameWithStatusOne) {
  std::string json = GameJson("\"library_init\": [\"libinit/a.kvs\"], \"settings\": {\"logerrors\": true}");
  const Project p({{"game.json", json}, {"libinit/a.kvs", "show_error(\"first\", false); show_error(\"second\", false);\n"}});
  const Outcome r = BuildAndRun(p, "abort");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("first [abort]"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("second"), std::string::npos) << r.err;
  EXPECT_TRUE(r.log.starts_with("ERROR in\r\n")) << r.log;
  EXPECT_TRUE(r.log.ends_with("\r\n\r\nfirst\r\n\r\n\r\n")) << r.log;
}
