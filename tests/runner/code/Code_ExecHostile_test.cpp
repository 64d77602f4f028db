// Random programs from a grammar that cannot loop for ever, run against the test world: every
// run must end, report what failed, and leave the argument slots, nesting depth and instance
// world consistent. Owners, indices, kinds and operators are mixed freely.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Script_Main.h"
#include "tests/runner/code/ScriptChunk.h"
#include "tests/runner/code/TestHost.h"

namespace {
class Gen {
 public:
  explicit Gen(uint32_t seed) : rng_(seed) {}

  std::string Statement(int depth, int loop) {
    if (depth <= 0) return Assign(1);
    switch (Pick(14)) {
      case 0: return "if (" + Expr(depth - 1) + ") " + Statement(depth - 1, loop) + " else " + Statement(depth - 1, loop);
      case 1: return "with (" + Owner(depth - 1) + ") " + Statement(depth - 1, loop);
      case 2: return "repeat (" + std::to_string(Pick(4)) + ") " + Statement(depth - 1, loop);
      case 3: {
        std::string k = "k" + std::to_string(loop);
        return "for (" + k + " = 0; " + k + " < " + std::to_string(Pick(4)) + "; " + k + " += 1) " +
               Statement(depth - 1, loop + 1);
      }
      case 4:
        return "switch (" + Expr(depth - 1) + ") { case " + Expr(0) + ": " + Statement(depth - 1, loop) +
               " default: " + Statement(depth - 1, loop) + " case " + Expr(0) + ": break }";
      case 5: return "{ " + Statement(depth - 1, loop) + "; " + Statement(depth - 1, loop) + " }";
      case 6: return Pick(3) == 0 ? "exit" : Pick(2) ? "break" : "continue";
      case 7: return "return " + Expr(depth - 1);
      case 8: return "globalvar v, w";
      case 9: return "scr_h(" + Expr(depth - 1) + ", " + Expr(depth - 1) + ")";
      case 10: return "test_create(" + std::to_string(Pick(5)) + ")";
      case 11: return "test_destroy(" + std::to_string(100001 + Pick(6)) + ")";
      case 12: return "execute_string(" + Quote(Assign(depth - 1)) + ", " + Expr(0) + ")";
      default: return Assign(depth);
    }
  }

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

  std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? '"' : c;
    return out + "'";
  }

  std::string Owner(int depth) {
    static const char* const kOwners[] = {"self", "other", "all", "noone", "global", "local", "obj_a",
                                          "obj_b", "obj_d", "7", "-8", "100002", "100005", "100099"};
    if (depth > 0 && Pick(4) == 0) return Expr(depth - 1);
    return kOwners[Pick(14)];
  }

  std::string Target(int depth) {
    static const char* const kNames[] = {"v", "w", "x", "id", "lv", "argument0", "argument_count", "score"};
    std::string name = kNames[Pick(8)];
    switch (Pick(5)) {
      case 0: return "a[" + Expr(depth) + "]";
      case 1: return "b[" + Expr(depth) + ", " + Expr(depth) + "]";
      case 2: return "argument[" + Expr(depth) + "]";
      case 3: return "(" + Owner(depth) + ")." + name;
      default: return name;
    }
  }

  std::string Assign(int depth) {
    static const char* const kOps[] = {" = ", " += ", " -= ", " *= ", " /= ", " |= ", " &= ", " ^= "};
    return Target(depth) + kOps[Pick(8)] + Expr(depth);
  }

  std::string Expr(int depth) {
    static const char* const kLeaves[] = {"0", "1", "2.5", "-1", "31999", "32000", "99999999999", "0.5",
                                          "'s'", "\"\"", "v", "w", "lv", "x", "id", "argument1",
                                          "argument[3]", "argument_count", "a[1]", "global.v", "all.v"};
    static const char* const kBinary[] = {" + ", " - ", " * ", " / ", " div ", " mod ", " and ", " or ",
                                          " xor ", " | ", " & ", " ^ ", " << ", " >> ", " == ", " < ",
                                          " >= ", " != "};
    if (depth <= 0) return kLeaves[Pick(21)];
    switch (Pick(6)) {
      case 0: return std::string(Pick(2) ? "-" : Pick(2) ? "!" : "~") + "(" + Expr(depth - 1) + ")";
      case 1: return "(" + Owner(depth - 1) + ").v";
      case 2: return "scr_h(" + Expr(depth - 1) + ")";
      default: return "(" + Expr(depth - 1) + kBinary[Pick(18)] + Expr(depth - 1) + ")";
    }
  }

  std::mt19937 rng_;
};
}  // namespace

TEST(ExecHostile, GeneratedProgramsEndCleanly) {
  ScopedTestWorld world;
  CStream chunk;
  WriteScriptsChunk(chunk, {{true, "scr_h", "var lv; lv = argument[argument0]; argument1 = lv; return lv + argument1 * 2"}});
  chunk.SetPosition(0);
  ASSERT_TRUE(LoadScripts(chunk));
  ASSERT_TRUE(CompileScripts());
  RValue* const base = Arguments().slots;
  Gen gen(20261210);
  int compiled = 0, failed = 0;
  for (int i = 0; i < 1500; ++i) {
    std::string text = "var lv; ";
    for (int k = 0; k < 4; ++k) text += gen.Statement(4, 0) + ";\n";
    CCode code(text, false);
    if (!code.Compile()) continue;
    ++compiled;
    for (int run = 0; run < 2; ++run) {  // the second run reuses the lowered form and its hints
      RValue result;
      bool ok = ExecuteCode(world.Self(), world.Other(), code, result);
      if (!ok) {
        ++failed;
        EXPECT_TRUE(CodeError().pending) << text;
      }
      ClearCodeError();
      EXPECT_EQ(ExecDepth(), 0);
      EXPECT_EQ(Arguments().slots, base);
      EXPECT_EQ(Arguments().count, 0);
      EXPECT_EQ(Arguments().script_name, "<unknown>");
    }
    if (world.host.room.size() > 200) world.host.room.resize(5);  // keep the world small
  }
  EXPECT_GT(compiled, 750);
  EXPECT_GT(failed, 100);  // the grammar reaches the error paths too
}
