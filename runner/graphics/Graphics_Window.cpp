// Window state and layout, region placement and the mouse mappings. The attached window
// passes what is asked of it to the window system when it has a native window; otherwise the
// state is all there is.
#include "runner/graphics/Graphics_Window.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/display/Display.h"
#include "platform/window/Window.h"
#include "runner/base/Game.h"
#include "runner/graphics/Graphics_Display.h"

namespace {
// The window's state, the window it is applied to and the cursor position.
struct RWindowGameState {
  static constexpr EGameSlot kSlot = EGameSlot::Window;
  RWindowState state;
  platform::TWindow* window = nullptr;  // not owned: the shell's form
  int32_t mouseX = 0, mouseY = 0;       // the cursor's screen position
};
RWindowGameState& GameWindow() { return TheGame().State<RWindowGameState>(); }

int32_t Round(double v) {
  if (!(v > -2147483648.0 && v < 2147483647.0)) return 0;
  return static_cast<int32_t>(std::nearbyint(v));
}

bool ValidSlot(int32_t slot) { return slot >= 0 && slot < kViewSlots && ViewTable()[slot].used; }
const RViewRecord& Slot(int32_t slot) {
  static const RViewRecord kUnused;
  return slot >= 0 && slot < kViewSlots ? ViewTable()[slot] : kUnused;
}

void ApplyCursor() {
  platform::TWindow* window = Window_Attached();
  if (!window) return;
  using platform::ECursor;
  ECursor kind = ECursor::Arrow;
  switch (WindowState().cursor) {
    case -1: kind = ECursor::Hidden; break;
    case -3: kind = ECursor::Cross; break;
    case -4: kind = ECursor::IBeam; break;
    case -6: kind = ECursor::SizeNESW; break;
    case -7: kind = ECursor::SizeNS; break;
    case -8: kind = ECursor::SizeNWSE; break;
    case -9: kind = ECursor::SizeWE; break;
    case -11: kind = ECursor::Wait; break;
    case -18: kind = ECursor::No; break;
    case -19: kind = ECursor::WaitArrow; break;
    case -21: kind = ECursor::Hand; break;
    case -22: kind = ECursor::SizeAll; break;
    default: break;
  }
  window->SetCursor(kind);
}
}  // namespace

RWindowState& WindowState() { return GameWindow().state; }

void Window_Attach(platform::TWindow* window) {
  GameWindow().window = window;
  if (window) {
    WindowState().caption = window->Caption();
    // Frames reach the game window from the GPU, without a copy through memory.
    window->SetDeviceDrawn(true);
  }
  Window_Apply();
}

platform::TWindow* Window_Attached() { return GameWindow().window; }

int32_t ScreenWidth() { return platform::CurrentDisplayMode().width; }
int32_t ScreenHeight() { return platform::CurrentDisplayMode().height; }

int32_t ClampExtent(int32_t v, int32_t limit) { return std::clamp(v, 1, std::max(limit, 1)); }

void Window_Remember() {
  RWindowState& state = WindowState();
  platform::TWindow* window = Window_Attached();
  if (state.full_screen || state.updating || !window) return;
  const platform::WindowBounds b = window->Bounds();
  if (b.width <= 0 || b.height <= 0) return;  // never shown yet: the stored rectangle stands
  state.client_x = b.left;
  state.client_y = b.top;
  state.client_width = b.width;
  state.client_height = b.height;
  // Window positions and sizes here are those of the client area: no border to add.
  state.border_width = 0;
  state.border_height = 0;
}

void Window_Apply() {
  RWindowState& state = WindowState();
  state.updating = true;
  if (platform::TWindow* window = Window_Attached()) {
    if (state.full_screen) {
      window->SetBordered(false);
      window->SetBounds({0, 0, ScreenWidth(), ScreenHeight()});
      // A mode the game set is applied here, the only place a real mode change is possible.
      const platform::DisplayMode mode = platform::CurrentDisplayMode();
      if (mode == platform::DesktopDisplayMode())
        window->SetFullScreen({platform::FullScreen::Desktop});
      else
        window->SetFullScreen({platform::FullScreen::Mode, mode.width, mode.height, mode.frequency});
    } else {
      window->SetFullScreen({platform::FullScreen::Off});
      window->SetBordered(state.show_border);
      window->SetResizable(state.show_border && state.sizeable);
      window->SetBounds({state.client_x, state.client_y, state.client_width, state.client_height});
    }
    window->SetAlwaysOnTop(state.stay_on_top);
    int32_t mw = 0, mh = 0;
    Window_MinimumSize(mw, mh);
    window->SetMinimumSize(std::max(mw, 1), std::max(mh, 1));
  }
  state.updating = false;
}

