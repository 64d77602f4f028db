// The interaction and event functions called from game code in a world of objects: creating,
// copying, changing and destroying instances with their events, finding and counting them,
// performing events by number, inherited events, and room and game requests.
#include <span>

#include "platform/clock/Clock.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Variable_Main.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Object_State.h"
#include "runner/run/Run_Host.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

class Functions : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    InitInterpreter();
    InstallRuntimeHost();
    SetErrorSink([](std::string_view m, bool) { Errors().push_back(std::string(m)); });
    Errors().clear();
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SetExecHost(nullptr);
    WorldTest::TearDown();
  }
  static std::vector<std::string>& Errors() {
    static std::vector<std::string> e;
    return e;
  }
  // Gives the event one code action.
  void Code(int32_t obj, int32_t type, int32_t number, const std::string& text) {
    auto a = CAction::CreateCode(text);
    ASSERT_TRUE(a->Compile()) << text;
    Event(obj, type, number).e_actions.push_back(std::move(a));
  }
  // Runs code for self (and other) outside any event; returns its value.
  RValue Run(CInstance* self, const std::string& text, CInstance* other = nullptr) {
    CCode code(text, false);
    EXPECT_TRUE(code.Compile()) << text;
    RValue result;
    EXPECT_TRUE(ExecuteCode(self, other ? other : self, code, result)) << text;
    return result;
  }
  static double Var(CInstance* i, const char* name) {
    RValue v;
    i->i_vars.GetVar(VarIdOfName(name), 0, v);
    return v.val();
  }
  using Log = std::vector<std::string>;
};

TEST_F(Functions, InstanceCreateReturnsTheNewIdAfterItsCreateEvent) {
  const int32_t obj = AddObject();
  Code(obj, ev_create, 0, "t_log(\"created at \" + string(x) + \",\" + string(y))");
  CInstance* self = room.AddInstance(0, 0, obj);
  EXPECT_EQ(Run(self, "return instance_create(10, 20, " + std::to_string(obj) + ")").val(), 100002);
  EXPECT_EQ(Trace(), (Log{"created at 10,20@100002/100002"}));
  ASSERT_EQ(room.r_numb(), 2);
  EXPECT_EQ(room.Instance(1)->i_id, 100002);

  // A missing object: the message, and noone rather than an object index.
  EXPECT_EQ(Run(self, "return instance_create(0, 0, 77)").val(), -4);
  EXPECT_EQ(Errors(), (Log{"Creating instance for non-existing object: 77"}));
  EXPECT_EQ(room.r_numb(), 2);
}

TEST_F(Functions, InstanceDestroyRunsTheDestroyEventThenMarks) {
  const int32_t obj = AddObject();
  Code(obj, ev_destroy, 0, "t_log(instance_number(object_index))");
  CInstance* a = room.AddInstance(0, 0, obj);
  CInstance* b = room.AddInstance(0, 0, obj);
  Run(a, "instance_destroy(); instance_destroy()");
  EXPECT_EQ(Trace(), (Log{"2@100001/100001"}));  // once, and still counted while it runs
  EXPECT_TRUE(a->i_marked);
  EXPECT_FALSE(b->i_marked);
  EXPECT_EQ(Run(b, "return instance_number(" + std::to_string(obj) + ")").val(), 1);
  EXPECT_EQ(Run(b, "return instance_exists(100001)").val(), 0);
}

TEST_F(Functions, CopyAndChange) {
  const int32_t a = AddObject();
  const int32_t b = AddObject();
  Code(a, ev_create, 0, "t_log(\"a create\")");
  Code(a, ev_destroy, 0, "t_log(\"a destroy\")");
  Code(b, ev_create, 0, "t_log(\"b create \" + string(v))");
  CInstance* self = room.AddInstance(5, 6, a);
  Run(self, "v = 7");
  EXPECT_EQ(Run(self, "return instance_copy(false)").val(), 100002);
  EXPECT_EQ(Run(self, "return instance_copy(true)").val(), 100003);
  EXPECT_EQ(Var(room.Instance(1), "v"), 7);
  EXPECT_EQ(room.Instance(1)->i_x, 5);
  Run(self, "instance_change(" + std::to_string(b) + ", true)");
  EXPECT_EQ(Trace(), (Log{"a create@100003/100003", "a destroy@100001/100001", "b create 7@100001/100001"}));
  EXPECT_TRUE(self->i_marked);
  EXPECT_EQ(Run(room.Instance(1), "return instance_find(100001, 0)").val(), 100001);
  EXPECT_EQ(Run(room.Instance(1), "return instance_number(" + std::to_string(b) + ")").val(), 1);

  Run(room.Instance(1), "instance_change(99, false)");
  EXPECT_EQ(Errors(), (Log{"Asking to change into non-existing object: 99"}));
}

