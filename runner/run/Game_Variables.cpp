// Game-wide built-in variables; see Game_Variables.h.
#include "runner/base/Option_Main.h"
#include "runner/run/Game_Variables.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "platform/clock/Clock.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Access.h"
#include "runner/code/Variable_Class.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Main.h"
#include "runner/run/Run_State.h"
#include "runner/base/Runner_Process.h"

namespace {
constexpr int32_t kRunnerVersion = 810;

// Writes convert by the field's type: reals as they are, integers rounded, booleans true from
// 1 after rounding, colours rounded and wrapped, strings from the text part. Setters read the
// part their type needs whatever the value's kind.
int32_t Int(const RValue& v) {
  return RoundToInt32(v.val());
}
bool Bool(const RValue& v) {
  return RoundToInt32(v.val()) >= 1;
}
uint32_t Colour(const RValue& v) {
  return static_cast<uint32_t>(RoundToInt64(v.val()));
}

bool Put(RValue& out, double v) {
  out.SetReal(v);
  return true;
}
bool PutText(RValue& out, std::string_view s) {
  out.SetString(s);
  return true;
}

template <class T>
void Load(const T& f, RValue& out) {
  if constexpr (std::is_same_v<T, std::string>)
    out.SetString(f);
  else
    out.SetReal(static_cast<double>(f));
}
template <class T>
void Store(T& f, const RValue& v) {
  if constexpr (std::is_same_v<T, std::string>)
    f = v.str();
  else if constexpr (std::is_same_v<T, bool>)
    f = Bool(v);
  else if constexpr (std::is_same_v<T, int32_t>)
    f = Int(v);
  else if constexpr (std::is_same_v<T, uint32_t>)
    f = Colour(v);
  else {
    static_assert(std::is_same_v<T, double>);
    f = v.val();
  }
}

template <class M>
struct MemberOf;
template <class C, class T>
struct MemberOf<T C::*> {
  using Class = C;
  using Type = T;
};

// Layer and view variables take any index; one outside 0..7 means 0.
size_t Slot(int32_t arr) {
  return arr >= 0 && arr < kRoomLayers ? static_cast<size_t>(arr) : 0;
}
static_assert(kRoomLayers == kRoomViews);

// What holds field F: the game state, the current room, or layer or view arr of that room.
// Null when there is no current room.
template <auto F>
typename MemberOf<decltype(F)>::Class* Owner(int32_t arr) {
  using C = typename MemberOf<decltype(F)>::Class;
  if constexpr (std::is_same_v<C, RGameState>) {
    return &GameState();
  } else {
    CRoom* room = CurrentRoom();
    if (!room) return nullptr;
    if constexpr (std::is_same_v<C, CRoom>)
      return room;
    else if constexpr (std::is_same_v<C, CBack>)
      return &room->r_background[Slot(arr)];
    else {
      static_assert(std::is_same_v<C, CView>);
      return &room->r_view[Slot(arr)];
    }
  }
}

// Without a room, room fields read as their type's zero and writes go nowhere.
template <auto F>
bool Get(CInstance*, int32_t arr, RValue& out) {
  static const typename MemberOf<decltype(F)>::Type kNone{};
  const auto* owner = Owner<F>(arr);
  Load(owner ? owner->*F : kNone, out);
  return true;
}
template <auto F>
bool Set(CInstance*, int32_t arr, const RValue& v) {
  if (auto* owner = Owner<F>(arr)) Store(owner->*F, v);
  return true;
}
// The table's access decides: a read-only variable drops the setter. A field that is not text
// also gets its direct form, through the same Get and Set at index 0.
template <auto F>
void Field(const char* name) {
  SetBuiltInAccess(name, Get<F>, Set<F>);
  if constexpr (!std::is_same_v<typename MemberOf<decltype(F)>::Type, std::string>) {
    SetBuiltInDirect(
        name,
        [](CInstance* i) {
          RValue v;
          Get<F>(i, 0, v);
          return v.val();
        },
        [](CInstance* i, double d) { Set<F>(i, 0, RValue(d)); });
  }
}
void ReadOnly(const char* name, BuiltInGetter get) {
  SetBuiltInAccess(name, get, nullptr);
}

bool LayerSize(int32_t arr, bool width, RValue& out) {
  const CRoom* room = CurrentRoom();
  int32_t w = 0, h = 0;
  if (!room || !GetBackgroundSize(room->r_background[Slot(arr)].index, w, h)) w = h = 0;
  return Put(out, width ? w : h);
}

std::string WorkingDirectory() {
  std::error_code ec;
  std::string dir = std::filesystem::current_path(ec).string();
  return ec ? std::string() : dir;
}
// Games append "/name" to it, so even the root folder loses its separator.
std::string ProgramDirectory() {
  std::string dir = ExecutableFolder();
  while (!dir.empty() && dir.back() == '/') dir.pop_back();
  return dir;
}

template <int32_t platform::RDateTime::*F>
bool Now(CInstance*, int32_t, RValue& out) {
  return Put(out, platform::LocalNow().*F);
}
}  // namespace

