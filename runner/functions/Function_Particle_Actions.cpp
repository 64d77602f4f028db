// The particle actions: one particle system of their own, created when an action first needs
// it, with 16 type slots and 16 emitter slots that name its types and emitters.
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/graphics/Particle_Effect.h"
#include "runner/graphics/Particle_Main.h"
#include "runner/run/Instance_Class.h"

namespace {
using Args = RValue*;

constexpr int32_t kSlots = 16;

int32_t I(const RValue& v) { return RoundToInt32(v.val()); }
double D(const RValue& v) { return v.val(); }

RParticleActionState& Actions() { return ParticlesState().actions; }

// The actions' system, made when there is none.
RParticleSystem& System() {
  RParticleActionState& st = Actions();
  if (!ParticleSystemExists(st.system)) st.system = ParticleSystemCreate();
  return *ParticleSystem(st.system);
}

bool ValidSlot(int32_t slot) { return slot >= 0 && slot < kSlots; }

// The particle type of a type slot; an empty slot gets a new type. -1 for a slot outside 0..15.
int32_t TypeIndex(int32_t slot) {
  if (!ValidSlot(slot)) return -1;
  int32_t& id = Actions().types[slot];
  if (!ParticleTypeExists(id)) id = ParticleTypeCreate();
  return id;
}
RParticleType* TypeOf(const RValue& slot) {
  System();
  return ParticleType(TypeIndex(I(slot)));
}

// The emitter of an emitter slot, null when the slot is empty.
REmitter* EmitterOf(int32_t slot) {
  RParticleSystem& sys = System();
  return ValidSlot(slot) ? sys.emitters.Get(Actions().emitters[slot]) : nullptr;
}

void action_partsyst_create(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  RParticleActionState& st = Actions();
  System();
  ParticleSystemClear(st.system);
  ParticleSystem(st.system)->depth = D(a[0]);
  for (int32_t i = 0; i < kSlots; ++i) st.types[i] = st.emitters[i] = -1;
}

void action_partsyst_destroy(CInstance*, CInstance*, int32_t, Args, RValue&) {
  RParticleActionState& st = Actions();
  ParticleSystemDestroy(st.system);
  st.system = -1;
  // Its emitters went with it; a slot naming one would burst from the next system's emitter.
  for (int32_t& e : st.emitters) e = -1;
}

void action_partsyst_clear(CInstance*, CInstance*, int32_t, Args, RValue&) {
  System();
  ParticlesClear(Actions().system);
}

void action_parttype_create_old(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RParticleType* t = TypeOf(a[0])) {
    t->shape = I(a[1]);
    t->sprite = -1;
    t->sizemin = D(a[2]), t->sizemax = D(a[3]), t->sizeincr = 0, t->sizerand = 0;
    t->colmode = 1;
    t->colpar[0] = D(a[4]), t->colpar[1] = D(a[5]);
  }
}

void action_parttype_create(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RParticleType* t = TypeOf(a[0])) {
    t->shape = I(a[1]);
    t->sprite = I(a[2]);
    t->spriteanim = true, t->spritestretch = false, t->spriterandom = false;
    t->sizemin = D(a[3]), t->sizemax = D(a[4]), t->sizeincr = D(a[5]), t->sizerand = 0;
  }
}

void action_parttype_color(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RParticleType* t = TypeOf(a[0])) {
    t->colmode = I(a[1]) != 0 ? 1 : 5;
    t->colpar[0] = D(a[2]), t->colpar[1] = D(a[3]);
    t->alphastart = D(a[4]), t->alphaend = D(a[5]);
    t->alphamiddle = (t->alphastart + t->alphaend) / 2;
  }
}

void action_parttype_life(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RParticleType* t = TypeOf(a[0])) t->lifemin = I(a[1]), t->lifemax = I(a[2]);
}

void action_parttype_speed(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RParticleType* t = TypeOf(a[0])) {
    t->spmin = D(a[1]), t->spmax = D(a[2]), t->spincr = -D(a[5]), t->sprand = 0;
    t->dirmin = D(a[3]), t->dirmax = D(a[4]), t->dirincr = 0, t->dirrand = 0;
  }
}

void action_parttype_gravity(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (RParticleType* t = TypeOf(a[0])) t->grav = D(a[1]), t->gravdir = D(a[2]);
}

void action_parttype_secondary(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  if (!TypeOf(a[0])) return;
  const int32_t step = TypeIndex(I(a[1])), death = TypeIndex(I(a[3]));
  RParticleType* t = ParticleType(TypeIndex(I(a[0])));
  t->steptype = step, t->stepnumber = I(a[2]);
  t->deathtype = death, t->deathnumber = I(a[4]);
}

void action_partemit_create(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t slot = I(a[0]);
  RParticleSystem& sys = System();
  if (!ValidSlot(slot)) return;
  int32_t& id = Actions().emitters[slot];
  if (!sys.emitters.Get(id)) id = sys.emitters.Create();
  ParticleEmitterRegion(Actions().system, id, D(a[2]), D(a[3]), D(a[4]), D(a[5]), I(a[1]), 0);
}

void action_partemit_destroy(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t slot = I(a[0]);
  if (REmitter* em = EmitterOf(slot)) em->created = false;
  if (ValidSlot(slot)) Actions().emitters[slot] = -1;
}

// Burst or stream: the emitter slot must have been created.
template <bool Stream>
void Emit(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t slot = I(a[0]);
  if (!EmitterOf(slot)) {
    ShowActionError("The particle emitter must first be created.", false);
    return;
  }
  const int32_t type = TypeIndex(I(a[1]));
  if (Stream)
    ParticleEmitterStream(Actions().system, Actions().emitters[slot], type, I(a[2]));
  else
    ParticleEmitterBurst(Actions().system, Actions().emitters[slot], type, I(a[2]));
}

// The simple effects have no slots: the action only offsets its point by the instance when
// relative and picks the layer.
void action_effect(CInstance* self, CInstance*, int32_t, Args a, RValue&) {
  double x = D(a[1]), y = D(a[2]);
  if (Arguments().relative != 0 && self) x += self->i_x, y += self->i_y;
  EffectCreate(D(a[5]) >= 0.5, I(a[0]), x, y, I(a[3]), I(a[4]));
}

constexpr RFunctionDef kParticleActionFunctions[] = {
    {"action_effect", 6, action_effect},
    {"action_partsyst_create", 1, action_partsyst_create},
    {"action_partsyst_destroy", 0, action_partsyst_destroy},
    {"action_partsyst_clear", 0, action_partsyst_clear},
    {"action_parttype_create_old", 6, action_parttype_create_old},
    {"action_parttype_create", 6, action_parttype_create},
    {"action_parttype_color", 6, action_parttype_color},
    {"action_parttype_life", 3, action_parttype_life},
    {"action_parttype_speed", 6, action_parttype_speed},
    {"action_parttype_gravity", 3, action_parttype_gravity},
    {"action_parttype_secondary", 5, action_parttype_secondary},
    {"action_partemit_create", 6, action_partemit_create},
    {"action_partemit_destroy", 1, action_partemit_destroy},
    {"action_partemit_burst", 3, Emit<false>},
    {"action_partemit_stream", 3, Emit<true>},
};
}  // namespace

FunctionFamily ParticleActionFunctions() { return kParticleActionFunctions; }
