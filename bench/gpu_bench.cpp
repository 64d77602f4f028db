// The graphics device off-screen (the off-screen video driver): textured quads drawn one call
// each, and a frame presented into a window-sized image. Skips itself without OpenGL.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <memory>
#include <vector>

#include "platform/gpu/Gpu.h"
#include "platform/video/Video.h"

namespace gpu = platform::gpu;

namespace {

struct Vertex {
  float x, y, z;
  uint32_t c;
  float u, v;
};

gpu::IDevice* Device() {
  static std::unique_ptr<gpu::IDevice> device = [] {
    platform::PreferOffscreenVideo();
    auto d = gpu::CreateGlDevice();
    if (d && !d->Reset(640, 480, 0)) d.reset();
    return d;
  }();
  return device.get();
}

void BM_TexturedQuads(benchmark::State& state) {
  gpu::IDevice* d = Device();
  if (!d) return state.SkipWithError("no OpenGL");
  std::vector<uint32_t> texels(32 * 32, 0xFFFF8000);
  const gpu::TextureHandle tex = d->CreateTexture(32, 32, false);
  d->UpdateTexture(tex, 0, 0, 32, 32, texels.data(), 32);
  gpu::RenderStates rs;
  rs.lighting = false;
  rs.alphaBlend = true;
  rs.srcBlend = gpu::EBlend::SrcAlpha;
  rs.destBlend = gpu::EBlend::InvSrcAlpha;
  d->SetRenderStates(rs);
  gpu::Matrix proj;
  proj.m[0][0] = 2.0f / 640, proj.m[1][1] = -2.0f / 480, proj.m[2][2] = 1, proj.m[3][0] = -1, proj.m[3][1] = 1,
  proj.m[3][3] = 1;
  d->SetTransform(gpu::ETransform::Projection, proj);
  d->SetTexture(tex);
  const int64_t quads = state.range(0);
  for (auto _ : state) {
    for (int64_t i = 0; i < quads; ++i) {
      const float x = static_cast<float>(i % 600), y = static_cast<float>((i * 7) % 440);
      const Vertex v[4] = {{x, y, 0, 0xFFFFFFFF, 0, 0},
                           {x + 32, y, 0, 0xFFFFFFFF, 1, 0},
                           {x + 32, y + 32, 0, 0xFFFFFFFF, 1, 1},
                           {x, y + 32, 0, 0xFFFFFFFF, 0, 1}};
      d->DrawPrimitiveUP(gpu::EPrimitive::TriangleFan, 2, gpu::EVertexFormat::Textured, v, sizeof v);
    }
    std::vector<uint32_t> px;
    d->ReadPixels(gpu::kBackBuffer, {0, 0, 1, 1}, px);  // waits for the drawing to finish
    benchmark::DoNotOptimize(px.data());
  }
  d->SetTexture(0);
  d->ReleaseTexture(tex);
  state.SetItemsProcessed(state.iterations() * quads);
}
BENCHMARK(BM_TexturedQuads)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_PresentFrame(benchmark::State& state) {
  gpu::IDevice* d = Device();
  if (!d) return state.SkipWithError("no OpenGL");
  gpu::WindowImage img;
  for (auto _ : state) {
    d->Present({0, 0, 640, 480}, {0, 0, 800, 600}, 800, 600, 0, true, img);
    benchmark::DoNotOptimize(img.pixels.data());
  }
}
BENCHMARK(BM_PresentFrame)->Unit(benchmark::kMillisecond);

}  // namespace
