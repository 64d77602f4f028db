// Keyboard, mouse and joystick state, its window handlers and the input event phases; see
// IO_Main.h.
#include "runner/run/IO_Main.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/events/InputEvents.h"
#include "runner/code/Variable_Access.h"
#include "runner/code/Variable_Class.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"
#include "runner/base/Option_Main.h"

namespace {

RInputState& In() { return InputState(); }

bool IsKey(int32_t key) { return key >= 0 && key < kKeyCount; }
bool IsButton(int32_t b) { return b >= 1 && b <= 3; }
size_t K(int32_t key) { return static_cast<size_t>(key); }
size_t B(int32_t b) { return static_cast<size_t>(b); }

bool Blocked() { return RunHooks().stepBlocked && RunHooks().stepBlocked(); }

bool AnyOf(const std::array<bool, kKeyCount>& flags) {
  return std::any_of(flags.begin(), flags.end(), [](bool f) { return f; });
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Utf8FromUnits(std::u16string_view units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    const uint32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00u));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

std::u16string UnitsFromUtf8(std::string_view utf8) {
  std::vector<int32_t> units;
  platform::AppendUtf16Units(std::string(utf8).c_str(), units);
  std::u16string out;
  for (int32_t u : units) out += static_cast<char16_t>(u);
  return out;
}

// Mouse events for the unmarked instances of each listed object that pass the test.
template <class Test>
void PerformWhere(int32_t enumb, Test test) {
  CRoom* room = CurrentRoom();
  if (!room) return;
  ActionWalkScope walking;
  for (const REventTarget& target : EventObjectList(ev_mouse, enumb)) {
    const int32_t count = room->Obj_Number(target.object);
    for (int32_t i = 0; i < count; ++i) {
      if (RoomChangePending()) return;
      CInstance* inst = room->Obj_Instance(target.object, i);
      if (inst && !inst->i_marked && test(inst)) PerformFoundEvent(inst, inst, target.found, ev_mouse, enumb);
    }
  }
}

void UnderCursor(int32_t enumb) {
  const double x = In().mouse.x, y = In().mouse.y;
  PerformWhere(enumb, [&](CInstance* inst) { return InstanceContainsPoint(inst, x, y); });
}

// One of the three keyboard kinds: every key whose flag is set, then no key or any key.
template <class Flag>
void KeyEventsOf(int32_t etype, Flag flag) {
  bool any = false;
  for (int32_t key = 8; key < kKeyCount; ++key) {
    if (!flag(key)) continue;
    any = true;
    if (key <= kKeyEventLimit) PerformEventForObjects(etype, key);
  }
  PerformEventForObjects(etype, any ? 1 : 0);
}

// Built-in variables.
bool GetMouseX(CInstance*, int32_t, RValue& out) {
  out.SetReal(In().mouse.x);
  return true;
}
bool GetMouseY(CInstance*, int32_t, RValue& out) {
  out.SetReal(In().mouse.y);
  return true;
}
template <int32_t (*Get)()>
bool GetInt(CInstance*, int32_t, RValue& out) {
  out.SetReal(Get());
  return true;
}
template <void (*Set)(int32_t)>
bool SetInt(CInstance*, int32_t, const RValue& v) {
  Set(RoundToInt32(v.val()));
  return true;
}
bool GetLastChar(CInstance*, int32_t, RValue& out) {
  const char16_t ch = In().key.lastChar;
  out.SetString(ch ? Utf8FromUnits(std::u16string_view(&ch, 1)) : std::string());
  return true;
}
bool SetLastCharVar(CInstance*, int32_t, const RValue& v) {
  const std::u16string units = UnitsFromUtf8(v.IsString() ? v.str() : std::string_view());
  if (!units.empty()) In().key.lastChar = units[0];
  return true;
}
bool GetTyped(CInstance*, int32_t, RValue& out) {
  out.SetString(TypedString());
  return true;
}
bool SetTyped(CInstance*, int32_t, const RValue& v) {
  SetTypedString(v.IsString() ? v.str() : std::string_view());
  return true;
}

}  // namespace

