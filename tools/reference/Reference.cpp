// The reference writer: reads the descriptions file, checks it against the function registry and
// writes every table a game author looks things up in.
#include "tools/reference/Reference.h"

#include <charconv>
#include <set>
#include <stdexcept>

#include "runner/code/Code_Constant.h"
#include "runner/code/Variable_BuiltIn.h"
#include "runner/dialogs/Function_Dialogs.h"
#include "runner/extensions/Function_External.h"
#include "runner/functions/Function_Families.h"
#include "runner/multiplayer/Function_DPlay.h"
#include "runner/run/Event_Name.h"
#include "runner/run/IO_Script.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Class.h"
#include "runner/shell/Runner_Game.h"

namespace {
std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The argument names of a list as written: "a, b" is two, "" none, "..." marks any number.
std::vector<std::string_view> SplitArgs(std::string_view args) {
  std::vector<std::string_view> out;
  if (Trim(args).empty()) return out;
  for (;;) {
    const size_t comma = args.find(',');
    out.push_back(Trim(args.substr(0, comma)));
    if (comma == std::string_view::npos) return out;
    args.remove_prefix(comma + 1);
  }
}

// Table cells cannot hold a bare '|'.
std::string Cell(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '|') out += '\\';
    out += c;
  }
  return out;
}

