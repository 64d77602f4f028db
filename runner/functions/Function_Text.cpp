// Built-in text functions: the text drawing state, measuring and drawing text, and the font
// resources (adding system and sprite fonts at run time, replacing, deleting, inspecting).
#include <memory>
#include <string>

#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Function_Text.h"
#include "runner/graphics/Font_Main.h"
#include "runner/graphics/Graphics_Text.h"
#include "runner/graphics/Sprite_Main.h"

namespace {
using Args = RValue*;

int32_t I(const RValue& v) {
  return RoundToInt32(v.val());
}
bool B(const RValue& v) {
  return IsTrue(v.val());
}
double D(const RValue& v) {
  return v.val();
}

// What draw_text shows of a value: whole reals in plain digits, other reals with two decimals.
std::u16string Shown(const RValue& v) {
  return TextCodes(v.IsString() ? std::string(v.str()) : DrawnRealText(v.val()));
}
std::u16string Measured(const RValue& v) {
  return TextCodes(v.str());
}

}  // namespace

void draw_set_font(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t f = I(a[0]);
  TextState().font = Fonts().Exists(f) ? f : -1;
  if (TextState().font < 0) DefaultFont();
}

namespace {

int32_t Align(const RValue& v) {
  const int32_t a = I(v);
  return a == 1 || a == 2 ? a : 0;
}
void draw_set_halign(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  TextState().halign = Align(a[0]);
}
void draw_set_valign(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  TextState().valign = Align(a[0]);
}

void string_width(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetReal(Text_Width(Measured(a[0]), -1));
}
void string_height(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetReal(Text_Height(Measured(a[0]), -1, -1));
}
void string_width_ext(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetReal(Text_Width(Measured(a[0]), I(a[2])));
}
void string_height_ext(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetReal(Text_Height(Measured(a[0]), I(a[1]), I(a[2])));
}

}  // namespace

void draw_text(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Text_Draw(D(a[0]), D(a[1]), Shown(a[2]), -1, -1);
}

namespace {

void draw_text_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Text_Draw(D(a[0]), D(a[1]), Shown(a[2]), I(a[3]), I(a[4]));
}

}  // namespace

void draw_text_transformed(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Text_DrawTransformed(D(a[0]), D(a[1]), Shown(a[2]), -1, -1, D(a[3]), D(a[4]), D(a[5]));
}

namespace {

void draw_text_ext_transformed(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Text_DrawTransformed(D(a[0]), D(a[1]), Shown(a[2]), I(a[3]), I(a[4]), D(a[5]), D(a[6]), D(a[7]));
}
void draw_text_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Text_DrawColor(D(a[0]), D(a[1]), Shown(a[2]), -1, -1, I(a[3]), I(a[4]), I(a[5]), I(a[6]), D(a[7]));
}
void draw_text_transformed_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Text_DrawTransformedColor(D(a[0]), D(a[1]), Shown(a[2]), -1, -1, D(a[3]), D(a[4]), D(a[5]), I(a[6]),
                            I(a[7]), I(a[8]), I(a[9]), D(a[10]));
}
void draw_text_ext_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Text_DrawColor(D(a[0]), D(a[1]), Shown(a[2]), I(a[3]), I(a[4]), I(a[5]), I(a[6]), I(a[7]), I(a[8]),
                 D(a[9]));
}
void draw_text_ext_transformed_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Text_DrawTransformedColor(D(a[0]), D(a[1]), Shown(a[2]), I(a[3]), I(a[4]), D(a[5]), D(a[6]), D(a[7]),
                            I(a[8]), I(a[9]), I(a[10]), I(a[11]), D(a[12]));
}

// Font resources.
const CFont* FontAt(const RValue& v) {
  const int32_t f = I(v);
  return Fonts().Exists(f) ? Fonts().Get(f) : nullptr;
}
void font_get_name(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetString(Fonts().Name(I(a[0])));
}
void font_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetReal(FontAt(a[0]) ? 1 : 0);
}
void font_get_fontname(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CFont* f = FontAt(a[0]);
  r.SetString(f ? f->s_name : std::string());
}
void font_get_size(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CFont* f = FontAt(a[0]);
  r.SetReal(f ? f->s_size : -1);
}
void font_get_bold(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CFont* f = FontAt(a[0]);
  r.SetReal(f ? f->s_bold : -1);
}
void font_get_italic(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CFont* f = FontAt(a[0]);
  r.SetReal(f ? f->s_italic : -1);
}
void font_get_first(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CFont* f = FontAt(a[0]);
  r.SetReal(f ? f->s_first : -1);
}
void font_get_last(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CFont* f = FontAt(a[0]);
  r.SetReal(f ? f->s_last : -1);
}

