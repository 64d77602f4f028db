// Paths, their polylines and the paths chunk; see Path_Class.h.
#include "runner/run/Path_Class.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>

#include "runner/base/Load_Chunks.h"
#include "runner/base/Support_Stream.h"

void CPath::Clear() {
  i_points.clear();
  i_kind = 0;
  i_closed = true;
  i_precision = 4;
  ComputeInternal();
}

void CPath::Assign(const CPath& path) {
  if (&path == this) return;
  i_kind = path.i_kind;
  i_closed = path.i_closed;
  i_precision = path.i_precision;
  i_points = path.i_points;
  ComputeInternal();
}

bool CPath::LoadFromStream(CStream& s) {
  Clear();
  if (s.ReadInteger() != kPathVersion) return false;
  const int32_t kind = s.ReadInteger();
  const bool closed = s.ReadBoolean();
  const int32_t precision = s.ReadInteger();
  const int32_t count = s.ReadInteger();
  // Three reals a point: a count beyond the data is damage, not a reason to allocate.
  if (count < 0 || int64_t{count} * 24 > int64_t{s.GetSize()} - s.GetPosition()) throw StreamError("bad point count");
  i_points.resize(static_cast<size_t>(count));
  for (RWayPoint& p : i_points) {
    p.x = s.ReadReal();
    p.y = s.ReadReal();
    p.speed = s.ReadReal();
  }
  i_kind = kind == 1 ? 1 : 0;
  i_closed = closed;
  i_precision = std::clamp(precision, 0, 8);
  ComputeInternal();
  return true;
}

void CPath::SetKind(int32_t kind) {
  i_kind = kind == 1 ? 1 : 0;
  ComputeInternal();
}

void CPath::SetClosed(bool closed) {
  i_closed = closed;
  ComputeInternal();
}

void CPath::SetPrecision(int32_t precision) {
  i_precision = std::clamp(precision, 0, 8);
  ComputeInternal();
}

int32_t CPath::AddPoint(double x, double y, double speed) {
  i_points.push_back({x, y, speed});
  ComputeInternal();
  return Count() - 1;
}

void CPath::InsertPoint(int32_t ind, double x, double y, double speed) {
  if (ind < 0 || ind > Count()) return;
  i_points.insert(i_points.begin() + ind, RWayPoint{x, y, speed});
  ComputeInternal();
}

void CPath::ChangePoint(int32_t ind, double x, double y, double speed) {
  if (ind < 0 || ind >= Count()) return;
  i_points[static_cast<size_t>(ind)] = {x, y, speed};
  ComputeInternal();
}

void CPath::DeletePoint(int32_t ind) {
  if (ind < 0 || ind >= Count()) return;
  i_points.erase(i_points.begin() + ind);
  ComputeInternal();
}

void CPath::ClearPoints() {
  i_points.clear();
  ComputeInternal();
}

RWayPoint CPath::GetPoint(int32_t ind) const {
  if (ind < 0 || ind >= Count()) return {};
  return i_points[static_cast<size_t>(ind)];
}

void CPath::AddInternal(double x, double y, double speed) { i_intpoints.push_back({x, y, speed, 0}); }

// Splits the quadratic curve from s through control c to e in halves until a half's control
// lies within 4 pixels of its ends or the depth runs out; the midpoints come out in order.
void CPath::Subdivide(int32_t depth, const RWayPoint& s, const RWayPoint& c, const RWayPoint& e) {
  if (depth == 0) return;
  const RWayPoint m{(s.x + 2 * c.x + e.x) / 4, (s.y + 2 * c.y + e.y) / 4, (s.speed + 2 * c.speed + e.speed) / 4};
  auto far = [](const RWayPoint& a, const RWayPoint& b) {
    return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) > 16;
  };
  auto mid = [](const RWayPoint& a, const RWayPoint& b) {
    return RWayPoint{(a.x + b.x) / 2, (a.y + b.y) / 2, (a.speed + b.speed) / 2};
  };
  if (far(c, s)) Subdivide(depth - 1, s, mid(s, c), m);
  AddInternal(m.x, m.y, m.speed);
  if (far(c, e)) Subdivide(depth - 1, m, mid(c, e), e);
}

void CPath::ComputeInternal() {
  i_intpoints.clear();
  const int32_t n = Count();
  if (i_kind == 1) {
    if (n >= 1) {
      if (!i_closed) AddInternal(i_points[0].x, i_points[0].y, i_points[0].speed);
      const int32_t last = i_closed ? n - 1 : n - 3;
      for (int32_t i = 0; i <= last; ++i) {
        const RWayPoint& p0 = i_points[static_cast<size_t>(i % n)];
        const RWayPoint& p1 = i_points[static_cast<size_t>((i + 1) % n)];
        const RWayPoint& p2 = i_points[static_cast<size_t>((i + 2) % n)];
        const RWayPoint s{(p0.x + p1.x) / 2, (p0.y + p1.y) / 2, (p0.speed + p1.speed) / 2};
        const RWayPoint e{(p1.x + p2.x) / 2, (p1.y + p2.y) / 2, (p1.speed + p2.speed) / 2};
        Subdivide(i_precision, s, p1, e);
      }
      if (i_closed) {
        if (!i_intpoints.empty()) {
          const RIntPoint first = i_intpoints.front();
          AddInternal(first.x, first.y, first.speed);
        }
      } else {
        const RWayPoint& p = i_points.back();
        AddInternal(p.x, p.y, p.speed);
      }
    }
  } else {
    for (const RWayPoint& p : i_points) AddInternal(p.x, p.y, p.speed);
    if (i_closed && n > 0) AddInternal(i_points[0].x, i_points[0].y, i_points[0].speed);
  }
  for (size_t i = 1; i < i_intpoints.size(); ++i) {
    const RIntPoint& a = i_intpoints[i - 1];
    RIntPoint& b = i_intpoints[i];
    b.l = a.l + std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
  }
  i_length = i_intpoints.empty() ? 0 : i_intpoints.back().l;
}

