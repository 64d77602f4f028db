// Actions run in the interpreter: code actions and their argument slots, set-variable actions,
// function actions calling scripts with argument_relative, questions answered by code, applies-to
// with code, and the order of user variable ids across a built game's code.
#include <span>

#include "runner/code/Code_Error.h"
#include "runner/code/Event_Action.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Constant_Main.h"
#include "runner/code/Script_Main.h"
#include "runner/code/Variable_Main.h"
#include "runner/run/Run_Host.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

class Exec : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    InitInterpreter();
    InstallRuntimeHost();
    SetErrorSink([](std::string_view m, bool fatal) { Errors().push_back(std::string(fatal ? "F:" : "") + std::string(m)); });
    Errors().clear();
  }
  void TearDown() override {
    for (RValue& slot : std::span(Arguments().slots, kMaxFunctionArgs)) slot = RValue();
    Arguments().relative = 0;
    SetErrorSink(nullptr);
    SetExecHost(nullptr);
    WorldTest::TearDown();
  }
  static std::vector<std::string>& Errors() {
    static std::vector<std::string> e;
    return e;
  }
  // A compiled code action.
  static std::unique_ptr<CAction> Code(const std::string& text, int32_t who = -1) {
    auto a = CAction::CreateCode(text);
    a->act_useapplyto = true;
    a->act_who = who;
    EXPECT_TRUE(a->Compile()) << text;
    return a;
  }
  static double Var(CInstance* i, const char* name) {
    RValue v;
    i->i_vars.GetVar(VarIdOfName(name), 0, v);
    return v.val();
  }
};

TEST_F(Exec, CodeActionsSetVariablesAndKeepTheCallersArguments) {
  const int32_t obj = AddObject();
  CInstance* inst = room.AddInstance(0, 0, obj);
  Arguments().slots[0] = RValue(11.0);
  Arguments().slots[1] = RValue(22.0);
  Arguments().relative = 1;

  auto lib = std::make_unique<CAction>(kActNormal);
  lib->act_exetype = kExeCode;
  lib->act_codestring = "got0 = argument0; got1 = argument1; rel = argument_relative; argument0 = 99;";
  lib->act_argumentcount = 2;
  lib->act_argstring[0] = "5";
  lib->act_argstring[1] = "argument0 + 1";  // sees the slot the first argument just filled
  lib->act_userelative = true;
  lib->act_relative = false;
  ASSERT_TRUE(lib->Compile());
  ExecuteAction(*lib, inst, inst);
  EXPECT_EQ(Var(inst, "got0"), 5);
  EXPECT_EQ(Var(inst, "got1"), 6);
  EXPECT_EQ(Var(inst, "rel"), 0);
  EXPECT_EQ(Arguments().slots[0].val(), 11);
  EXPECT_EQ(Arguments().slots[1].val(), 22);
  EXPECT_EQ(Arguments().relative, 1);

  auto set = std::make_unique<CAction>(kActVariable);
  set->act_exetype = kExeCode;
  set->act_argumentcount = 2;
  set->act_argstring[0] = "score_x";
  set->act_argstring[1] = "4";
  set->act_relative = true;
  ASSERT_TRUE(set->Compile());
  inst->i_vars.SetVar(VarIdOfName("score_x"), 0, RValue(10.0));
  ExecuteAction(*set, inst, inst);
  ExecuteAction(*set, inst, inst);
  EXPECT_EQ(Var(inst, "score_x"), 18);
  EXPECT_TRUE(Errors().empty());
}

TEST_F(Exec, QuestionsAnswerByTheCodesResult) {
  const int32_t obj = AddObject();
  CInstance* inst = room.AddInstance(0, 0, obj);
  auto ask = [](const char* code, bool isnot) {
    auto a = CAction::CreateCode(code);
    a->act_isquestion = true;
    a->act_isnot = isnot;
    EXPECT_TRUE(a->Compile());
    return a;
  };
  EXPECT_TRUE(EvaluateAction(*ask("return 0.5;", false), inst, inst));
  EXPECT_FALSE(EvaluateAction(*ask("return 0.49;", false), inst, inst));
  EXPECT_FALSE(EvaluateAction(*ask("return 0.5;", true), inst, inst));
  EXPECT_TRUE(EvaluateAction(*ask("return 0.49;", true), inst, inst));
  EXPECT_FALSE(EvaluateAction(*ask("return \"yes\";", false), inst, inst));
  auto none = Op(kActNormal);
  none->act_isquestion = true;
  EXPECT_FALSE(EvaluateAction(*none, inst, inst));
}

