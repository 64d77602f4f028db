// The batching layer in front of a device: consecutive triangle draws from memory with the same
// texture, vertex format and states become one triangle-list draw. The batch goes to the device
// before anything that could change or observe what it draws, so order and pixels stay those of
// the separate draws.
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/gpu/Gpu.h"

namespace platform::gpu {
namespace {

bool IsTriangles(EPrimitive type) {
  return type == EPrimitive::TriangleList || type == EPrimitive::TriangleFan ||
         type == EPrimitive::TriangleStrip;
}

class BatchingDevice final : public IDevice {
 public:
  explicit BatchingDevice(std::unique_ptr<IDevice> inner) : d_(std::move(inner)) {}
  ~BatchingDevice() override = default;

  bool Reset(int32_t w, int32_t h, int32_t multisample) override {
    Flush();
    tex_ = 0;
    return d_->Reset(w, h, multisample);
  }
  const DeviceCaps& Caps() const override { return d_->Caps(); }
  bool MultisampleSupported(int32_t samples) const override { return d_->MultisampleSupported(samples); }

  void SetRenderStates(const RenderStates& s) override {
    if (s == d_->GetRenderStates()) return;
    Flush();
    d_->SetRenderStates(s);
  }
  const RenderStates& GetRenderStates() const override { return d_->GetRenderStates(); }
  void SetStageStates(const StageStates& s) override {
    if (s == d_->GetStageStates()) return;
    Flush();
    d_->SetStageStates(s);
  }
  const StageStates& GetStageStates() const override { return d_->GetStageStates(); }
  void SetTransform(ETransform which, const Matrix& m) override {
    if (m == d_->GetTransform(which)) return;
    Flush();
    d_->SetTransform(which, m);
  }
  const Matrix& GetTransform(ETransform which) const override { return d_->GetTransform(which); }
  void SetViewport(const Viewport& vp) override {
    if (vp == d_->GetViewport()) return;
    Flush();
    d_->SetViewport(vp);
  }
  const Viewport& GetViewport() const override { return d_->GetViewport(); }
  void SetLight(int32_t index, const Light& light) override {
    Flush();
    d_->SetLight(index, light);
  }
  void LightEnable(int32_t index, bool on) override {
    Flush();
    d_->LightEnable(index, on);
  }
  void SetMaterial(const Material& material) override {
    Flush();
    d_->SetMaterial(material);
  }

  void BeginScene() override {
    Flush();
    d_->BeginScene();
  }
  void EndScene() override {
    Flush();
    d_->EndScene();
  }
  void Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil) override {
    Flush();
    d_->Clear(flags, color, z, stencil);
  }

  // Always passed on: the device decides what an unknown handle binds.
  void SetTexture(TextureHandle tex) override {
    if (tex != tex_) Flush();
    tex_ = tex;
    d_->SetTexture(tex);
  }

  void DrawPrimitiveUP(EPrimitive type, int32_t n, EVertexFormat format, const void* vertices,
                       size_t bytes) override {
    const int32_t count = VertexCount(type, n);
    const size_t size = static_cast<size_t>(VertexSize(format));
    if (count == 0 || !vertices || bytes < static_cast<size_t>(count) * size) return;
    const int64_t limit = d_->Caps().maxPrimitiveCount;
    if (!IsTriangles(type) || n > limit) {
      Flush();
      d_->DrawPrimitiveUP(type, n, format, vertices, bytes);
      return;
    }
    if (triangles_ > 0 && (format != format_ || int64_t{triangles_} + n > limit)) Flush();
    format_ = format;
    const auto* v = static_cast<const uint8_t*>(vertices);
    const size_t at = pending_.size();
    pending_.resize(at + static_cast<size_t>(n) * 3 * size);
    uint8_t* out = pending_.data() + at;
    auto put = [&](int32_t i) {
      std::memcpy(out, v + static_cast<size_t>(i) * size, size);
      out += size;
    };
    // Each triangle keeps its winding and its first vertex (the one flat shading takes).
    for (int32_t k = 0; k < n; ++k) {
      int32_t tri[3] = {3 * k, 3 * k + 1, 3 * k + 2};
      if (type == EPrimitive::TriangleFan)
        tri[0] = k + 1, tri[1] = k + 2, tri[2] = 0;
      else if (type == EPrimitive::TriangleStrip)
        tri[0] = k, tri[1] = k % 2 ? k + 2 : k + 1, tri[2] = k % 2 ? k + 1 : k + 2;
      for (int32_t i : tri) put(i);
    }
    triangles_ += n;
  }

