// Operator implementations shared by constant folding and the interpreter.
#include "runner/code/Code_Operator.h"

#include <cmath>
#include <string>

#include "runner/code/Code_Token.h"

namespace {

// Quotients outside 32 bits stay doubles instead of wrapping.
bool FitsInt32(double q) { return q >= -2147483648.0 && q <= 2147483647.0; }

double Shift(int64_t l, int64_t n, bool left) {
  if (n < 0 || n > 63) return 0.0;
  uint64_t u = static_cast<uint64_t>(l);
  u = left ? u << n : u >> n;
  return static_cast<double>(static_cast<int64_t>(u));
}

// Decodes one UTF-8 sequence at s[i]; a malformed lead byte stands for itself.
uint32_t DecodeAt(std::string_view s, size_t i) {
  uint32_t c = static_cast<unsigned char>(s[i]);
  int n = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  if (n == 0) return c;
  uint32_t cp = c & (0x3Fu >> n);
  for (int k = 1; k <= n; ++k) {
    size_t j = i + static_cast<size_t>(k);
    if (j >= s.size()) return c;
    uint32_t t = static_cast<unsigned char>(s[j]);
    if ((t & 0xC0) != 0x80) return c;
    cp = (cp << 6) | (t & 0x3F);
  }
  return cp;
}

// First UTF-16 unit of a code point: supplementary ones sort as surrogates, below U+E000.
uint32_t FirstUnit(uint32_t cp) { return cp >= 0x10000 ? 0xD800 + ((cp - 0x10000) >> 10) : cp; }
uint32_t SecondUnit(uint32_t cp) { return cp >= 0x10000 ? 0xDC00 + ((cp - 0x10000) & 0x3FF) : 0; }

const char* TypeMessage(int32_t op) {
  switch (op) {
    case sym::kPlus: return "Wrong type of arguments to +.";
    case sym::kMinus: return "Wrong type of arguments to -.";
    case sym::kMul: return "Wrong type of arguments to *.";
    case sym::kDivide: return "Wrong type of arguments to /.";
    case sym::kDiv: return "Wrong type of arguments to div.";
    case sym::kMod: return "Wrong type of arguments to mod.";
    case sym::kAnd: return "Wrong type of arguments for &&.";
    case sym::kOr: return "Wrong type of arguments for ||.";
    case sym::kXor: return "Wrong type of arguments for ^^.";
    case sym::kBitOr: return "Wrong type of arguments for |.";
    case sym::kBitAnd: return "Wrong type of arguments for &.";
    case sym::kBitXor: return "Wrong type of arguments for ^.";
    case sym::kShiftLeft: return "Wrong type of arguments for <<.";
    case sym::kShiftRight: return "Wrong type of arguments for >>.";
    default: return kMsgCannotCompare;
  }
}

bool IsComparison(int32_t op) {
  switch (op) {
    case sym::kAssign:
    case sym::kEqual:
    case sym::kNotEqual:
    case sym::kLess:
    case sym::kLessEqual:
    case sym::kGreater:
    case sym::kGreaterEqual: return true;
    default: return false;
  }
}

const char* Concat(const RValue& l, const RValue& r, RValue& out) {
  std::string_view a = l.str(), b = r.str();
  if (a.size() + b.size() > kMaxStringBytes) return kMsgStringTooLong;
  if (&out == &l) {
    out.Append(b);
    return nullptr;
  }
  std::string s;
  s.reserve(a.size() + b.size());
  s.append(a).append(b);
  out.SetString(s);
  return nullptr;
}

const char* Repeat(double count, const RValue& r, RValue& out) {
  int64_t n = RoundToInt64(count);
  std::string_view t = r.str();
  if (n < 1 || t.empty()) {
    out.SetString({});
    return nullptr;
  }
  if (static_cast<uint64_t>(n) > kMaxStringBytes / t.size()) return kMsgStringTooLong;
  std::string s;
  s.reserve(static_cast<size_t>(n) * t.size());
  for (int64_t i = 0; i < n; ++i) s.append(t);
  out.SetString(s);
  return nullptr;
}
}  // namespace

uint64_t BinaryTextBytes(int32_t op, const RValue& l, const RValue& r) noexcept {
  if (op == sym::kPlus && l.IsString() && r.IsString()) return uint64_t{l.str().size()} + r.str().size();
  if (op != sym::kMul || !l.IsReal() || !r.IsString()) return 0;
  const int64_t n = RoundToInt64(l.val());
  const uint64_t t = r.str().size();
  if (n < 1 || t == 0) return 0;
  return static_cast<uint64_t>(n) > UINT64_MAX / t ? UINT64_MAX : static_cast<uint64_t>(n) * t;
}

