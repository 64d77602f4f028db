// The OpenGL device drawn off-screen and read back pixel by pixel: where points, lines and
// textured quads land, blending, alpha test, fog, lighting, and what a reset keeps. Skipped
// when no OpenGL 3.3 context can be made.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/gpu/Gpu.h"

namespace gpu = platform::gpu;

namespace {

struct VC {  // coloured vertex
  float x, y, z;
  uint32_t c;
};
struct VT {  // textured vertex
  float x, y, z;
  uint32_t c;
  float u, v;
};
struct VN {  // vertex with normal
  float x, y, z, nx, ny, nz;
  uint32_t c;
  float u, v;
};

// The 2D set-up: orthographic projection of the pixel grid, y down, z 0..1.
gpu::Matrix Ortho2D(float w, float h) {
  gpu::Matrix m;
  m.m[0][0] = 2.0f / w;
  m.m[1][1] = -2.0f / h;
  m.m[2][2] = 1.0f;
  m.m[3][0] = -1.0f;
  m.m[3][1] = 1.0f;
  m.m[3][3] = 1.0f;
  return m;
}

class GpuTest : public ::testing::Test {
 protected:
  static constexpr int kW = 16, kH = 16;
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    device_ = gpu::CreateGlDevice();
  }
  static void TearDownTestSuite() { device_.reset(); }

  void SetUp() override {
    if (!device_) GTEST_SKIP() << "no OpenGL 3.3 context";
    ASSERT_TRUE(device_->Reset(kW, kH, 0));
    gpu::RenderStates rs;
    rs.lighting = false;
    rs.cull = gpu::ECull::None;
    device_->SetRenderStates(rs);
    device_->SetTransform(gpu::ETransform::Projection, Ortho2D(kW, kH));
    device_->Clear(gpu::ClearTarget | gpu::ClearZBuffer, 0xFF000000, 1.0f, 0);
  }

  gpu::IDevice& D() { return *device_; }

  std::vector<uint32_t> Read() {
    std::vector<uint32_t> px;
    EXPECT_TRUE(D().ReadPixels(gpu::kBackBuffer, {0, 0, kW, kH}, px));
    return px;
  }
  // The pixels that are not black, as (x, y) pairs.
  std::vector<std::pair<int, int>> Lit() {
    std::vector<std::pair<int, int>> out;
    const auto px = Read();
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        if ((px[y * kW + x] & 0xFFFFFF) != 0) out.emplace_back(x, y);
    return out;
  }
  uint32_t At(int x, int y) { return Read()[y * kW + x] & 0xFFFFFF; }

  void Quad(float l, float t, float r, float b, uint32_t c, float z = 0.0f) {
    const VC v[4] = {{l, t, z, c}, {r, t, z, c}, {r, b, z, c}, {l, b, z, c}};
    D().DrawPrimitiveUP(gpu::EPrimitive::TriangleFan, 2, gpu::EVertexFormat::Colored, v, sizeof v);
  }

  static std::unique_ptr<gpu::IDevice> device_;
};
std::unique_ptr<gpu::IDevice> GpuTest::device_;

using Pixels = std::vector<std::pair<int, int>>;

TEST_F(GpuTest, PointsLandOnTheirPixel) {
  const VC v[2] = {{3, 5, 0, 0xFFFFFFFF}, {0, 0, 0, 0xFFFFFFFF}};
  D().DrawPrimitiveUP(gpu::EPrimitive::PointList, 2, gpu::EVertexFormat::Colored, v, sizeof v);
  EXPECT_EQ(Lit(), (Pixels{{0, 0}, {3, 5}}));
}

