// Fuzz target for the math and string built-in functions: byte 0 picks the function, byte 1 the
// argument count where any is allowed, then each argument is a tag byte and its value (bit 0 set:
// a string of the next byte's length; bit 1: a small integer of 2 bytes; else a double of 8).
// Byte 0 = 0xFF instead reads a data-structure text: byte 1 picks the kind (low bits) and whether
// the rest goes in as it is (bit 7) or as the hexadecimal text of its bytes.
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
#include "runner/functions/Support_Data_Structures.h"
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

// The hexadecimal text form of raw bytes, so the fuzzer reaches past the hex decoding.
std::string HexOf(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0xF]);
  }
  return out;
}

// A structure holding something reads the text: a rejected text leaves it exactly as it was, an
// accepted one writes a text that reads back and writes identically.
template <class T>
void CheckRead(std::string_view text, T before) {
  const std::string original = before.Write();
  T ds = before;
  if (!ds.Read(text)) {
    FUZZ_CHECK(ds.Write() == original);
    return;
  }
  const std::string written = ds.Write();
  T again;
  FUZZ_CHECK(again.Read(written));
  FUZZ_CHECK(again.Write() == written);
}

void ReadDataStructure(Input& in) {
  const uint8_t mode = in.Byte();
  const std::string_view rest = in.Bytes(SIZE_MAX);
  const std::string text = mode & 0x80 ? std::string(rest) : HexOf(rest);
  const RValue one(1.0), word(std::string_view("word"));
  const DsCompare cmp;
  switch (mode % 6) {
    case 0: {
      CDS_Stack s;
      s.i_val = {one, word};
      CheckRead(text, s);
      break;
    }
    case 1: {
      CDS_Queue q;
      q.Enqueue(one);
      q.Enqueue(word);
      q.Dequeue();
      CheckRead(text, q);
      break;
    }
    case 2: {
      CDS_List l;
      l.i_val = {word, one};
      CheckRead(text, l);
      break;
    }
    case 3: {
      CDS_Map m;
      m.Add(word, one, cmp);
      m.Add(one, word, cmp);
      CheckRead(text, m);
      break;
    }
    case 4: {
      CDS_Priority p;
      p.Add(word, one, cmp);
      p.Add(one, word, cmp);
      CheckRead(text, p);
      // What was read answers its queries.
      if (p.Read(text) && p.Size() > 0) {
        FUZZ_CHECK(p.MinPos(cmp) >= 0 && p.MaxPos(cmp) < p.Size());
        p.Delete(p.MinPos(cmp), cmp);
      }
      break;
    }
    default: {
      CDS_Grid g;
      FUZZ_CHECK(g.Resize(2, 1));
      g.Cell(1, 0) = word;
      CheckRead(text, g);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    SetErrorSink([](std::string_view, bool) {});
    return true;
  }();
  (void)ready;
  const FunctionFamily family = MathFunctions();
  Input in(data, size);
  if (size > 0 && data[0] == 0xFF) {
    in.Byte();
    ReadDataStructure(in);
    return 0;
  }
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
