// Scripts chunk and library initialisation chunk loading, script compilation at preparation,
// the three execution entry points and the nesting limit under hostile recursion.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "runner/code/Code_Constant.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Script_Main.h"
#include "runner/base/Support_Stream.h"
#include "tests/runner/code/ScriptChunk.h"
#include "tests/runner/code/TestHost.h"

namespace {
bool Load(const std::vector<TestScript>& scripts, int32_t version = 800) {
  CStream chunk;
  WriteScriptsChunk(chunk, scripts, version);
  chunk.SetPosition(0);
  return LoadScripts(chunk);
}


int32_t g_deepest = 0;
void F_NoteDepth(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  if (ExecDepth() > g_deepest) g_deepest = ExecDepth();
}
constexpr RFunctionDef kDepthFunctions[] = {{"test_note_depth", 0, F_NoteDepth}};
}  // namespace

TEST(ScriptsChunk, RoundTripKeepsSlotsNamesAndTexts) {
  ScopedTestWorld world;
  CStream chunk;
  WriteScriptsChunk(chunk, {{true, "scr_one", "return 1"}, {false, "", ""}, {true, "scr_two", "a = 2\r\nb = 3"},
                            {true, "scr_one", "return 4"}});
  chunk.WriteInteger(12345);  // what follows the chunk stays unread
  chunk.SetPosition(0);
  ASSERT_TRUE(LoadScripts(chunk));
  EXPECT_EQ(chunk.ReadInteger(), 12345);
  EXPECT_EQ(Scripts().Count(), 4);
  EXPECT_TRUE(Scripts().Exists(0));
  EXPECT_FALSE(Scripts().Exists(1));
  EXPECT_FALSE(Scripts().Exists(4));
  EXPECT_FALSE(Scripts().Exists(-1));
  EXPECT_EQ(Scripts().Name(2), "scr_two");
  EXPECT_EQ(Scripts().Name(1), "<undefined>");
  EXPECT_EQ(Scripts().Name(99), "<undefined>");
  EXPECT_EQ(Scripts().Get(2)->s_text, "a = 2\r\nb = 3");
  EXPECT_EQ(Scripts().Get(1), nullptr);
  EXPECT_EQ(Scripts().Find("scr_one"), 0);  // the first of two slots with one name
  EXPECT_EQ(Scripts().Find("scr_two"), 2);
  EXPECT_EQ(Scripts().Find("scr_three"), -1);
  EXPECT_EQ(Scripts().Find(""), -1);  // an empty slot has no name to find
}

TEST(ScriptsChunk, WrongVersionsAndDamagedDataFail) {
  ScopedTestWorld world;
  ASSERT_TRUE(Load({{true, "scr_a", "x = 1"}}));
  EXPECT_FALSE(Load({{true, "scr_a", "x = 1"}}, 700));
  EXPECT_EQ(Scripts().Count(), 0);  // a failed load leaves no half table behind
  EXPECT_FALSE(Load({{true, "scr_a", "x = 1"}, {true, "scr_b", "x = 2", 700}}));
  EXPECT_EQ(Scripts().Count(), 0);
  EXPECT_EQ(Scripts().Find("scr_a"), -1);

  CStream negative;
  negative.WriteInteger(800);
  negative.WriteInteger(-1);
  negative.SetPosition(0);
  EXPECT_FALSE(LoadScripts(negative));

  // A count far beyond the data runs into the end, never into memory.
  CStream huge;
  huge.WriteInteger(800);
  huge.WriteInteger(INT32_MAX);
  huge.SetPosition(0);
  EXPECT_THROW(LoadScripts(huge), StreamError);

  CStream full;
  WriteScriptsChunk(full, {{true, "scr_a", "x = 1"}});
  for (int32_t cut : {4, 8, full.GetSize() - 1}) {
    CStream part = CStream::FromBytes(full.Data(), static_cast<size_t>(cut));
    EXPECT_THROW(LoadScripts(part), StreamError) << cut;
  }
}

