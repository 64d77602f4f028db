// The language's unary and binary operators on values. The compiler folds constants with these
// and the interpreter runs them, so a folded result always equals the run-time one.
#pragma once

#include <cstdint>
#include <string_view>

#include "runner/code/Code_Token.h"
#include "runner/code/Variable_Class.h"

// Each returns null on success, else the failure message; out may alias an operand.
// A string left operand aliased by out is appended to in place when its text is unshared.
const char* UnaryOp(int32_t op, const RValue& a, RValue& out);
const char* BinaryOp(int32_t op, const RValue& l, const RValue& r, RValue& out);

// Comparison op applied to d, the difference of two reals or the order of two texts: reals
// within 1e-13 of each other count as equal.
inline double CompareDifference(int32_t op, double d) noexcept {
  constexpr double kEpsilon = 1e-13;
  switch (op) {
    case sym::kAssign:
    case sym::kEqual: return BoolReal(d > -kEpsilon && d < kEpsilon);
    case sym::kNotEqual: return BoolReal(d < -kEpsilon || d > kEpsilon);
    case sym::kLess: return BoolReal(d < -kEpsilon);
    case sym::kLessEqual: return BoolReal(d <= kEpsilon);
    case sym::kGreater: return BoolReal(d > kEpsilon);
    default: return BoolReal(d >= -kEpsilon);  // kGreaterEqual
  }
}

// Length in bytes of the text BinaryOp would build (repetition or concatenation), saturating;
// 0 when the result would not be a longer text. Lets folding see the size before building it.
uint64_t BinaryTextBytes(int32_t op, const RValue& l, const RValue& r) noexcept;

// Ordinal order of two UTF-8 texts by their UTF-16 code units: <0, 0 or >0.
int CompareUtf16(std::string_view a, std::string_view b) noexcept;

// Messages the operators raise.
inline constexpr const char* kMsgWrongUnary = "Wrong type of arguments to unary operator.";
inline constexpr const char* kMsgDivisionByZero = "Division by 0.";
inline constexpr const char* kMsgModuloByZero = "Modulo by 0.";
inline constexpr const char* kMsgCannotCompare = "Cannot compare arguments.";
inline constexpr const char* kMsgStringTooLong = "Resulting string is too long.";
