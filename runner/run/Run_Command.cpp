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

int32_t CopyInstance(CInstance* inst, bool perform) {
  CRoom* room = CurrentRoom();
  if (!inst || !room) return -4;
  CInstance* copy = room->AddInstance(inst->i_x, inst->i_y, inst->i_objectindex);
  const int32_t id = copy->i_id;
  copy->Assign(*inst);
  copy->i_id = id;
  if (perform) PerformObjectEvent(copy, copy, copy->i_objectindex, ev_create, 0);
  return id;
}

void ChangeInstance(CInstance* inst, int32_t object, bool perform) {
  if (!ObjectExists(object)) {
    ShowActionError("Asking to change into non-existing object: " + std::to_string(object), false);
    return;
  }
  CRoom* room = CurrentRoom();
  if (!inst || !room) return;
  if (perform) PerformObjectEvent(inst, inst, inst->i_objectindex, ev_destroy, 0);
  CInstance* changed = room->AddInstance(inst->i_x, inst->i_y, object);
  changed->Assign(*inst);
  changed->Setobjectindex(object);
  room->InvalidateIds();
  inst->i_marked = true;
  if (perform) PerformObjectEvent(changed, changed, object, ev_create, 0);
}

void SetInstanceSprite(CInstance* inst, int32_t sprite) {
  RSpriteShape shape;
  if (!GetSpriteShape(sprite, shape)) {
    ShowActionError("Setting instance to non-existing sprite: " + std::to_string(sprite), false);
    return;
  }
  if (inst) inst->Setspriteindex(sprite);
}
