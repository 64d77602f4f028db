// CInstance fields, setters, bounding box, motion and stream form; see Instance_Class.h.
#include "runner/run/Instance_Class.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "runner/run/Instance_Memory.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Run_State.h"
#include "runner/base/Support_Stream.h"

namespace {
constexpr double kSnap = 0.0001;
constexpr double kRad = std::numbers::pi / 180.0;

int32_t Round32(double v) { return RoundToInt32(v); }

// Reduced to [0, 360); the subtraction can land on 360 itself for tiny negative angles.
double ReduceAngle(double d) {
  double r = d - 360.0 * std::floor(d / 360.0);
  return r >= 360.0 ? 0.0 : r;
}
}  // namespace

bool GetSpriteShape(int32_t sprite, RSpriteShape& shape) {
  if (sprite < 0) return false;
  const auto lookup = RunLookups().spriteShape;
  return lookup && lookup(sprite, shape);
}

double SnapMotion(double v) {
  const double r = std::nearbyint(v);
  return std::fabs(v - r) < kSnap ? r : v;
}

CInstance::CInstance(double x, double y, int32_t id, int32_t objectindex) {
  i_timer.fill(-1);
  Setobjectindex(objectindex);
  i_x = x;
  i_y = y;
  i_id = id;
  i_xstart = i_xprevious = x;
  i_ystart = i_yprevious = y;
  ComputeBoundingBox();
}

void CInstance::Assign(const CInstance& o) {
  if (this == &o) return;
  i_id = o.i_id;
  i_spriteindex = o.i_spriteindex;
  i_imageindex = o.i_imageindex;
  i_imagespeed = o.i_imagespeed;
  i_imagescalex = o.i_imagescalex;
  i_imagescaley = o.i_imagescaley;
  i_imageangle = o.i_imageangle;
  i_imagealpha = o.i_imagealpha;
  i_imageblend = o.i_imageblend;
  i_maskindex = o.i_maskindex;
  i_depth = o.i_depth;
  i_x = o.i_x;
  i_y = o.i_y;
  i_xstart = o.i_xstart;
  i_ystart = o.i_ystart;
  i_xprevious = o.i_xprevious;
  i_yprevious = o.i_yprevious;
  i_direction = o.i_direction;
  i_speed = o.i_speed;
  i_friction = o.i_friction;
  i_gravitydir = o.i_gravitydir;
  i_gravity = o.i_gravity;
  i_hspeed = o.i_hspeed;
  i_vspeed = o.i_vspeed;
  i_bbox = o.i_bbox;
  BumpBoxVersion();
  i_visible = o.i_visible;
  i_solid = o.i_solid;
  i_persistent = o.i_persistent;
  i_objectindex = o.i_objectindex;
  i_object = o.i_object;
  i_timer = o.i_timer;
  i_vars.Assign(o.i_vars);
  i_marked = o.i_marked;
  i_deactivated = o.i_deactivated;
  i_pathindex = o.i_pathindex;
  i_pathposition = o.i_pathposition;
  i_pathpositionprevious = o.i_pathpositionprevious;
  i_pathspeed = o.i_pathspeed;
  i_pathscale = o.i_pathscale;
  i_pathorientation = o.i_pathorientation;
  i_pathend = o.i_pathend;
  i_timelineindex = o.i_timelineindex;
  i_timelineposition = o.i_timelineposition;
  i_timelinespeed = o.i_timelinespeed;
  i_timelinerunning = o.i_timelinerunning;
  i_timelineloop = o.i_timelineloop;
  i_initcode = o.i_initcode;
}

int32_t CInstance::Getimagenumber() const {
  if (i_spriteindex < 0) return 0;  // every step asks, for every instance
  RSpriteShape s;
  return GetSpriteShape(i_spriteindex, s) ? s.imagecount : 0;
}

void* CInstance::operator new(std::size_t size, std::align_val_t) { return AllocateInstanceMemory(size); }
void CInstance::operator delete(void* p, std::align_val_t) noexcept { FreeInstanceMemory(p); }

uint64_t& BoxVersion() {
  static uint64_t version = 0;
  return version;
}

