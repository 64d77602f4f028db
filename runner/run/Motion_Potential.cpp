// Linear and potential-field stepping; see Motion_Potential.h.
#include "runner/run/Motion_Potential.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "runner/run/Instance_Class.h"
#include "runner/run/Motion_Grid.h"
#include "runner/run/Path_Class.h"
#include "runner/run/Run_Command.h"

namespace {
constexpr double kRad = std::numbers::pi / 180.0;

double Reduce(double d) {
  return d - 360.0 * std::floor(d / 360.0);
}

// The direction from one point to another, as an instance's direction follows its motion.
double DirectionTo(double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1, dy = y2 - y1;
  double dir;
  if (dx != 0) {
    const double a = std::atan2(dy, dx) / kRad;
    dir = a > 0 ? 360 - a : -a;
  } else {
    dir = dy > 0 ? 270 : dy < 0 ? 90 : 0;
  }
  return Reduce(SnapMotion(dir));
}

bool PlaceClear(CInstance& inst, double x, double y, RPlanAvoid avoid) {
  if (avoid.target == -3) return avoid.checkall ? PlaceEmpty(&inst, x, y) : PlaceFree(&inst, x, y);
  return InstanceAtPlace(&inst, avoid.target, x, y) == nullptr;
}

void MoveTo(CInstance& inst, double x, double y) {
  inst.Setdirection(DirectionTo(inst.i_x, inst.i_y, x, y));
  inst.SetPosition(x, y);
}

// The instance's place and direction, put back when a simulation ends.
struct RSavedPlace {
  CInstance& inst;
  double x = inst.i_x, y = inst.i_y, direction = inst.i_direction;
  ~RSavedPlace() {
    inst.SetPosition(x, y);
    inst.Setdirection(direction);
  }
};

// A straight open path of the points, each at speed 100.
void FillPath(CPath& path, const std::vector<RWayPoint>& points) {
  CPath way;
  way.i_closed = false;
  way.i_points = points;
  path.Assign(way);
}

// A goal that is not a finite point can never be reached, and a step towards it would leave
// the instance at no place at all.
bool Unreachable(double x, double y) {
  return !std::isfinite(x) || !std::isfinite(y);
}
}  // namespace

bool LinearStep(CInstance& inst, double x, double y, double stepsize, RPlanAvoid avoid) {
  if (inst.i_x == x && inst.i_y == y) return true;
  if (Unreachable(x, y)) return false;
  const double dx = x - inst.i_x, dy = y - inst.i_y, d = std::sqrt(dx * dx + dy * dy);
  double cx = x, cy = y;
  bool reached = true;
  if (d > stepsize) {
    cx = inst.i_x + dx * stepsize / d, cy = inst.i_y + dy * stepsize / d;
    reached = false;
  }
  if (PlaceClear(inst, cx, cy, avoid)) MoveTo(inst, cx, cy);
  return reached;
}

bool PotentialStep(CInstance& inst, double x, double y, double stepsize, RPlanAvoid avoid) {
  if (inst.i_x == x && inst.i_y == y) return true;
  if (Unreachable(x, y) || std::isnan(stepsize)) return false;
  const double dx = x - inst.i_x, dy = y - inst.i_y;
  if (std::sqrt(dx * dx + dy * dy) <= stepsize) {
    if (PlaceClear(inst, x, y, avoid)) MoveTo(inst, x, y);
    return true;
  }
  const RMotionState& s = MotionState();
  const double goal = DirectionTo(inst.i_x, inst.i_y, x, y);
  const double current = Reduce(inst.i_direction);
  auto tryDirection = [&](double a) {
    double diff = std::fabs(Reduce(a) - current);
    if (diff > 180) diff = 360 - diff;
    if (diff > s.maxrot) return false;
    const double c = std::cos(a * kRad), sn = std::sin(a * kRad);
    if (!PlaceClear(inst, inst.i_x + c * s.ahead * stepsize, inst.i_y - sn * s.ahead * stepsize, avoid)) return false;
    const double nx = inst.i_x + c * stepsize, ny = inst.i_y - sn * stepsize;
    if (!PlaceClear(inst, nx, ny, avoid)) return false;
    inst.Setdirection(a);
    inst.SetPosition(nx, ny);
    return true;
  };
  for (double r = 0; r < 180; r += s.rotstep)
    if (tryDirection(goal - r) || tryDirection(goal + r)) return false;
  if (s.onspot) inst.Setdirection(inst.i_direction + s.maxrot);
  return false;
}

bool LinearPath(CInstance& inst, CPath& path, double xg, double yg, double stepsize, RPlanAvoid avoid) {
  bool found = false;
  std::vector<RWayPoint> points;
  {
    RSavedPlace saved{inst};
    // A step that is not positive never comes nearer: it fails at once instead of running on.
    for (int32_t n = 0; n < kMaxPlanSteps && stepsize > 0; ++n) {
      points.push_back({inst.i_x, inst.i_y, 100});
      const double x = inst.i_x, y = inst.i_y;
      if (LinearStep(inst, xg, yg, stepsize, avoid)) {
        found = true;
        break;
      }
      if (inst.i_x == x && inst.i_y == y) break;
    }
    if (points.empty()) points.push_back({inst.i_x, inst.i_y, 100});
  }
  if (found) points.push_back({xg, yg, 100});
  FillPath(path, points);
  return found;
}

bool PotentialPath(CInstance& inst, CPath& path, double xg, double yg, double stepsize, double factor,
                   RPlanAvoid avoid) {
  if (!(factor >= 1 && stepsize > 0)) return false;
  bool found = false;
  std::vector<RWayPoint> points{{inst.i_x, inst.i_y, 100}};
  {
    RSavedPlace saved{inst};
    const double sx = xg - inst.i_x, sy = yg - inst.i_y, limit = factor * std::sqrt(sx * sx + sy * sy);
    // A step depends only on the place and the direction, and a stuck instance turns by maxrot
    // (or not at all): once it has stood still through a whole turn it never moves again.
    const int32_t stuckLimit = static_cast<int32_t>(std::ceil(360 / MotionState().maxrot)) + 1;
    int32_t stuck = 0;
    double length = 0;
    for (int32_t n = 0; n < kMaxPlanSteps && stuck <= stuckLimit; ++n) {
      if (PotentialStep(inst, xg, yg, stepsize, avoid)) {
        found = true;
        break;
      }
      const RWayPoint& last = points.back();
      const double moved = std::hypot(inst.i_x - last.x, inst.i_y - last.y);
      stuck = moved == 0 ? stuck + 1 : 0;
      length += moved;
      points.push_back({inst.i_x, inst.i_y, 100});
      if (length > limit) break;
    }
  }
  if (found) points.push_back({xg, yg, 100});
  FillPath(path, points);
  return found;
}
