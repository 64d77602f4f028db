// Whole games in the runner program, headless, in test mode (steps back to back): the cost of a
// step with many movers that draw nothing, of a step with many colliding movers, and of starting
// a tiny game up to its first step. Each game is built by gamebuild in the benchmark; the times
// are the runner process's processor time (user + system). A step's time is the difference
// between a run of many steps and a run of few, so loading and start-up fall out of it.
// BENCH_QUICK=1 runs small scenes with few steps, only to check that everything works.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "runner/base/BM32_Bitmap.h"
#include "tools/gamebuild/GameBuild.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {
bool Quick() { return std::getenv("BENCH_QUICK") != nullptr; }

fs::path Runner() {
  std::error_code ec;
  return fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "bin" / "runner";
}

// BENCH_SCENES=DIR builds the games there and keeps them, to profile the runner on them.
fs::path WorkDir() {
  static const fs::path dir = [] {
    if (const char* keep = std::getenv("BENCH_SCENES")) {
      fs::create_directories(keep);
      return fs::path(keep);
    }
    fs::path d = fs::temp_directory_path() / ("scene_bench_" + std::to_string(getpid()));
    fs::create_directories(d);
    std::atexit([] { fs::remove_all(fs::temp_directory_path() / ("scene_bench_" + std::to_string(getpid()))); });
    return d;
  }();
  return dir;
}

void WriteFile(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

// Builds the project described by files (relative name -> content) into NAME.game once.
fs::path Build(const std::string& name, const std::map<std::string, std::string>& files) {
  const fs::path game = WorkDir() / (name + ".game");
  if (fs::exists(game)) return game;
  const fs::path dir = WorkDir() / name;
  for (const auto& [file, text] : files) WriteFile(dir / file, text);
  const std::vector<uint8_t> png = TBitmap32(16, 16, 0xFF3070C0).SaveToPNG();
  WriteFile(dir / "sprites" / "spr_box" / "0.png", std::string(png.begin(), png.end()));
  WriteFile(dir / "sprites" / "spr_box.json", R"({"origin": [8, 8], "frames": ["spr_box/0.png"]})");
  gamebuild::BuildOptions options;
  options.project = dir;
  options.output = game;
  options.dataOnly = true;
  gamebuild::BuildGame(options);
  fs::remove_all(dir);
  return game;
}

std::string GameJson(const std::string& objects) {
  return R"({"format": 1, "game_id": 4242, "settings": {"showerrors": false},
    "resources": {"sprites": ["spr_box"], "objects": [)" + objects +
         R"(], "rooms": ["rm_main"]}, "room_order": ["rm_main"]})";
}

// Instances of the objects in turn on a grid spread over the whole room.
std::string Room(int32_t side, int32_t count, const std::vector<std::string>& objects) {
  std::string inst;
  const int32_t perRow = static_cast<int32_t>(std::ceil(std::sqrt(static_cast<double>(count))));
  for (int32_t i = 0; i < count; ++i) {
    const int32_t x = (i % perRow) * side / perRow, y = (i / perRow) * side / perRow;
    inst += std::string(i ? "," : "") + R"({"object": ")" + objects[static_cast<size_t>(i) % objects.size()] +
            R"(", "x": )" + std::to_string(x) + R"(, "y": )" + std::to_string(y) + "}";
  }
  return R"({"width": )" + std::to_string(side) + R"(, "height": )" + std::to_string(side) +
         R"(, "speed": 60, "instances": [)" + inst + "]}";
}

// N movers that draw nothing: the step event moves, wraps at the edges and counts.
fs::path Movers(int32_t count) {
  const std::string step =
      "x += dx; if (x >= room_width) x -= room_width; global.moved += 1;";
  return Build("movers_" + std::to_string(count),
               {{"game.json", GameJson(R"("obj_mover")")},
                {"objects/obj_mover.json",
                 R"({"visible": false, "events": {"create": "dx = 1 + (id mod 3); global.moved = 0;", "step": ")" +
                     step + R"("}})"},
                {"rooms/rm_main.json", Room(1024, count, {"obj_mover"})}});
}

// N movers of two objects in a room kept at one density; each collision counts.
fs::path Collisions(int32_t count) {
  const int32_t side = static_cast<int32_t>(45 * std::sqrt(static_cast<double>(count)));
  const std::string create = "speed = 2; direction = (id * 37) mod 360; global.hits = 0;";
  const std::string step =
      "if (x < 0) x += room_width else if (x >= room_width) x -= room_width;"
      " if (y < 0) y += room_width else if (y >= room_width) y -= room_width;";
  auto object = [&](const std::string& other) {
    return R"({"sprite": "spr_box", "visible": false, "events": {"create": ")" + create + R"(", "step": ")" + step +
           R"(", "collision:)" + other + R"(": "global.hits += 1;"}})";
  };
  return Build("collisions_" + std::to_string(count),
               {{"game.json", GameJson(R"("obj_red", "obj_blue")")},
                {"objects/obj_red.json", object("obj_blue")},
                {"objects/obj_blue.json", object("obj_red")},
                {"rooms/rm_main.json", Room(side, count, {"obj_red", "obj_blue"})}});
}

