// CInstance: one live copy of an object in a room, with its fields, the setters that keep the
// bounding box and the motion values consistent, and friction and gravity.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

#include "runner/code/Variable_Class.h"

class CObject;
class CStream;

// What an instance needs to know about a sprite: its image count, origin and collision box.
// The sprite unit fills in the lookup (RunLookups().spriteShape); until then no sprite exists.
struct RSpriteShape {
  int32_t imagecount = 0;
  int32_t xorig = 0, yorig = 0;
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // inclusive
  int32_t width = 0, height = 0;
};
bool GetSpriteShape(int32_t sprite, RSpriteShape& shape);

struct RBoundingBox {
  int32_t left = -100000, top = -100000, right = -100000, bottom = -100000;
  bool operator==(const RBoundingBox&) const = default;
};

inline constexpr int32_t kAlarmCount = 12;

// Counts changes of any instance's bounding box and of any room's instance lists, so spatial
// indexes over boxes know when they are stale.
uint64_t& BoxVersion();
inline void BumpBoxVersion() {
  ++BoxVersion();
}

class alignas(64) CInstance {
 public:
  // Create: the object's defaults, then position and id, then every other field's default.
  CInstance(double x, double y, int32_t id, int32_t objectindex);
  CInstance(const CInstance&) = delete;
  CInstance& operator=(const CInstance&) = delete;
  // Instances are cut from the instance blocks (Instance_Memory), one after the other.
  static void* operator new(std::size_t size, std::align_val_t);
  static void operator delete(void* p, std::align_val_t) noexcept;

  // Copies every field of inst, the variables deeply; the path start point stays.
  void Assign(const CInstance& inst);

  void SaveToStream(CStream& str) const;
  // Throws StreamError on damaged data.
  void LoadFromStream(CStream& str);

  // Setters with side effects.
  void Setspriteindex(int32_t v);
  void Setmaskindex(int32_t v);
  void Setobjectindex(int32_t v);
  void Setimagescalex(double v);
  void Setimagescaley(double v);
  void Setimageangle(double v);
  void Setdirection(double d);
  void Setspeed(double s);
  void Sethspeed(double h);
  void Setvspeed(double v);
  void Setpathposition(double p);
  void Setpathpositionprevious(double p);
  void Setpathspeed(double s) { i_pathspeed = s; }
  void SetPosition(double nx, double ny);
  int32_t GetAlarm(int32_t i) const { return i >= 0 && i < kAlarmCount ? i_timer[static_cast<size_t>(i)] : -1; }
  void SetAlarm(int32_t i, int32_t v) {
    if (i >= 0 && i < kAlarmCount) i_timer[static_cast<size_t>(i)] = v;
  }
  int32_t Getimagenumber() const;

  // Motion.
  void AddTo_Speed(double dir, double amount);
  void Adapt_Speed();
  void ComputeBoundingBox();
  // Paths (Instance_Path.cpp): starting one, and following it for a step; Adapt_Path answers
  // true when the end of the path was reached in this step.
  void Assign_Path(int32_t ind, double speed, double scale, double orient, bool relative, int32_t endact);
  bool Adapt_Path();
  // The box the instance would have at (x, y).
  RBoundingBox BoxAt(double x, double y) const;

  // Collision tests (Instance_Collision.cpp); without prec only the bounding box counts. A
  // marked instance never collides.
  bool Collision_Point(double x, double y, bool prec) const;
  bool Collision_Rectangle(double x1, double y1, double x2, double y2, bool prec) const;
  bool Collision_Ellipse(double x1, double y1, double x2, double y2, bool prec) const;
  bool Collision_Line(double x1, double y1, double x2, double y2, bool prec) const;
  bool Collision_Instance(const CInstance* inst, bool prec) const;

  // Fields every step reads or writes for every instance come first, in whole cache lines
  // (the class is aligned to one), grouped by the passes over the room that use them: a step
  // over many instances is bound by the lines it streams, not by its instructions. The first
  // line is all the previous-position pass needs, and with the second all that motion needs;
  // the second alone serves the step's event walk, removal, depth sorting, drawing's
  // visibility test and animation. The third holds what moving and the step event touch.
  double i_x = 0, i_y = 0;
  double i_xprevious = 0, i_yprevious = 0;
  double i_hspeed = 0, i_vspeed = 0;
  double i_pathposition = 0;
  double i_pathpositionprevious = 0;

  double i_friction = 0;
  double i_gravity = 0;
  double i_imageindex = 0;
  double i_imagespeed = 1;
  double i_depth = 0;
  int32_t i_objectindex = 0;
  int32_t i_spriteindex = -1;
  int32_t i_maskindex = -1;
  int32_t i_pathindex = -1;
  bool i_marked = false;
  bool i_deactivated = false;
  bool i_visible = true;
  bool i_solid = false;
  int32_t i_id = 0;

  RBoundingBox i_bbox;
  CVariableList i_vars;
  double i_imagescalex = 1;
  double i_imagescaley = 1;
  double i_imageangle = 0;

  double i_imagealpha = 1;
  uint32_t i_imageblend = 0xFFFFFF;
  double i_xstart = 0, i_ystart = 0;
  double i_direction = 0;
  double i_speed = 0;
  double i_gravitydir = 270;
  bool i_persistent = false;
  CObject* i_object = nullptr;
  std::array<int32_t, kAlarmCount> i_timer;
  double i_pathspeed = 0;
  double i_pathscale = 1;
  double i_pathorientation = 0;
  int32_t i_pathend = 0;
  double i_pathxstart = 0, i_pathystart = 0;
  int32_t i_timelineindex = -1;
  double i_timelineposition = 0;
  double i_timelinespeed = 1;
  bool i_timelinerunning = false;
  bool i_timelineloop = false;
  std::string i_initcode;
  // Its destroy event is running; not part of the instance's state.
  bool i_destroying = false;

 private:
  void SpeedFromVector();
  void VectorFromSpeed();
};

// A computed motion value within 0.0001 of an integer is that integer.
double SnapMotion(double v);
