// How an instance starts a path and follows it step by step, with the end actions.
#include <cmath>
#include <numbers>

#include "runner/run/Instance_Class.h"
#include "runner/run/Path_Class.h"

namespace {
constexpr double kRad = std::numbers::pi / 180;

// The offset (dx, dy) rotated by the orientation and multiplied by the scale.
void Orient(double dx, double dy, double orientation, double scale, double& ox, double& oy) {
  const double c = std::cos(orientation * kRad), s = std::sin(orientation * kRad);
  ox = (c * dx + s * dy) * scale;
  oy = (c * dy - s * dx) * scale;
}

// The room offset of the path's place at pos from the room place of its first point.
void OffsetAt(const CPath& path, double pos, double orientation, double scale, double& ox, double& oy) {
  double x, y, sp, x0, y0;
  path.GetPosition(pos, x, y, sp);
  path.GetPosition(0, x0, y0, sp);
  Orient(x - x0, y - y0, orientation, scale, ox, oy);
}
}  // namespace

void CInstance::Assign_Path(int32_t ind, double speed, double scale, double orient, bool relative, int32_t endact) {
  i_pathindex = ind;
  if (ind < 0) return;
  const CPath* path = PathAt(ind);
  if (path && path->i_length > 0) {
    i_pathspeed = speed;
    i_pathposition = i_pathpositionprevious = speed < 0 ? 1 : 0;
    i_pathscale = scale;
    if (scale >= 0) {
      i_pathorientation = orient;
      i_pathend = endact;
      if (!relative) {
        double x, y, sp;
        path->GetPosition(i_pathposition, x, y, sp);
        SetPosition(x, y);
      }
      // The room place of the path's first point: where the instance stands, less how far the
      // starting place lies from the first point. A path started backwards therefore ends where
      // the instance stood instead of jumping a whole path's length on its first step.
      double ox, oy;
      OffsetAt(*path, i_pathposition, i_pathorientation, i_pathscale, ox, oy);
      i_pathxstart = i_x - ox;
      i_pathystart = i_y - oy;
      return;
    }
  }
  i_pathindex = -1;
}

bool CInstance::Adapt_Path() {
  if (i_pathindex < 0) return false;
  const CPath* path = PathAt(i_pathindex);
  if (!path || path->i_length <= 0 || i_pathspeed == 0) return false;

  const double sp = path->Speed(i_pathposition) / (i_pathscale * 100);
  i_pathposition += i_pathspeed * sp / path->i_length;

  bool ended = false;
  if (i_pathposition >= 1 || i_pathposition <= 0) {
    ended = true;
    switch (i_pathend) {
      case 1:  // restart
        i_pathposition += i_pathposition >= 0 ? -1 : 1;
        break;
      case 2: {  // continue from here: the next round starts where this one ended
        double ox, oy;
        OffsetAt(*path, 1, i_pathorientation, i_pathscale, ox, oy);
        if (i_pathposition >= 0) {
          i_pathxstart += ox;
          i_pathystart += oy;
          i_pathposition -= 1;
        } else {
          i_pathxstart -= ox;
          i_pathystart -= oy;
          i_pathposition += 1;
        }
        break;
      }
      case 3:  // reverse; the overshoot stays
        if (i_pathposition >= 0) {
          i_pathposition = 2 - i_pathposition;
          i_pathspeed = -std::fabs(i_pathspeed);
        } else {
          i_pathposition = -i_pathposition;
          i_pathspeed = std::fabs(i_pathspeed);
        }
        break;
      default:  // stop
        i_pathposition = 1;
        i_pathindex = -1;
        break;
    }
  }

  double ox, oy;
  OffsetAt(*path, i_pathposition, i_pathorientation, i_pathscale, ox, oy);
  const double nx = ox + i_pathxstart, ny = oy + i_pathystart;
  Sethspeed(nx - i_x);
  Setvspeed(ny - i_y);
  Setspeed(0);
  SetPosition(nx, ny);
  return ended;
}
