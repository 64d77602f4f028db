// 3D mode and what draws in it: the projections, the world transform and its stack, lights,
// the 3D primitive buffer and the ready-made shapes (block, cylinder, cone, ellipsoid, wall,
// floor). Everything here acts on the device's states and does nothing without a device, except
// the mode flags, the stack and the buffer, which are kept in the game's 3D state.
#pragma once

#include <cstdint>

#include "runner/graphics/Graphics_D3D.h"

class CGraphicsRecorder;

// A vertex as the device's NormalTextured format lays it out. The lowest bit of the colour
// tells where it came from: 0 the drawing colour, 1 a colour given with the vertex (models
// recolour only the former).
struct RVertex3D {
  float x = 0, y = 0, z = 0;
  float nx = 0, ny = 0, nz = 0;
  uint32_t color = 0;
  float u = 0, v = 0;
};
static_assert(sizeof(RVertex3D) == 36);

inline constexpr int32_t kMax3DVertices = 32001;
inline constexpr int32_t kTransformStackSize = 1001;

// Mode.
bool D3D_Mode();
void D3D_Start();
void D3D_End();
void D3D_SetPerspective(bool on);
// The depth 2D drawing gets: limited to −16000..16000 in 3D mode, 0 outside it.
void D3D_SetDepth(double depth);

// Camera and projection; angles in degrees.
void D3D_SetProjection(const platform::gpu::Vec3& from, const platform::gpu::Vec3& to, const platform::gpu::Vec3& up);
void D3D_SetProjectionExt(const platform::gpu::Vec3& from, const platform::gpu::Vec3& to,
                          const platform::gpu::Vec3& up, double angle, double aspect, double znear, double zfar);
void D3D_SetProjectionOrtho(double x, double y, double w, double h, double angle);
void D3D_SetProjectionPerspective(double x, double y, double w, double h, double angle);

// The world transform: set replaces it, add applies m after it (world × m). Identity without
// a device.
D3DMatrix D3D_World();
void D3D_TransformSet(const D3DMatrix& m);
void D3D_TransformAdd(const D3DMatrix& m);
// The game gives angles in degrees; the matrix helpers take radians.
inline constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

void D3D_StackClear();
bool D3D_StackEmpty();
bool D3D_StackPush();     // false when full
bool D3D_StackPop();      // false when empty
bool D3D_StackTop();      // false when empty
bool D3D_StackDiscard();  // false when empty
int32_t D3D_StackSize();

// Lights; colours are game colours (0xBBGGRR).
void D3D_LightDefineAmbient(int32_t col);
void D3D_LightDefineDirection(int32_t ind, double dx, double dy, double dz, int32_t col);
void D3D_LightDefinePoint(int32_t ind, double x, double y, double z, double range, int32_t col);
void D3D_LightEnable(int32_t ind, bool on);

// The primitive buffer: kinds 1..6 (point list … triangle fan), texture −1 for none.
void D3D_PrimitiveBegin(int32_t kind, int32_t tex);
// A vertex in the drawing colour and alpha.
void D3D_Vertex(double x, double y, double z, double nx, double ny, double nz, double u, double v);
// A vertex with its own colour (game colour) and alpha (0..1).
void D3D_VertexColor(double x, double y, double z, double nx, double ny, double nz, double u, double v, int32_t col,
                     double alpha);
int32_t D3D_PrimitiveVertexCount();
void D3D_PrimitiveEnd();

// While a recorder is set, primitive ends go to it instead of the device.
void D3D_SetRecorder(CGraphicsRecorder* recorder);

// Shapes: the texture repeats hrepeat × vrepeat times; steps are limited to 3..128.
void D3D_DrawBlock(double x1, double y1, double z1, double x2, double y2, double z2, int32_t tex, double hrepeat,
                   double vrepeat);
void D3D_DrawCylinder(double x1, double y1, double z1, double x2, double y2, double z2, int32_t tex, double hrepeat,
                      double vrepeat, bool closed, int32_t steps);
void D3D_DrawCone(double x1, double y1, double z1, double x2, double y2, double z2, int32_t tex, double hrepeat,
                  double vrepeat, bool closed, int32_t steps);
void D3D_DrawEllipsoid(double x1, double y1, double z1, double x2, double y2, double z2, int32_t tex, double hrepeat,
                       double vrepeat, int32_t steps);
void D3D_DrawWall(double x1, double y1, double z1, double x2, double y2, double z2, int32_t tex, double hrepeat,
                  double vrepeat);
void D3D_DrawFloor(double x1, double y1, double z1, double x2, double y2, double z2, int32_t tex, double hrepeat,
                   double vrepeat);
