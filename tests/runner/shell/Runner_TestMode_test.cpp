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
  // Outside test mode the variables are not read at all.
  RTestMode mode;
  std::string problem;
  EXPECT_TRUE(ParseTestMode(false, "junk", "junk", mode, problem));
  EXPECT_FALSE(mode.on);
  EXPECT_EQ(mode.maxSteps, -1);
}

}  // namespace
