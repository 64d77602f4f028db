// Built-in motion planning functions (mp_*) and the two stepping actions: they read their
// arguments and call the linear and potential-field steps and the grids of the runtime.
#include <algorithm>
#include <cstdint>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Action.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Graphics_Draw.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Motion_Grid.h"
#include "runner/run/Motion_Potential.h"
#include "runner/run/Path_Class.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Main.h"

namespace {
using Args = RValue*;

constexpr int32_t kSelf = -1, kOther = -2, kAll = -3, kNoone = -4;
constexpr int32_t kFirstInstanceId = 100000;
constexpr int32_t kForbiddenColor = 255;  // c_red
constexpr int32_t kFreeColor = 32768;     // c_green

int32_t I(const RValue& v) {
  return RoundToInt32(v.val());
}
double D(const RValue& v) {
  return v.val();
}

// The avoid argument of the object variants: -1 and -2 stand for self's and other's ids.
RPlanAvoid AvoidObject(CInstance* self, CInstance* other, int32_t obj) {
  if (obj == kSelf) obj = self ? self->i_id : kNoone;
  if (obj == kOther) obj = other ? other->i_id : kNoone;
  return {obj, true};
}
RPlanAvoid AvoidAll(const RValue& checkall) {
  return {kAll, IsTrue(checkall.val())};
}

// The path a path variant fills, or null after the message.
CPath* TargetPath(const RValue& v) {
  CPath* path = PathAt(I(v));
  if (!path) ShowActionError("Trying to assign to a non-existing path.", false);
  return path;
}

void Step(CInstance* self, RValue* a, RPlanAvoid avoid, bool potential, RValue& r) {
  if (!self) return;
  const bool reached = potential ? PotentialStep(*self, D(a[0]), D(a[1]), D(a[2]), avoid)
                                 : LinearStep(*self, D(a[0]), D(a[1]), D(a[2]), avoid);
  r.SetReal(BoolReal(reached));
}

void mp_linear_step(CInstance* self, CInstance*, int32_t, Args a, RValue& r) {
  Step(self, a, AvoidAll(a[3]), false, r);
}
void mp_linear_step_object(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  Step(self, a, AvoidObject(self, other, I(a[3])), false, r);
}
void mp_potential_step(CInstance* self, CInstance*, int32_t, Args a, RValue& r) {
  Step(self, a, AvoidAll(a[3]), true, r);
}
void mp_potential_step_object(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  Step(self, a, AvoidObject(self, other, I(a[3])), true, r);
}

void mp_linear_path(CInstance* self, CInstance*, int32_t, Args a, RValue& r) {
  CPath* path = TargetPath(a[0]);
  if (path && self) r.SetReal(BoolReal(LinearPath(*self, *path, D(a[1]), D(a[2]), D(a[3]), AvoidAll(a[4]))));
}
void mp_linear_path_object(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  CPath* path = TargetPath(a[0]);
  if (path && self)
    r.SetReal(BoolReal(LinearPath(*self, *path, D(a[1]), D(a[2]), D(a[3]), AvoidObject(self, other, I(a[4])))));
}
void mp_potential_path(CInstance* self, CInstance*, int32_t, Args a, RValue& r) {
  CPath* path = TargetPath(a[0]);
  if (path && self)
    r.SetReal(BoolReal(PotentialPath(*self, *path, D(a[1]), D(a[2]), D(a[3]), D(a[4]), AvoidAll(a[5]))));
}
void mp_potential_path_object(CInstance* self, CInstance* other, int32_t, Args a, RValue& r) {
  CPath* path = TargetPath(a[0]);
  if (path && self)
    r.SetReal(BoolReal(
        PotentialPath(*self, *path, D(a[1]), D(a[2]), D(a[3]), D(a[4]), AvoidObject(self, other, I(a[5])))));
}

// Below 1 (or not a number) becomes 1: a search step of 0 would never end.
double AtLeastOne(const RValue& v) {
  return v.val() >= 1 ? v.val() : 1;
}

void mp_potential_settings(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  RMotionState& s = MotionState();
  s.maxrot = AtLeastOne(a[0]);
  s.rotstep = AtLeastOne(a[1]);
  s.ahead = AtLeastOne(a[2]);
  s.onspot = IsTrue(D(a[3]));
}

void mp_grid_create(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetReal(CreateGrid(I(a[0]), I(a[1]), I(a[2]), I(a[3]), I(a[4]), I(a[5])));
}
void mp_grid_destroy(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  DestroyGrid(I(a[0]));
}
void mp_grid_clear_all(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CGrid* g = GridAt(I(a[0]))) g->ClearAll();
}
void mp_grid_clear_cell(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CGrid* g = GridAt(I(a[0]))) g->ClearCell(I(a[1]), I(a[2]));
}
void mp_grid_add_cell(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CGrid* g = GridAt(I(a[0]))) g->AddCell(I(a[1]), I(a[2]));
}
void mp_grid_clear_rectangle(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CGrid* g = GridAt(I(a[0]))) g->ClearRectangle(I(a[1]), I(a[2]), I(a[3]), I(a[4]));
}
void mp_grid_add_rectangle(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CGrid* g = GridAt(I(a[0]))) g->AddRectangle(I(a[1]), I(a[2]), I(a[3]), I(a[4]));
}

