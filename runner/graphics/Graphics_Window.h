// The game window: its state (full screen, border, icons, sizeable, client rectangle), the
// drawing region with its scale and its placement in the client area, the view transforms
// of the last drawn frame, and the mouse mappings between screen, window, region and room.
#pragma once

#include <cstdint>
#include <string>

#include "runner/run/IO_Main.h"

namespace platform {
class TWindow;
}

struct RWindowState {
  bool full_screen = false;
  bool show_border = true;
  bool show_icons = true;
  bool sizeable = true;
  bool stay_on_top = false;
  int32_t client_x = 100, client_y = 100;
  int32_t client_width = 640, client_height = 480;
  int32_t border_width = 0, border_height = 0;
  int32_t region_width = 640, region_height = 480;
  double region_scale = 1.0;
  bool updating = false;
  int32_t color = 0;    // game colour of the bands around the region
  int32_t cursor = 0;   // cursor constant; -1 none
  bool visible = false;
  std::string caption;
};
RWindowState& WindowState();

// The window the state is applied to (none: the state is kept only).
void Window_Attach(platform::TWindow* window);
platform::TWindow* Window_Attached();

// Layout: remember the client rectangle (unless full screen or updating), apply the stored one.
void Window_Remember();
void Window_Apply();

void Window_SetFullScreen(bool on);
void Window_SetShowBorder(bool on);
void Window_SetShowIcons(bool on);
void Window_SetSizeable(bool on);
void Window_SetStayOnTop(bool on);
void Window_SetCaption(const std::string& caption);
void Window_SetVisible(bool on);
void Window_SetColor(int32_t color);
void Window_SetCursor(int32_t cursor);
void Window_SetPosition(int32_t x, int32_t y);
void Window_SetSize(int32_t w, int32_t h);
void Window_SetRectangle(int32_t x, int32_t y, int32_t w, int32_t h);
void Window_Center();
void Window_Default();
void Window_SetRegionSize(int32_t w, int32_t h, bool adapt);
void Window_SetRegionScale(double scale, bool adapt);
// The user resized or moved the window to this client rectangle.
void Window_Resized(int32_t x, int32_t y, int32_t w, int32_t h);
// The smallest client size the user may resize to (0 × 0 without a fixed scale).
void Window_MinimumSize(int32_t& w, int32_t& h);

// The screen the window is on.
int32_t ScreenWidth();
int32_t ScreenHeight();

// The one bound on sizes a game can ask for: at least 1 and at most `limit`, which is the
// display's extent for the window and the device's largest texture for the back buffer and a
// presented frame. A huge settings scale or window_set_size then costs no more memory than
// the screen or the device can hold.
int32_t ClampExtent(int32_t v, int32_t limit);

// Where the region shows in a cw × ch client area.
struct RPlacement {
  int32_t left = 0, top = 0, width = 0, height = 0;
};
RPlacement RegionPlacement(int32_t cw, int32_t ch, int32_t rw, int32_t rh, double scale);
RPlacement RegionPlacement();  // for the current window state

// Mouse position mappings. Screen positions are absolute; (a, b) below is screen − client origin.
void WindowToRegion(int32_t a, int32_t b, int32_t& x, int32_t& y);
void RegionToScreen(int32_t x, int32_t y, int32_t& sx, int32_t& sy);

// The view transform table of the input (ViewTable), by slot.
void View_Record(int32_t slot, double xview, double yview, double wview, double hview, double xport, double yport,
                 double wport, double hport, double angle);
void View_Clear(int32_t slot);
int32_t View_UsedCount();
// Region → room through a slot; unmapped when the slot cannot map.
void View_RegionToRoom(int32_t slot, int32_t x, int32_t y, int32_t& rx, int32_t& ry);
// Room → region through a slot; the room position itself when the slot cannot map.
void View_RoomToRegion(int32_t slot, double x, double y, int32_t& gx, int32_t& gy);
bool View_CanMapFromRoom(int32_t slot);

// The cursor: screen position, as seen from window events or set by the game.
void Mouse_Screen(int32_t& x, int32_t& y);
void Mouse_SetScreen(int32_t x, int32_t y);
void Mouse_Moved(int32_t windowX, int32_t windowY);  // a motion event, client coordinates
// The game's mouse through the views.
void Mouse_Room(int32_t& x, int32_t& y);
void Mouse_SetRoom(int32_t x, int32_t y);
void Mouse_ViewRoom(int32_t slot, int32_t& x, int32_t& y);
void Mouse_SetViewRoom(int32_t slot, int32_t x, int32_t y);
