// The built-in variable names in registration order: instance variables from id 0, then the
// game-wide ones. Saved games and compiled ids depend on this order, so never reorder it.
#include "runner/code/Variable_BuiltIn.h"

#include <array>
#include <string>
#include <unordered_map>

namespace {
constexpr bool A = true, S = false;    // array form / plain
constexpr bool RW = true, RO = false;  // writable / read-only

constexpr RBuiltInVar kTable[] = {
    // Instance variables.
    {"x", S, RW}, {"y", S, RW}, {"xprevious", S, RW}, {"yprevious", S, RW}, {"xstart", S, RW},
    {"ystart", S, RW}, {"hspeed", S, RW}, {"vspeed", S, RW}, {"direction", S, RW}, {"speed", S, RW},
    {"friction", S, RW}, {"gravity", S, RW}, {"gravity_direction", S, RW}, {"object_index", S, RO},
    {"id", S, RO}, {"alarm", A, RW}, {"solid", S, RW}, {"visible", S, RW}, {"persistent", S, RW},
    {"depth", S, RW}, {"bbox_left", S, RO}, {"bbox_right", S, RO}, {"bbox_top", S, RO},
    {"bbox_bottom", S, RO}, {"sprite_index", S, RW}, {"image_index", S, RW}, {"image_single", S, RW},
    {"image_number", S, RO}, {"sprite_width", S, RO}, {"sprite_height", S, RO},
    {"sprite_xoffset", S, RO}, {"sprite_yoffset", S, RO}, {"image_xscale", S, RW},
    {"image_yscale", S, RW}, {"image_angle", S, RW}, {"image_alpha", S, RW}, {"image_blend", S, RW},
    {"image_speed", S, RW}, {"mask_index", S, RW}, {"path_index", S, RO}, {"path_position", S, RW},
    {"path_positionprevious", S, RW}, {"path_speed", S, RW}, {"path_scale", S, RW},
    {"path_orientation", S, RW}, {"path_endaction", S, RW}, {"timeline_index", S, RW},
    {"timeline_position", S, RW}, {"timeline_speed", S, RW}, {"timeline_running", S, RW},
    {"timeline_loop", S, RW},
    // Arguments.
    {"argument_relative", S, RO}, {"argument0", S, RW}, {"argument1", S, RW}, {"argument2", S, RW},
    {"argument3", S, RW}, {"argument4", S, RW}, {"argument5", S, RW}, {"argument6", S, RW},
    {"argument7", S, RW}, {"argument8", S, RW}, {"argument9", S, RW}, {"argument10", S, RW},
    {"argument11", S, RW}, {"argument12", S, RW}, {"argument13", S, RW}, {"argument14", S, RW},
    {"argument15", S, RW}, {"argument", A, RW}, {"argument_count", S, RO},
    // Room and game.
    {"room", S, RW}, {"room_first", S, RO}, {"room_last", S, RO}, {"transition_kind", S, RW},
    {"transition_steps", S, RW}, {"score", S, RW}, {"lives", S, RW}, {"health", S, RW},
    {"game_id", S, RO}, {"working_directory", S, RO}, {"temp_directory", S, RO},
    {"program_directory", S, RO}, {"instance_count", S, RO}, {"instance_id", A, RO},
    {"room_width", S, RO}, {"room_height", S, RO}, {"room_caption", S, RW}, {"room_speed", S, RW},
    {"room_persistent", S, RW},
    // Room background layers.
    {"background_color", S, RW}, {"background_showcolor", S, RW}, {"background_visible", A, RW},
    {"background_foreground", A, RW}, {"background_index", A, RW}, {"background_x", A, RW},
    {"background_y", A, RW}, {"background_width", A, RO}, {"background_height", A, RO},
    {"background_htiled", A, RW}, {"background_vtiled", A, RW}, {"background_xscale", A, RW},
    {"background_yscale", A, RW}, {"background_hspeed", A, RW}, {"background_vspeed", A, RW},
    {"background_blend", A, RW}, {"background_alpha", A, RW},
    // Views.
    {"view_enabled", S, RW}, {"view_current", S, RO}, {"view_visible", A, RW}, {"view_xview", A, RW},
    {"view_yview", A, RW}, {"view_wview", A, RW}, {"view_hview", A, RW}, {"view_xport", A, RW},
    {"view_yport", A, RW}, {"view_wport", A, RW}, {"view_hport", A, RW}, {"view_angle", A, RW},
    {"view_hborder", A, RW}, {"view_vborder", A, RW}, {"view_hspeed", A, RW}, {"view_vspeed", A, RW},
    {"view_object", A, RW},
    // Input.
    {"mouse_x", S, RO}, {"mouse_y", S, RO}, {"mouse_button", S, RW}, {"mouse_lastbutton", S, RW},
    {"keyboard_key", S, RW}, {"keyboard_lastkey", S, RW}, {"keyboard_lastchar", S, RW},
    {"keyboard_string", S, RW}, {"cursor_sprite", S, RW},
    // Caption display.
    {"show_score", S, RW}, {"show_lives", S, RW}, {"show_health", S, RW}, {"caption_score", S, RW},
    {"caption_lives", S, RW}, {"caption_health", S, RW},
    // Time and system.
    {"fps", S, RO}, {"current_time", S, RO}, {"current_year", S, RO}, {"current_month", S, RO},
    {"current_day", S, RO}, {"current_weekday", S, RO}, {"current_hour", S, RO},
    {"current_minute", S, RO}, {"current_second", S, RO}, {"event_type", S, RO},
    {"event_number", S, RO}, {"event_object", S, RO}, {"event_action", S, RO}, {"secure_mode", S, RO},
    {"debug_mode", S, RO}, {"error_occurred", S, RW}, {"error_last", S, RW},
    {"korvex_version", S, RO}, {"os_type", S, RO}, {"os_device", S, RO}, {"display_aa", S, RO},
};

constexpr int32_t kCount = static_cast<int32_t>(std::size(kTable));
static_assert(kCount <= kMaxBuiltInVars);

constexpr int32_t IndexIn(std::string_view name) {
  for (int32_t i = 0; i < kCount; ++i)
    if (kTable[i].name == name) return i;
  return -1;
}
constexpr int32_t kArgument0 = IndexIn("argument0");
constexpr int32_t kArgumentArray = IndexIn("argument");
constexpr int32_t kFirstNotInstance = IndexIn("argument_relative");  // where the instance section ends
static_assert(kArgument0 >= 0 && IndexIn("argument15") == kArgument0 + 15 && kArgumentArray >= 0);

const std::unordered_map<std::string_view, int32_t>& ByName() {
  static const std::unordered_map<std::string_view, int32_t> map = [] {
    std::unordered_map<std::string_view, int32_t> m;
    for (int32_t i = kCount; i-- > 0;) m[kTable[i].name] = i;  // first record wins
    return m;
  }();
  return map;
}
}  // namespace

int32_t BuiltInVarCount() { return kCount; }
int32_t BuiltInInstanceVarCount() { return kFirstNotInstance; }
const RBuiltInVar& BuiltInVar(int32_t id) { return kTable[id]; }

int32_t BuiltInVarId(std::string_view name) {
  const auto& m = ByName();
  auto it = m.find(name);
  return it == m.end() ? -1 : it->second;
}

std::string_view BuiltInVarName(int32_t id) {
  if (id < 0 || id >= kCount) return "<unknown built-in variable>";
  return kTable[id].name;
}

int32_t BuiltInArgument0Id() { return kArgument0; }
int32_t BuiltInArgumentArrayId() { return kArgumentArray; }