fs::path Tiny() {
  return Build("tiny", {{"game.json", GameJson(R"("obj_one")")},
                        {"objects/obj_one.json", R"({"sprite": "spr_box", "events": {"step": "x += 1;"}})"},
                        {"rooms/rm_main.json", Room(64, 1, {"obj_one"})}});
}

struct RunTimes {
  double cpu = -1;   // the process's processor time, ms; negative when it did not end well
  double wall = -1;  // from the spawn to the exit, ms
};

// Runs the game for the given number of steps.
RunTimes RunGameTimes(const fs::path& game, int32_t steps) {
  std::vector<std::string> env = {"RUNNER_TEST_MODE=1", "RUNNER_HEADLESS=1", "SDL_VIDEODRIVER=offscreen",
                                  "SDL_AUDIODRIVER=dummy", "ALSOFT_DRIVERS=null",
                                  "RUNNER_TEST_STEPS=" + std::to_string(steps)};
  for (char** e = environ; *e; ++e) {
    const std::string s = *e;
    if (s.rfind("PATH=", 0) == 0 || s.rfind("HOME=", 0) == 0 || s.rfind("TMPDIR=", 0) == 0) env.push_back(s);
  }
  std::vector<char*> envp;
  for (auto& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string exe = Runner().string(), arg = game.string();
  char* argv[] = {exe.data(), arg.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const auto start = std::chrono::steady_clock::now();
  const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return {};
  int status = 0;
  rusage use{};
  if (wait4(pid, &status, 0, &use) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return {ms(use.ru_utime) + ms(use.ru_stime), wall};
}

// The processor time in ms, or a negative number when the run did not end well.
double RunGame(const fs::path& game, int32_t steps) { return RunGameTimes(game, steps).cpu; }

// Per step: (a run of few + many steps - a run of few steps) / many.
void PerStep(benchmark::State& state, const fs::path& game, int32_t many) {
  const int32_t few = 2;
  for (auto _ : state) {
    const double a = RunGame(game, few), b = RunGame(game, few + many);
    if (a < 0 || b < 0) {
      state.SkipWithError("the runner failed");
      return;
    }
    state.SetIterationTime(std::max(0.0, b - a) / many / 1e3);
  }
}

void BM_Movers(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  PerStep(state, Movers(Quick() ? n / 100 : n), Quick() ? 2 : std::max(10, 1000000 / n));
}
BENCHMARK(BM_Movers)->Arg(1000)->Arg(10000)->Arg(50000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Collisions(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  PerStep(state, Collisions(Quick() ? n / 100 : n), Quick() ? 2 : std::max(10, 200000 / n));
}
BENCHMARK(BM_Collisions)->Arg(2000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// From process start to the end of the first step, and the exit: processor time, and the wall
// time (which holds the main window's start timer, 100 ms after the window exists). Each figure
// is the fastest of several runs: a large game's start is mostly fresh memory, and what the
// system charges for touching fresh pages the first time varies several times over from run to
// run of the same program on a shared machine, while the game's own work does not.
void StartUp(benchmark::State& state, const fs::path& game, bool wall) {
  constexpr int32_t kRuns = 7;
  for (auto _ : state) {
    double best = -1;
    for (int32_t i = 0; i < kRuns; ++i) {
      const RunTimes t = RunGameTimes(game, 1);
      if (t.cpu < 0) {
        state.SkipWithError("the runner failed");
        return;
      }
      const double ms = wall ? t.wall : t.cpu;
      if (best < 0 || ms < best) best = ms;
    }
    state.SetIterationTime(best / 1e3);
  }
}

void BM_StartUp(benchmark::State& state) { StartUp(state, Tiny(), false); }
BENCHMARK(BM_StartUp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StartUpWall(benchmark::State& state) { StartUp(state, Tiny(), true); }
BENCHMARK(BM_StartUpWall)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// The start-up of the movers games, through one step: loading and entering a room of N placed
// instances (each with a create event), which should grow linearly with N.
void BM_StartUpMovers(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  StartUp(state, Movers(Quick() ? n / 100 : n), false);
}
BENCHMARK(BM_StartUpMovers)->Arg(20000)->Arg(200000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
}  // namespace
