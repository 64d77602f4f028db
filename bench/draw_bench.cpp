// Drawing a room of sprites off-screen (the off-screen video driver): the whole room pass with
// 10,000 instances sharing one sprite, reporting the draw calls the batching leaves per frame.
// BENCH_QUICK=1 shrinks the room so a check run stays fast.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/display/Display.h"
#include "platform/video/Video.h"
#include "runner/graphics/Graphics_D3D.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Room_Draw.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

namespace {

int Instances() { return std::getenv("BENCH_QUICK") ? 100 : 10000; }

bool Device() {
  static bool ok = [] {
    platform::PreferOffscreenVideo();
    platform::InitVideo();
    platform::SetFakeDisplay(platform::DisplayMode{640, 480, 32, 60}, {{640, 480, 32, 60}});
    if (!Display_CreateDevice(640, 480, false)) return false;
    Display_SetUsedArea(640, 480);
    return true;
  }();
  return ok;
}

void BM_SpriteFrame(benchmark::State& state) {
  if (!Device()) return state.SkipWithError("no OpenGL");
  InstallSprites();
  const int32_t spr = Sprites().Add();
  CSprite& s = *Sprites().Get(spr);
  s.i_numb = 1;
  s.i_bitmap.emplace_back(16, 16, 0xFF40C040);
  s.i_xorig = s.i_yorig = 8;
  s.InitTexture();

  CRoom room;
  room.r_width = 640;
  room.r_height = 480;
  SetCurrentRoom(&room);
  for (int i = 0; i < Instances(); ++i) {
    CInstance* inst = room.AddInstance(i * 7 % 640, i * 13 % 480, -1);
    inst->Setspriteindex(spr);
    inst->i_depth = i % 50;
  }
  room.SortInstances();
  const int64_t before = D3DDevice()->DrawCalls();
  for (auto _ : state) {
    Display_BeginFrame();
    DrawRoomViews();
    Display_EndAndPresent();
  }
  state.counters["draw_calls"] =
      static_cast<double>(D3DDevice()->DrawCalls() - before) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * Instances());
  SetCurrentRoom(nullptr);
  Sprites().Clear();
}
BENCHMARK(BM_SpriteFrame)->Unit(benchmark::kMillisecond);

}  // namespace
