// The particle engine: types, systems and their parts, creating particles, the update of a
// system in its fixed order, and drawing a system; see Particle_Main.h.
#include "runner/graphics/Particle_Main.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "runner/code/Variable_Class.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Draw.h"
#include "runner/graphics/Graphics_Texture.h"
#include "runner/graphics/Sprite_Class.h"
#include "runner/graphics/Sprite_Main.h"

namespace {
constexpr double kRad = std::numbers::pi / 180.0;
constexpr double kNoDepth = -1e9;
// Rejection loops (gaussian values, points inside an ellipse or diamond) end with certainty for
// any real generator; the bound keeps a degenerate one from hanging the step.
constexpr int32_t kMaxTries = 1000;

RParticlesState& S() { return ParticlesState(); }

// What a particle whose type has been destroyed behaves like: it moves on as it was and dies at
// its time, without changes, secondary particles or an image.
const RParticleType& NoType() {
  static const RParticleType none = [] {
    RParticleType t;
    t.shape = -1;
    return t;
  }();
  return none;
}

const RParticleType& TypeOf(int32_t id) {
  const std::vector<RParticleType>& types = S().types;
  if (id >= 0 && size_t(id) < types.size() && types[size_t(id)].created) return types[size_t(id)];
  return NoType();
}

double Snap(double v) {
  const double r = std::nearbyint(v);
  return std::fabs(v - r) < 0.0001 ? r : v;
}

double Reduce360(double d) {
  if (!std::isfinite(d)) return 0;
  d = std::fmod(d, 360.0);
  if (d < 0) d += 360.0;
  return d >= 360.0 ? 0.0 : d;
}

// The direction of a vector, 0 right and 90 up, with y growing downwards.
double Direction(double dx, double dy) {
  double dir;
  if (dx != 0) {
    const double a = std::atan2(dy, dx) / kRad;
    dir = a > 0 ? 360 - a : -a;
  } else {
    dir = dy > 0 ? 270 : dy < 0 ? 90 : 0;
  }
  return Reduce360(Snap(dir));
}

// The wiggle wave: t in [0, 4) to [-1, 1] and back.
double Triangle(double t) { return (t > 2 ? 4 - t : t) - 1; }

int32_t RoundInt(double v) { return RoundToInt32(v); }

int32_t Byte(double v) { return std::clamp(RoundInt(v), 0, 255); }

double Gaussian() {
  for (int32_t i = 0; i < kMaxTries; ++i) {
    const double t = (ParticleRandom() - 0.5) * 6;
    if (std::exp(-t * t / 2) > ParticleRandom()) return t;
  }
  return 0;
}

// The colour of a particle at its birth.
int32_t BirthColor(const RParticleType& t) {
  const double* c = t.colpar;
  switch (t.colmode) {
    case 3: {
      const int32_t r = Byte(ParticleRandomRange(c[0], c[1]));
      const int32_t g = Byte(ParticleRandomRange(c[2], c[3]));
      const int32_t b = Byte(ParticleRandomRange(c[4], c[5]));
      return r | (g << 8) | (b << 16);
    }
    case 4: {
      const double h = std::nearbyint(ParticleRandomRange(c[0], c[1]));
      const double s = std::nearbyint(ParticleRandomRange(c[2], c[3]));
      const double v = std::nearbyint(ParticleRandomRange(c[4], c[5]));
      return MakeColorHsv(h, s, v);
    }
    case 5: return MergeColor(RoundInt(c[0]), RoundInt(c[1]), ParticleRandom());
    default: return RoundInt(c[0]);
  }
}

// The colour of a particle later in its life; modes without a change keep `color`.
int32_t LifeColor(const RParticleType& t, int32_t age, int32_t lifetime, int32_t color) {
  if (lifetime <= 0) return t.colmode <= 2 ? RoundInt(t.colpar[0]) : color;
  if (t.colmode == 1) return MergeColor(RoundInt(t.colpar[0]), RoundInt(t.colpar[1]), std::min(double(age) / lifetime, 1.0));
  if (t.colmode == 2) {
    const double e = std::min(2.0 * age / lifetime, 2.0);
    return e < 1 ? MergeColor(RoundInt(t.colpar[0]), RoundInt(t.colpar[1]), e)
                 : MergeColor(RoundInt(t.colpar[1]), RoundInt(t.colpar[2]), e - 1);
  }
  return color;
}

// A new particle of a type, its random values drawn in their fixed order.
RParticle MakeParticle(int32_t type, double x, double y) {
  const RParticleType& t = TypeOf(type);
  RParticle p;
  p.parttype = type;
  p.x = x;
  p.y = y;
  p.speed = ParticleRandomRange(t.spmin, t.spmax);
  p.dir = ParticleRandomRange(t.dirmin, t.dirmax);
  p.ang = ParticleRandomRange(t.angmin, t.angmax);
  p.lifetime = RoundInt(ParticleRandomRange(t.lifemin, t.lifemax));
  p.age = 0;
  p.color = BirthColor(t);
  p.alpha = t.alphastart;
  p.size = ParticleRandomRange(t.sizemin, t.sizemax);
  p.spritestart = t.spriterandom ? int32_t(ParticleRandom() * 10000) : 0;
  p.ran = int32_t(ParticleRandom() * 100000);
  return p;
}

bool Append(RParticles& ps, const RParticle& p) {
  if (S().liveParticles >= kMaxParticles) return false;
  ++S().liveParticles;
  ps.alive.push_back(1);
  ps.parttype.push_back(p.parttype);
  ps.age.push_back(p.age);
  ps.lifetime.push_back(p.lifetime);
  ps.color.push_back(p.color);
  ps.spritestart.push_back(p.spritestart);
  ps.ran.push_back(p.ran);
  ps.x.push_back(p.x);
  ps.y.push_back(p.y);
  ps.xold.push_back(p.x);
  ps.yold.push_back(p.y);
  ps.speed.push_back(p.speed);
  ps.dir.push_back(p.dir);
  ps.ang.push_back(p.ang);
  ps.alpha.push_back(p.alpha);
  ps.size.push_back(p.size);
  return true;
}

void Create(RParticleSystem& sys, double x, double y, int32_t type, int32_t number, int32_t color) {
  if (!ParticleTypeExists(type)) return;
  for (int32_t i = 0; i < number; ++i) {
    RParticle p = MakeParticle(type, x, y);
    if (color >= 0) p.color = color;
    if (!Append(sys.particles, p)) return;
  }
}

// Secondary particles: n of them, or for negative n one with probability 1/|n|.
void CreateSecondary(RParticleSystem& sys, double x, double y, int32_t type, int32_t n) {
  if (n < 0) {
    if (ParticleRandom() < 1.0 / -double(n)) Create(sys, x, y, type, 1, -1);
  } else if (n > 0) {
    Create(sys, x, y, type, n, -1);
  }
}

bool Proper(double xmin, double xmax, double ymin, double ymax) { return xmin < xmax && ymin < ymax; }

// Inside a region of shape 0 rectangle, 1 the inscribed ellipse, 2 the inscribed diamond.
bool Inside(double x, double y, double xmin, double xmax, double ymin, double ymax, int32_t shape) {
  if (x < xmin || x > xmax || y < ymin || y > ymax) return false;
  if (shape != 1 && shape != 2) return true;
  const double rx = (xmax - xmin) / 2, ry = (ymax - ymin) / 2;
  if (rx <= 0 || ry <= 0) return false;
  const double u = (x - xmin - rx) / rx, v = (y - ymin - ry) / ry;
  return shape == 1 ? u * u + v * v <= 1 : std::fabs(u) + std::fabs(v) <= 1;
}

void Burst(RParticleSystem& sys, const REmitter& em, int32_t type, int32_t number) {
  if (!ParticleTypeExists(type)) return;
  if (number < 0) {
    if (!(ParticleRandom() < 1.0 / -double(number))) return;
    number = 1;
  }
  const bool line = em.shape == 3;
  for (int32_t n = 0; n < number; ++n) {
    double u = 0.5, v = 0.5;
    for (int32_t tries = 0; tries < kMaxTries; ++tries) {
      int32_t du = em.posdistr, dv = em.posdistr;
      if (em.posdistr == 2 && !line) (ParticleRandom() < 0.5 ? du : dv) = 0;
      const double a = ParticleRandomRange(0, 1, du), b = ParticleRandomRange(0, 1, dv);
      const bool rejected = (em.shape == 1 && (a - 0.5) * (a - 0.5) + (b - 0.5) * (b - 0.5) > 0.25) ||
                            (em.shape == 2 && std::fabs(a - 0.5) + std::fabs(b - 0.5) > 0.5);
      if (!rejected) {
        u = a, v = b;
        break;
      }
    }
    const double x = em.xmin + u * (em.xmax - em.xmin);
    const double y = em.ymin + (line ? u : v) * (em.ymax - em.ymin);
    if (!Append(sys.particles, MakeParticle(type, x, y))) return;
  }
}

// 1. Ageing, death and step particles; the dead are removed.
void Life(RParticleSystem& sys) {
  RParticles& ps = sys.particles;
  const size_t n = ps.Size();
  bool died = false;
  for (size_t i = 0; i < n; ++i) {
    const RParticleType& t = TypeOf(ps.parttype[i]);
    if (++ps.age[i] >= ps.lifetime[i]) {
      ps.alive[i] = 0;
      died = true;
      CreateSecondary(sys, ps.x[i], ps.y[i], t.deathtype, t.deathnumber);
    } else {
      CreateSecondary(sys, ps.x[i], ps.y[i], t.steptype, t.stepnumber);
    }
  }
  if (died) ps.Compact();
}

// 2. Speed, direction and angle changes, gravity and attractors, the wiggles, the move.
void Motion(RParticleSystem& sys) {
  RParticles& ps = sys.particles;
  const bool attractors = sys.attractors.Any();
  // Each type's gravity vector, once per update rather than once per particle.
  const std::vector<RParticleType>& types = S().types;
  std::vector<double>& gravity = S().gravityScratch;
  gravity.resize(types.size() * 2);
  for (size_t k = 0; k < types.size(); ++k) {
    gravity[2 * k] = types[k].grav * std::cos(types[k].gravdir * kRad);
    gravity[2 * k + 1] = -types[k].grav * std::sin(types[k].gravdir * kRad);
  }
  for (size_t i = 0; i < ps.Size(); ++i) {
    const RParticleType& t = TypeOf(ps.parttype[i]);
    ps.xold[i] = ps.x[i];
    ps.yold[i] = ps.y[i];
    ps.speed[i] = std::max(ps.speed[i] + t.spincr, 0.0);
    ps.dir[i] += t.dirincr;
    ps.ang[i] += t.angincr;
    double ex = 0, ey = 0;
    if (t.grav != 0 || attractors) {
      double vx = ps.speed[i] * std::cos(ps.dir[i] * kRad), vy = -ps.speed[i] * std::sin(ps.dir[i] * kRad);
      if (t.grav != 0) {
        const size_t k = size_t(ps.parttype[i]) * 2;
        vx += gravity[k];
        vy += gravity[k + 1];
      }
      for (const RAttractor& a : sys.attractors.items) {
        if (!a.created || a.force == 0) continue;
        const double dx = a.x - ps.x[i], dy = a.y - ps.y[i];
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d <= 0 || d > a.dist) continue;
        double f = a.force;
        if (a.kind == 1) f *= (a.dist - d) / a.dist;
        if (a.kind == 2) f *= ((a.dist - d) / a.dist) * ((a.dist - d) / a.dist);
        const double px = f * dx / d, py = f * dy / d;
        if (a.additive) {
          vx += px, vy += py;
        } else {
          ex += px, ey += py;
        }
      }
      ps.speed[i] = Snap(std::sqrt(vx * vx + vy * vy));
      ps.dir[i] = Direction(vx, vy);
    }
    const int64_t age = ps.age[i], ran = ps.ran[i];
    const double w1 = Triangle(double((age + 4 * ran) % 20) / 5);
    const double w2 = Triangle(double((age + 3 * ran) % 24) / 6);
    const double len = ps.speed[i] + t.sprand * w1, dir = (ps.dir[i] + t.dirrand * w2) * kRad;
    ps.x[i] += len * std::cos(dir) + ex;
    ps.y[i] += -len * std::sin(dir) + ey;
  }
}

