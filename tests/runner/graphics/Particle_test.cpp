// The particle engine without a device: a seeded run against a small reference of the update
// formulas, and tiny systems for emitters, attractors, destroyers, deflectors and changers,
// secondary particles, automatic update, the depth queries and the particle limit.
#include "runner/graphics/Particle_Main.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "runner/functions/Function_Math.h"
#include "runner/graphics/Particle_Effect.h"

namespace {
constexpr double kRad = std::numbers::pi / 180.0;

void Seed(uint32_t seed) {
  ParticlesState().random = RandomReal;
  SetRandomSeed(seed);
}

RParticleType& NewType(int32_t& id) {
  id = ParticleTypeCreate();
  return *ParticleType(id);
}

// The reference: one particle as the update formulas describe it, with its own draws.
struct RefParticle {
  double x, y, speed, dir, ang, size, alpha;
  int32_t age, life, color, ran;
};

double Range(double lo, double hi) { return hi > lo ? lo + (hi - lo) * RandomReal() : lo; }
double Tri(double t) { return (t > 2 ? 4 - t : t) - 1; }
int32_t Merge(int32_t a, int32_t b, double f) {
  int32_t out = 0;
  for (int s = 0; s <= 16; s += 8)
    out |= int32_t(std::nearbyint(((a >> s) & 255) * (1 - f) + ((b >> s) & 255) * f)) << s;
  return out;
}

TEST(Particles, SeededRunFollowsTheUpdateFormulas) {
  int32_t type = -1;
  RParticleType& t = NewType(type);
  t.spmin = 1, t.spmax = 3, t.spincr = -0.05, t.sprand = 0.5;
  t.dirmin = 0, t.dirmax = 360, t.dirincr = 2, t.dirrand = 10;
  t.grav = 0.2, t.gravdir = 270;
  t.angmin = 0, t.angmax = 90, t.angincr = 3;
  t.lifemin = 4, t.lifemax = 12;
  t.colmode = 1, t.colpar[0] = 0x0000FF, t.colpar[1] = 0xFF0000;
  t.alphastart = 1, t.alphamiddle = 0.5, t.alphaend = 0;
  t.sizemin = 0.5, t.sizemax = 1, t.sizeincr = 0.01;
  const RParticleType type_copy = t;
  const int32_t sys = ParticleSystemCreate();

  Seed(2024);
  std::vector<RefParticle> ref;
  for (int i = 0; i < 12; ++i) {
    RefParticle p{};
    p.x = 50, p.y = 40;
    p.speed = Range(1, 3);
    p.dir = Range(0, 360);
    p.ang = Range(0, 90);
    p.life = int32_t(std::nearbyint(Range(4, 12)));
    p.color = 0x0000FF;
    p.alpha = 1;
    p.size = Range(0.5, 1);
    p.ran = int32_t(RandomReal() * 100000);
    ref.push_back(p);
  }
  const RParticleType& r = type_copy;
  auto refStep = [&] {
    std::erase_if(ref, [](RefParticle& p) { return ++p.age >= p.life; });
    for (RefParticle& p : ref) {
      p.speed = std::max(p.speed + r.spincr, 0.0);
      p.dir += r.dirincr;
      p.ang += r.angincr;
      const double vx = p.speed * std::cos(p.dir * kRad), vy = -p.speed * std::sin(p.dir * kRad) + r.grav;
      p.speed = std::hypot(vx, vy);
      p.dir = std::fmod(std::atan2(-vy, vx) / kRad + 360, 360);
      const double w1 = Tri(((p.age + 4 * p.ran) % 20) / 5.0), w2 = Tri(((p.age + 3 * p.ran) % 24) / 6.0);
      const double len = p.speed + r.sprand * w1, d = (p.dir + r.dirrand * w2) * kRad;
      p.x += len * std::cos(d);
      p.y -= len * std::sin(d);
      p.size += r.sizeincr;
      p.color = Merge(0x0000FF, 0xFF0000, std::min(double(p.age) / p.life, 1.0));
      const double e = 2.0 * p.age / p.life;
      p.alpha = e < 1 ? (1 - e) * 1 + e * 0.5 : (2 - e) * 0.5 + (e - 1) * 0;
    }
  };

  Seed(2024);
  ParticlesCreate(sys, 50, 40, type, 12);
  for (int step = 1; step <= 9; ++step) {
    refStep();
    ParticleSystemUpdate(sys);
    const RParticles& ps = ParticleSystem(sys)->particles;
    ASSERT_EQ(ps.Size(), ref.size()) << "step " << step;
    for (size_t i = 0; i < ref.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "step " << step << " particle " << i);
      EXPECT_NEAR(ps.x[i], ref[i].x, 1e-3);
      EXPECT_NEAR(ps.y[i], ref[i].y, 1e-3);
      EXPECT_NEAR(ps.ang[i], ref[i].ang, 1e-9);
      EXPECT_NEAR(ps.size[i], ref[i].size, 1e-9);
      EXPECT_NEAR(ps.alpha[i], ref[i].alpha, 1e-9);
      EXPECT_EQ(ps.color[i], ref[i].color);
    }
  }
  // Lifetimes 4..12 over nine steps: some have died, some live on.
  EXPECT_GT(ParticlesCount(sys), 0);
  EXPECT_LT(ParticlesCount(sys), 12);
}

