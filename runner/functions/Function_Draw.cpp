// Built-in functions for the drawing colour, colours, blend modes, clearing, the shapes and the
// user-built primitives.
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Draw.h"

namespace {
using Args = RValue*;

int32_t I(const RValue& v) { return RoundToInt32(v.val()); }
bool B(const RValue& v) { return IsTrue(v.val()); }
double D(const RValue& v) { return v.val(); }
void Real(RValue& r, double v) { r = RValue(v); }

// Colours.
void draw_set_color(CInstance*, CInstance*, int32_t, Args a, RValue&) { Draw_SetColor(I(a[0])); }
void draw_set_alpha(CInstance*, CInstance*, int32_t, Args a, RValue&) { Draw_SetAlpha(D(a[0])); }
void draw_get_color(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, Draw_GetColor()); }
void draw_get_alpha(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, Draw_GetAlpha()); }
void make_color_rgb(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Real(r, I(a[0]) + I(a[1]) * 256.0 + I(a[2]) * 65536.0);
}
void make_color_hsv(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Real(r, MakeColorHsv(D(a[0]), D(a[1]), D(a[2])));
}
void color_get_red(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, I(a[0]) % 256); }
void color_get_green(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, I(a[0]) / 256 % 256); }
void color_get_blue(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, I(a[0]) / 65536 % 256); }
void color_get_hue(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, ColorGetHue(I(a[0]))); }
void color_get_saturation(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, ColorGetSaturation(I(a[0]))); }
void color_get_value(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, ColorGetValue(I(a[0]))); }
void merge_color(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, MergeColor(I(a[0]), I(a[1]), D(a[2]))); }
void draw_set_blend_mode(CInstance*, CInstance*, int32_t, Args a, RValue&) { Display_SetBlendMode(I(a[0])); }
void draw_set_blend_mode_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Display_SetBlendFactors(I(a[0]), I(a[1]));
}

// Shapes.
void draw_clear(CInstance*, CInstance*, int32_t, Args a, RValue&) { Draw_Clear(I(a[0]), 1.0); }
void draw_clear_alpha(CInstance*, CInstance*, int32_t, Args a, RValue&) { Draw_Clear(I(a[0]), D(a[1])); }
void draw_point(CInstance*, CInstance*, int32_t, Args a, RValue&) { Draw_Point(D(a[0]), D(a[1])); }
void draw_point_color(CInstance*, CInstance*, int32_t, Args a, RValue&) { Draw_PointColor(D(a[0]), D(a[1]), I(a[2])); }
void draw_line(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t c = Draw_GetColor();
  Draw_Line(D(a[0]), D(a[1]), D(a[2]), D(a[3]), c, c);
}
void draw_line_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_Line(D(a[0]), D(a[1]), D(a[2]), D(a[3]), I(a[4]), I(a[5]));
}
void draw_line_width(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t c = Draw_GetColor();
  Draw_LineWidth(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), c, c);
}
void draw_line_width_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_LineWidth(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), I(a[5]), I(a[6]));
}
void draw_rectangle(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t c = Draw_GetColor();
  Draw_Rectangle(D(a[0]), D(a[1]), D(a[2]), D(a[3]), c, c, c, c, B(a[4]));
}
void draw_rectangle_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_Rectangle(D(a[0]), D(a[1]), D(a[2]), D(a[3]), I(a[4]), I(a[5]), I(a[6]), I(a[7]), B(a[8]));
}
void draw_roundrect(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t c = Draw_GetColor();
  Draw_RoundRect(D(a[0]), D(a[1]), D(a[2]), D(a[3]), c, c, B(a[4]));
}
void draw_roundrect_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_RoundRect(D(a[0]), D(a[1]), D(a[2]), D(a[3]), I(a[4]), I(a[5]), B(a[6]));
}
void draw_triangle(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t c = Draw_GetColor();
  Draw_Triangle(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), c, c, c, B(a[6]));
}
void draw_triangle_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_Triangle(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[6]), I(a[7]), I(a[8]), B(a[9]));
}
void draw_circle(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const double x = D(a[0]), y = D(a[1]), rad = D(a[2]);
  const int32_t c = Draw_GetColor();
  Draw_Ellipse(x - rad, y - rad, x + rad, y + rad, c, c, B(a[3]));
}
void draw_circle_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const double x = D(a[0]), y = D(a[1]), rad = D(a[2]);
  Draw_Ellipse(x - rad, y - rad, x + rad, y + rad, I(a[3]), I(a[4]), B(a[5]));
}
void draw_ellipse(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t c = Draw_GetColor();
  Draw_Ellipse(D(a[0]), D(a[1]), D(a[2]), D(a[3]), c, c, B(a[4]));
}
void draw_ellipse_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_Ellipse(D(a[0]), D(a[1]), D(a[2]), D(a[3]), I(a[4]), I(a[5]), B(a[6]));
}
void draw_arrow(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_Arrow(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]));
}
void draw_button(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_Button(D(a[0]), D(a[1]), D(a[2]), D(a[3]), B(a[4]));
}
void draw_healthbar(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_Healthbar(D(a[0]), D(a[1]), D(a[2]), D(a[3]), D(a[4]), I(a[5]), I(a[6]), I(a[7]), I(a[8]), B(a[9]), B(a[10]));
}
void draw_set_circle_precision(CInstance*, CInstance*, int32_t, Args a, RValue&) { Draw_SetCirclePrecision(I(a[0])); }

