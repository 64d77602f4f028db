// Objects written by gamebuild and read back by the runner's objects chunk loader: fields,
// parents, event keys, every action shape of the project notation, and the faults of object
// files.
#include <gtest/gtest.h>

#include "runner/code/Code_Function.h"
#include "runner/functions/Function_Families.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Object_Lists.h"
#include "tests/tools/gamebuild/GameFixture.h"

using namespace fixture;

namespace {

std::string Game(const std::string& objects, const std::string& scripts = "[]") {
  return R"({"game_id": 1, "room_order": ["rm"], "resources": {"rooms": ["rm"], "objects": )" + objects +
         R"(, "scripts": )" + scripts + "}}";
}

// Loads the built game with the objects loader installed; objects stay loaded for the test.
struct Loaded : LoadRun {
  explicit Loaded(const Project& p, bool prepare = false) {
    UseSubsystem("objects");
    if (prepare)
      LoadAndPrepare(p.Build());
    else
      Load(p.Build());
  }
};

TEST(ObjectRecords, FieldsParentsAndEventsRoundTrip) {
  Project p({{"game.json", Game(R"(["obj_base", null, "obj_player"])")},
             {"objects/obj_base.json", R"({"sprite": 3, "solid": true, "visible": false, "depth": -10,
                 "persistent": true, "mask": 2, "events": {"draw": "draw_self();"}})"},
             {"objects/obj_player.json", R"({"parent": "obj_base", "events": {
                 "create": "hp = 3;", "destroy": [], "alarm11": "a = 1;", "step": "s = 0;", "step_begin": "s = 1;",
                 "step_end": "s = 2;", "collision:obj_base": "c = 1;", "keyboard:left": "k = 1;",
                 "keypress:a": "k = 2;", "keyrelease:7": "k = 3;", "keyboard:200": "k = 4;",
                 "keypress:anykey": "k = 5;", "mouse:global_left_release": "m = 1;", "mouse:joystick2_button8": "m = 2;",
                 "other:user15": "o = 1;", "other:boundary_view7": "o = 2;", "trigger:3": "t = 1;", "7:42": "r = 1;"}})"}});
  Loaded run(p);
  ASSERT_TRUE(run.loaded) << (run.messages.empty() ? "" : run.messages[0]);
  ASSERT_EQ(Objects().Count(), 3);
  EXPECT_FALSE(Objects().Exists(1));
  EXPECT_EQ(Objects().Name(0), "obj_base");
  EXPECT_EQ(Objects().Name(2), "obj_player");
  EXPECT_EQ(Objects().Find("obj_player"), 2);
  const CObject& base = *Objects().Get(0);
  EXPECT_EQ(base.o_spriteindex, 3);
  EXPECT_TRUE(base.o_solid);
  EXPECT_FALSE(base.o_visible);
  EXPECT_EQ(base.o_depth, -10);
  EXPECT_TRUE(base.o_persistent);
  EXPECT_EQ(base.o_parent, -1);
  EXPECT_EQ(base.o_mask, 2);
  const CObject& player = *Objects().Get(2);
  EXPECT_EQ(player.o_spriteindex, -1);
  EXPECT_TRUE(player.o_visible);
  EXPECT_EQ(player.o_parent, 0);
  EXPECT_EQ(player.o_mask, -1);
  EXPECT_EQ(player.GetEventRecursive(ev_draw, 0).owner, 0);
  for (auto [t, n] : std::vector<std::pair<int32_t, int32_t>>{
           {0, 0}, {2, 11}, {3, 0}, {3, 1}, {3, 2}, {4, 0}, {5, 37}, {9, 65}, {10, 55}, {5, 200}, {9, 1}, {6, 56},
           {6, 43}, {7, 25}, {7, 57}, {11, 3}, {7, 42}})
    EXPECT_NE(player.GetEventDirect(t, n), nullptr) << t << ":" << n;
  EXPECT_EQ(player.GetEventDirect(ev_destroy, 0), nullptr);  // no actions: absent
  EXPECT_FALSE(player.HasEventDirect(ev_draw));
}

