#include "runner/base/Load_Chunks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

// The first place a signature starts at or after from, one place after another.
int64_t FirstByScan(const std::vector<uint8_t>& b, size_t from) {
  for (size_t p = from; p + kSignatureSize <= b.size(); ++p)
    if (IsGameDataSignature(b.data() + p)) return static_cast<int64_t>(p);
  return -1;
}

// Bytes thick with the signature's marks and its near misses, so every way a candidate can fail
// is met many times: a lone 0xF7, a signature short of one byte, two signatures overlapping.
TEST(GameDataSignature, TheSearchFindsWhatAScanFinds) {
  const uint8_t signature[kSignatureSize] = {0xAA, 0x00, 0xBB, 0xF7, 0x67, 0xCC, 0x14, 0xDD};
  ASSERT_TRUE(IsGameDataSignature(signature));
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> b(rng() % 200);
    for (auto& x : b) x = (rng() % 3 == 0) ? 0xF7 : static_cast<uint8_t>(rng() % 4 == 0 ? 0 : rng());
    for (int k = static_cast<int>(rng() % 3); k > 0 && b.size() >= kSignatureSize; --k) {
      const size_t at = rng() % (b.size() - kSignatureSize + 1);
      std::memcpy(b.data() + at, signature, kSignatureSize);
      if (rng() % 2) b[at + (rng() % 4 == 0 ? 1 : 4 + 2 * (rng() % 2))] ^= 1;  // a near miss
    }
    for (size_t from = 0; from <= b.size() + 1; from += 1 + rng() % 5)
      EXPECT_EQ(FindGameDataSignatureFrom(b.data(), b.size(), from), FirstByScan(b, from))
          << "seed " << seed << " from " << from;
  }
}

}  // namespace
