// The action functions of score, lives and health, of drawing, and those kept only so old games
// load (they do nothing). Drawing goes through the drawing, text and sprite families.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Action.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Function_Sprites.h"
#include "runner/functions/Function_Text.h"
#include "runner/graphics/Graphics_Draw.h"
#include "runner/graphics/Graphics_Text.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

namespace {
using Args = RValue*;

int32_t I(const RValue& v) {
  return RoundToInt32(v.val());
}
double D(const RValue& v) {
  return v.val();
}
void Answer(RValue& r, bool yes) {
  r.SetReal(BoolReal(yes));
}

// Both corners of a shape, offset when relative.
struct RCorners {
  double x1, y1, x2, y2;
};
RCorners Corners(const CInstance* self, Args a) {
  RCorners c{D(a[0]), D(a[1]), D(a[2]), D(a[3])};
  RelativePoint(self, c.x1, c.y1);
  RelativePoint(self, c.x2, c.y2);
  return c;
}

void DrawTextAt(CInstance* self, CInstance* other, RValue text, const RValue& x, const RValue& y) {
  double px = D(x), py = D(y);
  RelativePoint(self, px, py);
  RValue args[3] = {RValue(px), RValue(py), std::move(text)};
  RValue r;
  draw_text(self, other, 3, args, r);
}

// ---- Score, lives and health.

int32_t SetOrAddRounded(int32_t current, const RValue& v) {
  const double value = ActionRelative() ? current + D(v) : D(v);
  return RoundToInt32(value);
}

void action_set_score(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  GameState().score = SetOrAddRounded(GameState().score, a[0]);
}
void action_if_score(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Answer(r, CompareByOperation(GameState().score - D(a[0]), I(a[1])));
}
void action_draw_score(CInstance* self, CInstance* other, int32_t, Args a, RValue&) {
  DrawTextAt(self, other, RValue(std::string(a[2].str()) + std::to_string(GameState().score)), a[0], a[1]);
}
void action_set_life(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  SetLives(SetOrAddRounded(GameState().lives, a[0]));
}
void action_if_life(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Answer(r, CompareByOperation(GameState().lives - D(a[0]), I(a[1])));
}
void action_draw_life(CInstance* self, CInstance* other, int32_t, Args a, RValue&) {
  DrawTextAt(self, other, RValue(std::string(a[2].str()) + std::to_string(GameState().lives)), a[0], a[1]);
}
void action_draw_life_images(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const int32_t ind = I(a[2]);
  if (!Sprites().Exists(ind)) return;
  const CSprite* s = Sprites().Get(ind);
  double x = D(a[0]), y = D(a[1]);
  RelativePoint(self, x, y);
  // Images that would start past the room's right edge cannot show; a huge number of lives must
  // not keep the step drawing them.
  const CRoom* room = CurrentRoom();
  const double right = room ? room->r_width + s->i_xorig : 0;
  for (int32_t i = 0; i < GameState().lives; ++i) {
    const double xi = x + static_cast<double>(i) * s->GetWidth();
    if (xi >= right) break;
    s->DrawSimple(0, xi, y);
  }
}
void action_set_health(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  SetHealth(ActionRelative() ? GameState().health + D(a[0]) : D(a[0]));
}
void action_if_health(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Answer(r, CompareByOperation(GameState().health - D(a[0]), I(a[1])));
}

constexpr int32_t kBlack = 0x000000, kGray = 0x808080, kSilver = 0xC0C0C0, kWhite = 0xFFFFFF,
                  kMaroon = 0x000080, kGreen = 0x008000, kOlive = 0x008080, kNavy = 0x800000,
                  kPurple = 0x800080, kTeal = 0x808000, kRed = 0x0000FF, kLime = 0x00FF00, kYellow = 0x00FFFF,
                  kBlue = 0xFF0000, kFuchsia = 0xFF00FF, kAqua = 0xFFFF00;
// The named colours of the colour menus, from black (code 1 of the back colours).
constexpr std::array<int32_t, 16> kMenuColors = {kBlack,  kGray, kSilver,  kWhite, kMaroon, kGreen,
                                                 kOlive,  kNavy, kPurple,  kTeal,  kRed,    kLime,
                                                 kYellow, kBlue, kFuchsia, kAqua};

int32_t BackColor(int32_t code) {
  return code >= 1 && code <= 16 ? kMenuColors[static_cast<size_t>(code - 1)] : kBlack;
}
// The empty, middle and full colours of a bar colour code.
std::array<int32_t, 3> BarColors(int32_t code) {
  if (code == 0) return {kRed, kYellow, kLime};
  if (code == 1) return {kBlack, kGray, kWhite};
  if (code >= 3 && code <= 17) {
    const int32_t c = kMenuColors[static_cast<size_t>(code - 2)];
    return {c, c, c};
  }
  return {kBlack, kBlack, kBlack};
}

void action_draw_health(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const RCorners c = Corners(self, a);
  const std::array<int32_t, 3> bar = BarColors(I(a[5]));
  Draw_HealthbarColors(c.x1, c.y1, c.x2, c.y2, GameState().health, BackColor(I(a[4])), bar[0], bar[1], bar[2],
                       0, D(a[4]) >= 0.5, true);
}
void action_set_caption(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  RGameState& g = GameState();
  g.show_score = I(a[0]) == 1;
  g.caption_score = std::string(a[1].str());
  g.show_lives = I(a[2]) == 1;
  g.caption_lives = std::string(a[3].str());
  g.show_health = I(a[4]) == 1;
  g.caption_health = std::string(a[5].str());
  g.score_chosen = true;
}
void action_draw_variable(CInstance* self, CInstance* other, int32_t, Args a, RValue&) {
  DrawTextAt(self, other, a[0], a[1], a[2]);
}

// ---- Drawing.

void action_draw_sprite(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const int32_t ind = I(a[0]);
  if (!Sprites().Exists(ind)) {
    ShowActionError("Trying to draw a non-existing sprite.", false);
    return;
  }
  double x = D(a[1]), y = D(a[2]);
  RelativePoint(self, x, y);
  const double sub = D(a[3]) < 0 ? (self ? self->i_imageindex : 0) : D(a[3]);
  const double image = std::floor(sub);
  Sprites().Get(ind)->DrawSimple(
      std::isfinite(image) && std::fabs(image) < 2147483647.0 ? static_cast<int32_t>(image) : 0, x, y);
}
void action_draw_background(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  if (!Backgrounds().Exists(I(a[0]))) {
    ShowActionError("Trying to draw a non-existing background.", false);
    return;
  }
  double x = D(a[1]), y = D(a[2]);
  RelativePoint(self, x, y);
  RValue args[3] = {a[0], RValue(x), RValue(y)};
  if (D(a[3]) >= 0.5)
    draw_background_tiled(self, other, 3, args, r);
  else
    draw_background(self, other, 3, args, r);
}
void action_draw_text(CInstance* self, CInstance* other, int32_t, Args a, RValue&) {
  DrawTextAt(self, other, a[0], a[1], a[2]);
}
void action_draw_text_transformed(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  double x = D(a[1]), y = D(a[2]);
  RelativePoint(self, x, y);
  RValue args[6] = {RValue(x), RValue(y), a[0], a[3], a[4], a[5]};
  draw_text_transformed(self, other, 6, args, r);
}
void action_draw_rectangle(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const RCorners c = Corners(self, a);
  const int32_t col = Draw_GetColor();
  Draw_Rectangle(c.x1, c.y1, c.x2, c.y2, col, col, col, col, D(a[4]) >= 0.5);
}
void action_draw_ellipse(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const RCorners c = Corners(self, a);
  const int32_t col = Draw_GetColor();
  Draw_Ellipse(c.x1, c.y1, c.x2, c.y2, col, col, D(a[4]) >= 0.5);
}
void action_draw_gradient_hor(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const RCorners c = Corners(self, a);
  const int32_t left = I(a[4]), right = I(a[5]);
  Draw_Rectangle(c.x1, c.y1, c.x2, c.y2, left, right, right, left, false);
}
void action_draw_gradient_vert(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const RCorners c = Corners(self, a);
  const int32_t top = I(a[4]), bottom = I(a[5]);
  Draw_Rectangle(c.x1, c.y1, c.x2, c.y2, top, top, bottom, bottom, false);
}
void action_draw_ellipse_gradient(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const RCorners c = Corners(self, a);
  Draw_Ellipse(c.x1, c.y1, c.x2, c.y2, I(a[4]), I(a[5]), false);
}
void action_draw_line(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const RCorners c = Corners(self, a);
  const int32_t col = Draw_GetColor();
  Draw_Line(c.x1, c.y1, c.x2, c.y2, col, col);
}
void action_draw_arrow(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  const RCorners c = Corners(self, a);
  Draw_Arrow(c.x1, c.y1, c.x2, c.y2, D(a[4]));
}
void action_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_SetColor(I(a[0]));
}
void action_font(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  draw_set_font(self, other, 1, a, r);
  const int32_t align = I(a[1]);
  TextState().halign = align == 1 || align == 2 ? align : 0;
}