RBoundingBox CInstance::BoxAt(double x, double y) const {
  if (i_maskindex < 0 && i_spriteindex < 0) return RBoundingBox{};  // every move asks
  RSpriteShape m;
  if (!GetSpriteShape(i_maskindex >= 0 ? i_maskindex : i_spriteindex, m)) return RBoundingBox{};
  const double sx = i_imagescalex, sy = i_imagescaley;
  const double xo = m.xorig, yo = m.yorig;
  RBoundingBox b;
  if (i_imageangle == 0) {
    b.left = Round32((m.left - xo) * sx + x);
    b.right = Round32((m.right - xo + 1) * sx + x - 1);
    if (b.right < b.left) std::swap(b.left, b.right);
    b.top = Round32((m.top - yo) * sy + y);
    b.bottom = Round32(y + sy * (m.bottom - yo + 1) - 1);
    if (b.bottom < b.top) std::swap(b.top, b.bottom);
  } else {
    const double c = std::cos(i_imageangle * kRad), s = std::sin(i_imageangle * kRad);
    const double x1 = (std::min(m.left, m.right) - xo) * sx;
    const double x2 = (std::max(m.left, m.right) - xo + 1) * sx - 1;
    const double y1 = sy * (std::min(m.top, m.bottom) - yo);
    const double y2 = sy * (std::max(m.top, m.bottom) - yo + 1) - 1;
    b.left = Round32(x + std::min(c * x1, c * x2) + std::min(s * y1, s * y2));
    b.right = Round32(x + std::max(c * x1, c * x2) + std::max(s * y1, s * y2));
    b.top = Round32(y + std::min(c * y1, c * y2) - std::max(s * x1, s * x2));
    b.bottom = Round32(y + std::max(c * y1, c * y2) - std::min(s * x1, s * x2));
  }
  return b;
}

void CInstance::ComputeBoundingBox() {
  BumpBoxVersion();
  i_bbox = BoxAt(i_x, i_y);
}

void CInstance::Setspriteindex(int32_t v) {
  i_spriteindex = v;
  if (std::floor(i_imageindex) >= Getimagenumber()) i_imageindex = 0;
  ComputeBoundingBox();
}

void CInstance::Setmaskindex(int32_t v) {
  i_maskindex = v;
  ComputeBoundingBox();
}

void CInstance::Setobjectindex(int32_t v) {
  i_objectindex = v;
  i_object = Objects().Get(v);
  if (i_object) {
    Setspriteindex(i_object->o_spriteindex);
    i_maskindex = i_object->o_mask;
    i_depth = i_object->o_depth;
    i_solid = i_object->o_solid;
    i_visible = i_object->o_visible;
    i_persistent = i_object->o_persistent;
  }
  ComputeBoundingBox();
}

void CInstance::Setimagescalex(double v) {
  if (v == i_imagescalex) return;
  i_imagescalex = v;
  ComputeBoundingBox();
}

void CInstance::Setimagescaley(double v) {
  if (v == i_imagescaley) return;
  i_imagescaley = v;
  ComputeBoundingBox();
}

void CInstance::Setimageangle(double v) {
  if (v == i_imageangle) return;
  i_imageangle = v;
  ComputeBoundingBox();
}

void CInstance::VectorFromSpeed() {
  i_hspeed = SnapMotion(std::cos(i_direction * kRad) * i_speed);
  i_vspeed = SnapMotion(-std::sin(i_direction * kRad) * i_speed);
}

void CInstance::SpeedFromVector() {
  double dir;
  if (i_hspeed != 0) {
    const double a = std::atan2(i_vspeed, i_hspeed) / kRad;
    dir = a > 0 ? 360 - a : -a;
  } else {
    dir = i_vspeed > 0 ? 270 : i_vspeed < 0 ? 90 : 0;
  }
  i_direction = ReduceAngle(SnapMotion(dir));
  i_speed = SnapMotion(std::sqrt(i_hspeed * i_hspeed + i_vspeed * i_vspeed));
}

void CInstance::Setdirection(double d) {
  if (d == i_direction) return;
  i_direction = ReduceAngle(d);
  VectorFromSpeed();
}

void CInstance::Setspeed(double s) {
  if (s == i_speed) return;
  i_speed = s;
  VectorFromSpeed();
}

void CInstance::Sethspeed(double h) {
  if (h == i_hspeed) return;
  i_hspeed = h;
  SpeedFromVector();
}

void CInstance::Setvspeed(double v) {
  if (v == i_vspeed) return;
  i_vspeed = v;
  SpeedFromVector();
}

namespace {
double ClampPath(double p) { return !(p >= 0) ? 0 : p > 1 ? 1 : p; }
}  // namespace

void CInstance::Setpathposition(double p) { i_pathposition = ClampPath(p); }
void CInstance::Setpathpositionprevious(double p) { i_pathpositionprevious = ClampPath(p); }

void CInstance::SetPosition(double nx, double ny) {
  if (nx == i_x && ny == i_y) return;
  i_x = nx;
  i_y = ny;
  ComputeBoundingBox();
}