// Window handlers.

void TCallback::KeyDown(int32_t code) {
  if (Blocked()) return;
  code = GetKeyMap(code);
  if (!IsKey(code)) return;
  In().key.lastKey = In().key.currentKey = code;
  if (!In().key.down[K(code)]) In().key.pressed[K(code)] = true;
  In().key.down[K(code)] = true;
}

void TCallback::KeyUp(int32_t code) {
  if (Blocked()) return;
  code = GetKeyMap(code);
  if (!IsKey(code)) return;
  if (code == In().key.currentKey) In().key.currentKey = 0;
  In().key.down[K(code)] = false;
  In().key.released[K(code)] = true;
}

void TCallback::CharTyped(char16_t ch) {
  if (Blocked()) return;
  In().key.lastChar = ch;
  std::u16string& s = In().key.typed;
  if (s.size() > static_cast<size_t>(kTypedStringLimit)) s.erase(0, s.size() - kTypedStringLimit);
  if (ch == 8) {
    if (!s.empty()) s.pop_back();
  } else if (ch > 31) {
    s += ch;
  }
}

void TCallback::MouseDown(int32_t button) {
  if (Blocked() || !IsButton(button)) return;
  In().mouse.lastButton = In().mouse.currentButton = button;
  In().mouse.down[B(button)] = true;
  In().mouse.pressed[B(button)] = true;
}

void TCallback::MouseUp(int32_t button) {
  if (Blocked() || !IsButton(button)) return;
  In().mouse.currentButton = 0;
  In().mouse.down[B(button)] = false;
  In().mouse.released[B(button)] = true;
}

void TCallback::WheelUp() {
  if (!Blocked()) In().mouse.wheelUp = true;
}

void TCallback::WheelDown() {
  if (!Blocked()) In().mouse.wheelDown = true;
}

void TCallback::CloseRequest() {
  if (Blocked()) return;
  if (!Options().opt_closeasesc) {
    PerformEventForAll(ev_other, kCloseButtonEvent);
    return;
  }
  In().key.down[kEscapeKey] = true;
  In().key.lastKey = In().key.currentKey = kEscapeKey;
}

// Keyboard.

bool KeyIsDown(int32_t key) { return IsKey(key) && In().key.down[K(key)]; }
bool KeyIsPressed(int32_t key) { return IsKey(key) && In().key.pressed[K(key)]; }
bool KeyIsReleased(int32_t key) { return IsKey(key) && In().key.released[K(key)]; }
bool AnyKeyDown() { return AnyOf(In().key.down); }
bool AnyKeyPressed() { return AnyOf(In().key.pressed); }
bool AnyKeyReleased() { return AnyOf(In().key.released); }
void ClearKey(int32_t key) {
  if (!IsKey(key)) return;
  In().key.down[K(key)] = In().key.pressed[K(key)] = In().key.released[K(key)] = false;
}
int32_t LastKey() { return In().key.lastKey; }
void SetLastKey(int32_t key) {
  if (IsKey(key)) In().key.lastKey = key;
}
int32_t CurrentKey() { return In().key.currentKey; }
void SetCurrentKey(int32_t key) {
  if (IsKey(key)) In().key.currentKey = key;
}
char16_t LastChar() { return In().key.lastChar; }
void SetLastChar(char16_t ch) { In().key.lastChar = ch; }
std::string TypedString() { return Utf8FromUnits(In().key.typed); }
void SetTypedString(std::string_view utf8) { In().key.typed = UnitsFromUtf8(utf8); }
void SetKeyMap(int32_t key, int32_t target) {
  if (IsKey(key)) In().keyMap[K(key)] = target;
}
int32_t GetKeyMap(int32_t key) { return IsKey(key) ? In().keyMap[K(key)] : key; }
void ResetKeyMap() { In().keyMap = IdentityKeyMap(); }

