// Values, shared conversions, variable lists, the name table, the global store and the
// built-in variable table.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "runner/code/Code_Function.h"
#include "runner/code/Variable_BuiltIn.h"
#include "runner/code/Variable_Class.h"
#include "runner/code/Variable_Main.h"

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

double Read(const CVariableList& l, int32_t id, int32_t idx, bool* found = nullptr) {
  RValue v(-99.0);
  bool ok = l.GetVar(id, idx, v);
  if (found) *found = ok;
  return ok ? v.val() : -99.0;
}

bool Has(const CVariableList& l, int32_t id, int32_t idx) {
  RValue v;
  return l.GetVar(id, idx, v);
}

// Guards the process-wide setting.
struct UninitZero {
  explicit UninitZero(bool on) { LanguageState().uninit_zero = on; }
  ~UninitZero() { LanguageState().uninit_zero = false; }
};
}  // namespace

TEST(Conversions, RoundHalfEvenTable) {
  struct {
    double in, out;
  } cases[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},     {3.5, 4},  {-0.5, 0},  {-1.5, -2}, {-2.5, -2},
               {0.49, 0},  {0.51, 1},  {-0.51, -1},  {7, 7},    {1e300, 1e300}, {4503599627370497.0, 4503599627370497.0},
               {kNaN, 0}};
  for (auto c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(Conversions, IntegerConversionsSaturateAndNeverTrap) {
  EXPECT_EQ(RoundToInt64(2.5), 2);
  EXPECT_EQ(RoundToInt64(-2.5), -2);
  EXPECT_EQ(RoundToInt64(kNaN), 0);
  EXPECT_EQ(RoundToInt64(kInf), INT64_MAX);
  EXPECT_EQ(RoundToInt64(-kInf), INT64_MIN);
  EXPECT_EQ(RoundToInt64(9.3e18), INT64_MAX);
  EXPECT_EQ(RoundToInt64(-9223372036854775808.0), INT64_MIN);
  EXPECT_EQ(RoundToInt32(3e9), INT32_MAX);
  EXPECT_EQ(RoundToInt32(-3e9), INT32_MIN);
  EXPECT_EQ(RoundToInt32(2147483646.5), 2147483646);
  EXPECT_EQ(RoundToInt32(kNaN), 0);
}

TEST(Conversions, TruthAtOneHalf) {
  EXPECT_FALSE(IsTrue(0.4999));
  EXPECT_TRUE(IsTrue(0.5));
  EXPECT_TRUE(IsTrue(1));
  EXPECT_FALSE(IsTrue(-3));
  EXPECT_FALSE(IsTrue(kNaN));
  EXPECT_EQ(BoolReal(true), 1.0);
  EXPECT_EQ(BoolReal(false), 0.0);
}

TEST(RValue, UnselectedPartsReadClean) {
  RValue fresh;
  EXPECT_TRUE(fresh.IsReal());
  EXPECT_EQ(fresh.val(), 0.0);
  RValue s("abc");
  EXPECT_EQ(s.val(), 0.0);  // setters read val of a string: 0
  RValue r(4.5);
  EXPECT_EQ(r.str(), "");
  r.SetString("x");
  EXPECT_EQ(r.kind(), RValue::kString);
  r.SetReal(2);
  EXPECT_EQ(r.str(), "");
  RValue empty("");
  EXPECT_TRUE(empty.IsString());
  EXPECT_EQ(empty.str(), "");
}

TEST(RValue, CopiesShareTextAndAppendNeverChangesASharedCopy) {
  RValue a("hello");
  RValue b = a;
  EXPECT_TRUE(a.SharesTextWith(b));
  b.Append(" world");
  EXPECT_EQ(a.str(), "hello");
  EXPECT_EQ(b.str(), "hello world");
  EXPECT_FALSE(a.SharesTextWith(b));

  RValue moved = std::move(b);
  EXPECT_EQ(moved.str(), "hello world");
  EXPECT_TRUE(b.IsReal());  // NOLINT: a moved-from value is the real 0
  EXPECT_EQ(b.val(), 0.0);
}

TEST(RValue, UnsharedAppendGrowsInPlace) {
  RValue s("");
  s.Append("x");
  std::set<const char*> buffers;
  for (int i = 0; i < 10000; ++i) {
    s.Append("y");
    buffers.insert(s.str().data());
  }
  EXPECT_EQ(s.str().size(), 10001u);
  EXPECT_LT(buffers.size(), 40u);  // geometric growth: few reallocations
  s.Append(s.str());              // appending itself
  EXPECT_EQ(s.str().size(), 20002u);
  EXPECT_EQ(s.str().substr(10000, 3), "yxy");
}

TEST(CVariableList, SimpleValueIsElementZero) {
  CVariableList l;
  l.SetVar(100, 0, RValue(1.0));
  EXPECT_EQ(Read(l, 100, 0), 1.0);  // a, a[0] and a[0,0] are one cell
  l.SetVar(100, 0 * kArrayDim + 0, RValue(2.0));
  EXPECT_EQ(Read(l, 100, 0), 2.0);
  l.SetVar(100, 5, RValue(3.0));  // a[5] and a[0,5] are one element
  EXPECT_EQ(Read(l, 100, 0 * kArrayDim + 5), 3.0);
  EXPECT_EQ(l.v_vars[0].value.size(), 1u);
  EXPECT_EQ(l.v_vars[0].value[0].size(), 6u);
}

TEST(CVariableList, RowsGrowToTheHighestWrittenIndex) {
  CVariableList l;
  l.SetVar(7, 2 * kArrayDim + 3, RValue(7.0));
  struct {
    int32_t idx;
    bool present;
    double value;
  } cases[] = {
      {0, true, 0},                    // b: created as the real 0
      {2 * kArrayDim + 0, true, 0},    // lower element of a written row
      {2 * kArrayDim + 3, true, 7},    //
      {2 * kArrayDim + 4, false, 0},   // beyond the row
      {1 * kArrayDim + 0, false, 0},   // row 1 exists but is empty
      {5, false, 0},                   // row 0 is empty
      {3 * kArrayDim + 0, false, 0},   // no row 3
  };
  for (auto c : cases) {
    bool found;
    double v = Read(l, 7, c.idx, &found);
    EXPECT_EQ(found, c.present) << c.idx;
    if (c.present) {
      EXPECT_EQ(v, c.value) << c.idx;
    }
  }
  l.SetVar(8, 10, RValue(1.0));
  EXPECT_EQ(Read(l, 8, 3), 0.0);
  EXPECT_FALSE(Has(l, 8, 11));
  // The phantom cell [0,0] of a written row is stored and read as 0 only through the row.
  ASSERT_EQ(l.v_vars[1].value[0].size(), 11u);
  EXPECT_TRUE(l.v_vars[1].value[0][0].IsReal());
}

TEST(CVariableList, CreationOrderInitAndAssign) {
  CVariableList l;
  l.SetVar(30, 0, RValue(1.0));
  l.Init(10);
  l.SetVar(20, 3, RValue("s"));
  l.SetVar(30, 0, RValue(2.0));  // existing: no new entry
  l.Init(30);                    // existing: value kept
  ASSERT_EQ(l.v_numb(), 3);
  EXPECT_EQ(l.v_vars[0].ind, 30);
  EXPECT_EQ(l.v_vars[1].ind, 10);
  EXPECT_EQ(l.v_vars[2].ind, 20);
  EXPECT_EQ(Read(l, 30, 0), 2.0);
  EXPECT_EQ(Read(l, 10, 0), 0.0);

  CVariableList copy;
  copy.Assign(l);
  copy.SetVar(20, 3, RValue(5.0));
  RValue v;
  ASSERT_TRUE(l.GetVar(20, 3, v));
  EXPECT_EQ(v.str(), "s");  // deep: the original is untouched
  copy.Clear();
  EXPECT_EQ(copy.v_numb(), 0);
  EXPECT_EQ(l.v_numb(), 3);
}

TEST(CVariableList, HintedFindAgreesWithTheSearch) {
  CVariableList l;
  for (int32_t id = 1; id <= 5; ++id) l.Init(id * 10);
  int32_t hint = -1;
  EXPECT_EQ(l.FindHinted(30, hint), &l.v_vars[2]);
  EXPECT_EQ(hint, 2);
  EXPECT_EQ(l.FindHinted(30, hint), &l.v_vars[2]);
  EXPECT_EQ(l.FindHinted(50, hint), &l.v_vars[4]);  // a stale guess falls back to the search
  EXPECT_EQ(hint, 4);
  hint = 99;
  EXPECT_EQ(l.FindHinted(77, hint), nullptr);
  EXPECT_EQ(hint, 99);
}

TEST(CVariableList, MissingReadsAndTheUninitialisedSetting) {
  CVariableList l;
  RValue v(42.0);
  EXPECT_FALSE(l.GetVar(1, 0, v));
  EXPECT_EQ(v.val(), 42.0);  // untouched
  {
    UninitZero on(true);
    EXPECT_TRUE(l.GetVar(1, 0, v));
    EXPECT_EQ(v.val(), 0.0);
    l.SetVar(2, 1, RValue(1.0));
    v.SetString("x");
    EXPECT_TRUE(l.GetVar(2, 7, v));
    EXPECT_TRUE(v.IsReal());
  }
  EXPECT_FALSE(l.GetVar(2, 7, v));
}

TEST(CVariableList, EncodedIndicesOutsideTheRangeAreIgnored) {
  CVariableList l;
  l.SetVar(1, -1, RValue(1.0));
  l.SetVar(1, kMaxArrayIndex + 1, RValue(1.0));
  l.SetVar(1, INT32_MIN, RValue(1.0));
  EXPECT_EQ(l.v_numb(), 0);
  EXPECT_FALSE(Has(l, 1, -5));
  l.SetVar(1, kMaxArrayIndex, RValue(9.0));  // [31999,31999] is the last element
  EXPECT_EQ(Read(l, 1, kMaxArrayIndex), 9.0);
  EXPECT_EQ(l.v_vars[0].value.size(), static_cast<size_t>(kArrayDim));
}

TEST(VariableNames, UserIdsInFirstAskOrderAndBuiltInsFirst) {
  EXPECT_EQ(VarIdOfName("x"), 0);
  EXPECT_EQ(VarIdOfName("y"), 1);
  int32_t a = VarIdOfName("names_test_alpha");
  int32_t b = VarIdOfName("names_test_beta");
  EXPECT_GE(a, kFirstUserVarId);
  EXPECT_EQ(b, a + 1);
  EXPECT_EQ(VarIdOfName("names_test_alpha"), a);
  EXPECT_EQ(VarIdOfName("Names_test_alpha"), b + 1);  // case matters
  EXPECT_EQ(VarNameOfId(a), "names_test_alpha");
  EXPECT_EQ(VarNameOfId(0), "x");
  EXPECT_EQ(VarNameOfId(kFirstUserVarId + UserVarCount()), "<unknown variable>");
  EXPECT_EQ(VarNameOfId(499), "<unknown built-in variable>");
  EXPECT_EQ(VarNameOfId(-1), "<unknown built-in variable>");
}

TEST(GlobalStore, DeclaredFlagsGrowAndResetClears) {
  CGlobalVars g;
  g.Reset();
  EXPECT_EQ(g.FlagCount(), 10000);
  g.Declare(5);  // built-in ids are never global
  EXPECT_FALSE(g.IsDeclared(5));
  EXPECT_EQ(g.List().v_numb(), 0);

  g.Declare(100003);
  g.Set(100003, 0, RValue(4.0));
  g.Declare(100003);  // twice is harmless and keeps the value
  EXPECT_TRUE(g.IsDeclared(100003));
  RValue v;
  ASSERT_TRUE(g.Get(100003, 0, v));
  EXPECT_EQ(v.val(), 4.0);

  g.Declare(120000);
  EXPECT_EQ(g.FlagCount(), 120000 - 99000);
  EXPECT_TRUE(g.IsDeclared(120000));
  EXPECT_FALSE(g.IsDeclared(120001));
  EXPECT_FALSE(g.IsDeclared(INT32_MAX));
  EXPECT_FALSE(g.IsDeclared(-7));

  g.Reset();
  EXPECT_FALSE(g.IsDeclared(100003));
  EXPECT_EQ(g.FlagCount(), 10000);
  EXPECT_EQ(g.List().v_numb(), 0);
}

TEST(BuiltInVariables, TableOrderAndFlags) {
  EXPECT_EQ(BuiltInVarCount(), 159);
  EXPECT_EQ(BuiltInVarId("x"), 0);
  EXPECT_EQ(BuiltInVarId("y"), 1);
  EXPECT_EQ(BuiltInVarId("timeline_loop"), 50);  // last instance variable
  EXPECT_EQ(BuiltInVarId("argument_relative"), 51);
  EXPECT_EQ(BuiltInVarId("display_aa"), 158);
  EXPECT_EQ(BuiltInVarId("nosuch"), -1);
  EXPECT_EQ(BuiltInVarId("X"), -1);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(BuiltInVarId("argument" + std::to_string(i)), BuiltInArgument0Id() + i);
  EXPECT_EQ(BuiltInVarId("argument"), BuiltInArgumentArrayId());

  std::set<std::string_view> names;
  for (int32_t i = 0; i < BuiltInVarCount(); ++i) names.insert(BuiltInVar(i).name);
  EXPECT_EQ(names.size(), 159u);

  struct {
    const char* name;
    bool array, writable;
  } flags[] = {{"alarm", true, true},          {"instance_id", true, false},
               {"view_xview", true, true},     {"view_current", false, false},
               {"background_width", true, false}, {"argument", true, true},
               {"room_speed", false, true},    {"fps", false, false},
               {"error_occurred", false, true}};
  for (auto f : flags) {
    int32_t id = BuiltInVarId(f.name);
    ASSERT_GE(id, 0) << f.name;
    EXPECT_EQ(BuiltInVar(id).is_array, f.array) << f.name;
    EXPECT_EQ(BuiltInVar(id).writable, f.writable) << f.name;
  }
}
