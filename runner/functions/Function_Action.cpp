// The action functions of motion, instances, sounds, rooms and timing, game flow, and the
// questions and control actions. Each reads its arguments, applies the relative option and
// calls the operation of the family or subsystem that owns the subject.
#include "runner/functions/Function_Action.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>

#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"
#include "runner/base/Runner_Temp.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Script_Main.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Function_Game.h"
#include "runner/functions/Function_Graphics.h"
#include "runner/functions/Function_Interaction.h"
#include "runner/functions/Function_Math.h"
#include "runner/functions/Function_Misc.h"
#include "runner/functions/Function_Sprites.h"
#include "runner/graphics/Graphics_Window.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/IO_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Command.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"
#include "runner/sound/Sound_DirectX.h"
#include "runner/sound/Sound_Main.h"

bool ActionRelative() {
  return Arguments().relative != 0;
}

void RelativePoint(const CInstance* self, double& x, double& y) {
  if (ActionRelative() && self) {
    x += self->i_x;
    y += self->i_y;
  }
}

bool CompareByOperation(double difference, int32_t operation) {
  switch (operation) {
    case 1:
      return difference < 0;
    case 2:
      return difference > 0;
    default:
      return difference == 0;
  }
}

namespace {
using Args = RValue*;

int32_t I(const RValue& v) {
  return RoundToInt32(v.val());
}
double D(const RValue& v) {
  return v.val();
}
// A value, or the value added to the current one when the action is relative.
double SetOrAdd(double current, double v) {
  return ActionRelative() ? current + v : v;
}
void Answer(RValue& r, bool yes) {
  r.SetReal(BoolReal(yes));
}

// ---- Motion.

// Directions of the nine positions of action_move, down-left first; the middle one stops.
constexpr std::array<double, 9> kMoveDirections = {225, 270, 315, 180, 0, 0, 135, 90, 45};
constexpr size_t kStopPosition = 4;

void action_move(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const std::string_view dirs = a[0].str();
  if (dirs.size() != kMoveDirections.size()) {
    ShowActionError("Wrong argument to action_move().", false);
    return;
  }
  if (!self || dirs.find('1') == std::string_view::npos) return;
  self->Setspeed(SetOrAdd(self->i_speed, D(a[1])));
  size_t pos;
  do pos = static_cast<size_t>(RandomBelow(9));
  while (dirs[pos] != '1');
  self->Setdirection(kMoveDirections[pos]);
  if (pos == kStopPosition) self->Setspeed(0);
}

void action_set_motion(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (!self) return;
  if (ActionRelative()) {
    self->AddTo_Speed(D(a[0]), D(a[1]));
  } else {
    self->Setdirection(D(a[0]));
    self->Setspeed(D(a[1]));
  }
}
void action_set_hspeed(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (self) self->Sethspeed(SetOrAdd(self->i_hspeed, D(a[0])));
}
void action_set_vspeed(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (self) self->Setvspeed(SetOrAdd(self->i_vspeed, D(a[0])));
}
void action_set_gravity(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (!self) return;
  self->i_gravitydir = SetOrAdd(self->i_gravitydir, D(a[0]));
  self->i_gravity = SetOrAdd(self->i_gravity, D(a[1]));
}
void action_set_friction(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (self) self->i_friction = SetOrAdd(self->i_friction, D(a[0]));
}
void action_move_point(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  double x = D(a[0]), y = D(a[1]);
  RelativePoint(self, x, y);
  RValue args[3] = {RValue(x), RValue(y), a[2]};
  move_towards_point(self, other, 3, args, r);
}
void action_move_to(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  double x = D(a[0]), y = D(a[1]);
  RelativePoint(self, x, y);
  if (self) self->SetPosition(x, y);
}
void action_move_start(CInstance* self, CInstance*, int32_t, Args, RValue&) {
  if (self) self->SetPosition(self->i_xstart, self->i_ystart);
}
void action_move_random(CInstance* self, CInstance* other, int32_t argc, Args a, RValue& r) {
  move_random(self, other, argc, a, r);
}
void action_snap(CInstance* self, CInstance* other, int32_t argc, Args a, RValue& r) {
  move_snap(self, other, argc, a, r);
}

// The sprite's size times the image scale along one axis; 0 without a sprite.
double ScaledSpriteSize(const CInstance& self, bool width) {
  const CSprite* s = Sprites().Exists(self.i_spriteindex) ? Sprites().Get(self.i_spriteindex) : nullptr;
  if (!s) return 0;
  return width ? s->GetWidth() * self.i_imagescalex : s->GetHeight() * self.i_imagescaley;
}

void action_wrap(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const CRoom* room = CurrentRoom();
  if (!self || !room) return;
  const int32_t how = I(a[0]);
  double x = self->i_x, y = self->i_y;
  if (how == 0 || how == 2) {
    const double span = room->r_width + ScaledSpriteSize(*self, true);
    if (self->i_hspeed < 0 && x < 0) x += span;
    if (self->i_hspeed > 0 && x >= room->r_width) x -= span;
  }
  if (how == 1 || how == 2) {
    const double span = room->r_height + ScaledSpriteSize(*self, false);
    if (self->i_vspeed < 0 && y < 0) y += span;
    if (self->i_vspeed > 0 && y >= room->r_height) y -= span;
  }
  self->SetPosition(x, y);
}
void action_reverse_xdir(CInstance* self, CInstance*, int32_t, Args, RValue&) {
  if (self) self->Sethspeed(-self->i_hspeed);
}
void action_reverse_ydir(CInstance* self, CInstance*, int32_t, Args, RValue&) {
  if (self) self->Setvspeed(-self->i_vspeed);
}
void action_move_contact(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  MoveContact(self, D(a[0]), D(a[1]), D(a[2]) < 0.5);
}
void action_bounce(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  Bounce(self, D(a[0]) >= 0.5, D(a[1]) != 1);
}

// ---- Instances.

void action_kill_object(CInstance* self, CInstance*, int32_t, Args, RValue&) {
  DestroyInstance(self);
}
void action_create_object(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  double x = D(a[1]), y = D(a[2]);
  RelativePoint(self, x, y);
  if (CanRunEvents()) CreateInstance(I(a[0]), x, y);
}
void action_create_object_motion(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  double x = D(a[1]), y = D(a[2]);
  RelativePoint(self, x, y);
  if (CanRunEvents()) CreateInstanceMoving(I(a[0]), x, y, D(a[3]), D(a[4]));
}
void action_create_object_random(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const std::array<int32_t, 4> objects = {I(a[0]), I(a[1]), I(a[2]), I(a[3])};
  if (std::none_of(objects.begin(), objects.end(), [](int32_t o) { return Objects().Exists(o); })) return;
  int32_t object;
  do object = objects[static_cast<size_t>(RandomBelow(4))];
  while (!Objects().Exists(object));
  double x = D(a[4]), y = D(a[5]);
  RelativePoint(self, x, y);
  if (CanRunEvents()) CreateInstance(object, x, y);
}
void action_change_object(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  RValue args[2] = {a[0], RValue(BoolReal(I(a[1]) > 0.5))};
  instance_change(self, other, 2, args, r);
}
void action_kill_position(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  double x = D(a[0]), y = D(a[1]);
  RelativePoint(self, x, y);
  RValue args[2] = {RValue(x), RValue(y)};
  position_destroy(self, other, 2, args, r);
}
void action_set_sprite(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  SetInstanceSprite(self, I(a[0]));
  if (self && D(a[1]) > 0) {
    self->Setimagescalex(D(a[1]));
    self->Setimagescaley(D(a[1]));
  }
}
void action_sprite_set(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  SetInstanceSprite(self, I(a[0]));
  if (!self) return;
  if (D(a[1]) >= 0) self->i_imageindex = D(a[1]);
  self->i_imagespeed = D(a[2]);
}
void action_sprite_transform(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (!self) return;
  const int32_t mirror = I(a[3]);
  self->Setimagescalex(mirror == 1 || mirror == 3 ? -D(a[0]) : D(a[0]));
  self->Setimagescaley(mirror == 2 || mirror == 3 ? -D(a[1]) : D(a[1]));
  self->Setimageangle(D(a[2]));
}
void action_sprite_color(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (!self) return;
  self->i_imageblend = static_cast<uint32_t>(I(a[0]));
  self->i_imagealpha = D(a[1]);
}

// ---- Sounds, rooms and timing.

CSound* ActionSound(const RValue& v, const char* missing) {
  CSound* s = Sounds().Get(I(v));
  if (!s && missing) ShowActionError(missing, false);
  return s;
}
void action_sound(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CSound* s = ActionSound(a[0], "Trying to play non-existing sound."))
    SoundPlay(s->GetSoundId(), D(a[1]) >= 0.5);
}
void action_end_sound(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CSound* s = ActionSound(a[0], "Trying to stop non-existing sound.")) SoundStop(s->GetSoundId());
}
void action_if_sound(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  CSound* s = ActionSound(a[0], nullptr);
  Answer(r, s && SoundIsPlaying(s->GetSoundId()));
}
void action_another_room(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  GoToRoom(I(a[0]), I(a[1]));
}
void action_current_room(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  RestartRoom(I(a[0]));
}
void action_previous_room(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  GoToPreviousRoom(I(a[0]));
}
void action_next_room(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  GoToNextRoom(I(a[0]));
}
void action_if_previous_room(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  Answer(r, RoomPrevious(CurrentRoomIndex()) >= 0);
}
void action_if_next_room(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  Answer(r, RoomNext(CurrentRoomIndex()) >= 0);
}
void action_set_alarm(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (!self) return;
  const int32_t alarm = I(a[1]), steps = I(a[0]), now = self->GetAlarm(alarm);
  // An alarm that is off starts counting even when relative: adding to -1 would be meaningless.
  // The sum is taken in reals so that a huge count saturates instead of overflowing.
  self->SetAlarm(alarm,
                 ActionRelative() && now >= 0 ? RoundToInt32(static_cast<double>(now) + steps) : steps);
}
void action_sleep(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  if (D(a[1]) >= 0.5) screen_redraw(self, other, 0, a, r);
  F_sleep(self, other, 1, a, r);
}

