// The action-list walk (blocks, questions with else, repeat, exit, a pending room change),
// applies-to targets, the event context around dispatch, and deferred destruction.
#include "runner/code/Code_Error.h"
#include "runner/run/Run_Command.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

using Actions = std::vector<std::unique_ptr<CAction>>;
using Trace_ = std::vector<std::string>;

struct WalkCase {
  const char* what;
  std::function<Actions()> actions;
  std::vector<double> answers;  // t_ask results in turn
  Trace_ trace;                 // "@id/id" suffixes dropped
};

void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.what; }

template <typename... A>
Actions List(A... a) {
  Actions v;
  (v.push_back(std::move(a)), ...);
  return v;
}

std::vector<std::string> Bare(const Trace_& t) {
  std::vector<std::string> out;
  for (const std::string& s : t) out.push_back(s.substr(0, s.find('@')));
  return out;
}

const WalkCase kWalks[] = {
    {"plain sequence", [] { return List(Log("a"), Log("b")); }, {}, {"a", "b"}},
    {"exit ends the event", [] { return List(Log("a"), Op(kActExit), Log("b")); }, {}, {"a"}},
    {"exit inside a block ends the event",
     [] { return List(Op(kActBegin), Log("a"), Op(kActExit), Op(kActEnd), Log("b")); }, {}, {"a"}},
    {"true question runs the next statement", [] { return List(Ask("q"), Log("a"), Log("b")); }, {1}, {"?q", "a", "b"}},
    {"false question skips it", [] { return List(Ask("q"), Log("a"), Log("b")); }, {0}, {"?q", "b"}},
    {"answers at one half", [] { return List(Ask("q"), Log("a"), Ask("r"), Log("b")); }, {0.5, 0.49}, {"?q", "a", "?r"}},
    {"not inverts", [] { return List(Ask("q", true), Log("a"), Ask("r", true), Log("b")); }, {0.5, 0.49},
     {"?q", "?r", "b"}},
    {"true question skips else", [] { return List(Ask("q"), Log("a"), Op(kActElse), Log("b"), Log("c")); }, {1},
     {"?q", "a", "c"}},
    {"false question runs else", [] { return List(Ask("q"), Log("a"), Op(kActElse), Log("b"), Log("c")); }, {0},
     {"?q", "b", "c"}},
    {"blocks count as one statement",
     [] {
       return List(Ask("q"), Op(kActBegin), Log("a"), Log("b"), Op(kActEnd), Op(kActElse), Op(kActBegin), Log("c"),
                   Log("d"), Op(kActEnd), Log("e"));
     },
     {0},
     {"?q", "c", "d", "e"}},
    {"nested questions with else",
     [] {
       return List(Ask("q"), Ask("r"), Log("a"), Op(kActElse), Log("b"), Op(kActElse), Log("c"), Log("d"));
     },
     {1, 0},
     {"?q", "?r", "b", "d"}},
    // Skipping a question does not consume its else, so the outer question takes it.
    {"the else after a skipped nested question answers the outer one",
     [] {
       return List(Ask("q"), Ask("r"), Log("a"), Op(kActElse), Log("b"), Op(kActElse), Log("c"), Log("d"));
     },
     {0},
     {"?q", "b", "c", "d"}},
    {"skipped question's statement is a block",
     [] { return List(Ask("q"), Ask("r"), Op(kActBegin), Log("a"), Op(kActEnd), Log("b")); }, {0}, {"?q", "b"}},
    {"repeat runs the next statement n times", [] { return List(Repeat(3), Log("a"), Log("b")); }, {},
     {"a", "a", "a", "b"}},
    {"repeat count rounds half to even", [] { return List(Repeat(2.5), Log("a"), Log("b")); }, {}, {"a", "a", "b"}},
    {"repeat of 0 or less skips", [] { return List(Repeat(0), Log("a"), Repeat(-2), Log("b"), Log("c")); }, {},
     {"c"}},
    {"repeat of a block", [] { return List(Repeat(2), Op(kActBegin), Log("a"), Log("b"), Op(kActEnd), Log("c")); }, {},
     {"a", "b", "a", "b", "c"}},
    {"repeat of a question", [] { return List(Repeat(2), Ask("q"), Log("a"), Log("b")); }, {1, 0},
     {"?q", "a", "?q", "b"}},
    {"exit inside repeat ends everything", [] { return List(Repeat(3), Op(kActBegin), Log("a"), Op(kActExit), Op(kActEnd), Log("b")); },
     {}, {"a"}},
    {"a room change stops the walk", [] { return List(Log("a"), GotoRoom(), Log("b")); }, {}, {"a", "goto"}},
    {"a room change inside a repeat stops it", [] { return List(Repeat(3), GotoRoom(), Log("b")); }, {}, {"goto"}},
    {"else and end out of place do nothing", [] { return List(Op(kActElse), Log("a"), Op(kActEnd), Log("b")); }, {},
     {"a", "b"}},
    {"an unclosed block runs to the end", [] { return List(Op(kActBegin), Log("a"), Log("b")); }, {}, {"a", "b"}},
    {"a question at the end", [] { return List(Log("a"), Ask("q")); }, {1}, {"a", "?q"}},
};

