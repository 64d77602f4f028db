// Whole steps of a room whose instances all follow paths: a smooth closed path and a straight
// open one that bounces, at different speeds, scales and orientations, with the end-of-path
// event. BENCH_QUICK=1 shrinks the room so a check run stays fast.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/functions/Function_Families.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Path_Class.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Host.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"

namespace {

int Instances() { return std::getenv("BENCH_QUICK") ? 100 : 10000; }

void Setup() {
  static bool done = [] {
    InitFunctions(AllFunctionFamilies());
    InitInterpreter();
    InstallRuntimeHost();
    RunHooks().adaptPath = [](CInstance* inst) { return inst->Adapt_Path(); };
    CPath* smooth = Paths().Get(Paths().Add());
    for (auto [x, y] : {std::pair{0, 0}, {200, 0}, {260, 120}, {120, 220}, {-40, 120}}) smooth->AddPoint(x, y, 100);
    smooth->SetKind(1);
    CPath* line = Paths().Get(Paths().Add());
    line->AddPoint(0, 0, 100);
    line->AddPoint(300, 40, 50);
    line->AddPoint(320, 200, 150);
    line->SetClosed(false);
    CObject* o = Objects().Get(ObjectAdd());
    CEvent* end = o->CreateEvent(ev_other, 8);
    end->AddCodeAction("laps += 1;");
    if (!end->e_actions[0]->Compile()) return false;
    BuildEventLists();
    return true;
  }();
  if (!done) std::abort();
}

void BM_PathStep(benchmark::State& state) {
  Setup();
  CRoom room;
  SetCurrentRoom(&room);
  const int count = Instances();
  for (int i = 0; i < count; ++i) {
    CInstance* inst = room.AddInstance(i % 640, (i / 640) % 480, 0);
    const bool smooth = i % 2 == 0;
    inst->Assign_Path(smooth ? 0 : 1, 1 + i % 7, 0.5 + (i % 4) * 0.25, (i % 8) * 45, true, smooth ? 1 : 3);
  }
  GameState().automatic_draw = false;
  for (auto _ : state) RunStep();
  state.SetItemsProcessed(state.iterations() * count);
  SetCurrentRoom(nullptr);
}
BENCHMARK(BM_PathStep)->Unit(benchmark::kMillisecond);
}  // namespace
