// Whole steps of a room full of active instances: begin, step and end step events through the
// event lists, motion with friction and gravity, removal of destroyed instances and the room's
// depth sort. BENCH_QUICK=1 shrinks the room so a check run stays fast.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "runner/code/Action_Class.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Main.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Host.h"
#include "runner/run/Run_Main.h"
#include "runner/functions/Function_Families.h"

namespace {
constexpr int kObjects = 8;

int Instances() { return std::getenv("BENCH_QUICK") ? 100 : 10000; }

// Eight objects, the odd ones children of object 0; a short step event that bounces the
// instance inside the room and counts, and an end step event on object 0 only.
void Setup() {
  static bool done = [] {
    InitFunctions(AllFunctionFamilies());
    InitInterpreter();
    InstallRuntimeHost();
    for (int i = 0; i < kObjects; ++i) {
      CObject* o = Objects().Get(ObjectAdd());
      if (i % 2 == 1) o->o_parent = 0;
      CEvent* step = o->CreateEvent(ev_step, 0);
      step->AddCodeAction(
          "if (x < 0 or x > 640) hspeed = -hspeed; if (y < 0 or y > 480) vspeed = -vspeed;"
          "steps += 1;");
      if (!step->e_actions[0]->Compile()) return false;
    }
    CEvent* end = Objects().Get(0)->CreateEvent(ev_step, 2);
    end->AddCodeAction("if (steps mod 100 == 0) depth = -depth;");
    if (!end->e_actions[0]->Compile()) return false;
    BuildEventLists();
    return true;
  }();
  if (!done) std::abort();
}

void BM_Step(benchmark::State& state) {
  Setup();
  CRoom room;
  SetCurrentRoom(&room);
  const int count = Instances();
  const int steps = VarIdOfName("steps");
  for (int i = 0; i < count; ++i) {
    CInstance* inst = room.AddInstance(i % 640, (i / 640) % 480, i % kObjects);
    inst->i_vars.SetVar(steps, 0, RValue(0.0));
    inst->Setspeed(2);
    inst->Setdirection(i % 360);
    inst->i_friction = 0.001;
    inst->i_gravity = 0.01;
    inst->i_depth = i % 50;
  }
  GameState().automatic_draw = state.range(0) != 0;
  for (auto _ : state) RunStep();
  state.SetItemsProcessed(state.iterations() * count);
  SetCurrentRoom(nullptr);
}
// Argument: room drawing on (1) or off (0); without a drawing hook "on" is the sort alone.
BENCHMARK(BM_Step)->ArgName("draw")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
}  // namespace