TEST(ObjectRecords, ActionShapesBecomeTheirRecords) {
  Project p({{"game.json", Game(R"(["obj_a", "obj_b"])", R"(["scr_go"])")},
             {"scripts/scr_go.kvs", "return 1;"},
             {"objects/obj_b.json", "{}"},
             {"objects/obj_a/step.kvs", "x += 1;\ny += 1;\n"},
             {"objects/obj_a.json", R"({"events": {"step": [
                 "plain = 1;",
                 {"code_file": "obj_a/step.kvs", "applies_to": "other"},
                 {"call": "scr_go", "args": ["x", 2, "'s'"], "kinds": ["expr", "either", "string"], "relative": true,
                  "applies_to": "obj_b", "lib": [1, 102]},
                 {"if": "scr_go", "args": [], "not": true},
                 {"op": "begin"}, {"set": "v", "value": "5", "relative": true}, {"op": "exit"}, {"op": "end"},
                 {"op": "else"}, {"repeat": 3}, {"repeat": "n + 1"},
                 {"code": "return argument0 > 1;", "question": true, "args": ["4"]}
               ]}})"}});
  Loaded run(p);
  ASSERT_TRUE(run.loaded) << (run.messages.empty() ? "" : run.messages[0]);
  const CEvent& e = *Objects().Get(0)->GetEventDirect(ev_step, 0);
  ASSERT_EQ(e.e_number(), 12);
  auto at = [&](int32_t i) -> const CAction& { return *e.e_actions[static_cast<size_t>(i)]; };

  EXPECT_EQ(at(0).act_kind, kActCode);
  EXPECT_EQ(at(0).act_exetype, kExeCode);
  EXPECT_EQ(at(0).act_argumentcount, 1);
  EXPECT_EQ(at(0).act_argtype[0], 1);
  EXPECT_EQ(at(0).act_argstring[0], "plain = 1;");
  EXPECT_TRUE(at(0).act_useapplyto);
  EXPECT_EQ(at(0).act_who, -1);

  EXPECT_EQ(at(1).act_argstring[0], "x += 1;\r\ny += 1;\r\n");  // line ends stored as CR LF
  EXPECT_EQ(at(1).act_who, -2);

  const CAction& call = at(2);
  EXPECT_EQ(call.act_kind, kActNormal);
  EXPECT_EQ(call.act_exetype, kExeFunction);
  EXPECT_EQ(call.act_libid, 1);
  EXPECT_EQ(call.act_id, 102);
  EXPECT_TRUE(call.act_userelative);
  EXPECT_TRUE(call.act_relative);
  EXPECT_EQ(call.act_who, 1);
  EXPECT_EQ(call.act_argumentcount, 3);
  EXPECT_EQ((std::array<int32_t, 3>{call.act_argtype[0], call.act_argtype[1], call.act_argtype[2]}),
            (std::array<int32_t, 3>{0, 2, 1}));
  EXPECT_EQ(call.act_argstring[1], "2");
  EXPECT_EQ(call.act_argstring[2], "'s'");
  EXPECT_FALSE(call.act_isquestion);

  EXPECT_TRUE(at(3).act_isquestion);
  EXPECT_TRUE(at(3).act_isnot);
  EXPECT_FALSE(at(3).act_userelative);
  EXPECT_EQ(at(3).act_argumentcount, 0);

  for (auto [i, kind] : std::vector<std::pair<int32_t, int32_t>>{{4, kActBegin}, {6, kActExit}, {7, kActEnd}, {8, kActElse}}) {
    EXPECT_EQ(at(i).act_kind, kind) << i;
    EXPECT_EQ(at(i).act_exetype, kExeNone) << i;
    EXPECT_FALSE(at(i).act_useapplyto) << i;
  }
  const CAction& set = at(5);
  EXPECT_EQ(set.act_kind, kActVariable);
  EXPECT_EQ(set.act_exetype, kExeCode);
  EXPECT_TRUE(set.act_relative);
  EXPECT_EQ(set.act_argstring[0], "v");
  EXPECT_EQ(set.act_argstring[1], "5");

  EXPECT_EQ(at(9).act_kind, kActRepeat);
  EXPECT_EQ(at(9).act_argstring[0], "3");
  EXPECT_EQ(at(10).act_argstring[0], "n + 1");

  const CAction& lib = at(11);
  EXPECT_EQ(lib.act_kind, kActNormal);
  EXPECT_EQ(lib.act_exetype, kExeCode);
  EXPECT_TRUE(lib.act_isquestion);
  EXPECT_EQ(lib.act_codestring, "return argument0 > 1;");
  EXPECT_EQ(lib.act_argumentcount, 1);
}

