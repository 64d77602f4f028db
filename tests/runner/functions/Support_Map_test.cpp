// The map's index of keys against its searches. A twin map gets the same operations plus a text
// key, which sorts after every real and keeps the twin off the index and off the ascending
// searches for good, so it answers everything by halving. Long random runs of additions,
// deletions, replacements and searches over whole keys, fractions, keys within the precision of
// each other, -0 and infinities, under changing precisions, must give the same answers and the
// same order from both while the keys stay reals in ascending order, the only time the index is
// used; a run whose keys leave that order starts again from empty maps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "runner/functions/Support_Data_Structures.h"

namespace {

std::string Text(const RValue* v) {
  if (!v) return "none";
  if (v->IsString()) return "'" + std::string(v->str()) + "'";
  return std::to_string(v->val()) + (std::signbit(v->val()) ? "-" : "+");
}

// The entries in order, the twin's text key left out.
std::string Order(const CDS_Map& m) {
  std::string s;
  m.ForEach([&](const RValue& k, const RValue& v) {
    if (k.IsReal()) s += Text(&k) + "=" + Text(&v) + " ";
  });
  return s;
}

bool Ascending(const CDS_Map& m) {
  bool ok = true, first = true;
  double prev = 0;
  m.ForEach([&](const RValue& k, const RValue&) {
    ok = ok && k.IsReal() && !std::isnan(k.val()) && (first || prev < k.val());
    prev = k.val();
    first = false;
  });
  return ok;
}

// Keys drawn so that runs meet every way of answering: whole keys (the index's sure absences),
// fractions and near-equal keys (searches), -0 and infinities.
RValue DrawKey(std::mt19937& rng, int32_t spread, bool plain) {
  const int32_t pick = static_cast<int32_t>(rng() % 100);
  const double whole = static_cast<double>(static_cast<int32_t>(rng() % static_cast<uint32_t>(spread)) - spread / 4);
  if (plain || pick < 70) return RValue(whole);
  if (pick < 82) return RValue(whole + 0.5);
  if (pick < 92) return RValue(whole + 0.000000004 * static_cast<double>(rng() % 3));
  if (pick < 96) return RValue(-0.0);
  return RValue(std::numeric_limits<double>::infinity() * (rng() % 2 ? 1 : -1));
}

TEST(MapIndex, AgreesWithTheSearches) {
  const double precisions[] = {0.00000001, 0.00000001, 0.5, 0.000000003, 0, 2, 0.00000001};
  int32_t restarts = 0;
  for (uint32_t seed = 1; seed <= 24; ++seed) {
    std::mt19937 rng(seed);
    // Half the runs keep to whole keys, so the index stays in use throughout.
    const bool plain = seed % 2 == 0;
    const int32_t spread = seed % 3 == 0 ? 40 : 600;
    CDS_Map m, twin;
    DsCompare cmp;
    const RValue text("~");
    twin.Add(text, text, cmp);
    for (int32_t step = 0; step < 4000; ++step) {
      SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
      if (step % 500 == 499) cmp.precision = precisions[rng() % std::size(precisions)];
      const RValue k = DrawKey(rng, spread, plain);
      const RValue v(static_cast<double>(step));
      switch (rng() % 8) {
        case 0:
        case 1:
        case 2: {
          // A game's usual add: only when the key is not there yet.
          const bool there = m.Find(k, cmp) != nullptr;
          ASSERT_EQ(there, twin.Find(k, cmp) != nullptr);
          if (!there || rng() % 8 == 0) {
            m.Add(k, v, cmp);
            twin.Add(k, v, cmp);
          }
          break;
        }
        case 3: ASSERT_EQ(m.Delete(k, cmp), twin.Delete(k, cmp)); break;
        case 4:
          if (RValue* x = m.Find(k, cmp)) *x = v;
          if (RValue* y = twin.Find(k, cmp)) *y = v;
          break;
        case 5: {
          const RValue* p = m.Previous(k, cmp);
          ASSERT_EQ(Text(p), Text(twin.Previous(k, cmp)));
          break;
        }
        default: ASSERT_EQ(Text(m.Find(k, cmp)), Text(twin.Find(k, cmp)));
      }
      ASSERT_EQ(m.Size() + 1, twin.Size());
      if (step % 100 == 0 || !Ascending(m)) {
        ASSERT_EQ(Order(m), Order(twin));
      }
      if (!Ascending(m)) {
        ++restarts;
        m.Clear();
        twin.Clear();
        twin.Add(text, text, cmp);
      }
    }
    ASSERT_EQ(Order(m), Order(twin));
    // A copy and a map read back from the text answer as the original does.
    CDS_Map copy;
    copy = m;
    CDS_Map read;
    ASSERT_TRUE(read.Read(m.Write()));
    ASSERT_EQ(read.Write(), m.Write());
    for (int32_t i = 0; i < 300; ++i) {
      const RValue k = DrawKey(rng, spread, plain);
      const std::string want = Text(twin.Find(k, cmp));
      ASSERT_EQ(Text(m.Find(k, cmp)), want);
      ASSERT_EQ(Text(copy.Find(k, cmp)), want);
      ASSERT_EQ(Text(read.Find(k, cmp)), want);
    }
  }
  // The runs did leave the ascending order now and then, so both ways were crossed.
  EXPECT_GT(restarts, 0);
}

// Deleting every key and adding them again reuses the freed entries: nothing of the old values
// shows through, and the index finds the new ones.
TEST(MapIndex, EntriesAreReused) {
  CDS_Map m;
  DsCompare cmp;
  for (int32_t round = 0; round < 3; ++round) {
    for (int32_t i = 0; i < 500; ++i) m.Add(RValue(static_cast<double>(i)), RValue("v" + std::to_string(round * 1000 + i)), cmp);
    for (int32_t i = 0; i < 500; i += 7) ASSERT_EQ(Text(m.Find(RValue(static_cast<double>(i)), cmp)), "'v" + std::to_string(round * 1000 + i) + "'");
    ASSERT_EQ(m.Find(RValue(500.0), cmp), nullptr);
    for (int32_t i = 499; i >= 0; --i) ASSERT_TRUE(m.Delete(RValue(static_cast<double>(i)), cmp));
    ASSERT_EQ(m.Size(), 0);
    ASSERT_EQ(m.Find(RValue(3.0), cmp), nullptr);
  }
  m.Add(RValue(1.0), RValue(1.0), cmp);
  m.Clear();
  ASSERT_EQ(m.Find(RValue(1.0), cmp), nullptr);
  ASSERT_EQ(m.First(), nullptr);
}

}  // namespace
