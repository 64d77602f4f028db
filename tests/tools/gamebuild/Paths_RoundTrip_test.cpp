// Paths, time lines and triggers written by gamebuild and read back by the runner's loaders,
// with the faults of their project files.
#include <gtest/gtest.h>

#include "runner/run/Object_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Path_Class.h"
#include "runner/run/TimeLine_Class.h"
#include "runner/run/Trigger_Class.h"
#include "tests/tools/gamebuild/GameFixture.h"

using namespace fixture;

namespace {

std::string Game(const std::string& resources) {
  return R"({"game_id": 1, "room_order": ["rm"], "resources": {"rooms": ["rm"], )" + resources + "}}";
}

struct Loaded : LoadRun {
  explicit Loaded(const Project& p) {
    UseSubsystem("language");
    UseSubsystem("paths, time lines and triggers");
    UseSubsystem("objects");
    LoadAndPrepare(p.Build());
  }
};

TEST(PathRecords, PathsTimeLinesAndTriggersRoundTrip) {
  Project p({{"game.json", Game(R"("paths": ["pth_a", null, "pth_b"], "timelines": ["tl_a"], "objects": ["obj"])")},
             {"paths/pth_a.json", R"({"kind": "smooth", "closed": false, "precision": 7,
                                      "points": [[0, 0], [10.5, -4, 50], [20, 20]]})"},
             {"paths/pth_b.json", "{}"},
             {"timelines/tl_a.json", R"({"moments": {"10": "b = 2;", "-3": ["a = 1;", {"code": "a += 1;"}], "0": []}})"},
             {"triggers.json", R"([{"name": "tr_low", "condition": "y > 400 && hp < 3", "moment": "end_step",
                                    "constant": "TR_LOW"}, null, {"name": "tr_any", "condition": "true"}])"},
             {"objects/obj.json", R"({"events": {"trigger:tr_any": "t = 1;", "trigger:tr_low": "t = 2;"}})"}});
  Loaded run(p);
  ASSERT_TRUE(run.prepared) << (run.messages.empty() ? "" : run.messages[0]);

  ASSERT_EQ(Paths().Count(), 3);
  EXPECT_FALSE(Paths().Exists(1));
  EXPECT_EQ(Paths().Name(2), "pth_b");
  const CPath& a = *Paths().Get(0);
  EXPECT_EQ(a.i_kind, 1);
  EXPECT_FALSE(a.i_closed);
  EXPECT_EQ(a.i_precision, 7);
  ASSERT_EQ(a.Count(), 3);
  EXPECT_EQ(a.GetPoint(1).x, 10.5);
  EXPECT_EQ(a.GetPoint(1).y, -4);
  EXPECT_EQ(a.GetPoint(1).speed, 50);
  EXPECT_EQ(a.GetPoint(2).speed, 100);
  EXPECT_GT(a.i_length, 0);  // the polyline is built on loading
  const CPath& b = *Paths().Get(2);
  EXPECT_EQ(b.i_kind, 0);
  EXPECT_TRUE(b.i_closed);
  EXPECT_EQ(b.i_precision, 4);

  ASSERT_EQ(TimeLines().Count(), 1);
  EXPECT_EQ(TimeLines().Name(0), "tl_a");
  const CTimeLine& t = *TimeLines().Get(0);
  EXPECT_EQ(t.s_step, (std::vector<int32_t>{-3, 0, 10}));
  EXPECT_EQ(t.GetEvent(0)->e_number(), 2);
  EXPECT_EQ(t.GetEvent(1)->e_number(), 0);

  ASSERT_EQ(Triggers().Count(), 3);
  EXPECT_FALSE(Triggers().Exists(1));
  const CTrigger& low = *Triggers().Get(0);
  EXPECT_EQ(low.i_name, "tr_low");
  EXPECT_EQ(low.i_condition, "y > 400 && hp < 3");
  EXPECT_EQ(low.i_moment, kTriggerEndStep);
  EXPECT_EQ(low.i_constname, "TR_LOW");
  ASSERT_NE(low.i_code, nullptr);  // prepared
  EXPECT_EQ(Triggers().Get(2)->i_moment, kTriggerStep);
  EXPECT_EQ(FindTriggerByConstant("TR_LOW"), 0);
  EXPECT_NE(Objects().Get(0)->GetEventDirect(ev_trigger, 2), nullptr);
  EXPECT_NE(Objects().Get(0)->GetEventDirect(ev_trigger, 0), nullptr);
}

