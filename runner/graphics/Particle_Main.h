// Particle systems: particle types, systems with their emitters, attractors, destroyers,
// deflectors and changers, the update of a system once per step and its drawing at its depth.
// Particles carry no instance: a system keeps them in flat columns in creation order, so an
// update walks plain arrays and a draw sends one batch per texture and blend state.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "runner/base/Game.h"

// The built-in shapes (pt_shape_pixel .. pt_shape_snow).
inline constexpr int32_t kParticleShapes = 14;
// No more particles than this live in all systems together: a game asking for more (a huge
// count, step particles multiplying every step, many systems) gets the ones that fit, never an
// allocation without end.
inline constexpr int64_t kMaxParticles = 1000000;

struct RParticleType {
  bool created = false;
  int32_t sprite = -1;  // -1: the shape
  bool spriteanim = true, spritestretch = false, spriterandom = false;
  int32_t shape = 0;
  double sizemin = 1, sizemax = 1, sizeincr = 0, sizerand = 0;
  double xscale = 1, yscale = 1;
  int32_t lifemin = 100, lifemax = 100;
  int32_t deathtype = 0, deathnumber = 0;
  int32_t steptype = 0, stepnumber = 0;
  double spmin = 0, spmax = 0, spincr = 0, sprand = 0;
  double dirmin = 0, dirmax = 0, dirincr = 0, dirrand = 0;
  double grav = 0, gravdir = 270;
  double angmin = 0, angmax = 0, angincr = 0, angrand = 0;
  bool angdir = false;
  int32_t colmode = 0;  // 0 one, 1 two, 2 three colours, 3 RGB, 4 HSV ranges, 5 random mix
  double colpar[6] = {16777215, 16777215, 16777215, 0, 0, 0};
  double alphastart = 1, alphamiddle = 1, alphaend = 1;
  bool additiveblend = false;
};

// The particles of one system, one column per field, in creation order.
struct RParticles {
  std::vector<uint8_t> alive;
  std::vector<int32_t> parttype, age, lifetime, color, spritestart, ran;
  std::vector<double> x, y, xold, yold, speed, dir, ang, alpha, size;

  size_t Size() const { return alive.size(); }
  template <class F>
  void Columns(F&& f) {
    f(alive), f(parttype), f(age), f(lifetime), f(color), f(spritestart), f(ran);
    f(x), f(y), f(xold), f(yold), f(speed), f(dir), f(ang), f(alpha), f(size);
  }
  // Both keep the count of live particles of all systems.
  void Clear();
  // Removes the particles whose alive flag is off, keeping the order of the others.
  void Compact();
};

// One particle outside a system: what a changer makes before it copies parts of it.
struct RParticle {
  int32_t parttype = 0, age = 0, lifetime = 0, color = 0, spritestart = 0, ran = 0;
  double x = 0, y = 0, speed = 0, dir = 0, ang = 0, alpha = 1, size = 0;
};

struct REmitter {
  bool created = false;
  int32_t number = 0;  // per step; negative: one with probability 1/|number|
  double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  int32_t posdistr = 0;  // 0 linear, 1 gaussian, 2 inverse gaussian
  int32_t shape = 0;     // 0 rectangle, 1 ellipse, 2 diamond, 3 line
  int32_t parttype = 0;
};

struct RAttractor {
  bool created = false;
  double x = 0, y = 0, force = 0, dist = 0;
  int32_t kind = 0;  // 0 constant, 1 linear, 2 quadratic
  bool additive = true;
};

struct RDestroyer {
  bool created = false;
  double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  int32_t shape = 0;  // 0 rectangle, 1 ellipse, 2 diamond
};

struct RDeflector {
  bool created = false;
  double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  int32_t kind = 0;  // 0 vertical, 1 horizontal
  double friction = 0;
};

struct RChanger {
  bool created = false;
  double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  int32_t shape = 0;
  int32_t part1 = -1, part2 = -1;
  int32_t kind = 0;  // 0 all, 1 shape, 2 motion
};

// Index-addressed entries of a system: creating takes the first free slot or appends one,
// destroying marks the slot free.
template <class T>
struct RSlotList {
  std::vector<T> items;
  int32_t Create() {
    for (size_t i = 0; i < items.size(); ++i)
      if (!items[i].created) return Reset(i);
    items.emplace_back();
    return Reset(items.size() - 1);
  }
  T* Get(int32_t i) {
    return i >= 0 && size_t(i) < items.size() && items[size_t(i)].created ? &items[size_t(i)] : nullptr;
  }
  bool Any() const {
    for (const T& t : items)
      if (t.created) return true;
    return false;
  }

