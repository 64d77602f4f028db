// Reading and writing input scripts; see IO_Script.h.
#include "runner/run/IO_Script.h"

#include <charconv>
#include <utility>

namespace {
using platform::EInput;

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> w;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) w.push_back(line.substr(start, i - start));
  }
  return w;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool Number(std::string_view word, int64_t lo, int64_t hi, int64_t& out) {
  const char* end = word.data() + word.size();
  auto [p, ec] = std::from_chars(word.data(), end, out);
  return ec == std::errc() && p == end && out >= lo && out <= hi;
}

// Names of the keys that are not a letter or a digit, as keyboards label them.
constexpr RInputKeyName kKeyNames[] = {
    {"Backspace", 8},   {"Tab", 9},         {"Enter", 13},      {"Shift", 16},      {"Ctrl", 17},
    {"Alt", 18},        {"Pause", 19},      {"CapsLock", 20},   {"Escape", 27},     {"Space", 32},
    {"PageUp", 33},     {"PageDown", 34},   {"End", 35},        {"Home", 36},       {"Left", 37},
    {"Up", 38},         {"Right", 39},      {"Down", 40},       {"PrintScreen", 44}, {"Insert", 45},
    {"Delete", 46},     {"Numpad0", 96},    {"Numpad1", 97},    {"Numpad2", 98},    {"Numpad3", 99},
    {"Numpad4", 100},   {"Numpad5", 101},   {"Numpad6", 102},   {"Numpad7", 103},   {"Numpad8", 104},
    {"Numpad9", 105},   {"Multiply", 106},  {"Add", 107},       {"Subtract", 109},  {"Decimal", 110},
    {"Divide", 111},    {"F1", 112},        {"F2", 113},        {"F3", 114},        {"F4", 115},
    {"F5", 116},        {"F6", 117},        {"F7", 118},        {"F8", 119},        {"F9", 120},
    {"F10", 121},       {"F11", 122},       {"F12", 123},       {"NumLock", 144},   {"ScrollLock", 145},
    {"LShift", 160},    {"RShift", 161},    {"LCtrl", 162},     {"RCtrl", 163},     {"LAlt", 164},
    {"RAlt", 165},
};

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

struct RNamedInput {
  const char* word;
  EInput kind;
  int64_t lo, hi;  // range of the argument; lo > hi: none
};
constexpr RNamedInput kInputs[] = {
    {"keydown", EInput::KeyDown, 0, 255},   {"keyup", EInput::KeyUp, 0, 255},
    {"char", EInput::Char, 0, 65535},       {"mousedown", EInput::MouseDown, 1, 3},
    {"mouseup", EInput::MouseUp, 1, 3},     {"wheelup", EInput::WheelUp, 1, 0},
    {"wheeldown", EInput::WheelDown, 1, 0}, {"focus", EInput::Focus, 0, 1},
    {"numlock", EInput::NumLock, 0, 1},     {"close", EInput::Close, 1, 0},
};

}  // namespace