void CPath::GetPosition(double pos, double& x, double& y, double& speed) const {
  x = 0;
  y = 0;
  speed = 100;
  const int32_t count = IntCount();
  if (count == 0) return;
  pos = !(pos >= 0) ? 0 : pos > 1 ? 1 : pos;
  const RIntPoint* p = i_intpoints.data();
  if (count == 1 || i_length == 0 || pos <= 0) {
    x = p[0].x, y = p[0].y, speed = p[0].speed;
    return;
  }
  if (pos >= 1) {
    x = p[count - 1].x, y = p[count - 1].y, speed = p[count - 1].speed;
    return;
  }
  const double d = i_length * pos;
  int32_t i = 0;
  while (i < count - 2 && p[i + 1].l <= d) ++i;
  const double span = p[i + 1].l - p[i].l;
  if (span == 0) {
    x = p[i].x, y = p[i].y, speed = p[i].speed;
    return;
  }
  const double t = (d - p[i].l) / span;
  x = p[i].x + t * (p[i + 1].x - p[i].x);
  y = p[i].y + t * (p[i + 1].y - p[i].y);
  speed = p[i].speed + t * (p[i + 1].speed - p[i].speed);
}

double CPath::XPosition(double pos) const {
  double x, y, s;
  GetPosition(pos, x, y, s);
  return x;
}

double CPath::YPosition(double pos) const {
  double x, y, s;
  GetPosition(pos, x, y, s);
  return y;
}

double CPath::Speed(double pos) const {
  double x, y, s;
  GetPosition(pos, x, y, s);
  return s;
}

void CPath::Center(double& x, double& y) const {
  double xmin = 100000000, xmax = -100000000, ymin = 100000000, ymax = -100000000;
  for (const RWayPoint& p : i_points) {
    xmin = std::min(xmin, p.x);
    xmax = std::max(xmax, p.x);
    ymin = std::min(ymin, p.y);
    ymax = std::max(ymax, p.y);
  }
  x = (xmin + xmax) / 2;
  y = (ymin + ymax) / 2;
}

void CPath::Reverse() {
  std::reverse(i_points.begin(), i_points.end());
  ComputeInternal();
}

void CPath::Mirror() {
  double cx, cy;
  Center(cx, cy);
  for (RWayPoint& p : i_points) p.x = 2 * cx - p.x;
  ComputeInternal();
}

void CPath::Flip() {
  double cx, cy;
  Center(cx, cy);
  for (RWayPoint& p : i_points) p.y = 2 * cy - p.y;
  ComputeInternal();
}

void CPath::Rotate(double angle) {
  double cx, cy;
  Center(cx, cy);
  const double a = angle * std::numbers::pi / 180;
  const double c = std::cos(a), s = std::sin(a);
  for (RWayPoint& p : i_points) {
    const double dx = p.x - cx, dy = p.y - cy;
    p.x = cx + c * dx + s * dy;
    p.y = cy + c * dy - s * dx;
  }
  ComputeInternal();
}

void CPath::Scale(double xscale, double yscale) {
  double cx, cy;
  Center(cx, cy);
  for (RWayPoint& p : i_points) {
    p.x = cx + (p.x - cx) * xscale;
    p.y = cy + (p.y - cy) * yscale;
  }
  ComputeInternal();
}

void CPath::Shift(double xtr, double ytr) {
  for (RWayPoint& p : i_points) {
    p.x += xtr;
    p.y += ytr;
  }
  ComputeInternal();
}

void CPath::Append(const CPath& path) {
  const std::vector<RWayPoint> more = path.i_points;  // a copy: the path may be this one
  i_points.insert(i_points.end(), more.begin(), more.end());
  ComputeInternal();
}

TResourceList<CPath>& Paths() { return TheGame().State<RPathsState>().paths; }

bool LoadPaths(CStream& s) {
  TResourceList<CPath>& paths = Paths();
  paths.Clear();
  if (s.ReadInteger() != kChunkVersion) return false;
  const int32_t count = s.ReadInteger();
  // Each entry is a compressed block of at least its length integer.
  if (count < 0 || int64_t{count} * 4 > int64_t{s.GetSize()} - s.GetPosition()) throw StreamError("bad path count");
  for (int32_t i = 0; i < count; ++i) {
    CStream e = s.ReadStreamC();
    paths.Put(i, nullptr, std::string());
    if (!e.ReadBoolean()) continue;
    std::string name = e.ReadString();
    auto path = std::make_unique<CPath>();
    if (!path->LoadFromStream(e)) {
      paths.Clear();
      return false;
    }
    paths.Put(i, std::move(path), std::move(name));
  }
  return true;
}
