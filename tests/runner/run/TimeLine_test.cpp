// Time lines (the moments a step runs at whole, fractional and negative speeds, looping, jumps
// and a moment that moves the position), the moment searches, triggers at their three moments,
// and alarms counting down while a room change is pending.
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Host.h"
#include "runner/run/TimeLine_Class.h"
#include "runner/run/Trigger_Class.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

using Log = std::vector<std::string>;

class TimedTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    InitInterpreter();
    InstallRuntimeHost();
    GameState() = RGameState{};
    RunHooks() = RRunHooks{};
    RunHooks().timeLines = RunTimeLines;
    RunHooks().triggers = RunTriggers;
    SetErrorSink([](std::string_view m, bool) { Errors().push_back(std::string(m)); });
    Errors().clear();
    TimeLines().Clear();
    Triggers().Clear();
    SetEventListTriggerCount(0);
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SetExecHost(nullptr);
    RunHooks() = RRunHooks{};
    TimeLines().Clear();
    Triggers().Clear();
    SetEventListTriggerCount(0);
    WorldTest::TearDown();
  }
  static Log& Errors() {
    static Log e;
    return e;
  }
  // A time line with a moment logging "m<step>" at each step; returns its index.
  static int32_t Line(std::initializer_list<int32_t> steps) {
    const int32_t index = TimeLines().Add();
    CTimeLine* line = TimeLines().Get(index);
    for (int32_t s : steps) line->GetEvent(line->AddMoment(s))->e_actions.push_back(world::Log("m" + std::to_string(s)));
    return index;
  }
  // Runs steps; the trace of each step, its entries joined by spaces, self ids dropped.
  static Log Steps(int n) {
    BuildEventLists();
    Log out;
    for (int i = 0; i < n; ++i) {
      Trace().clear();
      RunStep();
      std::string step;
      for (const std::string& t : Trace()) step += (step.empty() ? "" : " ") + t.substr(0, t.find('@'));
      out.push_back(step);
    }
    return out;
  }
};

TEST_F(TimedTest, MomentsRunWhenThePositionPassesThem) {
  struct Case {
    const char* what;
    std::initializer_list<int32_t> moments;
    double position, speed;
    bool loop;
    Log steps;
  };
  const Case cases[] = {
      {"speed 1: the first step runs moment 0, the eleventh moment 10", {0, 10}, 0, 1, false,
       {"m0", "", "", "", "", "", "", "", "", "", "m10", ""}},
      {"looping starts again after the step that passes the last moment", {0, 2}, 0, 1, true,
       {"m0", "", "m2", "m0", "", "m2"}},
      {"speed 2.5 runs every moment it crosses, in order", {0, 1, 2, 3, 5, 7}, 0, 2.5, false,
       {"m0 m1 m2", "m3", "m5 m7", ""}},
      {"speed 0.5 runs a moment once", {1}, 0, 0.5, false, {"", "", "m1", "", ""}},
      {"a fractional start runs the next whole moment", {2, 3}, 1.5, 1, false, {"m2", "m3", ""}},
      {"negative speed from 10 runs moment 10 first", {0, 5, 10}, 10, -1, false,
       {"m10", "", "", "", "", "m5", "", "", "", "", "m0", ""}},
      {"negative looping restarts at the last moment", {0, 2}, 2, -1, true, {"m2", "", "m0", "m2", "", "m0"}},
      {"negative speed -1.5 crosses moments in reverse order", {0, 1, 2, 3}, 3, -1.5, false, {"m3 m2", "m1", "m0", ""}},
      {"speed 0 runs nothing", {0, 1}, 0, 0, false, {"", ""}},
  };
  const int32_t obj = AddObject();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    room.ClearInstances();
    CInstance* inst = room.AddInstance(0, 0, obj);
    inst->i_timelineindex = Line(c.moments);
    inst->i_timelineposition = c.position;
    inst->i_timelinespeed = c.speed;
    inst->i_timelineloop = c.loop;
    inst->i_timelinerunning = true;
    EXPECT_EQ(Steps(static_cast<int>(c.steps.size())), c.steps);
  }
}