TEST(Particles, SameSeedSameRun) {
  auto run = [](uint32_t seed) {
    Seed(seed);
    int32_t type = -1;
    RParticleType& t = NewType(type);
    t.spmin = 0, t.spmax = 4, t.dirmin = 0, t.dirmax = 360, t.lifemin = 3, t.lifemax = 30;
    t.colmode = 3, t.colpar[0] = 0, t.colpar[1] = 255, t.colpar[2] = 10, t.colpar[3] = 20, t.colpar[4] = 200,
    t.colpar[5] = 255;
    const int32_t sys = ParticleSystemCreate();
    const int32_t em = ParticleSystem(sys)->emitters.Create();
    ParticleEmitterRegion(sys, em, 0, 100, 0, 100, 1, 1);
    ParticleEmitterStream(sys, em, type, 5);
    for (int i = 0; i < 20; ++i) ParticleSystemUpdate(sys);
    std::vector<double> out;
    const RParticles& ps = ParticleSystem(sys)->particles;
    for (size_t i = 0; i < ps.Size(); ++i) out.insert(out.end(), {ps.x[i], ps.y[i], double(ps.color[i])});
    ParticleSystemDestroy(sys);
    ParticleTypeDestroy(type);
    return out;
  };
  const std::vector<double> a = run(7);
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, run(7));
  EXPECT_NE(a, run(8));
}

// Emitter regions: every point lies in the region's shape; a line puts its points on the
// diagonal; a stream adds its number every update; a negative number bursts now and then.
TEST(Particles, EmittersPlacePointsInTheirShape) {
  struct Case {
    int32_t shape, distr;
  };
  const Case cases[] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 2}, {3, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "shape " << c.shape << " distribution " << c.distr);
    Seed(99);
    int32_t type = -1;
    NewType(type).lifemin = 1000;
    const int32_t sys = ParticleSystemCreate();
    const int32_t em = ParticleSystem(sys)->emitters.Create();
    ParticleEmitterRegion(sys, em, 10, 50, 100, 120, c.shape, c.distr);
    ParticleEmitterBurst(sys, em, type, 200);
    const RParticles& ps = ParticleSystem(sys)->particles;
    ASSERT_EQ(ps.Size(), 200u);
    for (size_t i = 0; i < ps.Size(); ++i) {
      const double u = (ps.x[i] - 10) / 40, v = (ps.y[i] - 100) / 20;
      ASSERT_TRUE(u >= 0 && u <= 1 && v >= 0 && v <= 1) << ps.x[i] << "," << ps.y[i];
      if (c.shape == 1) {
        EXPECT_LE((u - 0.5) * (u - 0.5) + (v - 0.5) * (v - 0.5), 0.25 + 1e-12);
      } else if (c.shape == 2) {
        EXPECT_LE(std::fabs(u - 0.5) + std::fabs(v - 0.5), 0.5 + 1e-12);
      } else if (c.shape == 3) {
        EXPECT_NEAR(u, v, 1e-12);
      }
    }
    ParticleSystemDestroy(sys);
  }
}

