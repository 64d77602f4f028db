// Built-in functions that draw sprites and backgrounds and give their textures.
#include <cmath>

#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

namespace {
using Args = RValue*;

int32_t I(const RValue& v) { return RoundToInt32(v.val()); }
double D(const RValue& v) { return v.val(); }

const CSprite* DrawnSprite(const RValue& v) {
  const int32_t ind = I(v);
  if (Sprites().Exists(ind)) return Sprites().Get(ind);
  ShowActionError("Trying to draw non-existing sprite.", false);
  return nullptr;
}

const CBackground* DrawnBackground(const RValue& v) {
  const int32_t ind = I(v);
  if (Backgrounds().Exists(ind)) return Backgrounds().Get(ind);
  ShowActionError("Trying to draw non-existing background.", false);
  return nullptr;
}

int32_t CurrentImage(const CInstance* self) {
  if (!self) return 0;
  const double f = std::floor(self->i_imageindex);
  return std::isfinite(f) && std::fabs(f) < 2147483647.0 ? static_cast<int32_t>(f) : 0;
}

// A subimg below 0 is the caller's own image.
int32_t SubImage(const CInstance* self, const RValue& v) {
  const int32_t s = I(v);
  return s < 0 ? CurrentImage(self) : s;
}

void RoomSize(double& w, double& h) {
  const CRoom* room = CurrentRoom();
  w = room ? room->r_width : 0;
  h = room ? room->r_height : 0;
}

void draw_self(CInstance* self, CInstance*, int32_t, Args, RValue&) {
  if (!self) return;
  const int32_t ind = self->i_spriteindex;
  if (!Sprites().Exists(ind)) {
    ShowActionError("Trying to draw non-existing sprite.", false);
    return;
  }
  Sprites().Get(ind)->Draw(CurrentImage(self), self->i_x, self->i_y, self->i_imagescalex, self->i_imagescaley,
                           self->i_imageangle, static_cast<int32_t>(self->i_imageblend), self->i_imagealpha);
}
void draw_sprite(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0])) s->DrawSimple(SubImage(self, a[1]), D(a[2]), D(a[3]));
}
void draw_sprite_ext(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0]))
    s->Draw(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), I(a[7]), D(a[8]));
}
void draw_sprite_stretched(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0]))
    s->DrawStretched(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), 0xFFFFFF, 1);
}
void draw_sprite_stretched_ext(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0]))
    s->DrawStretched(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[6]), D(a[7]));
}
void draw_sprite_part(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0]))
    s->DrawPart(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), 1, 1, 0xFFFFFF, 1);
}
void draw_sprite_part_ext(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0]))
    s->DrawPart(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), D(a[8]), D(a[9]),
                I(a[10]), D(a[11]));
}
void draw_sprite_general(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0]))
    s->DrawGeneral(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), D(a[8]), D(a[9]),
                   D(a[10]), I(a[11]), I(a[12]), I(a[13]), I(a[14]), D(a[15]));
}
void draw_sprite_tiled(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0])) {
    double w, h;
    RoomSize(w, h);
    s->DrawTiled(SubImage(self, a[1]), D(a[2]), D(a[3]), 1, 1, true, true, 0, 0, w, h, 0xFFFFFF, 1);
  }
}
void draw_sprite_tiled_ext(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (const CSprite* s = DrawnSprite(a[0])) {
    double w, h;
    RoomSize(w, h);
    s->DrawTiled(SubImage(self, a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), true, true, 0, 0, w, h, I(a[6]), D(a[7]));
  }
}

void draw_background(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0])) b->DrawSimple(D(a[1]), D(a[2]));
}
void draw_background_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0]))
    b->Draw(D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[6]), D(a[7]));
}
void draw_background_stretched(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0])) b->DrawStretched(D(a[1]), D(a[2]), D(a[3]), D(a[4]), 0xFFFFFF, 1);
}
void draw_background_stretched_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0]))
    b->DrawStretched(D(a[1]), D(a[2]), D(a[3]), D(a[4]), I(a[5]), D(a[6]));
}
void draw_background_part(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0]))
    b->DrawPart(D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), 1, 1, 0xFFFFFF, 1);
}
void draw_background_part_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0]))
    b->DrawPart(D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), D(a[8]), I(a[9]), D(a[10]));
}
void draw_background_general(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0]))
    b->DrawGeneral(D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), D(a[6]), D(a[7]), D(a[8]), D(a[9]), I(a[10]),
                   I(a[11]), I(a[12]), I(a[13]), D(a[14]));
}
void draw_background_tiled(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0])) {
    double w, h;
    RoomSize(w, h);
    b->DrawTiled(D(a[1]), D(a[2]), 1, 1, true, true, 0, 0, w, h, 0xFFFFFF, 1);
  }
}
void draw_background_tiled_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (const CBackground* b = DrawnBackground(a[0])) {
    double w, h;
    RoomSize(w, h);
    b->DrawTiled(D(a[1]), D(a[2]), D(a[3]), D(a[4]), true, true, 0, 0, w, h, I(a[5]), D(a[6]));
  }
}

void sprite_get_texture(CInstance* self, CInstance*, int32_t, Args a, RValue& r) {
  const int32_t ind = I(a[0]);
  if (!Sprites().Exists(ind)) {
    ShowActionError("Trying to get texture from non-existing sprite.", false);
    r = RValue(-1.0);
    return;
  }
  r = RValue(static_cast<double>(Sprites().Get(ind)->GetTexture(SubImage(self, a[1]))));
}
void background_get_texture(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const int32_t ind = I(a[0]);
  if (!Backgrounds().Exists(ind)) {
    ShowActionError("Trying to get texture from non-existing background.", false);
    r = RValue(-1.0);
    return;
  }
  r = RValue(static_cast<double>(Backgrounds().Get(ind)->GetTexture()));
}

constexpr RFunctionDef kSpriteFunctions[] = {
    {"draw_self", 0, draw_self},
    {"draw_sprite", 4, draw_sprite},
    {"draw_sprite_ext", 9, draw_sprite_ext},
    {"draw_sprite_stretched", 6, draw_sprite_stretched},
    {"draw_sprite_stretched_ext", 8, draw_sprite_stretched_ext},
    {"draw_sprite_part", 8, draw_sprite_part},
    {"draw_sprite_part_ext", 12, draw_sprite_part_ext},
    {"draw_sprite_general", 16, draw_sprite_general},
    {"draw_sprite_tiled", 4, draw_sprite_tiled},
    {"draw_sprite_tiled_ext", 8, draw_sprite_tiled_ext},
    {"draw_background", 3, draw_background},
    {"draw_background_ext", 8, draw_background_ext},
    {"draw_background_stretched", 5, draw_background_stretched},
    {"draw_background_stretched_ext", 7, draw_background_stretched_ext},
    {"draw_background_part", 7, draw_background_part},
    {"draw_background_part_ext", 11, draw_background_part_ext},
    {"draw_background_general", 15, draw_background_general},
    {"draw_background_tiled", 3, draw_background_tiled},
    {"draw_background_tiled_ext", 7, draw_background_tiled_ext},
    {"sprite_get_texture", 2, sprite_get_texture},
    {"background_get_texture", 1, background_get_texture},
};
}  // namespace

FunctionFamily SpriteFunctions() { return kSpriteFunctions; }