// 3. Deflectors mirror the last move of the particles inside them.
void Deflect(RParticleSystem& sys) {
  RParticles& ps = sys.particles;
  for (const RDeflector& d : sys.deflectors.items) {
    if (!d.created || !Proper(d.xmin, d.xmax, d.ymin, d.ymax)) continue;
    for (size_t i = 0; i < ps.Size(); ++i) {
      if (!Inside(ps.x[i], ps.y[i], d.xmin, d.xmax, d.ymin, d.ymax, 0)) continue;
      if (d.kind == 1) {
        ps.dir[i] = Reduce360(180 - ps.dir[i]);
        ps.x[i] = ps.xold[i] - (ps.x[i] - ps.xold[i]);
      } else {
        ps.dir[i] = Reduce360(360 - ps.dir[i]);
        ps.y[i] = ps.yold[i] - (ps.y[i] - ps.yold[i]);
      }
      ps.speed[i] = std::max(ps.speed[i] - d.friction, 0.0);
    }
  }
}

// 4. Changers turn the particles of one type inside them into another type.
void Change(RParticleSystem& sys) {
  RParticles& ps = sys.particles;
  for (const RChanger& c : sys.changers.items) {
    if (!c.created || !Proper(c.xmin, c.xmax, c.ymin, c.ymax) || !ParticleTypeExists(c.part2)) continue;
    for (size_t i = 0; i < ps.Size(); ++i) {
      if (ps.parttype[i] != c.part1 || !Inside(ps.x[i], ps.y[i], c.xmin, c.xmax, c.ymin, c.ymax, c.shape)) continue;
      const RParticle p = MakeParticle(c.part2, ps.x[i], ps.y[i]);
      if (c.kind == 0) {
        ps.age[i] = p.age;
        ps.lifetime[i] = p.lifetime;
        ps.ran[i] = p.ran;
        ps.xold[i] = p.x;
        ps.yold[i] = p.y;
      }
      if (c.kind == 0 || c.kind == 1) {
        ps.ang[i] = p.ang;
        ps.color[i] = p.color;
        ps.alpha[i] = p.alpha;
        ps.size[i] = p.size;
        ps.spritestart[i] = p.spritestart;
      }
      if (c.kind == 0 || c.kind == 2) {
        ps.speed[i] = p.speed;
        ps.dir[i] = p.dir;
      }
      ps.parttype[i] = c.part2;
    }
  }
}

