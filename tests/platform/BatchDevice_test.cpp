// The batching layer: how many draws reach the device for runs of triangle draws broken by
// texture, format and state changes, and that a batched scene reads back exactly like the same
// scene drawn draw by draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/gpu/Gpu.h"

namespace gpu = platform::gpu;

namespace {

struct VC {
  float x, y, z;
  uint32_t c;
};
struct VT {
  float x, y, z;
  uint32_t c;
  float u, v;
};

void TexturedQuad(gpu::IDevice& d, float x, float y) {
  const VT v[4] = {{x, y, 0, 0xFFFFFFFF, 0, 0},
                   {x + 4, y, 0, 0xFFFFFFFF, 1, 0},
                   {x + 4, y + 4, 0, 0xFFFFFFFF, 1, 1},
                   {x, y + 4, 0, 0xFFFFFFFF, 0, 1}};
  d.DrawPrimitiveUP(gpu::EPrimitive::TriangleFan, 2, gpu::EVertexFormat::Textured, v, sizeof v);
}

TEST(BatchDevice, DrawCallsOfAFrame) {
  struct Case {
    const char* what;
    void (*frame)(gpu::IDevice& d, gpu::TextureHandle a, gpu::TextureHandle b);
    int64_t calls;
  };
  const Case cases[] = {
      {"10000 quads of one texture",
       [](gpu::IDevice& d, gpu::TextureHandle a, gpu::TextureHandle) {
         for (int i = 0; i < 10000; ++i) {
           d.SetTexture(a);
           TexturedQuad(d, float(i % 100), float(i / 100));
         }
       },
       1},
      {"texture changes every 2500 quads",
       [](gpu::IDevice& d, gpu::TextureHandle a, gpu::TextureHandle b) {
         for (int i = 0; i < 10000; ++i) {
           d.SetTexture((i / 2500) % 2 ? b : a);
           TexturedQuad(d, 0, 0);
         }
       },
       4},
      {"a state change and a clear split the run",
       [](gpu::IDevice& d, gpu::TextureHandle a, gpu::TextureHandle) {
         d.SetTexture(a);
         TexturedQuad(d, 0, 0);
         gpu::RenderStates rs = d.GetRenderStates();
         rs.alphaBlend = !rs.alphaBlend;
         d.SetRenderStates(rs);
         TexturedQuad(d, 0, 0);
         d.SetRenderStates(rs);  // unchanged: no split
         TexturedQuad(d, 0, 0);
         d.Clear(gpu::ClearTarget, 0, 1.0f, 0);
         TexturedQuad(d, 0, 0);
       },
       3},
      {"another vertex format splits, lines pass straight",
       [](gpu::IDevice& d, gpu::TextureHandle, gpu::TextureHandle) {
         const VC c[3] = {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}};
         d.DrawPrimitiveUP(gpu::EPrimitive::TriangleList, 1, gpu::EVertexFormat::Colored, c, sizeof c);
         d.DrawPrimitiveUP(gpu::EPrimitive::TriangleStrip, 1, gpu::EVertexFormat::Colored, c, sizeof c);
         d.DrawPrimitiveUP(gpu::EPrimitive::LineList, 1, gpu::EVertexFormat::Colored, c, sizeof c);
         d.DrawPrimitiveUP(gpu::EPrimitive::TriangleList, 1, gpu::EVertexFormat::Colored, c, sizeof c);
         TexturedQuad(d, 0, 0);
         d.DrawPrimitiveUP(gpu::EPrimitive::TriangleList, 1, gpu::EVertexFormat::Colored, c, 8);  // too short
       },
       4},
  };
  for (const Case& c : cases) {
    auto d = gpu::CreateDevice(gpu::EBackend::Null);
    ASSERT_TRUE(d->Reset(64, 64, 0));
    const gpu::TextureHandle a = d->CreateTexture(4, 4, false), b = d->CreateTexture(4, 4, false);
    d->BeginScene();
    c.frame(*d, a, b);
    std::vector<uint32_t> px;
    d->ReadPixels(gpu::kBackBuffer, {0, 0, 1, 1}, px);  // a read-back sends what is pending
    EXPECT_EQ(d->DrawCalls(), c.calls) << c.what;
  }
}