void CInstance::AddTo_Speed(double dir, double amount) {
  i_hspeed += std::cos(dir * kRad) * amount;
  i_vspeed -= std::sin(dir * kRad) * amount;
  SpeedFromVector();
}

void CInstance::Adapt_Speed() {
  if (i_friction != 0) {
    const double n = i_speed > 0 ? i_speed - i_friction : i_speed + i_friction;
    if ((i_speed > 0 && n < 0) || (i_speed < 0 && n > 0))
      Setspeed(0);
    else if (i_speed != 0)
      Setspeed(n);
  }
  if (i_gravity != 0) AddTo_Speed(i_gravitydir, i_gravity);
}

void CInstance::SaveToStream(CStream& s) const {
  s.WriteInteger(i_id);
  s.WriteInteger(i_spriteindex);
  for (double v : {i_imageindex, i_imagespeed, i_imagescalex, i_imagescaley, i_imageangle, i_imagealpha})
    s.WriteReal(v);
  s.WriteInteger(static_cast<int32_t>(i_imageblend));
  s.WriteInteger(i_maskindex);
  for (double v : {i_depth, i_x, i_y, i_xstart, i_ystart, i_xprevious, i_yprevious, i_direction, i_speed, i_friction,
                   i_gravitydir, i_gravity, i_hspeed, i_vspeed})
    s.WriteReal(v);
  for (int32_t v : {i_bbox.left, i_bbox.right, i_bbox.top, i_bbox.bottom}) s.WriteInteger(v);
  s.WriteBoolean(i_visible);
  s.WriteBoolean(i_solid);
  s.WriteBoolean(i_persistent);
  s.WriteInteger(i_objectindex);
  for (int32_t t : i_timer) s.WriteInteger(t);
  s.WriteBoolean(i_marked);
  s.WriteBoolean(i_deactivated);
  s.WriteInteger(i_pathindex);
  for (double v : {i_pathposition, i_pathpositionprevious, i_pathspeed, i_pathscale, i_pathorientation})
    s.WriteReal(v);
  s.WriteInteger(i_pathend);
  s.WriteReal(i_pathxstart);
  s.WriteReal(i_pathystart);
  s.WriteInteger(i_timelineindex);
  s.WriteReal(i_timelineposition);
  s.WriteReal(i_timelinespeed);
  s.WriteBoolean(i_timelinerunning);
  s.WriteBoolean(i_timelineloop);
  s.WriteString(i_initcode);
  i_vars.SaveToStream(s);
}

void CInstance::LoadFromStream(CStream& s) {
  BumpBoxVersion();
  i_id = s.ReadInteger();
  i_spriteindex = s.ReadInteger();
  for (double* v : {&i_imageindex, &i_imagespeed, &i_imagescalex, &i_imagescaley, &i_imageangle, &i_imagealpha})
    *v = s.ReadReal();
  i_imageblend = static_cast<uint32_t>(s.ReadInteger());
  i_maskindex = s.ReadInteger();
  for (double* v : {&i_depth, &i_x, &i_y, &i_xstart, &i_ystart, &i_xprevious, &i_yprevious, &i_direction, &i_speed,
                    &i_friction, &i_gravitydir, &i_gravity, &i_hspeed, &i_vspeed})
    *v = s.ReadReal();
  for (int32_t* v : {&i_bbox.left, &i_bbox.right, &i_bbox.top, &i_bbox.bottom}) *v = s.ReadInteger();
  i_visible = s.ReadBoolean();
  i_solid = s.ReadBoolean();
  i_persistent = s.ReadBoolean();
  i_objectindex = s.ReadInteger();
  i_object = Objects().Get(i_objectindex);
  for (int32_t& t : i_timer) t = s.ReadInteger();
  i_marked = s.ReadBoolean();
  i_deactivated = s.ReadBoolean();
  i_pathindex = s.ReadInteger();
  for (double* v : {&i_pathposition, &i_pathpositionprevious, &i_pathspeed, &i_pathscale, &i_pathorientation})
    *v = s.ReadReal();
  i_pathend = s.ReadInteger();
  i_pathxstart = s.ReadReal();
  i_pathystart = s.ReadReal();
  i_timelineindex = s.ReadInteger();
  i_timelineposition = s.ReadReal();
  i_timelinespeed = s.ReadReal();
  i_timelinerunning = s.ReadBoolean();
  i_timelineloop = s.ReadBoolean();
  i_initcode = s.ReadString();
  i_vars.LoadFromStream(s);
}