// 5. Destroyers remove the particles inside them, without death particles.
void Destroy(RParticleSystem& sys) {
  RParticles& ps = sys.particles;
  bool any = false;
  for (const RDestroyer& d : sys.destroyers.items) {
    if (!d.created) continue;
    for (size_t i = 0; i < ps.Size(); ++i)
      if (ps.alive[i] && Inside(ps.x[i], ps.y[i], d.xmin, d.xmax, d.ymin, d.ymax, d.shape)) ps.alive[i] = 0, any = true;
  }
  if (any) ps.Compact();
}

// 6. Size, colour and alpha over the life.
void Appearance(RParticleSystem& sys) {
  RParticles& ps = sys.particles;
  for (size_t i = 0; i < ps.Size(); ++i) {
    const RParticleType& t = TypeOf(ps.parttype[i]);
    ps.size[i] = std::max(ps.size[i] + t.sizeincr, 0.0);
    const int32_t age = ps.age[i], life = ps.lifetime[i];
    if (t.colmode == 1 || t.colmode == 2) ps.color[i] = LifeColor(t, age, life, ps.color[i]);
    const double e = life <= 0 ? 1.0 : 2.0 * age / life;
    ps.alpha[i] = e < 1 ? (1 - e) * t.alphastart + e * t.alphamiddle : (2 - e) * t.alphamiddle + (e - 1) * t.alphaend;
  }
}

