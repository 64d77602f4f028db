// Saved-game formats of variable lists and the global store: exact layout, round trips, and
// damaged input (wrong versions, truncation, absurd counts).
#include <gtest/gtest.h>

#include "runner/code/Variable_Class.h"
#include "runner/code/Variable_Main.h"
#include "runner/base/Support_Stream.h"

namespace {
CVariableList Sample() {
  CVariableList l;
  l.SetVar(100007, 0, RValue(1.5));
  l.SetVar(3, 2 * kArrayDim + 1, RValue("\xC3\xA9t\xC3\xA9"));
  l.SetVar(100001, 4, RValue(""));
  l.Init(100002);
  l.SetVar(100007, 1, RValue(-2.0));
  return l;
}

void ExpectSame(const CVariableList& a, const CVariableList& b) {
  ASSERT_EQ(a.v_numb(), b.v_numb());
  auto same = [](const RValue& x, const RValue& y) {
    EXPECT_EQ(x.kind(), y.kind());
    EXPECT_EQ(x.val(), y.val());
    EXPECT_EQ(x.str(), y.str());
  };
  for (size_t i = 0; i < a.v_vars.size(); ++i) {
    const RVariable &x = a.v_vars[i], &y = b.v_vars[i];
    EXPECT_EQ(x.ind, y.ind);
    same(x.simplevalue, y.simplevalue);
    ASSERT_EQ(x.value.size(), y.value.size());
    for (size_t r = 0; r < x.value.size(); ++r) {
      ASSERT_EQ(x.value[r].size(), y.value[r].size());
      for (size_t c = 0; c < x.value[r].size(); ++c) same(x.value[r][c], y.value[r][c]);
    }
  }
}

CStream Saved(const CVariableList& l) {
  CStream s;
  l.SaveToStream(s);
  s.SetPosition(0);
  return s;
}
}  // namespace

TEST(VariableStream, ExactLayout) {
  CVariableList l;
  l.SetVar(100000, 0, RValue("ab"));
  l.SetVar(5, 1, RValue(2.0));
  CStream want;
  want.WriteInteger(440);
  want.WriteInteger(2);
  want.WriteInteger(100000);                                   // id
  want.WriteInteger(1), want.WriteReal(0), want.WriteString("ab");  // simple value
  want.WriteInteger(0);                                        // no rows
  want.WriteInteger(5);
  want.WriteInteger(0), want.WriteReal(0), want.WriteString("");
  want.WriteInteger(1);  // one row of two: the phantom [0] and [1]
  want.WriteInteger(2);
  want.WriteInteger(0), want.WriteReal(0), want.WriteString("");
  want.WriteInteger(0), want.WriteReal(2), want.WriteString("");
  EXPECT_EQ(Saved(l).Bytes(), want.Bytes());
}

TEST(VariableStream, RoundTripReproducesTheListExactly) {
  CVariableList l = Sample();
  CStream s = Saved(l);
  CVariableList back;
  back.SetVar(1, 0, RValue(9.0));  // loading clears first
  back.LoadFromStream(s);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  ExpectSame(l, back);
  EXPECT_EQ(Saved(back).Bytes(), s.Bytes());
}

TEST(VariableStream, WrongVersionLeavesAnEmptyListAndReadsNothingMore) {
  CStream s;
  s.WriteInteger(441);
  s.WriteInteger(1);
  s.SetPosition(0);
  CVariableList l = Sample();
  l.LoadFromStream(s);
  EXPECT_EQ(l.v_numb(), 0);
  EXPECT_EQ(s.GetPosition(), 4);
}

TEST(VariableStream, EveryTruncationFailsCleanly) {
  CStream full = Saved(Sample());
  for (int32_t n = 4; n < full.GetSize(); ++n) {
    std::vector<uint8_t> cut(full.Bytes().begin(), full.Bytes().begin() + n);
    CStream s(cut);
    CVariableList l;
    EXPECT_THROW(l.LoadFromStream(s), StreamError) << n;
    EXPECT_EQ(l.v_numb(), 0) << n;
  }
}

TEST(VariableStream, AbsurdCountsAreRefusedBeforeAllocating) {
  struct {
    int32_t count, rows, length;
  } cases[] = {{INT32_MAX, 0, 0}, {-1, 0, 0}, {1, 32001, 0}, {1, -5, 0}, {1, 1, 32001}, {1, 1, INT32_MAX}};
  for (auto c : cases) {
    CStream s;
    s.WriteInteger(440);
    s.WriteInteger(c.count);
    s.WriteInteger(100000);
    s.WriteInteger(0), s.WriteReal(0), s.WriteString("");
    s.WriteInteger(c.rows);
    s.WriteInteger(c.length);
    for (int i = 0; i < 64; ++i) s.WriteInteger(0);
    s.SetPosition(0);
    CVariableList l;
    EXPECT_THROW(l.LoadFromStream(s), StreamError) << c.count << " " << c.rows << " " << c.length;
    EXPECT_EQ(l.v_numb(), 0);
  }
}

TEST(VariableStream, RepeatedIdsAreDamage) {
  CStream s;
  s.WriteInteger(440);
  s.WriteInteger(2);
  for (int i = 0; i < 2; ++i) {
    s.WriteInteger(100000);
    s.WriteInteger(0), s.WriteReal(i), s.WriteString("");
    s.WriteInteger(0);
  }
  s.SetPosition(0);
  CVariableList l;
  EXPECT_THROW(l.LoadFromStream(s), StreamError);
  EXPECT_EQ(l.v_numb(), 0);
}

TEST(VariableStream, UnknownValueKindsReadAsReals) {
  CStream s;
  s.WriteInteger(7), s.WriteReal(3.25), s.WriteString("ignored");
  s.SetPosition(0);
  RValue v = ReadValue(s);
  EXPECT_TRUE(v.IsReal());
  EXPECT_EQ(v.val(), 3.25);
}

TEST(GlobalStream, RoundTripWithFlags) {
  CGlobalVars g;
  g.Reset();
  g.Declare(100004);
  g.Declare(112000);  // grows the flags
  g.Set(100004, 0, RValue("x"));
  g.Set(100009, 3, RValue(1.0));
  CStream s;
  g.SaveToStream(s);
  s.SetPosition(0);

  CGlobalVars h;
  h.Reset();
  h.Declare(100001);
  h.LoadFromStream(s);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  EXPECT_EQ(h.FlagCount(), g.FlagCount());
  EXPECT_TRUE(h.IsDeclared(100004));
  EXPECT_TRUE(h.IsDeclared(112000));
  EXPECT_FALSE(h.IsDeclared(100001));
  ExpectSame(g.List(), h.List());
}

TEST(GlobalStream, WrongVersionOrDamageLeavesTheStoreUnchanged) {
  CGlobalVars g;
  g.Reset();
  g.Declare(100002);
  g.Set(100002, 0, RValue(5.0));

  CStream wrong;
  wrong.WriteInteger(699);
  wrong.SetPosition(0);
  g.LoadFromStream(wrong);
  EXPECT_TRUE(g.IsDeclared(100002));

  CGlobalVars other;
  other.Reset();
  CStream full;
  other.SaveToStream(full);
  for (int32_t n = 4; n < full.GetSize(); n += 97) {
    CStream cut(std::vector<uint8_t>(full.Bytes().begin(), full.Bytes().begin() + n));
    EXPECT_THROW(g.LoadFromStream(cut), StreamError) << n;
    EXPECT_TRUE(g.IsDeclared(100002));
    RValue v;
    ASSERT_TRUE(g.Get(100002, 0, v));
    EXPECT_EQ(v.val(), 5.0);
  }
}