void Window_SetFullScreen(bool on) {
  RWindowState& state = WindowState();
  if (on == state.full_screen) return;
  Window_Remember();
  state.full_screen = on;
  Window_Apply();
  Display_Repaint();
}

void Window_SetShowBorder(bool on) {
  Window_Remember();
  WindowState().show_border = on;
  Window_Apply();
}

// Caption buttons have no portable switch; the flag is kept and reported.
void Window_SetShowIcons(bool on) {
  Window_Remember();
  WindowState().show_icons = on;
  Window_Apply();
}

void Window_SetSizeable(bool on) {
  Window_Remember();
  WindowState().sizeable = on;
  Window_Apply();
}

void Window_SetStayOnTop(bool on) {
  WindowState().stay_on_top = on;
  if (platform::TWindow* window = Window_Attached()) window->SetAlwaysOnTop(on);
}

void Window_SetCaption(const std::string& caption) {
  WindowState().caption = caption;
  if (Window_Attached()) Window_Attached()->SetCaption(caption);
}

void Window_SetVisible(bool on) {
  WindowState().visible = on;
  if (!Window_Attached()) return;
  if (on) {
    Window_Attached()->Show();
    Window_Apply();  // the native window may be new
    ApplyCursor();
    Display_Repaint();
  } else {
    Window_Attached()->Hide();
  }
}

void Window_SetColor(int32_t color) {
  WindowState().color = color;
  Display_Repaint();
}

void Window_SetCursor(int32_t cursor) {
  WindowState().cursor = cursor;
  ApplyCursor();
}

void Window_SetPosition(int32_t x, int32_t y) {
  RWindowState& state = WindowState();
  Window_Remember();
  state.client_x = x;
  state.client_y = y;
  Window_Apply();
}

namespace {
// No window is larger than the display it is on.
int32_t ClientWidth(int32_t v) { return ClampExtent(v, ScreenWidth()); }
int32_t ClientHeight(int32_t v) { return ClampExtent(v, ScreenHeight()); }
}  // namespace

void Window_SetSize(int32_t w, int32_t h) {
  RWindowState& state = WindowState();
  Window_Remember();
  if (state.region_scale > 0) {
    w = std::max(w, Round(state.region_scale * state.region_width));
    h = std::max(h, Round(state.region_scale * state.region_height));
  }
  state.client_width = ClientWidth(w);
  state.client_height = ClientHeight(h);
  Window_Apply();
  Display_Repaint();
}

void Window_SetRectangle(int32_t x, int32_t y, int32_t w, int32_t h) {
  Window_SetPosition(x, y);
  Window_SetSize(w, h);
}

void Window_Center() {
  RWindowState& state = WindowState();
  Window_Remember();
  state.client_x = (ScreenWidth() - state.client_width) / 2;
  state.client_y = (ScreenHeight() - state.client_height) / 2;
  Window_Apply();
}

void Window_Default() {
  RWindowState& state = WindowState();
  int32_t w = state.region_width, h = state.region_height;
  if (state.region_scale > 0) {
    w = Round(w * state.region_scale);
    h = Round(h * state.region_scale);
  }
  Window_Remember();
  state.client_width = ClientWidth(w);
  state.client_height = ClientHeight(h);
  state.client_x = (ScreenWidth() - state.client_width) / 2;
  state.client_y = (ScreenHeight() - state.client_height) / 2;
  Window_Apply();
  Display_Repaint();
}

namespace {
void AdaptToRegion(bool adapt) {
  RWindowState& state = WindowState();
  if (state.region_scale > 0) {
    const int32_t tw = Round(state.region_width * state.region_scale);
    const int32_t th = Round(state.region_height * state.region_scale);
    Window_Remember();
    if (adapt) {
      state.client_width = ClientWidth(tw);
      state.client_height = ClientHeight(th);
    } else {
      state.client_width = ClientWidth(std::max(state.client_width, tw));
      state.client_height = ClientHeight(std::max(state.client_height, th));
    }
    Window_Apply();
  }
  Display_Repaint();
}
}  // namespace