// Mouse.

bool ButtonIsDown(int32_t button) { return IsButton(button) && In().mouse.down[B(button)]; }
bool ButtonIsPressed(int32_t button) { return IsButton(button) && In().mouse.pressed[B(button)]; }
bool ButtonIsReleased(int32_t button) { return IsButton(button) && In().mouse.released[B(button)]; }
void ClearButton(int32_t button) {
  if (!IsButton(button)) return;
  In().mouse.down[B(button)] = In().mouse.pressed[B(button)] = In().mouse.released[B(button)] = false;
}
int32_t LastButton() { return In().mouse.lastButton; }
void SetLastButton(int32_t button) {
  if (IsButton(button)) In().mouse.lastButton = button;
}
void ForgetLastButton() { In().mouse.lastButton = 0; }
int32_t CurrentButton() { return In().mouse.currentButton; }
void SetCurrentButton(int32_t button) {
  if (IsButton(button)) In().mouse.currentButton = button;
}
bool WheelWentUp() { return In().mouse.wheelUp; }
bool WheelWentDown() { return In().mouse.wheelDown; }
int32_t MouseX() { return In().mouse.x; }
int32_t MouseY() { return In().mouse.y; }

// State operations.

void ClearInput() {
  In().key.typed.clear();
  In().key.lastKey = In().key.currentKey = 0;
  In().key.lastChar = 0;
  In().key.down = {};
  In().key.pressed = {};
  In().key.released = {};
  In().mouse.lastButton = In().mouse.currentButton = 0;
  In().mouse.down = {};
  In().mouse.pressed = {};
  In().mouse.released = {};
  In().mouse.wheelUp = In().mouse.wheelDown = false;
}

void ClearPressed() {
  In().key.pressed = {};
  In().key.released = {};
  In().mouse.pressed = {};
  In().mouse.released = {};
  In().mouse.wheelUp = In().mouse.wheelDown = false;
}

// Joysticks.

const platform::RJoystickState& JoystickState(int32_t id) { return In().joystick[id == 2 ? 1 : 0]; }
void SetJoystickState(int32_t device, const platform::RJoystickState& state) {
  if (device == 0 || device == 1) In().joystick[static_cast<size_t>(device)] = state;
}

// Event phases.

void KeyboardEvents() {
  KeyEventsOf(ev_keyboard, [](int32_t k) { return In().key.down[K(k)] || In().key.pressed[K(k)]; });
  KeyEventsOf(ev_keypress, [](int32_t k) { return In().key.pressed[K(k)]; });
  KeyEventsOf(ev_keyrelease, [](int32_t k) { return In().key.released[K(k)]; });
}

void JoystickEvents() {
  struct RNumbers {
    int32_t left, right, up, down, button1;
  };
  constexpr RNumbers kNumbers[2] = {{16, 17, 18, 19, 21}, {31, 32, 33, 34, 36}};
  for (size_t d = 0; d < 2; ++d) {
    const platform::RJoystickState& s = In().joystick[d];
    if (!s.present) continue;
    const RNumbers& n = kNumbers[d];
    if (s.pos[0] < 20000) PerformEventForObjects(ev_mouse, n.left);
    if (s.pos[0] > 44000) PerformEventForObjects(ev_mouse, n.right);
    if (s.pos[1] < 20000) PerformEventForObjects(ev_mouse, n.up);
    if (s.pos[1] > 44000) PerformEventForObjects(ev_mouse, n.down);
    for (int32_t b = 0; b < 8; ++b)
      if (s.buttonMask & (1u << b)) PerformEventForObjects(ev_mouse, n.button1 + b);
  }
}

