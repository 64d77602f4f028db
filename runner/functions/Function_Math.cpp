// Math and string built-in functions: numbers, random draws, vector geometry, conversions and
// byte-positioned string operations, registered from one static table.
#include "runner/functions/Function_Math.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <numbers>
#include <string>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Code_Operator.h"
#include "runner/base/Game.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"

namespace {
constexpr double kPi = std::numbers::pi;
// Random ranges are clamped to +-2^51, so the count hi - lo + 1 stays an exact integer.
constexpr double kRangeLimit = 2251799813685248.0;
// RandomBelow draws exactly up to here; every integer below it is a double.
constexpr double kDrawLimit = 9007199254740992.0;  // 2^53

// The random number generator's one seed, per game.
struct RRandomState {
  static constexpr EGameSlot kSlot = EGameSlot::Random;
  uint32_t seed = 0;
};
uint32_t& Seed() { return TheGame().State<RRandomState>().seed; }

uint32_t NextSeed() {
  uint32_t& seed = Seed();
  seed = seed * 134775813u + 1u;
  return seed;
}

void Error(std::string_view message) { ShowActionError(message, false); }

// Elementary functions: a result that is not finite is reported and becomes 0.
void Elementary(const char* name, double r, RValue& result) {
  if (std::isfinite(r)) {
    result.SetReal(r);
    return;
  }
  Error(std::string("Error in function ") + name + "().");
  result.SetReal(0.0);
}

// String results are refused past the value's length limit before anything is allocated.
bool FitsString(uint64_t length) {
  if (length <= kMaxStringBytes) return true;
  Error(kMsgStringTooLong);
  return false;
}

double Arg(const RValue* argv, int i) { return argv[i].val(); }
std::string_view Str(const RValue* argv, int i) { return argv[i].str(); }

double Clamp(double v, double lo, double hi) {
  if (std::isnan(v)) return 0.0;
  return v < lo ? lo : (v > hi ? hi : v);
}

// lo + an integer draw over lo .. hi. A reversed range is taken the other way round: the plain
// formula would draw below a negative count, which has no meaningful result.
double DrawRange(double lo, double hi) {
  lo = Clamp(std::floor(lo), -kRangeLimit, kRangeLimit);
  hi = Clamp(std::floor(hi), -kRangeLimit, kRangeLimit);
  if (hi < lo) std::swap(lo, hi);
  return lo + RandomBelow(hi - lo + 1.0);
}

// Snaps to an integer within 1e-4, and never yields -0.
double Snap(double r) {
  const double n = std::round(r);
  return (std::fabs(r - n) < 1e-4 ? n : r) + 0.0;
}

std::string_view TrimBlanks(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Drops the sign of a text whose digits are all zero ("-0.00" -> "0.00").
void NoNegativeZero(std::string& s) {
  if (s.empty() || s[0] != '-') return;
  for (char c : s)
    if (c >= '1' && c <= '9') return;
  s.erase(0, 1);
}

std::string IntegerText(double v) {
  char buf[400];  // the largest double has 309 digits
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 0);
  std::string s(buf, r.ptr);
  NoNegativeZero(s);
  return s;
}

// ---- numbers ----

void F_is_real(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(BoolReal(argv[0].IsReal()));
}
void F_is_string(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(BoolReal(argv[0].IsString()));
}
void F_random(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(RandomReal() * Arg(argv, 0));
}
void F_random_range(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const double x1 = Arg(argv, 0), x2 = Arg(argv, 1);
  result.SetReal(x1 + RandomReal() * (x2 - x1));
}
void F_irandom(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(DrawRange(0.0, Arg(argv, 0)));
}
void F_irandom_range(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(DrawRange(Arg(argv, 0), Arg(argv, 1)));
}
void F_random_set_seed(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  // Low 32 bits of the rounded value, so every seed random_get_seed gives comes back unchanged.
  SetRandomSeed(static_cast<uint32_t>(static_cast<uint64_t>(RoundToInt64(Arg(argv, 0)))));
  result.SetReal(0.0);
}
void F_random_get_seed(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  result.SetReal(static_cast<int32_t>(GetRandomSeed()));
}
void F_randomize(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  RandomizeSeed();
  result.SetReal(0.0);
}
void F_abs(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) { result.SetReal(std::fabs(Arg(argv, 0))); }
void F_round(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(RoundHalfEven(Arg(argv, 0)) + 0.0);
}
// Beyond the 32-bit range, where a 32-bit result would be meaningless, the exact floor or
// ceiling; NaN gives 0.
double IntegerPart(double r) { return std::isnan(r) ? 0.0 : r + 0.0; }
void F_floor(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(IntegerPart(std::floor(Arg(argv, 0))));
}
void F_ceil(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(IntegerPart(std::ceil(Arg(argv, 0))));
}
void F_sign(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const double x = Arg(argv, 0);
  if (std::isnan(x))
    result.SetReal(0.0);
  else
    result.SetReal(x <= -1e-13 ? -1.0 : (x < 1e-13 ? 0.0 : 1.0));
}
void F_frac(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const double x = Arg(argv, 0);
  result.SetReal(std::isinf(x) ? 0.0 : x - std::trunc(x));
}
void F_sqrt(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const double x = Arg(argv, 0);
  if (x < 0) {
    Error("Cannot apply sqrt to negative number.");
    result.SetReal(0.0);
    return;
  }
  result.SetReal(std::sqrt(x));
}
void F_sqr(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const double x = Arg(argv, 0);
  result.SetReal(x * x);
}
void F_exp(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Elementary("exp", std::exp(Arg(argv, 0)), result);
}
void F_ln(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Elementary("ln", std::log(Arg(argv, 0)), result);
}
void F_log2(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Elementary("log2", std::log2(Arg(argv, 0)), result);
}
void F_log10(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Elementary("log10", std::log10(Arg(argv, 0)), result);
}
void F_sin(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) { result.SetReal(std::sin(Arg(argv, 0))); }
void F_cos(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) { result.SetReal(std::cos(Arg(argv, 0))); }
void F_tan(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) { result.SetReal(std::tan(Arg(argv, 0))); }
void F_arcsin(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Elementary("arcsin", std::asin(Arg(argv, 0)), result);
}
void F_arccos(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Elementary("arccos", std::acos(Arg(argv, 0)), result);
}
void F_arctan(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Elementary("arctan", std::atan(Arg(argv, 0)), result);
}
void F_arctan2(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Elementary("arctan2", std::atan2(Arg(argv, 0), Arg(argv, 1)), result);
}
void F_degtorad(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(Arg(argv, 0) * kPi / 180.0);
}
void F_radtodeg(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(Arg(argv, 0) * 180.0 / kPi);
}
void F_power(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Elementary("power", std::pow(Arg(argv, 0), Arg(argv, 1)), result);
}
void F_logn(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Elementary("logn", std::log(Arg(argv, 1)) / std::log(Arg(argv, 0)), result);
}

// Real parts compare by value, texts by UTF-16 order; see the min/max rule in the family notes.
void MinMax(int32_t argc, const RValue* argv, RValue& result, bool want_max) {
  RValue r = argc > 0 ? argv[0] : RValue();
  for (int32_t i = 1; i < argc; ++i) {
    const RValue& v = argv[i];
    if (r.IsReal() && (want_max ? v.val() > r.val() : v.val() < r.val())) r = v;
    if (r.IsString()) {
      const int c = CompareUtf16(v.str(), r.str());
      if (want_max ? c > 0 : c < 0) r = v;
    }
  }
  result = std::move(r);
}
void F_min(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) { MinMax(argc, argv, result, false); }
void F_max(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) { MinMax(argc, argv, result, true); }
void F_min3(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) { MinMax(3, argv, result, false); }
void F_max3(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) { MinMax(3, argv, result, true); }

void F_mean(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  if (argc <= 0) {
    result.SetReal(0.0);
    return;
  }
  double sum = 0.0;
  for (int32_t i = 0; i < argc; ++i) sum += argv[i].val();
  result.SetReal(sum / argc);
}
void F_median(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  const double half = argc / 2.0;
  for (int32_t i = 0; i < argc; ++i) {
    const double q = argv[i].val();
    int32_t less = 0, less_equal = 0;
    for (int32_t j = 0; j < argc; ++j) {
      less += argv[j].val() < q;
      less_equal += argv[j].val() <= q;
    }
    if (less < half && less_equal >= half) {
      result.SetReal(q);
      return;
    }
  }
  result.SetReal(0.0);  // no arguments, or NaNs that order with nothing
}
void F_choose(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  if (argc <= 0) {
    result.SetReal(0.0);
    return;
  }
  result = argv[static_cast<int32_t>(RandomBelow(argc))];
}

// Cosine of the angle between two vectors; a zero vector has no angle and gives 0.
double Cosine(double dot, double len1, double len2) {
  const double d = len1 * len2;
  if (d == 0.0 || !std::isfinite(dot / d)) return 0.0;
  return dot / d;
}
void F_dot_product(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const double x1 = Arg(argv, 0), y1 = Arg(argv, 1), x2 = Arg(argv, 2), y2 = Arg(argv, 3);
  result.SetReal(Cosine(x1 * x2 + y1 * y2, std::sqrt(x1 * x1 + y1 * y1), std::sqrt(x2 * x2 + y2 * y2)));
}
void F_dot_product_3d(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const double x1 = Arg(argv, 0), y1 = Arg(argv, 1), z1 = Arg(argv, 2);
  const double x2 = Arg(argv, 3), y2 = Arg(argv, 4), z2 = Arg(argv, 5);
  result.SetReal(Cosine(x1 * x2 + y1 * y2 + z1 * z2, std::sqrt(x1 * x1 + y1 * y1 + z1 * z1),
                        std::sqrt(x2 * x2 + y2 * y2 + z2 * z2)));
}
void F_point_distance(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const double dx = Arg(argv, 2) - Arg(argv, 0), dy = Arg(argv, 3) - Arg(argv, 1);
  result.SetReal(std::sqrt(dx * dx + dy * dy));
}
void F_point_distance_3d(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const double dx = Arg(argv, 3) - Arg(argv, 0), dy = Arg(argv, 4) - Arg(argv, 1), dz = Arg(argv, 5) - Arg(argv, 2);
  result.SetReal(std::sqrt(dx * dx + dy * dy + dz * dz));
}
void F_point_direction(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const double dx = Arg(argv, 2) - Arg(argv, 0), dy = Arg(argv, 3) - Arg(argv, 1);
  double r;
  if (dx != 0.0) {
    const double a = std::atan2(dy, dx) * 180.0 / kPi;
    r = a > 0 ? 360.0 - a : -a;
  } else {
    r = dy > 0 ? 270.0 : (dy == 0 ? 0.0 : 90.0);
  }
  result.SetReal(r + 0.0);
}
void F_lengthdir_x(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(Snap(Arg(argv, 0) * std::cos(Arg(argv, 1) * kPi / 180.0)));
}
void F_lengthdir_y(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(Snap(-Arg(argv, 0) * std::sin(Arg(argv, 1) * kPi / 180.0)));
}

// ---- conversions ----

void F_real(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  if (argv[0].IsReal()) {
    result.SetReal(argv[0].val());
    return;
  }
  double v = 0.0;
  if (!TextToReal(argv[0].str(), v)) {
    Error("Error in function real().");
    v = 0.0;
  }
  result.SetReal(v);
}
void F_string(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  if (argv[0].IsString()) {
    result = argv[0];
    return;
  }
  result.SetString(RealToString(argv[0].val()));
}
void F_string_format(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  std::string s;
  if (argv[0].IsString())
    s = std::string(argv[0].str());
  else
    s = FormatFixed(argv[0].val(), static_cast<int32_t>(std::clamp<int64_t>(RoundToInt64(Arg(argv, 2)), 0, 100)), 18);
  const int64_t width = RoundToInt64(Arg(argv, 1));
  if (width > static_cast<int64_t>(s.size())) {
    if (!FitsString(static_cast<uint64_t>(width))) {
      result.SetReal(0.0);
      return;
    }
    s.insert(0, static_cast<size_t>(width) - s.size(), ' ');
  }
  result.SetString(s);
}
void F_chr(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const char c = static_cast<char>(static_cast<uint64_t>(RoundToInt64(Arg(argv, 0))) & 0xFFu);
  result.SetString(std::string_view(&c, 1));
}
void F_ord(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const std::string_view s = Str(argv, 0);
  result.SetReal(s.empty() ? 0.0 : static_cast<unsigned char>(s[0]));
}

// ---- strings: positions and lengths in bytes, counted from 1 ----

void F_string_length(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(static_cast<double>(Str(argv, 0).size()));
}
void F_string_pos(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const std::string_view sub = Str(argv, 0), s = Str(argv, 1);
  const size_t at = sub.empty() ? std::string_view::npos : s.find(sub);
  result.SetReal(at == std::string_view::npos ? 0.0 : static_cast<double>(at + 1));
}
// Results are made from views of the arguments: SetString copies before it lets go of the old
// text, so a result that is also an argument stays safe, and no call copies a whole long text.
void F_string_copy(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const std::string_view s = Str(argv, 0);
  const int64_t index = std::max<int64_t>(RoundToInt64(Arg(argv, 1)), 1);
  const int64_t count = RoundToInt64(Arg(argv, 2));
  const auto len = static_cast<int64_t>(s.size());
  if (count <= 0 || index > len) {
    result.SetString({});
    return;
  }
  result.SetString(s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(std::min(count, len - index + 1))));
}
void F_string_char_at(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const std::string_view s = Str(argv, 0);
  const int64_t index = std::max<int64_t>(RoundToInt64(Arg(argv, 1)), 1);
  if (index > static_cast<int64_t>(s.size())) {
    result.SetString({});
    return;
  }
  result.SetString(s.substr(static_cast<size_t>(index - 1), 1));
}
void F_string_delete(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  std::string s(Str(argv, 0));
  const int64_t index = RoundToInt64(Arg(argv, 1));
  const int64_t count = RoundToInt64(Arg(argv, 2));
  const auto len = static_cast<int64_t>(s.size());
  if (index >= 1 && index <= len && count > 0)
    s.erase(static_cast<size_t>(index - 1), static_cast<size_t>(std::min(count, len - index + 1)));
  result.SetString(s);
}
void F_string_insert(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const std::string_view sub = Str(argv, 0);
  std::string s(Str(argv, 1));
  if (!FitsString(uint64_t{s.size()} + sub.size())) {
    result.SetReal(0.0);
    return;
  }
  const int64_t index = RoundToInt64(Arg(argv, 2));
  const size_t at = index < 1 ? 0 : std::min(static_cast<size_t>(index - 1), s.size());
  s.insert(at, sub);
  result.SetString(s);
}
void F_string_lower(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  std::string s(Str(argv, 0));
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  result.SetString(s);
}
void F_string_upper(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  std::string s(Str(argv, 0));
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  result.SetString(s);
}
void F_string_repeat(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const std::string_view part = Str(argv, 0);
  const int64_t count = RoundToInt64(Arg(argv, 1));
  if (count <= 0 || part.empty()) {
    result.SetString({});
    return;
  }
  if (static_cast<uint64_t>(count) > kMaxStringBytes / part.size()) {
    FitsString(uint64_t{kMaxStringBytes} + 1);
    result.SetReal(0.0);
    return;
  }
  std::string s;
  s.reserve(part.size() * static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) s += part;
  result.SetString(s);
}
template <typename Keep>
void Filter(RValue* argv, RValue& result, Keep keep) {
  std::string s;
  for (char c : Str(argv, 0))
    if (keep(c)) s += c;
  result.SetString(s);
}
void F_string_letters(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Filter(argv, result, IsLetter);
}
void F_string_digits(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Filter(argv, result, IsDigit);
}
void F_string_lettersdigits(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Filter(argv, result, [](char c) { return IsLetter(c) || IsDigit(c); });
}
// An unchanged text shares the argument's buffer; a real argument's text is "".
void SameText(const RValue& arg, RValue& result) {
  if (arg.IsString())
    result = arg;
  else
    result.SetString({});
}
// Replaces the first or every occurrence, left to right without rescanning replaced text. An
// empty pattern matches nothing (it would otherwise match everywhere, forever).
void Replace(RValue* argv, RValue& result, bool all) {
  const std::string_view s = Str(argv, 0), sub = Str(argv, 1), with = Str(argv, 2);
  if (sub.empty()) {
    SameText(argv[0], result);
    return;
  }
  uint64_t hits = 0;
  for (size_t at = s.find(sub); at != std::string_view::npos; at = s.find(sub, at + sub.size())) {
    ++hits;
    if (!all) break;
  }
  if (hits == 0) {
    SameText(argv[0], result);
    return;
  }
  if (!FitsString(s.size() - hits * sub.size() + hits * uint64_t{with.size()})) {
    result.SetReal(0.0);
    return;
  }
  std::string out;
  out.reserve(static_cast<size_t>(s.size() - hits * sub.size() + hits * with.size()));
  size_t from = 0;
  for (uint64_t i = 0; i < hits; ++i) {
    const size_t at = s.find(sub, from);
    out.append(s.substr(from, at - from));
    out += with;
    from = at + sub.size();
  }
  out.append(s.substr(from));
  result.SetString(out);
}
void F_string_replace(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) { Replace(argv, result, false); }
void F_string_replace_all(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  Replace(argv, result, true);
}
void F_string_count(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const std::string_view sub = Str(argv, 0), s = Str(argv, 1);
  double n = 0;
  if (!sub.empty())
    for (size_t at = s.find(sub); at != std::string_view::npos; at = s.find(sub, at + sub.size())) ++n;
  result.SetReal(n);
}

