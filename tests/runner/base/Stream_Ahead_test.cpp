#include "runner/base/Stream_Ahead.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "runner/base/Support_Stream.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A stream of blocks as a chunk holds them: sizes from a few bytes to a few MiB, half text that
// packs well, half noise. Returns the offsets of the blocks' length fields.
std::vector<int32_t> WriteBlocks(CStream& s, int count) {
  std::mt19937 rng(3);
  std::vector<int32_t> offsets;
  for (int k = 0; k < count; ++k) {
    const size_t size = k % 37 == 5 ? (size_t{3} << 20) + k : rng() % 20000;
    Bytes content(size);
    for (size_t i = 0; i < size; ++i) content[i] = i < size / 2 ? static_cast<uint8_t>('a' + i % 7) : static_cast<uint8_t>(rng());
    CStream block(content);
    offsets.push_back(s.GetPosition());
    s.WriteStreamC(block);
  }
  s.SetPosition(0);
  return offsets;
}

// What a reader sees block after block: each content's size and CRC, or the error's message.
std::vector<std::string> ReadAll(CStream& s, int count, const std::function<int64_t(int)>& cap) {
  std::vector<std::string> seen;
  for (int k = 0; k < count; ++k) {
    try {
      CStream block = s.ReadStreamC(cap(k));
      seen.push_back(std::to_string(block.GetSize()) + " " + std::to_string(CalcCRC(block.Data(), block.GetSize())));
    } catch (const StreamError& e) {
      seen.push_back(std::string("error: ") + e.what());
    }
  }
  return seen;
}

}  // namespace

// Blocks inflated ahead come out as the reader's own inflating gives them, and a bad block
// among them fails at the same place with the same message, whatever the workers had done.
TEST(StreamAhead, ReaderSeesTheSameBlocksAndErrors) {
  constexpr int kBlocks = 160;
  CStream good;
  const std::vector<int32_t> offsets = WriteBlocks(good, kBlocks);
  const auto damage = [&](int block, auto&& change) {
    CStream s(good.Bytes());
    change(s.Data() + offsets[block]);
    return s;
  };
  const auto noCap = [](int) { return CStream::kMaxInflatedSize; };
  struct Case {
    const char* name;
    CStream stream;
    std::vector<int32_t> guess;
    std::function<int64_t(int)> cap;
    int64_t budget;  // 0: none
  };
  std::vector<int32_t> shifted = offsets;
  for (int32_t& at : shifted) at += at % 3 == 0 ? 1 : 0;
  std::vector<Case> cases;
  cases.push_back({"all good", CStream(good.Bytes()), offsets, noCap, 0});
  cases.push_back({"damaged data in the middle", damage(80, [](uint8_t* p) { p[4 + 12] ^= 0xFF, p[4 + 13] ^= 0x5A; }),
                   offsets, noCap, 0});
  cases.push_back({"checksum wrong in the middle", damage(81, [](uint8_t* p) {
                     int32_t n;
                     std::memcpy(&n, p, 4);
                     p[4 + n - 1] ^= 1;
                   }),
                   offsets, noCap, 0});
  cases.push_back({"second half of the data zeroed", damage(40, [](uint8_t* p) {
                     int32_t n;
                     std::memcpy(&n, p, 4);
                     std::memset(p + 4 + n / 2, 0, static_cast<size_t>(n - n / 2));
                   }),
                   offsets, noCap, 0});
  cases.push_back({"the load's budget runs out", CStream(good.Bytes()), offsets, noCap, int64_t{10} << 20});
  cases.push_back({"the reader's own cap is smaller", CStream(good.Bytes()), offsets,
                   [](int k) { return k % 37 == 5 ? int64_t{1} << 20 : CStream::kMaxInflatedSize; }, 0});
  cases.push_back({"a guess that is partly wrong", CStream(good.Bytes()), shifted, noCap, 0});
  for (Case& c : cases) {
    CStream plain(c.stream.Bytes());
    if (c.budget) plain.SetInflateBudget(c.budget);
    const std::vector<std::string> expected = ReadAll(plain, kBlocks, c.cap);
    for (int workers : {1, 3}) {
      CStream s(c.stream.Bytes());
      if (c.budget) s.SetInflateBudget(c.budget);
      CInflateAhead ahead(s, c.guess, workers);
      EXPECT_EQ(ReadAll(s, kBlocks, c.cap), expected) << c.name << ", " << workers << " workers";
    }
  }
}

// Changing or dropping the stream stops the workers first; the reader then inflates alone.
TEST(StreamAhead, ChangingTheStreamStopsTheWorkers) {
  CStream s;
  const std::vector<int32_t> offsets = WriteBlocks(s, 40);
  const Bytes bytes = s.Bytes();
  {
    CInflateAhead ahead(s, offsets, 2);
    s.ReadStreamC();
    s.SetPosition(s.GetSize());
    s.WriteInteger(7);  // may move the buffer
    s.SetPosition(offsets[1]);
    Bytes out;
    EXPECT_FALSE(ahead.Take(offsets[1], CStream::kMaxInflatedSize, out));
    EXPECT_GT(s.ReadStreamC().GetSize(), 0);
  }
  std::optional<CInflateAhead> ahead;
  {
    CStream t(bytes);
    ahead.emplace(t, offsets, 2);
  }  // the stream goes first
  Bytes out;
  EXPECT_FALSE(ahead->Take(offsets[0], CStream::kMaxInflatedSize, out));
}