TEST(ScriptsCompile, FirstFailureIsFatalAndNamesTheScript) {
  ScopedTestWorld world;
  ASSERT_TRUE(Load({{true, "scr_ok", "return 1"}, {true, "scr_bad", "a = 1\rb = "}, {true, "scr_later", "c = "}}));
  EXPECT_FALSE(CompileScripts());
  EXPECT_EQ(TestOutput(),
            "FATAL ERROR: COMPILATION ERROR in Script: scr_bad\n"
            "  | Error in code at line 2:\n"
            "  |    b = \n"
            "  |      ^\n"
            "  | at position 4: Unexpected symbol in expression.\n");
  EXPECT_FALSE(CodeError().pending);
}

TEST(ScriptsCompile, AScriptHidesABuiltInOfTheSameName) {
  ScopedTestWorld world;
  ASSERT_TRUE(Load({{true, "trace", "return \"script\""}}));
  ASSERT_TRUE(CompileScripts());
  int32_t id;
  ASSERT_TRUE(TheRunnerCompileContext().FindFunction("trace", id));
  EXPECT_EQ(id, kScriptIdBase);
  EXPECT_EQ(FunctionArgCount(id), kArgsAny);
  EXPECT_EQ(FunctionName(id), "trace");
  CCode code("return trace(1, 2)", false);
  ASSERT_TRUE(code.Compile());
  RValue result;
  ASSERT_TRUE(ExecuteCode(world.Self(), world.Other(), code, result));
  EXPECT_EQ(result.str(), "script");
  EXPECT_EQ(TestOutput(), "");
}

TEST(ScriptsCall, EmptySlotFailsWithoutTouchingTheSlots) {
  ScopedTestWorld world;
  ASSERT_TRUE(Load({{false, "", ""}}));
  Arguments().slots[0].SetString("kept");
  RValue result(5.0), args[1] = {RValue(1.0)};
  EXPECT_FALSE(CallScript(0, world.Self(), world.Other(), result, true, args, 1));
  EXPECT_FALSE(CallScript(7, world.Self(), world.Other(), result, true, args, 1));
  EXPECT_EQ(Arguments().slots[0].str(), "kept");
  EXPECT_EQ(result.val(), 5.0);
}

TEST(ScriptsCall, UncompiledScriptGivesErrorResult) {
  ScopedTestWorld world;
  ASSERT_TRUE(Load({{true, "scr_raw", "return 1"}}));
  RValue result;
  EXPECT_TRUE(CallScript(0, world.Self(), world.Other(), result, true, nullptr, 0));
  EXPECT_EQ(result.str(), "ERROR");
  EXPECT_NE(CodeError().message.find("In script scr_raw:\r"), std::string::npos);
  EXPECT_NE(CodeError().message.find("Internal Error: Executing non-compiled code."), std::string::npos);
}

TEST(LibraryInit, RunsEachTextWithATemporaryInstance) {
  ScopedTestWorld world;
  CStream chunk;
  chunk.WriteInteger(500);
  chunk.WriteInteger(3);
  chunk.WriteString("globalvar lib_a; lib_a = 1; trace(id, object_index)");
  chunk.WriteString("");
  chunk.WriteString("lib_a += 1; mine = 3; trace(lib_a, mine); b = undefined_here");
  chunk.SetPosition(0);
  ASSERT_TRUE(LoadLibraryInit(chunk));
  EXPECT_TRUE(RunLibraryInit());
  EXPECT_EQ(TestOutput(),
            "trace: 0 0\n"
            "trace: 2 3\n"
            "ERROR: Error in code at line 1:\n"
            "  |    lib_a += 1; mine = 3; trace(lib_a, mine); b = undefined_here\n"
            "  |                                                 ^\n"
            "  | at position 47: Unknown variable undefined_here\n");
  EXPECT_TRUE(world.host.temps.empty());  // each temporary instance is gone again
  TestOutput().clear();
  EXPECT_TRUE(RunLibraryInit());  // the texts run once
  EXPECT_EQ(TestOutput(), "");
}