// Primitives.
void draw_primitive_begin(CInstance*, CInstance*, int32_t, Args a, RValue&) { Draw_PrimitiveBegin(I(a[0]), -1); }
void draw_primitive_begin_texture(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_PrimitiveBegin(I(a[0]), I(a[1]));
}
void draw_primitive_end(CInstance*, CInstance*, int32_t, Args, RValue&) { Draw_PrimitiveEnd(); }
void draw_vertex(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_Vertex(D(a[0]), D(a[1]), 0, 0, Draw_GetColor(), Draw_GetAlpha());
}
void draw_vertex_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_Vertex(D(a[0]), D(a[1]), 0, 0, I(a[2]), D(a[3]));
}
void draw_vertex_texture(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_Vertex(D(a[0]), D(a[1]), D(a[2]), D(a[3]), Draw_GetColor(), Draw_GetAlpha());
}
void draw_vertex_texture_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Draw_Vertex(D(a[0]), D(a[1]), D(a[2]), D(a[3]), I(a[4]), D(a[5]));
}

constexpr RFunctionDef kDrawFunctions[] = {
    {"draw_set_color", 1, draw_set_color},
    {"draw_set_alpha", 1, draw_set_alpha},
    {"draw_get_color", 0, draw_get_color},
    {"draw_get_alpha", 0, draw_get_alpha},
    {"make_color", 3, make_color_rgb},
    {"make_color_rgb", 3, make_color_rgb},
    {"make_color_hsv", 3, make_color_hsv},
    {"color_get_red", 1, color_get_red},
    {"color_get_green", 1, color_get_green},
    {"color_get_blue", 1, color_get_blue},
    {"color_get_hue", 1, color_get_hue},
    {"color_get_saturation", 1, color_get_saturation},
    {"color_get_value", 1, color_get_value},
    {"merge_color", 3, merge_color},
    {"draw_set_blend_mode", 1, draw_set_blend_mode},
    {"draw_set_blend_mode_ext", 2, draw_set_blend_mode_ext},
    {"draw_clear", 1, draw_clear},
    {"draw_clear_alpha", 2, draw_clear_alpha},
    {"draw_point", 2, draw_point},
    {"draw_line", 4, draw_line},
    {"draw_line_width", 5, draw_line_width},
    {"draw_rectangle", 5, draw_rectangle},
    {"draw_roundrect", 5, draw_roundrect},
    {"draw_triangle", 7, draw_triangle},
    {"draw_circle", 4, draw_circle},
    {"draw_ellipse", 5, draw_ellipse},
    {"draw_arrow", 5, draw_arrow},
    {"draw_button", 5, draw_button},
    {"draw_healthbar", 11, draw_healthbar},
    {"draw_point_color", 3, draw_point_color},
    {"draw_line_color", 6, draw_line_color},
    {"draw_line_width_color", 7, draw_line_width_color},
    {"draw_rectangle_color", 9, draw_rectangle_color},
    {"draw_roundrect_color", 7, draw_roundrect_color},
    {"draw_triangle_color", 10, draw_triangle_color},
    {"draw_circle_color", 6, draw_circle_color},
    {"draw_ellipse_color", 7, draw_ellipse_color},
    {"draw_set_circle_precision", 1, draw_set_circle_precision},
    {"draw_primitive_begin", 1, draw_primitive_begin},
    {"draw_primitive_begin_texture", 2, draw_primitive_begin_texture},
    {"draw_primitive_end", 0, draw_primitive_end},
    {"draw_vertex", 2, draw_vertex},
    {"draw_vertex_color", 4, draw_vertex_color},
    {"draw_vertex_texture", 4, draw_vertex_texture},
    {"draw_vertex_texture_color", 6, draw_vertex_texture_color},
};
}  // namespace

FunctionFamily DrawFunctions() { return kDrawFunctions; }
