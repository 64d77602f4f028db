// Window state and layout, region placement and the mouse mappings. Native window calls are
// made only when the attached window has an SDL window; otherwise the state is all there is.
#include "runner/graphics/Graphics_Window.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/display/Display.h"
#include "platform/window/Window.h"
#include "runner/graphics/Graphics_Display.h"

namespace {
RWindowState g_state;
platform::TWindow* g_window = nullptr;
int32_t g_mouseX = 0, g_mouseY = 0;

int32_t Round(double v) {
  if (!(v > -2147483648.0 && v < 2147483647.0)) return 0;
  return static_cast<int32_t>(std::nearbyint(v));
}

SDL_Window* Native() { return g_window ? g_window->NativeHandle() : nullptr; }

bool ValidSlot(int32_t slot) { return slot >= 0 && slot < kViewSlots && ViewTable()[slot].used; }
const RViewRecord& Slot(int32_t slot) {
  static const RViewRecord kUnused;
  return slot >= 0 && slot < kViewSlots ? ViewTable()[slot] : kUnused;
}

void ApplyCursor() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  if (g_state.cursor == -1) {
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  SDL_SystemCursor kind = SDL_SYSTEM_CURSOR_ARROW;
  switch (g_state.cursor) {
    case -3: kind = SDL_SYSTEM_CURSOR_CROSSHAIR; break;
    case -4: kind = SDL_SYSTEM_CURSOR_IBEAM; break;
    case -6: kind = SDL_SYSTEM_CURSOR_SIZENESW; break;
    case -7: kind = SDL_SYSTEM_CURSOR_SIZENS; break;
    case -8: kind = SDL_SYSTEM_CURSOR_SIZENWSE; break;
    case -9: kind = SDL_SYSTEM_CURSOR_SIZEWE; break;
    case -11: kind = SDL_SYSTEM_CURSOR_WAIT; break;
    case -18: kind = SDL_SYSTEM_CURSOR_NO; break;
    case -19: kind = SDL_SYSTEM_CURSOR_WAITARROW; break;
    case -21: kind = SDL_SYSTEM_CURSOR_HAND; break;
    case -22: kind = SDL_SYSTEM_CURSOR_SIZEALL; break;
    default: break;
  }
  static SDL_Cursor* cursors[SDL_NUM_SYSTEM_CURSORS] = {};
  if (!cursors[kind]) cursors[kind] = SDL_CreateSystemCursor(kind);
  if (cursors[kind]) SDL_SetCursor(cursors[kind]);
  SDL_ShowCursor(SDL_ENABLE);
}
}  // namespace

RWindowState& WindowState() { return g_state; }

void ResetWindowState() {
  g_state = RWindowState{};
  g_window = nullptr;
  ClearViewTable();
  g_mouseX = g_mouseY = 0;
}

void Window_Attach(platform::TWindow* window) {
  g_window = window;
  if (window) g_state.caption = window->Caption();
  Window_Apply();
}

platform::TWindow* Window_Attached() { return g_window; }

int32_t ScreenWidth() { return platform::CurrentDisplayMode().width; }
int32_t ScreenHeight() { return platform::CurrentDisplayMode().height; }

void Window_Remember() {
  if (g_state.full_screen || g_state.updating || !g_window) return;
  const platform::WindowBounds b = g_window->Bounds();
  if (b.width <= 0 || b.height <= 0) return;  // never shown yet: the stored rectangle stands
  g_state.client_x = b.left;
  g_state.client_y = b.top;
  g_state.client_width = b.width;
  g_state.client_height = b.height;
  // Window positions and sizes here are those of the client area: no border to add.
  g_state.border_width = 0;
  g_state.border_height = 0;
}