TEST(LibraryInit, CompileErrorIsFatalAndWrongVersionFails) {
  ScopedTestWorld world;
  CStream chunk;
  chunk.WriteInteger(500);
  chunk.WriteInteger(2);
  chunk.WriteString("trace(1)");
  chunk.WriteString("x = ");
  chunk.SetPosition(0);
  ASSERT_TRUE(LoadLibraryInit(chunk));
  EXPECT_FALSE(RunLibraryInit());
  EXPECT_EQ(TestOutput(),
            "trace: 1\n"
            "FATAL ERROR: COMPILATION ERROR in library initialization code\n"
            "  | Error in code at line 1:\n"
            "  |    x = \n"
            "  |      ^\n"
            "  | at position 4: Unexpected symbol in expression.\n");

  CStream wrong;
  wrong.WriteInteger(800);
  wrong.WriteInteger(0);
  wrong.SetPosition(0);
  EXPECT_FALSE(LoadLibraryInit(wrong));
  CStream damaged;
  damaged.WriteInteger(500);
  damaged.WriteInteger(1000000);
  damaged.SetPosition(0);
  EXPECT_THROW(LoadLibraryInit(damaged), StreamError);
}

TEST(ExecuteEntryPoints, InternalErrorsAndResults) {
  ScopedTestWorld world;
  RValue result(3.0);
  CCode raw("a = 1", false);
  EXPECT_FALSE(ExecuteCode(world.Self(), world.Other(), raw, result));
  EXPECT_EQ(CodeError().text, "Internal Error: Executing non-compiled code.");

  CCode prog("a = 1", false);
  ASSERT_TRUE(prog.Compile());
  EXPECT_FALSE(ExecuteCode(nullptr, world.Other(), prog, result));
  EXPECT_EQ(CodeError().text, "Internal Error: Executing code for nil instance.");
  EXPECT_FALSE(ExecuteCode(world.Self(), nullptr, prog, result));

  CCode constant("2 * 3", true);
  ASSERT_TRUE(constant.Compile());
  ASSERT_EQ(constant.i_kind, CCode::kConstantExpression);
  EXPECT_TRUE(ExecuteCode(nullptr, nullptr, constant, result));  // needs no instance
  EXPECT_EQ(result.val(), 6.0);

  CCode expr("x + 1", true);
  ASSERT_TRUE(expr.Compile());
  EXPECT_TRUE(ExecuteCode(world.Self(), world.Other(), expr, result));
  EXPECT_EQ(result.val(), 1.0);

  CCode failing("missing_var + 1", true);
  ASSERT_TRUE(failing.Compile());
  result.SetReal(7.0);
  EXPECT_FALSE(ExecuteForValue(world.Self(), world.Other(), failing, result));
  EXPECT_EQ(result.str(), "ERROR");
  EXPECT_TRUE(CodeError().pending);  // the caller decides what to show
  EXPECT_EQ(CodeError().message, "Error in expression:missing_var + 1\r position 1: Unknown variable missing_var");
  EXPECT_EQ(TestOutput(), "");

  EXPECT_FALSE(ExecuteAndReport(world.Self(), world.Other(), failing, result));
  EXPECT_FALSE(CodeError().pending);
  EXPECT_EQ(TestOutput(), "ERROR: Error in expression:missing_var + 1\n  |  position 1: Unknown variable missing_var\n");

  // Run twice: the lowered form is kept and its hints stay right for another instance.
  CCode twice("v += 1; return v", false);
  ASSERT_TRUE(twice.Compile());
  CVariableList& vars = *world.host.InstanceVars(world.Other());
  vars.SetVar(VarIdOfName("pad"), 0, RValue(0.0));
  vars.SetVar(VarIdOfName("v"), 0, RValue(10.0));
  world.host.InstanceVars(world.Self())->SetVar(VarIdOfName("v"), 0, RValue(1.0));
  ASSERT_TRUE(ExecuteCode(world.Self(), world.Other(), twice, result));
  EXPECT_EQ(result.val(), 2.0);
  ASSERT_TRUE(ExecuteCode(world.Other(), world.Self(), twice, result));
  EXPECT_EQ(result.val(), 11.0);
}

