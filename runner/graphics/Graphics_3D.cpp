// 3D mode, the camera, the world transform and its stack, lights, the 3D primitive buffer and
// the ready-made shapes.
#include "runner/graphics/Graphics_3D.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "runner/base/Game.h"
#include "runner/graphics/Graphics_3D_Model.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Draw.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/graphics/GraphicsRecorder.h"

namespace gpu = platform::gpu;

namespace {
struct RScene3DState {
  static constexpr EGameSlot kSlot = EGameSlot::Scene3D;
  int32_t kind = 0;
  int32_t tex = -1;
  std::vector<RVertex3D> prim;
  std::vector<D3DMatrix> stack;  // the top is the last
  CGraphicsRecorder* recorder = nullptr;
  std::vector<std::unique_ptr<C3D_Model>> models;
};
RScene3DState& Scene() { return TheGame().State<RScene3DState>(); }

float F(double v) { return static_cast<float>(v); }
gpu::IDevice* Dev() { return D3DDevice(); }

gpu::Color4 LightColor(int32_t col) {
  const uint32_t c = static_cast<uint32_t>(col);
  return {static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
          static_cast<float>((c >> 16) & 0xFF) / 255.0f, 0.0f};
}

int32_t PrimitiveCount(int32_t kind, int32_t n) {
  switch (kind) {
    case 1: return n;
    case 2: return n / 2;
    case 3: return n - 1;
    case 4: return n / 3;
    case 5:
    case 6: return n - 2;
    default: return 0;
  }
}
}  // namespace

bool D3D_Mode() { return RenderStateCache().mode_3d; }

void D3D_Start() {
  RRenderStates& rs = RenderStateCache();
  if (rs.mode_3d) return;
  rs.mode_3d = true;
  rs.perspective = true;
  Display_SetHiddenSurface(true);
}

void D3D_End() {
  RRenderStates& rs = RenderStateCache();
  if (!rs.mode_3d) return;
  rs.mode_3d = false;
  rs.perspective = false;
  Display_SetHiddenSurface(false);
}

void D3D_SetPerspective(bool on) { RenderStateCache().perspective = on; }

void D3D_SetDepth(double depth) { SetTextureDrawDepth(D3D_Mode() ? std::clamp(depth, -16000.0, 16000.0) : 0.0); }

void D3D_SetProjection(const gpu::Vec3& from, const gpu::Vec3& to, const gpu::Vec3& up) {
  if (gpu::IDevice* d = Dev()) d->SetTransform(gpu::ETransform::View, MatrixLookAtLH(from, to, up));
}

void D3D_SetProjectionExt(const gpu::Vec3& from, const gpu::Vec3& to, const gpu::Vec3& up, double angle,
                          double aspect, double znear, double zfar) {
  gpu::IDevice* d = Dev();
  if (!d) return;
  d->SetTransform(gpu::ETransform::View, MatrixLookAtLH(from, to, up));
  d->SetTransform(gpu::ETransform::Projection,
                  MatrixPerspectiveFovLH(F(angle * kDegToRad), F(aspect), F(znear), F(zfar)));
}

void D3D_SetProjectionOrtho(double x, double y, double w, double h, double angle) {
  Display_SetOrthoProjection(x, y, w, h, angle);
}
void D3D_SetProjectionPerspective(double x, double y, double w, double h, double angle) {
  Display_SetPerspectiveProjection(x, y, w, h, angle);
}

D3DMatrix D3D_World() {
  const gpu::IDevice* d = Dev();
  return d ? d->GetTransform(gpu::ETransform::World) : D3DMatrix::Identity();
}
void D3D_TransformSet(const D3DMatrix& m) {
  if (gpu::IDevice* d = Dev()) d->SetTransform(gpu::ETransform::World, m);
}
void D3D_TransformAdd(const D3DMatrix& m) {
  if (gpu::IDevice* d = Dev()) d->SetTransform(gpu::ETransform::World, d->GetTransform(gpu::ETransform::World) * m);
}

void D3D_StackClear() { Scene().stack.clear(); }
bool D3D_StackEmpty() { return Scene().stack.empty(); }
int32_t D3D_StackSize() { return static_cast<int32_t>(Scene().stack.size()); }
bool D3D_StackPush() {
  std::vector<D3DMatrix>& s = Scene().stack;
  if (s.size() >= static_cast<size_t>(kTransformStackSize)) return false;
  s.push_back(D3D_World());
  return true;
}
bool D3D_StackPop() {
  std::vector<D3DMatrix>& s = Scene().stack;
  if (s.empty()) return false;
  D3D_TransformSet(s.back());
  s.pop_back();
  return true;
}
bool D3D_StackTop() {
  std::vector<D3DMatrix>& s = Scene().stack;
  if (s.empty()) return false;
  D3D_TransformSet(s.back());
  return true;
}
bool D3D_StackDiscard() {
  std::vector<D3DMatrix>& s = Scene().stack;
  if (s.empty()) return false;
  s.pop_back();
  return true;
}

