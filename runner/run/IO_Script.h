// Input scripts: the text form of recorded input, read by replay and written by recording, so
// a run's input can be kept, replayed and written by hand. docs/input-scripts.md describes it.
#pragma once

#include <cstdint>
#include <string>
#include <span>
#include <string_view>
#include <vector>

#include "platform/events/InputEvents.h"
#include "platform/events/Joystick.h"

// One line of a block.
struct RScriptItem {
  // A joystick line carries the whole state the device is in after it: connecting describes
  // the device and centres it, a state line moves it.
  enum class EKind : uint8_t { Input, Mouse, JoyConnect, JoyState, JoyDisconnect, End, Screenshot };
  EKind kind = EKind::Input;
  platform::RInputEvent input;  // Input (never a window mouse move)
  int32_t x = 0, y = 0;         // Mouse: region pixels
  int32_t device = 0;           // joystick lines: 0 or 1
  platform::RJoystickState joystick;
  std::string file;             // Screenshot: empty for the next free screenshotNNN.png
  bool operator==(const RScriptItem&) const = default;
};

// What reaches the game at one point: before step `step` (pump 0), or at the pump-th message
// pump made inside that step (waits, io_handle...).
struct RScriptBlock {
  int64_t step = 1;
  int32_t pump = 0;
  std::vector<RScriptItem> items;
  bool operator==(const RScriptBlock&) const = default;
};

struct RInputScript {
  std::vector<RScriptBlock> blocks;
};

inline constexpr int32_t kInputScriptVersion = 1;
inline constexpr size_t kInputScriptMaxBytes = size_t{64} << 20;

// The virtual-key code of a key name (case ignored: "F9", "enter", "Left", "A", "7"), or -1.
int32_t InputKeyCode(std::string_view name);
struct RInputKeyName {
  const char* name;
  int32_t code;
};
// Every key name, for the documentation; letters and digits are their own names.
std::span<const RInputKeyName> InputKeyNames();

// Reads a script; false with "line N: reason" in error on anything malformed.
bool ParseInputScript(std::string_view text, RInputScript& out, std::string& error);

// Text of the first line, a block header and an item, each without the line end.
std::string InputScriptHeader();
std::string FormatBlockHeader(int64_t step, int32_t pump);
std::string FormatScriptItem(const RScriptItem& item);
// The whole script, as recording would write it.
std::string FormatInputScript(const RInputScript& script);