TEST(ExecuteEntryPoints, EmptyHostRunsOnlyWhatNeedsNoInstance) {
  ScopedTestWorld world;
  SetExecHost(nullptr);
  CCode code("a = 1", false);
  ASSERT_TRUE(code.Compile());
  RValue result;
  CInstance* fake = world.Self();
  EXPECT_FALSE(ExecuteCode(fake, fake, code, result));
  EXPECT_EQ(CodeError().text, "Cannot assign to the variable");
  CCode locals("var l; l = 2; return l * 3", false);
  ASSERT_TRUE(locals.Compile());
  EXPECT_TRUE(ExecuteCode(fake, fake, locals, result));
  EXPECT_EQ(result.val(), 6.0);
}

TEST(Nesting, RunawayRecursionEndsCleanlyAtTheLimit) {
  ScopedTestWorld world;
  static bool registered = (RegisterFamily(kDepthFunctions), true);
  (void)registered;
  ASSERT_TRUE(Load({{true, "scr_down", "test_note_depth(); return scr_down()"}}));
  ASSERT_TRUE(CompileScripts());
  g_deepest = 0;
  CCode code("a = scr_down(); return a", false);
  ASSERT_TRUE(code.Compile());
  RValue result;
  EXPECT_TRUE(ExecuteCode(world.Self(), world.Other(), code, result));
  EXPECT_EQ(result.str(), "ERROR");
  std::printf("deepest nesting reached: %d\n", g_deepest);
  EXPECT_GE(g_deepest, 1000);  // deep enough for real recursion, whatever the build
  EXPECT_LE(g_deepest, kMaxExecDepth);
  EXPECT_EQ(ExecDepth(), 0);
  EXPECT_NE(TestOutput().find("Script calls are nested too deeply."), std::string::npos);
  EXPECT_EQ(TestOutput().find("ERROR:", 1), std::string::npos) << "one message, not one per level";
}

TEST(Nesting, DeepExpressionsAtEveryLevelStillEndCleanly) {
  ScopedTestWorld world;
  // The call sits at the bottom of a 900-level expression, so each level takes the most stack
  // one code can; the limit must still be met before the stack runs out.
  std::string text = "return scr_deep()";
  for (int i = 0; i < 900; ++i) text += " + 1";
  ASSERT_TRUE(Load({{true, "scr_deep", text}}));
  ASSERT_TRUE(CompileScripts());
  CCode code("return scr_deep()", false);
  ASSERT_TRUE(code.Compile());
  RValue result;
  EXPECT_TRUE(ExecuteCode(world.Self(), world.Other(), code, result));
  EXPECT_EQ(result.str(), "ERROR");
  EXPECT_NE(TestOutput().find("Script calls are nested too deeply."), std::string::npos);
  EXPECT_EQ(ExecDepth(), 0);
}

TEST(ExecuteFile, RunsTheFileLineByLineAndReportsAMissingOne) {
  ScopedTestWorld world;
  const std::string path = std::string(TEST_BINARY_DIR) + "/execute_file_test.txt";
  {
    std::ofstream f(path, std::ios::binary);
    f << "x = argument0\n// a comment line\r\nreturn x + argument1";  // mixed line ends
  }
  CCode code("return execute_file(p, 40, 2)", false);
  ASSERT_TRUE(code.Compile());
  world.host.InstanceVars(world.Self())->SetVar(VarIdOfName("p"), 0, RValue(path));
  RValue result;
  ASSERT_TRUE(ExecuteCode(world.Self(), world.Other(), code, result));
  EXPECT_EQ(result.val(), 42.0);
  EXPECT_EQ(TestOutput(), "");
  std::remove(path.c_str());

  ASSERT_TRUE(ExecuteCode(world.Self(), world.Other(), code, result));
  EXPECT_EQ(result.val(), 0.0);
  EXPECT_EQ(TestOutput(), "ERROR: Trying to execute non-existing file.\n");
}

