// Termination signals end a running game in order, whatever the game is doing: its end event
// runs, the temporary directory goes, and the exit status says a signal ended it. A closed
// standard error does not kill the runner.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// A one-object project whose step does what the row says; its create event writes
// "started.txt" and its end event "ended.txt".
fs::path BuildGame(const fs::path& work, const std::string& step, const std::string& settings) {
  const fs::path project = work / "project";
  fs::create_directories(project / "objects");
  fs::create_directories(project / "rooms");
  std::ofstream(project / "game.json") << R"({"game_id": 9, "settings": )" << settings
                                       << R"(, "resources": {"objects": ["o"], "rooms": ["r"]}, "room_order": ["r"]})";
  std::ofstream(project / "objects/o.json")
      << R"({"events": {"create": "var f; f = file_text_open_write(\"started.txt\"); file_text_close(f);", "step": ")"
      << step
      << R"(", "other:game_end": "var f; f = file_text_open_write(\"ended.txt\"); file_text_close(f);"}})";
  std::ofstream(project / "rooms/r.json") << R"({"instances": [{"object": "o"}]})";
  const fs::path game = work / "game.kvx";
  const std::string build = std::string(GAMEBUILD_EXE) + " '" + project.string() + "' -o '" + game.string() + "' --data-only";
  EXPECT_EQ(std::system(build.c_str()), 0);
  return game;
}

// Starts the runner in work, with its temporary directories under work/temp.
pid_t Start(const fs::path& work, const fs::path& game) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(work.c_str()) != 0) _exit(120);
    setenv("TMPDIR", (work / "temp").c_str(), 1);
    setenv("RUNNER_HEADLESS", "1", 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    unsetenv("RUNNER_TEST_MODE");
    for (int s : {SIGTERM, SIGINT, SIGHUP}) signal(s, SIG_DFL);
    execl(RUNNER_EXE, RUNNER_EXE, game.c_str(), static_cast<char*>(nullptr));
    _exit(121);
  }
  return pid;
}

// Polls for a condition a generous while; a guard against a hang, not a measure of speed.
template <typename F>
bool Eventually(F done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

TEST(Signals, EndTheGameInOrderWhateverItDoes) {
  struct Row {
    const char* name;
    const char* step;
    const char* settings;
    int signal;
  };
  const Row rows[] = {
      {"busy_loop", "while (true) { x += 1; }", "{}", SIGTERM},
      {"long_sleep", "sleep(100000000);", "{}", SIGINT},
      {"keyboard_wait", "keyboard_wait();", "{}", SIGHUP},
      {"escape_disabled", "x += 1;", R"({"keyesc": false})", SIGTERM},
      {"busy_for_and_repeat", "for (i = 0; i >= 0; i += 1) { repeat (10) { x += 1; } }", "{}", SIGTERM},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const fs::path work = fs::path(TEST_BINARY_DIR) / "signals" / r.name;
    fs::remove_all(work);
    fs::create_directories(work / "temp");
    const fs::path game = BuildGame(work, r.step, r.settings);
    const pid_t pid = Start(work, game);
    ASSERT_GT(pid, 0);
    const bool started = Eventually([&] { return fs::exists(work / "started.txt"); });
    if (started) kill(pid, r.signal);
    int status = 0;
    const bool ended = Eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    ASSERT_TRUE(started && ended);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + r.signal);
    EXPECT_TRUE(fs::exists(work / "ended.txt"));
    EXPECT_TRUE(fs::is_empty(work / "temp"));
  }
}

// A closed standard error: messages fail to be written, the game plays on and ends normally.
TEST(Signals, ClosedStandardErrorDoesNotKill) {
  const fs::path work = fs::path(TEST_BINARY_DIR) / "signals" / "closed_stderr";
  fs::remove_all(work);
  fs::create_directories(work / "temp");
  const fs::path game =
      BuildGame(work, "show_error(\\\"to a closed stream\\\", false); show_error(\\\"and again\\\", false); game_end();", "{}");
  const std::string command = "cd '" + work.string() + "' && (RUNNER_TEST_MODE=1 RUNNER_HEADLESS=1 RUNNER_ERROR_ANSWER=ignore TMPDIR=temp '" +
                              RUNNER_EXE + "' game.kvx; echo $? >status.txt) 2>&1 | true";
  std::system(command.c_str());
  EXPECT_EQ(Slurp(work / "status.txt"), "0\n");
  EXPECT_TRUE(fs::exists(work / "ended.txt"));
}

}  // namespace
