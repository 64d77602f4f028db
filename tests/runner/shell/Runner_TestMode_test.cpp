// The test mode's numbers from the environment: what is taken, and what refuses the run.
#include <gtest/gtest.h>

#include "runner/shell/Runner_TestMode.h"

namespace {

TEST(TestModeSettings, NumbersTakenOrRefused) {
  struct Row {
    const char* seed;
    const char* steps;
    bool ok;
    uint32_t wantSeed;
    int64_t wantSteps;
  };
  const Row rows[] = {
      {nullptr, nullptr, true, 0, -1},
      {"", "", true, 0, -1},  // set but empty counts as unset
      {"42", "300", true, 42, 300},
      {"4294967295", "0", true, 4294967295u, 0},
      {"4294967296", nullptr, false, 0, -1},  // above the seed's range
      {"-1", nullptr, false, 0, -1},
      {"12x", nullptr, false, 0, -1},
      {" 1", nullptr, false, 0, -1},
      {nullptr, "-5", false, 0, -1},  // was taken as "no limit"
      {nullptr, "+5", false, 0, -1},
      {nullptr, "1e3", false, 0, -1},
      {nullptr, "99999999999999999999", false, 0, -1},
  };
  for (const Row& r : rows) {
    RTestMode mode;
    std::string problem;
    const bool ok = ParseTestMode(true, r.seed, r.steps, mode, problem);
    const std::string where = std::string(r.seed ? r.seed : "(unset)") + " / " + (r.steps ? r.steps : "(unset)");
    ASSERT_EQ(ok, r.ok) << where;
    if (!ok) {
      const char* named = r.seed && *r.seed && r.steps == nullptr ? "RUNNER_TEST_SEED=\"" : "RUNNER_TEST_STEPS=\"";
      EXPECT_EQ(problem.rfind(named, 0), 0u) << where << ": " << problem;
      continue;
    }
    EXPECT_EQ(mode.seed, r.wantSeed) << where;
    EXPECT_EQ(mode.maxSteps, r.wantSteps) << where;
  }
}

TEST(TestModeSettings, NumbersOutsideTestModeAreRefused) {
  struct Row {
    const char* seed;
    const char* steps;
    const char* problem;  // empty: taken (and nothing in force)
  };
  const Row rows[] = {
      {nullptr, nullptr, ""},
      {"", "", ""},
      {"7", nullptr, "RUNNER_TEST_SEED=\"7\" is set but test mode is off: set RUNNER_TEST_MODE=1 as well"},
      {nullptr, "300", "RUNNER_TEST_STEPS=\"300\" is set but test mode is off: set RUNNER_TEST_MODE=1 as well"},
      {"", "junk", "RUNNER_TEST_STEPS=\"junk\" is set but test mode is off: set RUNNER_TEST_MODE=1 as well"},
  };
  for (const Row& r : rows) {
    RTestMode mode;
    std::string problem;
    EXPECT_EQ(ParseTestMode(false, r.seed, r.steps, mode, problem), *r.problem == '\0') << r.problem;
    EXPECT_EQ(problem, r.problem);
    EXPECT_FALSE(mode.on);
    EXPECT_EQ(mode.maxSteps, -1);
  }
}

}  // namespace
