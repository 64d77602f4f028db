// Built-in functions of surfaces: making and freeing them, drawing into them, drawing them as
// sprites are drawn, reading, saving and copying their pixels, and sprites and backgrounds made
// from them.
#include <cmath>
#include <numbers>
#include <string>

#include "runner/base/BM32_Bitmap.h"
#include "runner/base/Runner_Temp.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Graphics_Surface.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

namespace {
using Args = RValue*;

constexpr int32_t kWhite = 0xFFFFFF;
constexpr double kDegToRad = std::numbers::pi / 180.0;

int32_t I(const RValue& v) { return RoundToInt32(v.val()); }
double D(const RValue& v) { return v.val(); }
bool B(const RValue& v) { return IsTrue(v.val()); }
void Real(RValue& r, double v) { r = RValue(v); }

// The surface a function works on; an invalid id reports and gives null.
const RSurface* Used(const RValue& v) {
  if (const RSurface* s = Surface_Get(I(v))) return s;
  ShowActionError("Trying to use non-existing surface.", false);
  return nullptr;
}

std::string FileArg(const RValue& v) {
  const std::string name(v.str());
  return name.empty() ? name : MapWindowsPath(name);
}

void RoomSize(double& w, double& h) {
  const CRoom* room = CurrentRoom();
  w = room ? room->r_width : 0;
  h = room ? room->r_height : 0;
}

void surface_create(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, Surface_Create(I(a[0]), I(a[1]))); }
void surface_free(CInstance*, CInstance*, int32_t, Args a, RValue&) { Surface_Free(I(a[0])); }
void surface_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, Surface_Exists(I(a[0])) ? 1 : 0); }
void surface_get_width(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, Surface_Width(I(a[0]))); }
void surface_get_height(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, Surface_Height(I(a[0]))); }
void surface_get_texture(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, Surface_Texture(I(a[0]))); }
void surface_set_target(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Real(r, Surface_SetTarget(I(a[0])) ? 1 : 0);
}
void surface_reset_target(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, Surface_ResetTarget() ? 1 : 0); }

void draw_surface(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const RSurface* s = Used(a[0])) Texture_Draw(s->tex, D(a[1]), D(a[2]));
}
void draw_surface_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const RSurface* s = Used(a[0]))
    Texture_DrawTransformed(s->tex, I(a[6]), 0, 0, D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]) * kDegToRad, D(a[7]));
}
void DrawStretched(Args a, int32_t col, double alpha) {
  const RSurface* s = Used(a[0]);
  if (!s || !(D(a[3]) > 0) || !(D(a[4]) > 0)) return;
  Texture_DrawTransformed(s->tex, col, 0, 0, D(a[1]), D(a[2]), D(a[3]) / s->w, D(a[4]) / s->h, 0, alpha);
}
void draw_surface_stretched(CInstance*, CInstance*, int32_t, Args a, RValue&) { DrawStretched(a, kWhite, 1); }
void draw_surface_stretched_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  DrawStretched(a, I(a[5]), D(a[6]));
}
void draw_surface_part(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const RSurface* s = Used(a[0]))
    Texture_DrawPart(s->tex, kWhite, D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), 1, 1, 0, 1);
}
void draw_surface_part_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const RSurface* s = Used(a[0]))
    Texture_DrawPart(s->tex, I(a[9]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), D(a[8]), 0,
                     D(a[10]));
}
void draw_surface_general(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const RSurface* s = Used(a[0]))
    Texture_DrawGeneral(s->tex, D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), D(a[8]),
                        D(a[9]) * kDegToRad, I(a[10]), I(a[11]), I(a[12]), I(a[13]), D(a[14]));
}
void DrawTiled(Args a, double xscale, double yscale, int32_t col, double alpha) {
  const RSurface* s = Used(a[0]);
  if (!s) return;
  double w, h;
  RoomSize(w, h);
  Texture_DrawTiled(s->tex, col, 0, 0, D(a[1]), D(a[2]), xscale, yscale, true, true, 0, 0, w, h, alpha);
}
void draw_surface_tiled(CInstance*, CInstance*, int32_t, Args a, RValue&) { DrawTiled(a, 1, 1, kWhite, 1); }
void draw_surface_tiled_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  DrawTiled(a, D(a[3]), D(a[4]), I(a[5]), D(a[6]));
}