std::string Number(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// Headings of the families, by the function that makes each family's table.
struct RFamilyTitle {
  FunctionFamily (*family)();
  const char* title;
};
constexpr RFamilyTitle kFamilyTitles[] = {
    {MathFunctions, "Numbers and strings"},
    {FileFunctions, "Text files and included files"},
    {CodeFunctions, "Code and scripts"},
    {MiscFunctions, "Miscellaneous"},
    {InteractionFunctions, "Instances, collisions and rooms"},
    {GameFunctions, "Errors, keyboard, mouse and joysticks"},
    {GraphicsFunctions, "Display, window and screen"},
    {DrawFunctions, "Drawing"},
    {TileFunctions, "Tiles"},
    {SoundFunctions, "Sounds, CD and media"},
    {SpriteFunctions, "Sprites and backgrounds"},
    {TextFunctions, "Text and fonts"},
    {FileBinaryFunctions, "Binary files"},
    {FileSystemFunctions, "File system"},
    {ProgramFunctions, "Programs and the command line"},
    {IniFunctions, "INI files"},
    {RegistryFunctions, "Registry"},
    {VariableFunctions, "Variables by name"},
    {DateFunctions, "Dates and times"},
    {ActionFunctions, "Actions: motion, objects, rooms and questions"},
    {ActionDrawFunctions, "Actions: score, lives, health and drawing"},
    {ParticleFunctions, "Particles"},
    {ParticleActionFunctions, "Particle actions"},
    {DataStructureFunctions, "Data structures"},
    {PathFunctions, "Paths and time lines"},
    {SurfaceFunctions, "Surfaces"},
    {TransitionFunctions, "Transitions"},
    {MotionPlanningFunctions, "Motion planning"},
    {D3DFunctions, "3D drawing"},
    {ResourceFunctions, "Objects, rooms and sounds at run time"},
    {SaveFunctions, "Saving and loading"},
    {DialogFunctions, "Dialogs, high scores and splash screens"},
    {ExternalFunctions, "Extensions and external calls"},
    {MultiplayerFunctions, "Multiplayer"},
};

// Markdown's anchor of a heading: lower case, spaces to '-', punctuation dropped.
std::string Anchor(std::string_view title) {
  std::string out;
  for (char c : title) {
    if (c >= 'A' && c <= 'Z') out += static_cast<char>(c - 'A' + 'a');
    else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_') out += c;
    else if (c == ' ') out += '-';
  }
  return out;
}

void WriteFunctions(std::string& out, const std::vector<RReferenceFamily>& families, const RFunctionTexts& texts) {
  out += "## Functions\n\n";
  out += "Grouped by family, in the order the runner registers them. An argument list ending in `...` takes any\n"
         "number of arguments (at most 16).\n\n";
  for (const RReferenceFamily& f : families)
    out += "- [" + f.title + "](#" + Anchor(f.title) + ") (" + std::to_string(f.functions.size()) + ")\n";
  for (const RReferenceFamily& f : families) {
    out += "\n### " + f.title + "\n\n| function | what it does |\n|---|---|\n";
    for (const RFunctionDef& def : f.functions) {
      const RFunctionText& t = texts.find(std::string_view(def.name))->second;
      out += "| `" + std::string(def.name) + "(" + t.args + ")` | " + Cell(t.text) + " |\n";
    }
  }
}

void WriteVariables(std::string& out) {
  out += "\n## Built-in variables\n\n"
         "An instance variable belongs to each instance (`other.x` reads another's); an argument variable to the\n"
         "running script or action; a game variable to the whole game. An array variable is used with an index\n"
         "(`alarm[0]`, `view_xview[1]`).\n\n"
         "| variable | belongs to | array | can be set |\n|---|---|---|---|\n";
  for (int32_t id = 0; id < BuiltInVarCount(); ++id) {
    const RBuiltInVar& v = BuiltInVar(id);
    const char* owner = id < BuiltInInstanceVarCount()     ? "instance"
                        : v.name.starts_with("argument") ? "argument"
                                                         : "game";
    out += "| `" + std::string(v.name) + "` | " + owner + " | " + (v.is_array ? "array" : "") + " | " +
           (v.writable ? "yes" : "read-only") + " |\n";
  }
}

void WriteConstants(std::string& out) {
  out += "\n## Constants\n\n| constant | value |\n|---|---|\n";
  const RBuiltinConstant* c = BuiltinConstants();
  for (int32_t i = 0; i < kBuiltinConstantCount; ++i)
    out += "| `" + std::string(c[i].name) + "` | " + Number(c[i].value) + " |\n";
}

// Event numbers named by a lookup (an alarm, a key, an object, a trigger) rather than listed.
struct REventNote {
  int32_t type;
  const char* title;
  const char* number;
};
constexpr REventNote kEventNotes[] = {
    {ev_alarm, "Alarm", "the alarm, 0 to 11"},
    {ev_collision, "Collision", "the object collided with"},
    {ev_keyboard, "Keyboard", "the key code (see [Keys](#keys))"},
    {ev_keypress, "Key press", "the key code (see [Keys](#keys))"},
    {ev_keyrelease, "Key release", "the key code (see [Keys](#keys))"},
    {ev_trigger, "Trigger", "the trigger"},
};
static_assert(kAlarmCount == 12, "the alarm note names the alarms");

// The constant of an event type: the type constants are the first ev_ constants of each value
// (the mouse, other and step numbers reuse the small values after them).
std::string EventTypeConstant(int32_t type) {
  const RBuiltinConstant* c = BuiltinConstants();
  for (int32_t i = 0; i < kBuiltinConstantCount; ++i)
    if (std::string_view(c[i].name).starts_with("ev_") && c[i].value == type) return "`" + std::string(c[i].name) + "`";
  return "";
}

void WriteEvents(std::string& out) {
  out += "\n## Events\n\n"
         "An event is a type and a number (`event_type`, `event_number`; `event_perform(type, number)`). The\n"
         "constants of the numbers are under [Constants](#constants).\n\n"
         "| type | number | event |\n|---|---|---|\n";
  for (int32_t t = 0;; ++t) {
    const std::string type = std::to_string(t) + " " + EventTypeConstant(t);
    const REventNote* note = nullptr;
    for (const REventNote& n : kEventNotes)
      if (n.type == t) note = &n;
    if (note) {
      out += "| " + type + " | " + note->number + " | " + note->title + " |\n";
      continue;
    }
    if (EventName(t, 0) == "<Unknown Event>") break;
    // Numbers 0 to 63 cover every listed event; a type without numbers names them all alike.
    const std::string first(Trim(EventName(t, 0))), second(Trim(EventName(t, 1)));  // " Step Event" has no prefix
    if (first == second) {
      out += "| " + type + " | 0 | " + first + " |\n";
      continue;
    }
    for (int32_t n = 0; n < 64; ++n) {
      const std::string name(Trim(EventName(t, n)));
      if (name.find("<unknown>") == std::string::npos)
        out += "| " + type + " | " + std::to_string(n) + " | " + name + " |\n";
    }
  }
}

void WriteKeys(std::string& out) {
  out += "\n## Keys\n\n"
         "Virtual-key codes: the number a keyboard event, `keyboard_check` or `keyboard_key` uses, the names input\n"
         "scripts accept for it (case is ignored), its constants, and how messages name it.\n\n"
         "| code | input-script names | constants | in messages |\n|---|---|---|---|\n";
  const RBuiltinConstant* c = BuiltinConstants();
  for (int32_t code = 0; code < 256; ++code) {
    std::string names, constants;
    auto add = [](std::string& list, std::string_view name) {
      if (!list.empty()) list += ", ";
      list += "`" + std::string(name) + "`";
    };
    for (const RInputKeyName& k : InputKeyNames())
      if (k.code == code) add(names, k.name);
    const std::string own(1, static_cast<char>(code));
    if (code >= 32 && code < 127 && InputKeyCode(own) == code) add(names, own);
    for (int32_t i = 0; i < kBuiltinConstantCount; ++i)
      if (std::string_view(c[i].name).starts_with("vk_") && c[i].value == code) add(constants, c[i].name);
    std::string shown = KeyName(code);
    if (shown == "<unknown>") shown.clear();
    if (names.empty() && constants.empty() && shown.empty()) continue;
    if (!shown.empty()) shown = "`" + shown + "`";  // bare <Enter> would read as markup
    out += "| " + std::to_string(code) + " | " + names + " | " + constants + " | " + shown + " |\n";
  }
}
}  // namespace

