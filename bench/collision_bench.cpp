// A step's collision work among many moving instances: every instance moves, then the
// collision events run, with the box index and with the exhaustive way it must agree with.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Collision_Main.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Host.h"
#include "runner/run/Run_Main.h"
#include "runner/functions/Function_Families.h"

namespace {
constexpr int kRoomSide = 2000;

// Two objects with a 16 x 16 sprite; the first collides with both, through events with one
// empty code action, so the cost measured is mostly the finding of pairs.
void Setup() {
  static bool done = [] {
    InitFunctions(AllFunctionFamilies());
    InstallRuntimeHost();
    InstallSprites();
    const int32_t spr = Sprites().Add();
    CSprite& s = *Sprites().Get(spr);
    s.i_numb = 1;
    s.i_bitmap.emplace_back(16, 16, 0xFF000000);
    s.i_mask.emplace_back(s.i_bitmap[0], kBBoxAutomatic, RRect32{}, kMaskPrecise, 0);
    s.i_bbox = s.i_mask[0].i_bbox;
    for (int i = 0; i < 2; ++i) Objects().Get(ObjectAdd())->o_spriteindex = spr;
    InitInterpreter();
    for (int32_t other : {0, 1}) {
      CEvent* e = Objects().Get(0)->CreateEvent(ev_collision, other);
      e->AddCodeAction("");
      if (!e->e_actions[0]->Compile()) return false;
    }
    BuildEventLists();
    return true;
  }();
  if (!done) std::abort();
}

void BM_CollisionStep(benchmark::State& state) {
  Setup();
  CollisionMethod() = state.range(1) ? ECollisionMethod::Indexed : ECollisionMethod::Exhaustive;
  CRoom room;
  SetCurrentRoom(&room);
  const int count = static_cast<int>(state.range(0));
  for (int i = 0; i < count; ++i) {
    CInstance* inst = room.AddInstance((i * 7919) % kRoomSide, (i * 104729) % kRoomSide, i % 2);
    inst->Setspeed(2);
    inst->Setdirection(i % 360);
  }
  for (auto _ : state) {
    for (int i = 0; i < room.r_numb(); ++i) {
      CInstance* inst = room.Instance(i);
      double x = inst->i_x + inst->i_hspeed, y = inst->i_y + inst->i_vspeed;
      if (x < 0) x += kRoomSide;
      if (x >= kRoomSide) x -= kRoomSide;
      if (y < 0) y += kRoomSide;
      if (y >= kRoomSide) y -= kRoomSide;
      inst->SetPosition(x, y);
    }
    CollisionEvents();
  }
  state.SetItemsProcessed(state.iterations() * count);
  SetCurrentRoom(nullptr);
  CollisionMethod() = ECollisionMethod::Indexed;
}
// Second argument: 1 with the box index, 0 exhaustive.
BENCHMARK(BM_CollisionStep)->Args({2000, 1})->Args({2000, 0})->Unit(benchmark::kMillisecond);

}  // namespace