void Window_Apply() {
  g_state.updating = true;
  if (g_window) {
    SDL_Window* w = Native();
    if (g_state.full_screen) {
      g_window->SetBordered(false);
      g_window->SetBounds({0, 0, ScreenWidth(), ScreenHeight()});
      if (w) {
        // A mode the game set is applied here, the only place a real mode change is possible.
        const platform::DisplayMode mode = platform::CurrentDisplayMode();
        if (mode == platform::DesktopDisplayMode()) {
          SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
        } else {
          SDL_DisplayMode m{};
          m.w = mode.width;
          m.h = mode.height;
          m.refresh_rate = mode.frequency;
          SDL_SetWindowDisplayMode(w, &m);
          SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN);
        }
      }
    } else {
      if (w) SDL_SetWindowFullscreen(w, 0);
      g_window->SetBordered(g_state.show_border);
      if (w) {
        SDL_SetWindowBordered(w, g_state.show_border ? SDL_TRUE : SDL_FALSE);
        SDL_SetWindowResizable(w, g_state.show_border && g_state.sizeable ? SDL_TRUE : SDL_FALSE);
      }
      g_window->SetBounds({g_state.client_x, g_state.client_y, g_state.client_width, g_state.client_height});
    }
    if (w) {
      SDL_SetWindowAlwaysOnTop(w, g_state.stay_on_top ? SDL_TRUE : SDL_FALSE);
      int32_t mw = 0, mh = 0;
      Window_MinimumSize(mw, mh);
      SDL_SetWindowMinimumSize(w, std::max(mw, 1), std::max(mh, 1));
    }
  }
  g_state.updating = false;
}

void Window_SetFullScreen(bool on) {
  if (on == g_state.full_screen) return;
  Window_Remember();
  g_state.full_screen = on;
  Window_Apply();
  Display_Repaint();
}

void Window_SetShowBorder(bool on) {
  Window_Remember();
  g_state.show_border = on;
  Window_Apply();
}

// Caption buttons have no portable switch; the flag is kept and reported.
void Window_SetShowIcons(bool on) {
  Window_Remember();
  g_state.show_icons = on;
  Window_Apply();
}

void Window_SetSizeable(bool on) {
  Window_Remember();
  g_state.sizeable = on;
  Window_Apply();
}

void Window_SetStayOnTop(bool on) {
  g_state.stay_on_top = on;
  if (SDL_Window* w = Native()) SDL_SetWindowAlwaysOnTop(w, on ? SDL_TRUE : SDL_FALSE);
}

void Window_SetCaption(const std::string& caption) {
  g_state.caption = caption;
  if (g_window) g_window->SetCaption(caption);
}

void Window_SetVisible(bool on) {
  g_state.visible = on;
  if (!g_window) return;
  if (on) {
    g_window->Show();
    Window_Apply();  // the native window may be new
    ApplyCursor();
    Display_Repaint();
  } else {
    g_window->Hide();
  }
}

void Window_SetColor(int32_t color) {
  g_state.color = color;
  Display_Repaint();
}

void Window_SetCursor(int32_t cursor) {
  g_state.cursor = cursor;
  ApplyCursor();
}

void Window_SetPosition(int32_t x, int32_t y) {
  Window_Remember();
  g_state.client_x = x;
  g_state.client_y = y;
  Window_Apply();
}

void Window_SetSize(int32_t w, int32_t h) {
  Window_Remember();
  if (g_state.region_scale > 0) {
    w = std::max(w, Round(g_state.region_scale * g_state.region_width));
    h = std::max(h, Round(g_state.region_scale * g_state.region_height));
  }
  g_state.client_width = std::max(w, 1);
  g_state.client_height = std::max(h, 1);
  Window_Apply();
  Display_Repaint();
}

void Window_SetRectangle(int32_t x, int32_t y, int32_t w, int32_t h) {
  Window_SetPosition(x, y);
  Window_SetSize(w, h);
}

void Window_Center() {
  Window_Remember();
  g_state.client_x = (ScreenWidth() - g_state.client_width) / 2;
  g_state.client_y = (ScreenHeight() - g_state.client_height) / 2;
  Window_Apply();
}

void Window_Default() {
  int32_t w = g_state.region_width, h = g_state.region_height;
  if (g_state.region_scale > 0) {
    w = Round(w * g_state.region_scale);
    h = Round(h * g_state.region_scale);
  }
  Window_Remember();
  g_state.client_width = std::max(w, 1);
  g_state.client_height = std::max(h, 1);
  g_state.client_x = (ScreenWidth() - g_state.client_width) / 2;
  g_state.client_y = (ScreenHeight() - g_state.client_height) / 2;
  Window_Apply();
  Display_Repaint();
}