TEST_F(TimedTest, JumpsAndMomentsThatMoveThePosition) {
  const int32_t obj = AddObject();
  CInstance* inst = room.AddInstance(0, 0, obj);
  inst->i_timelineindex = Line({0, 5, 10});
  inst->i_timelinerunning = true;
  EXPECT_EQ(Steps(1), Log{"m0"});
  // A jump past a moment skips it.
  inst->i_timelineposition = 7;
  EXPECT_EQ(Steps(4), (Log{"", "", "", "m10"}));

  // Moment 3 sends the position back to 0: the moments the step had passed still run, and the
  // next step goes on from the new position.
  const int32_t back = Line({0, 3, 4});
  CTimeLine* line = TimeLines().Get(back);
  auto jump = CAction::CreateCode("timeline_position = 0");
  ASSERT_TRUE(jump->Compile());
  line->GetEvent(line->Find(3))->e_actions.push_back(std::move(jump));
  inst->i_timelineindex = back;
  inst->i_timelineposition = 2;
  inst->i_timelinespeed = 3;
  EXPECT_EQ(Steps(2), (Log{"m3 m4", "m0"}));
  EXPECT_EQ(inst->i_timelineposition, 3);

  // Paused, or without a time line, nothing runs.
  inst->i_timelinerunning = false;
  EXPECT_EQ(Steps(1), Log{""});
  inst->i_timelinerunning = true;
  inst->i_timelineindex = 77;
  EXPECT_EQ(Steps(1), Log{""});
}

TEST_F(TimedTest, AMomentMayDeleteItsOwnTimeLine) {
  const int32_t obj = AddObject();
  CInstance* inst = room.AddInstance(0, 0, obj);
  const int32_t index = Line({0, 1});
  CTimeLine* line = TimeLines().Get(index);
  auto del = CAction::CreateCode("timeline_delete(" + std::to_string(index) + ")");
  ASSERT_TRUE(del->Compile());
  line->GetEvent(0)->e_actions.insert(line->GetEvent(0)->e_actions.begin(), std::move(del));
  inst->i_timelineindex = index;
  inst->i_timelinerunning = true;
  inst->i_timelinespeed = 3;
  // The rest of the deleted moment still runs; the moments after it do not.
  EXPECT_EQ(Steps(2), (Log{"m0", ""}));
  EXPECT_FALSE(TimeLines().Exists(index));
}

TEST(TimeLineMoments, SearchesAddAndDelete) {
  CTimeLine line;
  EXPECT_EQ(line.FindLarger(3), -1);
  EXPECT_EQ(line.FindSmaller(3), -1);
  for (int32_t s : {10, 0, 5}) line.AddMoment(s);
  EXPECT_EQ(line.s_step, (std::vector<int32_t>{0, 5, 10}));
  struct Case {
    double step;
    int32_t larger, smaller;
  };
  const Case cases[] = {{-1, 0, -1}, {0, 0, 0}, {0.5, 1, 0}, {5, 1, 1}, {9.9, 2, 1}, {10, 2, 2}, {10.5, 3, 2}};
  for (const Case& c : cases) {
    EXPECT_EQ(line.FindLarger(c.step), c.larger) << c.step;
    EXPECT_EQ(line.FindSmaller(c.step), c.smaller) << c.step;
  }
  CEvent* five = line.GetEvent(1);
  EXPECT_EQ(line.AddMoment(5), 1);  // an existing step: nothing changes
  EXPECT_EQ(line.GetEvent(1), five);
  line.DeleteMoment(6);  // missing: nothing changes
  line.DeleteMoment(11);
  EXPECT_EQ(line.Count(), 3);
  line.DeleteMoment(5);
  EXPECT_EQ(line.s_step, (std::vector<int32_t>{0, 10}));
  EXPECT_EQ(line.Find(10), 1);
  EXPECT_EQ(line.GetEvent(2), nullptr);
  EXPECT_EQ(line.GetStep(2), 0);
}

// --- triggers -------------------------------------------------------------------------------------

