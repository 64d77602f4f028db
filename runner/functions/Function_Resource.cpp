// Built-in functions that inspect and change objects, rooms and sounds at run time. What a
// game adds here lives on the same resource lists as what it loaded, so drawing, events, names
// in code compiled later and saving treat both alike.
#include <string>

#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Support_File.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Main.h"
#include "runner/base/Runner_Temp.h"
#include "runner/graphics/Background_Class.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/sound/Sound_Main.h"

namespace {
using Args = RValue*;

int32_t I(const RValue& v) { return RoundToInt32(v.val()); }
double D(const RValue& v) { return v.val(); }
bool B(const RValue& v) { return IsTrue(v.val()); }
void Real(RValue& r, double v) { r = RValue(v); }
std::string Text(const RValue& v) { return std::string(v.str()); }

// --- objects ----------------------------------------------------------------------------------

CObject* ObjectArg(const RValue& v) { return Objects().Exists(I(v)) ? Objects().Get(I(v)) : nullptr; }

// The event object lists point at events and follow parents; once the game has built them,
// every change to either is followed by a rebuild.
void EventsChanged() {
  if (EventListsBuilt()) BuildEventLists();
}

void object_name(CInstance*, CInstance*, int32_t, Args a, RValue& r) { r = RValue(Objects().Name(I(a[0]))); }
void object_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, Objects().Exists(I(a[0])) ? 1 : 0); }

template <int32_t (*Get)(const CObject&)>
void ObjectValue(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CObject* o = ObjectArg(a[0]);
  Real(r, o ? Get(*o) : -1);
}
int32_t SpriteOf(const CObject& o) { return o.o_spriteindex; }
int32_t SolidOf(const CObject& o) { return o.o_solid ? 1 : 0; }
int32_t VisibleOf(const CObject& o) { return o.o_visible ? 1 : 0; }
int32_t DepthOf(const CObject& o) { return o.o_depth; }
int32_t PersistentOf(const CObject& o) { return o.o_persistent ? 1 : 0; }
int32_t MaskOf(const CObject& o) { return o.o_mask; }
int32_t ParentIndexOf(const CObject& o) { return o.o_parent; }

// The setters change the defaults of instances created later; a missing object is ignored.
template <void (*Set)(CObject&, const RValue&)>
void ObjectSet(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CObject* o = ObjectArg(a[0])) Set(*o, a[1]);
}
void SetSprite(CObject& o, const RValue& v) { o.o_spriteindex = I(v); }
void SetSolid(CObject& o, const RValue& v) { o.o_solid = B(v); }
void SetVisible(CObject& o, const RValue& v) { o.o_visible = B(v); }
void SetDepth(CObject& o, const RValue& v) { o.o_depth = I(v); }
void SetPersistent(CObject& o, const RValue& v) { o.o_persistent = B(v); }
void SetMask(CObject& o, const RValue& v) { o.o_mask = I(v); }

void object_is_ancestor(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CObject* o = ObjectArg(a[0]);
  Real(r, !o ? -1 : o->IsDecendentOf(I(a[1])) ? 1 : 0);
}

void object_set_parent(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CObject* o = ObjectArg(a[0]);
  if (!o) return;
  const int32_t par = I(a[1]);
  if (par >= 0) {
    const CObject* p = ObjectArg(a[1]);
    if (!p) {
      ShowActionError("Setting a non-existing parent.", false);
      return;
    }
    if (par == o->o_index || p->IsDecendentOf(o->o_index)) {
      ShowActionError("Creating a cycle in the parent relation.", false);
      return;
    }
  }
  o->o_parent = par < 0 ? -1 : par;
  EventsChanged();
  RebuildLiveObjectLists();  // the lists by ancestor of the rooms being played
}

void object_add(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  const int32_t index = ObjectAdd();
  EventsChanged();
  Real(r, index);
}
void object_delete(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (!ObjectDelete(I(a[0]))) ShowActionError("Trying to delete non-existing object.", false);
}

void object_event_clear(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const CObject* o = ObjectArg(a[0]);
  if (!o) return;
  // Emptied, the slot counts as absent; a walk in it stops at its next action.
  if (CEvent* e = o->GetEventDirect(I(a[1]), I(a[2]))) e->Clear();
  EventsChanged();
}

void object_event_add(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t index = I(a[0]);
  CObject* o = ObjectArg(a[0]);
  if (!o) return;
  const int32_t etype = I(a[1]), enumb = I(a[2]);
  CEvent* e = o->CreateEvent(etype, enumb);
  if (!e) return;
  {
    // Compiled as loaded object actions are, so an error names the object, event and action.
    EventContextScope scope({index, etype, enumb, e->e_number()});
    e->AddCodeAction(a[3].IsString() ? a[3].str() : std::string_view()).Compile();
  }
  EventsChanged();
}

// --- rooms ------------------------------------------------------------------------------------

