// A device without any graphics library: keeps states, textures' sizes and buffers' sizes so
// the runner runs unchanged, draws nothing and reads back black.
#include <map>
#include <memory>

#include "platform/gpu/DeviceBase.h"

namespace platform::gpu {
namespace {

struct Size {
  int32_t w = 0, h = 0;
  bool target = false;
};

class NullDevice final : public DeviceBase {
 public:
  bool Reset(int32_t w, int32_t h, int32_t) override {
    if (w <= 0 || h <= 0 || w > caps_.maxTextureSize || h > caps_.maxTextureSize) return false;
    backW_ = w;
    backH_ = h;
    ResetStates();
    vp_ = Viewport{0, 0, w, h, 0.0f, 1.0f};
    std::erase_if(textures_, [](const auto& t) { return t.second.target; });
    depths_.clear();
    target_ = kBackBuffer;
    return true;
  }
  bool MultisampleSupported(int32_t samples) const override { return samples <= 1; }
  bool HoldsPixels() const override { return false; }
  void Clear(uint32_t, uint32_t, float, uint32_t) override {}
  void SetTexture(TextureHandle) override {}
  void DrawPrimitiveUP(EPrimitive type, int32_t n, EVertexFormat format, const void* vertices,
                       size_t bytes) override {
    const int32_t count = VertexCount(type, n);
    if (count > 0 && vertices && bytes >= size_t(count) * size_t(VertexSize(format))) ++drawCalls_;
  }
  BufferHandle CreateVertexBuffer(size_t bytes) override {
    buffers_[++next_] = bytes;
    return next_;
  }
  bool UpdateVertexBuffer(BufferHandle vb, size_t offset, const void*, size_t bytes) override {
    auto it = buffers_.find(vb);
    return it != buffers_.end() && offset <= it->second && bytes <= it->second - offset;
  }
  void ReleaseVertexBuffer(BufferHandle vb) override { buffers_.erase(vb); }
  void DrawPrimitive(BufferHandle vb, EPrimitive type, int32_t first, int32_t n, EVertexFormat format) override {
    auto it = buffers_.find(vb);
    const int32_t count = VertexCount(type, n);
    if (it == buffers_.end() || count == 0 || first < 0) return;
    if ((size_t(first) + size_t(count)) * size_t(VertexSize(format)) <= it->second) ++drawCalls_;
  }
  TextureHandle CreateTexture(int32_t w, int32_t h, bool target) override {
    if (w <= 0 || h <= 0 || w > caps_.maxTextureSize || h > caps_.maxTextureSize) return 0;
    textures_[++next_] = Size{w, h, target};
    return next_;
  }
  void ReleaseTexture(TextureHandle tex) override {
    if (tex == target_) target_ = kBackBuffer;
    textures_.erase(tex);
  }
  bool TextureSize(TextureHandle tex, int32_t& w, int32_t& h) const override {
    auto it = textures_.find(tex);
    if (it == textures_.end()) return false;
    w = it->second.w;
    h = it->second.h;
    return true;
  }
  bool UpdateTexture(TextureHandle tex, int32_t x, int32_t y, int32_t w, int32_t h, const uint32_t* p,
                     int32_t pitch) override {
    int32_t tw = 0, th = 0;
    return p && TextureSize(tex, tw, th) && x >= 0 && y >= 0 && w > 0 && h > 0 && w <= tw - x && h <= th - y &&
           pitch >= w;
  }
  bool SetRenderTarget(TextureHandle target, DepthHandle) override {
    int32_t w = backW_, h = backH_;
    if (target != kBackBuffer) {
      auto it = textures_.find(target);
      if (it == textures_.end() || !it->second.target) return false;
      w = it->second.w;
      h = it->second.h;
    }
    target_ = target;
    SetViewport(Viewport{0, 0, w, h, 0.0f, 1.0f});
    return true;
  }
  TextureHandle GetRenderTarget() const override { return target_; }
  DepthHandle CreateDepthSurface(int32_t w, int32_t h) override {
    if (w <= 0 || h <= 0) return 0;
    depths_[++next_] = Size{w, h, false};
    return next_;
  }
  void ReleaseDepthSurface(DepthHandle d) override { depths_.erase(d); }
  bool CopyRect(TextureHandle, const Rect&, TextureHandle, int32_t, int32_t) override { return true; }
  bool ReadPixels(TextureHandle source, const Rect& r, std::vector<uint32_t>& out) override {
    int32_t w = backW_, h = backH_;
    if (source != kBackBuffer && !TextureSize(source, w, h)) return false;
    if (r.left < 0 || r.top < 0 || r.Width() <= 0 || r.Height() <= 0 || r.right > w || r.bottom > h) return false;
    out.assign(static_cast<size_t>(r.Width()) * static_cast<size_t>(r.Height()), 0xFF000000u);
    ++readBacks_;
    return true;
  }
  bool Present(const Rect&, const Rect&, int32_t cw, int32_t ch, uint32_t band, bool, WindowImage& out) override {
    if (cw <= 0 || ch <= 0 || int64_t{cw} * ch > (int64_t{1} << 26)) return false;
    out.width = cw;
    out.height = ch;
    out.pixels.assign(static_cast<size_t>(cw) * static_cast<size_t>(ch), 0xFF000000u | band);
    ++readBacks_;
    return true;
  }

 private:
  int32_t backW_ = 0, backH_ = 0;
  int32_t next_ = 0;
  TextureHandle target_ = kBackBuffer;
  std::map<int32_t, Size> textures_;
  std::map<int32_t, Size> depths_;
  std::map<int32_t, size_t> buffers_;
};

}  // namespace

std::unique_ptr<IDevice> CreateNullDevice() { return std::make_unique<NullDevice>(); }

}  // namespace platform::gpu
