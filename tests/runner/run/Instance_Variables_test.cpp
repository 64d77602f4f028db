// Built-in instance variables: conversions on writing, the setters they go through, array
// indices of alarm, image_single, read-only variables and the event context variables; the
// direct forms against the getters and setters, and code using them against the general path.
#include <string>
#include <vector>

#include "runner/base/Support_Stream.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Access.h"
#include "runner/code/Variable_BuiltIn.h"
#include "runner/run/Game_Variables.h"
#include "runner/run/Instance_Variables.h"
#include "runner/run/Run_Host.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

class InstanceVariables : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    RegisterInstanceVariables();
  }
  static int32_t Id(const char* name) { return BuiltInVarId(name); }
  static bool Write(CInstance* i, const char* name, const RValue& v, int32_t arr = 0) {
    return WriteBuiltIn(i, Id(name), arr, v);
  }
  static double Read(CInstance* i, const char* name, int32_t arr = 0) {
    RValue v;
    EXPECT_TRUE(ReadBuiltIn(i, Id(name), arr, v)) << name;
    return v.val();
  }
};

TEST_F(InstanceVariables, WritesConvertAndGoThroughTheSetters) {
  CInstance i(0, 0, 100001, 0);
  struct Case {
    const char* name;
    RValue value;
    int32_t arr;
    const char* readName;  // what to read back
    int32_t readArr;
    double expected;
  };
  const Case cases[] = {
      {"visible", RValue(0.5), 0, "visible", 0, 0},
      {"visible", RValue(0.6), 0, "visible", 0, 1},
      {"solid", RValue(1.5), 0, "solid", 0, 1},
      {"x", RValue(std::string_view("a")), 0, "x", 0, 0},
      {"x", RValue(12.25), 0, "x", 0, 12.25},
      {"y", RValue(-3.0), 0, "x", 0, 12.25},
      {"alarm", RValue(4.5), 3, "alarm", 3, 4},
      {"alarm", RValue(3.0), 12, "alarm", 0, 3},
      {"alarm", RValue(7.0), 32001, "alarm", 0, 7},
      {"hspeed", RValue(3.0), 0, "speed", 0, 3},
      {"vspeed", RValue(-4.0), 0, "speed", 0, 5},
      {"direction", RValue(90.0), 0, "vspeed", 0, -5},
      {"speed", RValue(2.0), 0, "vspeed", 0, -2},
      {"direction", RValue(-90.0), 0, "direction", 0, 270},
      {"image_blend", RValue(255.0), 0, "image_blend", 0, 255},
      {"timeline_index", RValue(2.5), 0, "timeline_index", 0, 2},
      {"path_position", RValue(1.5), 0, "path_position", 0, 1},
      {"image_xscale", RValue(-2.0), 0, "image_xscale", 0, -2},
      {"sprite_index", RValue(7.0), 0, "image_number", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Write(&i, c.name, c.value, c.arr)) << c.name;
    EXPECT_EQ(Read(&i, c.readName, c.readArr), c.expected) << c.name << " -> " << c.readName;
  }
  EXPECT_EQ(i.i_y, -3);
  EXPECT_EQ(i.i_spriteindex, 7);
}

TEST_F(InstanceVariables, ImageSingleStopsAndRestartsTheAnimation) {
  CInstance i(0, 0, 100001, 0);
  EXPECT_EQ(Read(&i, "image_single"), -1);
  Write(&i, "image_single", RValue(2.0));
  EXPECT_EQ(i.i_imageindex, 2);
  EXPECT_EQ(i.i_imagespeed, 0);
  EXPECT_EQ(Read(&i, "image_single"), 2);
  Write(&i, "image_single", RValue(-1.0));
  EXPECT_EQ(i.i_imagespeed, 1);
  EXPECT_EQ(i.i_imageindex, 2);
}

TEST_F(InstanceVariables, ReadOnlyVariablesRefuseWrites) {
  CInstance i(5, 6, 100009, 0);
  for (const char* name : {"id", "object_index", "bbox_left", "image_number", "sprite_width", "path_index", "event_type"})
    EXPECT_FALSE(Write(&i, name, RValue(1.0))) << name;
  EXPECT_EQ(Read(&i, "id"), 100009);
  EXPECT_EQ(Read(&i, "bbox_right"), -100000);
  EXPECT_FALSE(Write(nullptr, "x", RValue(1.0)));
  RValue v;
  EXPECT_FALSE(ReadBuiltIn(nullptr, Id("x"), 0, v));
}

TEST_F(InstanceVariables, EventVariablesReadTheContext) {
  CurrentEvent() = {4, 7, 10, 2};
  EXPECT_EQ(Read(nullptr, "event_object"), 4);
  EXPECT_EQ(Read(nullptr, "event_type"), 7);
  EXPECT_EQ(Read(nullptr, "event_number"), 10);
  EXPECT_EQ(Read(nullptr, "event_action"), 2);
}

// The instance's whole state as its saved form.
std::vector<uint8_t> Saved(const CInstance& i) {
  CStream s;
  i.SaveToStream(s);
  return std::vector<uint8_t>(s.Data(), s.Data() + s.GetSize());
}