TEST_F(GpuTest, LinesIncludeTheirLastPixel) {
  struct Case {
    float x1, y1, x2, y2;
    Pixels expect;
  };
  const Case cases[] = {
      {2, 3, 5, 3, {{2, 3}, {3, 3}, {4, 3}, {5, 3}}},
      {7, 1, 7, 3, {{7, 1}, {7, 2}, {7, 3}}},
  };
  for (const Case& c : cases) {
    SetUp();
    const VC v[2] = {{c.x1, c.y1, 0, 0xFFFFFFFF}, {c.x2, c.y2, 0, 0xFFFFFFFF}};
    D().DrawPrimitiveUP(gpu::EPrimitive::LineList, 1, gpu::EVertexFormat::Colored, v, sizeof v);
    EXPECT_EQ(Lit(), c.expect) << c.x1 << "," << c.y1 << " to " << c.x2 << "," << c.y2;
  }
}

TEST_F(GpuTest, QuadEdgesAtHalfPixelsCoverWholePixels) {
  Quad(1.5f, 2.5f, 4.5f, 4.5f, 0xFFFF0000);
  EXPECT_EQ(Lit(), (Pixels{{2, 3}, {3, 3}, {4, 3}, {2, 4}, {3, 4}, {4, 4}}));
  EXPECT_EQ(At(2, 3), 0xFF0000u);
}

TEST_F(GpuTest, TexturedQuadSamplesTexelCentres) {
  // A 2 × 2 texture drawn 1:1 with the quad's corners on pixel edges: each pixel gets its own
  // texel, whatever the filter.
  const uint32_t texels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  const gpu::TextureHandle tex = D().CreateTexture(2, 2, false);
  ASSERT_NE(tex, 0);
  ASSERT_TRUE(D().UpdateTexture(tex, 0, 0, 2, 2, texels, 2));
  for (gpu::EFilter filter : {gpu::EFilter::Point, gpu::EFilter::Linear}) {
    SetUp();
    gpu::StageStates ss;
    ss.colorOp = ss.alphaOp = gpu::EColorOp::Modulate;
    ss.magFilter = ss.minFilter = filter;
    ss.addressU = ss.addressV = gpu::EAddress::Clamp;
    D().SetStageStates(ss);
    D().SetTexture(tex);
    const VT v[4] = {{3.5f, 3.5f, 0, 0xFFFFFFFF, 0, 0},
                     {5.5f, 3.5f, 0, 0xFFFFFFFF, 1, 0},
                     {5.5f, 5.5f, 0, 0xFFFFFFFF, 1, 1},
                     {3.5f, 5.5f, 0, 0xFFFFFFFF, 0, 1}};
    D().DrawPrimitiveUP(gpu::EPrimitive::TriangleFan, 2, gpu::EVertexFormat::Textured, v, sizeof v);
    D().SetTexture(0);
    EXPECT_EQ(At(4, 4), 0xFF0000u);
    EXPECT_EQ(At(5, 4), 0x00FF00u);
    EXPECT_EQ(At(4, 5), 0x0000FFu);
    EXPECT_EQ(At(5, 5), 0xFFFFFFu);
    EXPECT_EQ(Lit().size(), 4u);
  }
  D().ReleaseTexture(tex);
}

TEST_F(GpuTest, BlendFactors) {
  struct Case {
    gpu::EBlend src, dest;
    uint32_t expect;  // 0x00RRGGBB over a 0x000080 background, drawing 0x80FF0000
  };
  const Case cases[] = {
      {gpu::EBlend::SrcAlpha, gpu::EBlend::InvSrcAlpha, 0x800040},
      {gpu::EBlend::SrcAlpha, gpu::EBlend::One, 0x800080},
      {gpu::EBlend::One, gpu::EBlend::Zero, 0xFF0000},
      {gpu::EBlend::BothInvSrcAlpha, gpu::EBlend::Zero, 0x7F0040},
  };
  for (const Case& c : cases) {
    SetUp();
    D().Clear(gpu::ClearTarget, 0xFF000080, 1.0f, 0);
    gpu::RenderStates rs = D().GetRenderStates();
    rs.alphaBlend = true;
    rs.srcBlend = c.src;
    rs.destBlend = c.dest;
    D().SetRenderStates(rs);
    Quad(-0.5f, -0.5f, 2.5f, 2.5f, 0x80FF0000);
    const uint32_t got = At(1, 1);
    for (int shift : {0, 8, 16}) {
      const int g = static_cast<int>((got >> shift) & 0xFF), e = static_cast<int>((c.expect >> shift) & 0xFF);
      EXPECT_NEAR(g, e, 1) << "src " << static_cast<int>(c.src) << " channel " << shift;
    }
  }
}