TEST(Particles, StreamsAndSecondaryParticlesCount) {
  Seed(5);
  int32_t type = -1;
  NewType(type).lifemin = 100000;
  const int32_t sys = ParticleSystemCreate();
  const int32_t em = ParticleSystem(sys)->emitters.Create();
  ParticleEmitterStream(sys, em, type, 3);
  for (int i = 0; i < 4; ++i) ParticleSystemUpdate(sys);
  EXPECT_EQ(ParticlesCount(sys), 12);
  // One in four on average with a negative number.
  ParticlesClear(sys);
  ParticleEmitterStream(sys, em, type, -4);
  for (int i = 0; i < 1200; ++i) ParticleSystemUpdate(sys);
  EXPECT_NEAR(ParticlesCount(sys), 300, 60);

  // Death number -3: a death particle for about a third of the dying ones; step particles
  // every step for each particle still alive.
  int32_t dying = -1, death = -1, stepper = -1;
  RParticleType& dt = NewType(death);
  dt.lifemin = dt.lifemax = 1000;
  RParticleType& d = NewType(dying);
  d.lifemin = d.lifemax = 1;
  d.deathtype = death, d.deathnumber = -3;
  const int32_t sys2 = ParticleSystemCreate();
  ParticlesCreate(sys2, 0, 0, dying, 3000);
  ParticleSystemUpdate(sys2);
  EXPECT_NEAR(ParticlesCount(sys2), 1000, 100);
  RParticleType& s = NewType(stepper);
  s.lifemin = s.lifemax = 3;
  s.steptype = death, s.stepnumber = 2;
  ParticlesClear(sys2);
  ParticlesCreate(sys2, 0, 0, stepper, 5);
  ParticleSystemUpdate(sys2);  // age 1: 5 + 10
  ParticleSystemUpdate(sys2);  // age 2: 5 + 20
  ParticleSystemUpdate(sys2);  // age 3: the 5 die, 20 remain
  EXPECT_EQ(ParticlesCount(sys2), 20);
}