// 7. Streams.
void Stream(RParticleSystem& sys) {
  for (size_t i = 0; i < sys.emitters.items.size(); ++i) {
    const REmitter em = sys.emitters.items[i];
    if (em.created && em.number != 0) Burst(sys, em, em.parttype, em.number);
  }
}

// The 14 shapes side by side in one texture, each 64 × 64 in a cell with a one-pixel border
// copied from its edge, so a whole system of shapes draws from one texture.
constexpr int32_t kShapeCell = 66, kShapeColumns = 7;

int32_t ShapeTexture() {
  int32_t& id = S().shapeTexture;
  if (id >= 0 && Texture_Exists(id)) return id;
  const int32_t w = kShapeCell * kShapeColumns, h = kShapeCell * 2;
  std::vector<uint8_t> atlas(size_t(w) * size_t(h), 0);
  for (int32_t s = 0; s < kParticleShapes; ++s) {
    const std::vector<uint8_t> pic = ParticleShapePicture(s);
    const int32_t cx = (s % kShapeColumns) * kShapeCell, cy = (s / kShapeColumns) * kShapeCell;
    for (int32_t y = 0; y < kShapeCell; ++y)
      for (int32_t x = 0; x < kShapeCell; ++x) {
        const int32_t sx = std::clamp(x - 1, 0, 63), sy = std::clamp(y - 1, 0, 63);
        atlas[size_t(cy + y) * size_t(w) + size_t(cx + x)] = pic[size_t(sy) * 64 + size_t(sx)];
      }
  }
  id = Texture_FromAlphaMap(w, h, atlas.data());
  return id;
}

