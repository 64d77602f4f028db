// The state every device keeps whatever its backend: cached render and stage states,
// transforms, viewport, lights and material, with dirty flags the backend clears when it
// applies them at the next draw.
#pragma once

#include "platform/gpu/Gpu.h"

namespace platform::gpu {

class DeviceBase : public IDevice {
 public:
  DeviceBase();

  void SetRenderStates(const RenderStates& states) override;
  const RenderStates& GetRenderStates() const override { return rs_; }
  void SetStageStates(const StageStates& states) override;
  const StageStates& GetStageStates() const override { return ss_; }
  void SetTransform(ETransform which, const Matrix& m) override;
  const Matrix& GetTransform(ETransform which) const override;
  void SetViewport(const Viewport& vp) override;
  const Viewport& GetViewport() const override { return vp_; }
  void SetLight(int32_t index, const Light& light) override;
  void LightEnable(int32_t index, bool on) override;
  void SetMaterial(const Material& material) override;
  const DeviceCaps& Caps() const override { return caps_; }
  void BeginScene() override { inScene_ = true; }
  void EndScene() override { inScene_ = false; }
  int64_t DrawCalls() const override { return drawCalls_; }
  int64_t ReadBacks() const override { return readBacks_; }

 protected:
  // Back to the state of a new device (used by Reset).
  void ResetStates();

  RenderStates rs_;
  StageStates ss_;
  Matrix transforms_[3];
  Viewport vp_;
  Light lights_[kMaxLights];
  bool lightOn_[kMaxLights] = {};
  Material material_;
  DeviceCaps caps_;
  bool inScene_ = false;
  int64_t drawCalls_ = 0;
  int64_t readBacks_ = 0;
  bool statesDirty_ = true;     // render or stage states
  bool transformsDirty_ = true;
  bool viewportDirty_ = true;
  bool lightsDirty_ = true;     // lights, enables, material
};

}  // namespace platform::gpu
