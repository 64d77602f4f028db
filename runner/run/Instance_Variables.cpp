// Instance and event built-in variables; see Instance_Variables.h.
#include "runner/run/Instance_Variables.h"

#include "runner/code/Variable_Access.h"
#include "runner/code/Variable_Class.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Instance_Class.h"

namespace {
// Writes convert by the variable's type: reals as they are, integers rounded, booleans true
// from 1 after rounding. Setters read the real part whatever the value's kind.
int32_t Int(const RValue& v) { return RoundToInt32(v.val()); }

bool Put(RValue& out, double v) {
  out.SetReal(v);
  return true;
}

// Every variable below is a real read from the instance, so each also gets its direct form
// (Variable_Access.h), built from the same two functions as its getter and setter: the two
// ways cannot disagree.
template <auto Get, auto Set>
void Variable(const char* name) {
  SetBuiltInAccess(
      name, [](CInstance* i, int32_t, RValue& o) { return i && Put(o, Get(*i)); },
      [](CInstance* i, int32_t, const RValue& v) {
        if (i) Set(*i, v.val());
        return i != nullptr;
      });
  SetBuiltInDirect(name, [](CInstance* i) { return Get(*i); }, [](CInstance* i, double v) { Set(*i, v); });
}
template <auto Get>
void ReadOnly(const char* name) {
  SetBuiltInAccess(name, [](CInstance* i, int32_t, RValue& o) { return i && Put(o, Get(*i)); }, nullptr);
  SetBuiltInDirect(name, [](CInstance* i) { return Get(*i); }, nullptr);
}

template <auto F>
double Load(const CInstance& i) {
  return static_cast<double>(i.*F);
}
template <double CInstance::* F>
void Real(const char* name) {
  Variable<Load<F>, [](CInstance& i, double v) { i.*F = v; }>(name);
}
template <int32_t CInstance::* F>
void Integer(const char* name) {
  Variable<Load<F>, [](CInstance& i, double v) { i.*F = RoundToInt32(v); }>(name);
}
template <bool CInstance::* F>
void Boolean(const char* name) {
  Variable<[](const CInstance& i) { return i.*F ? 1.0 : 0.0; }, [](CInstance& i, double v) {
    i.*F = RoundToInt32(v) >= 1;
  }>(name);
}
// A real written through one of the instance's setters.
template <double CInstance::* F, void (CInstance::*Set)(double)>
void RealVia(const char* name) {
  Variable<Load<F>, [](CInstance& i, double v) { (i.*Set)(v); }>(name);
}
void ReadOnly(const char* name, BuiltInGetter get) { SetBuiltInAccess(name, get, nullptr); }

int32_t AlarmIndex(int32_t arr) { return arr >= 0 && arr < kAlarmCount ? arr : 0; }

double SpriteValue(const CInstance& i, int32_t RSpriteShape::* f, double scale) {
  RSpriteShape s;
  return GetSpriteShape(i.i_spriteindex, s) ? s.*f * scale : 0;
}
}  // namespace