TEST_F(GpuTest, AlphaTestDropsTransparentPixels) {
  gpu::RenderStates rs = D().GetRenderStates();
  rs.alphaTest = true;
  rs.alphaFunc = gpu::ECmp::Greater;
  rs.alphaRef = 0;
  D().SetRenderStates(rs);
  Quad(-0.5f, -0.5f, 1.5f, 0.5f, 0x00FFFFFF);  // alpha 0: dropped
  Quad(-0.5f, 0.5f, 1.5f, 1.5f, 0x01FFFFFF);   // alpha 1: kept
  EXPECT_EQ(Lit(), (Pixels{{0, 1}, {1, 1}}));
}

TEST_F(GpuTest, LinearFogByEyeDepth) {
  gpu::RenderStates rs = D().GetRenderStates();
  rs.fogEnable = true;
  rs.fogTable = gpu::EFog::Linear;
  rs.fogColor = 0xFF0000FF;
  rs.fogStart = 0.0f;
  rs.fogEnd = 1.0f;
  D().SetRenderStates(rs);
  Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0xFFFF0000, 0.0f);   // at the start: no fog
  Quad(0.5f, -0.5f, 1.5f, 0.5f, 0xFFFF0000, 0.5f);    // half way
  Quad(1.5f, -0.5f, 2.5f, 0.5f, 0xFFFF0000, 1.0f);    // at the end: all fog
  EXPECT_EQ(At(0, 0), 0xFF0000u);
  EXPECT_NEAR(static_cast<int>(At(1, 0) >> 16), 0x80, 1);
  EXPECT_NEAR(static_cast<int>(At(1, 0) & 0xFF), 0x80, 1);
  EXPECT_EQ(At(2, 0), 0x0000FFu);
}