// Additive blending for the particles that ask for it; the game's blend factors come back at
// the end of the system.
class BlendSwitch {
 public:
  BlendSwitch() : src_(RenderStateCache().src_blend), dest_(RenderStateCache().dest_blend) {}
  ~BlendSwitch() {
    if (additive_) Display_SetBlendFactors(src_, dest_);
  }
  void Set(bool additive) {
    if (additive == additive_) return;
    additive_ = additive;
    if (additive)
      Display_SetBlendMode(1);
    else
      Display_SetBlendFactors(src_, dest_);
  }

 private:
  int32_t src_, dest_;
  bool additive_ = false;
};

void DrawParticle(const RParticleSystem& sys, size_t i, int32_t shapes, BlendSwitch& blend) {
  const RParticles& ps = sys.particles;
  const int32_t life = ps.lifetime[i];
  if (life <= 0) return;
  const RParticleType& t = TypeOf(ps.parttype[i]);
  const CSprite* spr = t.sprite >= 0 ? Sprites().Get(t.sprite) : nullptr;
  if (spr && spr->i_numb <= 0) spr = nullptr;
  if (!spr && (t.shape < 0 || t.shape >= kParticleShapes || shapes < 0)) return;
  const int64_t age = ps.age[i], ran = ps.ran[i];
  const double o1 = Triangle(double((age + ran) % 16) / 4), o2 = Triangle(double((age + 2 * ran) % 16) / 4);
  const double size = ps.size[i] + t.sizerand * o1;
  const double angle = ps.ang[i] + (t.angdir ? ps.dir[i] : 0.0) + t.angrand * o2;
  const double x = ps.x[i] + sys.xdraw, y = ps.y[i] + sys.ydraw;
  blend.Set(t.additiveblend);
  if (spr) {
    int64_t sub = ps.spritestart[i];
    if (t.spriteanim) sub += t.spritestretch ? int64_t(std::floor(double(spr->i_numb) * double(age) / life)) : age;
    spr->Draw(spr->Frame(int32_t(sub % spr->i_numb)), x, y, t.xscale * size, t.yscale * size, angle, ps.color[i],
              ps.alpha[i]);
    return;
  }
  const double left = (t.shape % kShapeColumns) * kShapeCell + 1, top = (t.shape / kShapeColumns) * kShapeCell + 1;
  Texture_DrawPartTransformed(shapes, ps.color[i], left, top, 64, 64, 32, 32, x, y, t.xscale * size, t.yscale * size,
                              angle * kRad, ps.alpha[i]);
}