void MouseEvents() {
  In().mouse.xprevious = In().mouse.x;
  In().mouse.yprevious = In().mouse.y;
  RegionToRoom(In().views, In().mouse.regionX, In().mouse.regionY, In().mouse.x, In().mouse.y);

  bool anyButton = false;
  for (int32_t b = 1; b <= 3; ++b) {
    if (!In().mouse.down[B(b)] && !In().mouse.pressed[B(b)]) continue;
    anyButton = true;
    UnderCursor(b - 1);
    PerformEventForObjects(ev_mouse, 49 + b);
  }
  if (!anyButton) UnderCursor(3);
  for (int32_t b = 1; b <= 3; ++b) {
    if (!In().mouse.pressed[B(b)]) continue;
    UnderCursor(b + 3);
    PerformEventForObjects(ev_mouse, 12);
    PerformEventForObjects(ev_mouse, 52 + b);
  }
  for (int32_t b = 1; b <= 3; ++b) {
    if (!In().mouse.released[B(b)]) continue;
    UnderCursor(b + 6);
    PerformEventForObjects(ev_mouse, 13);
    PerformEventForObjects(ev_mouse, 55 + b);
  }
  const double x = In().mouse.x, y = In().mouse.y, px = In().mouse.xprevious, py = In().mouse.yprevious;
  PerformWhere(
      10, [&](CInstance* i) { return InstanceContainsPoint(i, x, y) && !InstanceContainsPoint(i, px, py); });
  PerformWhere(
      11, [&](CInstance* i) { return InstanceContainsPoint(i, px, py) && !InstanceContainsPoint(i, x, y); });
  if (In().mouse.wheelUp) PerformEventForObjects(ev_mouse, 60);
  if (In().mouse.wheelDown) PerformEventForObjects(ev_mouse, 61);
}

// Mouse mapping.

void WindowToRegion(const RRegionLayout& l, int32_t a, int32_t b, int32_t& x, int32_t& y) {
  const double cw = l.clientWidth, ch = l.clientHeight, rw = l.regionWidth, rh = l.regionHeight;
  if (l.scale == 0) {
    x = RoundToInt32(a * rw / std::max(cw, 1.0));
    y = RoundToInt32(b * rh / std::max(ch, 1.0));
    return;
  }
  double s = l.scale;
  if (s < 0) s = rw > 0 && rh > 0 ? std::min(cw / rw, ch / rh) : 0;
  if (!(s > 0) || !std::isfinite(s)) {
    x = y = 0;
    return;
  }
  // Integer halves, truncated toward zero; in doubles, so no layout can overflow.
  const double left = std::trunc((cw - RoundHalfEven(rw * s)) / 2);
  const double top = std::trunc((ch - RoundHalfEven(rh * s)) / 2);
  x = RoundToInt32((a - left) / s);
  y = RoundToInt32((b - top) / s);
}

void RegionToRoomThroughView(const RViewRecord& v, int32_t x, int32_t y, int32_t& rx, int32_t& ry) {
  if (!v.used || v.wport == 0 || v.hport == 0) {
    rx = x;
    ry = y;
    return;
  }
  const double dx = (x - v.xport) * v.wview / v.wport;
  const double dy = (y - v.yport) * v.hview / v.hport;
  if (std::fabs(v.angle) < 0.01) {
    rx = RoundToInt32(v.xview + dx);
    ry = RoundToInt32(v.yview + dy);
    return;
  }
  const double a = -v.angle * std::numbers::pi / 180;
  const double u = dx - v.wview / 2, w = dy - v.hview / 2;
  rx = RoundToInt32(v.xview + v.wview / 2 + std::cos(a) * u + std::sin(a) * w);
  ry = RoundToInt32(v.yview + v.hview / 2 - std::sin(a) * u + std::cos(a) * w);
}

void RegionToRoom(const RViewRecord (&views)[kViewSlots], int32_t x, int32_t y, int32_t& rx, int32_t& ry) {
  rx = x;
  ry = y;
  for (int32_t i = kViewSlots - 1; i >= 0; --i) {
    const RViewRecord& v = views[i];
    if (!v.used) continue;
    RegionToRoomThroughView(v, x, y, rx, ry);
    if (v.xview <= rx && rx < v.xview + v.wview && v.yview <= ry && ry < v.yview + v.hview) return;
  }
}

