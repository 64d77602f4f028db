// The entry of every test program: each test plays in a fresh game of its own, so no state of
// one test leaks into the next.
#include <gtest/gtest.h>

#include <memory>

#include "runner/base/Game.h"

namespace {
class FreshGamePerTest : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { scope_ = std::make_unique<GameScope>(); }
  void OnTestEnd(const testing::TestInfo&) override { scope_.reset(); }
  std::unique_ptr<GameScope> scope_;
};
}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new FreshGamePerTest);
  return RUN_ALL_TESTS();
}
