// Built-in drawing functions: the display, the window, the screen and textures so far; the
// colour, primitive, text, sprite, tile and surface functions join this unit.
#include <string>

#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Function_Graphics.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/graphics/Graphics_Window.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"
#include "runner/base/Runner_Temp.h"

namespace {
using Args = RValue*;

int32_t I(const RValue& v) { return RoundToInt32(v.val()); }
bool B(const RValue& v) { return IsTrue(v.val()); }
void Real(RValue& r, double v) { r = RValue(v); }

// Display.
void display_get_width(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, ScreenWidth()); }
void display_get_height(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, ScreenHeight()); }
void display_get_colordepth(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, Display_ColorDepth()); }
void display_get_frequency(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, Display_Frequency()); }
void display_set_size(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Real(r, Display_SetMode(I(a[0]), I(a[1]), 0, 0) ? 1 : 0);
}
void display_set_colordepth(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Real(r, Display_SetMode(0, 0, 0, I(a[0])) ? 1 : 0);
}
void display_set_frequency(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Real(r, Display_SetMode(0, 0, I(a[0]), 0) ? 1 : 0);
}
void display_set_all(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Real(r, Display_SetMode(I(a[0]), I(a[1]), I(a[2]), I(a[3])) ? 1 : 0);
}
void display_test_all(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Real(r, Display_TestMode(I(a[0]), I(a[1]), I(a[2]), I(a[3])) ? 1 : 0);
}
void display_reset(CInstance*, CInstance*, int32_t argc, Args a, RValue&) {
  Display_ScheduleReset(argc > 0 ? I(a[0]) : 0);
}
void display_mouse_get_x(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  int32_t x, y;
  Mouse_Screen(x, y);
  Real(r, x);
}
void display_mouse_get_y(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  int32_t x, y;
  Mouse_Screen(x, y);
  Real(r, y);
}
void display_mouse_set(CInstance*, CInstance*, int32_t, Args a, RValue&) { Mouse_SetScreen(I(a[0]), I(a[1])); }

// Window.
void window_set_visible(CInstance*, CInstance*, int32_t, Args a, RValue&) { Window_SetVisible(B(a[0])); }
void window_get_visible(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, WindowState().visible); }
void window_set_fullscreen(CInstance*, CInstance*, int32_t, Args a, RValue&) { Window_SetFullScreen(B(a[0])); }
void window_get_fullscreen(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, WindowState().full_screen); }
void window_set_showborder(CInstance*, CInstance*, int32_t, Args a, RValue&) { Window_SetShowBorder(B(a[0])); }
void window_get_showborder(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, WindowState().show_border); }
void window_set_showicons(CInstance*, CInstance*, int32_t, Args a, RValue&) { Window_SetShowIcons(B(a[0])); }
void window_get_showicons(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, WindowState().show_icons); }
void window_set_stayontop(CInstance*, CInstance*, int32_t, Args a, RValue&) { Window_SetStayOnTop(B(a[0])); }
void window_get_stayontop(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, WindowState().stay_on_top); }
void window_set_sizeable(CInstance*, CInstance*, int32_t, Args a, RValue&) { Window_SetSizeable(B(a[0])); }
void window_get_sizeable(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, WindowState().sizeable); }
void window_set_caption(CInstance*, CInstance*, int32_t, Args a, RValue&) { Window_SetCaption(std::string(a[0].str())); }
void window_get_caption(CInstance*, CInstance*, int32_t, Args, RValue& r) { r = RValue(WindowState().caption); }
void window_set_cursor(CInstance*, CInstance*, int32_t, Args a, RValue&) { Window_SetCursor(I(a[0])); }
void window_get_cursor(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, WindowState().cursor); }
void window_set_color(CInstance*, CInstance*, int32_t, Args a, RValue&) { Window_SetColor(I(a[0])); }
void window_get_color(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, WindowState().color); }
void window_set_position(CInstance*, CInstance*, int32_t, Args a, RValue&) { Window_SetPosition(I(a[0]), I(a[1])); }
void window_set_size(CInstance*, CInstance*, int32_t, Args a, RValue&) { Window_SetSize(I(a[0]), I(a[1])); }
void window_set_rectangle(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Window_SetRectangle(I(a[0]), I(a[1]), I(a[2]), I(a[3]));
}
void window_center(CInstance*, CInstance*, int32_t, Args, RValue&) { Window_Center(); }
void window_default(CInstance*, CInstance*, int32_t, Args, RValue&) { Window_Default(); }
void window_get_x(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  Real(r, WindowState().full_screen ? 0 : WindowState().client_x);
}
void window_get_y(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  Real(r, WindowState().full_screen ? 0 : WindowState().client_y);
}
void window_get_width(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  Real(r, WindowState().full_screen ? ScreenWidth() : WindowState().client_width);
}
void window_get_height(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  Real(r, WindowState().full_screen ? ScreenHeight() : WindowState().client_height);
}
void window_set_region_size(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Window_SetRegionSize(I(a[0]), I(a[1]), B(a[2]));
}
void window_get_region_width(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, WindowState().region_width); }
void window_get_region_height(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  Real(r, WindowState().region_height);
}
void window_set_region_scale(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Window_SetRegionScale(a[0].val(), B(a[1]));
}
void window_get_region_scale(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, WindowState().region_scale); }

