// The display, the device and the frame: the start-up display sequence, device creation and
// reset, the cached render states, the 2D projection, presenting the region into the game
// window, screen capture and screenshots, and display modes.
#pragma once

#include <cstdint>
#include <string>

#include "runner/base/BM32_Bitmap.h"

namespace platform {
class TWindow;
}

// The render-state cache.
struct RRenderStates {
  bool lighting = false;
  bool culling = false;
  bool interpolation = true;
  bool color_blending = true;
  bool repeat = false;
  bool hidden_surface = true;
  bool perspective = true;
  bool smooth_shading = true;
  bool fog_enabled = false;
  int32_t fog_color = 0;
  double fog_start = 0.0, fog_end = 1.0;
  int32_t src_blend = 5, dest_blend = 6;  // source alpha, inverse source alpha
  bool vsync = false;
  bool mode_3d = false;
};
RRenderStates& RenderStateCache();

// The start-up display sequence (settings → display mode → window → device → textures of the
// sprites, backgrounds and fonts → first frame). False when the start-up must fail (its message
// has been shown).
bool SetupGameDisplay(platform::TWindow* window);
// The display's part of the game's shutdown once SetupGameDisplay succeeded: releases the
// device and gives the screen back its own mode.
void ShutdownDisplay();

bool Display_CreateDevice(int32_t maxWidth, int32_t maxHeight, bool vsync);
void Display_ReleaseDevice();
bool Display_ResetDevice();
void Display_BeginFrame();
void Display_EndAndPresent();  // waits for the vertical blank first when synchronisation is on
// Waits until the next refresh of the display (screen_wait_vsync, transitions).
void Display_WaitVBlank();
void Display_Represent();
// Repaint: the bands around the region and the region itself (also without a device).
void Display_Repaint();
// The main loop's frame boundary: end, present, act on a pending reset, begin the next frame.
void Display_PresentFrame();
// display_reset: 2, 4, 8 select multisampling, anything else none; applied at the next frame.
void Display_ScheduleReset(int32_t antialias);
bool Display_ResetPending();
uint32_t Display_AntialiasMask();

int32_t Display_UsedWidth();
int32_t Display_UsedHeight();
void Display_SetUsedArea(int32_t w, int32_t h);
void Display_SetViewport(int32_t x, int32_t y, int32_t w, int32_t h);
void Display_Set2DProjection(double x, double y, double w, double h, double angle);
// Its two cases whatever the mode (the 3D projection functions choose).
void Display_SetOrthoProjection(double x, double y, double w, double h, double angle);
void Display_SetPerspectiveProjection(double x, double y, double w, double h, double angle);

// Render-state setters: store, and set on the device when there is one.
void Display_SetLighting(bool on);
void Display_SetCulling(bool on);
void Display_SetInterpolation(bool on);
void Display_SetColorBlending(bool on);
void Display_SetRepeat(bool on);
void Display_SetHiddenSurface(bool on);
void Display_SetShading(bool smooth);
void Display_SetFog(bool on, int32_t color, double start, double end);
void Display_SetBlendFactors(int32_t src, int32_t dest);
void Display_SetBlendMode(int32_t mode);
void Display_SetVSync(bool on);
void Display_ApplyAllStates();

// The region part (region coordinates, clipped to the used area) as a bitmap; false when
// nothing results. Alpha comes out 255.
bool Display_Capture(int32_t x, int32_t y, int32_t w, int32_t h, TBitmap32& out);
// Saves a captured part: PNG when the name ends in ".png" (any case), else a BMP file. Writing
// errors are swallowed; an empty name reports its error.
void Display_SaveScreen(const std::string& fname, int32_t x, int32_t y, int32_t w, int32_t h);
// The colour of the back-buffer pixel under a region position, 0 outside the used area.
int32_t Display_GetPixel(int32_t x, int32_t y);

// Display modes of the built-in functions; each successful change resets the device.
bool Display_SetMode(int32_t w, int32_t h, int32_t frequency, int32_t depth);
bool Display_TestMode(int32_t w, int32_t h, int32_t frequency, int32_t depth);
int32_t Display_ColorDepth();
int32_t Display_Frequency();

// Window-system events for the game window (resize, expose, focus, motion).
void Display_InstallEventHandler();
bool Display_WindowActive();