// Kept so that games made with older action libraries load; they do nothing.
void action_nothing(CInstance*, CInstance*, int32_t, Args, RValue&) {}

constexpr RFunctionDef kActionDrawFunctions[] = {
    {"action_set_score", 1, action_set_score},
    {"action_if_score", 2, action_if_score},
    {"action_draw_score", 3, action_draw_score},
    {"action_set_life", 1, action_set_life},
    {"action_if_life", 2, action_if_life},
    {"action_draw_life", 3, action_draw_life},
    {"action_draw_life_images", 3, action_draw_life_images},
    {"action_set_health", 1, action_set_health},
    {"action_if_health", 2, action_if_health},
    {"action_draw_health", 6, action_draw_health},
    {"action_set_caption", 6, action_set_caption},
    {"action_draw_variable", 3, action_draw_variable},
    {"action_draw_sprite", 4, action_draw_sprite},
    {"action_draw_background", 4, action_draw_background},
    {"action_draw_text", 3, action_draw_text},
    {"action_draw_text_transformed", 6, action_draw_text_transformed},
    {"action_draw_rectangle", 5, action_draw_rectangle},
    {"action_draw_ellipse", 5, action_draw_ellipse},
    {"action_draw_gradient_hor", 6, action_draw_gradient_hor},
    {"action_draw_gradient_vert", 6, action_draw_gradient_vert},
    {"action_draw_ellipse_gradient", 6, action_draw_ellipse_gradient},
    {"action_draw_line", 4, action_draw_line},
    {"action_draw_arrow", 5, action_draw_arrow},
    {"action_color", 1, action_color},
    {"action_font", 2, action_font},
    {"action_draw_font", 1, action_nothing},
    {"action_draw_font_old", 6, action_nothing},
    {"action_fill_color", 1, action_nothing},
    {"action_line_color", 1, action_nothing},
    {"action_highscore", 0, action_nothing},
};
}  // namespace

FunctionFamily ActionDrawFunctions() {
  return kActionDrawFunctions;
}
