// Built-in instance variables: conversions on writing, the setters they go through, array
// indices of alarm, image_single, read-only variables and the event context variables.
#include "runner/code/Variable_Access.h"
#include "runner/code/Variable_BuiltIn.h"
#include "runner/run/Instance_Variables.h"
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

}  // namespace