// Overlapping blended fans and strips with flat and smooth shading, one texture switch and one
// state change, drawn straight and through the batching layer.
std::vector<uint32_t> Scene(gpu::IDevice& d) {
  constexpr int kSize = 24;
  EXPECT_TRUE(d.Reset(kSize, kSize, 0));
  gpu::RenderStates rs;
  rs.lighting = false;
  rs.cull = gpu::ECull::CCW;
  rs.alphaBlend = true;
  rs.srcBlend = gpu::EBlend::SrcAlpha;
  rs.destBlend = gpu::EBlend::InvSrcAlpha;
  d.SetRenderStates(rs);
  gpu::Matrix m;
  m.m[0][0] = 2.0f / kSize;
  m.m[1][1] = -2.0f / kSize;
  m.m[2][2] = m.m[3][3] = 1.0f;
  m.m[3][0] = -1.0f;
  m.m[3][1] = 1.0f;
  d.SetTransform(gpu::ETransform::Projection, m);
  d.Clear(gpu::ClearTarget | gpu::ClearZBuffer, 0xFF000000, 1.0f, 0);
  const gpu::TextureHandle tex = d.CreateTexture(2, 2, false);
  const uint32_t texels[4] = {0xFFFF0000, 0x8000FF00, 0xFF0000FF, 0xFFFFFFFF};
  d.UpdateTexture(tex, 0, 0, 2, 2, texels, 2);
  d.BeginScene();
  for (int i = 0; i < 6; ++i) {
    const float x = float(i * 3), y = float(i * 2);
    const VC fan[4] = {{x, y, 0, 0x80FF0000u + uint32_t(i) * 0x2000u},
                       {x + 10, y, 0, 0xC000FF00},
                       {x + 10, y + 9, 0, 0x600000FF},
                       {x, y + 9, 0, 0xFFFFFF00}};
    d.DrawPrimitiveUP(gpu::EPrimitive::TriangleFan, 2, gpu::EVertexFormat::Colored, fan, sizeof fan);
    const VC strip[5] = {{x, y + 12, 0, 0xFF00FFFF},
                         {x + 2, y + 4, 0, 0x80FF00FF},
                         {x + 6, y + 13, 0, 0xFFFFFFFF},
                         {x + 8, y + 5, 0, 0x40FF8000},
                         {x + 11, y + 12, 0, 0xFF808080}};
    d.DrawPrimitiveUP(gpu::EPrimitive::TriangleStrip, 3, gpu::EVertexFormat::Colored, strip, sizeof strip);
    if (i == 2) {
      rs.shade = gpu::EShade::Flat;
      d.SetRenderStates(rs);
    }
  }
  d.SetTexture(tex);
  for (int i = 0; i < 4; ++i) {
    const float x = float(1 + i * 5);
    const VT v[4] = {{x, 2, 0, 0xFFFFFFFF, 0, 0},
                     {x + 7, 2, 0, 0xC0FFFFFF, 1, 0},
                     {x + 7, 20, 0, 0xFFFFFFFF, 1, 1},
                     {x, 20, 0, 0xFFFFFFFF, 0, 1}};
    d.DrawPrimitiveUP(gpu::EPrimitive::TriangleFan, 2, gpu::EVertexFormat::Textured, v, sizeof v);
  }
  std::vector<uint32_t> px;
  EXPECT_TRUE(d.ReadPixels(gpu::kBackBuffer, {0, 0, kSize, kSize}, px));
  return px;
}

TEST(BatchDevice, BatchedSceneReadsBackLikeTheSeparateDraws) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  std::vector<uint32_t> straight, batched;
  int64_t straightCalls = 0, batchedCalls = 0;
  {
    auto d = gpu::CreateGlDevice();
    if (!d) GTEST_SKIP() << "no OpenGL 3.3 context";
    straight = Scene(*d);
    straightCalls = d->DrawCalls();
  }
  {
    auto d = gpu::CreateBatchingDevice(gpu::CreateGlDevice());
    ASSERT_TRUE(d);
    batched = Scene(*d);
    batchedCalls = d->DrawCalls();
  }
  EXPECT_GT(std::count_if(straight.begin(), straight.end(), [](uint32_t p) { return (p & 0xFFFFFF) != 0; }),
            300);
  EXPECT_EQ(straight, batched);
  EXPECT_EQ(straightCalls, 6 * 2 + 4);
  EXPECT_EQ(batchedCalls, 3);  // smooth colours, flat colours, the textured quads
}

}  // namespace