constexpr RFunctionDef kMathFunctions[] = {
    {"is_real", 1, F_is_real},
    {"is_string", 1, F_is_string},
    {"random", 1, F_random},
    {"random_range", 2, F_random_range},
    {"irandom", 1, F_irandom},
    {"irandom_range", 2, F_irandom_range},
    {"random_set_seed", 1, F_random_set_seed},
    {"random_get_seed", 0, F_random_get_seed},
    {"randomize", 0, F_randomize},
    {"abs", 1, F_abs},
    {"round", 1, F_round},
    {"floor", 1, F_floor},
    {"ceil", 1, F_ceil},
    {"sign", 1, F_sign},
    {"frac", 1, F_frac},
    {"sqrt", 1, F_sqrt},
    {"sqr", 1, F_sqr},
    {"exp", 1, F_exp},
    {"ln", 1, F_ln},
    {"log2", 1, F_log2},
    {"log10", 1, F_log10},
    {"sin", 1, F_sin},
    {"cos", 1, F_cos},
    {"tan", 1, F_tan},
    {"arcsin", 1, F_arcsin},
    {"arccos", 1, F_arccos},
    {"arctan", 1, F_arctan},
    {"arctan2", 2, F_arctan2},
    {"degtorad", 1, F_degtorad},
    {"radtodeg", 1, F_radtodeg},
    {"power", 2, F_power},
    {"logn", 2, F_logn},
    {"min", kArgsAny, F_min},
    {"max", kArgsAny, F_max},
    {"min3", 3, F_min3},
    {"max3", 3, F_max3},
    {"mean", kArgsAny, F_mean},
    {"median", kArgsAny, F_median},
    {"choose", kArgsAny, F_choose},
    {"dot_product", 4, F_dot_product},
    {"dot_product_3d", 6, F_dot_product_3d},
    {"point_distance", 4, F_point_distance},
    {"point_distance_3d", 6, F_point_distance_3d},
    {"point_direction", 4, F_point_direction},
    {"lengthdir_x", 2, F_lengthdir_x},
    {"lengthdir_y", 2, F_lengthdir_y},
    {"real", 1, F_real},
    {"string", 1, F_string},
    {"string_format", 3, F_string_format},
    {"chr", 1, F_chr},
    {"ord", 1, F_ord},
    {"string_length", 1, F_string_length},
    {"string_pos", 2, F_string_pos},
    {"string_copy", 3, F_string_copy},
    {"string_char_at", 2, F_string_char_at},
    {"string_delete", 3, F_string_delete},
    {"string_insert", 3, F_string_insert},
    {"string_lower", 1, F_string_lower},
    {"string_upper", 1, F_string_upper},
    {"string_repeat", 2, F_string_repeat},
    {"string_letters", 1, F_string_letters},
    {"string_digits", 1, F_string_digits},
    {"string_lettersdigits", 1, F_string_lettersdigits},
    {"string_replace", 3, F_string_replace},
    {"string_replace_all", 3, F_string_replace_all},
    {"string_count", 2, F_string_count},
};
static_assert(std::size(kMathFunctions) == 66);
}  // namespace