  BufferHandle CreateVertexBuffer(size_t bytes) override { return d_->CreateVertexBuffer(bytes); }
  bool UpdateVertexBuffer(BufferHandle vb, size_t offset, const void* data, size_t bytes) override {
    Flush();
    return d_->UpdateVertexBuffer(vb, offset, data, bytes);
  }
  void ReleaseVertexBuffer(BufferHandle vb) override {
    Flush();
    d_->ReleaseVertexBuffer(vb);
  }
  void DrawPrimitive(BufferHandle vb, EPrimitive type, int32_t first, int32_t n,
                     EVertexFormat format) override {
    Flush();
    d_->DrawPrimitive(vb, type, first, n, format);
  }

  TextureHandle CreateTexture(int32_t w, int32_t h, bool renderTarget) override {
    return d_->CreateTexture(w, h, renderTarget);
  }
  void ReleaseTexture(TextureHandle tex) override {
    Flush();
    if (tex == tex_) tex_ = 0;
    d_->ReleaseTexture(tex);
  }
  bool TextureSize(TextureHandle tex, int32_t& w, int32_t& h) const override {
    return d_->TextureSize(tex, w, h);
  }
  bool UpdateTexture(TextureHandle tex, int32_t x, int32_t y, int32_t w, int32_t h, const uint32_t* pixels,
                     int32_t pitch) override {
    Flush();
    return d_->UpdateTexture(tex, x, y, w, h, pixels, pitch);
  }

  bool SetRenderTarget(TextureHandle target, DepthHandle depth) override {
    Flush();
    return d_->SetRenderTarget(target, depth);
  }
  TextureHandle GetRenderTarget() const override { return d_->GetRenderTarget(); }
  DepthHandle CreateDepthSurface(int32_t w, int32_t h) override { return d_->CreateDepthSurface(w, h); }
  void ReleaseDepthSurface(DepthHandle depth) override {
    Flush();
    d_->ReleaseDepthSurface(depth);
  }
  bool CopyRect(TextureHandle source, const Rect& from, TextureHandle dest, int32_t x, int32_t y) override {
    Flush();
    return d_->CopyRect(source, from, dest, x, y);
  }
  bool ReadPixels(TextureHandle source, const Rect& rect, std::vector<uint32_t>& out) override {
    Flush();
    return d_->ReadPixels(source, rect, out);
  }
  bool Present(const Rect& source, const Rect& dest, int32_t cw, int32_t ch, uint32_t bandColor, bool linear,
               WindowImage& out) override {
    Flush();
    return d_->Present(source, dest, cw, ch, bandColor, linear, out);
  }

  bool PresentToWindow(const Rect& source, const Rect& dest, int32_t cw, int32_t ch, uint32_t bandColor, bool linear,
                       const TWindow& window, bool vsync, bool& synced) override {
    Flush();
    return d_->PresentToWindow(source, dest, cw, ch, bandColor, linear, window, vsync, synced);
  }

  int64_t DrawCalls() const override { return d_->DrawCalls(); }
  int64_t ReadBacks() const override { return d_->ReadBacks(); }
  bool HoldsPixels() const override { return d_->HoldsPixels(); }

 private:
  void Flush() {
    if (triangles_ == 0) return;
    d_->DrawPrimitiveUP(EPrimitive::TriangleList, triangles_, format_, pending_.data(), pending_.size());
    pending_.clear();
    triangles_ = 0;
  }

  std::unique_ptr<IDevice> d_;
  TextureHandle tex_ = 0;
  std::vector<uint8_t> pending_;
  int32_t triangles_ = 0;
  EVertexFormat format_ = EVertexFormat::Textured;
};

}  // namespace

std::unique_ptr<IDevice> CreateBatchingDevice(std::unique_ptr<IDevice> inner) {
  if (!inner) return nullptr;
  return std::make_unique<BatchingDevice>(std::move(inner));
}

}  // namespace platform::gpu