TEST(ObjectRecords, BuiltInFunctionsResolveAtLoadAndObjectsCompileInPreparation) {
  InitFunctions(AllFunctionFamilies());
  ASSERT_GT(FunctionCount(), 0);
  const std::string name = FunctionAt(0)->f_name;
  Project p({{"game.json", Game(R"(["obj_a"])")},
             {"objects/obj_a.json", R"({"events": {"create": [{"call": ")" + name + R"(", "args": ["1+2"]},
                 {"set": "x", "value": "4", "relative": true}]}})"}});
  Loaded run(p, true);
  ASSERT_TRUE(run.prepared) << (run.messages.empty() ? "" : run.messages[0]);
  const CEvent& e = *Objects().Get(0)->GetEventDirect(ev_create, 0);
  EXPECT_EQ(e.e_actions[0]->act_functionid, 0);
  EXPECT_EQ(e.e_actions[0]->act_argtype[0], kArgConstant);
  EXPECT_EQ(e.e_actions[0]->act_argvalue[0].val(), 3);
  ASSERT_TRUE(e.e_actions[1]->act_codecode);
  EXPECT_EQ(e.e_actions[1]->act_codecode->GetText(), "x += 4");
}

// Actions may call the built-ins of every layer, not only the functions layer's.
TEST(ObjectRecords, ActionsCallFunctionsOfTheLayersAboveTheFunctions) {
  Project p({{"game.json", Game(R"(["obj_a"])")},
             {"objects/obj_a.json", R"({"events": {"create": [{"call": "show_message", "args": ["'hi'"]},
                 {"call": "external_free", "args": ["'lib.so'"]}, {"call": "mplay_end", "args": []}]}})"}});
  Loaded run(p, true);
  EXPECT_TRUE(run.prepared) << (run.messages.empty() ? "" : run.messages[0]);
}

TEST(ObjectRecords, ACompileErrorFailsPreparation) {
  Project p({{"game.json", Game(R"(["obj_a"])")}, {"objects/obj_a.json", R"({"events": {"step": "x = ;"}})"}});
  Loaded run(p, true);
  EXPECT_TRUE(run.loaded);
  EXPECT_FALSE(run.prepared);
  EXPECT_EQ(run.messages.back(), "Failed to compile the actions in the objects.");
}

struct ObjectFault {
  const char* what;
  std::string object;  // obj_a.json
  const char* key;
  const char* message;
};

void PrintTo(const ObjectFault& c, std::ostream* os) { *os << c.what; }

class ObjectFaults : public ::testing::TestWithParam<ObjectFault> {};