TEST_F(GpuTest, LitTriangleFollowsTheLightingFormula) {
  gpu::RenderStates rs = D().GetRenderStates();
  rs.lighting = true;
  rs.ambient = 0xFF202020;
  D().SetRenderStates(rs);
  gpu::Light light;
  light.type = gpu::ELight::Directional;
  light.direction = {0, 0, 1};  // into the screen; the normal faces the viewer
  light.diffuse = {0.5f, 0.5f, 0.5f, 1};
  D().SetLight(0, light);
  D().LightEnable(0, true);
  const VN v[3] = {{-0.5f, -0.5f, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                   {8, -0.5f, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                   {-0.5f, 8, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0}};
  D().DrawPrimitiveUP(gpu::EPrimitive::TriangleList, 1, gpu::EVertexFormat::NormalTextured, v, sizeof v);
  // 0.5 diffuse + 0x20 ambient.
  EXPECT_NEAR(static_cast<int>(At(1, 1) & 0xFF), 0x80 + 0x20, 1);
  // Without normals only the ambient term lights.
  Quad(9.5f, 9.5f, 11.5f, 11.5f, 0xFFFFFFFF);
  EXPECT_EQ(At(10, 10), 0x202020u);
}

TEST_F(GpuTest, PointLightsEndAtTheirRange) {
  gpu::RenderStates rs = D().GetRenderStates();
  rs.lighting = true;
  D().SetRenderStates(rs);
  gpu::Light light;
  light.type = gpu::ELight::Point;
  light.position = {2, 2, -1};
  light.attenuation0 = 1;
  light.range = 2;
  D().SetLight(0, light);
  D().LightEnable(0, true);
  auto lit = [&](float x) {
    const VN v[3] = {{x - 0.5f, -0.5f, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                     {x + 1.5f, -0.5f, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                     {x - 0.5f, 1.5f, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0}};
    D().DrawPrimitiveUP(gpu::EPrimitive::TriangleList, 1, gpu::EVertexFormat::NormalTextured, v, sizeof v);
    return At(static_cast<int>(x), 0) & 0xFF;
  };
  EXPECT_GT(lit(2), 0u);   // within range
  EXPECT_EQ(lit(9), 0u);   // beyond it: no light at all
}

TEST_F(GpuTest, FlatShadingTakesTheFirstVertex) {
  for (gpu::EShade shade : {gpu::EShade::Flat, gpu::EShade::Gouraud}) {
    SetUp();
    gpu::RenderStates rs = D().GetRenderStates();
    rs.shade = shade;
    D().SetRenderStates(rs);
    const VC v[3] = {{-0.5f, -0.5f, 0, 0xFFFF0000}, {8, -0.5f, 0, 0xFF00FF00}, {-0.5f, 8, 0, 0xFF0000FF}};
    D().DrawPrimitiveUP(gpu::EPrimitive::TriangleList, 1, gpu::EVertexFormat::Colored, v, sizeof v);
    EXPECT_EQ(At(3, 3) == 0xFF0000u, shade == gpu::EShade::Flat);
  }
}

TEST_F(GpuTest, DepthTestPassesEqualDepthAndVertexBuffersDraw) {
  gpu::RenderStates rs = D().GetRenderStates();
  rs.zEnable = true;
  D().SetRenderStates(rs);
  Quad(-0.5f, -0.5f, 1.5f, 0.5f, 0xFFFF0000, 0.5f);
  Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0xFF00FF00, 0.5f);  // same depth: drawn
  Quad(0.5f, -0.5f, 1.5f, 0.5f, 0xFF0000FF, 0.7f);   // behind: hidden
  EXPECT_EQ(At(0, 0), 0x00FF00u);
  EXPECT_EQ(At(1, 0), 0xFF0000u);
  const VC v[2] = {{5, 5, 0, 0xFFFFFFFF}, {6, 5, 0, 0xFFFFFFFF}};
  const gpu::BufferHandle vb = D().CreateVertexBuffer(sizeof v);
  ASSERT_TRUE(D().UpdateVertexBuffer(vb, 0, v, sizeof v));
  EXPECT_FALSE(D().UpdateVertexBuffer(vb, 8, v, sizeof v));  // past its end
  D().DrawPrimitive(vb, gpu::EPrimitive::PointList, 1, 1, gpu::EVertexFormat::Colored);
  D().DrawPrimitive(vb, gpu::EPrimitive::PointList, 1, 5, gpu::EVertexFormat::Colored);  // too many: nothing
  D().ReleaseVertexBuffer(vb);
  EXPECT_EQ(At(6, 5), 0xFFFFFFu);
  EXPECT_EQ(At(5, 5), 0u);
}

TEST_F(GpuTest, ResetKeepsManagedTexturesAndDropsTargets) {
  const uint32_t texel = 0xFF123456;
  const gpu::TextureHandle managed = D().CreateTexture(1, 1, false);
  const gpu::TextureHandle target = D().CreateTexture(4, 4, true);
  ASSERT_NE(managed, 0);
  ASSERT_NE(target, 0);
  ASSERT_TRUE(D().UpdateTexture(managed, 0, 0, 1, 1, &texel, 1));
  ASSERT_TRUE(D().Reset(kW, kH, 0));
  int32_t w = 0, h = 0;
  EXPECT_FALSE(D().TextureSize(target, w, h));
  ASSERT_TRUE(D().TextureSize(managed, w, h));
  SetUp();
  gpu::StageStates ss;
  ss.colorOp = gpu::EColorOp::SelectArg1;
  D().SetStageStates(ss);
  D().SetTexture(managed);
  const VT v[4] = {{-0.5f, -0.5f, 0, 0xFFFFFFFF, 0, 0},
                   {0.5f, -0.5f, 0, 0xFFFFFFFF, 1, 0},
                   {0.5f, 0.5f, 0, 0xFFFFFFFF, 1, 1},
                   {-0.5f, 0.5f, 0, 0xFFFFFFFF, 0, 1}};
  D().DrawPrimitiveUP(gpu::EPrimitive::TriangleFan, 2, gpu::EVertexFormat::Textured, v, sizeof v);
  D().SetTexture(0);
  EXPECT_EQ(At(0, 0), 0x123456u);
  D().ReleaseTexture(managed);
}

TEST_F(GpuTest, MultisamplingSmoothsEdges) {
  // Grey levels along a diagonal edge appear only with multisampling.
  for (int samples : {0, 4}) {
    if (samples > 1 && !D().MultisampleSupported(samples)) continue;
    ASSERT_TRUE(D().Reset(kW, kH, samples));
    gpu::RenderStates rs;
    rs.lighting = false;
    rs.cull = gpu::ECull::None;
    D().SetRenderStates(rs);
    D().SetTransform(gpu::ETransform::Projection, Ortho2D(kW, kH));
    D().Clear(gpu::ClearTarget, 0xFF000000, 1.0f, 0);
    const VC v[3] = {{-0.5f, -0.5f, 0, 0xFFFFFFFF}, {15.5f, -0.5f, 0, 0xFFFFFFFF}, {-0.5f, 10.5f, 0, 0xFFFFFFFF}};
    D().DrawPrimitiveUP(gpu::EPrimitive::TriangleList, 1, gpu::EVertexFormat::Colored, v, sizeof v);
    int partial = 0;
    for (uint32_t p : Read())
      if ((p & 0xFF) != 0 && (p & 0xFF) != 0xFF) ++partial;
    EXPECT_EQ(partial > 0, samples > 1) << samples << " samples";
  }
}

TEST_F(GpuTest, RenderTargetsAndCopies) {
  const gpu::TextureHandle target = D().CreateTexture(4, 4, true);
  ASSERT_TRUE(D().SetRenderTarget(target, 0));
  EXPECT_EQ(D().GetViewport().width, 4);
  D().Clear(gpu::ClearTarget, 0xFF00FF00, 1.0f, 0);
  ASSERT_TRUE(D().SetRenderTarget(gpu::kBackBuffer, 0));
  ASSERT_TRUE(D().CopyRect(target, {0, 0, 2, 2}, gpu::kBackBuffer, kW - 1, 0));  // clipped to 1 × 2
  EXPECT_EQ(Lit(), (Pixels{{kW - 1, 0}, {kW - 1, 1}}));
  D().ReleaseTexture(target);
}

TEST_F(GpuTest, PresentScalesTheRegionBetweenBands) {
  Quad(-0.5f, -0.5f, 1.5f, 1.5f, 0xFFFFFFFF);
  gpu::WindowImage img;
  ASSERT_TRUE(D().Present({0, 0, 2, 2}, {1, 1, 5, 5}, 6, 6, 0x0000FF, false, img));
  ASSERT_EQ(img.width, 6);
  EXPECT_EQ(img.pixels[0] & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(img.pixels[1 * 6 + 1] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(img.pixels[4 * 6 + 4] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(img.pixels[5 * 6 + 5] & 0xFFFFFF, 0x0000FFu);
}

TEST(GpuNull, KeepsStateAndRejectsBadInput) {
  auto d = gpu::CreateNullDevice();
  EXPECT_FALSE(d->Reset(0, 10, 0));
  ASSERT_TRUE(d->Reset(8, 8, 0));
  const gpu::TextureHandle t = d->CreateTexture(4, 4, false);
  const uint32_t px[4] = {};
  EXPECT_FALSE(d->UpdateTexture(t, 3, 3, 2, 2, px, 2));
  EXPECT_TRUE(d->UpdateTexture(t, 2, 2, 2, 2, px, 2));
  EXPECT_EQ(d->CreateTexture(-1, 4, false), 0);
  std::vector<uint32_t> out;
  EXPECT_FALSE(d->ReadPixels(gpu::kBackBuffer, {0, 0, 9, 1}, out));
  EXPECT_EQ(gpu::VertexCount(gpu::EPrimitive::TriangleFan, 2), 4);
  EXPECT_EQ(gpu::VertexCount(gpu::EPrimitive::LineStrip, 0), 0);
}

}  // namespace
