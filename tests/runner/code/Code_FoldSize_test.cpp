// Folding and text size: a short expression may spell a huge text, which folding must leave to
// run time instead of building it at compile time (found by the code fuzz target).
#include <gtest/gtest.h>

#include <string>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Main.h"
#include "runner/code/Code_Phase4.h"
#include "tests/runner/code/TestContext.h"

namespace {

struct FoldCase {
  std::string text;
  bool folds;          // compiles to a constant expression
  const char* error;   // or fails with this message
};

}  // namespace

TEST(FoldSize, HugeRepetitionsAreLeftToRunTime) {
  ScopedTestContext scope;
  const std::string big(5000, 'x');
  const FoldCase cases[] = {
      {"3 * \"ab\"", true, nullptr},
      {std::to_string(kMaxFoldedTextBytes / 2) + " * \"ab\"", true, nullptr},  // exactly the limit
      {std::to_string(kMaxFoldedTextBytes / 2 + 1) + " * \"ab\"", false, nullptr},
      {"49999975 * \"9C\"", false, nullptr},  // the fuzzer's input: 100 MB from 15 bytes
      {"\"" + big + "\" + \"y\"", true, nullptr},  // concatenation never outgrows its operands
      {"1 * \"" + big + "\"", true, nullptr},
      {"(3 * \"ab\") + \"c\"", true, nullptr},
      {"(3000 * \"ab\") + \"c\"", false, nullptr},
      {"200000000 * \"ab\"", false, "Resulting string is too long."},  // too long for any text: still an error
      {"-5 * \"ab\"", true, nullptr},
  };
  for (const FoldCase& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    ClearCodeError();
    CCode code(c.text, true);
    const bool ok = code.Compile();
    if (c.error) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(CodeError().text, c.error);
      continue;
    }
    ASSERT_TRUE(ok) << CodeError().message;
    EXPECT_EQ(code.i_kind == CCode::kConstantExpression, c.folds);
    if (!c.folds) {
      EXPECT_EQ(code.i_token->Kind(), NodeKind::Binary);
    }
  }
  ClearCodeError();
}

TEST(FoldSize, FoldedTextsStayWithinTheLimit) {
  ScopedTestContext scope;
  // Repetitions in one program: each would keep 20 MB in the tree if folded.
  std::string text;
  for (int i = 0; i < 20; ++i) text += "a" + std::to_string(i) + " = 10000000 * \"ab\"\n";
  CCode code(text, false);
  ASSERT_TRUE(code.Compile()) << CodeError().message;
  EXPECT_LT(DumpTree(code.i_token).size(), 20u * 200u);
}
