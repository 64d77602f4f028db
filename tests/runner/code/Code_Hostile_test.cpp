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
  if (code.Compile()) {
    EXPECT_EQ(TreeFault(code.i_token), "") << text;
    return "";
  }
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
  const int depth = kMaxParseDepth - 3;  // statement, right side, then one level a parenthesis
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

namespace {
// Random programs from the grammar: every one must compile, and every damaged copy must fail or
// compile without harm.
class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  std::string Statement(int depth) {
    int pick = depth <= 0 ? Pick(3) : Pick(16);
    switch (pick) {
      case 0: return Target() + " " + AssignOp() + " " + Expr(depth - 1);
      case 1: return "f2(" + Expr(depth - 1) + ", " + Expr(depth - 1) + ")";
      case 2: return Pick(2) ? "exit" : ";";
      case 3: return "if " + Expr(depth - 1) + " then " + Statement(depth - 1) + " else " + Statement(depth - 1);
      // An explicit do, or a do-until body would lose its do to the loop.
      case 4: return "while (" + Expr(depth - 1) + ") do " + Statement(depth - 1);
      case 5: return "do " + Statement(depth - 1) + " until " + Expr(depth - 1);
      case 6:
        return "for (i = 0; i < " + Expr(depth - 1) + "; i += 1) " + Statement(depth - 1);
      case 7: return "repeat (" + Expr(depth - 1) + ") " + Statement(depth - 1);
      case 8: return "with (" + Expr(depth - 1) + ") do " + Statement(depth - 1);
      case 9:
        return "switch (" + Expr(depth - 1) + ") { case " + Expr(depth - 1) + ": " + Statement(depth - 1) +
               " break; default: " + Statement(depth - 1) + " }";
      case 10: return "{ " + Statement(depth - 1) + "; " + Statement(depth - 1) + " }";
      case 11: return "var l" + std::to_string(Pick(3)) + ", l" + std::to_string(Pick(3));
      case 12: return "globalvar g" + std::to_string(Pick(3));
      case 13: return "return " + Expr(depth - 1);
      case 14: return "begin " + Statement(depth - 1) + " end";
      default: return Target() + " = " + Expr(depth - 1);
    }
  }

  std::string Expr(int depth) {
    int pick = depth <= 0 ? Pick(2) : Pick(7);
    switch (pick) {
      case 0: return std::to_string(1 + Pick(9)) + (Pick(2) ? ".5" : "");
      case 1: return Target();
      case 2: {
        static const char* ops[] = {"+", "-", "*", "&&", "or", "xor", "==", "!=", "<", ">=",
                                    "|", "&", "^", "<<", ">>"};
        return Expr(depth - 1) + " " + ops[Pick(std::size(ops))] + " " + Expr(depth - 1);
      }
      case 3: {
        static const char* ops[] = {"/", "div", "mod"};
        return Expr(depth - 1) + " " + ops[Pick(3)] + " " + Target();
      }
      case 4: {
        static const char* ops[] = {"-", "!", "not ", "~", "+"};
        return ops[Pick(5)] + Expr(depth - 1);
      }
      case 5: return "(" + Expr(depth - 1) + ")";
      default: return Pick(2) ? "fv(" + Expr(depth - 1) + ", " + Expr(depth - 1) + ")" : "f1(" + Expr(depth - 1) + ")";
    }
  }

 private:
  std::string Target() {
    static const char* t[] = {"a", "b[1]", "b[i, 2]", "self.c", "other.d[3]", "obj_player.e",
                              "(a).f", "l1", "g0", "argument1", "x"};
    return t[Pick(std::size(t))];
  }
  std::string AssignOp() {
    static const char* ops[] = {"=", ":=", "+=", "-=", "*=", "/=", "|=", "&=", "^="};
    return ops[Pick(std::size(ops))];
  }
  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

  std::mt19937 rng_;
};
}  // namespace

TEST(Hostile, GeneratedProgramsCompileAndDamagedCopiesDoNoHarm) {
  ScopedTestContext scope;
  Generator gen(4242);
  std::mt19937 rng(99);
  for (int i = 0; i < 400; ++i) {
    std::string text = "a = 1\n";  // a leading brace would make the program one block
    // The separator keeps "name (" from reading as a call when a statement starts with "(".
    for (int k = 0; k < 3; ++k) text += gen.Statement(4) + ";\n";
    ASSERT_EQ(CompileText(text, false), "") << text << CodeError().message;
    for (int k = 0; k < 5; ++k) {
      std::string damaged = text;
      size_t at = std::uniform_int_distribution<size_t>(0, damaged.size() - 1)(rng);
      damaged.erase(at, std::uniform_int_distribution<size_t>(1, 4)(rng));
      CompileText(damaged, false);
    }
  }
}
