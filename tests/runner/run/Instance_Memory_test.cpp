// The instance blocks: instances one after the other in the order they are made, memory handed
// back reused, blocks returned when empty, and instances that outlive the game that made them.
#include "runner/run/Instance_Memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "platform/process/Memory.h"
#include "runner/run/Instance_Class.h"

namespace {

uintptr_t At(const CInstance* i) { return reinterpret_cast<uintptr_t>(i); }
uintptr_t BlockAt(const CInstance* i) { return At(i) & ~(uintptr_t{platform::kLargePageBytes} - 1); }

TEST(InstanceMemory, InstancesFollowOneAnotherAndReuseWhatWasFreed) {
  std::vector<std::unique_ptr<CInstance>> made;
  for (int32_t i = 0; i < 4; ++i) made.push_back(std::make_unique<CInstance>(i, 0, 100001 + i, -1));
  const uintptr_t slot = At(made[1].get()) - At(made[0].get());
  EXPECT_GE(slot, sizeof(CInstance));
  EXPECT_EQ(slot % 64, 0u);
  for (size_t i = 1; i < made.size(); ++i) EXPECT_EQ(At(made[i].get()) - At(made[i - 1].get()), slot);
  const uintptr_t second = At(made[1].get());
  made[1].reset();
  auto again = std::make_unique<CInstance>(5, 5, 100009, -1);
  EXPECT_EQ(At(again.get()), second);
  EXPECT_DOUBLE_EQ(again->i_x, 5);  // made afresh in the old place
  EXPECT_EQ(again->i_id, 100009);
}

TEST(InstanceMemory, ManyInstancesSpanBlocksThatGoBackWhenEmpty) {
  RInstanceMemoryState& st = TheGame().State<RInstanceMemoryState>();
  std::vector<std::unique_ptr<CInstance>> made;
  std::set<uintptr_t> places, blocks;
  for (int32_t i = 0; i < 12000; ++i) {
    made.push_back(std::make_unique<CInstance>(i, i, 100001 + i, -1));
    places.insert(At(made.back().get()));
    blocks.insert(BlockAt(made.back().get()));
    EXPECT_EQ(At(made.back().get()) % 64, 0u);
  }
  EXPECT_EQ(places.size(), made.size());
  EXPECT_GE(blocks.size(), 3u);
  EXPECT_EQ(st.blocks.size(), blocks.size());
  for (int32_t i = 0; i < 12000; ++i) ASSERT_DOUBLE_EQ(made[static_cast<size_t>(i)]->i_y, i);  // none overlaps
  made.clear();
  EXPECT_EQ(st.blocks.size(), 1u);  // only the block new instances go to stays
}

TEST(InstanceMemory, AnInstanceMayOutliveItsGame) {
  std::unique_ptr<CInstance> kept;
  {
    GameScope scope;
    kept = std::make_unique<CInstance>(1, 2, 100001, -1);
    auto gone = std::make_unique<CInstance>(3, 4, 100002, -1);
  }
  EXPECT_DOUBLE_EQ(kept->i_y, 2);
  kept.reset();  // its block goes back with it
  auto fresh = std::make_unique<CInstance>(5, 6, 100003, -1);
  EXPECT_DOUBLE_EQ(fresh->i_x, 5);
}

}  // namespace