TEST_F(TimedTest, TriggersFireBeforeTheEventsOfTheirMoment) {
  struct Case {
    int32_t moment;
    Log steps;
  };
  const Case cases[] = {
      {kTriggerBeginStep, {"trigger begin step end", "begin step end"}},
      {kTriggerStep, {"begin trigger step end", "begin step end"}},
      {kTriggerEndStep, {"begin step trigger end", "begin step end"}},
  };
  const int32_t obj = AddObject();
  Tag(obj, ev_step, 1, "begin");
  Tag(obj, ev_step, 0, "step");
  Tag(obj, ev_step, 2, "end");
  Tag(obj, ev_trigger, 0, "trigger");
  CInstance* inst = room.AddInstance(10, 0, obj);
  SetEventListTriggerCount(1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.moment);
    auto t = std::make_unique<CTrigger>();
    t->i_name = "tr";
    t->i_condition = "x > 5";
    t->i_moment = c.moment;
    Triggers().Put(0, std::move(t), "tr");
    ASSERT_TRUE(PrepareTriggers());
    inst->SetPosition(10, 0);
    EXPECT_EQ(Steps(1), Log{c.steps[0]});
    inst->SetPosition(0, 0);  // the condition no longer holds
    EXPECT_EQ(Steps(1), Log{c.steps[1]});
  }
}

TEST_F(TimedTest, TriggerConditionsThatFailOrGiveStrings) {
  const int32_t obj = AddObject();
  Tag(obj, ev_trigger, 0, "t0");
  Tag(obj, ev_trigger, 1, "t1");
  Tag(obj, ev_trigger, 2, "t2");
  const char* conditions[] = {"\"yes\"", "undefined_thing + 1", "0.5"};
  for (int32_t i = 0; i < 3; ++i) {
    auto t = std::make_unique<CTrigger>();
    t->i_name = "tr" + std::to_string(i);
    t->i_condition = conditions[i];
    t->i_moment = kTriggerStep;
    t->i_constname = "TR" + std::to_string(i);
    Triggers().Put(i, std::move(t), "tr" + std::to_string(i));
  }
  SetEventListTriggerCount(3);
  ASSERT_TRUE(PrepareTriggers());
  room.AddInstance(0, 0, obj);
  // A string never fires; an error is reported and processing goes on; 0.5 counts as true.
  EXPECT_EQ(Steps(1), Log{"t2"});
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0].rfind("ERROR in trigger tr1\r\n", 0), 0u) << Errors()[0];
  EXPECT_EQ(FindTriggerByConstant("TR2"), 2);
  EXPECT_EQ(FindTriggerByConstant("TR"), -1);
  EXPECT_EQ(TriggerName(2), "tr2");
  EXPECT_EQ(TriggerName(9), "<Deleted>");
}

TEST_F(TimedTest, ATriggerThatDoesNotCompileFailsThePreparation) {
  auto t = std::make_unique<CTrigger>();
  t->i_name = "broken";
  t->i_condition = "x +";
  Triggers().Put(0, std::move(t), "broken");
  EXPECT_FALSE(PrepareTriggers());
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0].rfind("COMPILATION ERROR in condition of trigger broken\r", 0), 0u) << Errors()[0];
}

// --- alarms ---------------------------------------------------------------------------------------

TEST_F(TimedTest, AlarmsCountDownForEveryInstanceWhileARoomChangeIsPending) {
  const int32_t obj = AddObject();
  Event(obj, ev_alarm, 0).e_actions.push_back(GotoRoom());
  Tag(obj, ev_alarm, 1, "alarm 1");
  Tag(obj, ev_step, 0, "step");
  CInstance* a = room.AddInstance(0, 0, obj);
  CInstance* b = room.AddInstance(0, 0, obj);
  for (CInstance* i : {a, b}) {
    i->SetAlarm(0, 1);
    i->SetAlarm(1, 1);
  }
  // The first alarm asks for a room change: no event runs after it, but every alarm of every
  // instance still counts down, and the step ends after the alarm phase.
  EXPECT_EQ(Steps(1), Log{"goto"});
  for (CInstance* i : {a, b}) {
    EXPECT_EQ(i->GetAlarm(0), 0);
    EXPECT_EQ(i->GetAlarm(1), 0);
  }
}

}  // namespace
