// Built-in functions of paths and time lines: starting and ending an instance's path, reading
// and changing path resources, drawing a path, changing time lines at run time, and the actions
// of the standard libraries that move instances along paths and drive their time lines.
#include <cmath>
#include <cstdint>
#include <string>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Graphics_Draw.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Path_Class.h"
#include "runner/run/TimeLine_Class.h"

namespace {
using Args = RValue*;

int32_t I(const RValue& v) { return RoundToInt32(v.val()); }
bool B(const RValue& v) { return v.val() >= 0.5; }
void Real(RValue& r, double v) { r.SetReal(v); }
bool Relative() { return Arguments().relative != 0; }

// --- instances on paths ---------------------------------------------------------------------

void path_start(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (self) self->Assign_Path(I(a[0]), a[1].val(), 1, 0, !B(a[3]), I(a[2]));
}

void path_end(CInstance* self, CInstance*, int32_t, Args, RValue&) {
  if (self) self->i_pathindex = -1;
}

// --- path resources -------------------------------------------------------------------------

CPath* PathArg(const RValue& v) { return PathAt(I(v)); }

void path_name(CInstance*, CInstance*, int32_t, Args a, RValue& r) { r.SetString(Paths().Name(I(a[0]))); }
void path_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, Paths().Exists(I(a[0])) ? 1 : 0); }

// A numeric getter: -1 for a missing path.
template <double (*Get)(const CPath&)>
void PathGetter(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CPath* p = PathArg(a[0]);
  Real(r, p ? Get(*p) : -1);
}
double Length(const CPath& p) { return p.i_length; }
double Kind(const CPath& p) { return p.i_kind; }
double Closed(const CPath& p) { return p.i_closed ? 1 : 0; }
double Precision(const CPath& p) { return p.i_precision; }
double Number(const CPath& p) { return p.Count(); }

template <double RWayPoint::*Field>
void PointGetter(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CPath* p = PathArg(a[0]);
  Real(r, p ? p->GetPoint(I(a[1])).*Field : -1);
}

template <double (CPath::*Get)(double) const>
void PositionGetter(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CPath* p = PathArg(a[0]);
  Real(r, p ? (p->*Get)(a[1].val()) : -1);
}

void path_set_kind(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->SetKind(I(a[1]));
}
void path_set_closed(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->SetClosed(B(a[1]));
}
void path_set_precision(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->SetPrecision(I(a[1]));
}

void path_add(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, Paths().Add()); }

void path_duplicate(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const CPath* src = PathArg(a[0]);
  if (!src) {
    ShowActionError("Trying to duplicate non-existing path.", false);
    Real(r, -1);
    return;
  }
  const int32_t ind = Paths().Add();
  Paths().Get(ind)->Assign(*src);  // entries stay where they are while the list grows
  Real(r, ind);
}

void path_assign(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CPath* dest = PathArg(a[0]);
  const CPath* src = PathArg(a[1]);
  if (!dest || !src) {
    ShowActionError("Error assigning a path.", false);
    return;
  }
  dest->Assign(*src);
}

void path_append(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  CPath* dest = PathArg(a[0]);
  if (!dest) {
    ShowActionError("Appending to non-existing path.", false);
    return;
  }
  const CPath* src = PathArg(a[1]);
  if (!src) {
    ShowActionError("Appending a non-existing path.", false);
    return;
  }
  dest->Append(*src);
}

void path_delete(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (!Paths().Delete(I(a[0]))) ShowActionError("Trying to delete non-existing path.", false);
}

void path_add_point(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->AddPoint(a[1].val(), a[2].val(), a[3].val());
}
void path_insert_point(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->InsertPoint(I(a[1]), a[2].val(), a[3].val(), a[4].val());
}
void path_change_point(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->ChangePoint(I(a[1]), a[2].val(), a[3].val(), a[4].val());
}
void path_delete_point(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->DeletePoint(I(a[1]));
}
void path_clear_points(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->ClearPoints();
}
void path_reverse(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->Reverse();
}
void path_mirror(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->Mirror();
}
void path_flip(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->Flip();
}
void path_rotate(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->Rotate(a[1].val());
}
void path_scale(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->Scale(a[1].val(), a[2].val());
}
void path_shift(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CPath* p = PathArg(a[0])) p->Shift(a[1].val(), a[2].val());
}

