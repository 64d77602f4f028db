// Shared device state, matrix arithmetic and vertex-count rules.
#include "platform/gpu/DeviceBase.h"

#include <memory>
#include <utility>

namespace platform::gpu {

Matrix Matrix::Identity() {
  Matrix r;
  for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
  return r;
}

Matrix Matrix::operator*(const Matrix& b) const {
  Matrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0.0f;
      for (int k = 0; k < 4; ++k) s += m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  return r;
}

int32_t VertexSize(EVertexFormat format) {
  switch (format) {
    case EVertexFormat::Colored: return 16;
    case EVertexFormat::Textured: return 24;
    case EVertexFormat::NormalTextured: return 36;
  }
  return 0;
}

int32_t VertexCount(EPrimitive type, int32_t n) {
  if (n <= 0 || n > (1 << 24)) return 0;
  switch (type) {
    case EPrimitive::PointList: return n;
    case EPrimitive::LineList: return 2 * n;
    case EPrimitive::LineStrip: return n + 1;
    case EPrimitive::TriangleList: return 3 * n;
    case EPrimitive::TriangleStrip:
    case EPrimitive::TriangleFan: return n + 2;
  }
  return 0;
}

DeviceBase::DeviceBase() { ResetStates(); }

void DeviceBase::ResetStates() {
  rs_ = RenderStates{};
  ss_ = StageStates{};
  for (auto& t : transforms_) t = Matrix::Identity();
  vp_ = Viewport{};
  for (auto& l : lights_) l = Light{};
  for (bool& on : lightOn_) on = false;
  material_ = Material{};
  inScene_ = false;
  statesDirty_ = transformsDirty_ = viewportDirty_ = lightsDirty_ = true;
}

void DeviceBase::SetRenderStates(const RenderStates& states) {
  if (states == rs_) return;
  rs_ = states;
  statesDirty_ = true;
}

void DeviceBase::SetStageStates(const StageStates& states) {
  if (states == ss_) return;
  ss_ = states;
  statesDirty_ = true;
}

void DeviceBase::SetTransform(ETransform which, const Matrix& m) {
  const int i = static_cast<int>(which);
  if (i < 0 || i > 2) return;
  transforms_[i] = m;
  transformsDirty_ = true;
}

const Matrix& DeviceBase::GetTransform(ETransform which) const {
  const int i = static_cast<int>(which);
  return transforms_[(i < 0 || i > 2) ? 0 : i];
}

void DeviceBase::SetViewport(const Viewport& vp) {
  vp_ = vp;
  viewportDirty_ = true;
}

void DeviceBase::SetLight(int32_t index, const Light& light) {
  if (index < 0 || index >= kMaxLights) return;
  lights_[index] = light;
  lightsDirty_ = true;
}

void DeviceBase::LightEnable(int32_t index, bool on) {
  if (index < 0 || index >= kMaxLights) return;
  lightOn_[index] = on;
  lightsDirty_ = true;
}

void DeviceBase::SetMaterial(const Material& material) {
  material_ = material;
  lightsDirty_ = true;
}

std::unique_ptr<IDevice> CreateDevice(EBackend backend) {
  if (backend == EBackend::Null) return CreateBatchingDevice(CreateNullDevice());
  if (auto gl = CreateGlDevice()) return CreateBatchingDevice(std::move(gl));
  if (backend == EBackend::OpenGL) return nullptr;
  return CreateBatchingDevice(CreateNullDevice());
}

}  // namespace platform::gpu
