// End-to-end games: each folder under tests/games/ holding a game.json is a project that is
// built with gamebuild and run by the runner in test mode; the files its expected/ folder
// holds must then exist in the game's folder with exactly that content. A test.json beside
// game.json may set "steps" (the step limit, default 100000), "seed", "status" (the expected
// exit status, default 0), "env" (more environment variables), "stderr" (the standard error
// the run must print, exactly: "" for a run that must say nothing) and "tolerance" (how far each
// colour channel of an expected .png image may be off, default 2: images are compared by their
// pixels, and a mismatch leaves the actual image in golden-out/). A folder with only a test.json
// plays a project kept elsewhere: "project" and "replay" (an input script) are paths from the
// source root. "build_files" maps places in the game's folder to files the build made (paths
// from the build root); when it names any, the project is copied to "project" in the game's
// folder first, so places under "project/" put built files into the project. GAMES_UPDATE=1 rewrites the expected files from the run (check every change by
// hand).
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runner/base/BM32_Bitmap.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

std::vector<std::string> GameNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(fs::path(TEST_SOURCE_DIR) / "tests/games"))
    if (fs::exists(e.path() / "game.json") || fs::exists(e.path() / "test.json")) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class Games : public ::testing::TestWithParam<std::string> {};

// Empty when the images match within the tolerance, else why not.
std::string CompareImages(const fs::path& actual, const fs::path& expected, int tolerance) {
  TBitmap32 a, e;
  if (!a.LoadFromImageFile(actual.string())) return "cannot read the image written";
  if (!e.LoadFromImageFile(expected.string())) return "cannot read the expected image";
  if (a.Width() != e.Width() || a.Height() != e.Height())
    return "size " + std::to_string(a.Width()) + "x" + std::to_string(a.Height()) + ", expected " +
           std::to_string(e.Width()) + "x" + std::to_string(e.Height());
  int64_t bad = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) {
      const uint32_t p = a.GetPixel(x, y), q = e.GetPixel(x, y);
      for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF)) > tolerance) {
          ++bad;
          break;
        }
    }
  return bad ? std::to_string(bad) + " pixels differ by more than " + std::to_string(tolerance) : "";
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_P(Games, RunToTheirExpectedFiles) {
  const fs::path here = fs::path(TEST_SOURCE_DIR) / "tests/games" / GetParam();
  const fs::path work = fs::path(TEST_BINARY_DIR) / "games" / GetParam();
  fs::remove_all(work);
  fs::create_directories(work);

  nlohmann::json settings = nlohmann::json::object();
  if (fs::exists(here / "test.json")) settings = nlohmann::json::parse(ReadFile(here / "test.json"));
  const fs::path project =
      settings.contains("project") ? fs::path(TEST_SOURCE_DIR) / settings["project"].get<std::string>() : here;
  const int64_t steps = settings.value("steps", int64_t{100000});
  const int64_t seed = settings.value("seed", int64_t{0});
  const int status = settings.value("status", 0);
  const int tolerance = settings.value("tolerance", 2);

  if (settings.contains("build_files")) {
    fs::copy(project, work / "project", fs::copy_options::recursive);
    for (const auto& [to, from] : settings["build_files"].items()) {
      fs::create_directories((work / to).parent_path());
      fs::copy_file(fs::path(TEST_BINARY_DIR) / from.get<std::string>(), work / to, fs::copy_options::overwrite_existing);
    }
  }
  const fs::path built = settings.contains("build_files") ? work / "project" : project;
  const fs::path game = work / "game.kvx";
  ASSERT_EQ(Shell(Quote(GAMEBUILD_EXE) + " " + Quote(built.string()) + " -o " + Quote(game.string()) +
                " --data-only 2>" + Quote((work / "gamebuild.txt").string())),
            0)
      << ReadFile(work / "gamebuild.txt");

  std::string env = "RUNNER_TEST_MODE=1 RUNNER_HEADLESS=1 RUNNER_TEST_STEPS=" + std::to_string(steps) +
                    " RUNNER_TEST_SEED=" + std::to_string(seed) +
                    // The registry store (and the high scores in it) of each run is its own.
                    " XDG_CONFIG_HOME=" + Quote((work / "config").string());
  if (settings.contains("replay"))
    env += " RUNNER_REPLAY=" + Quote((fs::path(TEST_SOURCE_DIR) / settings["replay"].get<std::string>()).string());
  if (settings.contains("env"))
    for (const auto& [k, v] : settings["env"].items()) env += " " + k + "=" + Quote(v.get<std::string>());
  const int got = Shell("cd " + Quote(work.string()) + " && env " + env + " " + Quote(RUNNER_EXE) +
                      " game.kvx >stdout.txt 2>stderr.txt");
  EXPECT_EQ(got, status) << ReadFile(work / "stderr.txt");
  if (settings.contains("stderr")) {
    EXPECT_EQ(ReadFile(work / "stderr.txt"), settings["stderr"].get<std::string>());
  }

  const fs::path expected = here / "expected";
  ASSERT_TRUE(fs::is_directory(expected)) << "no expected/ folder";
  for (const auto& e : fs::directory_iterator(expected)) {
    const fs::path produced = work / e.path().filename();
    if (std::getenv("GAMES_UPDATE")) {
      if (fs::exists(produced)) fs::copy_file(produced, e.path(), fs::copy_options::overwrite_existing);
      continue;
    }
    ASSERT_TRUE(fs::exists(produced)) << e.path().filename() << " was not written\n" << ReadFile(work / "stderr.txt");
    if (e.path().extension() != ".png") {
      EXPECT_EQ(ReadFile(produced), ReadFile(e.path())) << e.path().filename();
      continue;
    }
    const std::string why = CompareImages(produced, e.path(), tolerance);
    if (why.empty()) continue;
    const fs::path out = fs::path(TEST_BINARY_DIR) / "golden-out" /
                         (GetParam() + "." + e.path().stem().string() + ".actual.png");
    fs::create_directories(out.parent_path());
    fs::copy_file(produced, out, fs::copy_options::overwrite_existing);
    ADD_FAILURE() << e.path().filename() << ": " << why << "; the actual image is " << out;
  }
}

INSTANTIATE_TEST_SUITE_P(All, Games, ::testing::ValuesIn(GameNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
