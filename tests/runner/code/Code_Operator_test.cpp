// Operator behaviour that folding cases cannot show: aliasing of the result with an operand,
// UTF-16 string order, messages of every operator, and inputs that must not trap.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runner/code/Code_Operator.h"
#include "runner/code/Code_Token.h"

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

RValue R(double v) { return RValue(v); }
RValue S(const char* s) { return RValue(std::string_view(s)); }

std::string Apply(int32_t op, const RValue& l, const RValue& r) {
  RValue out;
  if (const char* err = BinaryOp(op, l, r, out)) return std::string("! ") + err;
  if (out.IsString()) return "\"" + std::string(out.str()) + "\"";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", out.val());
  return buf;
}
}  // namespace

TEST(Operators, ResultsAndMessagesTable) {
  struct {
    int32_t op;
    RValue l, r;
    const char* want;
  } cases[] = {
      {sym::kPlus, S("a"), S("b"), "\"ab\""},
      {sym::kPlus, R(1), S("b"), "! Wrong type of arguments to +."},
      {sym::kMinus, S("a"), S("b"), "! Wrong type of arguments to -."},
      {sym::kMul, S("ab"), R(3), "! Wrong type of arguments to *."},
      {sym::kMul, R(3), S("ab"), "\"ababab\""},
      {sym::kMul, R(0.5), S("ab"), "\"\""},
      {sym::kDivide, R(1), R(0), "! Division by 0."},
      {sym::kDivide, R(1), R(-0.0), "! Division by 0."},
      {sym::kDivide, S("a"), R(1), "! Wrong type of arguments to /."},
      {sym::kDiv, R(7.5), R(2), "3"},
      {sym::kDiv, R(1), R(0), "! Division by 0."},
      {sym::kDiv, R(1e12), R(1), "1000000000000"},  // beyond 32 bits: no wrap
      {sym::kDiv, S("a"), S("a"), "! Wrong type of arguments to div."},
      {sym::kMod, R(7), R(-3), "1"},
      {sym::kMod, R(1), R(0), "! Modulo by 0."},
      {sym::kMod, R(1e12 + 5), R(10), "5"},
      {sym::kMod, S("a"), R(1), "! Wrong type of arguments to mod."},
      {sym::kAnd, S("a"), R(1), "! Wrong type of arguments for &&."},
      {sym::kOr, R(0), S("a"), "! Wrong type of arguments for ||."},
      {sym::kXor, S("a"), S("b"), "! Wrong type of arguments for ^^."},
      {sym::kBitAnd, S("a"), R(1), "! Wrong type of arguments for &."},
      {sym::kBitXor, S("a"), R(1), "! Wrong type of arguments for ^."},
      {sym::kShiftRight, S("a"), R(1), "! Wrong type of arguments for >>."},
      {sym::kBitXor, R(6), R(3), "5"},
      {sym::kShiftLeft, R(1), R(-1), "0"},
      {sym::kShiftLeft, R(-1), R(63), "-9.2233720368547758e+18"},
      {sym::kShiftRight, R(-8), R(0), "-8"},
      {sym::kShiftRight, R(1), R(1e300), "0"},
      {sym::kEqual, S("a"), R(1), "! Cannot compare arguments."},
      {sym::kEqual, S("abc"), S("abc"), "1"},
      {sym::kNotEqual, S("abc"), S("abd"), "1"},
      {sym::kLessEqual, S("abc"), S("abc"), "1"},
      {sym::kGreater, S("b"), S("abc"), "1"},
      {sym::kLess, S("ab"), S("abc"), "1"},
      {sym::kGreaterEqual, R(1), R(1 + 1e-14), "1"},
      {sym::kGreater, R(1 + 1e-12), R(1), "1"},
      {sym::kAssign, R(0.3), R(0.1 + 0.2), "1"},
      {sym::kEqual, R(kNaN), R(kNaN), "0"},
      {sym::kNotEqual, R(kNaN), R(1), "0"},
      {sym::kBitOr, R(kNaN), R(1e300), "9.2233720368547758e+18"},
      {sym::kDiv, R(kNaN), R(1), "nan"},
      {sym::kMod, R(5), R(kNaN), "nan"},
      {999, R(1), R(1), "! Internal error: unknown binary operator."},
      {999, S("a"), S("b"), "! Internal error: unknown binary operator."},
  };
  for (const auto& c : cases) EXPECT_EQ(Apply(c.op, c.l, c.r), c.want) << OperatorText(c.op);
}