void D3D_LightDefineAmbient(int32_t col) {
  gpu::IDevice* d = Dev();
  if (!d) return;
  gpu::Material m;
  m.diffuse = m.ambient = m.specular = {1, 1, 1, 1};
  m.emissive = {0, 0, 0, 0};
  m.power = 1;
  d->SetMaterial(m);
  const uint32_t c = static_cast<uint32_t>(col);
  gpu::RenderStates rs = d->GetRenderStates();
  rs.ambient = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  d->SetRenderStates(rs);
}

void D3D_LightDefineDirection(int32_t ind, double dx, double dy, double dz, int32_t col) {
  gpu::IDevice* d = Dev();
  if (!d) return;
  gpu::Light l;
  l.type = gpu::ELight::Directional;
  l.diffuse = LightColor(col);
  l.direction = {F(dx), F(dy), F(dz)};
  d->SetLight(ind, l);
}

void D3D_LightDefinePoint(int32_t ind, double x, double y, double z, double range, int32_t col) {
  gpu::IDevice* d = Dev();
  if (!d) return;
  gpu::Light l;
  l.type = gpu::ELight::Point;
  l.diffuse = LightColor(col);
  l.position = {F(x), F(y), F(z)};
  l.range = F(range);
  l.attenuation0 = 1.0f;
  l.attenuation1 = range > 0 ? F(4.0 / range) : 0.0f;
  l.attenuation2 = 0.0f;
  d->SetLight(ind, l);
}

void D3D_LightEnable(int32_t ind, bool on) {
  if (gpu::IDevice* d = Dev()) d->LightEnable(ind, on);
}

void D3D_PrimitiveBegin(int32_t kind, int32_t tex) {
  RScene3DState& s = Scene();
  s.kind = kind;
  s.tex = tex;
  s.prim.clear();
}

namespace {
void Add(const RVertex3D& v) {
  std::vector<RVertex3D>& p = Scene().prim;
  if (p.size() < static_cast<size_t>(kMax3DVertices)) p.push_back(v);
}
RVertex3D Make(double x, double y, double z, double nx, double ny, double nz, double u, double v, uint32_t c) {
  return RVertex3D{F(x), F(y), F(z), F(nx), F(ny), F(nz), c, F(u), F(v)};
}
uint32_t DrawingColor() { return Draw_DeviceColor() & ~1u; }
}  // namespace

void D3D_Vertex(double x, double y, double z, double nx, double ny, double nz, double u, double v) {
  Add(Make(x, y, z, nx, ny, nz, u, v, DrawingColor()));
}
void D3D_VertexColor(double x, double y, double z, double nx, double ny, double nz, double u, double v, int32_t col,
                     double alpha) {
  Add(Make(x, y, z, nx, ny, nz, u, v, QuadColor(col, alpha) | 1u));
}
int32_t D3D_PrimitiveVertexCount() { return static_cast<int32_t>(Scene().prim.size()); }

void D3D_PrimitiveEnd() {
  RScene3DState& s = Scene();
  const int32_t n = static_cast<int32_t>(s.prim.size());
  const int32_t prims = PrimitiveCount(s.kind, n);
  if (prims <= 0) return;
  if (s.recorder) {
    // Only whole primitives: a stray vertex of a list would shift every later one.
    const int32_t used = s.kind == 2 ? prims * 2 : s.kind == 4 ? prims * 3 : n;
    s.recorder->AddPrims(s.kind, used, s.prim.data());
    return;
  }
  gpu::IDevice* d = Dev();
  if (!d) return;
  Texture_Bind(s.tex);
  d->DrawPrimitiveUP(static_cast<gpu::EPrimitive>(s.kind), prims, gpu::EVertexFormat::NormalTextured, s.prim.data(),
                     s.prim.size() * sizeof(RVertex3D));
  Texture_Bind(-1);
}

void D3D_SetRecorder(CGraphicsRecorder* recorder) { Scene().recorder = recorder; }

// The shapes. Each is drawn as primitives through the buffer (so a model records them), in the
// drawing colour, with texture repeat on for the time of the drawing.
namespace {
constexpr int32_t kFan = 6, kStrip = 5;

class RepeatOn {
 public:
  RepeatOn() : saved_(RenderStateCache().repeat) { Display_SetRepeat(true); }
  ~RepeatOn() { Display_SetRepeat(saved_); }
  RepeatOn(const RepeatOn&) = delete;
  RepeatOn& operator=(const RepeatOn&) = delete;