int32_t InputKeyCode(std::string_view name) {
  if (name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
    return name[0] & ~0x20;  // a letter is its capital's code
  if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') return name[0];
  for (const RInputKeyName& k : kKeyNames)
    if (SameLetters(name, k.name)) return k.code;
  return -1;
}

std::span<const RInputKeyName> InputKeyNames() { return kKeyNames; }

namespace {

class Parser {
 public:
  Parser(RInputScript& out, std::string& error) : out_(out), error_(error) {}

  bool Line(std::string_view line) {
    ++number_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::vector<std::string_view> w = Words(line);
    if (w.empty() || w[0][0] == '#') return true;
    if (!versionSeen_) {
      int64_t v = 0;
      if (w.size() != 2 || w[0] != "input" || !Number(w[1], 0, INT32_MAX, v))
        return Fail("expected \"input 1\" first");
      if (v != kInputScriptVersion) return Fail("unknown version " + std::string(w[1]));
      versionSeen_ = true;
      return true;
    }
    if (w[0] == "step") return Step(w);
    if (out_.blocks.empty()) return Fail("input before the first step line");
    if (w[0] == "press") return Press(w);
    RScriptItem item;
    if (!Item(w, line, item)) return false;
    out_.blocks.back().items.push_back(std::move(item));
    return true;
  }

  bool Finish() {
    ReleaseBefore(INT64_MAX, 0);
    if (versionSeen_) return true;
    error_ = "the script is empty: expected \"input 1\"";
    return false;
  }

 private:
  bool Fail(const std::string& why) {
    error_ = "line " + std::to_string(number_) + ": " + why;
    return false;
  }

  bool Step(const std::vector<std::string_view>& w) {
    int64_t step = 0, pump = 0;
    const bool shape = (w.size() == 2 || (w.size() == 4 && w[2] == "pump"));
    // Pumps made before the first step belong to step 0.
    const int64_t first = w.size() == 4 ? 0 : 1;
    if (!shape || !Number(w[1], first, INT64_MAX / 2, step) ||
        (w.size() == 4 && !Number(w[3], 1, INT32_MAX, pump)))
      return Fail("expected \"step N\" (N at least 1) or \"step N pump K\" (K at least 1)");
    if (!out_.blocks.empty()) {
      const RScriptBlock& last = out_.blocks.back();
      if (step < last.step || (step == last.step && pump <= last.pump)) return Fail("steps must go forward");
    }
    ReleaseBefore(step, static_cast<int32_t>(pump));
    if (!out_.blocks.empty() && out_.blocks.back().step == step && out_.blocks.back().pump == pump) return true;
    out_.blocks.push_back({step, static_cast<int32_t>(pump), {}});
    return true;
  }

  // press KEY: the key goes down here and up when the next step begins.
  bool Press(const std::vector<std::string_view>& w) {
    int64_t code = 0;
    if (w.size() == 2 && InputKeyCode(w[1]) >= 0 && (w[1].size() > 1 || !IsDigit(w[1][0]))) {
      code = InputKeyCode(w[1]);
    } else if (w.size() != 2 || !Number(w[1], 0, 255, code)) {
      return Fail("press takes one key: a key name or a code from 0 to 255");
    }
    RScriptItem down;
    down.input = {EInput::KeyDown, static_cast<int32_t>(code), 0};
    out_.blocks.back().items.push_back(down);
    const int64_t at = out_.blocks.back().step + 1;
    if (!releases_.empty() && releaseStep_ != at) ReleaseBefore(at, 0);
    releaseStep_ = at;
    RScriptItem up;
    up.input = {EInput::KeyUp, static_cast<int32_t>(code), 0};
    releases_.push_back(up);
    return true;
  }

  // Pressed keys go up at the start of their release step: in a block of their own when the
  // script's next point lies beyond it, else first in the block that starts there.
  void ReleaseBefore(int64_t step, int32_t pump) {
    if (releases_.empty() || std::pair(step, pump) < std::pair(releaseStep_, 0)) return;
    out_.blocks.push_back({releaseStep_, 0, std::move(releases_)});
    releases_.clear();
  }

  bool Item(const std::vector<std::string_view>& w, std::string_view line, RScriptItem& item) {
    for (const RNamedInput& n : kInputs) {
      if (w[0] != n.word) continue;
      item.kind = RScriptItem::EKind::Input;
      item.input.kind = n.kind;
      if (n.lo > n.hi) return w.size() == 1 || Fail(std::string(n.word) + " takes no argument");
      int64_t v = 0;
      const bool key = n.kind == EInput::KeyDown || n.kind == EInput::KeyUp;
      if (key && w.size() == 2 && InputKeyCode(w[1]) >= 0 && (w[1].size() > 1 || !IsDigit(w[1][0]))) {
        item.input.a = InputKeyCode(w[1]);
        return true;
      }
      if (key && w.size() == 2 && !IsDigit(w[1][0]) && w[1][0] != '-')
        return Fail("unknown key \"" + std::string(w[1]) + "\" (a key name or a code from 0 to 255)");
      if (key && (w.size() != 2 || !Number(w[1], n.lo, n.hi, v)))
        return Fail(std::string(n.word) + " takes one key: a key name or a code from 0 to 255");
      if (w.size() != 2 || !Number(w[1], n.lo, n.hi, v))
        return Fail(std::string(n.word) + " takes one number from " + std::to_string(n.lo) + " to " +
                    std::to_string(n.hi));
      item.input.a = static_cast<int32_t>(v);
      return true;
    }
    if (w[0] == "mouse") {
      int64_t x = 0, y = 0;
      if (w.size() != 3 || !Number(w[1], INT32_MIN, INT32_MAX, x) || !Number(w[2], INT32_MIN, INT32_MAX, y))
        return Fail("mouse takes two whole numbers");
      item.kind = RScriptItem::EKind::Mouse;
      item.x = static_cast<int32_t>(x);
      item.y = static_cast<int32_t>(y);
      return true;
    }
    if (w[0] == "end") {
      item.kind = RScriptItem::EKind::End;
      return w.size() == 1 || Fail("end takes no argument");
    }
    if (w[0] == "screenshot") {
      if (w.size() > 2) return Fail("screenshot takes at most a file name");
      item.kind = RScriptItem::EKind::Screenshot;
      if (w.size() == 2) item.file = std::string(w[1]);
      return true;
    }
    if (w[0] == "joystick") return Joystick(w, line, item);
    return Fail("unknown input \"" + std::string(w[0]) + "\"");
  }

  bool Joystick(const std::vector<std::string_view>& w, std::string_view line, RScriptItem& item) {
    int64_t id = 0;
    if (w.size() < 3 || !Number(w[1], 1, 2, id))
      return Fail("joystick takes 1 or 2, then connect, state or disconnect");
    item.device = static_cast<int32_t>(id - 1);
    platform::RJoystickState& known = joysticks_[item.device];
    platform::RJoystickState& s = item.joystick;
    if (w[2] == "disconnect") {
      if (w.size() != 3) return Fail("joystick disconnect takes nothing more");
      item.kind = RScriptItem::EKind::JoyDisconnect;
      known = {};
      s = known;
      return true;
    }
    if (w[2] == "connect") {
      int64_t axes = 0, buttons = 0, pov = 0;
      if (w.size() < 6 || !Number(w[3], 0, platform::kJoystickAxes, axes) || !Number(w[4], 0, 32, buttons) ||
          !Number(w[5], 0, 1, pov))
        return Fail("joystick connect takes axes 0-6, buttons 0-32, pov 0-1 and a name");
      item.kind = RScriptItem::EKind::JoyConnect;
      s = {};
      s.present = true;
      s.axes = static_cast<int32_t>(axes);
      s.buttons = static_cast<int32_t>(buttons);
      s.pov = pov != 0;
      if (w.size() > 6) {
        // The name is the rest of the line.
        const size_t at = static_cast<size_t>(w[6].data() - line.data());
        s.name = std::string(line.substr(at)).substr(0, 32);
        while (!s.name.empty() && (s.name.back() == ' ' || s.name.back() == '\t')) s.name.pop_back();
      }
      known = s;
      return true;
    }
    if (w[2] == "state") {
      if (!known.present) return Fail("joystick state before it connects");
      if (w.size() != 3 + platform::kJoystickAxes + 2)
        return Fail("joystick state takes six axis positions, a button mask and a pov");
      item.kind = RScriptItem::EKind::JoyState;
      s = known;
      for (size_t i = 0; i < static_cast<size_t>(platform::kJoystickAxes); ++i) {
        int64_t p = 0;
        if (!Number(w[3 + i], 0, 65535, p)) return Fail("axis positions go from 0 to 65535");
        s.pos[i] = static_cast<int32_t>(p);
      }
      int64_t mask = 0, pov = 0;
      if (!Number(w[9], 0, UINT32_MAX, mask)) return Fail("the button mask goes from 0 to 4294967295");
      if (!Number(w[10], -1, 35999, pov)) return Fail("pov is -1 (centred) or 0 to 35999");
      s.buttonMask = static_cast<uint32_t>(mask);
      s.povHundredths = pov < 0 ? platform::kPovCentred : static_cast<int32_t>(pov);
      known = s;
      return true;
    }
    return Fail("joystick takes connect, state or disconnect");
  }

  RInputScript& out_;
  std::string& error_;
  int64_t number_ = 0;
  bool versionSeen_ = false;
  platform::RJoystickState joysticks_[2];
  std::vector<RScriptItem> releases_;  // keys pressed, to go up when releaseStep_ begins
  int64_t releaseStep_ = 0;
};

}  // namespace

bool ParseInputScript(std::string_view text, RInputScript& out, std::string& error) {
  out = {};
  if (text.size() > kInputScriptMaxBytes) {
    error = "the script is larger than 64 MiB";
    return false;
  }
  Parser parser(out, error);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (!parser.Line(text.substr(start, end - start))) return false;
    start = end + 1;
  }
  return parser.Finish();
}

