// The simple effects and their presets; see Particle_Effect.h. The explosion follows its fixed
// recipe; the other kinds are tuned to look like their names at 30 steps per second.
#include "runner/graphics/Particle_Effect.h"

#include <algorithm>
#include <cmath>

#include "runner/code/Variable_Class.h"
#include "runner/graphics/Particle_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

namespace {
constexpr int32_t kBlack = 0;

enum EShape : int32_t { kLine = 3, kStar = 4, kRing = 6, kFlare = 8, kSpark = 9, kExplosion = 10, kSnow = 13 };

int32_t System(bool above) {
  REffectState& fx = ParticlesState().effects;
  int32_t& id = above ? fx.above : fx.below;
  if (!ParticleSystemExists(id)) {
    id = ParticleSystemCreate();
    ParticleSystem(id)->depth = above ? -100000 : 100000;
  }
  return id;
}

// The type of a kind, size and role, made on first use and set back to the defaults for the
// preset to fill in.
RParticleType& Type(int32_t kind, int32_t size, int32_t role, int32_t& id) {
  REffectState& fx = ParticlesState().effects;
  if (!fx.typesMade) {
    for (auto& k : fx.types)
      for (auto& s : k)
        for (int32_t& t : s) t = -1;
    fx.typesMade = true;
  }
  id = fx.types[kind][size][role];
  if (!ParticleTypeExists(id)) id = fx.types[kind][size][role] = ParticleTypeCreate();
  ParticleTypeClear(id);
  return *ParticleType(id);
}

int32_t Life(double steps, double f) { return RoundToInt32(steps / f); }

struct RRoomSize {
  double width = 640, height = 480;
};
RRoomSize RoomSize() {
  const CRoom* room = CurrentRoom();
  return room ? RRoomSize{double(room->r_width), double(room->r_height)} : RRoomSize{};
}

void SetLife(RParticleType& t, double lo, double hi, double f) {
  t.lifemin = Life(lo, f);
  t.lifemax = Life(hi, f);
}
void SetAlpha(RParticleType& t, double a, double b, double c) {
  t.alphastart = a, t.alphamiddle = b, t.alphaend = c;
}
void SetColor(RParticleType& t, int32_t color) {
  t.colmode = 0;
  t.colpar[0] = color;
}

void Explosion(int32_t sys, int32_t size, double x, double y, int32_t color, double f) {
  static constexpr double kSize[] = {0.1, 0.3, 0.4}, kIncrA[] = {0.05, 0.1, 0.2}, kIncrB[] = {0.1, 0.2, 0.4};
  static constexpr double kSpeed[] = {2, 4, 7}, kSpeedIncr[] = {-0.1, -0.18, -0.2};
  static constexpr double kLifeA[][2] = {{10, 15}, {12, 17}, {15, 20}}, kLifeB[] = {15, 17, 20};
  int32_t a = -1, b = -1;
  RParticleType& ta = Type(0, size, 0, a);
  ta.shape = kExplosion;
  ta.sizemin = ta.sizemax = kSize[size];
  ta.sizeincr = kIncrA[size] * f;
  ta.angmin = 0, ta.angmax = 360;
  ta.dirmin = 0, ta.dirmax = 360;
  ta.spmin = ta.spmax = kSpeed[size] * f;
  ta.spincr = kSpeedIncr[size] * f;
  SetAlpha(ta, 0.6, 0.3, 0);
  SetLife(ta, kLifeA[size][0], kLifeA[size][1], f);
  SetColor(ta, color);
  RParticleType& tb = Type(0, size, 1, b);
  tb.shape = kExplosion;
  tb.sizemin = tb.sizemax = kSize[size];
  tb.sizeincr = kIncrB[size] * f;
  tb.angmin = 0, tb.angmax = 360;
  SetAlpha(tb, 0.8, 0.4, 0);
  SetLife(tb, kLifeB[size], kLifeB[size], f);
  SetColor(tb, kBlack);
  ParticlesCreate(sys, x, y, a, 20);
  ParticlesCreate(sys, x, y, b, 1);
}

// A ring (or a flat ellipse) that widens and fades.
void Ring(int32_t sys, int32_t kind, int32_t size, double x, double y, int32_t color, double f) {
  static constexpr double kIncr[] = {0.1, 0.2, 0.35}, kLife[] = {10, 13, 15};
  int32_t id = -1;
  RParticleType& t = Type(kind, size, 0, id);
  t.shape = kRing;
  t.sizemin = t.sizemax = 0.1;
  t.sizeincr = kIncr[size] * f;
  if (kind == 2) t.yscale = 0.5;
  SetAlpha(t, 1, 0.6, 0);
  SetLife(t, kLife[size], kLife[size], f);
  SetColor(t, color);
  ParticlesCreate(sys, x, y, id, 1);
}

// Sparks thrown out in every direction and pulled down.
void Firework(int32_t sys, int32_t size, double x, double y, int32_t color, double f) {
  static constexpr int32_t kCount[] = {20, 50, 100};
  static constexpr double kSpeed[] = {3, 5, 7};
  int32_t id = -1;
  RParticleType& t = Type(3, size, 0, id);
  t.shape = kFlare;
  t.sizemin = 0.1, t.sizemax = 0.2;
  t.sizeincr = -0.003 * f;
  t.spmin = 0.5 * kSpeed[size] * f, t.spmax = kSpeed[size] * f;
  t.dirmin = 0, t.dirmax = 360;
  t.grav = 0.1 * f, t.gravdir = 270;
  SetAlpha(t, 1, 0.8, 0);
  SetLife(t, 15, 25, f);
  SetColor(t, color);
  ParticlesCreate(sys, x, y, id, kCount[size]);
}

// Puffs on a small square pattern around the point that grow and fade, drifting up for smokeup.
void Smoke(int32_t sys, int32_t kind, int32_t size, double x, double y, int32_t color, double f) {
  static constexpr double kSize[] = {0.2, 0.4, 0.6}, kGap[] = {5, 10, 15};
  int32_t id = -1;
  RParticleType& t = Type(kind, size, 0, id);
  t.shape = kExplosion;
  t.sizemin = t.sizemax = kSize[size];
  t.sizeincr = 0.005 * f;
  t.angmin = 0, t.angmax = 360;
  if (kind == 5) {
    t.spmin = 0.5 * f, t.spmax = 1.0 * f;
    t.dirmin = 80, t.dirmax = 100;
  }
  SetAlpha(t, 0.6, 0.3, 0);
  SetLife(t, 25, 30, f);
  SetColor(t, color);
  for (int32_t j = -1; j <= 1; ++j)
    for (int32_t i = -1; i <= 1; ++i) ParticlesCreate(sys, x + i * kGap[size], y + j * kGap[size], id, 1);
}

// One particle of a shape that shrinks or grows and fades: star, spark, flare.
void Single(int32_t sys, int32_t kind, int32_t shape, int32_t size, double x, double y, int32_t color, double f) {
  static constexpr double kSize[] = {0.4, 0.7, 1.0};
  int32_t id = -1;
  RParticleType& t = Type(kind, size, 0, id);
  t.shape = shape;
  t.sizemin = t.sizemax = kSize[size];
  t.sizeincr = -kSize[size] / 40 * f;
  if (kind == 6) t.angmin = 0, t.angmax = 360, t.angincr = 6 * f;
  SetAlpha(t, 1, 0.8, 0);
  SetLife(t, 20, 20, f);
  SetColor(t, color);
  ParticlesCreate(sys, x, y, id, 1);
}

// A large, slow cloud that fades in and out.
void Cloud(int32_t sys, int32_t size, double x, double y, int32_t color, double f) {
  static constexpr double kSize[] = {0.5, 1.0, 2.0};
  int32_t id = -1;
  RParticleType& t = Type(9, size, 0, id);
  t.shape = kExplosion;
  t.sizemin = t.sizemax = kSize[size];
  t.angmin = 0, t.angmax = 360;
  SetAlpha(t, 0, 0.3, 0);
  SetLife(t, 100, 100, f);
  SetColor(t, color);
  ParticlesCreate(sys, x, y, id, 1);
}

// Drops from just above the room, falling slightly to the left across it.
void Rain(int32_t sys, int32_t size, int32_t color, double f) {
  static constexpr int32_t kCount[] = {2, 5, 9};
  const RRoomSize room = RoomSize();
  int32_t id = -1;
  RParticleType& t = Type(10, size, 0, id);
  t.shape = kLine;
  t.sizemin = t.sizemax = 0.2;
  t.xscale = 1.5;
  t.angdir = true;
  t.spmin = t.spmax = 12 * f;
  t.dirmin = t.dirmax = 260;
  SetAlpha(t, 0.4, 0.4, 0.4);
  SetLife(t, room.height / 12 + 5, room.height / 12 + 5, f);
  SetColor(t, color);
  for (int32_t i = 0; i < kCount[size]; ++i) ParticlesCreate(sys, ParticleRandom() * 1.2 * room.width, -10, id, 1);
}

// Flakes from just above the room, drifting down over its width.
void Snow(int32_t sys, int32_t size, int32_t color, double f) {
  static constexpr int32_t kCount[] = {1, 3, 7};
  const RRoomSize room = RoomSize();
  int32_t id = -1;
  RParticleType& t = Type(11, size, 0, id);
  t.shape = kSnow;
  t.sizemin = 0.1, t.sizemax = 0.25;
  t.angmin = 0, t.angmax = 360;
  t.spmin = 1 * f, t.spmax = 2 * f;
  t.dirmin = 240, t.dirmax = 300;
  t.dirrand = 20;
  SetAlpha(t, 0.6, 0.6, 0.6);
  SetLife(t, room.height / 1.2 + 20, room.height / 1.2 + 20, f);
  SetColor(t, color);
  for (int32_t i = 0; i < kCount[size]; ++i) ParticlesCreate(sys, ParticleRandom() * room.width, -10, id, 1);
}
}  // namespace

