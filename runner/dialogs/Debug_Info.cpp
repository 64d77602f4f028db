// The texts of the debug window; see Debug_Info.h.
#include "runner/dialogs/Debug_Info.h"

#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Main.h"
#include "runner/code/Variable_BuiltIn.h"
#include "runner/code/Variable_Main.h"
#include "runner/dialogs/Debug_State.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/IO_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Main.h"

namespace {

constexpr const char* kSeparator = "________________________________\r\n";  // 32

// A temporary instance for the reads and runs of the window, freed on every path.
struct TempInstance {
  CInstance* inst = GetExecHost().CreateTempInstance();
  ~TempInstance() {
    if (inst) GetExecHost().DestroyTempInstance(inst);
  }
};

// Fixed-point text of a with k decimals, rounded to 10 significant digits first.
std::string Fixed(double a, int k, char decimal) {
  char buf[64];
  if (std::fabs(a) >= 1e10) {
    std::snprintf(buf, sizeof buf, "%.9E", a);
  } else {
    std::snprintf(buf, sizeof buf, "%.9e", a);
    std::snprintf(buf, sizeof buf, "%.*f", k, std::strtod(buf, nullptr));
  }
  std::string s = buf;
  for (char& c : s)
    if (c == '.') c = decimal;
  return s;
}

void AddBuiltIns(std::string& text, CInstance* inst, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    RValue v;
    const int32_t id = BuiltInVarId(name);
    if (id >= 0) GetExecHost().GetBuiltIn(inst, id, 0, v);
    text += DebugInfoLine(name, v);
  }
}

void AddVariables(std::string& text, const CVariableList& list) {
  for (const RVariable& var : list.v_vars) {
    RValue v;
    list.GetVar(var.ind, 0, v);
    text += DebugInfoLine(VarNameOfId(var.ind), v);
  }
}

}  // namespace

std::string DebugValueText(const RValue& v, char decimal) {
  if (v.IsString()) return std::string(v.str());
  const double a = v.val();
  if (!std::isfinite(a)) return Fixed(a, 0, decimal);
  const double r = RoundHalfEven(a);
  if (std::fabs(a - r) < 1e-12) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", r);
    return buf;
  }
  double scale = 1;
  for (int k = 2; k <= 8; k += 2) {
    scale *= 100;
    const double s = a * scale;
    if (std::fabs(s - RoundHalfEven(s)) < 1e-12) return Fixed(a, k, decimal);
  }
  return Fixed(a, 10, decimal);
}

char UserDecimalSeparator() {
  char& decimal = DebugState().decimal;
  if (decimal) return decimal;
  // Read once, through a locale object of its own: the process locale is never changed.
  decimal = '.';
  if (const locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0))) {
    const char* radix = nl_langinfo_l(RADIXCHAR, user);
    if (radix && radix[0] && !radix[1]) decimal = radix[0];
    freelocale(user);
  }
  return decimal;
}

std::string DebugInfoLine(std::string_view name, const RValue& v) {
  std::string line(name);
  line += ':';
  if (line.size() < 20) line.append(20 - line.size(), ' ');
  for (char c : DebugValueText(v, UserDecimalSeparator()))
    if (c != '\0') line += c;
  return line + "\r\n";
}

std::string EvaluateWatch(const std::string& expression) {
  CCode code(expression, true);
  if (!code.Compile()) {
    ClearCodeError();
    return "COMPILE ERROR";
  }
  TempInstance temp;
  RValue value;
  ExecuteForValue(temp.inst, temp.inst, code, value);
  ClearCodeError();
  return DebugValueText(value, UserDecimalSeparator());
}

bool ExecuteDebugCode(const std::string& text) {
  CCode code(text, false);
  if (!code.Compile()) {
    ClearCodeError();
    return false;
  }
  TempInstance temp;
  RValue value;
  ExecuteForValue(temp.inst, temp.inst, code, value);
  ClearCodeError();
  return true;
}

std::string GlobalVariablesText() {
  TempInstance temp;
  std::string text;
  AddBuiltIns(text, temp.inst,
              {"mouse_x", "mouse_y", "mouse_button", "mouse_lastbutton", "keyboard_key", "keyboard_lastkey",
               "keyboard_lastchar", "keyboard_string"});
  text += kSeparator;
  AddBuiltIns(text, temp.inst,
              {"score", "lives", "health", "room", "room_width", "room_height", "room_speed", "room_persistent",
               "cursor_sprite"});
  text += kSeparator;
  AddBuiltIns(text, temp.inst,
              {"working_directory", "temp_directory", "program_directory", "secure_mode", "error_occurred",
               "error_last"});
  text += kSeparator;
  AddVariables(text, GlobalVars().List());
  return text;
}

std::string LocalVariablesText(int32_t localvarid, const std::string& localvarname) {
  ExecHost& host = GetExecHost();
  CInstance* found = nullptr;
  for (int32_t i = 0, n = host.RoomInstanceCount(); i < n && !found; ++i) {
    CInstance* inst = host.RoomInstanceAt(i);
    if (!inst || host.IsMarked(inst)) continue;
    if (inst->i_id == localvarid || Objects().Name(inst->i_objectindex) == localvarname) found = inst;
  }
  if (!found) return "NO SUCH INSTANCE EXISTS";
  std::string text;
  AddBuiltIns(text, found,
              {"x", "y", "direction", "speed", "hspeed", "vspeed", "friction", "gravity", "gravity_direction"});
  text += kSeparator;
  AddBuiltIns(text, found,
              {"id", "object_index", "sprite_index", "image_index", "image_single", "image_speed", "image_xscale",
               "image_yscale", "mask_index", "solid", "visible", "persistent", "depth"});
  text += kSeparator;
  AddBuiltIns(text, found, {"path_index", "path_position", "path_orientation", "path_scale"});
  text += kSeparator;
  AddVariables(text, found->i_vars);
  return text;
}

std::string InstancesText() {
  std::string text = "   Id     Object Name    Sprite Name\r\n____________________________________\r\n";
  ExecHost& host = GetExecHost();
  for (int32_t i = 0, n = host.RoomInstanceCount(); i < n; ++i) {
    CInstance* inst = host.RoomInstanceAt(i);
    if (!inst || host.IsMarked(inst)) continue;
    const std::string object = Objects().Name(inst->i_objectindex);
    const std::string sprite = Sprites().Name(inst->i_spriteindex);
    char head[32];
    std::snprintf(head, sizeof head, "%6d ", inst->i_id);
    std::string line = head;
    if (object.size() < 14) line.append(14 - object.size(), ' ');
    line += object + ' ';
    if (sprite.size() < 14) line.append(14 - sprite.size(), ' ');
    text += line + sprite + "\r\n";
  }
  return text;
}

int32_t MouseInstanceId() {
  TempInstance temp;
  RValue x, y;
  ExecHost& host = GetExecHost();
  host.GetBuiltIn(temp.inst, BuiltInVarId("mouse_x"), 0, x);
  host.GetBuiltIn(temp.inst, BuiltInVarId("mouse_y"), 0, y);
  int32_t id = -1;
  for (int32_t i = 0, n = host.RoomInstanceCount(); i < n; ++i) {
    CInstance* inst = host.RoomInstanceAt(i);
    if (inst && !host.IsMarked(inst) && InstanceContainsPoint(inst, x.val(), y.val())) id = inst->i_id;
  }
  return id;
}
