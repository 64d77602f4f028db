// The texture table, its sizing and upload rules and the textured quads, against a device
// that records what it is asked to do.
#include "runner/graphics/Graphics_Texture.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "platform/gpu/DeviceBase.h"
#include "runner/base/BM32_Bitmap.h"
#include "runner/graphics/Graphics_D3D.h"

namespace gpu = platform::gpu;

namespace {

struct Upload {
  int32_t w, h;
  std::vector<uint32_t> pixels;
};

class RecordingDevice final : public gpu::DeviceBase {
 public:
  std::map<int32_t, std::pair<int32_t, int32_t>> textures;
  std::vector<Upload> uploads;
  std::vector<std::vector<float>> quads;  // x, y of each vertex of each fan
  bool failCreate = false;

  bool Reset(int32_t, int32_t, int32_t) override { return true; }
  bool MultisampleSupported(int32_t) const override { return false; }
  void Clear(uint32_t, uint32_t, float, uint32_t) override {}
  void SetTexture(gpu::TextureHandle) override {}
  void DrawPrimitiveUP(gpu::EPrimitive, int32_t, gpu::EVertexFormat, const void* v, size_t) override {
    const float* f = static_cast<const float*>(v);
    std::vector<float> q;
    for (int i = 0; i < 4; ++i) q.insert(q.end(), {f[i * 6], f[i * 6 + 1]});
    quads.push_back(q);
  }
  gpu::BufferHandle CreateVertexBuffer(size_t) override { return 0; }
  bool UpdateVertexBuffer(gpu::BufferHandle, size_t, const void*, size_t) override { return false; }
  void ReleaseVertexBuffer(gpu::BufferHandle) override {}
  void DrawPrimitive(gpu::BufferHandle, gpu::EPrimitive, int32_t, int32_t, gpu::EVertexFormat) override {}
  gpu::TextureHandle CreateTexture(int32_t w, int32_t h, bool) override {
    if (failCreate) return 0;
    textures[++next_] = {w, h};
    return next_;
  }
  void ReleaseTexture(gpu::TextureHandle t) override { textures.erase(t); }
  bool TextureSize(gpu::TextureHandle t, int32_t& w, int32_t& h) const override {
    auto it = textures.find(t);
    if (it == textures.end()) return false;
    w = it->second.first;
    h = it->second.second;
    return true;
  }
  bool UpdateTexture(gpu::TextureHandle, int32_t, int32_t, int32_t w, int32_t h, const uint32_t* p,
                     int32_t pitch) override {
    Upload u{w, h, {}};
    for (int32_t y = 0; y < h; ++y) u.pixels.insert(u.pixels.end(), p + y * pitch, p + y * pitch + w);
    uploads.push_back(u);
    return true;
  }
  bool SetRenderTarget(gpu::TextureHandle, gpu::DepthHandle) override { return true; }
  gpu::TextureHandle GetRenderTarget() const override { return gpu::kBackBuffer; }
  gpu::DepthHandle CreateDepthSurface(int32_t, int32_t) override { return 0; }
  void ReleaseDepthSurface(gpu::DepthHandle) override {}
  bool CopyRect(gpu::TextureHandle, const gpu::Rect&, gpu::TextureHandle, int32_t, int32_t) override { return false; }
  bool ReadPixels(gpu::TextureHandle, const gpu::Rect&, std::vector<uint32_t>&) override { return false; }
  bool Present(const gpu::Rect&, const gpu::Rect&, int32_t, int32_t, uint32_t, bool, gpu::WindowImage&) override {
    return false;
  }

 private:
  int32_t next_ = 0;
};

class TextureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto d = std::make_unique<RecordingDevice>();
    dev_ = d.get();
    SetD3DDevice(std::move(d));
    Texture_ClearTable();
  }
  void TearDown() override {
    Texture_ClearTable();
    SetD3DDevice(nullptr);
  }
  RecordingDevice* dev_ = nullptr;
};

TEST_F(TextureTest, PaddedTexturesGetAnEdgeColumnAndRow) {
  TBitmap32 bm(33, 20);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 33; ++x) bm.SetPixel(x, y, static_cast<uint32_t>(y * 100 + x));
  const int32_t id = Texture_FromBitmap(&bm);
  ASSERT_EQ(id, 0);
  const RTexture* t = Texture_Get(id);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->wt, 64);
  EXPECT_EQ(t->ht, 32);
  EXPECT_DOUBLE_EQ(Texture_Width(id), 33.0 / 64);
  EXPECT_DOUBLE_EQ(Texture_Height(id), 20.0 / 32);
  ASSERT_EQ(dev_->uploads.size(), 1u);
  const Upload& u = dev_->uploads[0];
  ASSERT_EQ(u.w, 34);
  ASSERT_EQ(u.h, 21);
  EXPECT_EQ(u.pixels[5 * 34 + 33], 5u * 100 + 32);     // column 33 copies column 32
  EXPECT_EQ(u.pixels[20 * 34 + 7], 19u * 100 + 7);     // row 20 copies row 19
  EXPECT_EQ(u.pixels[20 * 34 + 33], 19u * 100 + 32);   // and the corner
}

TEST_F(TextureTest, ExactSizesUploadAsTheyAre) {
  TBitmap32 bm(32, 16, 0xFF00FF00);
  const int32_t id = Texture_FromBitmap(&bm);
  ASSERT_EQ(dev_->uploads.size(), 1u);
  EXPECT_EQ(dev_->uploads[0].w, 32);
  EXPECT_EQ(dev_->uploads[0].h, 16);
  EXPECT_DOUBLE_EQ(Texture_Width(id), 1.0);
}