 private:
  int32_t Reset(size_t i) {
    items[i] = T{};
    items[i].created = true;
    return int32_t(i);
  }
};

struct RParticleSystem {
  bool created = false;
  RParticles particles;
  RSlotList<REmitter> emitters;
  RSlotList<RAttractor> attractors;
  RSlotList<RDestroyer> destroyers;
  RSlotList<RDeflector> deflectors;
  RSlotList<RChanger> changers;
  bool oldtonew = true;
  double depth = 0;
  double xdraw = 0, ydraw = 0;
  bool automaticupdate = true, automaticdraw = true;
};

// What the particle actions keep: their one system and the slots that name its types and
// emitters (-1: empty).
struct RParticleActionState {
  int32_t system = -1;
  int32_t types[16] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  int32_t emitters[16] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};

// The simple effects: their two systems (-1 until the first effect) and their particle types by
// kind, size and role (-1 until first used).
struct REffectState {
  int32_t below = -1, above = -1;
  int32_t types[12][3][2] = {};
  bool typesMade = false;
};

struct RParticlesState {
  static constexpr EGameSlot kSlot = EGameSlot::Particles;
  std::vector<RParticleType> types;
  std::vector<std::unique_ptr<RParticleSystem>> systems;
  // The game's random generator, a real in [0, 1); filled in by the composition root, since the
  // generator lives above this layer. Empty: every draw is 0.
  double (*random)() = nullptr;
  // The built-in shapes: one texture holding all 14 (-1 until first drawn).
  int32_t shapeTexture = -1;
  std::vector<double> gravityScratch;  // per type, reused by every update
  int64_t liveParticles = 0;           // in all systems
  REffectState effects;
  RParticleActionState actions;
};
inline RParticlesState& ParticlesState() { return TheGame().State<RParticlesState>(); }

// A draw of the particle generator: a real in [0, 1).
double ParticleRandom();
// Random value in [min, max] with a distribution (0 linear, 1 gaussian, 2 inverse gaussian);
// min when max <= min, without a draw.
double ParticleRandomRange(double min, double max, int32_t distr = 0);

// Particle types. Operations on an id that names no type do nothing.
int32_t ParticleTypeCreate();
void ParticleTypeDestroy(int32_t id);
bool ParticleTypeExists(int32_t id);
void ParticleTypeClear(int32_t id);
RParticleType* ParticleType(int32_t id);  // null when there is none

// Systems.
int32_t ParticleSystemCreate();
void ParticleSystemDestroy(int32_t id);
bool ParticleSystemExists(int32_t id);
void ParticleSystemClear(int32_t id);  // everything removed, settings back to their defaults
RParticleSystem* ParticleSystem(int32_t id);  // null when there is none

// Particles. `color` >= 0 overrides the type's colour.
void ParticlesCreate(int32_t system, double x, double y, int32_t type, int32_t number, int32_t color = -1);
void ParticlesClear(int32_t system);
int32_t ParticlesCount(int32_t system);

// Emitters: a burst now, or a stream of `number` every step.
void ParticleEmitterRegion(int32_t system, int32_t emitter, double xmin, double xmax, double ymin, double ymax,
                           int32_t shape, int32_t distr);
void ParticleEmitterBurst(int32_t system, int32_t emitter, int32_t type, int32_t number);
void ParticleEmitterStream(int32_t system, int32_t emitter, int32_t type, int32_t number);

// One step of a system (the update order of the engine), and drawing it where it stands.
void ParticleSystemUpdate(int32_t system);
void ParticleSystemDraw(int32_t system);

// The step's and the room drawing's view of all systems: updating those with automatic update;
// the largest depth of the systems that draw automatically below `below` (-1e9 when none); and
// drawing those whose depth is within 0.01 of `depth`.
void UpdateAutomaticParticleSystems();
double ParticleDepthBelow(double below);
void DrawParticleSystemsAt(double depth);

// The 64 × 64 grey picture of a built-in shape, its brightness the alpha (bytes, row-major).
std::vector<uint8_t> ParticleShapePicture(int32_t shape);