struct Fault {
  const char* what;
  std::map<std::string, std::string> files;
  const char* file;
  const char* key;
  const char* message;
};

void PrintTo(const Fault& c, std::ostream* os) { *os << c.what; }

class PathFaults : public ::testing::TestWithParam<Fault> {};

TEST_P(PathFaults, NameFileAndKey) {
  const Fault& c = GetParam();
  std::map<std::string, std::string> files = c.files;
  files.emplace("game.json", Game(R"("paths": ["pth"], "timelines": ["tl"], "objects": ["obj"])"));
  files.emplace("paths/pth.json", "{}");
  files.emplace("timelines/tl.json", "{}");
  files.emplace("objects/obj.json", "{}");
  Project p(files);
  try {
    p.BuildBytes();
    FAIL() << "no fault";
  } catch (const gamebuild::ProjectError& e) {
    EXPECT_EQ(e.File(), c.file);
    EXPECT_EQ(e.Key(), c.key);
    EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
  }
}

const Fault kFaults[] = {
    Fault{"a point of one number", {{"paths/pth.json", R"({"points": [[0, 0], [5]]})"}}, "paths/pth.json",
              "points[1]", "expected a point [x, y] or [x, y, speed]"},
    Fault{"a point with text", {{"paths/pth.json", R"({"points": [["a", 0]]})"}}, "paths/pth.json", "points[0]",
              "expected a point"},
    Fault{"a bad kind", {{"paths/pth.json", R"({"kind": "curvy"})"}}, "paths/pth.json", "kind",
              "expected straight or smooth"},
    Fault{"precision out of range", {{"paths/pth.json", R"({"precision": 9})"}}, "paths/pth.json", "precision",
              "out of range"},
    Fault{"an unlisted path file", {{"paths/pth_x.json", "{}"}}, "paths/pth_x.json", "", "not listed"},
    Fault{"a moment that is no step", {{"timelines/tl.json", R"({"moments": {"start": []}})"}}, "timelines/tl.json",
              "moments.start", "unknown moment \"start\""},
    Fault{"a step with a leading zero", {{"timelines/tl.json", R"({"moments": {"07": []}})"}}, "timelines/tl.json",
              "moments.07", "unknown moment"},
    Fault{"an unknown function in a moment",
              {{"timelines/tl.json", R"({"moments": {"1": {"call": "no_such_function"}}})"}}, "timelines/tl.json",
              "moments.1.call", "unknown function"},
    Fault{"a condition that does not compile",
              {{"triggers.json", R"([{"name": "tr", "condition": "x > "}])"}}, "triggers.json", "[0].condition",
              "bad condition"},
    Fault{"a condition calling an unknown function",
              {{"triggers.json", R"J([{"name": "tr", "condition": "nothing_here(1)"}])J"}}, "triggers.json",
              "[0].condition", "bad condition"},
    Fault{"an empty condition", {{"triggers.json", R"([{"name": "tr"}])"}}, "triggers.json", "[0].condition",
              "missing"},
    Fault{"a bad moment", {{"triggers.json", R"([{"name": "tr", "condition": "1", "moment": "draw"}])"}},
              "triggers.json", "[0].moment", "expected step, begin_step or end_step"},
    Fault{"a repeated constant",
              {{"triggers.json", R"([{"name": "a", "condition": "1", "constant": "T"},
                                    {"name": "b", "condition": "1", "constant": "T"}])"}},
              "triggers.json", "[1].constant", "duplicate constant"},
    Fault{"an unknown trigger event", {{"objects/obj.json", R"({"events": {"trigger:tr_none": []}})"}},
              "objects/obj.json", "events.trigger:tr_none", "unknown trigger"},
};

INSTANTIATE_TEST_SUITE_P(Table, PathFaults, ::testing::ValuesIn(kFaults));

}  // namespace
