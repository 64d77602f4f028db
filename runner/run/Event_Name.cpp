// Event and key names; see Event_Name.h.
#include "runner/run/Event_Name.h"

#include "runner/run/Event_Main.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Run_State.h"

namespace {
std::string MouseName(int32_t n) {
  static const char* const kLow[] = {"Left Button",    "Right Button",   "Middle Button",   "No Button",
                                     "Left Pressed",   "Right Pressed",  "Middle Pressed",  "Left Released",
                                     "Right Released", "Middle Released", "Mouse Enter",    "Mouse Leave"};
  static const char* const kStick[] = {"Left", "Right", "Up", "Down"};
  static const char* const kGlobal[] = {"Glob Left Button",   "Glob Right Button",   "Glob Middle Button",
                                        "Glob Left Pressed",  "Glob Right Pressed",  "Glob Middle Pressed",
                                        "Glob Left Released", "Glob Right Released", "Glob Middle Released"};
  if (n >= 0 && n <= 11) return kLow[n];
  for (int32_t j = 0; j < 2; ++j) {
    const int32_t base = 16 + 15 * j;  // 16 and 31
    const std::string stick = "Joystick " + std::to_string(j + 1) + " ";
    if (n >= base && n < base + 4) return stick + kStick[n - base];
    if (n >= base + 5 && n <= base + 12) return stick + "Button " + std::to_string(n - base - 4);
  }
  if (n >= 50 && n <= 58) return kGlobal[n - 50];
  if (n == 60) return "Mouse Wheel Up";
  if (n == 61) return "Mouse Wheel Down";
  return "<unknown>";
}

std::string OtherName(int32_t n) {
  static const char* const kNames[] = {"Outside Room",  "Intersect Boundary", "Game Start",    "Game End",
                                       "Room Start",    "Room End",           "No More Lives", "Animation End",
                                       "End Of Path",   "No More Health"};
  if (n >= 0 && n <= 9) return kNames[n];
  if (n >= 10 && n <= 25) return "User Defined " + std::to_string(n - 10);
  if (n == 30) return "Close Button";
  if (n >= 40 && n <= 47) return "Outside View " + std::to_string(n - 40);
  if (n >= 50 && n <= 57) return "Boundary View " + std::to_string(n - 50);
  return "<unknown>";
}
}  // namespace

std::string KeyName(int32_t k) {
  switch (k) {
    case 0: return "<no key>";
    case 1: return "<any key>";
    case 8: return "<Backspace>";
    case 9: return "<Tab>";
    case 13: return "<Enter>";
    case 16: return "<Shift>";
    case 17: return "<Ctrl>";
    case 18: return "<Alt>";
    case 27: return "<Escape>";
    case 32: return "<Space>";
    case 33: return "<Page Up>";
    case 34: return "<Page Down>";
    case 35: return "<End>";
    case 36: return "<Home>";
    case 37: return "<Left>";
    case 38: return "<Up>";
    case 39: return "<Right>";
    case 40: return "<Down>";
    case 45: return "<Insert>";
    case 46: return "<Delete>";
    case 106: return "Keypad *";
    case 107: return "Keypad +";
    case 109: return "Keypad -";
    case 110: return "Keypad .";
    case 111: return "Keypad /";
    default: break;
  }
  if ((k >= 48 && k <= 57) || (k >= 65 && k <= 90)) {
    std::string name(1, static_cast<char>(k));
    name += "-key";
    return name;
  }
  if (k >= 96 && k <= 105) return std::string("Keypad ").append(std::to_string(k - 96));
  if (k >= 112 && k <= 123) return std::string("F").append(std::to_string(k - 111));
  return "<unknown>";
}

std::string EventName(int32_t t, int32_t n) {
  switch (t) {
    case ev_create: return "Create Event";
    case ev_destroy: return "Destroy Event";
    case ev_alarm: return "Alarm Event for alarm " + std::to_string(n);
    case ev_step: {
      const char* sub = n == 0 ? "" : n == 1 ? "Begin" : n == 2 ? "End" : "<unknown>";
      return std::string(sub) + " Step Event";
    }
    case ev_collision: return "Collision Event with object " + Objects().Name(n);
    case ev_keyboard: return "Keyboard Event for " + KeyName(n) + " Key";
    case ev_mouse: return "Mouse Event for " + MouseName(n);
    case ev_other: return "Other Event: " + OtherName(n);
    case ev_draw: return "Draw Event";
    case ev_keypress: return "Key Press Event for " + KeyName(n) + " Key";
    case ev_keyrelease: return "Key Release Event for " + KeyName(n) + " Key";
    case ev_trigger: {
      std::string name;
      const auto lookup = RunLookups().triggerName;
      if (!lookup || !lookup(n, name)) name = "<Deleted>";
      return "Trigger Event: " + name;
    }
    default: return "<Unknown Event>";
  }
}

std::string ComposeActionError(std::string_view message, bool fatal) {
  const REventContext& c = CurrentEvent();
  std::string out = fatal ? "FATAL ERROR in\r\naction number " : "ERROR in\r\naction number ";
  out += std::to_string(int64_t{c.action} + 1) + "\r\n";
  if (c.type == kTimeLineEventType) {
    std::string name;
    const auto lookup = RunLookups().timeLineName;
    if (!lookup || !lookup(c.owner, name)) name = "<undefined>";
    out += "at time step " + std::to_string(c.number) + "\r\nof time line " + name;
  } else {
    out += "of " + EventName(c.type, c.number) + "\r\nfor object " + Objects().Name(c.owner);
  }
  out += ":\r\n\r\n";
  out.append(message);
  return out;
}