bool DrawsAutomatically(const std::unique_ptr<RParticleSystem>& sys) {
  return sys && sys->created && sys->automaticdraw;
}
}  // namespace

void RParticles::Compact() {
  size_t out = 0;
  const size_t n = Size();
  for (size_t i = 0; i < n; ++i) {
    if (!alive[i]) continue;
    if (out != i) Columns([&](auto& c) { c[out] = c[i]; });
    ++out;
  }
  Columns([&](auto& c) { c.resize(out); });
  ParticlesState().liveParticles -= int64_t(n - out);
}

void RParticles::Clear() {
  ParticlesState().liveParticles -= int64_t(Size());
  Columns([](auto& c) { c.clear(); });
}

double ParticleRandom() { return S().random ? S().random() : 0.0; }

double ParticleRandomRange(double min, double max, int32_t distr) {
  if (!(max > min)) return min;
  if (distr == 1) return min + (max - min) * (Gaussian() + 3) / 6;
  if (distr == 2) {
    const double t = Gaussian();
    return min + (max - min) * (t >= 0 ? t : t + 6) / 6;
  }
  return min + (max - min) * ParticleRandom();
}

int32_t ParticleTypeCreate() {
  std::vector<RParticleType>& types = S().types;
  size_t i = 0;
  while (i < types.size() && types[i].created) ++i;
  if (i == types.size()) types.emplace_back();
  types[i] = RParticleType{};
  types[i].created = true;
  return int32_t(i);
}

RParticleType* ParticleType(int32_t id) {
  std::vector<RParticleType>& types = S().types;
  return id >= 0 && size_t(id) < types.size() && types[size_t(id)].created ? &types[size_t(id)] : nullptr;
}

void ParticleTypeDestroy(int32_t id) {
  if (RParticleType* t = ParticleType(id)) t->created = false;
}
bool ParticleTypeExists(int32_t id) { return ParticleType(id) != nullptr; }
void ParticleTypeClear(int32_t id) {
  if (RParticleType* t = ParticleType(id)) {
    *t = RParticleType{};
    t->created = true;
  }
}

int32_t ParticleSystemCreate() {
  auto& systems = S().systems;
  size_t i = 0;
  while (i < systems.size() && systems[i] && systems[i]->created) ++i;
  if (i == systems.size()) systems.emplace_back();
  systems[i] = std::make_unique<RParticleSystem>();
  systems[i]->created = true;
  return int32_t(i);
}

RParticleSystem* ParticleSystem(int32_t id) {
  auto& systems = S().systems;
  if (id < 0 || size_t(id) >= systems.size()) return nullptr;
  RParticleSystem* sys = systems[size_t(id)].get();
  return sys && sys->created ? sys : nullptr;
}

