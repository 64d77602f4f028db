// Triggers, their chunk, their preparation and the step's trigger phases; see Trigger_Class.h.
#include "runner/run/Trigger_Class.h"

#include <string>

#include "runner/base/Load_Chunks.h"
#include "runner/base/Support_Stream.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

void CTrigger::Clear() {
  i_name.clear();
  i_condition.clear();
  i_code.reset();
  i_constname.clear();
  i_moment = kTriggerBeginStep;
}

bool CTrigger::LoadFromStream(CStream& s) {
  Clear();
  if (s.ReadInteger() != kTriggerVersion) return false;
  i_name = s.ReadString();
  i_condition = s.ReadString();
  i_moment = s.ReadInteger();
  i_constname = s.ReadString();
  return true;
}

bool CTrigger::Prepare() {
  i_code = std::make_unique<CCode>(i_condition, true);
  return i_code->Compile();
}

TResourceList<CTrigger>& Triggers() { return TheGame().State<RTriggersState>().triggers; }

std::string TriggerName(int32_t index) {
  const CTrigger* t = Triggers().Get(index);
  return t ? t->i_name : std::string("<Deleted>");
}

int32_t FindTriggerByConstant(std::string_view name) {
  for (int32_t i = 0; i < Triggers().Count(); ++i) {
    const CTrigger* t = Triggers().Get(i);
    if (t && t->i_constname == name) return i;
  }
  return -1;
}

bool LoadTriggers(CStream& s) {
  TResourceList<CTrigger>& triggers = Triggers();
  triggers.Clear();
  SetEventListTriggerCount(0);
  if (s.ReadInteger() != kChunkVersion) return false;
  const int32_t count = s.ReadInteger();
  if (count < 0 || int64_t{count} * 4 > int64_t{s.GetSize()} - s.GetPosition()) throw StreamError("bad trigger count");
  for (int32_t i = 0; i < count; ++i) {
    CStream e = s.ReadStreamC();
    triggers.Put(i, nullptr, std::string());
    if (!e.ReadBoolean()) continue;
    auto trigger = std::make_unique<CTrigger>();
    if (!trigger->LoadFromStream(e)) {
      triggers.Clear();
      return false;
    }
    std::string name = trigger->i_name;
    triggers.Put(i, std::move(trigger), std::move(name));
  }
  // The trigger events of objects are found through the event lists, one per trigger.
  SetEventListTriggerCount(triggers.Count());
  return true;
}

bool PrepareTriggers() {
  for (int32_t i = 0; i < Triggers().Count(); ++i) {
    CTrigger* t = Triggers().Get(i);
    if (!t || t->Prepare()) continue;
    const std::string msg = "COMPILATION ERROR in condition of trigger " + t->i_name + "\r" + CodeError().message;
    ClearCodeError();
    ShowError(msg, true);
    return false;
  }
  return true;
}

namespace {
int32_t StoredMoment(ETriggerMoment moment) {
  switch (moment) {
    case ETriggerMoment::BeginStep: return kTriggerBeginStep;
    case ETriggerMoment::EndStep: return kTriggerEndStep;
    default: return kTriggerStep;
  }
}

// True when the condition holds for the instance; an error is reported and counts as false.
bool ConditionHolds(int32_t index, CInstance* inst) {
  CTrigger* t = Triggers().Get(index);
  if (!t || !t->i_code) return false;
  RValue result;
  if (!ExecuteCode(inst, inst, *t->i_code, result)) {
    const std::string msg = "ERROR in trigger " + t->i_name + "\r\n" + CodeError().message;
    ClearCodeError();
    ShowError(msg, false);
    return false;
  }
  return !result.IsString() && result.val() >= 0.5;
}
}  // namespace

void RunTriggers(ETriggerMoment moment) {
  CRoom* room = CurrentRoom();
  if (!room) return;
  const int32_t stored = StoredMoment(moment);
  ActionWalkScope walking;
  for (int32_t i = 0; i < Triggers().Count(); ++i) {
    const std::span<const REventTarget> targets = EventObjectList(ev_trigger, i);
    if (targets.empty()) continue;
    const CTrigger* t = Triggers().Get(i);
    if (!t || t->i_moment != stored) continue;
    for (const REventTarget& target : targets) {
      const int32_t count = room->Obj_Number(target.object);
      for (int32_t k = 0; k < count; ++k) {
        CInstance* inst = room->Obj_Instance(target.object, k);
        if (!inst || inst->i_marked) continue;
        if (ConditionHolds(i, inst)) PerformFoundEvent(inst, inst, target.found, ev_trigger, i);
      }
    }
  }
}
