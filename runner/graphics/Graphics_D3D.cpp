// The game's device and the matrix and texture-size helpers.
#include "runner/graphics/Graphics_D3D.h"

#include <algorithm>
#include <cmath>

#include "runner/base/Game.h"

using platform::gpu::Vec3;

namespace {
// The game's device. Its own slot, the lowest of the graphics, so everything made on it
// (textures, the images and fonts that hold them) goes first.
struct RDeviceState {
  static constexpr EGameSlot kSlot = EGameSlot::Device;
  std::unique_ptr<platform::gpu::IDevice> device;
};
RDeviceState& DeviceState() { return TheGame().State<RDeviceState>(); }

Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalize(const Vec3& a) {
  const float l = std::sqrt(Dot(a, a));
  return l > 0.0f ? Vec3{a.x / l, a.y / l, a.z / l} : a;
}
}  // namespace

platform::gpu::IDevice* D3DDevice() { return DeviceState().device.get(); }
void SetD3DDevice(std::unique_ptr<platform::gpu::IDevice> device) { DeviceState().device = std::move(device); }

D3DMatrix MatrixScaling(float sx, float sy, float sz) {
  D3DMatrix m = D3DMatrix::Identity();
  m.m[0][0] = sx;
  m.m[1][1] = sy;
  m.m[2][2] = sz;
  return m;
}

D3DMatrix MatrixTranslation(float x, float y, float z) {
  D3DMatrix m = D3DMatrix::Identity();
  m.m[3][0] = x;
  m.m[3][1] = y;
  m.m[3][2] = z;
  return m;
}

D3DMatrix MatrixRotationX(float a) {
  D3DMatrix m = D3DMatrix::Identity();
  const float c = std::cos(a), s = std::sin(a);
  m.m[1][1] = c, m.m[1][2] = s, m.m[2][1] = -s, m.m[2][2] = c;
  return m;
}

D3DMatrix MatrixRotationY(float a) {
  D3DMatrix m = D3DMatrix::Identity();
  const float c = std::cos(a), s = std::sin(a);
  m.m[0][0] = c, m.m[0][2] = -s, m.m[2][0] = s, m.m[2][2] = c;
  return m;
}

D3DMatrix MatrixRotationZ(float a) {
  D3DMatrix m = D3DMatrix::Identity();
  const float c = std::cos(a), s = std::sin(a);
  m.m[0][0] = c, m.m[0][1] = s, m.m[1][0] = -s, m.m[1][1] = c;
  return m;
}

D3DMatrix MatrixRotationAxis(float x, float y, float z, float a) {
  const Vec3 v = Normalize({x, y, z});
  const float c = std::cos(a), s = std::sin(a), t = 1.0f - c;
  D3DMatrix m = D3DMatrix::Identity();
  m.m[0][0] = t * v.x * v.x + c;
  m.m[0][1] = t * v.x * v.y + s * v.z;
  m.m[0][2] = t * v.x * v.z - s * v.y;
  m.m[1][0] = t * v.x * v.y - s * v.z;
  m.m[1][1] = t * v.y * v.y + c;
  m.m[1][2] = t * v.y * v.z + s * v.x;
  m.m[2][0] = t * v.x * v.z + s * v.y;
  m.m[2][1] = t * v.y * v.z - s * v.x;
  m.m[2][2] = t * v.z * v.z + c;
  return m;
}

D3DMatrix MatrixMultiply(const D3DMatrix& a, const D3DMatrix& b) { return a * b; }

D3DMatrix MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up) {
  const Vec3 z = Normalize(Sub(at, eye));
  const Vec3 x = Normalize(Cross(up, z));
  const Vec3 y = Cross(z, x);
  D3DMatrix m = D3DMatrix::Identity();
  m.m[0][0] = x.x, m.m[1][0] = x.y, m.m[2][0] = x.z;
  m.m[0][1] = y.x, m.m[1][1] = y.y, m.m[2][1] = y.z;
  m.m[0][2] = z.x, m.m[1][2] = z.y, m.m[2][2] = z.z;
  m.m[3][0] = -Dot(x, eye);
  m.m[3][1] = -Dot(y, eye);
  m.m[3][2] = -Dot(z, eye);
  return m;
}

D3DMatrix MatrixPerspectiveFovLH(float fovy, float aspect, float zn, float zf) {
  const float ys = 1.0f / std::tan(fovy / 2.0f);
  D3DMatrix m;
  m.m[0][0] = ys / aspect;
  m.m[1][1] = ys;
  m.m[2][2] = zf / (zf - zn);
  m.m[2][3] = 1.0f;
  m.m[3][2] = -zn * zf / (zf - zn);
  return m;
}

D3DMatrix MatrixPerspectiveLH(float w, float h, float zn, float zf) {
  D3DMatrix m;
  m.m[0][0] = 2.0f * zn / w;
  m.m[1][1] = 2.0f * zn / h;
  m.m[2][2] = zf / (zf - zn);
  m.m[2][3] = 1.0f;
  m.m[3][2] = zn * zf / (zn - zf);
  return m;
}

D3DMatrix MatrixOrthoLH(float w, float h, float zn, float zf) {
  D3DMatrix m;
  m.m[0][0] = 2.0f / w;
  m.m[1][1] = 2.0f / h;
  m.m[2][2] = 1.0f / (zf - zn);
  m.m[3][2] = zn / (zn - zf);
  m.m[3][3] = 1.0f;
  return m;
}

bool CheckTextureRequirements(const platform::gpu::DeviceCaps& caps, int32_t& w, int32_t& h) {
  if (w <= 0 || h <= 0) return false;
  auto fit = [&](int32_t v) {
    if (caps.powerOfTwoTextures) {
      int32_t p = 1;
      while (p < v && p < caps.maxTextureSize) p *= 2;
      v = p;
    }
    return std::min(v, caps.maxTextureSize);
  };
  w = fit(w);
  h = fit(h);
  return true;
}
