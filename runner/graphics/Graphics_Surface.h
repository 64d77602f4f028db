// Surfaces: off-screen images the game draws into and then draws, copies, reads and saves like
// sprites. Each is a render-target texture of the texture table with a depth buffer of its own;
// none survives a reset of the device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gpu/Gpu.h"
#include "runner/base/Game.h"

class TBitmap32;

struct RSurface {
  int32_t tex = -1;  // texture id of the render target
  int32_t w = 0, h = 0;
  bool used = false;
  platform::gpu::DepthHandle pDepth = 0;
};

// The surface table and the drawing target: the surface drawn into (−1 the screen) and what
// the screen's target was while a surface is drawn into.
struct RSurfaceState {
  static constexpr EGameSlot kSlot = EGameSlot::Surfaces;
  std::vector<RSurface> surfaces;
  int32_t target = -1;
  bool saved = false;
  platform::gpu::TextureHandle savedTarget = platform::gpu::kBackBuffer;
  platform::gpu::DepthHandle savedDepth = 0;
};
inline RSurfaceState& SurfaceState() { return TheGame().State<RSurfaceState>(); }

// The size of a surface's depth buffer for one side: the power of two at least 4 that holds it.
int32_t Surface_DepthSide(int32_t side);

// A new surface id, or −1 when the device cannot make one of that size.
int32_t Surface_Create(int32_t w, int32_t h);
// Resets the target first when the surface is the target; nothing for an invalid id.
void Surface_Free(int32_t id);
bool Surface_Exists(int32_t id);
const RSurface* Surface_Get(int32_t id);  // null for an invalid id
int32_t Surface_Width(int32_t id);        // −1 for an invalid id
int32_t Surface_Height(int32_t id);
int32_t Surface_Texture(int32_t id);
// Drawing goes into the surface: viewport and 2D projection cover it. Another surface that
// was the target is reset first; the same one succeeds at once.
bool Surface_SetTarget(int32_t id);
// Drawing goes to the screen again, over the whole used area; false when no surface was the
// target.
bool Surface_ResetTarget();
int32_t Surface_Target();
// Every surface is gone (the device is reset, made anew or released).
void Surface_ForgetAll();

// The rectangle of the surface (clipped to it), alpha as drawn; false when nothing results.
bool Surface_Capture(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, TBitmap32& out);
// PNG (alpha kept) when the name ends in ".png" in any case, else a Windows bitmap; the file is
// replaced whole or not at all. An empty name reports its error.
void Surface_Save(int32_t id, const std::string& fname, int32_t x, int32_t y, int32_t w, int32_t h);
// 0xBBGGRR of one pixel; 0 outside the surface.
int32_t Surface_GetPixel(int32_t id, int32_t x, int32_t y);
// Copies the source rectangle to (x, y) of dest, both clipped; false when nothing was copied.
bool Surface_CopyPart(int32_t dest, int32_t x, int32_t y, int32_t source, int32_t xs, int32_t ys, int32_t ws,
                      int32_t hs);
