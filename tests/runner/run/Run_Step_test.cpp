// One step's phase order with its early exits, alarms counting down only where the event
// exists, the no-more-lives event, and the outside-room test.
#include "runner/run/Run_Hooks.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

class StepTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    GameState() = RGameState{};
    RunHooks() = RRunHooks{};
  }
  void TearDown() override {
    RunHooks() = RRunHooks{};
    WorldTest::TearDown();
  }
  std::vector<std::string> Steps(int n) {
    BuildEventLists();
    for (int i = 0; i < n; ++i) RunStep();
    std::vector<std::string> out;
    for (const std::string& s : Trace()) out.push_back(s.substr(0, s.find('@')));
    return out;
  }
};

TEST_F(StepTest, PhasesRunInTheirOrder) {
  const int32_t obj = AddObject();
  Tag(obj, ev_step, 2, "end");
  Tag(obj, ev_step, 0, "step");
  Tag(obj, ev_step, 1, "begin");
  Tag(obj, ev_other, 7, "animation end");  // no sprite: every step
  Tag(obj, ev_alarm, 0, "alarm");
  room.AddInstance(10, 10, obj)->SetAlarm(0, 1);
  static std::vector<std::string>* trace = &Trace();
  RunHooks().keyboardEvents = [] { trace->push_back("keyboard"); };
  RunHooks().mouseEvents = [] { trace->push_back("mouse"); };
  RunHooks().collisionEvents = [] { trace->push_back("collisions"); };
  RunHooks().drawRoom = [] { trace->push_back("draw"); };
  RunHooks().clearPressed = [] { trace->push_back("clear"); };
  EXPECT_EQ(Steps(1), (std::vector<std::string>{"begin", "alarm", "keyboard", "mouse", "step", "collisions", "end",
                                                "draw", "animation end", "clear"}));
}

// Instances without a sprite end their animation every step; each runs its own object's event,
// else the nearest parent's, and an object with neither runs nothing.
TEST_F(StepTest, AnimationEndEventsComeThroughParents) {
  const int32_t parent = AddObject(), child = AddObject(parent), plain = AddObject(), own = AddObject(parent);
  Tag(parent, ev_other, 7, "parent's");
  Tag(own, ev_other, 7, "own");
  for (const int32_t obj : {own, plain, child, parent}) room.AddInstance(0, 0, obj);
  EXPECT_EQ(Steps(1), (std::vector<std::string>{"own", "parent's", "parent's"}));
}

TEST_F(StepTest, ARoomChangeEndsTheStepAfterItsPhase) {
  const int32_t obj = AddObject();
  Event(obj, ev_step, 1).e_actions.push_back(GotoRoom());
  Tag(obj, ev_step, 0, "step");
  room.AddInstance(0, 0, obj);
  static std::vector<std::string>* trace = &Trace();
  RunHooks().clearPressed = [] { trace->push_back("clear"); };
  EXPECT_EQ(Steps(1), std::vector<std::string>{"goto"});
  EXPECT_EQ(PendingRoomChange(), 3);
}

TEST_F(StepTest, AChangeInADrawEventLetsTheStepFinish) {
  const int32_t obj = AddObject();
  room.AddInstance(0, 0, obj);
  static std::vector<std::string>* trace = &Trace();
  RunHooks().drawRoom = [] {
    trace->push_back("draw");
    SetPendingRoomChange(2);
  };
  RunHooks().clearPressed = [] { trace->push_back("clear"); };
  Tag(obj, ev_other, 7, "animation end");
  // Events stay silent once the change is pending, but the input is still cleared.
  EXPECT_EQ(Steps(1), (std::vector<std::string>{"draw", "clear"}));
}

TEST_F(StepTest, AlarmsCountDownOnlyWhereTheObjectHasTheEvent) {
  const int32_t with = AddObject(), without = AddObject();
  Tag(with, ev_alarm, 3, "ring");
  CInstance* a = room.AddInstance(0, 0, with);
  CInstance* b = room.AddInstance(0, 0, without);
  a->SetAlarm(3, 2);
  b->SetAlarm(3, 2);
  EXPECT_TRUE(Steps(1).empty());
  EXPECT_EQ(a->GetAlarm(3), 1);
  EXPECT_EQ(b->GetAlarm(3), 2);
  EXPECT_EQ(Steps(1), std::vector<std::string>{"ring"});
  EXPECT_EQ(a->GetAlarm(3), 0);
  Trace().clear();
  EXPECT_TRUE(Steps(1).empty());
  EXPECT_EQ(a->GetAlarm(3), -1);
}