// A line strip through samples every 4 pixels along the path, in strips of at most 500
// samples; each new strip starts at the last sample of the one before, so the line is whole.
void draw_path(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const CPath* p = PathArg(a[0]);
  if (!p || !std::isfinite(p->i_length)) return;
  const int64_t n = RoundToInt64(p->i_length / 4);
  if (n <= 0) return;
  double xoff = a[1].val(), yoff = a[2].val();
  if (!B(a[3])) {
    xoff -= p->XPosition(0);
    yoff -= p->YPosition(0);
  }
  const int32_t col = Draw_GetColor();
  const double alpha = Draw_GetAlpha();
  double x = 0, y = 0, sp = 0;
  Draw_PrimitiveBegin(3, -1);
  for (int64_t i = 0; i <= n; ++i) {
    p->GetPosition(static_cast<double>(i) / static_cast<double>(n), x, y, sp);
    if (Draw_PrimitiveVertexCount() >= 500) {
      Draw_PrimitiveEnd();
      Draw_PrimitiveBegin(3, -1);
      double px, py;
      p->GetPosition(static_cast<double>(i - 1) / static_cast<double>(n), px, py, sp);
      Draw_Vertex(px + xoff, py + yoff, 0, 0, col, alpha);
    }
    Draw_Vertex(x + xoff, y + yoff, 0, 0, col, alpha);
  }
  Draw_PrimitiveEnd();
}

// --- time line resources --------------------------------------------------------------------

void timeline_name(CInstance*, CInstance*, int32_t, Args a, RValue& r) { r.SetString(TimeLines().Name(I(a[0]))); }
void timeline_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  Real(r, TimeLines().Exists(I(a[0])) ? 1 : 0);
}
void timeline_add(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, TimeLines().Add()); }
void timeline_delete(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (!TimeLineDelete(I(a[0]))) ShowActionError("Trying to delete non-existing timeline.", false);
}
void timeline_clear(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CTimeLine* t = TimeLines().Get(I(a[0]))) t->Clear();
}
void timeline_moment_clear(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (CTimeLine* t = TimeLines().Get(I(a[0]))) t->DeleteMoment(I(a[1]));
}
void timeline_moment_add(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t index = I(a[0]);
  CTimeLine* t = TimeLines().Get(index);
  if (!t) return;
  const int32_t step = I(a[1]);
  CEvent* event = t->GetEvent(t->AddMoment(step));
  // Compiled as the time line's own actions are, so an error names the time line and step.
  EventContextScope scope({index, kTimeLineEventType, step, event->e_number()});
  event->AddCodeAction(a[2].IsString() ? a[2].str() : std::string_view()).Compile();
}

// --- actions ----------------------------------------------------------------------------------

void action_path(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (self) self->Assign_Path(I(a[0]), a[1].val(), 1, 0, !B(a[3]), I(a[2]));
}
void action_path_end(CInstance* self, CInstance*, int32_t, Args, RValue&) {
  if (self) self->i_pathindex = -1;
}
void action_path_position(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (self) self->Setpathposition(a[0].val() + (Relative() ? self->i_pathposition : 0));
}
void action_path_speed(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (self) self->Setpathspeed(a[0].val() + (Relative() ? self->i_pathspeed : 0));
}
void action_path_old(CInstance*, CInstance*, int32_t, Args, RValue&) {}