void RegisterInstanceVariables() {
  Variable<Load<&CInstance::i_x>, [](CInstance& i, double v) { i.SetPosition(v, i.i_y); }>("x");
  Variable<Load<&CInstance::i_y>, [](CInstance& i, double v) { i.SetPosition(i.i_x, v); }>("y");
  Real<&CInstance::i_xprevious>("xprevious");
  Real<&CInstance::i_yprevious>("yprevious");
  Real<&CInstance::i_xstart>("xstart");
  Real<&CInstance::i_ystart>("ystart");
  RealVia<&CInstance::i_hspeed, &CInstance::Sethspeed>("hspeed");
  RealVia<&CInstance::i_vspeed, &CInstance::Setvspeed>("vspeed");
  RealVia<&CInstance::i_direction, &CInstance::Setdirection>("direction");
  RealVia<&CInstance::i_speed, &CInstance::Setspeed>("speed");
  Real<&CInstance::i_friction>("friction");
  Real<&CInstance::i_gravity>("gravity");
  Real<&CInstance::i_gravitydir>("gravity_direction");
  ReadOnly<Load<&CInstance::i_objectindex>>("object_index");
  ReadOnly<Load<&CInstance::i_id>>("id");
  SetBuiltInAccess(
      "alarm", [](CInstance* i, int32_t arr, RValue& o) { return i && Put(o, i->GetAlarm(AlarmIndex(arr))); },
      [](CInstance* i, int32_t arr, const RValue& v) {
        if (i) i->SetAlarm(AlarmIndex(arr), Int(v));
        return i != nullptr;
      });
  Boolean<&CInstance::i_solid>("solid");
  Boolean<&CInstance::i_visible>("visible");
  Boolean<&CInstance::i_persistent>("persistent");
  Real<&CInstance::i_depth>("depth");
  ReadOnly<[](const CInstance& i) { return static_cast<double>(i.i_bbox.left); }>("bbox_left");
  ReadOnly<[](const CInstance& i) { return static_cast<double>(i.i_bbox.right); }>("bbox_right");
  ReadOnly<[](const CInstance& i) { return static_cast<double>(i.i_bbox.top); }>("bbox_top");
  ReadOnly<[](const CInstance& i) { return static_cast<double>(i.i_bbox.bottom); }>("bbox_bottom");
  Variable<Load<&CInstance::i_spriteindex>, [](CInstance& i, double v) { i.Setspriteindex(RoundToInt32(v)); }>(
      "sprite_index");
  Real<&CInstance::i_imageindex>("image_index");
  SetBuiltInAccess(
      "image_single",
      [](CInstance* i, int32_t, RValue& o) { return i && Put(o, i->i_imagespeed != 0 ? -1 : i->i_imageindex); },
      [](CInstance* i, int32_t, const RValue& v) {
        if (!i) return false;
        if (v.val() >= 0) {
          i->i_imageindex = v.val();
          i->i_imagespeed = 0;
        } else {
          i->i_imagespeed = 1;
        }
        return true;
      });
  ReadOnly("image_number", [](CInstance* i, int32_t, RValue& o) { return i && Put(o, i->Getimagenumber()); });
  ReadOnly("sprite_width", [](CInstance* i, int32_t, RValue& o) {
    return i && Put(o, SpriteValue(*i, &RSpriteShape::width, i->i_imagescalex));
  });
  ReadOnly("sprite_height", [](CInstance* i, int32_t, RValue& o) {
    return i && Put(o, SpriteValue(*i, &RSpriteShape::height, i->i_imagescaley));
  });
  ReadOnly("sprite_xoffset", [](CInstance* i, int32_t, RValue& o) {
    return i && Put(o, SpriteValue(*i, &RSpriteShape::xorig, i->i_imagescalex));
  });
  ReadOnly("sprite_yoffset", [](CInstance* i, int32_t, RValue& o) {
    return i && Put(o, SpriteValue(*i, &RSpriteShape::yorig, i->i_imagescaley));
  });
  RealVia<&CInstance::i_imagescalex, &CInstance::Setimagescalex>("image_xscale");
  RealVia<&CInstance::i_imagescaley, &CInstance::Setimagescaley>("image_yscale");
  RealVia<&CInstance::i_imageangle, &CInstance::Setimageangle>("image_angle");
  Real<&CInstance::i_imagealpha>("image_alpha");
  SetBuiltInAccess(
      "image_blend", [](CInstance* i, int32_t, RValue& o) { return i && Put(o, i->i_imageblend); },
      [](CInstance* i, int32_t, const RValue& v) {
        if (i) i->i_imageblend = static_cast<uint32_t>(RoundToInt64(v.val()));
        return i != nullptr;
      });
  Real<&CInstance::i_imagespeed>("image_speed");
  Variable<Load<&CInstance::i_maskindex>, [](CInstance& i, double v) { i.Setmaskindex(RoundToInt32(v)); }>(
      "mask_index");
  ReadOnly("path_index", [](CInstance* i, int32_t, RValue& o) { return i && Put(o, i->i_pathindex); });
  RealVia<&CInstance::i_pathposition, &CInstance::Setpathposition>("path_position");
  RealVia<&CInstance::i_pathpositionprevious, &CInstance::Setpathpositionprevious>("path_positionprevious");
  RealVia<&CInstance::i_pathspeed, &CInstance::Setpathspeed>("path_speed");
  Real<&CInstance::i_pathscale>("path_scale");
  Real<&CInstance::i_pathorientation>("path_orientation");
  Integer<&CInstance::i_pathend>("path_endaction");
  Integer<&CInstance::i_timelineindex>("timeline_index");
  Real<&CInstance::i_timelineposition>("timeline_position");
  Real<&CInstance::i_timelinespeed>("timeline_speed");
  Boolean<&CInstance::i_timelinerunning>("timeline_running");
  Boolean<&CInstance::i_timelineloop>("timeline_loop");

  ReadOnly("event_type", [](CInstance*, int32_t, RValue& o) { return Put(o, CurrentEvent().type); });
  ReadOnly("event_number", [](CInstance*, int32_t, RValue& o) { return Put(o, CurrentEvent().number); });
  ReadOnly("event_object", [](CInstance*, int32_t, RValue& o) { return Put(o, CurrentEvent().owner); });
  ReadOnly("event_action", [](CInstance*, int32_t, RValue& o) { return Put(o, CurrentEvent().action); });
}
