// Built-in game functions: errors a game raises itself, and the keyboard, mouse and joystick
// functions over the runner's input state; the rest of the game and dialog functions join
// this unit.
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Function_Game.h"
#include "runner/run/IO_Intake.h"
#include "runner/run/IO_Main.h"

namespace {
void show_error(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  ShowActionError(argv[0].str(), IsTrue(argv[1].val()));
}

int32_t Int(const RValue& v) { return RoundToInt32(v.val()); }

// Key 0 asks for no key, 1 for any key.
template <bool (*One)(int32_t), bool (*Any)()>
void KeyCheck(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const int32_t key = Int(argv[0]);
  bool on = false;
  if (key == 0)
    on = !Any();
  else if (key == 1)
    on = Any();
  else
    on = One(key);
  result.SetReal(on);
}
void keyboard_check_direct(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(KeyHeldDirect(Int(argv[0])));
}
void keyboard_get_numlock(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  result.SetReal(NumLockOn());
}
void keyboard_set_numlock(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SetNumLock(IsTrue(argv[0].val()));
}
void keyboard_key_press(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  InjectKey(Int(argv[0]), true);
}
void keyboard_key_release(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  InjectKey(Int(argv[0]), false);
}
void keyboard_set_map(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  SetKeyMap(Int(argv[0]), Int(argv[1]));
}
void keyboard_get_map(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(GetKeyMap(Int(argv[0])));
}
void keyboard_unset_map(CInstance*, CInstance*, int32_t, RValue*, RValue&) { ResetKeyMap(); }
void keyboard_clear(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  PumpInputInStep();
  ClearKey(Int(argv[0]));
}
void keyboard_wait(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  SetLastKey(0);
  WaitForInput([] { return LastKey() != 0; });
}

// Button -1 asks for any button, 0 for none.
template <bool (*One)(int32_t)>
void ButtonCheck(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const int32_t b = Int(argv[0]);
  const bool any = One(1) || One(2) || One(3);
  bool on = false;
  if (b == -1)
    on = any;
  else if (b == 0)
    on = !any;
  else
    on = One(b);
  result.SetReal(on);
}
void mouse_wheel_up(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  result.SetReal(WheelWentUp());
}
void mouse_wheel_down(CInstance*, CInstance*, int32_t, RValue*, RValue& result) {
  result.SetReal(WheelWentDown());
}
void mouse_clear(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  PumpInputInStep();
  ClearButton(Int(argv[0]));
}
void mouse_wait(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  ForgetLastButton();
  WaitForInput([] { return LastButton() != 0; });
}

}  // namespace

void io_clear(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  PumpInputInStep();
  ClearInput();
}

namespace {

void io_handle(CInstance*, CInstance*, int32_t, RValue*, RValue&) { PumpInputInStep(); }

const platform::RJoystickState& Joy(const RValue& id) { return JoystickState(Int(id)); }
void joystick_exists(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(Joy(argv[0]).present);
}
void joystick_direction(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const platform::RJoystickState& j = Joy(argv[0]);
  if (!j.present) {
    result.SetReal(101);
    return;
  }
  const int32_t x = j.pos[0], y = j.pos[1];
  const int32_t row = y <= 19999 ? 6 : (y <= 44000 ? 3 : 0);
  const int32_t column = x < 20000 ? 1 : (x > 44000 ? 3 : 2);
  result.SetReal(96 + row + column);
}
void joystick_name(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const platform::RJoystickState& j = Joy(argv[0]);
  result.SetString(j.present ? j.name : std::string());
}
void joystick_axes(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(Joy(argv[0]).axes);
}
void joystick_buttons(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(Joy(argv[0]).buttons);
}
void joystick_has_pov(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(Joy(argv[0]).pov);
}
void joystick_check_button(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const platform::RJoystickState& j = Joy(argv[0]);
  const int32_t b = Int(argv[1]);
  result.SetReal(j.present && b >= 1 && b <= 32 && (j.buttonMask & (1u << (b - 1))) != 0);
}
template <size_t Axis>
void JoystickPos(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const platform::RJoystickState& j = Joy(argv[0]);
  result.SetReal(j.present ? j.pos[Axis] / 32767.0 - 1 : 0);
}
void joystick_pov(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const platform::RJoystickState& j = Joy(argv[0]);
  // Above 360 degrees the hat is centred.
  result.SetReal(j.present && j.pov && j.povHundredths <= 36000 ? j.povHundredths / 100.0 : -1);
}

constexpr RFunctionDef kGameFunctions[] = {
    {"show_error", 2, show_error},
    {"keyboard_check", 1, KeyCheck<KeyIsDown, AnyKeyDown>},
    {"keyboard_check_pressed", 1, KeyCheck<KeyIsPressed, AnyKeyPressed>},
    {"keyboard_check_released", 1, KeyCheck<KeyIsReleased, AnyKeyReleased>},
    {"keyboard_check_direct", 1, keyboard_check_direct},
    {"keyboard_get_numlock", 0, keyboard_get_numlock},
    {"keyboard_set_numlock", 1, keyboard_set_numlock},
    {"keyboard_key_press", 1, keyboard_key_press},
    {"keyboard_key_release", 1, keyboard_key_release},
    {"keyboard_set_map", 2, keyboard_set_map},
    {"keyboard_get_map", 1, keyboard_get_map},
    {"keyboard_unset_map", 0, keyboard_unset_map},
    {"keyboard_clear", 1, keyboard_clear},
    {"keyboard_wait", 0, keyboard_wait},
    {"mouse_check_button", 1, ButtonCheck<ButtonIsDown>},
    {"mouse_check_button_pressed", 1, ButtonCheck<ButtonIsPressed>},
    {"mouse_check_button_released", 1, ButtonCheck<ButtonIsReleased>},
    {"mouse_wheel_up", 0, mouse_wheel_up},
    {"mouse_wheel_down", 0, mouse_wheel_down},
    {"mouse_clear", 1, mouse_clear},
    {"mouse_wait", 0, mouse_wait},
    {"io_clear", 0, io_clear},
    {"io_handle", 0, io_handle},
    {"joystick_exists", 1, joystick_exists},
    {"joystick_direction", 1, joystick_direction},
    {"joystick_name", 1, joystick_name},
    {"joystick_axes", 1, joystick_axes},
    {"joystick_buttons", 1, joystick_buttons},
    {"joystick_has_pov", 1, joystick_has_pov},
    {"joystick_check_button", 2, joystick_check_button},
    {"joystick_xpos", 1, JoystickPos<0>},
    {"joystick_ypos", 1, JoystickPos<1>},
    {"joystick_zpos", 1, JoystickPos<2>},
    {"joystick_rpos", 1, JoystickPos<3>},
    {"joystick_upos", 1, JoystickPos<4>},
    {"joystick_vpos", 1, JoystickPos<5>},
    {"joystick_pov", 1, joystick_pov},
};
}  // namespace

FunctionFamily GameFunctions() { return kGameFunctions; }