FunctionFamily MathFunctions() { return kMathFunctions; }

void SetRandomSeed(uint32_t seed) { Seed() = seed; }
uint32_t GetRandomSeed() { return Seed(); }

void RandomizeSeed() {
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  Seed() = static_cast<uint32_t>(static_cast<uint64_t>(ticks));
}

double RandomReal() { return NextSeed() * 0x1p-32; }

double RandomBelow(double n) {
  const uint32_t s = NextSeed();
  if (!(n >= 1.0)) return 0.0;
  n = std::floor(std::min(n, kDrawLimit));
  if (n <= 4294967296.0) return static_cast<double>((uint64_t{s} * static_cast<uint64_t>(n)) >> 32);
  // Past 2^32 the product needs more than 64 bits; the real product stays below n (error < 1/2).
  return std::floor(s * 0x1p-32 * n);
}

std::string RealToString(double v) {
  if (!std::isfinite(v)) return "ERROR";
  if (v == RoundHalfEven(v)) return IntegerText(v);
  return FormatFixed(v, 2, 10);
}

std::string FormatFixed(double v, int32_t decimals, int32_t precision) {
  if (!std::isfinite(v)) return "ERROR";
  decimals = std::clamp(decimals, 0, 100);
  precision = std::clamp(precision, 1, 17 + 1);
  // The value rounded to `precision` significant digits tells how many integer digits it has.
  char sci[64];
  const auto rs = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific, precision - 1);
  const std::string_view sv(sci, static_cast<size_t>(rs.ptr - sci));
  const size_t e = sv.find('e');
  int exponent = 0;
  std::from_chars(sv.data() + e + 1 + (sv[e + 1] == '+'), sv.data() + sv.size(), exponent);
  std::string out;
  if (exponent >= precision) {
    // Too many integer digits for fixed notation: d.ddd…E+xx.
    out.assign(sv.substr(0, e));
    out += exponent < 0 ? "E-" : "E+";
    const int a = exponent < 0 ? -exponent : exponent;
    if (a < 10) out += '0';
    out += std::to_string(a);
    return out;
  }
  const int within = precision - 1 - exponent;  // decimals that are still significant
  char buf[512];
  if (within >= decimals) {
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    out.assign(buf, r.ptr);
  } else {
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, within);
    out.assign(buf, r.ptr);
    if (within == 0) out += '.';
    out.append(static_cast<size_t>(decimals - within), '0');
  }
  NoNegativeZero(out);
  return out;
}

