// Reading and writing input scripts; see IO_Script.h.
#include "runner/run/IO_Script.h"

#include <charconv>

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

bool Number(std::string_view word, int64_t lo, int64_t hi, int64_t& out) {
  const char* end = word.data() + word.size();
  auto [p, ec] = std::from_chars(word.data(), end, out);
  return ec == std::errc() && p == end && out >= lo && out <= hi;
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
    RScriptItem item;
    if (!Item(w, line, item)) return false;
    out_.blocks.back().items.push_back(std::move(item));
    return true;
  }

  bool Finish() {
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
    out_.blocks.push_back({step, static_cast<int32_t>(pump), {}});
    return true;
  }

  bool Item(const std::vector<std::string_view>& w, std::string_view line, RScriptItem& item) {
    for (const RNamedInput& n : kInputs) {
      if (w[0] != n.word) continue;
      item.kind = RScriptItem::EKind::Input;
      item.input.kind = n.kind;
      if (n.lo > n.hi) return w.size() == 1 || Fail(std::string(n.word) + " takes no argument");
      int64_t v = 0;
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