class Walk : public WorldTest, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(Walk, Trace) {
  const WalkCase& c = GetParam();
  const int32_t obj = AddObject();
  Event(obj, ev_step, 0).e_actions = c.actions();
  Answers() = c.answers;
  CInstance* inst = room.AddInstance(0, 0, obj);
  PerformEvent(inst, inst, ev_step, 0);
  EXPECT_EQ(Bare(Trace()), c.trace);
}

INSTANTIATE_TEST_SUITE_P(Cases, Walk, ::testing::ValuesIn(kWalks));

class Dispatch : public WorldTest {};

TEST_F(Dispatch, DeeplyNestedListsEndInsteadOfOverflowing) {
  const int32_t obj = AddObject();
  CEvent& e = Event(obj, ev_step, 0);
  for (int i = 0; i < 100000; ++i) e.e_actions.push_back(Repeat(1));
  e.e_actions.push_back(Log("deep"));
  for (int i = 0; i < 100000; ++i) e.e_actions.push_back(Op(kActBegin));
  CInstance* inst = room.AddInstance(0, 0, obj);
  PerformEvent(inst, inst, ev_step, 0);
  EXPECT_TRUE(Trace().empty());
}

TEST_F(Dispatch, AppliesToSelfOtherAndObjectsWithDescendants) {
  const int32_t base = AddObject();
  const int32_t derived = AddObject(base);
  const int32_t runner = AddObject();
  CInstance* b1 = room.AddInstance(0, 0, base);      // 100001
  CInstance* s = room.AddInstance(0, 0, runner);     // 100002
  CInstance* d1 = room.AddInstance(0, 0, derived);   // 100003
  CInstance* b2 = room.AddInstance(0, 0, base);      // 100004
  CInstance* o = room.AddInstance(0, 0, runner);     // 100005
  b2->i_marked = true;
  (void)b1;
  (void)d1;
  CEvent& e = Event(runner, ev_step, 0);
  e.e_actions = List(Log("self", -1), Log("other", -2), Log("base", base), Log("derived", derived),
                     Log("none", 77), Log("bad", -5));
  e.e_actions.back()->act_useapplyto = true;
  auto plain = Log("plain", -2);
  plain->act_useapplyto = false;  // the target only counts where the action offers it
  e.e_actions.push_back(std::move(plain));
  PerformEvent(s, o, ev_step, 0);
  EXPECT_EQ(Trace(), (Trace_{"self@100002/100005", "other@100005/100002", "base@100001/100005",
                             "base@100003/100005", "derived@100003/100005", "plain@100002/100005"}));
}

