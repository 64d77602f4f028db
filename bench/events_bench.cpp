// Event dispatch and instance upkeep with many instances: step events through the event object
// lists, code actions writing instance variables, motion, and creating and removing instances.
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
#include "runner/run/Run_Command.h"
#include "runner/run/Run_Host.h"
#include "runner/run/Run_Main.h"
#include "runner/functions/Function_Families.h"

namespace {
constexpr int kObjects = 20;

// Twenty objects, every other one a child of object 0, each with a step event of two code
// actions; object 0 also has an end step event that only its own instances and children reach.
void Setup() {
  static bool done = [] {
    InitFunctions(AllFunctionFamilies());
    InitInterpreter();
    InstallRuntimeHost();
    for (int i = 0; i < kObjects; ++i) {
      CObject* o = Objects().Get(ObjectAdd());
      if (i % 2 == 1) o->o_parent = 0;
      CEvent* step = o->CreateEvent(ev_step, 0);
      step->AddCodeAction("x += 1; if (x > 1000) x = 0;");
      step->AddCodeAction("counter += 1;");
      for (auto& a : step->e_actions)
        if (!a->Compile()) return false;
    }
    CEvent* end = Objects().Get(0)->CreateEvent(ev_step, 2);
    end->AddCodeAction("hspeed = 1;");
    if (!end->e_actions[0]->Compile()) return false;
    BuildEventLists();
    return true;
  }();
  if (!done) std::abort();
}

void Fill(CRoom& room, int count) {
  for (int i = 0; i < count; ++i) room.AddInstance(i % 640, i / 640, i % kObjects)->i_vars.SetVar(VarIdOfName("counter"), 0, RValue(0.0));
}

void BM_StepEvents(benchmark::State& state) {
  Setup();
  CRoom room;
  SetCurrentRoom(&room);
  Fill(room, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    PerformEventForObjects(ev_step, 0);
    PerformEventForObjects(ev_step, 2);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  SetCurrentRoom(nullptr);
}
BENCHMARK(BM_StepEvents)->Arg(1000)->Arg(10000);

void BM_Motion(benchmark::State& state) {
  Setup();
  CRoom room;
  Fill(room, static_cast<int>(state.range(0)));
  for (int i = 0; i < room.r_numb(); ++i) {
    room.Instance(i)->Setspeed(3);
    room.Instance(i)->Setdirection(i % 360);
    room.Instance(i)->i_friction = 0.01;
    room.Instance(i)->i_gravity = 0.02;
  }
  for (auto _ : state) {
    for (int i = 0; i < room.r_numb(); ++i) {
      CInstance* inst = room.Instance(i);
      inst->Adapt_Speed();
      inst->SetPosition(inst->i_x + inst->i_hspeed, inst->i_y + inst->i_vspeed);
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Motion)->Arg(10000);

void BM_CreateAndDestroy(benchmark::State& state) {
  Setup();
  CRoom room;
  SetCurrentRoom(&room);
  Fill(room, 10000);
  for (auto _ : state) {
    for (int i = 0; i < 500; ++i) DestroyInstance(CreateInstance(i % kObjects, 0, 0));
    room.RemoveMarked();
  }
  state.SetItemsProcessed(state.iterations() * 500);
  SetCurrentRoom(nullptr);
}
BENCHMARK(BM_CreateAndDestroy);
}  // namespace
