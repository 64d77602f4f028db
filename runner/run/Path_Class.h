// CPath: a list of points with a speed factor each, straight or smooth, closed or open, and the
// polyline through them that every position on the path is read from. Also the path list and
// the paths chunk.
#pragma once

#include <cstdint>
#include <vector>

#include "runner/base/Game.h"
#include "runner/base/Resource_List.h"

class CStream;

inline constexpr int32_t kPathVersion = 530;

// A point as the path defines it; speed is a percentage (100 = the instance's path speed).
struct RWayPoint {
  double x = 0, y = 0, speed = 100;
};

// A point of the polyline, with its distance along the polyline from the first point.
struct RIntPoint {
  double x = 0, y = 0, speed = 100, l = 0;
};

class CPath {
 public:
  CPath() { ComputeInternal(); }

  void Clear();
  // Copies kind, closed, precision and points.
  void Assign(const CPath& path);
  // False on a wrong record version; damaged data throws StreamError.
  bool LoadFromStream(CStream& str);

  void SetKind(int32_t kind);            // 0 straight, 1 smooth; anything else straight
  void SetClosed(bool closed);
  void SetPrecision(int32_t precision);  // clamped to 0..8

  int32_t AddPoint(double x, double y, double speed);
  void InsertPoint(int32_t ind, double x, double y, double speed);  // 0 <= ind <= count
  void ChangePoint(int32_t ind, double x, double y, double speed);
  void DeletePoint(int32_t ind);
  void ClearPoints();
  // The point, or (0, 0, 100) for an invalid index.
  RWayPoint GetPoint(int32_t ind) const;

  // The place on the path at pos (clamped to 0..1); (0, 0, 100) on an empty polyline.
  void GetPosition(double pos, double& x, double& y, double& speed) const;
  double XPosition(double pos) const;
  double YPosition(double pos) const;
  double Speed(double pos) const;
  // The centre of the points' bounding rectangle.
  void Center(double& x, double& y) const;

  void Reverse();
  void Mirror();
  void Flip();
  void Rotate(double angle);
  void Scale(double xscale, double yscale);
  void Shift(double xtr, double ytr);
  void Append(const CPath& path);

  int32_t Count() const { return static_cast<int32_t>(i_points.size()); }
  int32_t IntCount() const { return static_cast<int32_t>(i_intpoints.size()); }

  int32_t i_kind = 0;
  bool i_closed = true;
  int32_t i_precision = 4;
  std::vector<RWayPoint> i_points;
  std::vector<RIntPoint> i_intpoints;
  double i_length = 0;

 private:
  void ComputeInternal();
  void AddInternal(double x, double y, double speed);
  void Subdivide(int32_t depth, const RWayPoint& s, const RWayPoint& c, const RWayPoint& e);
};

struct RPathsState {
  static constexpr EGameSlot kSlot = EGameSlot::Paths;
  TResourceList<CPath> paths{"__newpath"};
};
// The path list; new entries are named "__newpath" + index.
TResourceList<CPath>& Paths();
// The path at index when it exists, else null.
inline CPath* PathAt(int32_t index) { return Paths().Get(index); }

// The paths chunk. False on a wrong chunk or record version (the list is left empty).
bool LoadPaths(CStream& str);
