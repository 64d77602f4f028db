// Built-in particle functions: particle types, systems, particles, emitters, attractors,
// destroyers, deflectors and changers, and the simple effects, each a thin call of the engine.
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Particle_Effect.h"
#include "runner/graphics/Particle_Main.h"

namespace {
using Args = RValue*;

int32_t I(const RValue& v) { return RoundToInt32(v.val()); }
bool B(const RValue& v) { return IsTrue(v.val()); }
double D(const RValue& v) { return v.val(); }
void Real(RValue& r, double v) { r = RValue(v); }

template <class Fn>
void WithType(Args a, Fn fn) {
  if (RParticleType* t = ParticleType(I(a[0]))) fn(*t);
}
template <class Fn>
void WithSystem(Args a, Fn fn) {
  if (RParticleSystem* s = ParticleSystem(I(a[0]))) fn(*s);
}
// The entry a[1] of one of the system a[0]'s lists.
template <class T, class Fn>
void WithPart(RSlotList<T> RParticleSystem::*list, Args a, Fn fn) {
  if (RParticleSystem* s = ParticleSystem(I(a[0])))
    if (T* p = (s->*list).Get(I(a[1]))) fn(*p);
}

// The five operations every kind of system part has: create, destroy, destroy all, exists and
// clear (back to its defaults).
template <class T, RSlotList<T> RParticleSystem::*List>
struct Parts {
  static void Create(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
    RParticleSystem* s = ParticleSystem(I(a[0]));
    Real(r, s ? (s->*List).Create() : -1);
  }
  static void Destroy(CInstance*, CInstance*, int32_t, Args a, RValue&) {
    WithPart(List, a, [](T& p) { p.created = false; });
  }
  static void DestroyAll(CInstance*, CInstance*, int32_t, Args a, RValue&) {
    WithSystem(a, [](RParticleSystem& s) {
      for (T& p : (s.*List).items) p.created = false;
    });
  }
  static void Exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
    bool found = false;
    WithPart(List, a, [&](T&) { found = true; });
    Real(r, found);
  }
  static void Clear(CInstance*, CInstance*, int32_t, Args a, RValue&) {
    WithPart(List, a, [](T& p) {
      p = T{};
      p.created = true;
    });
  }
};
using Emitters = Parts<REmitter, &RParticleSystem::emitters>;
using Attractors = Parts<RAttractor, &RParticleSystem::attractors>;
using Destroyers = Parts<RDestroyer, &RParticleSystem::destroyers>;
using Deflectors = Parts<RDeflector, &RParticleSystem::deflectors>;
using Changers = Parts<RChanger, &RParticleSystem::changers>;

// Particle types.
void part_type_create(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, ParticleTypeCreate()); }
void part_type_destroy(CInstance*, CInstance*, int32_t, Args a, RValue&) { ParticleTypeDestroy(I(a[0])); }
void part_type_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, ParticleTypeExists(I(a[0]))); }
void part_type_clear(CInstance*, CInstance*, int32_t, Args a, RValue&) { ParticleTypeClear(I(a[0])); }
void part_type_shape(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) {
    t.shape = I(a[1]);
    t.sprite = -1;
  });
}
void part_type_sprite(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) {
    t.sprite = I(a[1]);
    t.spriteanim = B(a[2]), t.spritestretch = B(a[3]), t.spriterandom = B(a[4]);
  });
}
void part_type_size(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) {
    t.sizemin = D(a[1]), t.sizemax = D(a[2]), t.sizeincr = D(a[3]), t.sizerand = D(a[4]);
  });
}
void part_type_scale(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) { t.xscale = D(a[1]), t.yscale = D(a[2]); });
}
void part_type_life(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) { t.lifemin = I(a[1]), t.lifemax = I(a[2]); });
}
void part_type_step(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) { t.stepnumber = I(a[1]), t.steptype = I(a[2]); });
}
void part_type_death(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) { t.deathnumber = I(a[1]), t.deathtype = I(a[2]); });
}
void part_type_speed(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) { t.spmin = D(a[1]), t.spmax = D(a[2]), t.spincr = D(a[3]), t.sprand = D(a[4]); });
}
void part_type_direction(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) {
    t.dirmin = D(a[1]), t.dirmax = D(a[2]), t.dirincr = D(a[3]), t.dirrand = D(a[4]);
  });
}
void part_type_orientation(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) {
    t.angmin = D(a[1]), t.angmax = D(a[2]), t.angincr = D(a[3]), t.angrand = D(a[4]), t.angdir = B(a[5]);
  });
}
void part_type_gravity(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) { t.grav = D(a[1]), t.gravdir = D(a[2]); });
}
// The colour functions: a mode and up to six parameters from a[1].
template <int32_t Mode, int32_t Count>
void Colors(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) {
    t.colmode = Mode;
    for (int32_t i = 0; i < Count; ++i) t.colpar[i] = D(a[1 + i]);
  });
}
void part_type_alpha1(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) { t.alphastart = t.alphamiddle = t.alphaend = D(a[1]); });
}
void part_type_alpha2(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) {
    t.alphastart = D(a[1]), t.alphaend = D(a[2]);
    t.alphamiddle = (t.alphastart + t.alphaend) / 2;
  });
}
void part_type_alpha3(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) { t.alphastart = D(a[1]), t.alphamiddle = D(a[2]), t.alphaend = D(a[3]); });
}
void part_type_blend(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithType(a, [&](RParticleType& t) { t.additiveblend = B(a[1]); });
}