TEST_F(Dispatch, QuestionsForAnObjectAskEveryInstanceUntilOneSaysNo) {
  const int32_t target = AddObject();
  const int32_t runner = AddObject();
  const int32_t nobody = AddObject();
  room.AddInstance(0, 0, target);
  room.AddInstance(0, 0, target);
  room.AddInstance(0, 0, target);
  CInstance* s = room.AddInstance(0, 0, runner);
  Event(runner, ev_step, 0).e_actions =
      List(Ask("all", false, target), Log("yes"), Op(kActElse), Log("no"), Ask("none", false, nobody), Log("empty"));
  Answers() = {1, 0, 1};
  PerformEvent(s, s, ev_step, 0);
  EXPECT_EQ(Bare(Trace()), (Trace_{"?all", "?all", "no", "empty"}));
}

TEST_F(Dispatch, ContextIsSetPerEventAndRestoredAroundNestedEvents) {
  const int32_t parent = AddObject();
  const int32_t child = AddObject(parent);
  const int32_t spawned = AddObject();
  std::vector<REventContext> seen;
  static std::vector<REventContext>* sink;
  sink = &seen;
  static const RFunctionDef kDefs[] = {
      {"t_context", 0, [](CInstance*, CInstance*, int32_t, RValue*, RValue&) { sink->push_back(CurrentEvent()); }},
      {"t_spawn", 0, [](CInstance*, CInstance*, int32_t, RValue*, RValue&) { CreateInstance(2, 0, 0); }}};
  static bool registered = false;
  if (!registered) RegisterFamily(kDefs), registered = true;
  auto call = [](const char* name) {
    auto a = Op(kActNormal);
    a->act_exetype = kExeFunction;
    a->act_functionid = Fn(name);
    return a;
  };
  Event(parent, ev_alarm, 4).e_actions = List(Log("x"), call("t_context"), call("t_spawn"), call("t_context"));
  Event(spawned, ev_create, 0).e_actions = List(call("t_context"));
  CurrentEvent() = {7, 8, 9, 10};
  CInstance* inst = room.AddInstance(0, 0, child);
  PerformEvent(inst, inst, ev_alarm, 4);
  ASSERT_EQ(seen.size(), 3u);
  auto eq = [](const REventContext& c, int32_t o, int32_t t, int32_t n, int32_t a) {
    return c.owner == o && c.type == t && c.number == n && c.action == a;
  };
  EXPECT_TRUE(eq(seen[0], parent, ev_alarm, 4, 1));
  EXPECT_TRUE(eq(seen[1], spawned, ev_create, 0, 0));
  EXPECT_TRUE(eq(seen[2], parent, ev_alarm, 4, 3));
  EXPECT_TRUE(eq(CurrentEvent(), 7, 8, 9, 10));
  EXPECT_EQ(room.r_numb(), 2);
}

TEST_F(Dispatch, InheritedEventContinuesFromTheOwnersParent) {
  const int32_t grand = AddObject();
  const int32_t parent = AddObject(grand);
  const int32_t child = AddObject(parent);
  static const RFunctionDef kDefs[] = {{"t_inherited", 0, [](CInstance* self, CInstance* other, int32_t, RValue*, RValue&) {
                                          PerformInheritedEvent(self, other);
                                        }}};
  static bool registered = false;
  if (!registered) RegisterFamily(kDefs), registered = true;
  auto inherited = [] {
    auto a = Op(kActNormal);
    a->act_exetype = kExeFunction;
    a->act_functionid = Fn("t_inherited");
    return a;
  };
  Event(grand, ev_other, 10).e_actions = List(Log("grand"), inherited());
  Event(parent, ev_other, 10).e_actions = List(Log("parent"), inherited());
  CInstance* inst = room.AddInstance(0, 0, child);
  PerformEvent(inst, inst, ev_other, 10);
  EXPECT_EQ(Bare(Trace()), (Trace_{"parent", "grand"}));
}

