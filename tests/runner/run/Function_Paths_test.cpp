// The path and time line functions called from game code: results, neutral answers for
// missing resources and their messages, and the path and time line actions.
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/run/Path_Class.h"
#include "runner/run/Run_Host.h"
#include "runner/run/TimeLine_Class.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

class PathFunctions : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    InitInterpreter();
    InstallRuntimeHost();
    SetErrorSink([](std::string_view m, bool) { Errors().push_back(std::string(m)); });
    Errors().clear();
    Paths().Clear();
    TimeLines().Clear();
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SetExecHost(nullptr);
    Paths().Clear();
    TimeLines().Clear();
    WorldTest::TearDown();
  }
  static std::vector<std::string>& Errors() {
    static std::vector<std::string> e;
    return e;
  }
  RValue Run(CInstance* self, const std::string& text) {
    CCode code(text, false);
    EXPECT_TRUE(code.Compile()) << text;
    RValue result;
    EXPECT_TRUE(ExecuteCode(self, self, code, result)) << text;
    return result;
  }
};

TEST_F(PathFunctions, ResultsAndMessages) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  Run(self, "p = path_add(); path_add_point(p, 0, 0, 100); path_add_point(p, 30, 40, 50); path_set_closed(p, 0);");
  struct Case {
    const char* code;
    double value;
  };
  const Case cases[] = {
      {"return p", 0},
      {"return path_get_length(p)", 50},
      {"return path_get_number(p)", 2},
      {"return path_get_closed(p)", 0},
      {"return path_get_x(p, 0.5)", 15},
      {"return path_get_speed(p, 0.5)", 75},
      {"return path_get_point_speed(p, 9)", 100},
      {"return path_get_length(7)", -1},
      {"return path_exists(7)", 0},
      {"return path_duplicate(p)", 1},
      {"return path_duplicate(7)", -1},
      {"path_append(1, p); return path_get_number(1)", 4},
      {"path_delete(1); return path_exists(1)", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(self, c.code).val(), c.value) << c.code;
  EXPECT_EQ(Run(self, "return path_get_name(p)").str(), "__newpath0");
  EXPECT_EQ(Run(self, "return path_get_name(1)").str(), "<undefined>");
  Run(self, "path_delete(1); path_assign(5, p); path_append(p, 5); path_append(5, p); timeline_delete(3);");
  EXPECT_EQ(Errors(), (std::vector<std::string>{"Trying to duplicate non-existing path.",
                                                "Trying to delete non-existing path.", "Error assigning a path.",
                                                "Appending a non-existing path.", "Appending to non-existing path.",
                                                "Trying to delete non-existing timeline."}));

  // The actions: a path from here, its position and speed; a time line set and moved.
  Run(self, "action_path(p, 5, 0, 0); action_path_speed(2);");
  Arguments().relative = 1;  // as the calling action's relative box sets it
  Run(self, "action_path_speed(1);");
  Arguments().relative = 0;
  EXPECT_EQ(self->i_pathindex, 0);
  EXPECT_EQ(self->i_pathspeed, 3);
  Run(self, "t = timeline_add(); timeline_moment_add(t, 4, \"hit = 1\"); action_timeline_set(t, 2, 0, 1);");
  EXPECT_EQ(self->i_timelineindex, 0);
  EXPECT_EQ(self->i_timelineposition, 2);
  EXPECT_TRUE(self->i_timelinerunning);
  EXPECT_TRUE(self->i_timelineloop);
  ASSERT_EQ(TimeLines().Get(0)->Count(), 1);
  EXPECT_EQ(TimeLines().Get(0)->GetEvent(0)->e_number(), 1);
  Run(self, "action_timeline_stop(); timeline_moment_clear(t, 4); path_end();");
  EXPECT_FALSE(self->i_timelinerunning);
  EXPECT_EQ(TimeLines().Get(0)->Count(), 0);
  EXPECT_EQ(self->i_pathindex, -1);
}

}  // namespace
