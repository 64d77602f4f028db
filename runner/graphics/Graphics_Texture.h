// The texture table (integer texture ids, −1 none) and the textured-quad family every image
// draws through.
#pragma once

#include <cstdint>

#include "platform/gpu/Gpu.h"

class TBitmap32;

struct RTexture {
  platform::gpu::TextureHandle tex = 0;
  int32_t w = 0, h = 0;    // the image
  int32_t wt = 0, ht = 0;  // the texture created for it
  bool used = false;
};

// Emptied when the device is created.
void Texture_ClearTable();
int32_t Texture_Count();
const RTexture* Texture_Get(int32_t id);  // null when the id is not valid

// Id or −1. A slot is taken first and stays allocated (unused) when creation fails.
int32_t Texture_Create(int32_t w, int32_t h, bool renderTarget);
// Uploads a w × h block (row-major, top row first) for texture id, with the extra column and
// row that keep interpolated drawing inside the image.
bool Texture_LoadPixels(int32_t id, const uint32_t* pixels, int32_t w, int32_t h);
int32_t Texture_FromBitmap(const TBitmap32* bitmap);
// White pixels whose alpha is the byte (w × h bytes, row-major).
int32_t Texture_FromAlphaMap(int32_t w, int32_t h, const uint8_t* bytes);
void Texture_Free(int32_t id);
bool Texture_Exists(int32_t id);
double Texture_Width(int32_t id);   // w / wt; 1 when the id is not valid
double Texture_Height(int32_t id);  // h / ht
void Texture_Preload(int32_t id);
void Texture_SetPriority(int32_t id, int32_t priority);
void Texture_Bind(int32_t id);  // an invalid id unbinds
platform::gpu::TextureHandle Texture_Surface(int32_t id);  // 0 when not valid

// Game colour (0xBBGGRR) and alpha 0..1 to a vertex colour.
uint32_t QuadColor(int32_t col, double alpha);

// The depth quads are drawn at (the drawing depth of the primitives).
void SetTextureDrawDepth(double depth);
double TextureDrawDepth();

// The drawing family; angles in radians, alpha 0..1; nothing for an invalid id.
void Texture_Draw(int32_t id, double x, double y);
void Texture_DrawTransformed(int32_t id, int32_t col, double xorig, double yorig, double x, double y, double xscale,
                             double yscale, double angle, double alpha);
// A part of the texture (image pixels) drawn as Texture_DrawTransformed draws the whole image:
// about an origin within the part, scaled and turned.
void Texture_DrawPartTransformed(int32_t id, int32_t col, double left, double top, double width, double height,
                                 double xorig, double yorig, double x, double y, double xscale, double yscale,
                                 double angle, double alpha);
void Texture_DrawPart(int32_t id, int32_t col, double left, double top, double width, double height, double x,
                      double y, double xscale, double yscale, double angle, double alpha);
void Texture_DrawGeneral(int32_t id, double left, double top, double width, double height, double x, double y,
                         double xscale, double yscale, double angle, int32_t c1, int32_t c2, int32_t c3, int32_t c4,
                         double alpha);
void Texture_DrawTiled(int32_t id, int32_t col, double xorig, double yorig, double x, double y, double xscale,
                       double yscale, bool htiled, bool vtiled, double xr, double yr, double wr, double hr,
                       double alpha);