void surface_save(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const RSurface* s = Used(a[0])) Surface_Save(I(a[0]), FileArg(a[1]), 0, 0, s->w, s->h);
}
void surface_save_part(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (Used(a[0])) Surface_Save(I(a[0]), FileArg(a[1]), I(a[2]), I(a[3]), I(a[4]), I(a[5]));
}
void surface_getpixel(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  if (Used(a[0])) Real(r, Surface_GetPixel(I(a[0]), I(a[1]), I(a[2])));
}
void surface_copy(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const RSurface* dest = Used(a[0]);
  const RSurface* source = dest ? Used(a[3]) : nullptr;
  if (source) Surface_CopyPart(I(a[0]), I(a[1]), I(a[2]), I(a[3]), 0, 0, source->w, source->h);
}
void surface_copy_part(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const RSurface* dest = Used(a[0]);
  if (dest && Used(a[3])) Surface_CopyPart(I(a[0]), I(a[1]), I(a[2]), I(a[3]), I(a[4]), I(a[5]), I(a[6]), I(a[7]));
}

// Sprites and backgrounds take the rectangle of the surface with its alpha.
bool Grab(const RValue& surface, Args rect, TBitmap32& out) {
  return Used(surface) && Surface_Capture(I(surface), I(rect[0]), I(rect[1]), I(rect[2]), I(rect[3]), out);
}
void sprite_create_from_surface(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  TBitmap32 shot;
  if (!Grab(a[0], a + 1, shot)) return Real(r, -1);
  const int32_t ind = Sprites().Add();
  Sprites().Get(ind)->CreateFromBitmap(shot, B(a[5]) ? 1 : 0, B(a[6]), I(a[7]), I(a[8]));
  Real(r, ind);
}
void sprite_add_from_surface(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CSprite* s = Sprites().Get(I(a[0]));
  if (!s) return ShowActionError("Trying to add to non-existing sprite.", false);
  TBitmap32 shot;
  if (Grab(a[1], a + 2, shot)) s->AddFromBitmap(shot, B(a[6]), B(a[7]));
}
void background_create_from_surface(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  TBitmap32 shot;
  if (!Grab(a[0], a + 1, shot)) return Real(r, -1);
  const int32_t ind = Backgrounds().Add();
  Backgrounds().Get(ind)->CreateFromBitmap(shot, B(a[5]), B(a[6]));
  Real(r, ind);
}

constexpr RFunctionDef kSurfaceFunctions[] = {
    {"surface_create", 2, surface_create},
    {"surface_free", 1, surface_free},
    {"surface_exists", 1, surface_exists},
    {"surface_get_width", 1, surface_get_width},
    {"surface_get_height", 1, surface_get_height},
    {"surface_get_texture", 1, surface_get_texture},
    {"surface_set_target", 1, surface_set_target},
    {"surface_reset_target", 0, surface_reset_target},
    {"draw_surface", 3, draw_surface},
    {"draw_surface_ext", 8, draw_surface_ext},
    {"draw_surface_stretched", 5, draw_surface_stretched},
    {"draw_surface_stretched_ext", 7, draw_surface_stretched_ext},
    {"draw_surface_part", 7, draw_surface_part},
    {"draw_surface_part_ext", 11, draw_surface_part_ext},
    {"draw_surface_general", 15, draw_surface_general},
    {"draw_surface_tiled", 3, draw_surface_tiled},
    {"draw_surface_tiled_ext", 7, draw_surface_tiled_ext},
    {"surface_save", 2, surface_save},
    {"surface_save_part", 6, surface_save_part},
    {"surface_getpixel", 3, surface_getpixel},
    {"surface_copy", 4, surface_copy},
    {"surface_copy_part", 8, surface_copy_part},
    {"sprite_create_from_surface", 9, sprite_create_from_surface},
    {"sprite_add_from_surface", 8, sprite_add_from_surface},
    {"background_create_from_surface", 7, background_create_from_surface},
};
}  // namespace

FunctionFamily SurfaceFunctions() { return kSurfaceFunctions; }