bool Live(const CInstance* inst) {
  return inst && !inst->i_marked;
}

void mp_grid_add_instances(CInstance* self, CInstance* other, int32_t, Args a, RValue&) {
  CGrid* g = GridAt(I(a[0]));
  if (!g) return;
  const int32_t obj = I(a[1]);
  const bool prec = IsTrue(D(a[2]));
  auto add = [&](CInstance* inst) {
    if (Live(inst)) g->AddInstance(*inst, prec);
  };
  if (obj == kSelf || obj == kOther) return add(obj == kSelf ? self : other);
  CRoom* room = CurrentRoom();
  if (!room) return;
  if (obj == kAll) {
    for (int32_t i = 0; i < room->r_numb(); ++i) add(room->Instance(i));
  } else if (obj >= kFirstInstanceId) {
    add(room->FindInstance(obj));
  } else if (obj >= 0) {
    for (int32_t i = 0; i < room->Obj_Number_Recursive(obj); ++i) add(room->Obj_Instance_Recursive(obj, i));
  }
}

void mp_grid_path(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  CGrid* g = GridAt(I(a[0]));
  CPath* path = TargetPath(a[1]);
  if (g && path) r.SetReal(BoolReal(g->FindPath(*path, D(a[2]), D(a[3]), D(a[4]), D(a[5]), IsTrue(D(a[6])))));
}

void mp_grid_draw(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const CGrid* g = GridAt(I(a[0]));
  if (!g) return;
  for (int32_t i = 0; i < g->i_hcells; ++i)
    for (int32_t j = 0; j < g->i_vcells; ++j) {
      const int32_t col = g->Cell(i, j) == kCellForbidden ? kForbiddenColor : kFreeColor;
      const double x1 = g->i_left + static_cast<double>(g->i_cellw) * i, y1 = g->i_top + static_cast<double>(g->i_cellh) * j;
      Draw_Rectangle(x1, y1, x1 + g->i_cellw - 1, y1 + g->i_cellh - 1, col, col, col, col, false);
    }
}

// The actions: a relative point, and solid instances (objects < 0.5) or all of them avoided.
void StepAction(CInstance* self, Args a, bool potential, RValue& r) {
  double x = D(a[0]), y = D(a[1]);
  RelativePoint(self, x, y);
  RValue args[3] = {RValue(x), RValue(y), a[2]};
  Step(self, args, {kAll, D(a[3]) >= 0.5}, potential, r);
}
void action_linear_step(CInstance* self, CInstance*, int32_t, Args a, RValue& r) {
  StepAction(self, a, false, r);
}
void action_potential_step(CInstance* self, CInstance*, int32_t, Args a, RValue& r) {
  StepAction(self, a, true, r);
}

constexpr RFunctionDef kMotionPlanningFunctions[] = {
    {"mp_linear_step", 4, mp_linear_step},
    {"mp_linear_path", 5, mp_linear_path},
    {"mp_linear_step_object", 4, mp_linear_step_object},
    {"mp_linear_path_object", 5, mp_linear_path_object},
    {"mp_potential_settings", 4, mp_potential_settings},
    {"mp_potential_step", 4, mp_potential_step},
    {"mp_potential_path", 6, mp_potential_path},
    {"mp_potential_step_object", 4, mp_potential_step_object},
    {"mp_potential_path_object", 6, mp_potential_path_object},
    {"mp_grid_create", 6, mp_grid_create},
    {"mp_grid_destroy", 1, mp_grid_destroy},
    {"mp_grid_clear_all", 1, mp_grid_clear_all},
    {"mp_grid_clear_cell", 3, mp_grid_clear_cell},
    {"mp_grid_clear_rectangle", 5, mp_grid_clear_rectangle},
    {"mp_grid_add_cell", 3, mp_grid_add_cell},
    {"mp_grid_add_rectangle", 5, mp_grid_add_rectangle},
    {"mp_grid_add_instances", 3, mp_grid_add_instances},
    {"mp_grid_path", 7, mp_grid_path},
    {"mp_grid_draw", 1, mp_grid_draw},
    {"action_linear_step", 4, action_linear_step},
    {"action_potential_step", 4, action_potential_step},
};
}  // namespace

FunctionFamily MotionPlanningFunctions() {
  return kMotionPlanningFunctions;
}