namespace {
void AdaptToRegion(bool adapt) {
  if (g_state.region_scale > 0) {
    const int32_t tw = Round(g_state.region_width * g_state.region_scale);
    const int32_t th = Round(g_state.region_height * g_state.region_scale);
    Window_Remember();
    if (adapt) {
      g_state.client_width = std::max(tw, 1);
      g_state.client_height = std::max(th, 1);
    } else {
      g_state.client_width = std::max(g_state.client_width, tw);
      g_state.client_height = std::max(g_state.client_height, th);
    }
    Window_Apply();
  }
  Display_Repaint();
}
}  // namespace

void Window_SetRegionSize(int32_t w, int32_t h, bool adapt) {
  if (w > 0) g_state.region_width = w;
  if (h > 0) g_state.region_height = h;
  AdaptToRegion(adapt);
}

void Window_SetRegionScale(double scale, bool adapt) {
  g_state.region_scale = std::isfinite(scale) ? scale : 1.0;
  AdaptToRegion(adapt);
}

void Window_Resized(int32_t x, int32_t y, int32_t w, int32_t h) {
  if (g_state.full_screen || g_state.updating) return;
  g_state.client_x = x;
  g_state.client_y = y;
  g_state.client_width = std::max(w, 1);
  g_state.client_height = std::max(h, 1);
  if (g_window) {
    g_state.updating = true;
    g_window->SetBounds({x, y, g_state.client_width, g_state.client_height});
    g_state.updating = false;
  }
  Display_Repaint();
}

void Window_MinimumSize(int32_t& w, int32_t& h) {
  w = h = 0;
  if (g_state.region_scale <= 0) return;
  w = Round(g_state.region_scale * g_state.region_width) + g_state.border_width;
  h = Round(g_state.region_scale * g_state.region_height) + g_state.border_height;
}

RPlacement RegionPlacement(int32_t cw, int32_t ch, int32_t rw, int32_t rh, double scale) {
  if (scale == 0) return {0, 0, cw, ch};
  double s = scale;
  if (scale < 0) s = std::min(static_cast<double>(cw) / std::max(rw, 1), static_cast<double>(ch) / std::max(rh, 1));
  RPlacement p;
  p.width = Round(rw * s);
  p.height = Round(rh * s);
  p.left = (cw - p.width) / 2;
  p.top = (ch - p.height) / 2;
  return p;
}

RPlacement RegionPlacement() {
  const int32_t cw = g_state.full_screen ? ScreenWidth() : g_state.client_width;
  const int32_t ch = g_state.full_screen ? ScreenHeight() : g_state.client_height;
  return RegionPlacement(cw, ch, g_state.region_width, g_state.region_height, g_state.region_scale);
}

namespace {
void Client(int32_t& ox, int32_t& oy, int32_t& cw, int32_t& ch) {
  if (g_state.full_screen) {
    ox = oy = 0;
    cw = ScreenWidth();
    ch = ScreenHeight();
  } else {
    ox = g_state.client_x;
    oy = g_state.client_y;
    cw = g_state.client_width;
    ch = g_state.client_height;
  }
}

double Factor(int32_t cw, int32_t ch) {
  if (g_state.region_scale > 0) return g_state.region_scale;
  return std::min(static_cast<double>(cw) / std::max(g_state.region_width, 1),
                  static_cast<double>(ch) / std::max(g_state.region_height, 1));
}
}  // namespace

void WindowToRegion(int32_t a, int32_t b, int32_t& x, int32_t& y) {
  int32_t ox, oy, cw, ch;
  Client(ox, oy, cw, ch);
  const int32_t rw = g_state.region_width, rh = g_state.region_height;
  if (g_state.region_scale == 0) {
    x = Round(static_cast<double>(a) * rw / std::max(cw, 1));
    y = Round(static_cast<double>(b) * rh / std::max(ch, 1));
    return;
  }
  const double s = Factor(cw, ch);
  if (s == 0) {
    x = y = 0;
    return;
  }
  const int32_t left = (cw - Round(rw * s)) / 2, top = (ch - Round(rh * s)) / 2;
  x = Round((a - left) / s);
  y = Round((b - top) / s);
}