CRoom* RoomArg(const RValue& v) { return Rooms().Exists(I(v)) ? Rooms().Get(I(v)) : nullptr; }

void room_name(CInstance*, CInstance*, int32_t, Args a, RValue& r) { r = RValue(Rooms().Name(I(a[0]))); }
void room_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, Rooms().Exists(I(a[0])) ? 1 : 0); }

// The setters change the room resource; the live copy of a room being played stays as it is.
template <void (*Set)(CRoom&, const RValue&)>
void RoomSet(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CRoom* room = RoomArg(a[0])) Set(*room, a[1]);
}
void SetWidth(CRoom& room, const RValue& v) { room.r_width = I(v); }
void SetHeight(CRoom& room, const RValue& v) { room.r_height = I(v); }
void SetCaption(CRoom& room, const RValue& v) { room.r_caption = Text(v); }
void SetRoomPersistent(CRoom& room, const RValue& v) { room.r_persistent = B(v); }
void SetCode(CRoom& room, const RValue& v) { room.r_code = Text(v); }
void SetViewEnabled(CRoom& room, const RValue& v) { room.r_enableviews = B(v); }

void room_set_background_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CRoom* room = RoomArg(a[0]);
  if (!room) return;
  room->r_color = static_cast<uint32_t>(I(a[1]));
  room->r_showcolor = B(a[2]);
}

void room_set_background(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CRoom* room = RoomArg(a[0]);
  const int32_t layer = I(a[1]);
  if (!room || layer < 0 || layer >= kRoomLayers) return;
  CBack& b = room->r_background[static_cast<size_t>(layer)];
  b.visible = B(a[2]);
  b.foreground = B(a[3]);
  b.index = I(a[4]);
  b.x = D(a[5]);
  b.y = D(a[6]);
  b.htiled = B(a[7]);
  b.vtiled = B(a[8]);
  b.hspeed = D(a[9]);
  b.vspeed = D(a[10]);
  b.alpha = D(a[11]);
  b.xscale = b.yscale = 1;
}

void room_set_view(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CRoom* room = RoomArg(a[0]);
  const int32_t view = I(a[1]);
  if (!room || view < 0 || view >= kRoomViews) return;
  CView& v = room->r_view[static_cast<size_t>(view)];
  v.visible = B(a[2]);
  v.xview = I(a[3]);
  v.yview = I(a[4]);
  v.wview = I(a[5]);
  v.hview = I(a[6]);
  v.xport = I(a[7]);
  v.yport = I(a[8]);
  v.wport = I(a[9]);
  v.hport = I(a[10]);
  v.hborder = I(a[11]);
  v.vborder = I(a[12]);
  v.hspeed = I(a[13]);
  v.vspeed = I(a[14]);
  v.index = I(a[15]);
}

void room_add(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, Rooms().Add()); }
void room_duplicate(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const int32_t index = RoomDuplicate(I(a[0]));
  if (index < 0) ShowActionError("Trying to duplicate non-existing room.", false);
  Real(r, index);
}
void room_assign(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (!RoomAssign(I(a[0]), I(a[1]))) ShowActionError("Error assigning a room.", false);
}

// The instance takes the next run-time id now; it is created (with its creation event) each
// time the room is entered fresh.
void room_instance_add(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  CRoom* room = RoomArg(a[0]);
  Real(r, room ? room->AddInstance(D(a[1]), D(a[2]), I(a[3]))->i_id : -1);
}
void room_instance_clear(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CRoom* room = RoomArg(a[0])) room->ClearInstances();
}

// Adds the tile and gives its id; -1 for a missing room or background.
double AddRoomTile(Args a, double xscale, double yscale, double alpha) {
  CRoom* room = RoomArg(a[0]);
  if (!room) return -1;
  const int32_t back = I(a[1]);
  if (!Backgrounds().Exists(back)) {
    ShowActionError("Background does not exist.", false);
    return -1;
  }
  RTile t;
  t.index = back;
  t.xo = I(a[2]);
  t.yo = I(a[3]);
  t.w = I(a[4]);
  t.h = I(a[5]);
  t.x = D(a[6]);
  t.y = D(a[7]);
  t.depth = D(a[8]);
  t.xscale = xscale;
  t.yscale = yscale;
  t.alpha = alpha;
  return room->r_tile[static_cast<size_t>(room->AddTile(t))].id;
}
void room_tile_add(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, AddRoomTile(a, 1, 1, 1)); }
void room_tile_add_ext(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Real(r, AddRoomTile(a, D(a[9]), D(a[10]), D(a[11])));
}
void room_tile_clear(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CRoom* room = RoomArg(a[0])) room->ClearTiles();
}

// --- sounds -----------------------------------------------------------------------------------

CSound* SoundArg(const RValue& v) { return Sounds().Exists(I(v)) ? Sounds().Get(I(v)) : nullptr; }
// The file a game names for reading: its letter case and separators need not match the disk.
std::string FileArg(const RValue& v) {
  const std::string name(v.str());
  if (name.empty()) return name;
  return ResolveExisting(name).value_or(MapWindowsPath(name));
}