void ClientMouse(int32_t& x, int32_t& y) {
  Mouse_Screen(x, y);
  if (!WindowState().full_screen) {
    x -= WindowState().client_x;
    y -= WindowState().client_y;
  }
}
void window_mouse_get_x(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  int32_t x, y;
  ClientMouse(x, y);
  Real(r, x);
}
void window_mouse_get_y(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  int32_t x, y;
  ClientMouse(x, y);
  Real(r, y);
}
void window_mouse_set(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const RWindowState& ws = WindowState();
  Mouse_SetScreen((ws.full_screen ? 0 : ws.client_x) + I(a[0]), (ws.full_screen ? 0 : ws.client_y) + I(a[1]));
}
void window_view_mouse_get_x(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  int32_t x, y;
  Mouse_ViewRoom(I(a[0]), x, y);
  Real(r, x);
}
void window_view_mouse_get_y(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  int32_t x, y;
  Mouse_ViewRoom(I(a[0]), x, y);
  Real(r, y);
}
void window_view_mouse_set(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Mouse_SetViewRoom(I(a[0]), I(a[1]), I(a[2]));
}
void window_views_mouse_get_x(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  int32_t x, y;
  Mouse_Room(x, y);
  Real(r, x);
}
void window_views_mouse_get_y(CInstance*, CInstance*, int32_t, Args, RValue& r) {
  int32_t x, y;
  Mouse_Room(x, y);
  Real(r, y);
}
void window_views_mouse_set(CInstance*, CInstance*, int32_t, Args a, RValue&) { Mouse_SetRoom(I(a[0]), I(a[1])); }

// Screen.
void set_synchronization(CInstance*, CInstance*, int32_t, Args a, RValue&) { Display_SetVSync(B(a[0])); }
void set_automatic_draw(CInstance*, CInstance*, int32_t, Args a, RValue&) { GameState().automatic_draw = B(a[0]); }

}  // namespace

void screen_redraw(CInstance*, CInstance*, int32_t, Args, RValue&) {
  ScreenRedraw();
  Display_EndAndPresent();
  Display_BeginFrame();
}

namespace {

void screen_refresh(CInstance*, CInstance*, int32_t, Args, RValue&) { Display_Represent(); }
// Presenting is not tied to the display's refresh here; there is no blank to wait for.
void screen_wait_vsync(CInstance*, CInstance*, int32_t, Args, RValue&) { Display_WaitVBlank(); }

}  // namespace

void screen_save(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const std::string name(a[0].str());
  Display_SaveScreen(name.empty() ? name : MapWindowsPath(name), 0, 0, Display_UsedWidth(), Display_UsedHeight());
}

namespace {

void screen_save_part(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const std::string name(a[0].str());
  Display_SaveScreen(name.empty() ? name : MapWindowsPath(name), I(a[1]), I(a[2]), I(a[3]), I(a[4]));
}
void draw_getpixel(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  int32_t gx, gy;
  View_RoomToRegion(GameState().view_current, a[0].val(), a[1].val(), gx, gy);
  Real(r, Display_GetPixel(gx, gy));
}

// Textures.
void texture_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, Texture_Exists(I(a[0]))); }
void texture_set_interpolation(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Display_SetInterpolation(B(a[0]));
}
void texture_set_blending(CInstance*, CInstance*, int32_t, Args a, RValue&) { Display_SetColorBlending(B(a[0])); }
void texture_set_repeat(CInstance*, CInstance*, int32_t, Args a, RValue&) { Display_SetRepeat(B(a[0])); }
void texture_get_width(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, Texture_Width(I(a[0]))); }
void texture_get_height(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, Texture_Height(I(a[0]))); }
void texture_preload(CInstance*, CInstance*, int32_t, Args a, RValue&) { Texture_Preload(I(a[0])); }
void texture_set_priority(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Texture_SetPriority(I(a[0]), I(a[1]));
}