TEST_F(Functions, FindExistsAndNumber) {
  const int32_t parent = AddObject();
  const int32_t child = AddObject(parent);
  const int32_t lone = AddObject();
  CInstance* p = room.AddInstance(0, 0, parent);
  room.AddInstance(0, 0, child);
  room.AddInstance(0, 0, child)->i_marked = true;
  room.AddInstance(0, 0, child);
  const std::string P = std::to_string(parent), C = std::to_string(child), L = std::to_string(lone);
  struct Case {
    std::string expr;
    double want;
  };
  const Case cases[] = {
      {"instance_number(" + P + ")", 3},  // with descendants, the marked one skipped
      {"instance_number(" + C + ")", 2},
      {"instance_number(" + L + ")", 0},
      {"instance_number(all)", 3},
      {"instance_number(self)", 1},
      {"instance_number(100003)", 0},
      {"instance_number(-4)", 0},
      {"instance_exists(" + C + ")", 1},
      {"instance_exists(" + L + ")", 0},
      {"instance_exists(100004)", 1},
      {"instance_find(" + P + ", 0)", 100001},
      {"instance_find(" + P + ", 2)", 100004},
      {"instance_find(" + P + ", 3)", -4},
      {"instance_find(" + P + ", -1)", -4},
      {"instance_find(all, 1)", 100002},
      {"instance_find(100002, 0)", 100002},
      {"instance_find(100002, 1)", -4},
      {"instance_find(other, 0)", 100001},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(p, "return " + c.expr).val(), c.want) << c.expr;
}

TEST_F(Functions, EventInheritedWalksUpTwoParentLevels) {
  const int32_t grand = AddObject();
  const int32_t parent = AddObject(grand);
  const int32_t child = AddObject(parent);
  const int32_t skipping = AddObject(parent);
  Code(grand, ev_step, 0, "t_log(\"grand\"); event_inherited()");  // no parent: nothing
  Code(parent, ev_step, 0, "t_log(\"parent\"); event_inherited()");
  Code(child, ev_step, 0, "t_log(\"child\"); event_inherited()");
  Code(skipping, ev_alarm, 2, "t_log(\"skipping\"); event_inherited()");
  Code(grand, ev_alarm, 2, "t_log(\"grand alarm\")");
  CInstance* c = room.AddInstance(0, 0, child);
  CInstance* s = room.AddInstance(0, 0, skipping);
  PerformEvent(c, s, ev_step, 0);
  EXPECT_EQ(Trace(), (Log{"child@100001/100002", "parent@100001/100002", "grand@100001/100002"}));
  Trace().clear();
  PerformEvent(s, s, ev_alarm, 2);  // the parent lacks the event: found further up
  EXPECT_EQ(Trace(), (Log{"skipping@100002/100002", "grand alarm@100002/100002"}));
  EXPECT_TRUE(Errors().empty());
}

TEST_F(Functions, PerformingEventsByNumber) {
  const int32_t base = AddObject();
  const int32_t obj = AddObject(base);
  const int32_t other = AddObject();
  Code(obj, ev_other, 13, "t_log(\"user 3\")");
  Code(base, ev_keyboard, 65, "t_log(\"base key\")");
  Code(other, ev_step, 1, "t_log(\"other's step as \" + string(object_index)); event_inherited()");
  CInstance* self = room.AddInstance(0, 0, obj);
  struct Case {
    std::string code;
    Log trace;
  };
  const Case cases[] = {
      {"event_user(3)", {"user 3@100001/100001"}},
      {"event_perform(ev_other, 13)", {"user 3@100001/100001"}},
      {"event_perform(ev_keyboard, 65)", {"base key@100001/100001"}},
      {"event_perform_object(" + std::to_string(other) + ", ev_step, 1)",
       {"other's step as " + std::to_string(obj) + "@100001/100001"}},
      {"event_perform(ev_step, 5); event_user(4); event_perform(99, 0); event_perform(-1, 0)", {}},
      {"event_user(power(10, 300)); event_user(-power(10, 300)); event_user(2147483640); "
       "event_perform_object(-5, 0, 0)",
       {}},
  };
  for (const Case& c : cases) {
    Trace().clear();
    Run(self, c.code);
    EXPECT_EQ(Trace(), c.trace) << c.code;
  }
  EXPECT_TRUE(Errors().empty());
}