void SetDisplayAA(int32_t mask) {
  RunState().displayAA = mask;
}
int32_t DisplayAA() {
  return RunState().displayAA;
}

void RegisterGameVariables() {
  // Room and game.
  SetBuiltInAccess(
      "room", [](CInstance*, int32_t, RValue& o) { return Put(o, CurrentRoomIndex()); },
      [](CInstance*, int32_t, const RValue& v) {
        GoToRoom(Int(v), GameState().transition_kind);
        return true;
      });
  ReadOnly("room_first", [](CInstance*, int32_t, RValue& o) { return Put(o, RoomFirst()); });
  ReadOnly("room_last", [](CInstance*, int32_t, RValue& o) { return Put(o, RoomLast()); });
  Field<&RGameState::transition_kind>("transition_kind");
  // A transition has at least one step.
  SetBuiltInAccess("transition_steps", Get<&RGameState::transition_steps>, [](CInstance*, int32_t, const RValue& v) {
    GameState().transition_steps = std::max(Int(v), 1);
    return true;
  });
  Field<&RGameState::score>("score");
  SetBuiltInAccess("lives", Get<&RGameState::lives>, [](CInstance*, int32_t, const RValue& v) {
    SetLives(Int(v));
    return true;
  });
  SetBuiltInAccess("health", Get<&RGameState::health>, [](CInstance*, int32_t, const RValue& v) {
    SetHealth(v.val());
    return true;
  });
  ReadOnly("game_id", [](CInstance*, int32_t, RValue& o) { return Put(o, GameId()); });
  ReadOnly("working_directory",
           [](CInstance*, int32_t, RValue& o) { return PutText(o, WorkingDirectory()); });
  ReadOnly("temp_directory", [](CInstance*, int32_t, RValue& o) { return PutText(o, GetTempDirectory()); });
  ReadOnly("program_directory",
           [](CInstance*, int32_t, RValue& o) { return PutText(o, ProgramDirectory()); });
  ReadOnly("instance_count", [](CInstance*, int32_t, RValue& o) {
    const CRoom* room = CurrentRoom();
    return Put(o, room ? room->r_numb() : 0);
  });
  ReadOnly("instance_id", [](CInstance*, int32_t arr, RValue& o) {
    const CRoom* room = CurrentRoom();
    const CInstance* inst = room ? room->Instance(arr) : nullptr;
    return Put(o, inst ? inst->i_id : -4);
  });
  Field<&CRoom::r_width>("room_width");
  Field<&CRoom::r_height>("room_height");
  Field<&CRoom::r_caption>("room_caption");
  SetBuiltInAccess("room_speed", Get<&CRoom::r_speed>, [](CInstance*, int32_t, const RValue& v) {
    const int32_t speed = Int(v);
    if (speed <= 0) {
      ShowError("Trying to set the room speed to a value <= 0.", false);
      return false;
    }
    if (CRoom* room = CurrentRoom()) room->r_speed = speed;
    return true;
  });
  Field<&CRoom::r_persistent>("room_persistent");

  // Background layers.
  Field<&CRoom::r_color>("background_color");
  Field<&CRoom::r_showcolor>("background_showcolor");
  Field<&CBack::visible>("background_visible");
  Field<&CBack::foreground>("background_foreground");
  Field<&CBack::index>("background_index");
  Field<&CBack::x>("background_x");
  Field<&CBack::y>("background_y");
  ReadOnly("background_width", [](CInstance*, int32_t arr, RValue& o) { return LayerSize(arr, true, o); });
  ReadOnly("background_height", [](CInstance*, int32_t arr, RValue& o) { return LayerSize(arr, false, o); });
  Field<&CBack::htiled>("background_htiled");
  Field<&CBack::vtiled>("background_vtiled");
  Field<&CBack::xscale>("background_xscale");
  Field<&CBack::yscale>("background_yscale");
  Field<&CBack::hspeed>("background_hspeed");
  Field<&CBack::vspeed>("background_vspeed");
  Field<&CBack::blend>("background_blend");
  Field<&CBack::alpha>("background_alpha");

  // Views.
  Field<&CRoom::r_enableviews>("view_enabled");
  Field<&RGameState::view_current>("view_current");
  Field<&CView::visible>("view_visible");
  Field<&CView::xview>("view_xview");
  Field<&CView::yview>("view_yview");
  Field<&CView::wview>("view_wview");
  Field<&CView::hview>("view_hview");
  Field<&CView::xport>("view_xport");
  Field<&CView::yport>("view_yport");
  Field<&CView::wport>("view_wport");
  Field<&CView::hport>("view_hport");
  Field<&CView::angle>("view_angle");
  Field<&CView::hborder>("view_hborder");
  Field<&CView::vborder>("view_vborder");
  Field<&CView::hspeed>("view_hspeed");
  Field<&CView::vspeed>("view_vspeed");
  Field<&CView::index>("view_object");

  Field<&RGameState::cursor_sprite>("cursor_sprite");

  // Caption display.
  SetBuiltInAccess("show_score", Get<&RGameState::show_score>, [](CInstance*, int32_t, const RValue& v) {
    GameState().show_score = Bool(v);
    GameState().score_chosen = true;
    return true;
  });
  Field<&RGameState::show_lives>("show_lives");
  Field<&RGameState::show_health>("show_health");
  Field<&RGameState::caption_score>("caption_score");
  Field<&RGameState::caption_lives>("caption_lives");
  Field<&RGameState::caption_health>("caption_health");

  // Time and system.
  Field<&RGameState::fps>("fps");
  ReadOnly("current_time", [](CInstance*, int32_t, RValue& o) {
    return Put(o, static_cast<double>(platform::UptimeMillis()));
  });
  ReadOnly("current_year", Now<&platform::RDateTime::year>);
  ReadOnly("current_month", Now<&platform::RDateTime::month>);
  ReadOnly("current_day", Now<&platform::RDateTime::day>);
  ReadOnly("current_weekday", Now<&platform::RDateTime::weekday>);
  ReadOnly("current_hour", Now<&platform::RDateTime::hour>);
  ReadOnly("current_minute", Now<&platform::RDateTime::minute>);
  ReadOnly("current_second", Now<&platform::RDateTime::second>);
  ReadOnly("secure_mode", [](CInstance*, int32_t, RValue& o) { return Put(o, SecureMode() ? 1 : 0); });
  ReadOnly("debug_mode", [](CInstance*, int32_t, RValue& o) { return Put(o, DebugMode() ? 1 : 0); });
  ReadOnly("korvex_version", [](CInstance*, int32_t, RValue& o) { return Put(o, kRunnerVersion); });
  ReadOnly("os_type", [](CInstance*, int32_t, RValue& o) { return Put(o, 0); });
  ReadOnly("os_device", [](CInstance*, int32_t, RValue& o) { return Put(o, 0); });
  ReadOnly("display_aa", [](CInstance*, int32_t, RValue& o) { return Put(o, DisplayAA()); });
}
