// Composition of compile-error messages (line, column, caret) and the first-error-wins state.
#include <gtest/gtest.h>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Main.h"

namespace {
std::string Compose(const std::string& text, bool expr, int32_t pos) {
  CCode code(text, expr);
  return ComposeCodeError(code, pos, "Boom.");
}
}  // namespace

TEST(CodeErrorText, ProgramFormCountsLinesAndColumns) {
  struct {
    std::string text;
    int32_t pos;
    std::string want;
  } cases[] = {
      // A line feed after a carriage return is a column character and opens the line text.
      {"a\r\nb c", 6, "Error in code at line 2:\r   \nb c\r     ^\rat position 4: Boom."},
      {"abc", 2, "Error in code at line 1:\r   abc\r   ^\rat position 2: Boom."},
      // Positions are clamped to the text.
      {"abc", 0, "Error in code at line 1:\r   abc\r  ^\rat position 1: Boom."},
      {"abc", 99, "Error in code at line 1:\r   abc\r    ^\rat position 3: Boom."},
      {"x\ry = #\rz", 7, "Error in code at line 2:\r   y = #\r      ^\rat position 5: Boom."},
      // A leading line feed is no break.
      {"\nab", 3, "Error in code at line 1:\r   \nab\r    ^\rat position 3: Boom."},
      // Bare line feeds: the line text is that line alone.
      {"a = 1\nb = #\nc = 2", 11, "Error in code at line 2:\r   b = #\r      ^\rat position 5: Boom."},
      // Columns count characters (UTF-16 units), not bytes.
      {"s = \"\xC3\xA9\xC3\xA9\" #", 10, "Error in code at line 1:\r   s = \"\xC3\xA9\xC3\xA9\" #\r"
                                         "           ^\rat position 10: Boom."},
      {"", 5, "Error in code at line 1:\r   \r ^\rat position 0: Boom."},
  };
  for (const auto& c : cases) EXPECT_EQ(Compose(c.text, false, c.pos), c.want) << c.text;
}

TEST(CodeErrorText, ExpressionForm) {
  EXPECT_EQ(Compose("1 + #", true, 5), "Error in expression:1 + #\r position 5: Boom.");
}

TEST(CodeErrorState, FirstErrorWinsUntilCleared) {
  CCode code("a", false);
  ClearCodeError();
  ReportCodeError(code, 1, "First.");
  ReportCodeError(code, 1, "Second.");
  EXPECT_TRUE(CodeError().pending);
  EXPECT_EQ(CodeError().text, "First.");
  ClearCodeError();
  EXPECT_FALSE(CodeError().pending);
  ReportCodeError(code, 1, "Third.");
  EXPECT_EQ(CodeError().text, "Third.");
}

TEST(CodeErrorState, RecompilingIsRefusedAndFailingLeavesCodeUncompiled) {
  CCode ok("a = 1", false);
  ASSERT_TRUE(ok.Compile());
  EXPECT_FALSE(CodeError().pending);
  EXPECT_FALSE(ok.Compile());
  EXPECT_EQ(CodeError().text, "Internal Error: Recompiling compiled code.");
  EXPECT_EQ(CodeError().position, 0);
  EXPECT_TRUE(ok.i_compiled);

  CCode bad("a = (", false);
  EXPECT_FALSE(bad.Compile());
  EXPECT_FALSE(bad.i_compiled);
  EXPECT_EQ(CodeError().message,
            "Error in code at line 1:\r   a = (\r      ^\rat position 5: Unexpected symbol in expression.");
  // A new compilation starts with a clean state.
  CCode next("b = 2", false);
  EXPECT_TRUE(next.Compile());
  EXPECT_FALSE(CodeError().pending);
}

TEST(CodeErrorState, ConstantExpressionKeepsItsValue) {
  CCode c("3 * 4", true);
  ASSERT_TRUE(c.Compile());
  EXPECT_EQ(c.i_kind, CCode::kConstantExpression);
  EXPECT_EQ(c.i_value.val(), 12.0);
  CCode p("3 * 4", false);
  EXPECT_FALSE(p.Compile());  // as a program it is no statement
}