std::string InputScriptHeader() { return "input " + std::to_string(kInputScriptVersion); }

std::string FormatBlockHeader(int64_t step, int32_t pump) {
  std::string s = "step " + std::to_string(step);
  if (pump > 0) s += " pump " + std::to_string(pump);
  return s;
}

std::string FormatScriptItem(const RScriptItem& item) {
  switch (item.kind) {
    case RScriptItem::EKind::Mouse:
      return "mouse " + std::to_string(item.x) + " " + std::to_string(item.y);
    case RScriptItem::EKind::End:
      return "end";
    case RScriptItem::EKind::Screenshot:
      return item.file.empty() ? "screenshot" : "screenshot " + item.file;
    case RScriptItem::EKind::JoyDisconnect:
      return "joystick " + std::to_string(item.device + 1) + " disconnect";
    case RScriptItem::EKind::JoyConnect: {
      const platform::RJoystickState& s = item.joystick;
      std::string line = "joystick " + std::to_string(item.device + 1) + " connect " +
                         std::to_string(s.axes) + " " + std::to_string(s.buttons) + " " + (s.pov ? "1" : "0");
      if (!s.name.empty()) line += " " + s.name;
      return line;
    }
    case RScriptItem::EKind::JoyState: {
      const platform::RJoystickState& s = item.joystick;
      std::string line = "joystick " + std::to_string(item.device + 1) + " state";
      for (int32_t p : s.pos) line += " " + std::to_string(p);
      line += " " + std::to_string(s.buttonMask);
      line += " " + std::to_string(s.povHundredths > 35999 ? -1 : s.povHundredths);
      return line;
    }
    case RScriptItem::EKind::Input:
      break;
  }
  for (const RNamedInput& n : kInputs)
    if (n.kind == item.input.kind)
      return n.lo > n.hi ? std::string(n.word) : std::string(n.word) + " " + std::to_string(item.input.a);
  return "# unknown";
}

std::string FormatInputScript(const RInputScript& script) {
  std::string text = InputScriptHeader() + "\n";
  for (const RScriptBlock& b : script.blocks) {
    text += FormatBlockHeader(b.step, b.pump) + "\n";
    for (const RScriptItem& item : b.items) text += FormatScriptItem(item) + "\n";
  }
  return text;
}