TEST_F(Dispatch, NothingRunsWhileARoomChangeIsPending) {
  const int32_t obj = AddObject();
  Tag(obj, ev_step, 0, "step");
  CInstance* a = room.AddInstance(0, 0, obj);
  room.AddInstance(0, 0, obj)->i_marked = true;
  room.AddInstance(0, 0, obj);
  SetPendingRoomChange(kRoomRestartGame);
  PerformEvent(a, a, ev_step, 0);
  PerformEventForAll(ev_step, 0);
  BuildEventLists();
  PerformFoundEvent(a, a, EventObjectList(ev_step, 0)[0].found, ev_step, 0);
  EXPECT_TRUE(Trace().empty());
  SetPendingRoomChange(kNoRoomChange);
  PerformEventForAll(ev_step, 0);
  EXPECT_EQ(Trace(), (Trace_{"step@100001/100001", "step@100003/100003"}));
  SetCurrentRoom(nullptr);
  PerformEventForAll(ev_step, 0);
  EXPECT_EQ(Trace().size(), 2u);
}

TEST_F(Dispatch, DestroyedInstancesStayMarkedUntilRemoved) {
  const int32_t obj = AddObject();
  const int32_t child = AddObject(obj);
  Tag(obj, ev_destroy, 0, "destroy");
  Tag(obj, ev_create, 0, "create");
  CInstance* a = CreateInstance(obj, 1, 2);
  CInstance* b = CreateInstance(child, 3, 4);
  CInstance* c = CreateInstance(obj, 5, 6);
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(c->i_id, 100003);
  static const RFunctionDef kDefs[] = {{"t_destroy_self", 0, [](CInstance* self, CInstance*, int32_t, RValue*, RValue&) {
                                          DestroyInstance(self);
                                        }}};
  static bool registered = false;
  if (!registered) RegisterFamily(kDefs), registered = true;
  auto again = Op(kActNormal);
  again->act_exetype = kExeFunction;
  again->act_functionid = Fn("t_destroy_self");
  Event(obj, ev_destroy, 0).e_actions.push_back(std::move(again));  // destroying itself again is ignored

  DestroyInstance(b);
  DestroyInstance(b);  // already destroyed
  EXPECT_TRUE(b->i_marked);
  EXPECT_EQ(room.r_numb(), 3);
  EXPECT_EQ(room.Obj_Number_Recursive(obj), 3);
  EXPECT_EQ(room.FindInstance(100002), b);
  Trace().clear();
  PerformEventForAll(ev_create, 0);
  EXPECT_EQ(Trace(), (Trace_{"create@100001/100001", "create@100003/100003"}));

  room.RemoveMarked();
  EXPECT_EQ(room.r_numb(), 2);
  EXPECT_EQ(room.Instance(1), c);
  EXPECT_EQ(room.Obj_Number(child), 0);
  EXPECT_EQ(room.Obj_Number_Recursive(obj), 2);
  EXPECT_EQ(room.FindInstance(100002), nullptr);
  EXPECT_EQ(room.FindInstance(100003), c);
}

TEST_F(Dispatch, CreatingAnInstanceOfAMissingObjectIsAnError) {
  static std::vector<std::string> errors;
  errors.clear();
  SetErrorSink([](std::string_view m, bool fatal) { errors.push_back(std::string(m) + (fatal ? " (fatal)" : "")); });
  EXPECT_EQ(CreateInstance(5, 0, 0), nullptr);
  SetErrorSink(nullptr);
  EXPECT_EQ(errors, std::vector<std::string>{"Creating instance for non-existing object: 5"});
  EXPECT_EQ(room.r_numb(), 0);
  EXPECT_EQ(LastInstanceId(), 100000);
}

}  // namespace