void RoomToRegionThroughView(const RViewRecord& v, double x, double y, int32_t& gx, int32_t& gy) {
  if (!v.used || v.wview == 0 || v.hview == 0) {
    gx = RoundToInt32(x);
    gy = RoundToInt32(y);
    return;
  }
  const double dx = (x - v.xview) * v.wport / v.wview;
  const double dy = (y - v.yview) * v.hport / v.hview;
  if (std::fabs(v.angle) < 0.01) {
    gx = RoundToInt32(v.xport + dx);
    gy = RoundToInt32(v.yport + dy);
    return;
  }
  const double a = v.angle * std::numbers::pi / 180;
  const double u = dx - v.wport / 2, w = dy - v.hport / 2;
  gx = RoundToInt32(v.xport + v.wport / 2 + std::cos(a) * u + std::sin(a) * w);
  gy = RoundToInt32(v.yport + v.hport / 2 - std::sin(a) * u + std::cos(a) * w);
}

const RViewTable& ViewTable() { return In().views; }

void RecordView(int32_t slot, const RViewRecord& view) {
  if (slot < 0 || slot >= kViewSlots) return;
  In().viewsUsed += int32_t(view.used) - int32_t(In().views[slot].used);
  In().views[slot] = view;
}

void ClearView(int32_t slot) { RecordView(slot, {}); }

void ClearViewTable() {
  for (RViewRecord& v : In().views) v = {};
  In().viewsUsed = 0;
}

int32_t ViewTableUsed() { return In().viewsUsed; }

void RecordRoomViews(const CRoom& room) {
  for (int32_t i = 0; i < int32_t(room.r_view.size()); ++i) {
    const CView& v = room.r_view[size_t(i)];
    if (!room.r_enableviews || !v.visible) {
      ClearView(i);
      continue;
    }
    RecordView(i, {true, double(v.xview), double(v.yview), double(v.wview), double(v.hview), double(v.xport),
                   double(v.yport), double(v.wport), double(v.hport), v.angle});
  }
}

void SetMouseWindowPosition(int32_t a, int32_t b) {
  RRegionLayout layout;
  const auto source = RunLookups().regionLayout;
  if (source && source(layout))
    WindowToRegion(layout, a, b, In().mouse.regionX, In().mouse.regionY);
  else
    SetMouseRegionPosition(a, b);
}
void SetMouseRegionPosition(int32_t x, int32_t y) {
  In().mouse.regionX = x;
  In().mouse.regionY = y;
}
int32_t MouseRegionX() { return In().mouse.regionX; }
int32_t MouseRegionY() { return In().mouse.regionY; }

bool InstanceContainsPoint(CInstance* inst, double x, double y) {
  if (!inst) return false;
  if (const auto test = RunLookups().instanceContainsPoint) return test(inst, x, y);
  // The box's right and bottom edges are inclusive pixels.
  const RBoundingBox& b = inst->i_bbox;
  return x >= b.left && x < b.right + 1.0 && y >= b.top && y < b.bottom + 1.0;
}

void InstallInputVariables() {
  SetBuiltInAccess("mouse_x", GetMouseX, nullptr);
  SetBuiltInAccess("mouse_y", GetMouseY, nullptr);
  SetBuiltInAccess("mouse_button", GetInt<CurrentButton>, SetInt<SetCurrentButton>);
  SetBuiltInAccess("mouse_lastbutton", GetInt<LastButton>, SetInt<SetLastButton>);
  SetBuiltInAccess("keyboard_key", GetInt<CurrentKey>, SetInt<SetCurrentKey>);
  SetBuiltInAccess("keyboard_lastkey", GetInt<LastKey>, SetInt<SetLastKey>);
  SetBuiltInAccess("keyboard_lastchar", GetLastChar, SetLastCharVar);
  SetBuiltInAccess("keyboard_string", GetTyped, SetTyped);
}