std::unique_ptr<CFont> SystemFont(Args a) {
  auto f = std::make_unique<CFont>();
  f->CreateFont(std::string(a[0].str()), I(a[1]), B(a[2]), B(a[3]), I(a[4]), I(a[5]));
  return f;
}
// The new font replaces the old one only once it exists.
void Replace(int32_t ind, std::unique_ptr<CFont> font) {
  const std::string name = Fonts().Name(ind);
  Fonts().Put(ind, std::move(font), name);
}

void font_add(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  auto f = SystemFont(a);
  const int32_t ind = Fonts().Add();
  Fonts().Put(ind, std::move(f), Fonts().Name(ind));
  r.SetReal(ind);
}
void font_replace(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t ind = I(a[0]);
  if (!Fonts().Exists(ind)) return ShowActionError("Trying to replace non-existing font.", false);
  Replace(ind, SystemFont(a + 1));
}
void font_add_sprite(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const int32_t spr = I(a[0]);
  if (!Sprites().Exists(spr)) {
    ShowActionError("Trying to create font from non-existing sprite.", false);
    r.SetReal(-1);
    return;
  }
  auto f = std::make_unique<CFont>();
  f->CreateFromSprite(spr, I(a[1]), B(a[2]), I(a[3]));
  const int32_t ind = Fonts().Add();
  Fonts().Put(ind, std::move(f), Fonts().Name(ind));
  r.SetReal(ind);
}
void font_replace_sprite(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t ind = I(a[0]), spr = I(a[1]);
  if (!Fonts().Exists(ind)) return ShowActionError("Trying to replace non-existing font.", false);
  if (!Sprites().Exists(spr))
    return ShowActionError("Trying to replace font from non-existing sprite.", false);
  auto f = std::make_unique<CFont>();
  f->CreateFromSprite(spr, I(a[2]), B(a[3]), I(a[4]));
  Replace(ind, std::move(f));
}
void font_delete(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (!Fonts().Delete(I(a[0]))) ShowActionError("Trying to delete non-existing font.", false);
}

constexpr RFunctionDef kTextFunctions[] = {
    {"draw_set_font", 1, draw_set_font},
    {"draw_set_halign", 1, draw_set_halign},
    {"draw_set_valign", 1, draw_set_valign},
    {"string_width", 1, string_width},
    {"string_height", 1, string_height},
    {"string_width_ext", 3, string_width_ext},
    {"string_height_ext", 3, string_height_ext},
    {"draw_text", 3, draw_text},
    {"draw_text_ext", 5, draw_text_ext},
    {"draw_text_transformed", 6, draw_text_transformed},
    {"draw_text_ext_transformed", 8, draw_text_ext_transformed},
    {"draw_text_color", 8, draw_text_color},
    {"draw_text_transformed_color", 11, draw_text_transformed_color},
    {"draw_text_ext_color", 10, draw_text_ext_color},
    {"draw_text_ext_transformed_color", 13, draw_text_ext_transformed_color},
    {"font_name", 1, font_get_name},
    {"font_get_name", 1, font_get_name},
    {"font_exists", 1, font_exists},
    {"font_get_fontname", 1, font_get_fontname},
    {"font_get_size", 1, font_get_size},
    {"font_get_bold", 1, font_get_bold},
    {"font_get_italic", 1, font_get_italic},
    {"font_get_first", 1, font_get_first},
    {"font_get_last", 1, font_get_last},
    {"font_add", 6, font_add},
    {"font_replace", 7, font_replace},
    {"font_add_sprite", 4, font_add_sprite},
    {"font_replace_sprite", 5, font_replace_sprite},
    {"font_delete", 1, font_delete},
};
}  // namespace

FunctionFamily TextFunctions() {
  return kTextFunctions;
}