int CompareUtf16(std::string_view a, std::string_view b) noexcept {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  if (i == n) return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
  size_t d = i;
  // Back up to the start of the code point both texts differ in.
  while (i > 0 && (static_cast<unsigned char>(a[i]) & 0xC0) == 0x80) --i;
  uint32_t ca = DecodeAt(a, i), cb = DecodeAt(b, i);
  uint32_t ua = FirstUnit(ca), ub = FirstUnit(cb);
  if (ua == ub) {
    ua = SecondUnit(ca);
    ub = SecondUnit(cb);
  }
  if (ua == ub) return static_cast<unsigned char>(a[d]) < static_cast<unsigned char>(b[d]) ? -1 : 1;
  return ua < ub ? -1 : 1;
}

const char* UnaryOp(int32_t op, const RValue& a, RValue& out) {
  if (op != sym::kNot && op != sym::kMinus && op != sym::kPlus && op != sym::kBitNot)
    return "Internal error: unknown unary operator.";
  if (!a.IsReal()) return kMsgWrongUnary;
  double v = a.val();
  switch (op) {
    case sym::kNot: out.SetReal(BoolReal(!IsTrue(v))); break;
    case sym::kMinus: out.SetReal(-v); break;
    case sym::kPlus: out.SetReal(v); break;
    default: out.SetReal(static_cast<double>(~RoundToInt64(v))); break;
  }
  return nullptr;
}

const char* BinaryOp(int32_t op, const RValue& l, const RValue& r, RValue& out) {
  if (l.IsReal() && r.IsReal()) {
    double a = l.val(), b = r.val();
    switch (op) {
      case sym::kPlus: out.SetReal(a + b); return nullptr;
      case sym::kMinus: out.SetReal(a - b); return nullptr;
      case sym::kMul: out.SetReal(a * b); return nullptr;
      case sym::kDivide:
        if (b == 0.0) return kMsgDivisionByZero;
        out.SetReal(a / b);
        return nullptr;
      case sym::kDiv: {
        if (b == 0.0) return kMsgDivisionByZero;
        double q = std::trunc(a / b);
        out.SetReal(FitsInt32(q) ? static_cast<double>(static_cast<int32_t>(q)) : q);
        return nullptr;
      }
      case sym::kMod: {
        if (b == 0.0) return kMsgModuloByZero;
        double q = std::trunc(a / b);
        out.SetReal(FitsInt32(q) ? a - static_cast<double>(static_cast<int32_t>(q)) * b : std::fmod(a, b));
        return nullptr;
      }
      case sym::kAnd: out.SetReal(BoolReal(IsTrue(a) && IsTrue(b))); return nullptr;
      case sym::kOr: out.SetReal(BoolReal(IsTrue(a) || IsTrue(b))); return nullptr;
      case sym::kXor: out.SetReal(BoolReal(IsTrue(a) != IsTrue(b))); return nullptr;
      case sym::kBitOr:
        out.SetReal(static_cast<double>(RoundToInt64(a) | RoundToInt64(b)));
        return nullptr;
      case sym::kBitAnd:
        out.SetReal(static_cast<double>(RoundToInt64(a) & RoundToInt64(b)));
        return nullptr;
      case sym::kBitXor:
        out.SetReal(static_cast<double>(RoundToInt64(a) ^ RoundToInt64(b)));
        return nullptr;
      case sym::kShiftLeft: out.SetReal(Shift(RoundToInt64(a), RoundToInt64(b), true)); return nullptr;
      case sym::kShiftRight: out.SetReal(Shift(RoundToInt64(a), RoundToInt64(b), false)); return nullptr;
      default:
        if (IsComparison(op)) {
          out.SetReal(CompareDifference(op, a - b));
          return nullptr;
        }
        return "Internal error: unknown binary operator.";
    }
  }
  if (IsComparison(op)) {
    if (l.kind() != r.kind()) return kMsgCannotCompare;
    out.SetReal(CompareDifference(op, CompareUtf16(l.str(), r.str())));
    return nullptr;
  }
  switch (op) {
    case sym::kPlus:
      if (l.IsString() && r.IsString()) return Concat(l, r, out);
      return TypeMessage(op);
    case sym::kMul:
      if (l.IsReal() && r.IsString()) return Repeat(l.val(), r, out);
      return TypeMessage(op);
    case sym::kMinus:
    case sym::kDivide:
    case sym::kDiv:
    case sym::kMod:
    case sym::kAnd:
    case sym::kOr:
    case sym::kXor:
    case sym::kBitOr:
    case sym::kBitAnd:
    case sym::kBitXor:
    case sym::kShiftLeft:
    case sym::kShiftRight: return TypeMessage(op);
    default: return "Internal error: unknown binary operator.";
  }
}