TEST_F(TextureTest, TableSlotsAndInvalidIds) {
  TBitmap32 bm(4, 4);
  const int32_t a = Texture_FromBitmap(&bm), b = Texture_FromBitmap(&bm);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
  Texture_Free(a);
  EXPECT_FALSE(Texture_Exists(a));
  EXPECT_EQ(Texture_FromBitmap(&bm), 0);  // the first free slot again
  for (int32_t bad : {-1, 2, 1000}) {
    EXPECT_FALSE(Texture_Exists(bad));
    EXPECT_DOUBLE_EQ(Texture_Width(bad), 1.0);
    EXPECT_DOUBLE_EQ(Texture_Height(bad), 1.0);
  }
  EXPECT_EQ(Texture_FromBitmap(nullptr), -1);
  TBitmap32 empty;
  EXPECT_EQ(Texture_FromBitmap(&empty), -1);
  // A failed creation keeps its new slot, unused.
  dev_->failCreate = true;
  EXPECT_EQ(Texture_Create(4, 4, false), -1);
  EXPECT_EQ(Texture_Count(), 3);
  EXPECT_FALSE(Texture_Exists(2));
}

TEST_F(TextureTest, AlphaMapsAreWhite) {
  const uint8_t alpha[2] = {0, 200};
  ASSERT_EQ(Texture_FromAlphaMap(2, 1, alpha), 0);
  const Upload& u = dev_->uploads[0];
  EXPECT_EQ(u.pixels[0], 0x00FFFFFFu);
  EXPECT_EQ(u.pixels[1], 0xC8FFFFFFu);
}

TEST_F(TextureTest, QuadColour) {
  EXPECT_EQ(QuadColor(0x0000FF, 1.0), 0xFFFF0000u);  // red
  EXPECT_EQ(QuadColor(0xFF0000, 0.5), 0x800000FFu);  // blue, alpha rounded
  EXPECT_EQ(QuadColor(0xFFFFFF, -3), 0x00FFFFFFu);   // alpha clamped
}

TEST_F(TextureTest, QuadCorners) {
  TBitmap32 bm(10, 20);
  const int32_t id = Texture_FromBitmap(&bm);
  Texture_Draw(id, 5, 7);
  ASSERT_EQ(dev_->quads.size(), 1u);
  EXPECT_EQ(dev_->quads[0], (std::vector<float>{4.5f, 6.5f, 14.5f, 6.5f, 14.5f, 26.5f, 4.5f, 26.5f}));
  dev_->quads.clear();
  // Turned a quarter counter-clockwise about (0, 0): the right edge goes up.
  Texture_DrawTransformed(id, 0xFFFFFF, 0, 0, 0, 0, 1, 1, 3.14159265358979 / 2, 1);
  ASSERT_EQ(dev_->quads.size(), 1u);
  EXPECT_NEAR(dev_->quads[0][2], -0.5f, 1e-4);   // top-right x
  EXPECT_NEAR(dev_->quads[0][3], -9.5f, 1e-4);   // top-right y
  dev_->quads.clear();
  Texture_Draw(-1, 0, 0);
  EXPECT_TRUE(dev_->quads.empty());
}

TEST_F(TextureTest, TiledColumns) {
  TBitmap32 bm(32, 32);
  const int32_t id = Texture_FromBitmap(&bm);
  struct Case {
    double x, xr, wr;
    bool htiled;
    std::vector<float> lefts;  // quad left edges (x − 0.5)
  };
  const Case cases[] = {
      {70, 0, 100, true, {-26.5f, 5.5f, 37.5f, 69.5f}},
      {70, 0, 100, false, {69.5f}},
      {150, 0, 100, false, {}},  // starts past the far edge
      {-70, 0, 40, true, {-6.5f, 25.5f}},
  };
  for (const Case& c : cases) {
    dev_->quads.clear();
    Texture_DrawTiled(id, 0xFFFFFF, 0, 0, c.x, 0, 1, 1, c.htiled, false, c.xr, 0, c.wr, 32, 1);
    std::vector<float> lefts;
    for (const auto& q : dev_->quads) lefts.push_back(q[0]);
    EXPECT_EQ(lefts, c.lefts) << "x " << c.x << " tiled " << c.htiled;
  }
}

TEST(TextureRules, Requirements) {
  gpu::DeviceCaps caps;
  caps.maxTextureSize = 256;
  struct Case {
    bool pow2;
    int32_t w, h, ew, eh;
  };
  const Case cases[] = {
      {true, 33, 20, 64, 32}, {true, 1, 1, 1, 1}, {true, 300, 64, 256, 64}, {false, 33, 20, 33, 20}, {false, 999, 5, 256, 5},
  };
  for (const Case& c : cases) {
    caps.powerOfTwoTextures = c.pow2;
    int32_t w = c.w, h = c.h;
    ASSERT_TRUE(CheckTextureRequirements(caps, w, h));
    EXPECT_EQ(w, c.ew) << c.w;
    EXPECT_EQ(h, c.eh) << c.h;
  }
  int32_t w = 0, h = 5;
  EXPECT_FALSE(CheckTextureRequirements(caps, w, h));
}

TEST(TextureRules, NoDeviceNoTextures) {
  SetD3DDevice(nullptr);
  TBitmap32 bm(4, 4);
  EXPECT_EQ(Texture_FromBitmap(&bm), -1);
}

}  // namespace
