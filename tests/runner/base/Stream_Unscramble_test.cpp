#include "runner/base/Stream_Unscramble.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include "runner/base/Support_Stream.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Table = std::array<uint8_t, 256>;

Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

// The "E" block's unscrambling exactly as the rule states it, one byte at a time.
Bytes UnscrambleByRule(Bytes m, const Table& t) {
  Table u{};
  for (int k = 0; k < 256; ++k) u[t[k]] = static_cast<uint8_t>(k);
  const auto len = static_cast<int64_t>(m.size());
  for (int64_t i = len - 1; i >= 1; --i) m[i] = static_cast<uint8_t>((u[m[i]] - i - m[i - 1]) % 256);
  for (int64_t i = len - 1; i >= 0; --i) std::swap(m[i], m[std::max<int64_t>(0, i - t[i % 256])]);
  return m;
}

std::vector<std::pair<const char*, Table>> Tables() {
  Table identity, reversed, shuffled, rotated;
  std::iota(identity.begin(), identity.end(), 0);
  std::iota(reversed.rbegin(), reversed.rend(), 0);
  shuffled = identity;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5));
  for (int k = 0; k < 256; ++k) rotated[k] = static_cast<uint8_t>(k + 1);
  return {{"identity", identity}, {"reversed", reversed}, {"shuffled", shuffled}, {"rotated", rotated}};
}

}  // namespace

// Lengths on both sides of the 64-byte steps and the 256-byte rounds, where the wide loops hand
// over to their tails.
TEST(StreamUnscramble, EveryFormMatchesTheRule) {
  const int32_t lengths[] = {1, 2, 63, 64, 65, 66, 255, 256, 257, 510, 511, 512, 513, 767, 768, 1023, 1024, 1025,
                             1279, 4096 + 37, 70001};
  for (const auto& [name, t] : Tables()) {
    for (int32_t len : lengths) {
      const Bytes scrambled = RandomBytes(static_cast<size_t>(len), static_cast<uint32_t>(len) * 7 + t[3]);
      const Bytes expected = UnscrambleByRule(scrambled, t);
      for (EByteKernel kernel : {EByteKernel::Portable, EByteKernel::Wide}) {
        Bytes out(scrambled.size(), 0xEE);
        UnscrambleE(scrambled.data(), out.data(), len, t, kernel);
        EXPECT_EQ(out, expected) << name << " length " << len << " wide " << (kernel == EByteKernel::Wide);
      }
    }
  }
}

// The keystream in runs side by side against one generator word after word: short and long
// regions, starts and ends off the word grid, and seeds at the generators' edges (0 and
// a * 2^16 - 1 never move; the largest states take a few steps to come into range).
TEST(StreamUnscramble, KeystreamMatchesOneGenerator) {
  const uint32_t zm = 36969u * 65536 - 1, wm = 18000u * 65536 - 1;
  const std::pair<uint32_t, uint32_t> seeds[] = {
      {0, 0}, {1, 1}, {0xFFFFFFFFu, 0xFFFFFFFFu}, {zm, wm}, {zm + 1, wm + 1}, {zm - 1, wm - 1},
      {36969u * 65536 + 65535, 18000u * 65536 + 65535}, {0x12345678u, 0x9ABCDEF0u}, {0, 0xFFFFFFFFu}};
  const std::pair<int64_t, int64_t> ranges[] = {{6, 100}, {7, 16390}, {200, 4 * 4096 + 200}, {9, 4 * 4096 + 208},
                                                {261, 200001}, {0, 4 * 50000 + 3}};
  for (const auto& [z0, w0] : seeds) {
    for (const auto& [start, end] : ranges) {
      const Bytes plain = RandomBytes(static_cast<size_t>(end + 4), static_cast<uint32_t>(end) ^ z0);
      Bytes expected = plain;
      uint32_t z = z0, w = w0;
      for (int64_t i = start; i < end; i += 4) {
        uint32_t v;
        std::memcpy(&v, expected.data() + i, 4);
        v ^= LocalRandom(z, w);
        std::memcpy(expected.data() + i, &v, 4);
      }
      for (EByteKernel kernel : {EByteKernel::Portable, EByteKernel::Wide}) {
        Bytes out = plain;
        XorKeystream(out.data(), start, end, z0, w0, kernel);
        EXPECT_EQ(out, expected) << "seeds " << z0 << " " << w0 << " bytes " << start << ".." << end << " wide "
                                 << (kernel == EByteKernel::Wide);
      }
    }
  }
}
