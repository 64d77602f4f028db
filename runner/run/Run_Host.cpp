// The interpreter host on the runtime's instances; see Run_Host.h.
#include "runner/run/Run_Host.h"

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Variable_Access.h"
#include "runner/run/Game_Variables.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Instance_Variables.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Error.h"
#include "runner/run/Run_Main.h"

namespace {
class RuntimeHost final : public ExecHost {
 public:
  RuntimeHost() { direct = BuiltInDirectTable(); }
  CInstance* InstanceById(int32_t id) override {
    CRoom* room = CurrentRoom();
    return room ? room->FindInstance(id) : nullptr;
  }
  bool IsMarked(CInstance* inst) override { return inst && inst->i_marked; }
  CVariableList* InstanceVars(CInstance* inst) override { return inst ? &inst->i_vars : nullptr; }
  int32_t RoomInstanceCount() override {
    CRoom* room = CurrentRoom();
    return room ? room->r_numb() : 0;
  }
  CInstance* RoomInstanceAt(int32_t pos) override {
    CRoom* room = CurrentRoom();
    return room ? room->Instance(pos) : nullptr;
  }
  int32_t ObjectInstanceCount(int32_t object) override {
    CRoom* room = CurrentRoom();
    return room ? room->Obj_Number_Recursive(object) : 0;
  }
  CInstance* ObjectInstanceAt(int32_t object, int32_t pos) override {
    CRoom* room = CurrentRoom();
    return room ? room->Obj_Instance_Recursive(object, pos) : nullptr;
  }
  bool GetBuiltIn(CInstance* inst, int32_t id, int32_t arr, RValue& out) override {
    return ReadBuiltIn(inst, id, arr, out);
  }
  bool SetBuiltIn(CInstance* inst, int32_t id, int32_t arr, const RValue& v) override {
    return WriteBuiltIn(inst, id, arr, v);
  }
  CInstance* CreateTempInstance() override { return new CInstance(0, 0, 0, 0); }
  void DestroyTempInstance(CInstance* inst) override { delete inst; }
};
RuntimeHost g_host;
}  // namespace

void InstallRuntimeHost() {
  RegisterInstanceVariables();
  RegisterGameVariables();
  RegisterErrorVariables();
  SetErrorReporter(&RunErrorReporter());
  SetExecHost(&g_host);
}