void Window_SetRegionSize(int32_t w, int32_t h, bool adapt) {
  RWindowState& state = WindowState();
  if (w > 0) state.region_width = w;
  if (h > 0) state.region_height = h;
  AdaptToRegion(adapt);
}

void Window_SetRegionScale(double scale, bool adapt) {
  WindowState().region_scale = std::isfinite(scale) ? scale : 1.0;
  AdaptToRegion(adapt);
}

void Window_Resized(int32_t x, int32_t y, int32_t w, int32_t h) {
  RWindowState& state = WindowState();
  if (state.full_screen || state.updating) return;
  state.client_x = x;
  state.client_y = y;
  state.client_width = ClientWidth(w);
  state.client_height = ClientHeight(h);
  if (Window_Attached()) {
    state.updating = true;
    Window_Attached()->SetBounds({x, y, state.client_width, state.client_height});
    state.updating = false;
  }
  Display_Repaint();
}

void Window_MinimumSize(int32_t& w, int32_t& h) {
  RWindowState& state = WindowState();
  w = h = 0;
  if (state.region_scale <= 0) return;
  // A minimum beyond the display would grow the window past it.
  w = ClientWidth(Round(state.region_scale * state.region_width) + state.border_width);
  h = ClientHeight(Round(state.region_scale * state.region_height) + state.border_height);
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
  RWindowState& state = WindowState();
  const int32_t cw = state.full_screen ? ScreenWidth() : state.client_width;
  const int32_t ch = state.full_screen ? ScreenHeight() : state.client_height;
  return RegionPlacement(cw, ch, state.region_width, state.region_height, state.region_scale);
}

namespace {
void Client(int32_t& ox, int32_t& oy, int32_t& cw, int32_t& ch) {
  RWindowState& state = WindowState();
  if (state.full_screen) {
    ox = oy = 0;
    cw = ScreenWidth();
    ch = ScreenHeight();
  } else {
    ox = state.client_x;
    oy = state.client_y;
    cw = state.client_width;
    ch = state.client_height;
  }
}

double Factor(int32_t cw, int32_t ch) {
  RWindowState& state = WindowState();
  if (state.region_scale > 0) return state.region_scale;
  return std::min(static_cast<double>(cw) / std::max(state.region_width, 1),
                  static_cast<double>(ch) / std::max(state.region_height, 1));
}
}  // namespace

void WindowToRegion(int32_t a, int32_t b, int32_t& x, int32_t& y) {
  RWindowState& state = WindowState();
  int32_t ox, oy, cw, ch;
  Client(ox, oy, cw, ch);
  const int32_t rw = state.region_width, rh = state.region_height;
  if (state.region_scale == 0) {
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
  RWindowState& state = WindowState();
  int32_t ox, oy, cw, ch;
  Client(ox, oy, cw, ch);
  const int32_t rw = std::max(state.region_width, 1), rh = std::max(state.region_height, 1);
  if (state.region_scale == 0) {
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
  x = GameWindow().mouseX;
  y = GameWindow().mouseY;
}

void Mouse_SetScreen(int32_t x, int32_t y) {
  GameWindow().mouseX = x;
  GameWindow().mouseY = y;
  if (platform::TWindow* window = Window_Attached()) {
    int32_t ox, oy, cw, ch;
    Client(ox, oy, cw, ch);
    window->WarpMouse(x - ox, y - oy);
  }
}

void Mouse_Moved(int32_t windowX, int32_t windowY) {
  int32_t ox, oy, cw, ch;
  Client(ox, oy, cw, ch);
  GameWindow().mouseX = ox + windowX;
  GameWindow().mouseY = oy + windowY;
}

namespace {
void RegionMouse(int32_t& x, int32_t& y) {
  int32_t ox, oy, cw, ch;
  Client(ox, oy, cw, ch);
  WindowToRegion(GameWindow().mouseX - ox, GameWindow().mouseY - oy, x, y);
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