TEST_F(Functions, EventsDoNothingWhileARoomChangeIsPending) {
  const int32_t obj = AddObject();
  Code(obj, ev_other, 10, "t_log(\"user 0\")");
  CInstance* self = room.AddInstance(0, 0, obj);
  Run(self, "game_end(); event_user(0); event_perform(ev_other, 10)");
  EXPECT_TRUE(Trace().empty());
  EXPECT_EQ(PendingRoomChange(), kRoomEndGame);
}

// Function actions run no code, so nothing in the interpreter bounds these recursions.
TEST_F(Functions, EventsThatRecurseThroughFunctionActionsEndWithAnError) {
  struct Case {
    const char* function;
    int32_t type, number;      // the event holding the action
    std::vector<double> args;  // -1 stands for the object
  };
  const Case cases[] = {
      {"event_perform", ev_step, 0, {ev_step, 0}},
      {"event_user", ev_other, 13, {3}},
      {"instance_create", ev_create, 0, {0, 0, -1}},
      {"instance_copy", ev_create, 0, {1}},
  };
  for (const Case& c : cases) {
    TheGame().Renew<RObjectsState>();
    room.ClearInstances();
    Errors().clear();
    const int32_t obj = AddObject();
    auto act = std::make_unique<CAction>(kActNormal);
    act->act_exetype = kExeFunction;
    act->act_functionid = Fn(c.function);
    act->act_argumentcount = static_cast<int32_t>(c.args.size());
    for (size_t i = 0; i < c.args.size(); ++i) {
      act->act_argtype[i] = kArgConstant;
      act->act_argvalue[i] = RValue(c.args[i] == -1 ? double(obj) : c.args[i]);
    }
    Event(obj, c.type, c.number).e_actions.push_back(std::move(act));
    CInstance* self = room.AddInstance(0, 0, obj);
    PerformEvent(self, self, c.type, c.number);
    ASSERT_EQ(Errors().size(), 1u) << c.function;
    EXPECT_EQ(Errors()[0], kMsgNestingTooDeep) << c.function;
  }
}

TEST_F(Functions, GameRequestsSetThePendingChange) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  const std::pair<const char*, int32_t> cases[] = {{"game_end()", kRoomEndGame},
                                                   {"game_restart()", kRoomRestartGame}};
  for (const auto& [code, pending] : cases) {
    SetPendingRoomChange(kNoRoomChange);
    Run(self, code);
    EXPECT_EQ(PendingRoomChange(), pending) << code;
  }
}

TEST_F(Functions, SleepWaitsOnTheGameClockAndProcessesMessages) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  static int pumps;
  static bool closeWindow;
  pumps = 0;
  closeWindow = false;
  RunHooks().processMessages = [] {
    ++pumps;
    if (closeWindow) EndGameRequest();
  };
  platform::UseVirtualClock(true);
  const int64_t start = platform::NowMicros();
  Run(self, "sleep(250)");
  EXPECT_EQ(platform::NowMicros() - start, 250000);
  EXPECT_GE(pumps, 1);
  Run(self, "sleep(-5); sleep(0)");
  EXPECT_EQ(platform::NowMicros() - start, 250000);
  closeWindow = true;
  Run(self, "sleep(1000000)");  // a close request ends the wait
  EXPECT_EQ(platform::NowMicros() - start, 250000);
  platform::UseVirtualClock(false);
  RunHooks().processMessages = nullptr;
}

TEST_F(Functions, RoomGotoOfAMissingRoomReportsAndEndsTheGame) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  Run(self, "room_goto(99)");
  EXPECT_EQ(Errors(), (Log{"Unexisting room number: 99"}));
  EXPECT_EQ(PendingRoomChange(), kRoomErrorEnd);
  EXPECT_EQ(Run(self, "return room_next(99) + room_previous(-1)").val(), -2);
}

}  // namespace