namespace {

class Commands : public WorldTest {};

TEST_F(Commands, CopyTakesANewIdAndChangeKeepsTheOldOne) {
  static std::vector<std::string> errors;
  errors.clear();
  SetErrorSink([](std::string_view m, bool) { errors.emplace_back(m); });
  const int32_t ball = AddObject();
  const int32_t star = AddObject();
  Objects().Get(star)->o_depth = 50;
  Objects().Get(star)->o_solid = true;
  Tag(ball, ev_create, 0, "ball-create");
  Tag(ball, ev_destroy, 0, "ball-destroy");
  Tag(star, ev_create, 0, "star-create");
  CInstance* a = room.AddInstance(10, 20, ball);  // 100001
  a->Setspeed(4);
  a->i_vars.SetVar(100000, 0, RValue(9.0));

  EXPECT_EQ(CopyInstance(a, true), 100002);
  CInstance* copy = room.Instance(1);
  EXPECT_EQ(copy->i_id, 100002);
  EXPECT_EQ(copy->i_speed, 4);
  EXPECT_EQ(room.FindInstance(100002), copy);
  EXPECT_EQ(CopyInstance(a, false), 100003);

  ChangeInstance(a, star, true);
  CInstance* changed = room.Instance(3);
  EXPECT_TRUE(a->i_marked);
  EXPECT_EQ(changed->i_id, 100001);
  EXPECT_EQ(changed->i_objectindex, star);
  EXPECT_EQ(changed->i_depth, 50);
  EXPECT_TRUE(changed->i_solid);
  EXPECT_EQ(changed->i_speed, 4);
  RValue v;
  EXPECT_TRUE(changed->i_vars.GetVar(100000, 0, v));
  EXPECT_EQ(LastInstanceId(), 100004);  // the change consumed an id
  EXPECT_EQ(room.Obj_Number(star), 1);
  room.RemoveMarked();
  EXPECT_EQ(room.FindInstance(100001), changed);
  EXPECT_EQ(Bare(Trace()), (Trace_{"ball-create", "ball-destroy", "star-create"}));

  ChangeInstance(changed, 42, true);
  SetInstanceSprite(changed, 3);
  SetErrorSink(nullptr);
  EXPECT_EQ(errors, (std::vector<std::string>{"Asking to change into non-existing object: 42",
                                              "Setting instance to non-existing sprite: 3"}));
}

}  // namespace

namespace {

TEST_F(Dispatch, StepFormGoesObjectByObjectThenInstanceByInstance) {
  const int32_t parent = AddObject();
  const int32_t child = AddObject(parent);
  const int32_t quiet = AddObject();
  Tag(parent, ev_step, 1, "p");
  Tag(child, ev_step, 2, "c");
  CInstance* c1 = room.AddInstance(0, 0, child);   // 100001
  room.AddInstance(0, 0, parent);                  // 100002
  room.AddInstance(0, 0, quiet);                   // 100003
  room.AddInstance(0, 0, child)->i_marked = true;  // 100004
  room.AddInstance(0, 0, parent);                  // 100005
  (void)c1;
  BuildEventLists();
  PerformEventForObjects(ev_step, 1);
  EXPECT_EQ(Trace(), (Trace_{"p@100002/100002", "p@100005/100005", "p@100001/100001"}));
  Trace().clear();
  Event(child, ev_step, 1).e_actions = List(GotoRoom(), Log("after"));
  BuildEventLists();
  PerformEventForObjects(ev_step, 1);
  EXPECT_EQ(Bare(Trace()), (Trace_{"p", "p", "goto"}));
}

}  // namespace