// One particle moving right at speed 1 from (100, 100) for one update, with one attractor.
TEST(Particles, AttractorsPullByKindAndDistance) {
  struct Case {
    const char* name;
    double ax, ay, force, dist;
    int32_t kind;
    bool additive;
    double x, y, speed;  // after the update
  };
  const Case cases[] = {
      {"constant, additive", 100, 110, 2, 50, 0, true, 101, 102, std::sqrt(5.0)},
      {"linear halves at half the range", 100, 110, 2, 20, 1, true, 101, 101, std::sqrt(2.0)},
      {"quadratic quarters", 100, 110, 2, 20, 2, true, 101, 100.5, std::sqrt(1.25)},
      {"out of range", 100, 110, 2, 9, 0, true, 101, 100, 1},
      {"at the particle itself", 100, 100, 2, 50, 0, true, 101, 100, 1},
      {"no force", 100, 110, 0, 50, 0, true, 101, 100, 1},
      {"not additive moves only this step", 100, 110, 2, 50, 0, false, 101, 102, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t type = -1;
    RParticleType& t = NewType(type);
    t.spmin = t.spmax = 1;
    const int32_t sys = ParticleSystemCreate();
    RParticleSystem& s = *ParticleSystem(sys);
    RAttractor& a = s.attractors.items[size_t(s.attractors.Create())];
    a.x = c.ax, a.y = c.ay, a.force = c.force, a.dist = c.dist, a.kind = c.kind, a.additive = c.additive;
    ParticlesCreate(sys, 100, 100, type, 1);
    ParticleSystemUpdate(sys);
    ASSERT_EQ(s.particles.Size(), 1u);
    EXPECT_NEAR(s.particles.x[0], c.x, 1e-9);
    EXPECT_NEAR(s.particles.y[0], c.y, 1e-9);
    EXPECT_NEAR(s.particles.speed[0], c.speed, 1e-9);
    ParticleSystemDestroy(sys);
  }
}

// A particle at (10, 10) moving at speed 4 in direction 45 meets a deflector over its new place.
TEST(Particles, DeflectorsMirrorTheMove) {
  struct Case {
    int32_t kind;
    double friction, dir, speed;
    bool xMirrored;
  };
  const Case cases[] = {{1, 0, 135, 4, true}, {0, 1, 315, 3, false}, {0, 9, 315, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " friction " << c.friction);
    int32_t type = -1;
    RParticleType& t = NewType(type);
    t.spmin = t.spmax = 4, t.dirmin = t.dirmax = 45;
    const int32_t sys = ParticleSystemCreate();
    RParticleSystem& s = *ParticleSystem(sys);
    RDeflector& d = s.deflectors.items[size_t(s.deflectors.Create())];
    d.xmin = 0, d.xmax = 100, d.ymin = 0, d.ymax = 100, d.kind = c.kind, d.friction = c.friction;
    ParticlesCreate(sys, 10, 10, type, 1);
    ParticleSystemUpdate(sys);
    const double step = 4 / std::sqrt(2.0);
    EXPECT_NEAR(s.particles.x[0], c.xMirrored ? 10 - step : 10 + step, 1e-9);
    EXPECT_NEAR(s.particles.y[0], c.xMirrored ? 10 - step : 10 + step, 1e-9);
    EXPECT_NEAR(s.particles.dir[0], c.dir, 1e-9);
    EXPECT_NEAR(s.particles.speed[0], c.speed, 1e-9);
    ParticleSystemDestroy(sys);
  }
}

// Destroyer regions by shape: a particle near a corner of the box is inside the rectangle only,
// the centre inside all three, one far away in none.
TEST(Particles, DestroyersRemoveWhatIsInsideTheirShape) {
  struct Case {
    int32_t shape;
    int32_t left;  // of the three particles
  };
  const Case cases[] = {{0, 1}, {1, 2}, {2, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "shape " << c.shape);
    int32_t type = -1, death = -1;
    NewType(type);
    NewType(death);
    ParticleType(type)->deathtype = death, ParticleType(type)->deathnumber = 5;
    const int32_t sys = ParticleSystemCreate();
    RParticleSystem& s = *ParticleSystem(sys);
    RDestroyer& d = s.destroyers.items[size_t(s.destroyers.Create())];
    d.xmin = 0, d.xmax = 100, d.ymin = 0, d.ymax = 100, d.shape = c.shape;
    ParticlesCreate(sys, 50, 50, type, 1);
    ParticlesCreate(sys, 5, 5, type, 1);
    ParticlesCreate(sys, 500, 5, type, 1);
    ParticleSystemUpdate(sys);
    // No death particles for those destroyed.
    EXPECT_EQ(ParticlesCount(sys), c.left);
    ParticleSystemDestroy(sys);
  }
}

TEST(Particles, ChangersTurnOneTypeIntoAnother) {
  struct Case {
    int32_t kind;
    double speed, size;
    int32_t age;
  };
  // The changed particle's speed, size and age after the update: kind 0 takes everything of a
  // new particle, 1 its looks, 2 its motion.
  const Case cases[] = {{0, 7, 3, 0}, {1, 1, 3, 1}, {2, 7, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind);
    int32_t from = -1, to = -1, other = -1;
    RParticleType& a = NewType(from);
    a.spmin = a.spmax = 1;
    NewType(other).spmin = 1;
    RParticleType& b = NewType(to);
    b.spmin = b.spmax = 7, b.sizemin = b.sizemax = 3, b.dirmin = b.dirmax = 90;
    const int32_t sys = ParticleSystemCreate();
    RParticleSystem& s = *ParticleSystem(sys);
    RChanger& ch = s.changers.items[size_t(s.changers.Create())];
    ch.xmin = 0, ch.xmax = 100, ch.ymin = 0, ch.ymax = 100, ch.part1 = from, ch.part2 = to, ch.kind = c.kind;
    ParticlesCreate(sys, 50, 50, from, 1);
    ParticlesCreate(sys, 50, 50, other, 1);
    ParticleSystemUpdate(sys);
    EXPECT_EQ(s.particles.parttype[0], to);
    EXPECT_EQ(s.particles.parttype[1], other);
    EXPECT_DOUBLE_EQ(s.particles.speed[0], c.speed);
    EXPECT_DOUBLE_EQ(s.particles.size[0], c.size);
    EXPECT_EQ(s.particles.age[0], c.age);
    ParticleSystemDestroy(sys);
  }
}

TEST(Particles, AutomaticUpdateAndDrawingDepths) {
  int32_t type = -1;
  NewType(type).lifemin = 1000;
  const int32_t frozen = ParticleSystemCreate(), moving = ParticleSystemCreate(), hidden = ParticleSystemCreate();
  ParticleSystem(frozen)->automaticupdate = false;
  ParticleSystem(frozen)->depth = 5;
  ParticleSystem(moving)->depth = -3;
  ParticleSystem(hidden)->depth = 50;
  ParticleSystem(hidden)->automaticdraw = false;
  ParticlesCreate(frozen, 0, 0, type, 1);
  ParticlesCreate(moving, 0, 0, type, 1);
  UpdateAutomaticParticleSystems();
  UpdateAutomaticParticleSystems();
  EXPECT_EQ(ParticleSystem(frozen)->particles.age[0], 0);
  EXPECT_EQ(ParticleSystem(moving)->particles.age[0], 2);
  ParticleSystemUpdate(frozen);
  EXPECT_EQ(ParticleSystem(frozen)->particles.age[0], 1);

  EXPECT_EQ(ParticleDepthBelow(1e300), 5);
  EXPECT_EQ(ParticleDepthBelow(5), -3);
  EXPECT_EQ(ParticleDepthBelow(-3), -1e9);
  ParticleSystemDestroy(frozen);
  EXPECT_EQ(ParticleDepthBelow(1e300), -3);
}

TEST(Particles, IdsAreReusedAndInvalidIdsDoNothing) {
  const int32_t a = ParticleTypeCreate(), b = ParticleTypeCreate();
  ParticleTypeDestroy(a);
  EXPECT_FALSE(ParticleTypeExists(a));
  EXPECT_EQ(ParticleTypeCreate(), a);
  EXPECT_EQ(ParticleTypeCreate(), b + 1);
  const int32_t s = ParticleSystemCreate();
  ParticlesCreate(s, 0, 0, 99, 5);  // no such type
  ParticlesCreate(99, 0, 0, a, 5);  // no such system
  ParticleSystemUpdate(-1);
  ParticleSystemDraw(7);
  EXPECT_EQ(ParticlesCount(s), 0);
  EXPECT_EQ(ParticlesCount(99), 0);
  // A particle whose type is destroyed moves on and dies at its time.
  ParticlesCreate(s, 0, 0, a, 2);
  ParticleTypeDestroy(a);
  for (int i = 0; i < 100; ++i) ParticleSystemUpdate(s);
  EXPECT_EQ(ParticlesCount(s), 0);
}

// A game asking for more particles than the systems hold gets as many as they hold; removed
// particles make room again.
TEST(Particles, SystemsStopAtTheirLimit) {
  int32_t type = -1;
  NewType(type).lifemin = 1000;
  const int32_t s = ParticleSystemCreate(), t = ParticleSystemCreate();
  ParticlesCreate(t, 0, 0, type, 10);
  ParticlesCreate(s, 0, 0, type, 2000000000);
  EXPECT_EQ(ParticlesCount(s), kMaxParticles - 10);
  ParticlesCreate(t, 0, 0, type, 10);
  EXPECT_EQ(ParticlesCount(t), 10);
  ParticleSystemDestroy(t);
  ParticlesCreate(s, 0, 0, type, 20);
  EXPECT_EQ(ParticlesCount(s), kMaxParticles);
  ParticleSystemClear(s);
  ParticlesCreate(s, 0, 0, type, 3);
  EXPECT_EQ(ParticlesCount(s), 3);
}

TEST(Particles, EffectsUseTheirTwoSystemsAndClear) {
  Seed(3);
  EffectCreate(false, 0, 10, 10, 0, 0xFF);
  EffectCreate(true, 6, 10, 10, 2, 0xFF);
  const REffectState& fx = ParticlesState().effects;
  ASSERT_TRUE(ParticleSystemExists(fx.below));
  ASSERT_TRUE(ParticleSystemExists(fx.above));
  EXPECT_EQ(ParticleSystem(fx.below)->depth, 100000);
  EXPECT_EQ(ParticleSystem(fx.above)->depth, -100000);
  EXPECT_EQ(ParticlesCount(fx.below), 21);  // 20 in the colour, one black
  EXPECT_EQ(ParticlesCount(fx.above), 1);
  const RParticles& ps = ParticleSystem(fx.below)->particles;
  EXPECT_EQ(std::count(ps.color.begin(), ps.color.end(), 0xFF), 20);
  EXPECT_EQ(ps.color.back(), 0);
  for (int32_t kind = 0; kind < kEffectKinds; ++kind)
    for (int32_t size = 0; size < 3; ++size) EffectCreate(kind % 2 == 0, kind, 50, 50, size, 0xFFFFFF);
  EffectClear();
  EXPECT_EQ(ParticlesCount(fx.below) + ParticlesCount(fx.above), 0);

  // Faster games scale lifetimes and speeds to keep an effect as long in seconds.
  EXPECT_EQ(EffectSpeedFactor(30, 30), 1);
  EXPECT_EQ(EffectSpeedFactor(60, 20), 1);
  EXPECT_EQ(EffectSpeedFactor(60, 55), 0.5);
  EXPECT_EQ(EffectSpeedFactor(60, 40), 0.75);
}
}  // namespace
