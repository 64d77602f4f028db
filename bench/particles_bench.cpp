// Particle systems at their heaviest: 100,000 live particles updated and drawn every step on the
// headless device, which does all the runner's own work (the update, the quads, the batching)
// and leaves out the GPU's. BENCH_QUICK=1 shrinks the system so a check run stays fast.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "runner/functions/Function_Math.h"
#include "runner/graphics/Graphics_D3D.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Particle_Main.h"

namespace {

int Particles() { return std::getenv("BENCH_QUICK") ? 1000 : 100000; }

bool Device() {
  static bool ok = [] {
    setenv("RUNNER_HEADLESS", "1", 1);
    if (!Display_CreateDevice(640, 480, false)) return false;
    Display_SetUsedArea(640, 480);
    return true;
  }();
  return ok;
}

// Two types that wiggle, fall, fade and change colour over a life longer than the run, burst
// over the room in alternating runs of each type.
void BM_ParticleStep(benchmark::State& state) {
  if (!Device()) return state.SkipWithError("no device");
  ParticlesState().random = RandomReal;
  SetRandomSeed(1);
  int32_t types[2];
  for (int32_t k = 0; k < 2; ++k) {
    types[k] = ParticleTypeCreate();
    RParticleType& t = *ParticleType(types[k]);
    t.shape = k == 0 ? 1 : 10;
    t.sizemin = 0.1, t.sizemax = 0.3, t.sizerand = 0.05;
    t.lifemin = t.lifemax = 1000000000;
    t.spmin = 0, t.spmax = 0.5, t.sprand = 0.2;
    t.dirmin = 0, t.dirmax = 360, t.dirrand = 5;
    t.grav = 0.001;
    t.angmin = 0, t.angmax = 360, t.angincr = 1;
    t.colmode = 1, t.colpar[0] = 0x00FFFF, t.colpar[1] = 0x0000FF;
    t.alphastart = 1, t.alphamiddle = 0.8, t.alphaend = 0;
  }
  const int32_t sys = ParticleSystemCreate();
  RParticleSystem& s = *ParticleSystem(sys);
  const int32_t em = s.emitters.Create();
  ParticleEmitterRegion(sys, em, 0, 640, 0, 480, 0, 0);
  // Alternating runs of each type, as two streams would leave them.
  for (int i = 0; i < Particles(); i += 100) ParticleEmitterBurst(sys, em, types[(i / 100) % 2], 100);
  const bool draw = state.range(0) != 0;
  if (draw) ParticleSystemDraw(sys);  // the shapes' texture is made on the first draw
  const int64_t before = D3DDevice()->DrawCalls();
  for (auto _ : state) {
    ParticleSystemUpdate(sys);
    if (draw) {
      Display_BeginFrame();
      ParticleSystemDraw(sys);
      Display_EndAndPresent();
    }
  }
  state.SetItemsProcessed(state.iterations() * Particles());
  state.counters["draw_calls"] =
      static_cast<double>(D3DDevice()->DrawCalls() - before) / static_cast<double>(state.iterations());
  ParticleSystemDestroy(sys);
}
// Argument: drawing on (1) or off (0).
BENCHMARK(BM_ParticleStep)->ArgName("draw")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
}  // namespace