TEST_P(ObjectFaults, NameFileAndKey) {
  const ObjectFault& c = GetParam();
  Project p({{"game.json", Game(R"(["obj_a", "obj_b"])")}, {"objects/obj_a.json", c.object}, {"objects/obj_b.json", "{}"}});
  try {
    p.BuildBytes();
    FAIL() << "no fault";
  } catch (const gamebuild::ProjectError& e) {
    EXPECT_EQ(e.File(), "objects/obj_a.json");
    EXPECT_EQ(e.Key(), c.key);
    EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ObjectFaults,
    ::testing::Values(
        ObjectFault{"unknown key", R"({"sprit": 1})", "sprit", "unknown key"},
        ObjectFault{"unknown parent", R"({"parent": "obj_c"})", "parent", "unknown object \"obj_c\""},
        ObjectFault{"parent cycle", R"({"parent": "obj_a"})", "parent", "comes back"},
        ObjectFault{"unknown event", R"({"events": {"stepp": []}})", "events.stepp", "unknown event"},
        ObjectFault{"alarm 12", R"({"events": {"alarm12": []}})", "events.alarm12", "unknown event"},
        ObjectFault{"same event twice", R"({"events": {"keyboard:a": [], "keyboard:65": []}})", "events.keyboard:a",
                    "the same event as \"keyboard:65\""},
        ObjectFault{"type above 11", R"({"events": {"12:0": []}})", "events.12:0", "type from 0 to 11"},
        ObjectFault{"unknown key name", R"({"events": {"keyboard:lefty": []}})", "events.keyboard:lefty", "unknown key"},
        ObjectFault{"unknown collision object", R"({"events": {"collision:obj_x": []}})", "events.collision:obj_x",
                    "unknown object"},
        ObjectFault{"unknown function", R"({"events": {"step": [{"call": "no_such_fn"}]}})", "events.step[0].call",
                    "unknown function \"no_such_fn\""},
        ObjectFault{"two shapes", R"({"events": {"step": [{"code": "a = 1;", "op": "exit"}]}})", "events.step[0]",
                    "exactly one of"},
        ObjectFault{"not on a call", R"({"events": {"step": [{"call": "scr", "not": true}]}})", "events.step[0].not",
                    "only a question"},
        ObjectFault{"bad op", R"({"events": {"step": [{"op": "loop"}]}})", "events.step[0].op", "begin, end, else or exit"},
        ObjectFault{"too many arguments", R"({"events": {"step": [{"code": "", "args": [1,2,3,4,5,6,7,8,9]}]}})",
                    "events.step[0].args", "at most 8"},
        ObjectFault{"kinds without args", R"({"events": {"step": [{"set": "x", "value": "1", "kinds": []}]}})",
                    "events.step[0].kinds", "unknown key"},
        ObjectFault{"bad kind", R"({"events": {"step": [{"code": "", "args": ["1"], "kinds": ["real"]}]}})",
                    "events.step[0].kinds[0]", "expr, string or either"},
        ObjectFault{"missing code file", R"({"events": {"step": [{"code_file": "nope.kvs"}]}})",
                    "events.step[0].code_file", "file not found: nope.kvs"},
        ObjectFault{"unknown applies_to", R"({"events": {"step": [{"code": "", "applies_to": "obj_z"}]}})",
                    "events.step[0].applies_to", "unknown object"}),
    [](const auto& info) {
      std::string n = info.param.what;
      for (char& ch : n)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

TEST(ObjectFiles, UnlistedObjectFileIsAFault) {
  Project p({{"game.json", Game("[]")}, {"objects/stray.json", "{}"}});
  try {
    p.BuildBytes();
    FAIL() << "no fault";
  } catch (const gamebuild::ProjectError& e) {
    EXPECT_EQ(e.File(), "objects/stray.json");
  }
}

}  // namespace

#include "runner/code/Code_Exec.h"
#include "runner/code/Constant_Main.h"
#include "runner/code/Script_Main.h"
#include "runner/code/Variable_Main.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Command.h"
#include "runner/run/Run_Host.h"
#include "runner/run/Run_Main.h"

namespace {

// Constants, scripts and objects of one built game, loaded and prepared with their real loaders.
struct Prepared : LoadRun {
  explicit Prepared(const Project& p) {
    InitFunctions(AllFunctionFamilies());
    InitInterpreter();
    InstallRuntimeHost();
    AddChunkLoader(EChunk::Constants, LoadConstants);
    AddPrepareStep(EPrepareStep::Constants, DefineGameConstants);
    AddChunkLoader(EChunk::Scripts, LoadScripts);
    AddPrepareStep(EPrepareStep::Scripts, CompileScripts);
    UseSubsystem("objects");
    LoadAndPrepare(p.Build());
  }
  ~Prepared() {
    SetExecHost(nullptr);
  }
};

// Preparation compiles constants, then scripts, then objects by index, event type, number and
// action, each action's code before its arguments: user variable ids follow that order.
TEST(BuiltGame, UserVariableIdsFollowTheCompilationOrder) {
  const std::string p = "uv" + std::to_string(UserVarCount()) + "_";
  Project project(
      {{"game.json", R"({"game_id": 1, "room_order": ["rm"],
          "resources": {"rooms": ["rm"], "scripts": ["scr_a"], "objects": ["obj_a", "obj_b"]}})"},
       {"constants.json", R"([["K1", ")" + p + R"(c + 1"]])"},
       {"scripts/scr_a.kvs", p + "s = argument0; return argument_relative;"},
       {"objects/obj_b.json", R"({"events": {"create": ")" + p + R"(b = 1;"}})"},
       {"objects/obj_a.json", R"({"events": {
           "step": ")" + p + R"(step = 2;",
           "alarm0": ")" + p + R"(alarm = 1;",
           "create": [")" + p + R"(code = 1;", {"call": "scr_a", "args": [")" + p + R"(arg"], "relative": true}]}})"}});
  // The constant's value text reads a variable nobody set.
  struct UninitZero {
    UninitZero() { LanguageState().uninit_zero = true; }
    ~UninitZero() { LanguageState().uninit_zero = false; }
  } uninitZero;
  Prepared run(project);
  ASSERT_TRUE(run.prepared) << (run.messages.empty() ? "" : run.messages[0]);
  std::vector<int32_t> ids;
  for (const char* v : {"c", "s", "code", "arg", "alarm", "step", "b"}) ids.push_back(VarIdOfName(p + v));
  for (size_t i = 1; i < ids.size(); ++i) EXPECT_EQ(ids[i], ids[i - 1] + 1) << i;

  // And the game runs: the create event calls the script with the relative flag set.
  CRoom room;
  SetCurrentRoom(&room);
  Arguments().relative = 0;
  CInstance* inst = CreateInstance(0, 10, 20);
  ASSERT_NE(inst, nullptr);
  RValue v;
  EXPECT_TRUE(inst->i_vars.GetVar(VarIdOfName(p + "code"), 0, v));
  EXPECT_TRUE(inst->i_vars.GetVar(VarIdOfName(p + "s"), 0, v));
  EXPECT_EQ(Arguments().relative, 1);  // a function action leaves its relative flag set
  Arguments().relative = 0;
  SetCurrentRoom(nullptr);
}

// The standard actions are built-in functions: a project writes them with their arguments, the
// relative box, not and apply-to, and the built game runs them.
TEST(BuiltGame, ActionFunctionsKeepTheirArgumentsAndOptions) {
  Project project({{"game.json", R"({"game_id": 1, "room_order": ["rm"],
                      "resources": {"rooms": ["rm"], "objects": ["obj_a", "obj_b"]}})"},
                   {"objects/obj_b.json", "{}"},
                   {"objects/obj_a.json", R"({"events": {"create": [
                       {"call": "action_move_to", "args": [5, "y"], "relative": true},
                       {"if": "action_if_variable", "args": ["x", 15, 0], "not": true},
                       {"call": "action_set_hspeed", "args": [7]},
                       {"call": "action_set_vspeed", "args": [2], "applies_to": "obj_b", "relative": false},
                       {"call": "action_draw_text", "args": ["a#b", 0, 0], "kinds": ["string", "expr", "expr"]}
                     ]}})"}});
  Prepared run(project);
  ASSERT_TRUE(run.prepared) << (run.messages.empty() ? "" : run.messages[0]);
  const CEvent& e = *Objects().Get(0)->GetEventDirect(ev_create, 0);
  ASSERT_EQ(e.e_number(), 5);
  auto at = [&](int32_t i) -> const CAction& { return *e.e_actions[static_cast<size_t>(i)]; };
  int32_t moveTo = -1, ifVariable = -1;
  ASSERT_TRUE(FindBuiltinFunction("action_move_to", moveTo));
  ASSERT_TRUE(FindBuiltinFunction("action_if_variable", ifVariable));
  EXPECT_EQ(at(0).act_functionid, moveTo);
  EXPECT_EQ(at(0).act_argumentcount, 2);
  EXPECT_EQ(at(0).act_argtype[0], kArgConstant);  // folded at compilation
  EXPECT_EQ(at(0).act_argtype[1], kArgExpression);
  EXPECT_TRUE(at(0).act_userelative && at(0).act_relative);
  EXPECT_EQ(at(1).act_functionid, ifVariable);
  EXPECT_TRUE(at(1).act_isquestion && at(1).act_isnot);
  EXPECT_EQ(at(3).act_who, 1);
  EXPECT_TRUE(at(3).act_userelative);
  EXPECT_FALSE(at(3).act_relative);
  EXPECT_EQ(at(4).act_argvalue[0].str(), "a#b");

  // Moved to (15, 25): x is 15, so "not x = 15" skips the set of hspeed.
  CRoom room;
  SetCurrentRoom(&room);
  CInstance* inst = CreateInstance(0, 10, 20);
  ASSERT_NE(inst, nullptr);
  EXPECT_EQ(inst->i_x, 15);
  EXPECT_EQ(inst->i_y, 40);
  EXPECT_EQ(inst->i_hspeed, 0);
  Arguments().relative = 0;
  SetCurrentRoom(nullptr);
}

}  // namespace