void ParticleSystemDestroy(int32_t id) {
  if (RParticleSystem* sys = ParticleSystem(id)) {
    sys->particles.Clear();
    S().systems[size_t(id)].reset();
  }
}
bool ParticleSystemExists(int32_t id) { return ParticleSystem(id) != nullptr; }
void ParticleSystemClear(int32_t id) {
  if (RParticleSystem* sys = ParticleSystem(id)) {
    sys->particles.Clear();
    *sys = RParticleSystem{};
    sys->created = true;
  }
}

void ParticlesCreate(int32_t system, double x, double y, int32_t type, int32_t number, int32_t color) {
  if (RParticleSystem* sys = ParticleSystem(system)) Create(*sys, x, y, type, number, color);
}
void ParticlesClear(int32_t system) {
  if (RParticleSystem* sys = ParticleSystem(system)) sys->particles.Clear();
}
int32_t ParticlesCount(int32_t system) {
  const RParticleSystem* sys = ParticleSystem(system);
  return sys ? int32_t(sys->particles.Size()) : 0;
}

void ParticleEmitterRegion(int32_t system, int32_t emitter, double xmin, double xmax, double ymin, double ymax,
                           int32_t shape, int32_t distr) {
  RParticleSystem* sys = ParticleSystem(system);
  REmitter* em = sys ? sys->emitters.Get(emitter) : nullptr;
  if (!em) return;
  em->xmin = xmin, em->xmax = xmax, em->ymin = ymin, em->ymax = ymax;
  em->shape = shape;
  em->posdistr = distr;
}

void ParticleEmitterBurst(int32_t system, int32_t emitter, int32_t type, int32_t number) {
  RParticleSystem* sys = ParticleSystem(system);
  const REmitter* em = sys ? sys->emitters.Get(emitter) : nullptr;
  if (em) Burst(*sys, REmitter(*em), type, number);
}

void ParticleEmitterStream(int32_t system, int32_t emitter, int32_t type, int32_t number) {
  RParticleSystem* sys = ParticleSystem(system);
  REmitter* em = sys ? sys->emitters.Get(emitter) : nullptr;
  if (!em) return;
  em->parttype = type;
  em->number = number;
}

void ParticleSystemUpdate(int32_t system) {
  RParticleSystem* sys = ParticleSystem(system);
  if (!sys) return;
  Life(*sys);
  Motion(*sys);
  if (sys->deflectors.Any()) Deflect(*sys);
  if (sys->changers.Any()) Change(*sys);
  if (sys->destroyers.Any()) Destroy(*sys);
  Appearance(*sys);
  Stream(*sys);
}

void ParticleSystemDraw(int32_t system) {
  const RParticleSystem* sys = ParticleSystem(system);
  if (!sys || sys->particles.Size() == 0) return;
  const int32_t shapes = ShapeTexture();
  BlendSwitch blend;
  const size_t n = sys->particles.Size();
  if (sys->oldtonew) {
    for (size_t i = 0; i < n; ++i) DrawParticle(*sys, i, shapes, blend);
  } else {
    for (size_t i = n; i-- > 0;) DrawParticle(*sys, i, shapes, blend);
  }
}

void UpdateAutomaticParticleSystems() {
  for (size_t i = 0; i < S().systems.size(); ++i) {
    const RParticleSystem* sys = S().systems[i].get();
    if (sys && sys->created && sys->automaticupdate) ParticleSystemUpdate(int32_t(i));
  }
}

double ParticleDepthBelow(double below) {
  double best = kNoDepth;
  for (const auto& sys : S().systems)
    if (DrawsAutomatically(sys) && sys->depth < below && sys->depth > best) best = sys->depth;
  return best;
}

void DrawParticleSystemsAt(double depth) {
  for (size_t i = 0; i < S().systems.size(); ++i)
    if (DrawsAutomatically(S().systems[i]) && std::fabs(S().systems[i]->depth - depth) < 0.01)
      ParticleSystemDraw(int32_t(i));
}