 private:
  bool saved_;
};

struct Circle {
  int32_t steps;
  std::vector<double> c, s;
  explicit Circle(int32_t n) : steps(std::clamp(n, 3, 128)) {
    for (int32_t i = 0; i <= steps; ++i) {
      const double a = 2.0 * std::numbers::pi * i / steps;
      c.push_back(std::cos(a));
      s.push_back(std::sin(a));
    }
  }
};

void V(double x, double y, double z, double nx, double ny, double nz, double u, double v) {
  D3D_Vertex(x, y, z, nx, ny, nz, u, v);
}

// The closing fan at z1 of cylinders and cones: the rim in reverse order, facing down.
void BottomCap(const Circle& k, double xc, double yc, double rx, double ry, double z1, int32_t tex) {
  D3D_PrimitiveBegin(kFan, tex);
  V(xc, yc, z1, 0, 0, -1, 0, 0);
  for (int32_t i = k.steps; i >= 0; --i) V(xc + rx * k.c[i], yc + ry * k.s[i], z1, 0, 0, -1, 0, 0);
  D3D_PrimitiveEnd();
}
}  // namespace

void D3D_DrawBlock(double x1, double y1, double z1, double x2, double y2, double z2, int32_t tex, double hr,
                   double vr) {
  RepeatOn repeat;
  auto face = [&](auto&& put) {
    D3D_PrimitiveBegin(kFan, tex);
    put();
    D3D_PrimitiveEnd();
  };
  face([&] {
    V(x1, y1, z1, 0, 0, -1, 0, 0), V(x1, y2, z1, 0, 0, -1, 0, vr), V(x2, y2, z1, 0, 0, -1, hr, vr),
        V(x2, y1, z1, 0, 0, -1, hr, 0);
  });
  face([&] {
    V(x1, y1, z2, 0, 0, 1, 0, 0), V(x2, y1, z2, 0, 0, 1, hr, 0), V(x2, y2, z2, 0, 0, 1, hr, vr),
        V(x1, y2, z2, 0, 0, 1, 0, vr);
  });
  face([&] {
    V(x1, y2, z1, 0, 1, 0, 0, 0), V(x1, y2, z2, 0, 1, 0, 0, vr), V(x2, y2, z2, 0, 1, 0, hr, vr),
        V(x2, y2, z1, 0, 1, 0, hr, 0);
  });
  face([&] {
    V(x2, y2, z1, 1, 0, 0, 0, 0), V(x2, y2, z2, 1, 0, 0, 0, vr), V(x2, y1, z2, 1, 0, 0, hr, vr),
        V(x2, y1, z1, 1, 0, 0, hr, 0);
  });
  face([&] {
    V(x2, y1, z1, 0, -1, 0, 0, 0), V(x2, y1, z2, 0, -1, 0, 0, vr), V(x1, y1, z2, 0, -1, 0, hr, vr),
        V(x1, y1, z1, 0, -1, 0, hr, 0);
  });
  face([&] {
    V(x1, y1, z1, -1, 0, 0, 0, 0), V(x1, y1, z2, -1, 0, 0, 0, vr), V(x1, y2, z2, -1, 0, 0, hr, vr),
        V(x1, y2, z1, -1, 0, 0, hr, 0);
  });
}

void D3D_DrawCylinder(double x1, double y1, double z1, double x2, double y2, double z2, int32_t tex, double hr,
                      double vr, bool closed, int32_t steps) {
  RepeatOn repeat;
  const Circle k(steps);
  const double xc = (x1 + x2) / 2, yc = (y1 + y2) / 2, rx = (x2 - x1) / 2, ry = (y2 - y1) / 2;
  if (closed) {
    D3D_PrimitiveBegin(kFan, tex);
    V(xc, yc, z2, 0, 0, 1, 0, vr);
    for (int32_t i = 0; i <= k.steps; ++i) V(xc + rx * k.c[i], yc + ry * k.s[i], z2, 0, 0, 1, 0, vr);
    D3D_PrimitiveEnd();
  }
  D3D_PrimitiveBegin(kStrip, tex);
  for (int32_t i = 0; i <= k.steps; ++i) {
    const double px = xc + rx * k.c[i], py = yc + ry * k.s[i], u = i * hr / k.steps;
    V(px, py, z2, k.c[i], k.s[i], 0, u, vr);
    V(px, py, z1, k.c[i], k.s[i], 0, u, 0);
  }
  D3D_PrimitiveEnd();
  if (closed) BottomCap(k, xc, yc, rx, ry, z1, tex);
}