double EffectSpeedFactor(int32_t roomSpeed, int32_t fps) {
  if (roomSpeed <= 30 || fps <= 30) return 1;
  if (double(roomSpeed) / fps < 1.2) return 30.0 / roomSpeed;
  return 30.0 / fps;
}

void EffectCreate(bool above, int32_t kind, double x, double y, int32_t size, int32_t color) {
  if (kind < 0 || kind >= kEffectKinds) return;
  size = std::clamp(size, 0, 2);
  const CRoom* room = CurrentRoom();
  const double f = EffectSpeedFactor(room ? room->r_speed : 30, GameState().fps);
  const int32_t sys = System(above);
  switch (kind) {
    case 0: return Explosion(sys, size, x, y, color, f);
    case 1:
    case 2: return Ring(sys, kind, size, x, y, color, f);
    case 3: return Firework(sys, size, x, y, color, f);
    case 4:
    case 5: return Smoke(sys, kind, size, x, y, color, f);
    case 6: return Single(sys, kind, kStar, size, x, y, color, f);
    case 7: return Single(sys, kind, kSpark, size, x, y, color, f);
    case 8: return Single(sys, kind, kFlare, size, x, y, color, f);
    case 9: return Cloud(sys, size, x, y, color, f);
    case 10: return Rain(sys, size, color, f);
    default: return Snow(sys, size, color, f);
  }
}

void EffectClear() {
  const REffectState& fx = ParticlesState().effects;
  ParticlesClear(fx.below);
  ParticlesClear(fx.above);
}