// Systems.
void part_system_create(CInstance*, CInstance*, int32_t, Args, RValue& r) { Real(r, ParticleSystemCreate()); }
void part_system_destroy(CInstance*, CInstance*, int32_t, Args a, RValue&) { ParticleSystemDestroy(I(a[0])); }
void part_system_exists(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, ParticleSystemExists(I(a[0]))); }
void part_system_clear(CInstance*, CInstance*, int32_t, Args a, RValue&) { ParticleSystemClear(I(a[0])); }
void part_system_draw_order(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithSystem(a, [&](RParticleSystem& s) { s.oldtonew = B(a[1]); });
}
void part_system_depth(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithSystem(a, [&](RParticleSystem& s) { s.depth = D(a[1]); });
}
void part_system_position(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithSystem(a, [&](RParticleSystem& s) { s.xdraw = D(a[1]), s.ydraw = D(a[2]); });
}
void part_system_automatic_update(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithSystem(a, [&](RParticleSystem& s) { s.automaticupdate = B(a[1]); });
}
void part_system_automatic_draw(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithSystem(a, [&](RParticleSystem& s) { s.automaticdraw = B(a[1]); });
}
void part_system_update(CInstance*, CInstance*, int32_t, Args a, RValue&) { ParticleSystemUpdate(I(a[0])); }
void part_system_drawit(CInstance*, CInstance*, int32_t, Args a, RValue&) { ParticleSystemDraw(I(a[0])); }

// Particles.
void part_particles_create(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  ParticlesCreate(I(a[0]), D(a[1]), D(a[2]), I(a[3]), I(a[4]));
}
void part_particles_create_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  ParticlesCreate(I(a[0]), D(a[1]), D(a[2]), I(a[3]), I(a[5]), I(a[4]) & 0xFFFFFF);
}
void part_particles_clear(CInstance*, CInstance*, int32_t, Args a, RValue&) { ParticlesClear(I(a[0])); }
void part_particles_count(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Real(r, ParticlesCount(I(a[0]))); }

// Emitters.
void part_emitter_region(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  ParticleEmitterRegion(I(a[0]), I(a[1]), D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[6]), I(a[7]));
}
void part_emitter_burst(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  ParticleEmitterBurst(I(a[0]), I(a[1]), I(a[2]), I(a[3]));
}
void part_emitter_stream(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  ParticleEmitterStream(I(a[0]), I(a[1]), I(a[2]), I(a[3]));
}

// Attractors, destroyers, deflectors and changers.
void part_attractor_position(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithPart(&RParticleSystem::attractors, a, [&](RAttractor& p) { p.x = D(a[2]), p.y = D(a[3]); });
}
void part_attractor_force(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithPart(&RParticleSystem::attractors, a, [&](RAttractor& p) {
    p.force = D(a[2]), p.dist = D(a[3]), p.kind = I(a[4]), p.additive = B(a[5]);
  });
}
void part_destroyer_region(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithPart(&RParticleSystem::destroyers, a, [&](RDestroyer& p) {
    p.xmin = D(a[2]), p.xmax = D(a[3]), p.ymin = D(a[4]), p.ymax = D(a[5]), p.shape = I(a[6]);
  });
}
void part_deflector_region(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithPart(&RParticleSystem::deflectors, a,
           [&](RDeflector& p) { p.xmin = D(a[2]), p.xmax = D(a[3]), p.ymin = D(a[4]), p.ymax = D(a[5]); });
}
void part_deflector_kind(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithPart(&RParticleSystem::deflectors, a, [&](RDeflector& p) { p.kind = I(a[2]); });
}
void part_deflector_friction(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithPart(&RParticleSystem::deflectors, a, [&](RDeflector& p) { p.friction = D(a[2]); });
}
void part_changer_region(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithPart(&RParticleSystem::changers, a, [&](RChanger& p) {
    p.xmin = D(a[2]), p.xmax = D(a[3]), p.ymin = D(a[4]), p.ymax = D(a[5]), p.shape = I(a[6]);
  });
}
void part_changer_kind(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithPart(&RParticleSystem::changers, a, [&](RChanger& p) { p.kind = I(a[2]); });
}
void part_changer_types(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  WithPart(&RParticleSystem::changers, a, [&](RChanger& p) { p.part1 = I(a[2]), p.part2 = I(a[3]); });
}

// Effects.
void effect_create_below(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  EffectCreate(false, I(a[0]), D(a[1]), D(a[2]), I(a[3]), I(a[4]));
}
void effect_create_above(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  EffectCreate(true, I(a[0]), D(a[1]), D(a[2]), I(a[3]), I(a[4]));
}
void effect_clear(CInstance*, CInstance*, int32_t, Args, RValue&) { EffectClear(); }