bool TextToReal(std::string_view text, double& value) {
  const std::string_view s = TrimBlanks(text);
  if (s.empty()) {
    value = 0.0;
    return true;
  }
  // [+-] digits [. digits] [e [+-] digits], with digits on at least one side of the point.
  size_t i = 0;
  const bool negative = s[0] == '-';
  if (s[0] == '+' || s[0] == '-') ++i;
  const size_t body = i;
  size_t int_digits = 0, frac_digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++int_digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++frac_digits;
  }
  if (int_digits + frac_digits == 0) return false;
  const size_t mantissa_end = i;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t exp_digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++exp_digits;
    if (exp_digits == 0) return false;
  }
  if (i != s.size()) return false;
  double v = 0.0;
  const auto r = std::from_chars(s.data() + body, s.data() + s.size(), v, std::chars_format::general);
  if (r.ptr != s.data() + s.size()) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Too small rounds to 0; too large is not a number the game can hold.
    int64_t magnitude = -1;  // decimal exponent of the first nonzero digit
    int64_t place = static_cast<int64_t>(int_digits);
    for (size_t k = body; k < mantissa_end; ++k) {
      if (s[k] == '.') continue;
      if (s[k] != '0') {
        magnitude = place - 1;
        break;
      }
      --place;
    }
    int64_t exp_value = 0;
    if (mantissa_end < s.size()) {
      size_t k = mantissa_end + 1;
      const bool exp_negative = s[k] == '-';
      if (s[k] == '+' || s[k] == '-') ++k;
      for (; k < s.size() && exp_value < 100000; ++k) exp_value = exp_value * 10 + (s[k] - '0');
      if (exp_negative) exp_value = -exp_value;
    }
    if (magnitude + exp_value >= 0) return false;
    v = 0.0;
  } else if (r.ec != std::errc()) {
    return false;
  }
  value = (negative ? -v : v) + 0.0;
  return true;
}