void D3D_DrawCone(double x1, double y1, double z1, double x2, double y2, double z2, int32_t tex, double hr, double vr,
                  bool closed, int32_t steps) {
  RepeatOn repeat;
  const Circle k(steps);
  const double xc = (x1 + x2) / 2, yc = (y1 + y2) / 2, rx = (x2 - x1) / 2, ry = (y2 - y1) / 2;
  D3D_PrimitiveBegin(kStrip, tex);
  for (int32_t i = 0; i <= k.steps; ++i) {
    const double u = i * hr / k.steps;
    V(xc, yc, z2, 0, 0, 1, u, vr);
    V(xc + rx * k.c[i], yc + ry * k.s[i], z1, k.c[i], k.s[i], 0, u, 0);
  }
  D3D_PrimitiveEnd();
  if (closed) BottomCap(k, xc, yc, rx, ry, z1, tex);
}

void D3D_DrawEllipsoid(double x1, double y1, double z1, double x2, double y2, double z2, int32_t tex, double hr,
                       double vr, int32_t steps) {
  RepeatOn repeat;
  const Circle k(steps);
  const double xc = (x1 + x2) / 2, yc = (y1 + y2) / 2, zc = (z1 + z2) / 2;
  const double rx = (x2 - x1) / 2, ry = (y2 - y1) / 2, rz = (z2 - z1) / 2;
  const int32_t bands = (k.steps + 1) / 2;
  for (int32_t r = 0; r < bands; ++r) {
    const double a = r * std::numbers::pi / bands, a2 = (r + 1) * std::numbers::pi / bands;
    D3D_PrimitiveBegin(kStrip, tex);
    for (int32_t i = 0; i <= k.steps; ++i) {
      const double u = i * hr / k.steps;
      const double sa = std::sin(a), ca = std::cos(a), sb = std::sin(a2), cb = std::cos(a2);
      V(xc + rx * sa * k.c[i], yc + ry * sa * k.s[i], zc + rz * ca, sa * k.c[i], sa * k.s[i], ca, u, r * vr / bands);
      V(xc + rx * sb * k.c[i], yc + ry * sb * k.s[i], zc + rz * cb, sb * k.c[i], sb * k.s[i], cb, u,
        (r + 1) * vr / bands);
    }
    D3D_PrimitiveEnd();
  }
}

void D3D_DrawWall(double x1, double y1, double z1, double x2, double y2, double z2, int32_t tex, double hr,
                  double vr) {
  const double len = std::sqrt((x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1));
  if (len == 0) return;
  RepeatOn repeat;
  const double nx = (y2 - y1) / len, ny = -(x2 - x1) / len;
  D3D_PrimitiveBegin(kFan, tex);
  V(x1, y1, z1, nx, ny, 0, 0, 0);
  V(x2, y2, z1, nx, ny, 0, hr, 0);
  V(x2, y2, z2, nx, ny, 0, hr, vr);
  V(x1, y1, z2, nx, ny, 0, 0, vr);
  D3D_PrimitiveEnd();
}

void D3D_DrawFloor(double x1, double y1, double z1, double x2, double y2, double z2, int32_t tex, double hr,
                   double vr) {
  RepeatOn repeat;
  D3D_PrimitiveBegin(kFan, tex);
  V(x1, y1, z1, 0, 0, 1, 0, 0);
  V(x1, y2, z1, 0, 0, 1, 0, vr);
  V(x2, y2, z2, 0, 0, 1, hr, vr);
  V(x2, y1, z2, 0, 0, 1, hr, 0);
  D3D_PrimitiveEnd();
}

// The model table lives with the rest of the 3D state, so models (and their device buffers)
// go before the device.
int32_t D3D_ModelCreate() {
  auto& models = Scene().models;
  auto it = std::find(models.begin(), models.end(), nullptr);
  if (it == models.end()) {
    models.push_back(nullptr);
    it = models.end() - 1;
  }
  *it = std::make_unique<C3D_Model>();
  return static_cast<int32_t>(it - models.begin());
}

void D3D_ModelDestroy(int32_t id) {
  auto& models = Scene().models;
  if (id >= 0 && static_cast<size_t>(id) < models.size()) models[static_cast<size_t>(id)].reset();
}

C3D_Model* D3D_Model(int32_t id) {
  auto& models = Scene().models;
  return id >= 0 && static_cast<size_t>(id) < models.size() ? models[static_cast<size_t>(id)].get() : nullptr;
}