namespace {

// An action may clear or delete the event that runs it; what the walk holds stays alive until
// it ends, and the rest of the cleared list does not run.
TEST_F(Dispatch, ActionsMayClearOrDeleteTheirOwnEvent) {
  static int32_t victim;
  static const RFunctionDef kDefs[] = {
      {"t_clear_own", 0,
       [](CInstance*, CInstance*, int32_t, RValue*, RValue&) {
         Trace().push_back("clear");
         if (CEvent* e = Objects().Get(victim)->GetEventDirect(ev_step, 0)) e->Clear();
       }},
      {"t_delete_own", 0, [](CInstance*, CInstance*, int32_t, RValue*, RValue&) {
         Trace().push_back("delete");
         ObjectDelete(victim);
       }}};
  static bool registered = false;
  if (!registered) RegisterFamily(kDefs), registered = true;
  auto call = [](const char* name, int32_t who) {
    auto a = Log("", who);
    a->act_functionid = Fn(name);
    a->act_argumentcount = 0;
    return a;
  };
  const int32_t target = AddObject();
  const int32_t runner = AddObject();
  room.AddInstance(0, 0, target);
  room.AddInstance(0, 0, target);
  CInstance* s = room.AddInstance(0, 0, runner);
  victim = runner;
  // Applied to two instances: the second run uses the action the first one cleared away.
  Event(runner, ev_step, 0).e_actions = List(call("t_clear_own", target), Log("after"));
  PerformEvent(s, s, ev_step, 0);
  EXPECT_EQ(Bare(Trace()), (Trace_{"clear", "clear"}));

  Trace().clear();
  BuildEventLists();
  Event(runner, ev_step, 0).e_actions = List(call("t_delete_own", -1), Log("after"), call("t_delete_own", target));
  PerformEvent(s, s, ev_step, 0);
  EXPECT_EQ(Bare(Trace()), (Trace_{"delete"}));
  EXPECT_FALSE(Objects().Exists(runner));
}

// An event that adds, clears or deletes events rebuilds the event object lists while the step
// walks them: the walk finishes over the lists it started with, and the next one sees the change.
TEST_F(Dispatch, EventsMayRebuildTheListsTheStepWalks) {
  static const RFunctionDef kDefs[] = {{"t_rebuild", 0, [](CInstance*, CInstance*, int32_t, RValue*, RValue&) {
                                          Trace().push_back("rebuild");
                                          BuildEventLists();
                                        }}};
  static bool registered = false;
  if (!registered) RegisterFamily(kDefs), registered = true;
  auto rebuild = [] {
    auto a = Log("");
    a->act_functionid = Fn("t_rebuild");
    a->act_argumentcount = 0;
    return a;
  };
  const int32_t a = AddObject(), b = AddObject(), c = AddObject();
  for (int32_t o : {a, b, c}) room.AddInstance(0, 0, o);
  Event(a, ev_step, 0).e_actions = List(rebuild(), Log("a"));
  Event(b, ev_step, 0).e_actions = List(Log("b"));
  Event(c, ev_step, 0).e_actions = List(rebuild(), Log("c"));
  BuildEventLists();
  PerformEventForObjects(ev_step, 0);
  EXPECT_EQ(Bare(Trace()), (Trace_{"rebuild", "a", "b", "rebuild", "c"}));

  // An object deleted during the walk runs nothing more, then or later.
  Trace().clear();
  Event(a, ev_step, 0).e_actions = List(Log("a"));
  Event(b, ev_step, 0).e_actions = List(Log("b"));
  Event(c, ev_step, 0).e_actions = List(Log("c"));
  BuildEventLists();
  static int32_t doomed;
  doomed = b;
  static const RFunctionDef kDelete[] = {{"t_delete_b", 0, [](CInstance*, CInstance*, int32_t, RValue*, RValue&) {
                                            ObjectDelete(doomed);
                                          }}};
  static bool deleteRegistered = false;
  if (!deleteRegistered) RegisterFamily(kDelete), deleteRegistered = true;
  auto del = Log("");
  del->act_functionid = Fn("t_delete_b");
  del->act_argumentcount = 0;
  Event(a, ev_step, 0).e_actions = List(std::move(del), Log("a"));
  PerformEventForObjects(ev_step, 0);
  EXPECT_EQ(Bare(Trace()), (Trace_{"a", "c"}));
  Trace().clear();
  PerformEventForObjects(ev_step, 0);
  EXPECT_EQ(Bare(Trace()), (Trace_{"a", "c"}));
}

}  // namespace
