// Frames of a step off-screen, drawing the room and presenting it into the game window: an empty
// room and one of 10,000 instances sharing a sprite, each presented into an OpenGL window
// (presenting on; the frame loop itself skips windows nobody can see, so the bench presents
// directly) or not (presenting off). Items are steps; read-backs per step should stay 0.
// BENCH_QUICK=1 shrinks the room so a check run stays fast.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/display/Display.h"
#include "platform/video/Video.h"
#include "platform/window/Window.h"
#include "runner/graphics/Graphics_D3D.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Window.h"
#include "runner/graphics/Room_Draw.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

namespace {

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

// Arguments: instances in the room, presenting (1) or not (0).
void BM_Step(benchmark::State& state) {
  if (!Device()) return state.SkipWithError("no OpenGL");
  const int instances = std::getenv("BENCH_QUICK") && state.range(0) > 0 ? 100 : static_cast<int>(state.range(0));
  const bool presenting = state.range(1) != 0;
  platform::TWindow window("TRunnerForm", platform::MakeWindowBackend());
  if (presenting) {
    Window_Attach(&window);
    Window_SetRegionSize(640, 480, false);
    Window_SetSize(640, 480);
    Window_SetVisible(true);
  }
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
  for (int i = 0; i < instances; ++i) {
    CInstance* inst = room.AddInstance(i * 7 % 640, i * 13 % 480, -1);
    inst->Setspriteindex(spr);
    inst->i_depth = i % 50;
  }
  room.SortInstances();
  // Work queued by an earlier run would land on this one's first swap: read a pixel to drain
  // it. Without presenting nothing waits for the GPU, so those rows time the submission only.
  Display_GetPixel(0, 0);
  const int64_t reads = D3DDevice()->ReadBacks();
  for (auto _ : state) {
    Display_BeginFrame();
    DrawRoomViews();
    Display_EndAndPresent();
    bool synced = false;
    if (presenting)
      D3DDevice()->PresentToWindow({0, 0, 640, 480}, {0, 0, 640, 480}, 640, 480, 0, false, window, false, synced);
  }
  state.counters["read_backs"] =
      static_cast<double>(D3DDevice()->ReadBacks() - reads) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations());
  SetCurrentRoom(nullptr);
  Sprites().Clear();
  if (presenting) {
    Window_SetVisible(false);
    Window_Attach(nullptr);
  }
}
BENCHMARK(BM_Step)->ArgNames({"instances", "present"})->ArgsProduct({{0, 10000}, {0, 1}})->Unit(benchmark::kMicrosecond);

}  // namespace