constexpr RFunctionDef kGraphicsFunctions[] = {
    {"display_get_width", 0, display_get_width},
    {"display_get_height", 0, display_get_height},
    {"display_get_colordepth", 0, display_get_colordepth},
    {"display_get_frequency", 0, display_get_frequency},
    {"display_set_size", 2, display_set_size},
    {"display_set_colordepth", 1, display_set_colordepth},
    {"display_set_frequency", 1, display_set_frequency},
    {"display_set_all", 4, display_set_all},
    {"display_test_all", 4, display_test_all},
    {"display_reset", -1, display_reset},
    {"display_mouse_get_x", 0, display_mouse_get_x},
    {"display_mouse_get_y", 0, display_mouse_get_y},
    {"display_mouse_set", 2, display_mouse_set},
    {"window_set_visible", 1, window_set_visible},
    {"window_get_visible", 0, window_get_visible},
    {"window_set_fullscreen", 1, window_set_fullscreen},
    {"window_get_fullscreen", 0, window_get_fullscreen},
    {"window_set_showborder", 1, window_set_showborder},
    {"window_get_showborder", 0, window_get_showborder},
    {"window_set_showicons", 1, window_set_showicons},
    {"window_get_showicons", 0, window_get_showicons},
    {"window_set_stayontop", 1, window_set_stayontop},
    {"window_get_stayontop", 0, window_get_stayontop},
    {"window_set_sizeable", 1, window_set_sizeable},
    {"window_get_sizeable", 0, window_get_sizeable},
    {"window_set_caption", 1, window_set_caption},
    {"window_get_caption", 0, window_get_caption},
    {"window_set_cursor", 1, window_set_cursor},
    {"window_get_cursor", 0, window_get_cursor},
    {"window_set_color", 1, window_set_color},
    {"window_get_color", 0, window_get_color},
    {"window_set_position", 2, window_set_position},
    {"window_set_size", 2, window_set_size},
    {"window_set_rectangle", 4, window_set_rectangle},
    {"window_center", 0, window_center},
    {"window_default", 0, window_default},
    {"window_get_x", 0, window_get_x},
    {"window_get_y", 0, window_get_y},
    {"window_get_width", 0, window_get_width},
    {"window_get_height", 0, window_get_height},
    {"window_set_region_size", 3, window_set_region_size},
    {"window_get_region_width", 0, window_get_region_width},
    {"window_get_region_height", 0, window_get_region_height},
    {"window_set_region_scale", 2, window_set_region_scale},
    {"window_get_region_scale", 0, window_get_region_scale},
    {"window_mouse_get_x", 0, window_mouse_get_x},
    {"window_mouse_get_y", 0, window_mouse_get_y},
    {"window_mouse_set", 2, window_mouse_set},
    {"window_view_mouse_get_x", 1, window_view_mouse_get_x},
    {"window_view_mouse_get_y", 1, window_view_mouse_get_y},
    {"window_view_mouse_set", 3, window_view_mouse_set},
    {"window_views_mouse_get_x", 0, window_views_mouse_get_x},
    {"window_views_mouse_get_y", 0, window_views_mouse_get_y},
    {"window_views_mouse_set", 2, window_views_mouse_set},
    {"set_synchronization", 1, set_synchronization},
    {"set_automatic_draw", 1, set_automatic_draw},
    {"screen_redraw", 0, screen_redraw},
    {"screen_refresh", 0, screen_refresh},
    {"screen_wait_vsync", 0, screen_wait_vsync},
    {"screen_save", 1, screen_save},
    {"screen_save_part", 5, screen_save_part},
    {"draw_getpixel", 2, draw_getpixel},
    {"texture_exists", 1, texture_exists},
    {"texture_set_interpolation", 1, texture_set_interpolation},
    {"texture_set_blending", 1, texture_set_blending},
    {"texture_set_repeat", 1, texture_set_repeat},
    {"texture_get_width", 1, texture_get_width},
    {"texture_get_height", 1, texture_get_height},
    {"texture_preload", 1, texture_preload},
    {"texture_set_priority", 2, texture_set_priority},
};
}  // namespace

FunctionFamily GraphicsFunctions() { return kGraphicsFunctions; }