// ---- Game flow.

void action_end_game(CInstance*, CInstance*, int32_t, Args, RValue&) {
  EndGameRequest();
}
void action_restart_game(CInstance*, CInstance*, int32_t, Args, RValue&) {
  RestartGameRequest();
}

// The file a replace action names, when the resource exists and the file does.
bool ReplaceChecks(bool exists, const RValue& file, std::string& fname) {
  if (!exists) {
    ShowActionError("Trying to replace non-existing resource.", false);
    return false;
  }
  const std::string name(file.str());
  fname = name.empty() ? name : MapWindowsPath(name);
  std::error_code ec;
  if (fname.empty() || !std::filesystem::is_regular_file(fname, ec)) {
    ShowActionError("File does not exist.", false);
    return false;
  }
  return true;
}
bool HasExtension(const std::string& fname, std::string_view ext) {
  std::string e = std::filesystem::path(fname).extension().string();
  std::transform(e.begin(), e.end(), e.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return e == ext;
}

void action_replace_sprite(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  const int32_t ind = I(a[0]);
  std::string fname;
  if (!ReplaceChecks(Sprites().Exists(ind), a[1], fname)) return;
  if (HasExtension(fname, ".kvspr")) {
    RValue args[2] = {a[0], a[1]};
    sprite_replace_sprite(self, other, 2, args, r);
    return;
  }
  const CSprite* s = Sprites().Get(ind);
  RValue args[7] = {a[0],
                    a[1],
                    RValue(static_cast<double>(I(a[2]))),
                    RValue(0.0),
                    RValue(0.0),
                    RValue(static_cast<double>(s->i_xorig)),
                    RValue(static_cast<double>(s->i_yorig))};
  sprite_replace(self, other, 7, args, r);
}
void action_replace_background(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  std::string fname;
  if (!ReplaceChecks(Backgrounds().Exists(I(a[0])), a[1], fname)) return;
  if (HasExtension(fname, ".kvbck")) {
    RValue args[2] = {a[0], a[1]};
    background_replace_background(self, other, 2, args, r);
    return;
  }
  RValue args[4] = {a[0], a[1], RValue(0.0), RValue(0.0)};
  background_replace(self, other, 4, args, r);
}
void action_replace_sound(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CSound* s = Sounds().Get(I(a[0]));
  std::string fname;
  if (!ReplaceChecks(s != nullptr, a[1], fname)) return;
  s->LoadFromFile(fname, s->s_kind, s->s_preload);
}

void action_fullscreen(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t how = I(a[0]);
  Window_SetFullScreen(how == 1 ? false : how == 2 ? true : !WindowState().full_screen);
}
void action_snapshot(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  screen_save(self, other, 1, a, r);
}
void action_webpage(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (SecureMode()) {
    ShowActionError("In secure mode you cannot open webpages.", false);
    return;
  }
  std::error_code ec;
  const std::string dir = std::filesystem::current_path(ec).string();
  if (!ShellOpen(std::string(a[0].str()), "", dir)) ShowActionError("Failed to open the webpage.", false);
}
void action_set_cursor(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  GameState().cursor_sprite = I(a[0]);
  const bool show = D(a[1]) >= 0.5;
  SettingsState().options.opt_showcursor = show;
  if (RunHooks().setCursor) RunHooks().setCursor(show);
}

// ---- Questions and control.

void action_if_empty(CInstance* self, CInstance*, int32_t, Args a, RValue& r) {
  double x = D(a[0]), y = D(a[1]);
  RelativePoint(self, x, y);
  Answer(r, self && (I(a[2]) != 0 ? PlaceEmpty(self, x, y) : PlaceFree(self, x, y)));
}
void action_if_collision(CInstance* self, CInstance* other, int32_t argc, Args a, RValue& r) {
  action_if_empty(self, other, argc, a, r);
  Answer(r, self && r.val() < 0.5);
}
void action_if(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r = a[0];
}
void action_if_number(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  RValue count;
  instance_number(self, other, 1, a, count);
  Answer(r, CompareByOperation(count.val() - D(a[1]), I(a[2])));
}
void action_if_object(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  double x = D(a[1]), y = D(a[2]);
  RelativePoint(self, x, y);
  RValue args[3] = {RValue(x), RValue(y), a[0]};
  place_meeting(self, other, 3, args, r);
}
void action_if_dice(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const double sides = D(a[0]);
  Answer(r, !(sides > 1) || RandomBelow(RoundHalfEven(sides * 1000)) < 1001);
}
void action_if_mouse(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const int32_t button = I(a[0]);
  Answer(r, button == 0 ? !ButtonIsDown(1) && !ButtonIsDown(2) && !ButtonIsDown(3) : ButtonIsDown(button));
}
void action_if_aligned(CInstance* self, CInstance* other, int32_t argc, Args a, RValue& r) {
  place_snapped(self, other, argc, a, r);
}
void action_execute_script(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  if (!CanNestExecution()) {
    ShowActionError(kMsgNestingTooDeep, false);
    return;
  }
  CallScript(I(a[0]), self, other, r, false, a + 1, 5);
  ShowPendingCodeError();
}
void action_inherited(CInstance* self, CInstance* other, int32_t argc, Args a, RValue& r) {
  event_inherited(self, other, argc, a, r);
}
void action_if_variable(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  if (a[0].kind() != a[1].kind()) {
    ShowActionError("Cannot compare arguments.", false);
    Answer(r, false);
    return;
  }
  const double difference = a[0].IsString() ? a[0].str().compare(a[1].str()) : D(a[0]) - D(a[1]);
  Answer(r, CompareByOperation(difference, I(a[2])));
}

constexpr RFunctionDef kActionFunctions[] = {
    {"action_move", 2, action_move},
    {"action_set_motion", 2, action_set_motion},
    {"action_set_hspeed", 1, action_set_hspeed},
    {"action_set_vspeed", 1, action_set_vspeed},
    {"action_set_gravity", 2, action_set_gravity},
    {"action_set_friction", 1, action_set_friction},
    {"action_move_point", 3, action_move_point},
    {"action_move_to", 2, action_move_to},
    {"action_move_start", 0, action_move_start},
    {"action_move_random", 2, action_move_random},
    {"action_snap", 2, action_snap},
    {"action_wrap", 1, action_wrap},
    {"action_reverse_xdir", 0, action_reverse_xdir},
    {"action_reverse_ydir", 0, action_reverse_ydir},
    {"action_move_contact", 3, action_move_contact},
    {"action_bounce", 2, action_bounce},
    {"action_kill_object", 0, action_kill_object},
    {"action_create_object", 3, action_create_object},
    {"action_create_object_motion", 5, action_create_object_motion},
    {"action_create_object_random", 6, action_create_object_random},
    {"action_change_object", 2, action_change_object},
    {"action_kill_position", 2, action_kill_position},
    {"action_set_sprite", 2, action_set_sprite},
    {"action_sprite_set", 3, action_sprite_set},
    {"action_sprite_transform", 4, action_sprite_transform},
    {"action_sprite_color", 2, action_sprite_color},
    {"action_sound", 2, action_sound},
    {"action_end_sound", 1, action_end_sound},
    {"action_if_sound", 1, action_if_sound},
    {"action_another_room", 2, action_another_room},
    {"action_current_room", 1, action_current_room},
    {"action_previous_room", 1, action_previous_room},
    {"action_next_room", 1, action_next_room},
    {"action_if_previous_room", 0, action_if_previous_room},
    {"action_if_next_room", 0, action_if_next_room},
    {"action_set_alarm", 2, action_set_alarm},
    {"action_sleep", 2, action_sleep},
    {"action_end_game", 0, action_end_game},
    {"action_restart_game", 0, action_restart_game},
    {"action_replace_sprite", 3, action_replace_sprite},
    {"action_replace_sound", 2, action_replace_sound},
    {"action_replace_background", 2, action_replace_background},
    {"action_fullscreen", 1, action_fullscreen},
    {"action_snapshot", 1, action_snapshot},
    {"action_webpage", 1, action_webpage},
    {"action_set_cursor", 2, action_set_cursor},
    {"action_if_empty", 3, action_if_empty},
    {"action_if_collision", 3, action_if_collision},
    {"action_if", 1, action_if},
    {"action_if_number", 3, action_if_number},
    {"action_if_object", 3, action_if_object},
    {"action_if_dice", 1, action_if_dice},
    {"action_if_mouse", 1, action_if_mouse},
    {"action_if_aligned", 2, action_if_aligned},
    {"action_execute_script", 6, action_execute_script},
    {"action_inherited", 0, action_inherited},
    {"action_if_variable", 3, action_if_variable},
};
}  // namespace

FunctionFamily ActionFunctions() {
  return kActionFunctions;
}