void RegionToScreen(int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
  int32_t ox, oy, cw, ch;
  Client(ox, oy, cw, ch);
  const int32_t rw = std::max(g_state.region_width, 1), rh = std::max(g_state.region_height, 1);
  if (g_state.region_scale == 0) {
    sx = ox + Round(static_cast<double>(x) * cw / rw);
    sy = oy + Round(static_cast<double>(y) * ch / rh);
    return;
  }
  const double s = Factor(cw, ch);
  sx = ox + (cw / 2 - Round(rw * s) / 2) + Round(x * s);
  sy = oy + (ch / 2 - Round(rh * s) / 2) + Round(y * s);
}

void View_Record(int32_t slot, double xview, double yview, double wview, double hview, double xport, double yport,
                 double wport, double hport, double angle) {
  RecordView(slot, {true, xview, yview, wview, hview, xport, yport, wport, hport, angle});
}

void View_Clear(int32_t slot) { ClearView(slot); }

int32_t View_UsedCount() { return ViewTableUsed(); }

void View_RegionToRoom(int32_t slot, int32_t x, int32_t y, int32_t& rx, int32_t& ry) {
  RegionToRoomThroughView(Slot(slot), x, y, rx, ry);
}

bool View_CanMapFromRoom(int32_t slot) {
  return ValidSlot(slot) && Slot(slot).wview != 0 && Slot(slot).hview != 0;
}

void View_RoomToRegion(int32_t slot, double x, double y, int32_t& gx, int32_t& gy) {
  RoomToRegionThroughView(Slot(slot), x, y, gx, gy);
}

void Mouse_Screen(int32_t& x, int32_t& y) {
  x = g_mouseX;
  y = g_mouseY;
}

void Mouse_SetScreen(int32_t x, int32_t y) {
  g_mouseX = x;
  g_mouseY = y;
  if (SDL_Window* w = Native()) {
    int32_t ox, oy, cw, ch;
    Client(ox, oy, cw, ch);
    SDL_WarpMouseInWindow(w, x - ox, y - oy);
  }
}

void Mouse_Moved(int32_t windowX, int32_t windowY) {
  int32_t ox, oy, cw, ch;
  Client(ox, oy, cw, ch);
  g_mouseX = ox + windowX;
  g_mouseY = oy + windowY;
}

namespace {
void RegionMouse(int32_t& x, int32_t& y) {
  int32_t ox, oy, cw, ch;
  Client(ox, oy, cw, ch);
  WindowToRegion(g_mouseX - ox, g_mouseY - oy, x, y);
}
}  // namespace

void Mouse_Room(int32_t& x, int32_t& y) {
  int32_t gx, gy;
  RegionMouse(gx, gy);
  RegionToRoom(ViewTable(), gx, gy, x, y);
}

void Mouse_SetRoom(int32_t x, int32_t y) {
  int32_t gx = x, gy = y;
  for (int32_t slot = 0; slot < kViewSlots; ++slot)
    if (ViewTable()[slot].used) {
      View_RoomToRegion(slot, x, y, gx, gy);
      break;
    }
  int32_t sx, sy;
  RegionToScreen(gx, gy, sx, sy);
  Mouse_SetScreen(sx, sy);
}

void Mouse_ViewRoom(int32_t slot, int32_t& x, int32_t& y) {
  int32_t gx, gy;
  RegionMouse(gx, gy);
  View_RegionToRoom(slot, gx, gy, x, y);
}

void Mouse_SetViewRoom(int32_t slot, int32_t x, int32_t y) {
  if (!View_CanMapFromRoom(slot)) return;
  int32_t gx, gy, sx, sy;
  View_RoomToRegion(slot, x, y, gx, gy);
  RegionToScreen(gx, gy, sx, sy);
  Mouse_SetScreen(sx, sy);
}