TEST(Operators, UnaryTable) {
  RValue out;
  EXPECT_STREQ(UnaryOp(sym::kNot, S("a"), out), "Wrong type of arguments to unary operator.");
  EXPECT_STREQ(UnaryOp(sym::kBitNot, S("a"), out), "Wrong type of arguments to unary operator.");
  EXPECT_STREQ(UnaryOp(sym::kPlus, R(1), out), nullptr);
  EXPECT_STREQ(UnaryOp(7, R(1), out), "Internal error: unknown unary operator.");
  ASSERT_EQ(UnaryOp(sym::kNot, R(0.49), out), nullptr);
  EXPECT_EQ(out.val(), 1.0);
  ASSERT_EQ(UnaryOp(sym::kNot, R(0.5), out), nullptr);
  EXPECT_EQ(out.val(), 0.0);
  ASSERT_EQ(UnaryOp(sym::kBitNot, R(2.5), out), nullptr);
  EXPECT_EQ(out.val(), -3.0);
  ASSERT_EQ(UnaryOp(sym::kBitNot, R(kNaN), out), nullptr);
  EXPECT_EQ(out.val(), -1.0);
}

TEST(Operators, ResultMayAliasAnOperand) {
  RValue s("ab");
  RValue keep = s;  // shared: the in-place path must not change keep
  ASSERT_EQ(BinaryOp(sym::kPlus, s, S("cd"), s), nullptr);
  EXPECT_EQ(s.str(), "abcd");
  EXPECT_EQ(keep.str(), "ab");
  ASSERT_EQ(BinaryOp(sym::kPlus, s, s, s), nullptr);
  EXPECT_EQ(s.str(), "abcdabcd");
  RValue r("x");
  ASSERT_EQ(BinaryOp(sym::kPlus, S(">"), r, r), nullptr);
  EXPECT_EQ(r.str(), ">x");
  RValue n(2.0);
  ASSERT_EQ(BinaryOp(sym::kMul, n, S("ab"), n), nullptr);
  EXPECT_EQ(n.str(), "abab");
  // A failed operation leaves the aliased target as it was.
  RValue t("a");
  EXPECT_NE(BinaryOp(sym::kPlus, t, R(1), t), nullptr);
  EXPECT_EQ(t.str(), "a");
}

TEST(Operators, StringOrderIsByUtf16CodeUnits) {
  EXPECT_LT(CompareUtf16("B", "a"), 0);
  EXPECT_EQ(CompareUtf16("", ""), 0);
  EXPECT_LT(CompareUtf16("", "a"), 0);
  // U+10000 is a surrogate pair (0xD800 ...) and sorts before U+E000 and U+FFFD.
  EXPECT_LT(CompareUtf16("\xF0\x90\x80\x80", "\xEE\x80\x80"), 0);
  EXPECT_LT(CompareUtf16("x\xF0\x90\x80\x80", "x\xEF\xBF\xBD"), 0);
  // Below the private-use area, code point order holds.
  EXPECT_GT(CompareUtf16("\xF0\x90\x80\x80", "\xED\x9F\xBF"), 0);
  EXPECT_LT(CompareUtf16("\xC3\xA9", "\xC3\xAA"), 0);
  EXPECT_GT(CompareUtf16("\xF0\x90\x80\x81", "\xF0\x90\x80\x80"), 0);
  // Broken sequences still give a strict, consistent order.
  EXPECT_NE(CompareUtf16("\xF0\x90", "\xF0\x91"), 0);
  EXPECT_EQ(CompareUtf16("\xF0\x90", "\xF0\x91"), -CompareUtf16("\xF0\x91", "\xF0\x90"));
}

TEST(Operators, HugeStringResultsAreRefused) {
  RValue out;
  EXPECT_STREQ(BinaryOp(sym::kMul, R(1e18), S("ab"), out), kMsgStringTooLong);
  EXPECT_STREQ(BinaryOp(sym::kMul, R(std::numeric_limits<double>::infinity()), S("a"), out),
               kMsgStringTooLong);
  EXPECT_EQ(BinaryOp(sym::kMul, R(1e18), S(""), out), nullptr);
  EXPECT_EQ(out.str(), "");
}