// Every direct form does what the getter and setter do at index 0, for values that round both
// ways, across the limits of booleans and on variables whose setters couple others.
TEST_F(InstanceVariables, DirectFormsAgreeWithTheGetterAndSetter) {
  RegisterGameVariables();
  room.r_width = 300;
  const int32_t obj = AddObject();
  const RBuiltInDirect* table = BuiltInDirectTable();
  int32_t checked = 0;
  for (int32_t id = 0; id < BuiltInVarCount(); ++id) {
    const RBuiltInDirect& d = table[id];
    const std::string name(BuiltInVarName(id));
    if (!d.get) continue;
    ++checked;
    EXPECT_EQ(d.set != nullptr, BuiltInVar(id).writable) << name;
    for (double v : {2.5, -0.5, 0.6, 370.0, 0.0}) {
      CInstance general(3, 4, 100001, obj), direct(3, 4, 100001, obj);
      general.i_speed = direct.i_speed = 2;  // so that a new direction moves the vector
      RValue before;
      ASSERT_TRUE(ReadBuiltIn(&general, id, 0, before)) << name;
      EXPECT_EQ(d.get(&direct), before.val()) << name;
      EXPECT_EQ(WriteBuiltIn(&general, id, 0, RValue(v)), d.set != nullptr) << name;
      RValue after;
      ASSERT_TRUE(ReadBuiltIn(&general, id, 0, after)) << name;
      if (d.set) d.set(&direct, v);  // game-wide ones write the same value again
      EXPECT_EQ(d.get(&direct), after.val()) << name << " = " << v;
      EXPECT_EQ(Saved(direct), Saved(general)) << name << " = " << v;
    }
  }
  EXPECT_GT(checked, 60);
}

// Code on instances of the running game, once on the specialised handlers (built-in variables
// through their direct forms) and once on the general ones: the same values printed, the same
// errors, both instances the same afterwards.
class InstanceCode : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    InitInterpreter();
    InstallRuntimeHost();
    SetErrorSink([](std::string_view, bool) {});
    room.r_width = 300;
    obj = AddObject();
  }
  void TearDown() override {
    ClearCodeError();
    SetErrorSink(nullptr);
    SetExecHost(nullptr);
    LanguageState().general_handlers = false;
    WorldTest::TearDown();
  }
  struct Outcome {
    std::string printed;
    std::vector<uint8_t> self, other;
  };
  Outcome Run(const std::string& text, bool general) {
    LanguageState().general_handlers = general;
    room.ClearInstances();
    SetLastInstanceId(100000);
    room.r_width = 300;
    CInstance* self = room.AddInstance(10, 20, obj);
    CInstance* other = room.AddInstance(30, 40, obj);
    Trace().clear();
    CCode code(text, false);
    EXPECT_TRUE(code.Compile()) << text;
    RValue result;
    Outcome out;
    const bool ok = ExecuteCode(self, other, code, result);
    for (const std::string& line : Trace()) out.printed += (out.printed.empty() ? "" : "|") + line.substr(0, line.find('@'));
    if (!ok) out.printed += " !" + CodeError().text;
    ClearCodeError();
    out.self = Saved(*self);
    out.other = Saved(*other);
    return out;
  }
  int32_t obj = -1;
};

TEST_F(InstanceCode, BuiltInVariablesRunAsOnTheGeneralPath) {
  struct Case {
    const char* code;
    const char* printed;
  };
  const Case cases[] = {
      {"x += 2.5; y -= 1; t_log(x); t_log(y); t_log(xprevious); t_log(bbox_left)", "12.5|19|10|-1e+05"},
      {"speed = 3; direction = 90; t_log(hspeed); t_log(vspeed); speed *= 2; t_log(vspeed)", "0|-3|-6"},
      {"hspeed = 3; vspeed = -4; t_log(speed); t_log(direction); direction -= 90; t_log(hspeed)", "5|53.13010235415598|4"},
      {"x = \"a\"; t_log(x)", "0"},
      {"x += \"a\"", " !"},
      {"x -= \"a\"", " !"},
      {"id = 3", " !"},
      {"id += 3", " !"},
      {"visible = 0.6; t_log(visible); visible -= 0.5; t_log(visible); solid = 0.5; t_log(solid)", "1|0|0"},
      {"image_index = 2; image_speed *= 3; t_log(image_speed); depth = -5; t_log(depth)", "3|-5"},
      {"other.x = 7; t_log(other.x); with (other) { x += 1; t_log(x); t_log(other.y) }", "7|8|20"},
      {"path_endaction = 2.5; timeline_index = 1.5; t_log(path_endaction); t_log(timeline_index)", "2|2"},
      {"t_log(room_width); room_width += 10", "300 !"},
      {"score = 2.5; t_log(score); score -= 0.4; t_log(score); view_xview = 3; view_xview *= 2.5; t_log(view_xview)",
       "2|2|8"},
      {"sprite_index = 3; t_log(image_number); t_log(object_index); t_log(id)", "0|0|100001"},
      {"a = x; x = a + 1; t_log(x == a + 1); x *= 2; t_log(x)", "1|22"},
  };
  for (const Case& c : cases) {
    const Outcome general = Run(c.code, true);
    const Outcome special = Run(c.code, false);
    EXPECT_EQ(special.printed, general.printed) << c.code;
    EXPECT_EQ(special.self, general.self) << c.code;
    EXPECT_EQ(special.other, general.other) << c.code;
    const size_t error = general.printed.find(" !");  // the message itself is not the point here
    EXPECT_EQ(error == std::string::npos ? general.printed : general.printed.substr(0, error + 2), c.printed)
        << c.code;
  }
}

}  // namespace
