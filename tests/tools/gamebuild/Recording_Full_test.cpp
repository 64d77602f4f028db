// The runner program writing an input recording onto a disk that fills up during the run: the
// first write that fails ends the game as an error end, status 1, with the recording named.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <map>
#include <string>

#include "tests/tools/gamebuild/GameFixture.h"

using namespace fixture;

namespace {

TEST(Recording, ADiskThatFillsUpMidRunEndsItWithStatusOne) {
  ScratchDir dir;
  Project project(std::map<std::string, std::string>{
      {"game.json", R"({"game_id": 7, "resources": {"rooms": ["rm_main"]}, "room_order": ["rm_main"]})"}});
  const fs::path game = project.Build();
  // A key pressed and released every step: the recording grows by about 30 bytes a step.
  std::ofstream replay(dir.path() / "keys.input");
  replay << "input 1\n";
  for (int step = 1; step <= 4000; ++step) replay << "step " << step << "\nkeydown 65\nkeyup 65\n";
  replay.close();
  // The limit stands for the full disk; with SIGXFSZ ignored the write simply fails (EFBIG).
  const fs::path record = dir.path() / "out.input";
  const std::string cmd = "cd " + dir.path().string() +
                          " && RUNNER_TEST_MODE=1 RUNNER_TEST_STEPS=4000 RUNNER_HEADLESS=1 RUNNER_REPLAY=" +
                          (dir.path() / "keys.input").string() + " RUNNER_RECORD=" + record.string() +
                          " timeout 300 sh -c \"trap '' XFSZ; ulimit -f 64; exec " TEST_BINARY_DIR
                          "/bin/runner " + game.string() + "\" 2>stderr.txt >/dev/null";
  const int status = std::system(cmd.c_str());
  const auto bytes = ReadBytes(dir.path() / "stderr.txt");
  const std::string err(bytes.begin(), bytes.end());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status << ": " << err;
  EXPECT_NE(err.find("Cannot write the input recording \"" + record.string() + "\"."), std::string::npos) << err;
  EXPECT_GT(fs::file_size(record), 1000u);  // it failed mid-run, not at the start
}

}  // namespace
