// The display's side of the runtime hooks.
#include "runner/graphics/Graphics_Hooks.h"

#include <algorithm>

#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Window.h"
#include "runner/graphics/Room_Draw.h"
#include "runner/run/IO_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"

void RoomRegionSize(const CRoom& room, int32_t screenW, int32_t screenH, int32_t& w, int32_t& h) {
  w = room.r_width;
  h = room.r_height;
  if (room.r_enableviews) {
    w = h = 8;
    for (const CView& v : room.r_view) {
      if (!v.visible) continue;
      w = std::max(w, v.xport + v.wport);
      h = std::max(h, v.yport + v.hport);
    }
  }
  w = std::min(w, screenW);
  h = std::min(h, screenH);
}

namespace {
void AdaptRegion() {
  const CRoom* room = CurrentRoom();
  if (!room) return;
  int32_t w, h;
  RoomRegionSize(*room, ScreenWidth(), ScreenHeight(), w, h);
  if (w == WindowState().region_width && h == WindowState().region_height) return;
  Window_SetRegionSize(w, h, true);
  Window_Default();
  Display_SetUsedArea(w, h);
}

void ShowWindow() { Window_SetVisible(true); }
void ToggleFullScreen() { Window_SetFullScreen(!WindowState().full_screen); }
void SaveScreenshot(const char* file) {
  if (file) Display_SaveScreen(file, 0, 0, Display_UsedWidth(), Display_UsedHeight());
}
void SetCursorShown(bool visible) { Window_SetCursor(visible ? 0 : -1); }

// The input maps the cursor from client pixels into the region with the window's layout.
bool RegionLayout(RRegionLayout& layout) {
  const RWindowState& w = WindowState();
  layout.clientWidth = w.full_screen ? ScreenWidth() : w.client_width;
  layout.clientHeight = w.full_screen ? ScreenHeight() : w.client_height;
  layout.regionWidth = w.region_width;
  layout.regionHeight = w.region_height;
  layout.scale = w.region_scale;
  return true;
}
}  // namespace

void InstallDisplayHooks() {
  RRunHooks& h = RunHooks();
  h.windowActive = Display_WindowActive;
  h.showWindow = ShowWindow;
  h.adaptRegion = AdaptRegion;
  h.drawRoom = DrawRoomViews;
  h.presentFrame = Display_PresentFrame;
  h.toggleFullScreen = ToggleFullScreen;
  h.saveScreenshot = SaveScreenshot;
  h.setCursor = SetCursorShown;
  RunLookups().regionLayout = RegionLayout;
}
