// One step's phase order with its early exits, alarms counting down only where the event
// exists, the no-more-lives event, and the outside-room test.
#include <algorithm>

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
  RunHooks().drawRoom = [](bool) { trace->push_back("draw"); };
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
  RunHooks().drawRoom = [](bool) {
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

// Sprite 0 has three images, sprite 1 one.
bool Images(int32_t sprite, RSpriteShape& shape) {
  if (sprite < 0 || sprite > 1) return false;
  shape = {sprite == 0 ? 3 : 1, 0, 0, 0, 0, 7, 7, 8, 8};
  return true;
}

struct EndCase {
  const char* name;
  bool draw;        // automatic drawing
  bool visible;     // some instances visible
  bool outOfOrder;  // depths the sort must change
  bool destroyed;   // an instance destroyed in the step
};

// The end of a step is one walk over the room while no game code can run in it (no object has
// an animation end or a draw event) and the separate walks otherwise. What drawing sees (the
// visible instances in their order with their images) and what the steps leave (order, images)
// must not tell them apart; an object with an animation end event but no instance makes the
// second room walk the separate way without changing anything else.
TEST_F(StepTest, TheEndOfTheStepIsTheSameInOneWalk) {
  const EndCase cases[] = {
      {"drawn, some visible", true, true, false, false},
      {"drawn, none visible", true, false, false, false},
      {"not drawn", false, true, false, false},
      {"drawn, out of order", true, true, true, false},
      {"drawn, none visible, out of order, one destroyed", true, false, true, true},
      {"not drawn, out of order, one destroyed", false, true, true, true},
  };
  RunLookups().spriteShape = Images;
  const int32_t obj = AddObject();
  static std::string* seen = nullptr;
  static CRoom* drawn = nullptr;
  static int32_t* unshown = nullptr;
  int32_t withoutInstances = 0;
  drawn = &room;
  unshown = &withoutInstances;
  RunHooks().drawRoom = [](bool instancesShown) {
    *seen += "|";
    if (!instancesShown) ++*unshown;
    for (int32_t i = 0; i < drawn->r_numb(); ++i) {
      const CInstance* inst = drawn->Instance(i);
      if (inst->i_marked || !inst->i_visible) continue;
      EXPECT_TRUE(instancesShown) << "instance " << inst->i_id << " is visible";
      *seen += std::to_string(inst->i_id) + ":" + RealText(inst->i_imageindex) + " ";
    }
  };
  auto play = [&](const EndCase& c) {
    std::string out;
    seen = &out;
    room.ClearInstances();
    SetLastInstanceId(100000);
    GameState().automatic_draw = c.draw;
    struct Setup {
      int32_t sprite;
      double speed, depth, depthOutOfOrder;
      bool visible;
    };
    const Setup setups[] = {{0, 1, 0, 0, true},   {0, 0.5, 0, 5, false},  {-1, 1, 0, 0, false},
                            {1, 2.5, 0, -3, true}, {0, -1, 0, 9, false}, {0, 1, 0, 2, true}};
    for (size_t k = 0; k < std::size(setups); ++k) {
      CInstance* inst = room.AddInstance(0, 0, obj);
      inst->Setspriteindex(setups[k].sprite);
      inst->i_imagespeed = setups[k].speed;
      inst->i_depth = c.outOfOrder ? setups[k].depthOutOfOrder : setups[k].depth;
      inst->i_visible = c.visible && setups[k].visible;
      inst->i_marked = c.destroyed && k == 4;
    }
    Steps(4);
    out += "|left";
    for (int32_t i = 0; i < room.r_numb(); ++i)
      out += " " + std::to_string(room.Instance(i)->i_id) + ":" + RealText(room.Instance(i)->i_imageindex);
    return out;
  };
  std::vector<std::string> oneWalk;
  for (const EndCase& c : cases) oneWalk.push_back(play(c));
  EXPECT_EQ(withoutInstances, 8);  // the two drawn cases without visible instances, four steps each
  Tag(AddObject(), ev_other, 7, "animation end");
  for (size_t k = 0; k < std::size(cases); ++k) {
    const std::string separate = play(cases[k]);
    EXPECT_EQ(oneWalk[k], separate) << cases[k].name;
    EXPECT_EQ(std::count(separate.begin(), separate.end(), '|'), cases[k].draw ? 5 : 1) << cases[k].name;
  }
  EXPECT_EQ(withoutInstances, 8);
  EXPECT_TRUE(Trace().empty());
  RunLookups().spriteShape = nullptr;
}

// A draw event may read any instance, so while one exists the animation waits for the drawing.
TEST_F(StepTest, DrawingSeesImagesBeforeTheStepsAnimation) {
  RunLookups().spriteShape = Images;
  const int32_t shown = AddObject(), hidden = AddObject();
  Tag(shown, ev_draw, 0, "draw");
  room.AddInstance(0, 0, shown);
  CInstance* inst = room.AddInstance(0, 0, hidden);
  inst->Setspriteindex(0);
  inst->i_visible = false;
  static CInstance* watched = nullptr;
  static std::vector<double>* images = nullptr;
  std::vector<double> seen;
  watched = inst;
  images = &seen;
  RunHooks().drawRoom = [](bool) { images->push_back(watched->i_imageindex); };
  Steps(2);
  EXPECT_EQ(seen, (std::vector<double>{0, 1}));
  EXPECT_EQ(inst->i_imageindex, 2);
  RunLookups().spriteShape = nullptr;
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