TEST_F(StepTest, DestroyedInstancesStillMoveAndAreRemovedAtTheEnd) {
  const int32_t obj = AddObject();
  CInstance* inst = room.AddInstance(5, 5, obj);
  inst->Sethspeed(3);
  inst->i_marked = true;
  BuildEventLists();
  RunStep();
  EXPECT_EQ(room.r_numb(), 0);
}

TEST_F(StepTest, MotionAppliesFrictionThenMoves) {
  const int32_t obj = AddObject();
  CInstance* inst = room.AddInstance(0, 0, obj);
  inst->Sethspeed(4);
  inst->i_friction = 1;
  Steps(1);
  EXPECT_DOUBLE_EQ(inst->i_x, 3);
  EXPECT_DOUBLE_EQ(inst->i_xprevious, 0);
}

TEST_F(StepTest, OutsideRoomFiresEveryStepWhileOutside) {
  const int32_t obj = AddObject();
  Tag(obj, ev_other, 0, "outside");
  room.r_width = 100;
  CInstance* inst = room.AddInstance(95, 10, obj);
  inst->Sethspeed(10);
  EXPECT_EQ(Steps(3), (std::vector<std::string>{"outside", "outside", "outside"}));
  inst->SetPosition(100, 10);
  inst->Sethspeed(0);
  Trace().clear();
  EXPECT_TRUE(Steps(1).empty());  // the edge itself is inside
}

TEST_F(StepTest, LosingTheLastLifePerformsTheEventOnce) {
  const int32_t obj = AddObject();
  Tag(obj, ev_other, 6, "no lives");
  room.AddInstance(0, 0, obj);
  BuildEventLists();
  SetLives(3);
  SetLives(0);
  SetLives(-1);
  EXPECT_EQ(Trace().size(), 1u);
}

}  // namespace

namespace {
// A change requested in any phase from the begin step to the end step ends the step after
// that phase: nothing later runs, not even the clearing of pressed keys. From the particles
// on, the step runs to its end.
struct PhaseCase {
  const char* phase;
  void (*install)();
  bool endStepRuns;
  bool clearRuns;
};

void Request() { SetPendingRoomChange(1); }

const PhaseCase kPhases[] = {
    {"time lines", [] { RunHooks().timeLines = [] { Request(); }; }, false, false},
    {"keyboard", [] { RunHooks().keyboardEvents = [] { Request(); }; }, false, false},
    {"joystick", [] { RunHooks().joystickEvents = [] { Request(); }; }, false, false},
    {"mouse", [] { RunHooks().mouseEvents = [] { Request(); }; }, false, false},
    {"collisions", [] { RunHooks().collisionEvents = [] { Request(); }; }, false, false},
    {"particles", [] { RunHooks().updateParticles = [] { Request(); }; }, true, true},
};

class PhaseChange : public StepTest, public ::testing::WithParamInterface<PhaseCase> {};

TEST_P(PhaseChange, EndsTheStepWhereTheOrderSays) {
  const int32_t obj = AddObject();
  Tag(obj, ev_step, 2, "end");
  room.AddInstance(0, 0, obj);
  static bool cleared;
  cleared = false;
  RunHooks().clearPressed = [] { cleared = true; };
  GetParam().install();
  const auto trace = Steps(1);
  EXPECT_EQ(!trace.empty(), GetParam().endStepRuns);
  EXPECT_EQ(cleared, GetParam().clearRuns);
  EXPECT_EQ(PendingRoomChange(), 1);
}

INSTANTIATE_TEST_SUITE_P(Phases, PhaseChange, ::testing::ValuesIn(kPhases),
                         [](const auto& info) {
                           std::string n = info.param.phase;
                           for (char& c : n)
                             if (c == ' ') c = '_';
                           return n;
                         });
}  // namespace