void sound_name(CInstance*, CInstance*, int32_t, Args a, RValue& r) { r = RValue(Sounds().Name(I(a[0]))); }
void sound_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, Sounds().Exists(I(a[0])) ? 1 : 0); }
void sound_get_kind(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CSound* s = SoundArg(a[0]);
  Real(r, s ? s->s_kind : -1);
}
void sound_get_preload(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CSound* s = SoundArg(a[0]);
  Real(r, !s ? -1 : s->s_preload ? 1 : 0);
}
void sound_discard(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CSound* s = SoundArg(a[0])) s->Discard();
}
void sound_restore(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CSound* s = SoundArg(a[0])) s->Restore();
}
void sound_add(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const std::string fname = FileArg(a[0]);
  const int32_t index = Sounds().Add();
  if (!Sounds().Get(index)->LoadFromFile(fname, I(a[1]), B(a[2]))) {
    Sounds().DropLast();  // a file that cannot be read adds nothing
    Real(r, -1);
    return;
  }
  Real(r, index);
}
// An empty slot in range is filled, as for sprites; a failed load leaves the sound as it was.
void sound_replace(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  CSound* s = Sounds().Ensure(I(a[0]));
  if (!s) {
    ShowActionError("Trying to replace non-existing sound.", false);
    Real(r, 0);
    return;
  }
  Real(r, s->LoadFromFile(FileArg(a[1]), I(a[2]), B(a[3])) ? 1 : 0);
}
void sound_delete(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (!Sounds().Delete(I(a[0]))) ShowActionError("Trying to delete non-existing sound.", false);
}

constexpr RFunctionDef kResourceFunctions[] = {
    {"object_name", 1, object_name},
    {"object_get_name", 1, object_name},
    {"object_exists", 1, object_exists},
    {"object_get_sprite", 1, ObjectValue<SpriteOf>},
    {"object_get_solid", 1, ObjectValue<SolidOf>},
    {"object_get_visible", 1, ObjectValue<VisibleOf>},
    {"object_get_depth", 1, ObjectValue<DepthOf>},
    {"object_get_persistent", 1, ObjectValue<PersistentOf>},
    {"object_get_mask", 1, ObjectValue<MaskOf>},
    {"object_get_parent", 1, ObjectValue<ParentIndexOf>},
    {"object_is_ancestor", 2, object_is_ancestor},
    {"object_set_sprite", 2, ObjectSet<SetSprite>},
    {"object_set_solid", 2, ObjectSet<SetSolid>},
    {"object_set_visible", 2, ObjectSet<SetVisible>},
    {"object_set_depth", 2, ObjectSet<SetDepth>},
    {"object_set_persistent", 2, ObjectSet<SetPersistent>},
    {"object_set_mask", 2, ObjectSet<SetMask>},
    {"object_set_parent", 2, object_set_parent},
    {"object_add", 0, object_add},
    {"object_delete", 1, object_delete},
    {"object_event_clear", 3, object_event_clear},
    {"object_event_add", 4, object_event_add},
    {"room_name", 1, room_name},
    {"room_get_name", 1, room_name},
    {"room_exists", 1, room_exists},
    {"room_set_width", 2, RoomSet<SetWidth>},
    {"room_set_height", 2, RoomSet<SetHeight>},
    {"room_set_caption", 2, RoomSet<SetCaption>},
    {"room_set_persistent", 2, RoomSet<SetRoomPersistent>},
    {"room_set_code", 2, RoomSet<SetCode>},
    {"room_set_view_enabled", 2, RoomSet<SetViewEnabled>},
    {"room_set_background_color", 3, room_set_background_color},
    {"room_set_background", 12, room_set_background},
    {"room_set_view", 16, room_set_view},
    {"room_add", 0, room_add},
    {"room_duplicate", 1, room_duplicate},
    {"room_assign", 2, room_assign},
    {"room_instance_add", 4, room_instance_add},
    {"room_instance_clear", 1, room_instance_clear},
    {"room_tile_add", 9, room_tile_add},
    {"room_tile_add_ext", 12, room_tile_add_ext},
    {"room_tile_clear", 1, room_tile_clear},
    {"sound_name", 1, sound_name},
    {"sound_get_name", 1, sound_name},
    {"sound_exists", 1, sound_exists},
    {"sound_get_kind", 1, sound_get_kind},
    {"sound_get_preload", 1, sound_get_preload},
    {"sound_discard", 1, sound_discard},
    {"sound_restore", 1, sound_restore},
    {"sound_add", 3, sound_add},
    {"sound_replace", 4, sound_replace},
    {"sound_delete", 1, sound_delete},
};
}  // namespace

FunctionFamily ResourceFunctions() { return kResourceFunctions; }