bool ParseFunctionTexts(std::string_view file, RFunctionTexts& out, std::vector<std::string>& errors) {
  const size_t before = errors.size();
  int32_t number = 0;
  while (!file.empty()) {
    const size_t end = file.find('\n');
    const std::string_view line = Trim(file.substr(0, end));
    file.remove_prefix(end == std::string_view::npos ? file.size() : end + 1);
    ++number;
    if (line.empty() || line.front() == '#') continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    const size_t open = line.find('('), close = line.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open || open == 0) {
      errors.push_back(where + "expected name(arguments) description");
      continue;
    }
    const std::string_view name = line.substr(0, open);
    if (!IsIdentifier(name)) {
      errors.push_back(where + "\"" + std::string(name) + "\" is not a function name");
      continue;
    }
    const std::string_view text = Trim(line.substr(close + 1));
    if (text.empty()) {
      errors.push_back(where + std::string(name) + " has no description");
      continue;
    }
    std::string args;
    for (std::string_view a : SplitArgs(line.substr(open + 1, close - open - 1))) {
      if (!args.empty()) args += ", ";
      args += a;
    }
    if (!out.emplace(std::string(name), RFunctionText{args, std::string(text), number}).second)
      errors.push_back(where + std::string(name) + " is described twice");
  }
  return errors.size() == before;
}

std::vector<std::string> CheckFunctionTexts(const std::vector<RReferenceFamily>& families,
                                            const RFunctionTexts& texts) {
  std::vector<std::string> errors;
  std::set<std::string_view> registered;
  for (const RReferenceFamily& f : families) {
    for (const RFunctionDef& def : f.functions) {
      registered.insert(def.name);
      const auto it = texts.find(std::string_view(def.name));
      if (it == texts.end()) {
        errors.push_back(std::string(def.name) + ": registered but not described");
        continue;
      }
      const std::vector<std::string_view> args = SplitArgs(it->second.args);
      const bool any = !args.empty() && args.back() == "...";
      const std::string where = "line " + std::to_string(it->second.line) + ": " + def.name;
      if (def.argnumb == kArgsAny && !any)
        errors.push_back(where + " takes any number of arguments: end its list with ...");
      else if (def.argnumb != kArgsAny && any)
        errors.push_back(where + " takes exactly " + std::to_string(def.argnumb) + " arguments: drop the ...");
      else if (def.argnumb != kArgsAny && static_cast<int32_t>(args.size()) != def.argnumb)
        errors.push_back(where + " takes " + std::to_string(def.argnumb) + " arguments, the description names " +
                         std::to_string(args.size()));
    }
  }
  for (const auto& [name, text] : texts)
    if (!registered.contains(name))
      errors.push_back("line " + std::to_string(text.line) + ": " + name + " is described but not registered");
  return errors;
}

std::vector<RReferenceFamily> RunnerReferenceFamilies() {
  std::vector<RReferenceFamily> out;
  for (const FunctionFamily& family : RunnerFunctionFamilies()) {
    const RFamilyTitle* found = nullptr;
    for (const RFamilyTitle& t : kFamilyTitles)
      if (t.family().data() == family.data()) found = &t;
    if (!found)
      throw std::logic_error(std::string("the family of ") + (family.empty() ? "no functions" : family[0].name) +
                             " has no heading in the reference writer");
    out.push_back({found->title, family});
  }
  return out;
}

std::string WriteReference(const std::vector<RReferenceFamily>& families, const RFunctionTexts& texts) {
  std::string out =
      "# Reference\n\n"
      "Everything a game can use: the built-in functions, variables, constants, events and keys. This file is\n"
      "generated from the runner's own tables (`cmake --build --preset ci --target reference` writes it again);\n"
      "edit the descriptions in `tools/reference/functions.txt`, not here. The language itself is in\n"
      "[language.md](language.md).\n\n"
      "- [Functions](#functions)\n- [Built-in variables](#built-in-variables)\n- [Constants](#constants)\n"
      "- [Events](#events)\n- [Keys](#keys)\n\n";
  WriteFunctions(out, families, texts);
  WriteVariables(out);
  WriteConstants(out);
  WriteEvents(out);
  WriteKeys(out);
  return out;
}