constexpr RFunctionDef kParticleFunctions[] = {
    {"part_type_create", 0, part_type_create},
    {"part_type_destroy", 1, part_type_destroy},
    {"part_type_exists", 1, part_type_exists},
    {"part_type_clear", 1, part_type_clear},
    {"part_type_shape", 2, part_type_shape},
    {"part_type_sprite", 5, part_type_sprite},
    {"part_type_size", 5, part_type_size},
    {"part_type_scale", 3, part_type_scale},
    {"part_type_life", 3, part_type_life},
    {"part_type_step", 3, part_type_step},
    {"part_type_death", 3, part_type_death},
    {"part_type_speed", 5, part_type_speed},
    {"part_type_direction", 5, part_type_direction},
    {"part_type_orientation", 6, part_type_orientation},
    {"part_type_gravity", 3, part_type_gravity},
    {"part_type_color1", 2, Colors<0, 1>},
    {"part_type_color2", 3, Colors<1, 2>},
    {"part_type_color3", 4, Colors<2, 3>},
    {"part_type_color", 4, Colors<2, 3>},
    {"part_type_color_rgb", 7, Colors<3, 6>},
    {"part_type_color_hsv", 7, Colors<4, 6>},
    {"part_type_color_mix", 3, Colors<5, 2>},
    {"part_type_alpha1", 2, part_type_alpha1},
    {"part_type_alpha2", 3, part_type_alpha2},
    {"part_type_alpha3", 4, part_type_alpha3},
    {"part_type_alpha", 4, part_type_alpha3},
    {"part_type_blend", 2, part_type_blend},
    {"part_system_create", 0, part_system_create},
    {"part_system_destroy", 1, part_system_destroy},
    {"part_system_exists", 1, part_system_exists},
    {"part_system_clear", 1, part_system_clear},
    {"part_system_draw_order", 2, part_system_draw_order},
    {"part_system_depth", 2, part_system_depth},
    {"part_system_position", 3, part_system_position},
    {"part_system_automatic_update", 2, part_system_automatic_update},
    {"part_system_automatic_draw", 2, part_system_automatic_draw},
    {"part_system_update", 1, part_system_update},
    {"part_system_drawit", 1, part_system_drawit},
    {"part_particles_create", 5, part_particles_create},
    {"part_particles_create_color", 6, part_particles_create_color},
    {"part_particles_clear", 1, part_particles_clear},
    {"part_particles_count", 1, part_particles_count},
    {"part_emitter_create", 1, Emitters::Create},
    {"part_emitter_destroy", 2, Emitters::Destroy},
    {"part_emitter_destroy_all", 1, Emitters::DestroyAll},
    {"part_emitter_exists", 2, Emitters::Exists},
    {"part_emitter_clear", 2, Emitters::Clear},
    {"part_emitter_region", 8, part_emitter_region},
    {"part_emitter_burst", 4, part_emitter_burst},
    {"part_emitter_stream", 4, part_emitter_stream},
    {"part_attractor_create", 1, Attractors::Create},
    {"part_attractor_destroy", 2, Attractors::Destroy},
    {"part_attractor_destroy_all", 1, Attractors::DestroyAll},
    {"part_attractor_exists", 2, Attractors::Exists},
    {"part_attractor_clear", 2, Attractors::Clear},
    {"part_attractor_position", 4, part_attractor_position},
    {"part_attractor_force", 6, part_attractor_force},
    {"part_destroyer_create", 1, Destroyers::Create},
    {"part_destroyer_destroy", 2, Destroyers::Destroy},
    {"part_destroyer_destroy_all", 1, Destroyers::DestroyAll},
    {"part_destroyer_exists", 2, Destroyers::Exists},
    {"part_destroyer_clear", 2, Destroyers::Clear},
    {"part_destroyer_region", 7, part_destroyer_region},
    {"part_deflector_create", 1, Deflectors::Create},
    {"part_deflector_destroy", 2, Deflectors::Destroy},
    {"part_deflector_destroy_all", 1, Deflectors::DestroyAll},
    {"part_deflector_exists", 2, Deflectors::Exists},
    {"part_deflector_clear", 2, Deflectors::Clear},
    {"part_deflector_region", 6, part_deflector_region},
    {"part_deflector_kind", 3, part_deflector_kind},
    {"part_deflector_friction", 3, part_deflector_friction},
    {"part_changer_create", 1, Changers::Create},
    {"part_changer_destroy", 2, Changers::Destroy},
    {"part_changer_destroy_all", 1, Changers::DestroyAll},
    {"part_changer_exists", 2, Changers::Exists},
    {"part_changer_clear", 2, Changers::Clear},
    {"part_changer_region", 7, part_changer_region},
    {"part_changer_kind", 3, part_changer_kind},
    {"part_changer_types", 4, part_changer_types},
    {"effect_create_below", 5, effect_create_below},
    {"effect_create_above", 5, effect_create_above},
    {"effect_clear", 0, effect_clear},
};
static_assert(std::size(kParticleFunctions) == 82);
}  // namespace

FunctionFamily ParticleFunctions() { return kParticleFunctions; }
