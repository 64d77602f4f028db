// Fuzz target for the game language's lexer, parser and compiler on arbitrary text, in a small
// world of functions, resources and constants. Byte 0 bit 0 picks expression or program. The
// check that goes on past faults must agree: no fault when the code compiles, and the game's
// fault among its own when it does not.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runner/code/Code_Check.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Main.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/runner/code/TestContext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ScopedTestContext scope;
  if (size == 0) return 0;
  const bool expression = data[0] & 1;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  ClearCodeError();
  CCode code(text, expression);
  const bool compiled = code.Compile();
  const RCodeError first = CodeError();
  CCode checked(text, expression);
  const std::vector<RCodeError> faults = CompileEveryFault(checked);
  FUZZ_CHECK(!CodeError().pending);
  FUZZ_CHECK(compiled == faults.empty() && faults.size() <= kMaxCodeFaults + 1);
  bool found = compiled;
  for (const RCodeError& f : faults) found = found || (f.position == first.position && f.text == first.text);
  FUZZ_CHECK(found);
  if (compiled) {
    FUZZ_CHECK(!first.pending);
    FUZZ_CHECK(DumpTree(checked.i_token, &scope.ctx) == DumpTree(code.i_token, &scope.ctx));
    FUZZ_CHECK(TreeFault(code.i_token).empty());
    // The same text compiles to the same tree: nothing depends on leftovers of earlier runs.
    CCode again(text, expression);
    FUZZ_CHECK(again.Compile());
    FUZZ_CHECK(DumpTree(again.i_token, &scope.ctx) == DumpTree(code.i_token, &scope.ctx));
  } else {
    const RCodeError& e = first;
    FUZZ_CHECK(e.pending);
    FUZZ_CHECK(!e.text.empty() && !e.message.empty());
    // Positions count UTF-16 units, never more than bytes, plus the end token.
    FUZZ_CHECK(e.position >= 1 && e.position <= static_cast<int64_t>(text.size()) + 4);
  }
  ClearCodeError();
  return 0;
}
