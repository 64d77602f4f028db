// CTrigger: a named condition in game code, evaluated for the instances that react to it at
// one moment of the step (begin step, step or end step), firing the trigger event when it holds.
// Also the trigger list, the triggers chunk, their preparation and the step's trigger phases.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runner/base/Game.h"
#include "runner/base/Resource_List.h"
#include "runner/code/Code_Main.h"
#include "runner/run/Run_Hooks.h"

class CStream;

inline constexpr int32_t kTriggerVersion = 800;
// The moments as stored in a trigger.
inline constexpr int32_t kTriggerStep = 0, kTriggerBeginStep = 1, kTriggerEndStep = 2;

class CTrigger {
 public:
  void Clear();
  // False on a wrong record version; damaged data throws StreamError.
  bool LoadFromStream(CStream& str);
  // Compiles the condition; false with the compiler's message pending (Code_Error).
  bool Prepare();

  std::string i_name;
  std::string i_condition;
  std::unique_ptr<CCode> i_code;
  std::string i_constname;
  int32_t i_moment = kTriggerBeginStep;
};

struct RTriggersState {
  static constexpr EGameSlot kSlot = EGameSlot::Triggers;
  TResourceList<CTrigger> triggers{"__newtrigger"};
};
TResourceList<CTrigger>& Triggers();
// The trigger's own name, "<Deleted>" when it does not exist.
std::string TriggerName(int32_t index);
// The first present trigger whose constant name is exactly name, else -1.
int32_t FindTriggerByConstant(std::string_view name);

// The triggers chunk. False on a wrong chunk or record version.
bool LoadTriggers(CStream& str);
// Compiles every trigger's condition; the first that fails is reported and fails the step.
bool PrepareTriggers();

// The triggers of one moment of the step, for the instances whose objects react to them.
void RunTriggers(ETriggerMoment moment);
