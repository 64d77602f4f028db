// The joystick functions over the state the devices last reported.
#include <gtest/gtest.h>

#include <cmath>

#include "runner/code/Code_Function.h"
#include "runner/run/IO_Main.h"
#include "runner/functions/Function_Families.h"

namespace {

RValue Call(const char* name, std::vector<RValue> args) {
  InitFunctions(AllFunctionFamilies());
  int32_t id = -1;
  EXPECT_TRUE(FindBuiltinFunction(name, id)) << name;
  RValue argv[kMaxFunctionArgs];
  for (size_t i = 0; i < args.size(); ++i) argv[i] = args[i];
  RValue result;
  FunctionAt(id)->f_routine(nullptr, nullptr, static_cast<int32_t>(args.size()), argv, result);
  return result;
}

platform::RJoystickState Stick(int32_t x, int32_t y) {
  platform::RJoystickState s;
  s.present = true;
  s.name = "Test pad";
  s.axes = 4;
  s.buttons = 12;
  s.pov = true;
  s.pos = {x, y, 65535, 0, 32767, 32768};
  s.buttonMask = 0x80000801;  // buttons 1, 12 and 32
  s.povHundredths = 27000;
  return s;
}

struct RDirectionCase {
  int32_t x, y, direction;
};
const RDirectionCase kDirections[] = {
    {32768, 32768, 101}, {0, 0, 103},         {19999, 19999, 103}, {20000, 20000, 101}, {44000, 44000, 101},
    {44001, 44001, 99},  {65535, 32768, 102}, {0, 65535, 97},      {32768, 0, 104},
};

TEST(JoystickFunctions, DirectionIsTheKeypadCodeOfTheStick) {
  for (const RDirectionCase& c : kDirections) {
    SetJoystickState(1, Stick(c.x, c.y));
    EXPECT_EQ(Call("joystick_direction", {RValue(2.0)}).val(), c.direction) << c.x << "," << c.y;
  }
  SetJoystickState(1, {});
}

TEST(JoystickFunctions, DescriptionButtonsAxesAndHat) {
  SetJoystickState(0, Stick(0, 65535));
  SetJoystickState(1, {});
  // Any id but 2 is the first device.
  for (double id : {1.0, 0.0, 7.0, 2.6}) EXPECT_EQ(Call("joystick_exists", {RValue(id)}).val(), 1) << id;
  EXPECT_EQ(Call("joystick_exists", {RValue(1.6)}).val(), 0);  // rounds to the second
  EXPECT_EQ(Call("joystick_name", {RValue(1.0)}).str(), "Test pad");
  EXPECT_EQ(Call("joystick_axes", {RValue(1.0)}).val(), 4);
  EXPECT_EQ(Call("joystick_buttons", {RValue(1.0)}).val(), 12);
  EXPECT_EQ(Call("joystick_has_pov", {RValue(1.0)}).val(), 1);
  EXPECT_EQ(Call("joystick_pov", {RValue(1.0)}).val(), 270);
  const std::pair<double, double> buttons[] = {{1, 1},  {2, 0}, {12, 1}, {11.6, 1},
                                               {32, 1}, {0, 0}, {33, 0}, {-1, 0}};
  for (const auto& [b, on] : buttons)
    EXPECT_EQ(Call("joystick_check_button", {RValue(1.0), RValue(b)}).val(), on) << b;
  const std::pair<const char*, double> axes[] = {{"joystick_xpos", -1},
                                                 {"joystick_ypos", 65535 / 32767.0 - 1},
                                                 {"joystick_zpos", 65535 / 32767.0 - 1},
                                                 {"joystick_rpos", -1},
                                                 {"joystick_upos", 0},
                                                 {"joystick_vpos", 32768 / 32767.0 - 1}};
  for (const auto& [name, value] : axes) EXPECT_DOUBLE_EQ(Call(name, {RValue(1.0)}).val(), value) << name;

  platform::RJoystickState centred = Stick(0, 0);
  centred.povHundredths = platform::kPovCentred;
  SetJoystickState(0, centred);
  EXPECT_EQ(Call("joystick_pov", {RValue(1.0)}).val(), -1);
  SetJoystickState(0, {});
}

}  // namespace