TEST_F(Exec, AppliesToWithCodeAndRepeatCountsFromExpressions) {
  const int32_t target = AddObject();
  const int32_t runner = AddObject();
  CInstance* t1 = room.AddInstance(0, 0, target);
  CInstance* t2 = room.AddInstance(0, 0, target);
  CInstance* s = room.AddInstance(0, 0, runner);
  CInstance* o = room.AddInstance(0, 0, runner);
  auto repeat = Op(kActRepeat);
  repeat->act_argumentcount = 1;
  repeat->act_argtype[0] = 0;
  repeat->act_argstring[0] = "times";
  ASSERT_TRUE(repeat->Compile());
  s->i_vars.SetVar(VarIdOfName("times"), 0, RValue(3.0));
  Event(runner, ev_step, 0).e_actions =
      [&] {
        std::vector<std::unique_ptr<CAction>> v;
        v.push_back(Code("hit = other.id;", target));
        v.push_back(Code("by = other.id;", -2));
        v.push_back(std::move(repeat));
        v.push_back(Code("n += 1;"));
        return v;
      }();
  s->i_vars.SetVar(VarIdOfName("n"), 0, RValue(0.0));
  PerformEvent(s, o, ev_step, 0);
  EXPECT_EQ(Var(t1, "hit"), o->i_id);
  EXPECT_EQ(Var(t2, "hit"), o->i_id);
  EXPECT_EQ(Var(o, "by"), s->i_id);
  EXPECT_EQ(Var(s, "n"), 3);
  EXPECT_TRUE(Errors().empty()) << Errors().front();
}

TEST_F(Exec, RunTimeErrorsOfArgumentsAndCodeAreShownAndTheActionGoesOn) {
  const int32_t obj = AddObject();
  CInstance* inst = room.AddInstance(0, 0, obj);
  auto log = Log("");
  log->act_argtype[0] = 0;
  log->act_argstring[0] = "missing_var";
  log->act_argumentcount = 1;
  ASSERT_TRUE(log->Compile());
  ExecuteAction(*log, inst, inst);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_NE(Errors()[0].find("Unknown variable missing_var"), std::string::npos) << Errors()[0];
  EXPECT_EQ(Trace().size(), 1u);  // the function still ran
}

TEST_F(Exec, InstanceVariablesThroughTheHost) {
  const int32_t obj = AddObject();
  CInstance* inst = room.AddInstance(0, 0, obj);
  ExecuteAction(*Code("hspeed = 3; vspeed = -4; spd = speed; alarm[12] = 7; visible = 0.5;"), inst, inst);
  EXPECT_EQ(Var(inst, "spd"), 5);
  EXPECT_EQ(inst->GetAlarm(0), 7);
  EXPECT_FALSE(inst->i_visible);
  CInstance* other = room.AddInstance(0, 0, obj);
  ExecuteAction(*Code("(" + std::to_string(other->i_id) + ").x = 40; with (other) y = 2;"), inst, other);
  EXPECT_EQ(other->i_x, 40);
  EXPECT_EQ(other->i_y, 2);
  EXPECT_TRUE(Errors().empty()) << Errors().front();
}

}  // namespace

namespace {

TEST_F(Exec, RelativeReachesFunctionsOnlyWhereTheActionOffersIt) {
  static int32_t seen;
  static const RFunctionDef kDefs[] = {
      {"t_relative", 0, [](CInstance*, CInstance*, int32_t, RValue*, RValue&) { seen = Arguments().relative; }}};
  static bool registered = false;
  if (!registered) RegisterFamily(kDefs), registered = true;
  const int32_t obj = AddObject();
  CInstance* inst = room.AddInstance(0, 0, obj);
  struct Case {
    bool userelative, relative;
    int32_t expected;
  };
  for (const Case& c : {Case{false, false, 0}, Case{false, true, 0}, Case{true, false, 0}, Case{true, true, 1}}) {
    auto a = Op(kActNormal);
    a->act_exetype = kExeFunction;
    a->act_functionid = Fn("t_relative");
    a->act_userelative = c.userelative;
    a->act_relative = c.relative;
    Arguments().relative = 7;
    seen = -1;
    ExecuteAction(*a, inst, inst);
    EXPECT_EQ(seen, c.expected) << c.userelative << c.relative;
    EXPECT_EQ(Arguments().relative, c.expected);  // and it stays set
  }
  // Code actions see it too, and put the caller's back.
  auto code = CAction::CreateCode("r = argument_relative;");
  ASSERT_TRUE(code->Compile());
  code->act_userelative = true;
  code->act_relative = true;
  Arguments().relative = 0;
  ExecuteAction(*code, inst, inst);
  EXPECT_EQ(Var(inst, "r"), 1);
  EXPECT_EQ(Arguments().relative, 0);
}

}  // namespace
