// Instance commands; see Run_Command.h.
#include "runner/run/Run_Command.h"

#include <string>

#include "runner/code/Code_Error.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

CInstance* CreateInstance(int32_t object, double x, double y) {
  if (!ObjectExists(object)) {
    ShowActionError("Creating instance for non-existing object: " + std::to_string(object), false);
    return nullptr;
  }
  CRoom* room = CurrentRoom();
  if (!room) return nullptr;
  CInstance* inst = room->AddInstance(x, y, object);
  PerformObjectEvent(inst, inst, object, ev_create, 0);
  return inst;
}

void DestroyInstance(CInstance* inst) {
  // Destroying an instance again from inside its own destroy event would recurse without end.
  if (!inst || inst->i_marked || inst->i_destroying) return;
  inst->i_destroying = true;
  PerformObjectEvent(inst, inst, inst->i_objectindex, ev_destroy, 0);
  inst->i_destroying = false;
  inst->i_marked = true;
}