void action_set_timeline(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (!self) return;
  self->i_timelineindex = I(a[0]);
  self->i_timelineposition = I(a[1]);
  self->i_timelinerunning = true;
}
void action_timeline_set(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (!self) return;
  self->i_timelineindex = I(a[0]);
  self->i_timelineposition = I(a[1]);
  self->i_timelinerunning = I(a[2]) == 0;  // the first choice of the action is "start immediately"
  self->i_timelineloop = I(a[3]) == 1;
}
void action_timeline_start(CInstance* self, CInstance*, int32_t, Args, RValue&) {
  if (self) self->i_timelinerunning = true;
}
void action_timeline_pause(CInstance* self, CInstance*, int32_t, Args, RValue&) {
  if (self) self->i_timelinerunning = false;
}
void action_timeline_stop(CInstance* self, CInstance*, int32_t, Args, RValue&) {
  if (!self) return;
  self->i_timelineposition = 0;
  self->i_timelinerunning = false;
}
void action_set_timeline_position(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (self) self->i_timelineposition = I(a[0]) + (Relative() ? self->i_timelineposition : 0);
}
void action_set_timeline_speed(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  if (self) self->i_timelinespeed = a[0].val() + (Relative() ? self->i_timelinespeed : 0);
}

constexpr RFunctionDef kPathFunctions[] = {
    {"path_start", 4, path_start},
    {"path_end", 0, path_end},
    {"path_name", 1, path_name},
    {"path_get_name", 1, path_name},
    {"path_exists", 1, path_exists},
    {"path_get_length", 1, PathGetter<Length>},
    {"path_get_kind", 1, PathGetter<Kind>},
    {"path_get_closed", 1, PathGetter<Closed>},
    {"path_get_precision", 1, PathGetter<Precision>},
    {"path_get_number", 1, PathGetter<Number>},
    {"path_get_point_x", 2, PointGetter<&RWayPoint::x>},
    {"path_get_point_y", 2, PointGetter<&RWayPoint::y>},
    {"path_get_point_speed", 2, PointGetter<&RWayPoint::speed>},
    {"path_get_x", 2, PositionGetter<&CPath::XPosition>},
    {"path_get_y", 2, PositionGetter<&CPath::YPosition>},
    {"path_get_speed", 2, PositionGetter<&CPath::Speed>},
    {"path_set_kind", 2, path_set_kind},
    {"path_set_closed", 2, path_set_closed},
    {"path_set_precision", 2, path_set_precision},
    {"path_add", 0, path_add},
    {"path_duplicate", 1, path_duplicate},
    {"path_assign", 2, path_assign},
    {"path_append", 2, path_append},
    {"path_delete", 1, path_delete},
    {"path_add_point", 4, path_add_point},
    {"path_insert_point", 5, path_insert_point},
    {"path_change_point", 5, path_change_point},
    {"path_delete_point", 2, path_delete_point},
    {"path_clear_points", 1, path_clear_points},
    {"path_reverse", 1, path_reverse},
    {"path_mirror", 1, path_mirror},
    {"path_flip", 1, path_flip},
    {"path_rotate", 2, path_rotate},
    {"path_scale", 3, path_scale},
    {"path_shift", 3, path_shift},
    {"draw_path", 4, draw_path},
    {"timeline_name", 1, timeline_name},
    {"timeline_get_name", 1, timeline_name},
    {"timeline_exists", 1, timeline_exists},
    {"timeline_add", 0, timeline_add},
    {"timeline_delete", 1, timeline_delete},
    {"timeline_clear", 1, timeline_clear},
    {"timeline_moment_clear", 2, timeline_moment_clear},
    {"timeline_moment_add", 3, timeline_moment_add},
    {"action_path", 4, action_path},
    {"action_path_end", 0, action_path_end},
    {"action_path_position", 1, action_path_position},
    {"action_path_speed", 1, action_path_speed},
    {"action_path_old", 3, action_path_old},
    {"action_set_timeline", 2, action_set_timeline},
    {"action_timeline_set", 4, action_timeline_set},
    {"action_timeline_start", 0, action_timeline_start},
    {"action_timeline_pause", 0, action_timeline_pause},
    {"action_timeline_stop", 0, action_timeline_stop},
    {"action_set_timeline_position", 1, action_set_timeline_position},
    {"action_set_timeline_speed", 1, action_set_timeline_speed},
};
}  // namespace

FunctionFamily PathFunctions() { return kPathFunctions; }