TEST(ConstantValues, TextsThatDoNotFoldRunWithATemporaryInstance) {
  ScopedTestWorld world;
  EXPECT_TRUE(DefineConstantFromText("c_sum", "x + id + 3"));  // the temporary instance: 0, 0
  RValue v;
  ASSERT_TRUE(FindConstant("c_sum", v));
  EXPECT_EQ(v.val(), 3.0);
  EXPECT_TRUE(world.host.temps.empty());
  SetConstantMessageSink([](std::string_view m) { TestOutput() += std::string(m) + "\n"; });
  EXPECT_FALSE(DefineConstantFromText("c_bad", "undefined_thing + 1"));
  EXPECT_EQ(TestOutput(), "Value for constant c_bad  is not valid.\n");
  EXPECT_FALSE(CodeError().pending);
}

namespace {
RToken* Node(CCode& code, NodeKind kind, int32_t ind, int32_t pos, std::vector<RToken*> items = {}) {
  RToken* n = code.Arena().NewNode();
  n->kind = static_cast<int32_t>(kind);
  n->ind = ind;
  n->position = pos;
  n->itemnumb = static_cast<int32_t>(items.size());
  if (!items.empty()) {
    n->items = code.Arena().NewItems(items.size());
    for (size_t i = 0; i < items.size(); ++i) n->items[i] = items[i];
  }
  return n;
}

// Runs a tree the compiler never makes; returns the bare message, or "" on success.
std::string RunTree(ScopedTestWorld& world, CCode& code, RToken* root) {
  code.i_token = root;
  code.i_compiled = true;
  RValue result;
  if (ExecuteCode(world.Self(), world.Other(), code, result)) return "";
  return CodeError().text + " @" + std::to_string(CodeError().position);
}
}  // namespace

TEST(ExecuteEntryPoints, TreesInTheWrongPlaceAreReportedNotRun) {
  ScopedTestWorld world;
  {
    CCode code("12345", false);
    EXPECT_EQ(RunTree(world, code, Node(code, NodeKind::Constant, 0, 2)), "This is not a program. @2");
  }
  {
    CCode code("12345", false);
    RToken* root = Node(code, NodeKind::Block, 0, 1, {Node(code, NodeKind::Constant, 0, 3)});
    EXPECT_EQ(RunTree(world, code, root), "Statement expected. @3");
  }
  {
    CCode code("12345", true);
    EXPECT_EQ(RunTree(world, code, Node(code, NodeKind::Block, 0, 4)), "(Sub-)expression expected. @4");
  }
  {
    CCode code("12345", true);
    RToken* one = Node(code, NodeKind::Constant, 0, 1);
    one->value.SetReal(1.0);
    RToken* two = Node(code, NodeKind::Constant, 0, 5);
    EXPECT_EQ(RunTree(world, code, Node(code, NodeKind::Binary, sym::kNot, 1, {one, two})),
              "Internal error: unknown binary operator. @5");
  }
  {
    CCode code("12345", true);
    RToken* one = Node(code, NodeKind::Constant, 0, 2);
    EXPECT_EQ(RunTree(world, code, Node(code, NodeKind::Unary, sym::kPlus + 100, 1, {one})),
              "Internal error: unknown unary operator. @2");
  }
}

TEST(Nesting, EachThreadIsMeasuredAgainstItsOwnStack) {
  ScopedTestWorld world;
  ASSERT_TRUE(Load({{true, "scr_count", "if (argument0 <= 0) return 0; return 1 + scr_count(argument0 - 1)"}}));
  ASSERT_TRUE(CompileScripts());
  CCode code("return scr_count(200)", false);
  ASSERT_TRUE(code.Compile());
  RValue here, there;
  ASSERT_TRUE(ExecuteCode(world.Self(), world.Other(), code, here));
  std::thread t([&] { ExecuteCode(world.Self(), world.Other(), code, there); });
  t.join();
  EXPECT_EQ(here.val(), 200.0);
  EXPECT_EQ(there.val(), 200.0);
}
