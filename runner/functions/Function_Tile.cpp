// Built-in functions over the tiles of the current room: fields by tile id, adding, finding and
// deleting tiles, and whole depth layers.
#include <string_view>

#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

namespace {
using Args = RValue*;

constexpr std::string_view kNoTile = "Tile does not exist.";
constexpr std::string_view kNoBackground = "Background does not exist.";

int32_t I(const RValue& v) { return RoundToInt32(v.val()); }
bool B(const RValue& v) { return IsTrue(v.val()); }
double D(const RValue& v) { return v.val(); }
void Real(RValue& r, double v) { r = RValue(v); }

// The tile with the id in the current room, or null after reporting it.
RTile* Tile(const RValue& id) {
  CRoom* room = CurrentRoom();
  const int32_t ind = room ? room->FindTile(I(id)) : -1;
  if (ind < 0) {
    ShowActionError(kNoTile, false);
    return nullptr;
  }
  return &room->r_tile[static_cast<size_t>(ind)];
}

bool BackgroundExists(int32_t back) {
  if (Backgrounds().Exists(back)) return true;
  ShowActionError(kNoBackground, false);
  return false;
}

// Getters answer 0 (the background −1) for a missing tile.
template <auto Field>
void Get(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  if (const RTile* t = Tile(a[0])) Real(r, static_cast<double>(t->*Field));
}
void tile_get_blend(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  if (const RTile* t = Tile(a[0])) Real(r, static_cast<int32_t>(t->blend));
}
void tile_get_background(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const RTile* t = Tile(a[0]);
  Real(r, t ? t->index : -1);
}

void tile_set_visible(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RTile* t = Tile(a[0])) t->visible = B(a[1]);
}
void tile_set_background(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  RTile* t = Tile(a[0]);
  if (t && BackgroundExists(I(a[1]))) t->index = I(a[1]);
}
void tile_set_region(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RTile* t = Tile(a[0])) {
    t->xo = I(a[1]);
    t->yo = I(a[2]);
    t->w = I(a[3]);
    t->h = I(a[4]);
  }
}
void tile_set_position(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RTile* t = Tile(a[0])) {
    t->x = D(a[1]);
    t->y = D(a[2]);
  }
}
void tile_set_depth(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RTile* t = Tile(a[0])) t->depth = D(a[1]);
}
void tile_set_scale(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RTile* t = Tile(a[0])) {
    t->xscale = D(a[1]);
    t->yscale = D(a[2]);
  }
}
void tile_set_blend(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RTile* t = Tile(a[0])) t->blend = static_cast<uint32_t>(I(a[1]));
}
void tile_set_alpha(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RTile* t = Tile(a[0])) t->alpha = D(a[1]);
}

void tile_add(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Real(r, -1);
  CRoom* room = CurrentRoom();
  if (!BackgroundExists(I(a[0])) || !room) return;
  RTile t;
  t.index = I(a[0]);
  t.xo = I(a[1]);
  t.yo = I(a[2]);
  t.w = I(a[3]);
  t.h = I(a[4]);
  t.x = D(a[5]);
  t.y = D(a[6]);
  t.depth = D(a[7]);
  const int32_t ind = room->AddTile(t);
  Real(r, room->r_tile[static_cast<size_t>(ind)].id);
}

// The id of the tile at an index, −1 for none.
double IdAt(const CRoom* room, int32_t ind) { return ind >= 0 ? room->r_tile[static_cast<size_t>(ind)].id : -1; }

void tile_find(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  CRoom* room = CurrentRoom();
  Real(r, room ? IdAt(room, room->FindTileAt(D(a[0]), D(a[1]), B(a[2]))) : -1);
}
void tile_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  CRoom* room = CurrentRoom();
  Real(r, room && room->FindTile(I(a[0])) >= 0 ? 1 : 0);
}
void tile_delete(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CRoom* room = CurrentRoom();
  const int32_t ind = room ? room->FindTile(I(a[0])) : -1;
  if (ind < 0)
    ShowActionError(kNoTile, false);
  else
    room->DeleteTile(ind);
}
void tile_delete_at(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CRoom* room = CurrentRoom()) room->DeleteTilesAt(D(a[0]), D(a[1]), B(a[2]));
}

void tile_layer_hide(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CRoom* room = CurrentRoom()) room->HideTilesDepth(D(a[0]));
}
void tile_layer_show(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CRoom* room = CurrentRoom()) room->ShowTilesDepth(D(a[0]));
}
void tile_layer_delete(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CRoom* room = CurrentRoom()) room->DeleteTilesDepth(D(a[0]));
}
void tile_layer_shift(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CRoom* room = CurrentRoom()) room->ShiftTilesDepth(D(a[0]), D(a[1]), D(a[2]));
}
void tile_layer_find(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  CRoom* room = CurrentRoom();
  Real(r, room ? IdAt(room, room->FindTileAtDepth(D(a[0]), D(a[1]), D(a[2]))) : -1);
}
void tile_layer_delete_at(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CRoom* room = CurrentRoom()) room->DeleteTilesAtDepth(D(a[0]), D(a[1]), D(a[2]));
}
void tile_layer_depth(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CRoom* room = CurrentRoom()) room->ChangeTilesDepth(D(a[0]), D(a[1]));
}

constexpr RFunctionDef kTileFunctions[] = {
    {"tile_get_x", 1, Get<&RTile::x>},
    {"tile_get_y", 1, Get<&RTile::y>},
    {"tile_get_left", 1, Get<&RTile::xo>},
    {"tile_get_top", 1, Get<&RTile::yo>},
    {"tile_get_width", 1, Get<&RTile::w>},
    {"tile_get_height", 1, Get<&RTile::h>},
    {"tile_get_depth", 1, Get<&RTile::depth>},
    {"tile_get_visible", 1, Get<&RTile::visible>},
    {"tile_get_xscale", 1, Get<&RTile::xscale>},
    {"tile_get_yscale", 1, Get<&RTile::yscale>},
    {"tile_get_blend", 1, tile_get_blend},
    {"tile_get_alpha", 1, Get<&RTile::alpha>},
    {"tile_get_background", 1, tile_get_background},
    {"tile_set_visible", 2, tile_set_visible},
    {"tile_set_background", 2, tile_set_background},
    {"tile_set_region", 5, tile_set_region},
    {"tile_set_position", 3, tile_set_position},
    {"tile_set_depth", 2, tile_set_depth},
    {"tile_set_scale", 3, tile_set_scale},
    {"tile_set_blend", 2, tile_set_blend},
    {"tile_set_alpha", 2, tile_set_alpha},
    {"tile_add", 8, tile_add},
    {"tile_find", 3, tile_find},
    {"tile_exists", 1, tile_exists},
    {"tile_delete", 1, tile_delete},
    {"tile_delete_at", 3, tile_delete_at},
    {"tile_layer_hide", 1, tile_layer_hide},
    {"tile_layer_show", 1, tile_layer_show},
    {"tile_layer_delete", 1, tile_layer_delete},
    {"tile_layer_shift", 3, tile_layer_shift},
    {"tile_layer_find", 3, tile_layer_find},
    {"tile_layer_delete_at", 3, tile_layer_delete_at},
    {"tile_layer_depth", 2, tile_layer_depth},
};
}  // namespace

FunctionFamily TileFunctions() { return kTileFunctions; }
