// Fuzz target for the math and string built-in functions: byte 0 picks the function, byte 1 the
// argument count where any is allowed, then each argument is a tag byte and its value (bit 0 set:
// a string of the next byte's length; bit 1: a small integer of 2 bytes; else a double of 8).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool Empty() const { return p_ == end_; }
  uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
  std::string_view Bytes(size_t n) {
    n = std::min<size_t>(n, static_cast<size_t>(end_ - p_));
    std::string_view s(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return s;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

RValue Argument(Input& in) {
  const uint8_t tag = in.Byte();
  if (tag & 1) return RValue(in.Bytes(in.Byte()));
  if (tag & 2) return RValue(static_cast<double>(static_cast<int16_t>(in.Byte() | in.Byte() << 8)));
  const std::string_view raw = in.Bytes(8);
  double v = 0;
  std::memcpy(&v, raw.data(), raw.size());
  return RValue(v);
}

// Texts up to kMaxStringBytes are legal results; building 256 MB ones over and over only slows
// the run. Counts and widths above this leave the input out.
constexpr double kMaxTextArgument = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    SetErrorSink([](std::string_view, bool) {});
    return true;
  }();
  (void)ready;
  const FunctionFamily family = MathFunctions();
  Input in(data, size);
  const RFunctionDef& f = family[in.Byte() % family.size()];
  const int32_t argc = f.argnumb == kArgsAny ? in.Byte() % (kMaxFunctionArgs + 1) : f.argnumb;
  std::vector<RValue> argv;
  for (int32_t k = 0; k < argc; ++k) argv.push_back(Argument(in));
  const std::string_view name = f.name;
  if ((name == "string_repeat" || name == "string_format") && std::fabs(argv[1].val()) > kMaxTextArgument &&
      std::isfinite(argv[1].val()))
    return 0;

  RValue result;
  f.routine(nullptr, nullptr, argc, argv.data(), result);
  FUZZ_CHECK(result.str().size() <= kMaxStringBytes);
  return 0;
}
