// Hostile code text: deep nesting must end in a clean error and arbitrary bytes must never crash
// the lexer, parser or compiler (the tests run under AddressSanitizer and UBSan).
#include <gtest/gtest.h>

#include <random>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Main.h"
#include "tests/runner/code/TestContext.h"

namespace {
std::string Repeat(const std::string& s, int n) {
  std::string r;
  r.reserve(s.size() * static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// Compiles text; on failure checks the error is well formed and returns its text.
std::string CompileText(const std::string& text, bool expr) {
  CCode code(text, expr);
  if (code.Compile()) return "";
  const RCodeError& e = CodeError();
  EXPECT_TRUE(e.pending);
  EXPECT_FALSE(e.text.empty());
  EXPECT_FALSE(e.message.empty());
  return e.text;
}
}  // namespace

TEST(Hostile, DeepNestingGivesACleanError) {
  ScopedTestContext scope;
  const int n = 100000;
  const int m = 5000;  // far past every limit, and quick to lex
  struct {
    std::string text;
    bool expr;
  } cases[] = {
      {Repeat("(", n), true},
      {"a = " + Repeat("(", n) + "1" + Repeat(")", n), false},
      {Repeat("{", n), false},
      {Repeat("{", n) + Repeat("}", n), false},
      {"a = " + Repeat("-", m) + "1", false},
      {"a = " + Repeat("!", m) + "1", false},
      {Repeat("if 1 ", m) + "a = 1", false},
      {Repeat("while 1 ", m) + "a = 1", false},
      {Repeat("with 1 ", m) + "a = 1", false},
      {Repeat("do ", m) + "a = 1", false},
      {"a = b" + Repeat(".b", m), false},
      {"a = " + Repeat("b[", m), false},
      {"a = " + Repeat("f1(", m), false},
      {"x = 1 " + Repeat("+ x ", m), false},         // a long chain is deep too
      {"x = " + Repeat("x * ", m) + "1", false},
      {"if a {} " + Repeat("else if a {} ", m), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CompileText(c.text, c.expr), kMsgTooDeep) << c.text.substr(0, 20);
}

TEST(Hostile, NestingJustInsideTheLimitsCompiles) {
  ScopedTestContext scope;
  const int depth = kMaxParseDepth / 2 - 2;  // an expression in parentheses costs two levels
  EXPECT_EQ(CompileText("a = " + Repeat("(", depth) + "1" + Repeat(")", depth), false), "");
  EXPECT_EQ(CompileText(Repeat("{", kMaxParseDepth - 1) + Repeat("}", kMaxParseDepth - 1), false), "");
  EXPECT_EQ(CompileText("x = 1 " + Repeat("+ x ", kMaxTreeHeight - 5), false), "");
  // Long flat code is fine: only nesting is limited.
  EXPECT_EQ(CompileText(Repeat("a = 1; ", 10000), false), "");
  EXPECT_EQ(CompileText("a = " + Repeat("1 + ", 10000) + "1", false), kMsgTooDeep);
}

TEST(Hostile, RandomBytesNeverCrash) {
  ScopedTestContext scope;
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> byte(0, 255), len(0, 120);
  for (int i = 0; i < 3000; ++i) {
    std::string s;
    int n = len(rng);
    for (int k = 0; k < n; ++k) s += static_cast<char>(byte(rng));
    CompileText(s, i % 2 == 0);
  }
}

TEST(Hostile, RandomTokenSoupNeverCrashes) {
  ScopedTestContext scope;
  const char* pieces[] = {"a", "b", "x", "argument3", "argument", "obj_player", "scr_a", "f0(", "f1(",
                          "f2(", "fv(", "nosuch(", "1", ".5", "$ff", "1.2.3", "\"s\"", "'t", "(", ")",
                          "[", "]", "{", "}", ";", ",", ".", ":", "=", "+=", "==", "+", "-", "*",
                          "/", "div", "mod", "!", "~", "<<", ">>", "&&", "|", "if", "then", "else",
                          "while", "do", "until", "for", "repeat", "with", "switch", "case",
                          "default", "break", "continue", "exit", "return", "var", "globalvar",
                          "begin", "end", "//", "/*", "*/", "\r\n", " ", "\xC3\xA9", "#"};
  std::mt19937 rng(777);
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<int> len(0, 60);
  for (int i = 0; i < 5000; ++i) {
    std::string s;
    int n = len(rng);
    for (int k = 0; k < n; ++k) (s += pieces[pick(rng)]) += ' ';
    CompileText(s, i % 3 == 0);
    if (CodeError().pending) {
      // Positions stay within the text plus its end token.
      EXPECT_GE(CodeError().position, 1);
      EXPECT_LE(CodeError().position, static_cast<int32_t>(s.size()) + 4);
    }
  }
}
