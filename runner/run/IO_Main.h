// The runner's own keyboard, mouse and joystick state: the window handlers that feed it
// between steps (TCallback), the keyboard, joystick and mouse event phases of a step, the
// mapping of the mouse into the room, and the queries and setters that functions and built-in
// variables use.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/events/Joystick.h"
#include "runner/base/Game.h"

class CInstance;
class CRoom;

inline constexpr int32_t kKeyCount = 256;
inline constexpr int32_t kKeyEventLimit = 128;  // highest key code with keyboard events
inline constexpr int32_t kTypedStringLimit = 1024;
inline constexpr int32_t kEscapeKey = 27;
inline constexpr int32_t kCloseButtonEvent = 30;  // other event

// The window handlers. All of them do nothing while the step is blocked (game information in
// the window, splash screen showing).
class TCallback {
 public:
  static void KeyDown(int32_t code);
  static void KeyUp(int32_t code);
  static void CharTyped(char16_t ch);
  static void MouseDown(int32_t button);  // 1 left, 2 right, 3 middle
  static void MouseUp(int32_t button);
  static void WheelUp();
  static void WheelDown();
  // The close button: the close event for every instance, or Escape held when the close button
  // counts as Escape.
  static void CloseRequest();
};

// Keyboard. Codes outside 0..255 read false and are ignored by setters.
bool KeyIsDown(int32_t key);
bool KeyIsPressed(int32_t key);
bool KeyIsReleased(int32_t key);
bool AnyKeyDown();
bool AnyKeyPressed();
bool AnyKeyReleased();
void ClearKey(int32_t key);
int32_t LastKey();
void SetLastKey(int32_t key);
int32_t CurrentKey();
void SetCurrentKey(int32_t key);
char16_t LastChar();
void SetLastChar(char16_t ch);
// keyboard_string as UTF-8; a lone surrogate left by backspace reads as U+FFFD.
std::string TypedString();
void SetTypedString(std::string_view utf8);
void SetKeyMap(int32_t key, int32_t target);
int32_t GetKeyMap(int32_t key);
void ResetKeyMap();

// Mouse. Buttons outside 1..3 read false and are ignored by setters.
bool ButtonIsDown(int32_t button);
bool ButtonIsPressed(int32_t button);
bool ButtonIsReleased(int32_t button);
void ClearButton(int32_t button);
int32_t LastButton();
void SetLastButton(int32_t button);
void ForgetLastButton();  // 0, which the setter refuses
int32_t CurrentButton();
void SetCurrentButton(int32_t button);
bool WheelWentUp();
bool WheelWentDown();
// The position in room coordinates sampled by the last mouse phase.
int32_t MouseX();
int32_t MouseY();

// Keyboard and mouse state all cleared; the key map stays.
void ClearInput();
// End of step: pressed and released flags, wheel flags.
void ClearPressed();

// Joysticks: id 2 is the second device, any other id the first. The state is the one the
// devices (or a replayed input script) last reported.
const platform::RJoystickState& JoystickState(int32_t id);
void SetJoystickState(int32_t device, const platform::RJoystickState& state);

// Event phases of the step.
void KeyboardEvents();
void JoystickEvents();
void MouseEvents();

// Mouse mapping. The cursor arrives in window client pixels and is kept in region pixels; the
// mouse phase maps it into the room through the views the last frame drew.
struct RRegionLayout {
  int32_t clientWidth = 0, clientHeight = 0;
  int32_t regionWidth = 0, regionHeight = 0;
  double scale = 1;  // > 0 fixed factor, 0 stretch, < 0 keep the aspect ratio
};
void WindowToRegion(const RRegionLayout& layout, int32_t a, int32_t b, int32_t& x, int32_t& y);

inline constexpr int32_t kViewSlots = 32;
struct RViewRecord {
  bool used = false;
  double xview = 0, yview = 0, wview = 0, hview = 0;
  double xport = 0, yport = 0, wport = 0, hport = 0;
  double angle = 0;
};
// Through one record; the region position itself for an unused record or an empty port.
void RegionToRoomThroughView(const RViewRecord& view, int32_t x, int32_t y, int32_t& rx, int32_t& ry);
// Room → region through one record; the room position itself for an unused record or an
// empty view.
void RoomToRegionThroughView(const RViewRecord& view, double x, double y, int32_t& gx, int32_t& gy);
// Through the used records from the highest slot down; the first whose room rectangle holds the
// result wins, else the lowest used slot; the region position when none is used.
void RegionToRoom(const RViewRecord (&views)[kViewSlots], int32_t x, int32_t y, int32_t& rx, int32_t& ry);

// The view transform table: the views the last drawn frame showed. The room drawing records
// it; the mouse phase and the window's mouse functions read it. All slots start unused.
using RViewTable = RViewRecord[kViewSlots];
const RViewTable& ViewTable();
void RecordView(int32_t slot, const RViewRecord& view);  // slots outside 0..31 are ignored
void ClearView(int32_t slot);
void ClearViewTable();
int32_t ViewTableUsed();
// Slots 0..7 cleared, then the room's visible views recorded when it uses views.
void RecordRoomViews(const CRoom& room);

// The mapping gets the window's layout from RunLookups().regionLayout, which the display fills
// in; until then region pixels are client pixels.

// The cursor: client pixels from the window (mapped into the region here), or region pixels
// straight from a replayed script.
void SetMouseWindowPosition(int32_t a, int32_t b);
void SetMouseRegionPosition(int32_t x, int32_t y);
int32_t MouseRegionX();
int32_t MouseRegionY();

// Whether the point (room coordinates) is on the instance. Until the collision unit fills in
// its precise test (RunLookups().instanceContainsPoint), the bounding box decides.
bool InstanceContainsPoint(CInstance* inst, double x, double y);

// Attaches the input built-in variables.
void InstallInputVariables();

// The state of the input: what the handlers fed in, the key map, the joysticks, the views the
// last frame drew.
struct RKeyboard {
  std::array<bool, kKeyCount> down{}, pressed{}, released{};
  int32_t lastKey = 0, currentKey = 0;
  char16_t lastChar = 0;
  std::u16string typed;
};
struct RMouse {
  std::array<bool, 4> down{}, pressed{}, released{};  // index 0 unused
  int32_t lastButton = 0, currentButton = 0;
  bool wheelUp = false, wheelDown = false;
  int32_t x = 0, y = 0, xprevious = 0, yprevious = 0;  // room
  int32_t regionX = 0, regionY = 0;
};
inline std::array<int32_t, kKeyCount> IdentityKeyMap() {
  std::array<int32_t, kKeyCount> m{};
  for (int32_t i = 0; i < kKeyCount; ++i) m[static_cast<size_t>(i)] = i;
  return m;
}
struct RInputState {
  static constexpr EGameSlot kSlot = EGameSlot::Input;
  RKeyboard key;
  RMouse mouse;
  std::array<int32_t, kKeyCount> keyMap = IdentityKeyMap();
  std::array<platform::RJoystickState, 2> joystick;
  RViewTable views;
  int32_t viewsUsed = 0;
};
inline RInputState& InputState() { return TheGame().State<RInputState>(); }
