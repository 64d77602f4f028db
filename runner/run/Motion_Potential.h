// Stepping an instance towards a goal around obstacles: straight-line steps that stop at an
// obstacle (linear) and steps that steer around it by trying directions on both sides of the
// goal direction (potential field); and the paths both give when their steps are simulated
// without moving the instance.
#pragma once

#include <cstdint>

class CInstance;
class CPath;

// What a candidate place must be clear of: target -3 means every instance (checkall) or the
// solid ones; otherwise the instances of an object (with its descendants) or one instance id.
struct RPlanAvoid {
  int32_t target = -3;
  bool checkall = false;
};

// Each step answers true when the goal is reached.
bool LinearStep(CInstance& inst, double x, double y, double stepsize, RPlanAvoid avoid);
bool PotentialStep(CInstance& inst, double x, double y, double stepsize, RPlanAvoid avoid);
// Each path answers true when the goal was reached; the instance keeps its place and direction.
bool LinearPath(CInstance& inst, CPath& path, double xg, double yg, double stepsize, RPlanAvoid avoid);
bool PotentialPath(CInstance& inst, CPath& path, double xg, double yg, double stepsize, double factor,
                   RPlanAvoid avoid);

// A simulation giving up after this many steps has found no way: a step far too small for the
// distance must not hang the game (nor fill memory with points).
inline constexpr int32_t kMaxPlanSteps = 100000;
